// The one failure report of the program.
#pragma once

#include "platform/prompts.h"

#include <QString>

namespace brindlemoor::app {

inline const QString kSupportAddress = QStringLiteral("support@brindlemoor.app");

// The report's text: the description, CR LF, the location text, "at line "
// and the number, two CRs, and the request to e-mail a screenshot.
QString errorReportText(const QString& description, const QString& location, int line);

// Shows the report ("Application Error", OK, warning icon) and returns when
// the user has confirmed it.
void reportError(platform::Prompts& prompts, const QString& description, const QString& location, int line);

}  // namespace brindlemoor::app
