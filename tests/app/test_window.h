// The main window in a test: scripted prompts, a settings store in a
// temporary folder, a program folder of its own, the embedded engine's
// registrations, and no site visit, real wait or process end.
#pragma once

#include "app/form1.h"
#include "app/pause.h"
#include "platform/automation_registry.h"
#include "platform/scripted_prompts.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

namespace brindlemoor::testing {

// A clock that runs faster than real time, by default a thousand times.
class FastClock : public platform::Clock {
public:
    double speed = 1000;
    double seconds() const override { return platform::steadyClock().seconds() * speed; }
};

struct TestWindow {
    QTemporaryDir home;
    QString programFolder = home.filePath(QStringLiteral("program"));
    QString desktop = home.filePath(QStringLiteral("Desktop"));
    platform::ScriptedPrompts prompts;
    app::SettingsStore settings{home.filePath(QStringLiteral("settings.ini"))};
    platform::AutomationRegistry registry = platform::AutomationRegistry::withEmbeddedEngine();
    std::vector<double> pauses;
    double siteVisitRandom = 0.5;  // anything but 0.06..0.07 stays away
    int processEnds = 0;
    // Runs at the start of every wait, e.g. to click during a conversion.
    std::function<void()> duringPause;
    // Runs when the window ends the process, e.g. to leave the event loop.
    std::function<void()> onProcessEnd;
    FastClock clock;
    std::unique_ptr<app::Form1> form;

    TestWindow() {
        QDir().mkpath(programFolder);
        QDir().mkpath(desktop);
    }

    app::Form1& create() {
        form = std::make_unique<app::Form1>(app::Form1Environment{
            .prompts = prompts,
            .settings = settings,
            .registry = registry,
            .programFolder = programFolder,
            .systemDesktop = [this] { return desktop; },
            .random = [this] { return siteVisitRandom; },
            .pause =
                [this](double seconds) {
                    pauses.push_back(seconds);
                    if (duringPause) duringPause();
                    app::pause(seconds, clock);
                },
            .endProcess =
                [this] {
                    ++processEnds;
                    if (onProcessEnd) onProcessEnd();
                },
        });
        return *form;
    }

    // Creates the window and runs its start-up; true when it may be shown.
    bool load() { return create().formLoad(); }
};

}  // namespace brindlemoor::testing
