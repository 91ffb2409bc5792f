// Taking paths apart, in the Windows syntax exactly as the handlers meet it
// and in the POSIX syntax of this platform; testing what a path names.
#include "app/application_title.h"
#include "app/paths.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace brindlemoor::app;

class PathsTest : public QObject {
    Q_OBJECT

private slots:
    void fileNameOf_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("expected");
        QTest::newRow("drive path") << "C:\\Data\\Q1.ods" << QChar(u'\\') << "Q1.ods";
        QTest::newRow("bare name") << "Q1.ods" << QChar(u'\\') << "Q1.ods";
        QTest::newRow("ends in separator") << "C:\\Data\\" << QChar(u'\\') << "";
        QTest::newRow("network path") << "\\\\srv\\share\\a.ods" << QChar(u'\\') << "a.ods";
        QTest::newRow("posix path") << "/home/ann/Q1.ods" << QChar(u'/') << "Q1.ods";
        QTest::newRow("posix folder") << "/home/ann/" << QChar(u'/') << "";
        QTest::newRow("backslash is a name character on posix") << "/tmp/a\\b.ods" << QChar(u'/') << "a\\b.ods";
    }
    void fileNameOf() {
        QFETCH(QString, path);
        QFETCH(QChar, separator);
        QFETCH(QString, expected);
        QCOMPARE(brindlemoor::app::fileNameOf(path, separator), expected);
    }

    void folderOf_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("expected");
        QTest::newRow("drive path") << "C:\\Data\\Q1.ods" << QChar(u'\\') << "C:\\Data\\";
        QTest::newRow("bare name") << "Q1.ods" << QChar(u'\\') << "";
        QTest::newRow("drive root file") << "C:\\a.ods" << QChar(u'\\') << "C:\\";
        QTest::newRow("posix path") << "/home/ann/Q1.ods" << QChar(u'/') << "/home/ann/";
        QTest::newRow("posix root file") << "/a.ods" << QChar(u'/') << "/";
    }
    void folderOf() {
        QFETCH(QString, path);
        QFETCH(QChar, separator);
        QFETCH(QString, expected);
        QCOMPARE(brindlemoor::app::folderOf(path, separator), expected);
    }

    void normalizePath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("expected");
        const QChar win(u'\\'), posix(u'/');
        QTest::newRow("doubled drive path") << "C:\\\\Data\\\\Q1.ods" << win << "C:\\Data\\Q1.ods";
        QTest::newRow("drive root join") << "C:\\\\a.ods" << win << "C:\\a.ods";
        QTest::newRow("network path keeps two") << "\\\\srv\\share\\a.ods" << win << "\\\\srv\\share\\a.ods";
        QTest::newRow("single leading becomes two") << "\\srv\\a.ods" << win << "\\\\srv\\a.ods";
        QTest::newRow("four leading become two") << "\\\\\\\\srv\\a.ods" << win << "\\\\srv\\a.ods";
        QTest::newRow("run of three inside becomes two") << "C:\\a\\\\\\b" << win << "C:\\a\\\\b";
        QTest::newRow("run of four inside becomes two") << "C:\\a\\\\\\\\b" << win << "C:\\a\\\\b";
        QTest::newRow("only separators") << "\\\\\\" << win << "\\\\";
        QTest::newRow("empty") << "" << win << "";
        QTest::newRow("posix doubled") << "/home//ann//a.ods" << posix << "/home/ann/a.ods";
        QTest::newRow("posix keeps one leading") << "//home/ann/a.ods" << posix << "/home/ann/a.ods";
        QTest::newRow("posix many leading") << "////tmp/a" << posix << "/tmp/a";
        QTest::newRow("posix root join") << "//a.ods" << posix << "/a.ods";
        QTest::newRow("posix relative") << "a//b" << posix << "a/b";
    }
    void normalizePath() {
        QFETCH(QString, path);
        QFETCH(QChar, separator);
        QFETCH(QString, expected);
        QCOMPARE(brindlemoor::app::normalizePath(path, separator), expected);
    }

    void existenceAndFolders() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("a b#1.ods"));
        QFile(file).open(QIODevice::WriteOnly);

        QVERIFY(pathExists(dir.path()));
        QVERIFY(pathExists(file));
        QVERIFY(!pathExists(QString()));
        QVERIFY(!pathExists(dir.filePath(QStringLiteral("missing"))));

        QCOMPARE(isFolder(dir.path()), std::optional<bool>(true));
        QCOMPARE(isFolder(file), std::optional<bool>(false));
        QCOMPARE(isFolder(dir.filePath(QStringLiteral("missing"))), std::nullopt);
        QCOMPARE(isFolder(QString()), std::nullopt);
    }

    void shortTitleCutsAtSpaces_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no space: the whole name") << "Brindlemoor" << "Brindlemoor";
        QTest::newRow("always loses the last word") << "Brindlemoor Batch Converter" << "Brindlemoor Batch";
        QTest::newRow("cut again while longer than 40")
            << "Brindlemoor Spreadsheet Batch Conversion Utility Deluxe" << "Brindlemoor Spreadsheet Batch Conversion";
        QTest::newRow("long without further space stays")
            << "Brindlemoorspreadsheetbatchconversionutility x" << "Brindlemoorspreadsheetbatchconversionutility";
    }
    void shortTitleCutsAtSpaces() {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(shortTitle(name), expected);
    }
};

QTEST_GUILESS_MAIN(PathsTest)
#include "paths_test.moc"
