// The start-up checks for the two automation servers the conversion needs.
#pragma once

#include "platform/automation_registry.h"
#include "platform/prompts.h"

namespace brindlemoor::app {

inline const QString kOfficeDownloadPage = QStringLiteral("https://www.openoffice.org/download/index.html");

QString officeSuiteMissingText();
QString spreadsheetApplicationMissingText();

// True when an office suite service manager can be created. Otherwise shows
// why, offers the download page, and returns false: the program must end.
bool requireOpenOffice(const platform::AutomationRegistry& registry, platform::Prompts& prompts);
// True when a spreadsheet application object can be created; otherwise
// says what to check and returns false: the program must end.
bool requireExcel(const platform::AutomationRegistry& registry, platform::Prompts& prompts);

}  // namespace brindlemoor::app
