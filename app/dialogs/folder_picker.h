// The folder chooser: an owner, a title and a start folder in; the chosen
// folder's path out, or "" when nothing was chosen.
#pragma once

#include "platform/prompts.h"

namespace brindlemoor::app {

// A root comes back with its separator ("C:\", "/"), any other folder without.
QString browseForFolder(platform::Prompts& prompts, QWidget* owner, const QString& title, const QString& startFolder);

}  // namespace brindlemoor::app
