// The start-up of the main window: what the user sees on a first run, after
// earlier choices, with a bad stored option, with and without the skin and
// cursor files, and with a missing automation server.
#include "app/application_title.h"
#include "app/error_report.h"
#include "app/mouse_pointer.h"
#include "app/startup.h"
#include "app/prerequisites.h"
#include "test_window.h"

#include <QFile>
#include <QHeaderView>
#include <QtEndian>
#include <QtTest>

using namespace brindlemoor;
using testing::TestWindow;

namespace {

void writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// A 16x16 cursor with a PNG image and hotspot (3, 5).
QByteArray smallCursorFile() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    QByteArray cursor(22, '\0');
    qToLittleEndian<quint16>(2, cursor.data() + 2);
    qToLittleEndian<quint16>(1, cursor.data() + 4);
    cursor[6] = 16;
    cursor[7] = 16;
    qToLittleEndian<quint16>(3, cursor.data() + 10);
    qToLittleEndian<quint16>(5, cursor.data() + 12);
    qToLittleEndian<quint32>(quint32(png.size()), cursor.data() + 14);
    qToLittleEndian<quint32>(22, cursor.data() + 18);
    return cursor + png;
}

QString reportFor(const QString& description, int line) {
    return app::errorReportText(description, app::Form1::kLoadLocation, line);
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void firstRun() {
        TestWindow t;
        QVERIFY(t.load());
        auto& form = *t.form;
        QCOMPARE(form.Text1->text(), t.desktop + QDir::separator());
        QVERIFY(form.Option1->isChecked());
        QVERIFY(!form.Option2->isChecked());
        QVERIFY(form.Frame1->isEnabled());
        QCOMPARE(form.ListView1->headerItem()->text(0), QStringLiteral("ODS File(s)"));
        QCOMPARE(form.ListView1->columnCount(), 1);
        QCOMPARE(form.ListView1->columnWidth(0), 467);
        QCOMPARE(form.ListView1->count(), 0);
        QCOMPARE(form.windowTitle(), QStringLiteral("Brindlemoor"));
        QCOMPARE(app::applicationTitle(), QStringLiteral("Brindlemoor"));
        QCOMPARE(form.ProgressBar1->text(), QStringLiteral("Progress Bar"));
        QCOMPARE(form.ProgressBar1->value(), 0);
        QVERIFY(t.prompts.messages().empty());
        QVERIFY(t.prompts.shellOpened().isEmpty());
        // Filling the folder text stored it.
        QCOMPARE(t.settings.read("Text1", "none"), t.desktop + QDir::separator());
    }

    void designLayout() {
        TestWindow t;
        QVERIFY(t.load());
        auto& form = *t.form;
        QCOMPARE(form.size(), QSize(536, 448));
        QCOMPARE(form.ListView1->geometry(), QRect(8, 8, 520, 169));
        QCOMPARE(form.PushButton1->geometry(), QRect(8, 183, 256, 27));
        QCOMPARE(form.PushButton4->geometry(), QRect(272, 183, 256, 27));
        QCOMPARE(form.PushButton8->geometry(), QRect(8, 217, 256, 27));
        QCOMPARE(form.PushButton9->geometry(), QRect(272, 217, 256, 27));
        QCOMPARE(form.Frame5->geometry(), QRect(8, 249, 520, 121));
        QCOMPARE(form.Option1->parentWidget(), form.Frame5);
        QCOMPARE(form.Frame1->geometry(), QRect(32, 34, 456, 54));
        QCOMPARE(form.Text1->parentWidget(), form.Frame1);
        QCOMPARE(form.PushButton3->geometry(), QRect(400, 20, 40, 23));
        QCOMPARE(form.Option2->geometry(), QRect(16, 94, 241, 17));
        QCOMPARE(form.PushButton2->geometry(), QRect(8, 378, 520, 27));
        QCOMPARE(form.ProgressBar1->geometry(), QRect(8, 413, 520, 27));
        QCOMPARE(form.PushButton2->text(), QStringLiteral("Start Converting To XLS"));
        QCOMPARE(form.PushButton9->text(), QStringLiteral("Load Sample/Example Files"));
        QCOMPARE(form.PushButton1->font().pointSizeF(), 11.25);
        QVERIFY(form.PushButton1->font().bold());
        QCOMPARE(form.font().pointSizeF(), 9.0);
        QCOMPARE(form.ListView1->toolTip(), filelist::FileList::kToolTip);
        QVERIFY(!form.ListView1->rootIsDecorated());
    }

    void storedChoicesAreRestored() {
        TestWindow t;
        t.settings.write("Text1", "/srv/results/");
        t.settings.write("Option1", "False");
        t.settings.write("Option2", "True");
        QVERIFY(t.load());
        QCOMPARE(t.form->Text1->text(), QStringLiteral("/srv/results/"));
        QVERIFY(!t.form->Option1->isChecked());
        QVERIFY(t.form->Option2->isChecked());
        QVERIFY(!t.form->Frame1->isEnabled());
    }

    void bothOptionsTrueLeavesTheSecondSelected() {
        TestWindow t;
        t.settings.write("Option1", "True");
        t.settings.write("Option2", "True");
        QVERIFY(t.load());
        QVERIFY(!t.form->Option1->isChecked());
        QVERIFY(t.form->Option2->isChecked());
        QVERIFY(!t.form->Frame1->isEnabled());
    }

    void bothOptionsFalseSelectsNeither() {
        TestWindow t;
        t.settings.write("Option1", "False");
        t.settings.write("Option2", "0");
        QVERIFY(t.load());
        QVERIFY(!t.form->Option1->isChecked());
        QVERIFY(!t.form->Option2->isChecked());
        QVERIFY(!t.form->Frame1->isEnabled());
        QVERIFY(t.prompts.messages().empty());
    }

    void badOptionTextIsReportedAndKeepsTheDesign() {
        TestWindow t;
        t.settings.write("Option1", "Yes please");
        t.settings.write("Option2", "maybe");
        QVERIFY(t.load());
        QCOMPARE(t.prompts.messages().size(), size_t(2));
        QCOMPARE(t.prompts.messages()[0].text, reportFor("Type mismatch", 134));
        QCOMPARE(t.prompts.messages()[1].text, reportFor("Type mismatch", 136));
        QCOMPARE(t.prompts.messages()[0].title, QStringLiteral("Application Error"));
        QVERIFY(!t.form->Option1->isChecked());
        QVERIFY(!t.form->Option2->isChecked());
        QVERIFY(!t.form->Frame1->isEnabled());
    }

    void unknownDesktopIsReportedAtLine132() {
        TestWindow t;
        t.desktop.clear();
        QVERIFY(t.load());
        QCOMPARE(t.prompts.messages().size(), size_t(1));
        QCOMPARE(t.prompts.messages()[0].text, reportFor("Invalid procedure call or argument", 132));
        QCOMPARE(t.form->Text1->text(), QString());
        QVERIFY(t.form->Option1->isChecked());
    }

    void withoutSkinTheLookStays() {
        TestWindow t;
        t.create();
        const QPalette before = t.form->Option1->palette();
        QVERIFY(t.form->formLoad());
        QCOMPARE(t.form->styleSheet(), QString());
        QVERIFY(!t.form->autoFillBackground());
        QCOMPARE(t.form->Option1->palette(), before);
    }

    void skinFileStylesTheWindow() {
        TestWindow t;
        const QByteArray sheet = "QPushButton { color: rgb(10, 20, 30); }";
        writeFile(t.programFolder + "/x/o.cjs", sheet);
        QVERIFY(t.load());
        QCOMPARE(t.form->styleSheet(), QString::fromUtf8(sheet));
        QVERIFY(t.form->autoFillBackground());
        QVERIFY(t.form->Frame5->autoFillBackground());
        t.form->PushButton1->ensurePolished();
        QCOMPARE(t.form->PushButton1->palette().color(QPalette::ButtonText), QColor(10, 20, 30));
        QVERIFY(t.prompts.messages().empty());
    }

    void withoutCursorFileNoMouseIcon() {
        TestWindow t;
        QVERIFY(t.load());
        QVERIFY(!app::hasMouseIcon(t.form.get()));
        QCOMPARE(app::mousePointer(t.form.get()), 0);
    }

    void cursorFileBecomesTheMouseIcon() {
        TestWindow t;
        writeFile(t.programFolder + "/HAND-M.CUR", smallCursorFile());
        QVERIFY(t.load());
        QVERIFY(app::hasMouseIcon(t.form.get()));
        // The pointer itself stays the default until hovering asks for it.
        QCOMPARE(app::mousePointer(t.form.get()), 0);
        app::setMousePointer(t.form.get(), app::kCustomPointer);
        QCOMPARE(t.form->cursor().hotSpot(), QPoint(3, 5));
        QVERIFY(t.prompts.messages().empty());
    }

    void damagedCursorFileCostsOneReport() {
        TestWindow t;
        writeFile(t.programFolder + "/HAND-M.CUR", "not a cursor at all, only text");
        QVERIFY(t.load());
        QCOMPARE(t.prompts.messages().size(), size_t(1));
        QVERIFY(t.prompts.messages()[0].text.contains(app::Form1::kLoadLocation + "at line 104"));
        QVERIFY(!app::hasMouseIcon(t.form.get()));
        QCOMPARE(t.form->ListView1->headerItem()->text(0), QStringLiteral("ODS File(s)"));
    }

    void siteVisitOnlyForSeven() {
        TestWindow t;
        t.siteVisitRandom = 0.065;  // floor(6.5) + 1 = 7
        QVERIFY(t.load());
        QCOMPARE(t.prompts.shellOpened(), QStringList{app::kSiteAddress});
        TestWindow other;
        other.siteVisitRandom = 0.075;
        QVERIFY(other.load());
        QVERIFY(other.prompts.shellOpened().isEmpty());
    }

    void officeSuiteMissingAnswerNo() {
        TestWindow t;
        t.registry.remove("com.sun.star.ServiceManager");
        t.prompts.answerMessage(platform::Answer::No);
        QVERIFY(!t.load());
        QCOMPARE(t.prompts.messages().size(), size_t(1));
        const auto& message = t.prompts.messages()[0];
        QVERIFY(message.text.startsWith("Error 214878392\r\n\r\nOpenOffice is required to run this software. It is not "
                                        "installed on this computer.\r\rWoud you like to open this site now?\r\n\r\n(If"));
        QVERIFY(message.text.endsWith("'About' window to support@brindlemoor.app)"));
        QCOMPARE(message.buttons, platform::Buttons::YesNo);
        QCOMPARE(message.icon, platform::Icon::None);
        QCOMPARE(message.title, QStringLiteral("Brindlemoor"));
        QVERIFY(t.prompts.shellOpened().isEmpty());
        QVERIFY(!t.form->isVisible());
    }

    void officeSuiteMissingAnswerYesOpensTheDownloadPage() {
        TestWindow t;
        t.registry.remove("com.sun.star.ServiceManager");
        t.prompts.answerMessage(platform::Answer::Yes);
        QVERIFY(!t.load());
        QCOMPARE(t.prompts.messages().size(), size_t(1));
        QCOMPARE(t.prompts.shellOpened(), QStringList{"https://www.openoffice.org/download/index.html"});
    }

    void spreadsheetApplicationMissing() {
        TestWindow t;
        t.registry.remove("Excel.Application");
        QVERIFY(!t.load());
        QCOMPARE(t.prompts.messages().size(), size_t(1));
        const auto& message = t.prompts.messages()[0];
        QCOMPARE(message.text, app::spreadsheetApplicationMissingText());
        QVERIFY(message.text.startsWith("Error 842001. A normal instance of Excel could not be created.\r\n\r\n1. Please"));
        QCOMPARE(message.text.count("\r\n\r\n"), 4);
        QCOMPARE(message.buttons, platform::Buttons::Ok);
        QCOMPARE(message.icon, platform::Icon::None);
    }

    void registrySetByEnvironmentIsHonoured() {
        // The program's own registry drops what the environment removes.
        qputenv("BRINDLEMOOR_UNREGISTER", "Excel.Application");
        platform::ScriptedPrompts prompts;
        QVERIFY(app::requireOpenOffice(platform::AutomationRegistry::system(), prompts));
        QVERIFY(!app::requireExcel(platform::AutomationRegistry::system(), prompts));
        qunsetenv("BRINDLEMOOR_UNREGISTER");
    }

    void closingTheWindowEndsTheProcess() {
        TestWindow t;
        QVERIFY(t.load());
        t.form->show();
        t.form->close();
        QCOMPARE(t.processEnds, 1);
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
