// The procedures the start-up runs besides its own steps.
#pragma once

#include "platform/prompts.h"

#include <QString>

#include <functional>

class QWidget;

namespace brindlemoor::app {

inline const QString kSiteAddress = QStringLiteral("https://brindlemoor.app/");

// With a skin file "x/o.cjs" in the program folder: the window and its
// frames and option buttons take the button-face colour, then the file's
// style sheet applies to the window. Without it nothing changes.
void applySkin(QWidget& window, const QString& programFolder);

// Opens the product's web site for one start in a hundred: when
// floor(random() * 100) + 1 is 7. `random` gives numbers in [0, 1).
void occasionalSiteVisit(const std::function<double()>& random, platform::Prompts& shell);

// A random source seeded from the seconds since midnight.
std::function<double()> timeSeededRandom();

// The user's desktop folder with a trailing separator; throws when the
// system does not know one (`specialFolder` gives "").
QString desktopFolder(const std::function<QString()>& specialFolder);
// The desktop folder as the system reports it, without separator.
QString systemDesktopFolder();

}  // namespace brindlemoor::app
