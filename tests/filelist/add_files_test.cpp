// "Add ODS File(s)" on the real window: the dialog's request, and the rows
// each form of its answer gives.
#include "../app/test_window.h"
#include "filelist/add_files.h"
#include "platform/failure.h"

#include <QtTest>

using namespace brindlemoor;
using testing::TestWindow;

namespace {

QStringList rows(const filelist::FileList& list) {
    QStringList texts;
    for (int row = 1; row <= list.count(); ++row) texts << list.rowText(row);
    return texts;
}

bool rowFails(const filelist::FileList& list, int row) {
    try {
        list.rowText(row);
    } catch (const platform::Failure&) {
        return true;
    }
    return false;
}

}  // namespace

class AddFilesTest : public QObject {
    Q_OBJECT

private slots:
    void listModelBasics() {
        filelist::FileList list;
        QCOMPARE(list.count(), 0);
        list.appendFileRow("/data/a.ods");
        list.appendFileRow("/data/a.ods");
        list.appendFileRow("notes.txt");
        QCOMPARE(list.count(), 3);
        QCOMPARE(rows(list), QStringList({"/data/a.ods", "/data/a.ods", "notes.txt"}));
        QVERIFY(rowFails(list, 0));
        QVERIFY(rowFails(list, 4));
    }

    void requestAndCancel() {
        TestWindow t;
        QVERIFY(t.load());
        QTest::mouseClick(t.form->PushButton1, Qt::LeftButton);
        QCOMPARE(t.prompts.openRequests().size(), size_t(1));
        const auto& request = t.prompts.openRequests()[0];
        QCOMPARE(request.title, QStringLiteral("Add File(s) - Use Ctrl & Shift to select multiple files"));
        QCOMPARE(request.filter, QStringLiteral("Calc Spreadsheets (*.ods;*.ots;*.sxc;*.stc)|*.ods;*.ots;*.sxc;*.stc|All Files (*.*)|*.*"));
        QVERIFY(request.multipleSelection);
        QCOMPARE(request.bufferChars, 30000);
        QCOMPARE(t.form->ListView1->count(), 0);
        QVERIFY(t.prompts.messages().empty());
    }

    void oneFileAsReturnedAndAgain() {
        TestWindow t;
        QVERIFY(t.load());
        t.prompts.answerOpenDialogWithFiles({"/home/ann//books/a.ods"}, u'/');
        t.prompts.answerOpenDialogWithFiles({"/home/ann//books/a.ods"}, u'/');
        QTest::mouseClick(t.form->PushButton1, Qt::LeftButton);
        QTest::mouseClick(t.form->PushButton1, Qt::LeftButton);
        // One file is listed exactly as the dialog returned it, duplicates too.
        QCOMPARE(rows(*t.form->ListView1), QStringList({"/home/ann//books/a.ods", "/home/ann//books/a.ods"}));
    }

    void threeFilesInDialogOrder() {
        TestWindow t;
        QVERIFY(t.load());
        t.prompts.answerOpenDialogWithFiles({"/home/ann/c.ods", "/home/ann/a.ots", "/home/ann/b.sxc"}, u'/');
        QTest::mouseClick(t.form->PushButton1, Qt::LeftButton);
        QCOMPARE(rows(*t.form->ListView1), QStringList({"/home/ann/c.ods", "/home/ann/a.ots", "/home/ann/b.sxc"}));
    }

    void posixRootSelection() {
        TestWindow t;
        QVERIFY(t.load());
        t.prompts.answerOpenDialogWithFiles({"/a.ods", "/b.ods"}, u'/');
        QTest::mouseClick(t.form->PushButton1, Qt::LeftButton);
        QCOMPARE(rows(*t.form->ListView1), QStringList({"/a.ods", "/b.ods"}));
    }

    void windowsFlavour() {
        platform::ScriptedPrompts prompts;
        filelist::FileList list;
        const QChar nul(u'\0');
        prompts.answerOpenDialogText(QString("C:\\") + nul + "a.ods" + nul + "b.ods");
        prompts.answerOpenDialogText("C:\\a.ods");
        prompts.answerOpenDialogText(QString("\\\\srv\\share\\in") + nul + "x.ods" + nul + "y.ods");
        for (int i = 0; i < 3; ++i) filelist::addFilesFromDialog(prompts, list, u'\\');
        QCOMPARE(rows(list), QStringList({"C:\\a.ods", "C:\\b.ods", "C:\\a.ods", "\\\\srv\\share\\in\\x.ods",
                                          "\\\\srv\\share\\in\\y.ods"}));
        QVERIFY(prompts.messages().empty());
    }

    void tooManyFilesAddsNothing() {
        TestWindow t;
        QVERIFY(t.load());
        QStringList many;
        for (int i = 0; i < 1500; ++i) many << QStringLiteral("/data/quarterly-results-%1.ods").arg(i, 4, 10, QChar(u'0'));
        t.prompts.answerOpenDialogWithFiles(many, u'/');
        QTest::mouseClick(t.form->PushButton1, Qt::LeftButton);
        QCOMPARE(t.form->ListView1->count(), 0);
        QCOMPARE(t.prompts.messages().size(), size_t(1));
        const auto& message = t.prompts.messages()[0];
        QCOMPARE(message.text, QStringLiteral("You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button."));
        QCOMPARE(message.title, QStringLiteral("Brindlemoor"));
        QCOMPARE(message.buttons, platform::Buttons::Ok);
        QCOMPARE(message.icon, platform::Icon::None);
    }
};

QTEST_MAIN(AddFilesTest)
#include "add_files_test.moc"
