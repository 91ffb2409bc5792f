// "Start Converting To XLS": every row of the list, in order, loaded by the
// office side and saved as an Excel 97 workbook, with the fixed waits, the
// hourglass, the progress bar and one failure report per failing step.
#pragma once

#include "app/captioned_progress_bar.h"
#include "filelist/file_list.h"
#include "platform/automation_registry.h"
#include "platform/prompts.h"

#include <QChar>

#include <functional>

class QLineEdit;
class QRadioButton;

namespace brindlemoor::app {
class FailureTrap;
}

namespace brindlemoor::convert {

struct RunControls {
    QWidget* window;
    filelist::FileList* list;
    QLineEdit* folderText;         // Text1
    QRadioButton* toFolder;        // Option1
    QRadioButton* besideOriginal;  // Option2
    app::CaptionedProgressBar* progress;
};

struct RunServices {
    platform::Prompts& prompts;
    const platform::AutomationRegistry& registry;
    // Waits the given seconds while the window stays responsive.
    std::function<void(double)> pause;
    QChar separator;
    // True once the window is closing: the run stops before its next step.
    std::function<bool()> abandoned = [] { return false; };
};

class ConversionRun {
public:
    static inline const QString kIdleCaption = QStringLiteral("Progress Bar");

    ConversionRun(RunControls controls, RunServices services);

    // The button's click. A click while a run goes on does nothing.
    void start();
    bool converting() const { return converting_; }

private:
    void convertAll(app::FailureTrap& trap);

    RunControls controls_;
    RunServices services_;
    bool converting_ = false;
};

}  // namespace brindlemoor::convert
