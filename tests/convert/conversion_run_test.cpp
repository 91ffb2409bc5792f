// Whole conversion runs on the real window: spreadsheets made by
// LibreOffice go in, Excel 97 workbooks come out and are read back by an
// independent reader; refusals, failures, re-entry and a shrinking list.
#include "../app/test_window.h"
#include "app/mouse_pointer.h"
#include "run_messages.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace brindlemoor;
using testing::plainMessages;
using testing::reportedLines;
using testing::TestWindow;

namespace {

// Every cell of every sheet as "sheet!row,col=value" lines, read by xlrd.
QString readBack(const QString& xls) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {"-c",
                  "import sys, xlrd\n"
                  "book = xlrd.open_workbook(sys.argv[1])\n"
                  "for sheet in book.sheets():\n"
                  "    for r in range(sheet.nrows):\n"
                  "        for c in range(sheet.ncols):\n"
                  "            v = sheet.cell_value(r, c)\n"
                  "            if v != '': print('%s!%d,%d=%r' % (sheet.name, r, c, v))\n",
                  xls});
    python.waitForFinished(60000);
    return QString::fromUtf8(python.readAllStandardOutput()) + QString::fromUtf8(python.readAllStandardError());
}

}  // namespace

class ConversionRunTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir inputs;
    QStringList goodFiles;  // LibreOffice-made spreadsheets

private slots:
    void initTestCase() {
        const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (soffice.isEmpty()) QSKIP("LibreOffice is needed to make the input spreadsheets");
        const QStringList names{"alpha", "beta gamma", "delta#2"};
        QStringList csvFiles;
        for (int i = 0; i < names.size(); ++i) {
            const QString csv = inputs.filePath(names[i] + ".csv");
            QFile file(csv);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QStringLiteral("Item,Amount\n%1,%2\nTotal,%3\n").arg(names[i]).arg(10 * (i + 1)).arg(1.5 + i).toUtf8());
            csvFiles << csv;
        }
        QProcess office;
        office.start(soffice, QStringList{"-env:UserInstallation=file://" + inputs.filePath("profile"), "--headless",
                                          "--convert-to", "ods", "--outdir", inputs.path()} +
                                  csvFiles);
        QVERIFY(office.waitForFinished(180000));
        for (const QString& name : names) {
            const QString ods = inputs.filePath(name + ".ods");
            QVERIFY2(QFileInfo::exists(ods), qPrintable(ods + " was not made: " + office.readAllStandardError()));
            goodFiles << ods;
        }
    }

    void emptyListIsRefused() {
        TestWindow t;
        QVERIFY(t.load());
        const QString settingsBefore = t.settings.read("Text1", "?") + t.settings.read("Option1", "?");
        QTest::mouseClick(t.form->PushButton2, Qt::LeftButton);
        QCOMPARE(plainMessages(t.prompts), QStringList{"No files added."});
        QCOMPARE(t.prompts.messages()[0].title, QStringLiteral("Brindlemoor"));
        QCOMPARE(t.prompts.messages()[0].icon, platform::Icon::None);
        QCOMPARE(app::mousePointer(t.form.get()), 0);
        QCOMPARE(t.form->ProgressBar1->text(), QStringLiteral("Progress Bar"));
        QCOMPARE(t.form->ProgressBar1->exactValue(), 0.0);
        QCOMPARE(t.settings.read("Text1", "?") + t.settings.read("Option1", "?"), settingsBefore);
        QVERIFY(!t.form->converting());
        QVERIFY(t.pauses.empty());
    }

    void missingFolderIsRefusedUnlessBesideOriginals() {
        TestWindow t;
        QVERIFY(t.load());
        t.form->ListView1->appendFileRow(goodFiles[0]);
        for (const QString text : {QString(), t.home.filePath("missing/"), goodFiles[0]}) {
            t.form->Text1->setText(text);
            QTest::mouseClick(t.form->PushButton2, Qt::LeftButton);
        }
        QCOMPARE(plainMessages(t.prompts), QStringList(3, "Folder does not exist. Please select another folder."));
        QCOMPARE(app::mousePointer(t.form.get()), 0);
        QCOMPARE(t.form->ProgressBar1->text(), QStringLiteral("Progress Bar"));
        QVERIFY(t.pauses.empty());
        QVERIFY(!t.form->converting());
    }

    void threeFilesIntoAChosenFolder() {
        TestWindow t;
        QVERIFY(t.load());
        const QString out = t.home.filePath("results");
        QDir().mkpath(out);
        t.prompts.answerFolder(out);
        QTest::mouseClick(t.form->PushButton3, Qt::LeftButton);
        for (const QString& file : goodFiles) t.form->ListView1->appendFileRow(file);

        QList<double> progress;
        QStringList captions;
        QList<int> pointers;
        t.duringPause = [&] {
            progress << t.form->ProgressBar1->exactValue();
            captions << t.form->ProgressBar1->text();
            pointers << app::mousePointer(t.form.get());
        };
        QTest::mouseClick(t.form->PushButton2, Qt::LeftButton);

        QCOMPARE(reportedLines(t.prompts), QList<int>());
        QCOMPARE(plainMessages(t.prompts), QStringList{"Done."});
        QCOMPARE(t.pauses, std::vector<double>(6, 2.0));
        QCOMPARE(progress, QList<double>({1.0 / 3 * 100, 1.0 / 3 * 100, 2.0 / 3 * 100, 2.0 / 3 * 100, 100, 100}));
        QCOMPARE(captions[0], QStringLiteral("Processing: alpha.ods"));
        QCOMPARE(captions[2], QStringLiteral("Processing: beta gamma.ods"));
        QCOMPARE(captions[4], QStringLiteral("Processing: delta#2.ods"));
        QCOMPARE(pointers, QList<int>(6, app::kHourglassPointer));
        // Back to idle after the run.
        QCOMPARE(app::mousePointer(t.form.get()), 0);
        QCOMPARE(t.form->ProgressBar1->exactValue(), 0.0);
        QCOMPARE(t.form->ProgressBar1->text(), QStringLiteral("Progress Bar"));
        QVERIFY(!t.form->converting());

        const QString alpha = readBack(out + "/alpha.xls");
        QVERIFY2(alpha.contains("Item") && alpha.contains("'alpha'") && alpha.contains("10.0") && alpha.contains("1.5"),
                 qPrintable(alpha));
        QVERIFY2(readBack(out + "/beta gamma.xls").contains("'beta gamma'"), qPrintable(readBack(out + "/beta gamma.xls")));
        const QString delta = readBack(out + "/delta#2.xls");
        QVERIFY2(delta.contains("'delta#2'") && delta.contains("30.0") && delta.contains("3.5"), qPrintable(delta));
    }

    void besideTheOriginals() {
        TestWindow t;
        QVERIFY(t.load());
        QTemporaryDir here;
        QStringList copies;
        for (const QString& file : goodFiles) {
            const QString copy = here.filePath(QFileInfo(file).fileName());
            QVERIFY(QFile::copy(file, copy));
            copies << copy;
            t.form->ListView1->appendFileRow(copy);
        }
        QTest::mouseClick(t.form->Option2, Qt::LeftButton);
        t.form->Text1->setText("/nowhere/at/all");
        QTest::mouseClick(t.form->PushButton2, Qt::LeftButton);
        QCOMPARE(plainMessages(t.prompts), QStringList{"Done."});
        QCOMPARE(reportedLines(t.prompts), QList<int>());
        for (const QString& copy : copies) {
            const QString xls = copy.left(copy.size() - 3) + "xls";
            QVERIFY2(readBack(xls).contains("Item"), qPrintable(xls + ": " + readBack(xls)));
        }
    }

    void damagedFileBetweenTwoGoodOnes() {
        TestWindow t;
        QVERIFY(t.load());
        QTemporaryDir out;
        t.form->Text1->setText(out.path() + "/");
        const QString damaged = inputs.filePath("damaged.ods");
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("PK\x03\x04 this is no zip archive at all");
        file.close();
        t.form->ListView1->appendFileRow(goodFiles[0]);
        t.form->ListView1->appendFileRow(damaged);
        t.form->ListView1->appendFileRow(goodFiles[1]);
        QTest::mouseClick(t.form->PushButton2, Qt::LeftButton);

        const QList<int> lines = reportedLines(t.prompts);
        QVERIFY2(!lines.isEmpty() && lines.front() == 150, qPrintable(QString::number(lines.value(0))));
        for (const int line : {154, 156, 168, 176}) QVERIFY2(lines.contains(line), qPrintable(QString::number(line)));
        QCOMPARE(plainMessages(t.prompts), QStringList{"Done."});
        QCOMPARE(t.prompts.messages().back().text, QStringLiteral("Done."));
        QVERIFY(readBack(out.filePath("alpha.xls")).contains("'alpha'"));
        QVERIFY(readBack(out.filePath("beta gamma.xls")).contains("'beta gamma'"));
        QVERIFY(!QFileInfo::exists(out.filePath("damaged.xls")));
    }

    void secondClickDuringARunDoesNothing() {
        TestWindow t;
        QVERIFY(t.load());
        QTemporaryDir out;
        t.form->Text1->setText(out.path());
        t.form->ListView1->appendFileRow(goodFiles[0]);
        int clicks = 0;
        t.duringPause = [&] {
            if (clicks++ > 0) return;
            QVERIFY(t.form->converting());
            QTest::mouseClick(t.form->PushButton2, Qt::LeftButton);
        };
        QTest::mouseClick(t.form->PushButton2, Qt::LeftButton);
        QCOMPARE(t.pauses.size(), size_t(2));
        QCOMPARE(plainMessages(t.prompts), QStringList{"Done."});
        QVERIFY(!t.form->converting());

        // After "Done." a new click starts a new run.
        t.duringPause = nullptr;
        QTest::mouseClick(t.form->PushButton2, Qt::LeftButton);
        QCOMPARE(t.pauses.size(), size_t(4));
        QCOMPARE(plainMessages(t.prompts), QStringList({"Done.", "Done."}));
    }

    void listThatShrinksEndsTheRunCleanly() {
        TestWindow t;
        QVERIFY(t.load());
        QTemporaryDir out;
        t.form->Text1->setText(out.path());
        for (const QString& file : goodFiles) t.form->ListView1->appendFileRow(file);
        t.duringPause = [&] {
            if (t.pauses.size() == 1) t.form->ListView1->clear();
        };
        QTest::mouseClick(t.form->PushButton2, Qt::LeftButton);
        QCOMPARE(reportedLines(t.prompts), QList<int>());
        QCOMPARE(plainMessages(t.prompts), QStringList{"Done."});
        QCOMPARE(t.pauses.size(), size_t(2));
        QVERIFY(QFileInfo::exists(out.filePath("alpha.xls")));
        QVERIFY(!QFileInfo::exists(out.filePath("beta gamma.xls")));
        QCOMPARE(app::mousePointer(t.form.get()), 0);
        QCOMPARE(t.form->ProgressBar1->text(), QStringLiteral("Progress Bar"));
    }

    void closingTheWindowStopsTheRun() {
        TestWindow t;
        QVERIFY(t.load());
        QTemporaryDir out;
        t.form->Text1->setText(out.path());
        for (const QString& file : goodFiles) t.form->ListView1->appendFileRow(file);
        t.form->show();
        t.duringPause = [&] {
            if (t.pauses.size() == 1) t.form->close();
        };
        QTest::mouseClick(t.form->PushButton2, Qt::LeftButton);
        QCOMPARE(t.processEnds, 1);
        // Nothing follows the wait under way: no save, no other file, no message.
        QCOMPARE(t.pauses.size(), size_t(1));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(t.prompts.messages().empty());
    }

    void withoutOfficeSuiteEveryFileIsReported() {
        TestWindow t;
        QVERIFY(t.load());
        t.registry.remove("com.sun.star.ServiceManager");
        QTemporaryDir out;
        t.form->Text1->setText(out.path());
        t.form->ListView1->appendFileRow(goodFiles[0]);
        t.form->ListView1->appendFileRow(goodFiles[1]);
        QTest::mouseClick(t.form->PushButton2, Qt::LeftButton);
        QCOMPARE(reportedLines(t.prompts).count(146), 2);
        QVERIFY(t.prompts.messages()[0].text.startsWith("ActiveX component can't create object\r\n"));
        QCOMPARE(plainMessages(t.prompts), QStringList{"Done."});
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList());
    }
};

QTEST_MAIN(ConversionRunTest)
#include "conversion_run_test.moc"
