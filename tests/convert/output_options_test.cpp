// The output location controls on the real window and the settings that
// mirror them.
#include "../app/test_window.h"
#include "convert/output_options.h"

#include <QtTest>

using namespace brindlemoor;
using testing::TestWindow;

class OutputOptionsTest : public QObject {
    Q_OBJECT

private slots:
    void optionClicksStoreBothKeys() {
        TestWindow t;
        QVERIFY(t.load());
        QTest::mouseClick(t.form->Option2, Qt::LeftButton);
        QVERIFY(t.form->Option2->isChecked());
        QCOMPARE(t.settings.read("Option1", "?"), QStringLiteral("False"));
        QCOMPARE(t.settings.read("Option2", "?"), QStringLiteral("True"));
        QVERIFY(!t.form->Frame1->isEnabled());
        QVERIFY(!t.form->Text1->isEnabled());
        QVERIFY(!t.form->PushButton3->isEnabled());

        QTest::mouseClick(t.form->Option1, Qt::LeftButton);
        QCOMPARE(t.settings.read("Option1", "?"), QStringLiteral("True"));
        QCOMPARE(t.settings.read("Option2", "?"), QStringLiteral("False"));
        QVERIFY(t.form->Frame1->isEnabled());
    }

    void choiceIsRestoredAtTheNextStart() {
        TestWindow t;
        QVERIFY(t.load());
        QTest::mouseClick(t.form->Option2, Qt::LeftButton);
        t.form.reset();
        QVERIFY(t.load());
        QVERIFY(t.form->Option2->isChecked());
        QVERIFY(!t.form->Option1->isChecked());
        QVERIFY(!t.form->Frame1->isEnabled());
    }

    void typingStoresEveryKeystroke() {
        TestWindow t;
        QVERIFY(t.load());
        t.form->Text1->clear();
        QCOMPARE(t.settings.read("Text1", "?"), QString());
        QTest::keyClicks(t.form->Text1, "/o");
        QCOMPARE(t.settings.read("Text1", "?"), QStringLiteral("/o"));
        QTest::keyClick(t.form->Text1, Qt::Key_Backspace);
        QCOMPARE(t.settings.read("Text1", "?"), QStringLiteral("/"));
    }

    void folderChooserCancelChangesNothing() {
        TestWindow t;
        t.settings.write("LastFolderDot", "/srv/earlier");
        QVERIFY(t.load());
        const QString text = t.form->Text1->text();
        QTest::mouseClick(t.form->PushButton3, Qt::LeftButton);
        QCOMPARE(t.prompts.folderRequests().size(), size_t(1));
        const auto& request = t.prompts.folderRequests()[0];
        QCOMPARE(request.title, QStringLiteral("Please select folder:"));
        QCOMPARE(request.startFolder, QStringLiteral("/srv/earlier"));
        QCOMPARE(request.owner, static_cast<QWidget*>(t.form.get()));
        QCOMPARE(t.form->Text1->text(), text);
        QCOMPARE(t.settings.read("LastFolderDot", "?"), QStringLiteral("/srv/earlier"));
        QVERIFY(t.prompts.messages().empty());
    }

    void folderChoiceGetsATrailingSeparator() {
        TestWindow t;
        QVERIFY(t.load());
        t.prompts.answerFolder("/srv/out");
        QTest::mouseClick(t.form->PushButton3, Qt::LeftButton);
        QCOMPARE(t.form->Text1->text(), QStringLiteral("/srv/out/"));
        QCOMPARE(t.settings.read("LastFolderDot", "?"), QStringLiteral("/srv/out"));
        QCOMPARE(t.settings.read("Text1", "?"), QStringLiteral("/srv/out/"));
        QVERIFY(t.form->Option1->isChecked());

        // A root keeps its one separator; the chooser opens on the last choice.
        t.prompts.answerFolder("/");
        QTest::mouseClick(t.form->PushButton3, Qt::LeftButton);
        QCOMPARE(t.prompts.folderRequests()[1].startFolder, QStringLiteral("/srv/out"));
        QCOMPARE(t.form->Text1->text(), QStringLiteral("/"));
        QCOMPARE(t.settings.read("LastFolderDot", "?"), QStringLiteral("/"));
    }

    void windowsFolderChoices() {
        TestWindow t;
        t.create();
        platform::ScriptedPrompts prompts;
        const convert::OutputOptionControls controls{t.form->Option1, t.form->Option2, t.form->Frame1, t.form->Text1};
        prompts.answerFolder("C:\\Out");
        prompts.answerFolder("C:\\");
        convert::chooseOutputFolder(prompts, t.settings, t.form.get(), controls, u'\\');
        QCOMPARE(t.form->Text1->text(), QStringLiteral("C:\\Out\\"));
        convert::chooseOutputFolder(prompts, t.settings, t.form.get(), controls, u'\\');
        QCOMPARE(t.form->Text1->text(), QStringLiteral("C:\\"));
        QCOMPARE(t.settings.read("LastFolderDot", "?"), QStringLiteral("C:\\"));
    }
};

QTEST_MAIN(OutputOptionsTest)
#include "output_options_test.moc"
