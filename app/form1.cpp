#include "app/form1.h"

#include "app/application_title.h"
#include "app/error_report.h"
#include "app/failure_trap.h"
#include "app/hover_feedback.h"
#include "app/mouse_pointer.h"
#include "app/prerequisites.h"
#include "app/startup.h"
#include "convert/output_options.h"
#include "filelist/add_files.h"
#include "filelist/add_folder.h"
#include "filelist/drop_intake.h"
#include "filelist/list_gestures.h"
#include "filelist/sample_files.h"
#include "platform/cursor_file.h"

#include <QCloseEvent>
#include <QIcon>

// The icon is compiled into a static library: register it before first use.
static void loadWindowResources() { Q_INIT_RESOURCE(brindlemoor); }

namespace brindlemoor::app {

namespace {

QFont arialBold(double points) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

void place(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

QPushButton* pushButton(QWidget* parent, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setFont(arialBold(11.25));
    return button;
}

// Setting an option to false must not depend on its partner being set.
void setOptionValue(QRadioButton* option, bool value) {
    if (value) {
        option->setChecked(true);
        return;
    }
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
}

}  // namespace

Form1::Form1(Form1Environment environment, QWidget* parent) : QWidget(parent), env_(std::move(environment)) {
    loadWindowResources();
    createControls();
    run_ = std::make_unique<convert::ConversionRun>(
        convert::RunControls{this, ListView1, Text1, Option1, Option2, ProgressBar1},
        convert::RunServices{env_.prompts, env_.registry, env_.pause, env_.separator, [this] { return unloading_; }});
    connectHandlers();
}

Form1::~Form1() = default;

void Form1::createControls() {
    setFont(arialBold(9));
    setFixedSize(twips(8040), twips(6720));

    ListView1 = new filelist::FileList(this);
    place(ListView1, 120, 120, 7800, 2535);
    PushButton1 = pushButton(this, QStringLiteral("Add ODS File(s)"));
    place(PushButton1, 120, 2750, 3840, 405);
    PushButton4 = pushButton(this, QStringLiteral("Add All File(s) In Folder"));
    place(PushButton4, 4080, 2750, 3840, 405);
    PushButton8 = pushButton(this, QStringLiteral("Clear List"));
    place(PushButton8, 120, 3260, 3840, 405);
    PushButton9 = pushButton(this, QStringLiteral("Load Sample/Example Files"));
    place(PushButton9, 4080, 3260, 3840, 405);

    Frame5 = new QGroupBox(QStringLiteral("Save Option"), this);
    place(Frame5, 120, 3735, 7800, 1815);
    Option1 = new QRadioButton(QStringLiteral("Save results to this folder:"), Frame5);
    place(Option1, 240, 300, 3615, 255);
    Frame1 = new QGroupBox(Frame5);
    place(Frame1, 480, 510, 6840, 810);
    Text1 = new QLineEdit(Frame1);
    place(Text1, 240, 300, 5670, 345);
    PushButton3 = pushButton(Frame1, QStringLiteral("..."));
    place(PushButton3, 6000, 300, 600, 345);
    Option2 = new QRadioButton(QStringLiteral("Save results in folder of original file"), Frame5);
    place(Option2, 240, 1410, 3615, 255);

    PushButton2 = pushButton(this, QStringLiteral("Start Converting To XLS"));
    place(PushButton2, 120, 5670, 7800, 405);
    ProgressBar1 = new CaptionedProgressBar(this);
    ProgressBar1->setCaption(convert::ConversionRun::kIdleCaption);
    place(ProgressBar1, 120, 6190, 7800, 405);
}

void Form1::connectHandlers() {
    const convert::OutputOptionControls options{Option1, Option2, Frame1, Text1};
    connect(PushButton1, &QPushButton::clicked, this,
            [this] { filelist::addFilesFromDialog(env_.prompts, *ListView1, env_.separator); });
    connect(PushButton2, &QPushButton::clicked, this, [this] { run_->start(); });
    connect(PushButton3, &QPushButton::clicked, this, [this, options] {
        convert::chooseOutputFolder(env_.prompts, env_.settings, this, options, env_.separator);
    });
    connect(Option1, &QRadioButton::clicked, this, [this, options] {
        untrapped(QStringLiteral("in Quillfen2021/08/31.Form1.Option1_Click "),
                  [&] { convert::optionClicked(options, env_.settings); });
    });
    connect(Option2, &QRadioButton::clicked, this, [this, options] {
        untrapped(QStringLiteral("in Quillfen2021/08/31.Form1.Option2_Click "),
                  [&] { convert::optionClicked(options, env_.settings); });
    });
    connect(Text1, &QLineEdit::textChanged, this, [this](const QString& text) {
        untrapped(QStringLiteral("in Quillfen2021/08/31.Form1.Text1_Change "),
                  [&] { convert::folderTextChanged(text, env_.settings); });
    });

    connect(PushButton4, &QPushButton::clicked, this, [this] {
        filelist::addAllFilesInFolder(filelist::localFolderScan(env_.prompts), *ListView1, env_.settings, this);
    });
    connect(PushButton8, &QPushButton::clicked, this, [this] { filelist::clearList(*ListView1, this, env_.prompts); });
    connect(PushButton9, &QPushButton::clicked, this, [this] {
        filelist::loadSampleFilesClicked(filelist::localFolderScan(env_.prompts), *ListView1, env_.settings,
                                         env_.programFolder);
    });
    new filelist::DropIntake(*ListView1, filelist::localFolderScan(env_.prompts));
    new filelist::ListGestures(*ListView1, {this, env_.programFolder + QStringLiteral("/drag.ico"),
                                            [] { return QCursor::pos(); }});
    new HoverFeedback(this, {PushButton1, PushButton2, PushButton3, PushButton4, PushButton8, PushButton9},
                      {Frame5, Frame1, Option1, Option2, ListView1}, {Text1, ProgressBar1});
}

void Form1::untrapped(const QString& location, const std::function<void()>& handler) {
    // Exceptions must not cross the event loop: report them instead, with no line.
    try {
        handler();
    } catch (...) {
        reportError(env_.prompts, asFailure(std::current_exception()).description(), location, 0);
    }
}

bool Form1::formLoad() {
    FailureTrap trap(env_.prompts, kLoadLocation);
    const QString cursorFile = env_.programFolder + QStringLiteral("/HAND-M.CUR");

    trap.step(100, [&] { applySkin(*this, env_.programFolder); });
    if (trap.test(102, [&] { return pathExists(cursorFile); })) {
        trap.step(104, [&] { setMouseIcon(this, platform::loadCursorFile(cursorFile)); });
    }
    trap.step(106, [&] { occasionalSiteVisit(env_.random, env_.prompts); });
    const auto recordSamplesOnce = [&] {
        if (env_.settings.read(filelist::kSnapshotSetting, QString()).isEmpty())
            filelist::recordSampleList(filelist::localFolderScan(env_.prompts), env_.settings, env_.programFolder);
    };
    trap.step(106, recordSamplesOnce);
    trap.step(124, recordSamplesOnce);
    trap.step(126, [&] {
        setWindowTitle(kProductName);
        setWindowIcon(QIcon(QStringLiteral(":/brindlemoor.svg")));
        setShortTitle(kProductName);
    });
    trap.step(128, [&] { ListView1->addColumnHeader(QStringLiteral("ODS File(s)")); });
    trap.step(130, [&] { ListView1->setFirstColumnWidth(twips(7000)); });
    trap.step(132, [&] {
        // The default is worked out even when a text is stored.
        const QString fallback = desktopFolder(env_.systemDesktop);
        Text1->setText(env_.settings.read(QStringLiteral("Text1"), fallback));
    });
    trap.step(134, [&] { setOptionValue(Option1, textToBoolean(env_.settings.read(QStringLiteral("Option1"), QStringLiteral("1")))); });
    trap.step(136, [&] { setOptionValue(Option2, textToBoolean(env_.settings.read(QStringLiteral("Option2"), QStringLiteral("0")))); });
    if (trap.test(138, [&] { return Option1->isChecked(); })) {
        trap.step(140, [&] { Frame1->setEnabled(true); });
    } else {
        trap.step(142, [&] { Frame1->setEnabled(false); });
    }

    bool present = true;
    trap.step(144, [&] { present = requireOpenOffice(env_.registry, env_.prompts); });
    if (present) trap.step(146, [&] { present = requireExcel(env_.registry, env_.prompts); });
    return present;
}

void Form1::closeEvent(QCloseEvent* event) {
    // Form_Unload: nothing to save, every setting was stored as it changed.
    unloading_ = true;
    event->accept();
    env_.endProcess();
}

}  // namespace brindlemoor::app
