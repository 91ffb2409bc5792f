// The main window under load and interference: ten thousand rows, gestures
// and intake in the middle of a conversion run, the window closed while the
// engine works, and inputs and outputs that change under the run.
#include "../app/test_window.h"
#include "app/mouse_pointer.h"
#include "run_messages.h"

#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <mutex>

using namespace brindlemoor;
using testing::plainMessages;
using testing::reportedLines;
using testing::TestWindow;
namespace bridge = office::bridge;

namespace {

QStringList rows(const app::Form1& form) {
    QStringList texts;
    for (int row = 1; row <= form.ListView1->count(); ++row) texts << form.ListView1->rowText(row);
    return texts;
}

// Everything in `folder`, hidden temporary files included.
QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// The cell texts of a workbook as xlrd reads them, or its complaint.
QString readBack(const QString& xls) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {"-c",
                  "import sys, xlrd\n"
                  "sheet = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
                  "print([sheet.cell_value(r, 0) for r in range(sheet.nrows)])\n",
                  xls});
    python.waitForFinished(60000);
    return QString::fromUtf8(python.readAllStandardOutput()) + QString::fromUtf8(python.readAllStandardError());
}

// The embedded engine, with hooks around every call but object creation,
// run on the thread that makes the call (a worker for loads and saves).
class HookedObject : public bridge::AutomationObject {
public:
    using Hook = std::function<void(std::string_view member)>;
    struct Hooks {
        Hook before = [](std::string_view) {};
        Hook after = [](std::string_view) {};
    };

    HookedObject(bridge::ObjectRef inner, std::shared_ptr<Hooks> hooks)
        : inner_(std::move(inner)), hooks_(std::move(hooks)) {}

    static void install(platform::AutomationRegistry& registry, std::shared_ptr<Hooks> hooks) {
        registry.add("com.sun.star.ServiceManager", [hooks] {
            const auto engine = platform::AutomationRegistry::withEmbeddedEngine();
            return bridge::ObjectRef(std::make_shared<HookedObject>(engine.create("com.sun.star.ServiceManager"), hooks));
        });
    }

    bridge::Value invoke(std::string_view member, const bridge::ValueList& args) override {
        // The desktop and the dispatcher are hooked too; documents, frames
        // and property values go back to the engine as they are.
        if (bridge::sameMember(member, "createInstance"))
            return bridge::ObjectRef(std::make_shared<HookedObject>(inner_->invoke(member, args).object(), hooks_));
        hooks_->before(member);
        bridge::Value result = inner_->invoke(member, args);
        hooks_->after(member);
        return result;
    }
    void put(std::string_view property, const bridge::Value& value) override { inner_->put(property, value); }

private:
    bridge::ObjectRef inner_;
    std::shared_ptr<Hooks> hooks_;
};

// The members the engine was asked for, from any thread.
class CallLog {
public:
    void add(std::string_view member) {
        const std::lock_guard lock(mutex_);
        calls_ << QString::fromUtf8(member.data(), qsizetype(member.size()));
    }
    QStringList calls() const {
        const std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    mutable std::mutex mutex_;
    QStringList calls_;
};

// From a thread inside the engine: has the user-interface thread close the
// window, and waits until it has.
bool closeFromEngine(QWidget* window) {
    auto closed = std::make_shared<std::promise<void>>();
    std::future<void> done = closed->get_future();
    QMetaObject::invokeMethod(
        window,
        [window, closed] {
            window->close();
            closed->set_value();
        },
        Qt::QueuedConnection);
    return done.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
}

}  // namespace

class WindowUnderStressTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir made;
    QString sample;  // a small spreadsheet made by LibreOffice

    // Copies of the sample named `names` (".ods" added) in a new folder.
    QStringList copies(const QString& folder, const QStringList& names) {
        QDir().mkpath(folder);
        QStringList paths;
        for (const QString& name : names) {
            const QString path = folder + "/" + name + ".ods";
            if (!QFile::copy(sample, path)) qFatal("cannot copy %s", qPrintable(path));
            paths << path;
        }
        return paths;
    }

    // A window showing its rows, ready to convert `inputs` into `out`.
    static void prepare(TestWindow& t, const QStringList& inputs, const QString& out) {
        QVERIFY(t.load());
        QDir().mkpath(out);
        t.form->Text1->setText(out);
        for (const QString& input : inputs) t.form->ListView1->appendFileRow(input);
        t.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.form.get()));
    }

    // The file each pass of the run worked on, as the progress bar named it.
    static void recordCaptions(TestWindow& t, QStringList& captions) {
        t.duringPause = [&t, &captions] {
            const QString caption = t.form->ProgressBar1->text();
            if (captions.isEmpty() || captions.back() != caption || t.pauses.size() % 2 == 1) captions << caption;
        };
    }

    // "Add All File(s) In Folder" over `folder` for ".ods" files; the window
    // shows the hourglass while it scans and the default pointer afterwards.
    static void addFolder(TestWindow& t, const QString& folder) {
        t.prompts.answerInput(QStringLiteral("ods"));
        t.prompts.answerFolder(folder);
        t.form->PushButton4->click();
    }

    QPoint centreOf(const filelist::FileList& list, int row) {
        return list.visualItemRect(list.topLevelItem(row - 1)).center();
    }
    void mouse(filelist::FileList& list, QEvent::Type type, int row, Qt::MouseButtons held) {
        const QPoint at = centreOf(list, row);
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, list.viewport()->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &event);
    }
    // Presses on row `from`, drags it over row `to` and lets go.
    void drag(filelist::FileList& list, int from, int to) {
        QTest::mousePress(list.viewport(), Qt::LeftButton, {}, centreOf(list, from));
        mouse(list, QEvent::MouseMove, to, Qt::LeftButton);
        mouse(list, QEvent::MouseButtonRelease, to, Qt::NoButton);
    }

private slots:
    void initTestCase() {
        const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (soffice.isEmpty()) QSKIP("LibreOffice is needed to make the input spreadsheet");
        const QString csv = made.filePath("sample.csv");
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Item,Amount\nsample,10\nTotal,1.5\n");
        file.close();
        QProcess office;
        office.start(soffice, {"-env:UserInstallation=file://" + made.filePath("profile"), "--headless",
                               "--convert-to", "ods", "--outdir", made.path(), csv});
        QVERIFY(office.waitForFinished(180000));
        sample = made.filePath("sample.ods");
        QVERIFY2(QFileInfo::exists(sample), qPrintable(office.readAllStandardError()));
    }

    // The folder intake lists ten thousand files of a hundred folders; the
    // event loop turns meanwhile, and the full list still answers every
    // gesture.
    void tenThousandRowsThroughTheFolderIntake() {
        QTemporaryDir tree;
        for (int folder = 0; folder < 100; ++folder) {
            const QString path = tree.filePath(QStringLiteral("batch%1").arg(folder, 3, 10, QChar(u'0')));
            QVERIFY(QDir().mkpath(path));
            for (int file = 0; file < 100; ++file) {
                const QString name = path + QStringLiteral("/sheet%1.ods").arg(file, 3, 10, QChar(u'0'));
                QVERIFY(::link(sample.toLocal8Bit().constData(), name.toLocal8Bit().constData()) == 0);
            }
        }
        TestWindow t;
        prepare(t, {}, t.home.filePath("out"));
        auto& list = *t.form->ListView1;

        int ticks = 0;
        int pointerDuringTicks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            ++ticks;
            pointerDuringTicks = app::mousePointer(t.form.get());
        });
        ticker.start(0);
        addFolder(t, tree.path());
        ticker.stop();

        QCOMPARE(list.count(), 10000);
        QVERIFY2(ticks >= 100, qPrintable(QString::number(ticks)));
        QCOMPARE(pointerDuringTicks, app::kHourglassPointer);
        QCOMPARE(app::mousePointer(t.form.get()), app::kDefaultPointer);
        QVERIFY(t.prompts.messages().empty());
        const QStringList listed = rows(*t.form);
        QCOMPARE(QSet<QString>(listed.begin(), listed.end()).size(), 10000);
        QVERIFY(listed.contains(tree.filePath("batch099/sheet099.ods")));

        // Delete in the middle, a double-click far down, a drag, then Clear List.
        list.setCurrentItem(list.topLevelItem(4999));
        QTest::keyClick(&list, Qt::Key_Delete);
        QCOMPARE(list.count(), 9999);
        QCOMPARE(list.rowText(5000), listed[5000]);
        list.scrollToItem(list.topLevelItem(9000));
        QCoreApplication::processEvents();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centreOf(list, 9001));
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centreOf(list, 9001));
        QCOMPARE(list.count(), 9998);
        QCOMPARE(list.rowText(9001), listed[9002]);
        drag(list, 9001, 9002);
        QCOMPARE(list.rowText(9001), listed[9003]);
        QCOMPARE(list.rowText(9002), listed[9002]);
        t.form->PushButton8->click();
        QCOMPARE(list.count(), 0);
    }

    // A run over ten thousand rows keeps the event loop turning, refuses
    // removals, takes a reorder of rows it has not reached, and goes through
    // every row once. All files but the first and every thousandth vanish
    // once the run has begun: each of those is reported, the rest converted.
    void aRunOverTenThousandRows() {
        QTemporaryDir inputs;
        QStringList listed, kept;
        for (int i = 1; i <= 10000; ++i) {
            const QString name = inputs.filePath(QStringLiteral("sheet%1.ods").arg(i, 5, 10, QChar(u'0')));
            QVERIFY(::link(sample.toLocal8Bit().constData(), name.toLocal8Bit().constData()) == 0);
            listed << name;
            if (i == 1 || i % 1000 == 0) kept << QFileInfo(name).completeBaseName() + ".xls";
        }
        TestWindow t;
        t.clock.speed = 1e12;  // the waits still happen, but take no time
        const QString out = t.home.filePath("out");
        prepare(t, listed, out);
        auto& list = *t.form->ListView1;

        // A timer armed at each wait must have fired by the next one.
        QObject timers;
        bool fired = false;
        int missed = 0;
        QTimer::singleShot(0, &timers, [&] { fired = t.form->converting(); });

        QStringList lastCaptions;
        int rowsAfterGestures = 0;
        int pointerAfterGestures = 0;
        t.duringPause = [&] {
            const size_t pause = t.pauses.size();
            if (!fired) ++missed;
            fired = false;
            QTimer::singleShot(0, &timers, [&] { fired = true; });
            if (pause == 1) {
                for (int i = 2; i < 10000; ++i)  // the first is under way
                    if (i % 1000 != 0) QFile::remove(listed[i - 1]);
            }
            if (pause == 2 * 5000 - 1) {
                list.setCurrentItem(list.topLevelItem(6000));
                QTest::keyClick(&list, Qt::Key_Delete);
                t.form->PushButton8->click();
                list.scrollToItem(list.topLevelItem(9999));
                drag(list, 10000, 9999);
                rowsAfterGestures = list.count();
                pointerAfterGestures = app::mousePointer(t.form.get());
            }
            if (pause >= 2 * 9999 - 1 && pause % 2 == 1) lastCaptions << t.form->ProgressBar1->text();
        };
        t.form->PushButton2->click();

        QCOMPARE(missed, 0);
        QCOMPARE(rowsAfterGestures, 10000);
        QCOMPARE(pointerAfterGestures, app::kHourglassPointer);
        QCOMPARE(lastCaptions, QStringList({"Processing: sheet10000.ods", "Processing: sheet09999.ods"}));
        QCOMPARE(t.pauses.size(), size_t(20000));
        const QList<int> lines = reportedLines(t.prompts);
        QCOMPARE(lines.count(150), 9989);
        QCOMPARE(lines.size(), 9989 * 5);
        QCOMPARE(plainMessages(t.prompts), QStringList{"Done."});
        QCOMPARE(entries(out), kept);
        QCOMPARE(app::mousePointer(t.form.get()), app::kDefaultPointer);
        QVERIFY(!t.form->converting());
    }

    // A Delete waiting in the event queue reaches the list at the first
    // yield, before the hourglass shows: the run goes on with the rows left.
    void removalBeforeTheFirstHourglass_data() {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("converted");
        QTest::newRow("first") << 1 << QStringList{"b.xls", "c.xls"};
        QTest::newRow("middle") << 2 << QStringList{"a.xls", "c.xls"};
        QTest::newRow("last") << 3 << QStringList{"a.xls", "b.xls"};
    }
    void removalBeforeTheFirstHourglass() {
        QFETCH(int, selected);
        QFETCH(QStringList, converted);
        TestWindow t;
        const QString out = t.home.filePath("out");
        prepare(t, copies(t.home.filePath("in"), {"a", "b", "c"}), out);
        t.form->ListView1->setCurrentItem(t.form->ListView1->topLevelItem(selected - 1));
        QCoreApplication::postEvent(t.form->ListView1, new QKeyEvent(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier));
        t.form->PushButton2->click();

        QCOMPARE(t.form->ListView1->count(), 2);
        QCOMPARE(entries(out), converted);
        QCOMPARE(t.pauses.size(), size_t(4));
        QCOMPARE(reportedLines(t.prompts), QList<int>());
        QCOMPARE(plainMessages(t.prompts), QStringList{"Done."});
    }

    void removalAndClearingAreRefusedDuringTheRun() {
        TestWindow t;
        const QString out = t.home.filePath("out");
        prepare(t, copies(t.home.filePath("in"), {"a", "b", "c"}), out);
        auto& list = *t.form->ListView1;
        int rowsAfterGestures = 0;
        t.duringPause = [&] {
            if (t.pauses.size() != 1) return;
            list.setCurrentItem(list.topLevelItem(1));
            QTest::keyClick(&list, Qt::Key_Delete);
            QTest::keyClick(&list, Qt::Key_Delete, Qt::ShiftModifier);
            QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centreOf(list, 3));
            QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centreOf(list, 3));
            QTest::mouseClick(t.form->PushButton8, Qt::LeftButton);
            rowsAfterGestures = list.count();
        };
        t.form->PushButton2->click();
        QCOMPARE(rowsAfterGestures, 3);
        QCOMPARE(entries(out), QStringList({"a.xls", "b.xls", "c.xls"}));
        QCOMPARE(plainMessages(t.prompts), QStringList{"Done."});
    }

    // "Add All File(s) In Folder" during a run ends with the default
    // pointer, so rows can go until the next file shows the hourglass. The
    // run neither skips a row that is left nor takes on the rows added.
    void rowsRemovedOnceAnIntakeLiftsTheHourglass() {
        TestWindow t;
        const QString out = t.home.filePath("out");
        const QStringList inputs = copies(t.home.filePath("in"), {"a", "b", "c", "d"});
        const QStringList added = copies(t.home.filePath("more"), {"e"});
        prepare(t, inputs, out);
        auto& list = *t.form->ListView1;
        QStringList captions;
        recordCaptions(t, captions);
        const auto record = t.duringPause;
        t.duringPause = [&] {
            record();
            if (t.pauses.size() != 1) return;
            addFolder(t, t.home.filePath("more"));
            list.setCurrentItem(list.topLevelItem(0));  // the row under way
            QTest::keyClick(&list, Qt::Key_Delete);
            list.setCurrentItem(list.topLevelItem(1));  // c, not reached yet
            QTest::keyClick(&list, Qt::Key_Delete);
        };
        t.form->PushButton2->click();

        QCOMPARE(rows(*t.form), QStringList({inputs[1], inputs[3], added[0]}));
        QCOMPARE(captions, QStringList({"Processing: a.ods", "Processing: b.ods", "Processing: d.ods"}));
        QCOMPARE(entries(out), QStringList({"a.xls", "b.xls", "d.xls"}));
        QCOMPARE(reportedLines(t.prompts), QList<int>());
        QCOMPARE(plainMessages(t.prompts), QStringList{"Done."});
    }

    void listClearedOnceAnIntakeLiftsTheHourglass() {
        TestWindow t;
        const QString out = t.home.filePath("out");
        prepare(t, copies(t.home.filePath("in"), {"a", "b", "c"}), out);
        QDir().mkpath(t.home.filePath("empty"));
        t.duringPause = [&] {
            if (t.pauses.size() != 1) return;
            addFolder(t, t.home.filePath("empty"));
            t.form->PushButton8->click();
        };
        t.form->PushButton2->click();

        QCOMPARE(t.form->ListView1->count(), 0);
        // The file under way is finished; the run ends after it.
        QCOMPARE(entries(out), QStringList{"a.xls"});
        QCOMPARE(t.pauses.size(), size_t(2));
        QCOMPARE(reportedLines(t.prompts), QList<int>());
        QCOMPARE(plainMessages(t.prompts), QStringList{"Done."});
        QCOMPARE(app::mousePointer(t.form.get()), app::kDefaultPointer);
        QCOMPARE(t.form->ProgressBar1->text(), QStringLiteral("Progress Bar"));
        QVERIFY(!t.form->converting());
    }

    // Dragging stays allowed under the hourglass: rows the run has not
    // reached are converted in their new order.
    void rowsDraggedDuringTheRun() {
        TestWindow t;
        const QString out = t.home.filePath("out");
        prepare(t, copies(t.home.filePath("in"), {"a", "b", "c"}), out);
        QStringList captions;
        recordCaptions(t, captions);
        const auto record = t.duringPause;
        int pointerAfterDrag = 0;
        t.duringPause = [&] {
            record();
            if (t.pauses.size() != 1) return;
            drag(*t.form->ListView1, 3, 2);
            pointerAfterDrag = app::mousePointer(t.form.get());
        };
        t.form->PushButton2->click();

        QCOMPARE(pointerAfterDrag, app::kHourglassPointer);
        QCOMPARE(captions, QStringList({"Processing: a.ods", "Processing: c.ods", "Processing: b.ods"}));
        QCOMPARE(entries(out), QStringList({"a.xls", "b.xls", "c.xls"}));
        QCOMPARE(plainMessages(t.prompts), QStringList{"Done."});
    }

    // The window closes while a worker is inside the engine loading the
    // first file: the load is waited for, and nothing of the run follows.
    void closedWhileTheEngineLoads() {
        TestWindow t;
        const QString out = t.home.filePath("out");
        auto hooks = std::make_shared<HookedObject::Hooks>();
        CallLog log;
        std::atomic<bool> closedInside = false;
        std::atomic<bool> loaded = false;
        const QThread* uiThread = QThread::currentThread();
        hooks->before = [&](std::string_view member) {
            log.add(member);
            if (member == "loadComponentFromURL" && QThread::currentThread() != uiThread)
                closedInside = closeFromEngine(t.form.get());
        };
        hooks->after = [&](std::string_view member) {
            if (member == "loadComponentFromURL") loaded = true;
        };
        HookedObject::install(t.registry, hooks);
        prepare(t, copies(t.home.filePath("in"), {"a", "b"}), out);
        t.form->PushButton2->click();

        QVERIFY(closedInside);
        QVERIFY(loaded);
        QCOMPARE(t.processEnds, 1);
        QVERIFY(!t.form->isVisible());
        QCOMPARE(log.calls(), QStringList{"loadComponentFromURL"});
        QVERIFY(t.pauses.empty());
        QCOMPARE(entries(out), QStringList());
        QVERIFY(t.prompts.messages().empty());
    }

    // As the program runs: closing ends the application's event loop while
    // a worker saves. The save completes into place, no temporary file is
    // left, and the event loop ends once the run has let go.
    void closedWhileTheEngineSavesInTheApplicationLoop() {
        TestWindow t;
        const QString out = t.home.filePath("out");
        auto hooks = std::make_shared<HookedObject::Hooks>();
        CallLog log;
        std::atomic<bool> closedInside = false;
        hooks->before = [&](std::string_view member) {
            log.add(member);
            if (member == "executeDispatch") closedInside = closeFromEngine(t.form.get());
        };
        HookedObject::install(t.registry, hooks);
        t.onProcessEnd = [] { QCoreApplication::exit(0); };
        prepare(t, copies(t.home.filePath("in"), {"a", "b"}), out);

        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        watchdog.start(120000);
        QTimer::singleShot(0, t.form->PushButton2, &QPushButton::click);
        QCOMPARE(QCoreApplication::exec(), 0);

        QVERIFY(closedInside);
        QCOMPARE(t.processEnds, 1);
        QCOMPARE(log.calls(), QStringList({"loadComponentFromURL", "Bridge_GetStruct", "Bridge_GetStruct",
                                           "executeDispatch"}));
        QCOMPARE(t.pauses.size(), size_t(1));
        QCOMPARE(entries(out), QStringList{"a.xls"});
        QVERIFY2(readBack(out + "/a.xls").contains("'sample'"), qPrintable(readBack(out + "/a.xls")));
        QVERIFY(t.prompts.messages().empty());
    }

    // Inputs that vanish, turn into a folder or are overwritten with
    // rubbish after they were listed: each is reported at the load and the
    // steps that need its document, and the run goes on.
    void inputsThatChangeUnderTheRun() {
        TestWindow t;
        const QString out = t.home.filePath("out");
        const QStringList inputs = copies(t.home.filePath("in"), {"a", "gone", "folder", "rubbish", "e"});
        prepare(t, inputs, out);
        t.duringPause = [&] {
            if (t.pauses.size() != 1) return;
            QVERIFY(QFile::remove(inputs[1]));
            QVERIFY(QFile::remove(inputs[2]));
            QVERIFY(QDir().mkdir(inputs[2]));
            QFile rubbish(inputs[3]);
            QVERIFY(rubbish.open(QIODevice::WriteOnly | QIODevice::Truncate));
            rubbish.write("PK\x03\x04 no longer a spreadsheet");
        };
        t.form->PushButton2->click();

        const QList<int> lines = reportedLines(t.prompts);
        QCOMPARE(lines.count(150), 3);
        QCOMPARE(lines.count(168), 3);
        QStringList loadReports;
        for (const auto& message : t.prompts.messages())
            if (message.text.contains(testing::kRunLocation + "at line 150")) loadReports << message.text;
        for (int k = 0; k < 3; ++k)
            QVERIFY2(loadReports[k].contains(QFileInfo(inputs[k + 1]).fileName()), qPrintable(loadReports[k]));
        QCOMPARE(plainMessages(t.prompts), QStringList{"Done."});
        QCOMPARE(t.prompts.messages().back().text, QStringLiteral("Done."));
        QCOMPARE(entries(out), QStringList({"a.xls", "e.xls"}));
        QVERIFY(QFileInfo(inputs[2]).isDir());
    }

    void inputMadeUnreadableUnderTheRun() {
        if (::geteuid() == 0) QSKIP("the superuser reads files whatever their permissions");
        TestWindow t;
        const QString out = t.home.filePath("out");
        const QStringList inputs = copies(t.home.filePath("in"), {"a", "locked", "c"});
        prepare(t, inputs, out);
        t.duringPause = [&] {
            if (t.pauses.size() == 1) QVERIFY(::chmod(inputs[1].toLocal8Bit().constData(), 0) == 0);
        };
        t.form->PushButton2->click();
        QCOMPARE(reportedLines(t.prompts).count(150), 1);
        QCOMPARE(plainMessages(t.prompts), QStringList{"Done."});
        QCOMPARE(entries(out), QStringList({"a.xls", "c.xls"}));
    }

    // The target name taken by a folder, then the output folder removed:
    // the saves are reported, the folder in the way stays as it was, and no
    // output folder or temporary file is made.
    void outputsThatCannotBeWritten() {
        TestWindow t;
        const QString out = t.home.filePath("out");
        prepare(t, copies(t.home.filePath("in"), {"a", "b", "c"}), out);
        QStringList afterFirstFile;
        t.duringPause = [&] {
            if (t.pauses.size() == 1) QVERIFY(QDir().mkpath(out + "/a.xls/kept"));
            if (t.pauses.size() != 3) return;
            afterFirstFile = entries(out) + entries(out + "/a.xls");
            QVERIFY(QDir(out).removeRecursively());
        };
        t.form->PushButton2->click();

        QCOMPARE(afterFirstFile, QStringList({"a.xls", "kept"}));
        QCOMPARE(reportedLines(t.prompts), QList<int>({168, 168, 168}));
        QCOMPARE(plainMessages(t.prompts), QStringList{"Done."});
        QVERIFY(!QFileInfo::exists(out));
    }
};

QTEST_MAIN(WindowUnderStressTest)
#include "window_under_stress_test.moc"
