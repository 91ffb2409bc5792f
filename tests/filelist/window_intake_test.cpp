// Filling the main window's list: "Add All File(s) In Folder", drops from a
// file manager and the sample files, with scripted prompts.
#include "../app/test_window.h"

#include "app/application_title.h"
#include "app/mouse_pointer.h"
#include "fake_file_facts.h"
#include "filelist/add_folder.h"
#include "filelist/drop_intake.h"
#include "filelist/sample_files.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTimer>
#include <QtTest>

using namespace brindlemoor;
using testing::TestWindow;

namespace {

QStringList rows(const app::Form1& form) {
    QStringList texts;
    for (int row = 1; row <= form.ListView1->count(); ++row) texts << form.ListView1->rowText(row);
    return texts;
}

void makeFile(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

// Sends a drag over the list and drops it there; true when the list took it.
bool dragAndDrop(app::Form1& form, QMimeData& data) {
    QWidget* target = form.ListView1->viewport();
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    const bool accepted = enter.isAccepted() && move.isAccepted() && move.dropAction() != Qt::IgnoreAction;
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return accepted;
}

}  // namespace

class WindowIntakeTest : public QObject {
    Q_OBJECT

private slots:
    void cancellingTheExtensionPromptEndsTheAction() {
        TestWindow window;
        QVERIFY(window.load());
        window.prompts.answerInput(std::nullopt);
        window.form->PushButton4->click();

        QCOMPARE(window.prompts.inputRequests().size(), std::size_t(1));
        const auto& asked = window.prompts.inputRequests()[0];
        QCOMPARE(asked.prompt, QStringLiteral("Enter file extension to load:\r\r(* for all files, txt for all txt "
                                              "files, doc for all doc files, etc.)"));
        QCOMPARE(asked.title, app::applicationTitle());
        QCOMPARE(asked.preset, QStringLiteral("*"));
        QVERIFY(window.prompts.folderRequests().empty());
        QCOMPARE(window.settings.read(filelist::kExtensionSetting, QStringLiteral("absent")), QStringLiteral("absent"));
        QCOMPARE(window.form->ListView1->count(), 0);
    }

    void cancellingTheFolderChooserKeepsTheNewExtension() {
        TestWindow window;
        QVERIFY(window.load());
        window.settings.write(filelist::kLastFolderSetting, QStringLiteral("/earlier"));
        window.prompts.answerInput(QStringLiteral("ods"));
        window.form->PushButton4->click();

        QCOMPARE(window.prompts.folderRequests().size(), std::size_t(1));
        QCOMPARE(window.prompts.folderRequests()[0].title, QStringLiteral("Please select folder:"));
        QCOMPARE(window.prompts.folderRequests()[0].startFolder, QStringLiteral("/earlier"));
        QCOMPARE(window.settings.read(filelist::kExtensionSetting, QString()), QStringLiteral("ods"));
        QCOMPARE(window.settings.read(filelist::kLastFolderSetting, QString()), QStringLiteral("/earlier"));
        QCOMPARE(window.form->ListView1->count(), 0);
        QVERIFY(window.prompts.messages().empty());
    }

    void addsTheTreeWithTheHourglassAndRemembersBothAnswers() {
        TestWindow window;
        QVERIFY(window.load());
        const QString tree = window.home.filePath(QStringLiteral("tree"));
        makeFile(tree + QStringLiteral("/a.ods"));
        makeFile(tree + QStringLiteral("/b.txt"));
        makeFile(tree + QStringLiteral("/sub/c.ods"));
        window.form->ListView1->appendFileRow(QStringLiteral("/kept/first.ods"));
        window.form->ListView1->setCurrentItem(window.form->ListView1->topLevelItem(0));

        // What the window shows, and refuses, while the scan yields.
        int pointerDuringScan = -1;
        QTimer::singleShot(0, window.form.get(), [&] {
            pointerDuringScan = app::mousePointer(window.form.get());
            QTest::keyClick(window.form->ListView1, Qt::Key_Delete);
            window.form->PushButton8->click();
        });
        window.prompts.answerInput(QStringLiteral("ods"));
        window.prompts.answerFolder(tree);
        window.form->PushButton4->click();

        QCOMPARE(pointerDuringScan, int(app::kHourglassPointer));
        QCOMPARE(app::mousePointer(window.form.get()), int(app::kDefaultPointer));
        QCOMPARE(rows(*window.form), (QStringList{"/kept/first.ods", tree + "/a.ods", tree + "/sub/c.ods"}));
        QVERIFY(window.prompts.messages().empty());

        // The next use, in a window started again, proposes both answers.
        window.create();
        QVERIFY(window.form->formLoad());
        window.prompts.answerInput(QStringLiteral("*"));
        window.prompts.answerFolder(tree);
        window.form->PushButton4->click();
        QCOMPARE(window.prompts.inputRequests().back().preset, QStringLiteral("ods"));
        QCOMPARE(window.prompts.folderRequests().back().startFolder, tree);
        QCOMPARE(rows(*window.form), (QStringList{tree + "/a.ods", tree + "/b.txt", tree + "/sub/c.ods"}));
    }

    void dropsTwoFilesAndAFolderInDropOrder() {
        TestWindow window;
        QVERIFY(window.load());
        const QString folder = window.home.filePath(QStringLiteral("dropped"));
        makeFile(folder + QStringLiteral("/x.ods"));
        makeFile(folder + QStringLiteral("/deeper/y.txt"));
        makeFile(folder + QStringLiteral("/~$x.ods"));
        const QString first = window.home.filePath(QStringLiteral("first.ods"));
        makeFile(first);
        // A file is listed as delivered: not tested for existence or extension.
        const QString second = window.home.filePath(QStringLiteral("never made.xyz"));
        window.form->ListView1->appendFileRow(first);

        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second), QUrl::fromLocalFile(folder + "/")});
        QVERIFY(dragAndDrop(*window.form, data));
        QCOMPARE(rows(*window.form),
                 (QStringList{first, first, second, folder + "/x.ods", folder + "/deeper/y.txt"}));
        QCOMPARE(app::mousePointer(window.form.get()), int(app::kDefaultPointer));
        QVERIFY(window.prompts.messages().empty());
    }

    void dropsOfAnythingButLocalFilesAreRefused() {
        TestWindow window;
        QVERIFY(window.load());
        QMimeData text;
        text.setText(QStringLiteral("/etc/hostname"));
        QVERIFY(!dragAndDrop(*window.form, text));
        QMimeData web;
        web.setUrls({QUrl(QStringLiteral("https://example.org/book.ods"))});
        QVERIFY(!dragAndDrop(*window.form, web));
        QCOMPARE(window.form->ListView1->count(), 0);
    }

    void dropFailuresAreReportedAndTheDropGoesOn() {
        filelist::testing::FakeFileFacts facts;
        facts.addFolder(QStringLiteral("C:\\"), 22);
        facts.addFile(QStringLiteral("C:\\top.ods"));
        facts.addFile(QStringLiteral("C:\\Data\\broken.ods"));
        facts.addFile(QStringLiteral("C:\\Data\\fine.ods"));
        facts.failAttributesOf(QStringLiteral("C:\\Data\\broken.ods"));
        platform::ScriptedPrompts prompts;
        filelist::FileList list;
        const filelist::FolderScan scan{facts, prompts, u'\\', [] {}};

        filelist::addDroppedPaths(scan, list, {QStringLiteral("C:\\"), QStringLiteral("E:\\gone.ods")});
        QStringList texts;
        for (int row = 1; row <= list.count(); ++row) texts << list.rowText(row);
        QCOMPARE(texts, (QStringList{"C:\\top.ods", "C:\\Data\\fine.ods", "E:\\gone.ods"}));
        QCOMPARE(prompts.messages().size(), std::size_t(1));
        QVERIFY(prompts.messages()[0].text.contains(
            QStringLiteral("in Quillfen2021/08/31.Form1.ListView1_OLEDragDrop at line 134")));
    }

    void samplesRecordedAtTheFirstStartAndLoadedOnce() {
        TestWindow window;
        const QString samples = window.programFolder + QStringLiteral("/Samples/");
        for (const char* name : {"Budget.ods", "Sales.ods", "Timeline.ods"}) makeFile(samples + name);
        QVERIFY(window.load());
        const QStringList recorded{samples + "Budget.ods", samples + "Sales.ods", samples + "Timeline.ods"};
        QCOMPARE(filelist::unscrambleText(window.settings.read(filelist::kSnapshotSetting, QString()),
                                          filelist::kSampleListKey, nullptr),
                 recorded.join(u'|'));

        window.prompts.answerMessage(platform::Answer::No);
        window.form->PushButton9->click();
        QCOMPARE(rows(*window.form), recorded);
        window.prompts.answerMessage(platform::Answer::Yes);
        window.form->PushButton9->click();
        QCOMPARE(rows(*window.form), recorded);
        QCOMPARE(window.prompts.messages().size(), std::size_t(2));
        QCOMPARE(window.prompts.messages()[1].text, filelist::kOpenSampleFolderQuestion);
        QCOMPARE(window.prompts.shellOpened(), QStringList{samples});

        // Another letter case is another path.
        window.form->PushButton8->click();
        window.form->ListView1->appendFileRow(recorded[0].toUpper());
        window.form->PushButton9->click();
        QCOMPARE(rows(*window.form), QStringList{recorded[0].toUpper()} + recorded);
    }

    void recordingWaitsForSamplesAndHappensOnce() {
        TestWindow window;
        QDir().mkpath(window.programFolder + QStringLiteral("/Samples"));
        QVERIFY(window.load());
        QCOMPARE(window.settings.read(filelist::kSnapshotSetting, QStringLiteral("absent")), QString());

        const QString first = window.programFolder + QStringLiteral("/Samples/First.ods");
        makeFile(first);
        window.create();
        QVERIFY(window.form->formLoad());
        const QString stored = window.settings.read(filelist::kSnapshotSetting, QString());
        QCOMPARE(filelist::unscrambleText(stored, filelist::kSampleListKey, nullptr), first);

        // A later sample is never offered.
        makeFile(window.programFolder + QStringLiteral("/Samples/Later.ods"));
        window.create();
        QVERIFY(window.form->formLoad());
        QCOMPARE(window.settings.read(filelist::kSnapshotSetting, QString()), stored);
        window.form->PushButton9->click();
        QCOMPARE(rows(*window.form), QStringList{first});
    }
};

QTEST_MAIN(WindowIntakeTest)
#include "window_intake_test.moc"
