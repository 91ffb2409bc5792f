// The main window: its controls by their design names, their layout, the
// start-up that prepares them, and the wiring of every handler.
#pragma once

#include "app/captioned_progress_bar.h"
#include "app/paths.h"
#include "app/settings_store.h"
#include "convert/conversion_run.h"
#include "filelist/file_list.h"
#include "platform/automation_registry.h"
#include "platform/prompts.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <functional>
#include <memory>

namespace brindlemoor::app {

// What the window needs from the world; tests replace each part.
struct Form1Environment {
    platform::Prompts& prompts;
    SettingsStore& settings;
    const platform::AutomationRegistry& registry;
    // The folder of the executable: skin, cursor and samples live there.
    QString programFolder;
    // The user's desktop folder as the system reports it; "" when unknown.
    std::function<QString()> systemDesktop;
    // Numbers in [0, 1) for the occasional site visit.
    std::function<double()> random;
    std::function<void(double)> pause;
    // Ends the program; the window is closing.
    std::function<void()> endProcess;
    QChar separator = kNativeSeparator;
};

class Form1 : public QWidget {
    Q_OBJECT
public:
    static inline const QString kLoadLocation = QStringLiteral("in Quillfen2021/08/31.Form1.Form_Load ");

    explicit Form1(Form1Environment environment, QWidget* parent = nullptr);
    ~Form1() override;

    // Prepares the window before it is shown. False when a prerequisite is
    // missing: the program must end without showing the window.
    bool formLoad();

    bool converting() const { return run_->converting(); }

    filelist::FileList* ListView1;
    QPushButton* PushButton1;
    QPushButton* PushButton4;
    QPushButton* PushButton8;
    QPushButton* PushButton9;
    QGroupBox* Frame5;
    QRadioButton* Option1;
    QGroupBox* Frame1;
    QLineEdit* Text1;
    QPushButton* PushButton3;
    QRadioButton* Option2;
    QPushButton* PushButton2;
    CaptionedProgressBar* ProgressBar1;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void connectHandlers();
    // Runs a handler that has no trap of its own, reporting what escapes it.
    void untrapped(const QString& location, const std::function<void()>& handler);

    Form1Environment env_;
    std::unique_ptr<convert::ConversionRun> run_;
    bool unloading_ = false;
};

// Twips of the design tables to pixels: 15 twips are one pixel.
constexpr int twips(int value) { return (value + 7) / 15; }

}  // namespace brindlemoor::app
