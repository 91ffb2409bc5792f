// Where each result goes, and the URLs handed to the office side.
#include "convert/output_path.h"

#include <QtTest>

using namespace brindlemoor::convert;

class OutputPathTest : public QObject {
    Q_OBJECT

private slots:
    void outputPaths_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("toFolder");
        QTest::addColumn<bool>("besideOriginal");
        QTest::addColumn<QString>("folderText");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("expected");
        const QChar win(u'\\'), posix(u'/');
        QTest::newRow("only the last dot is replaced")
            << "C:\\in\\Budget.2021.ods" << true << false << "D:\\out\\" << win << "D:/out/Budget.2021.xls";
        QTest::newRow("beside the original") << "C:\\in\\a.ods" << false << true << "ignored" << win << "C:/in/a.xls";
        QTest::newRow("dot in a folder name only") << "C:\\Rel.2\\report" << true << false << "D:\\out\\" << win
                                                   << "D:/out/report.xls";
        QTest::newRow("no dot at all") << "C:\\in\\data" << true << false << "D:\\out\\" << win << "D:/out/data.xls";
        QTest::newRow("folder text without separator") << "C:\\in\\a.ods" << true << false << "D:\\out" << win
                                                       << "D:/out/a.xls";
        QTest::newRow("drive root folder") << "C:\\in\\a.ods" << true << false << "D:\\" << win << "D:/a.xls";
        QTest::newRow("network folder keeps its two slashes")
            << "C:\\in\\a.ods" << true << false << "\\\\srv\\out\\" << win << "//srv/out/a.xls";
        QTest::newRow("neither option: beside the input")
            << "C:\\in\\Budget.2021.ods" << false << false << "D:\\out\\" << win << "C:/in/Budget.2021.xls";
        QTest::newRow("posix into folder") << "/home/ann/in/q1.ods" << true << false << "/tmp/out/" << posix
                                           << "/tmp/out/q1.xls";
        QTest::newRow("posix beside") << "/home/ann/in/q1.v2.ods" << false << true << "" << posix
                                      << "/home/ann/in/q1.v2.xls";
        QTest::newRow("posix doubled separators") << "/home//ann/q.ods" << true << false << "/tmp//out//" << posix
                                                  << "/tmp/out/q.xls";
    }
    void outputPaths() {
        QFETCH(QString, source);
        QFETCH(bool, toFolder);
        QFETCH(bool, besideOriginal);
        QFETCH(QString, folderText);
        QFETCH(QChar, separator);
        QFETCH(QString, expected);
        QCOMPARE(outputPathFor(source, toFolder, besideOriginal, folderText, separator), expected);
    }

    void stems() {
        QCOMPARE(outputStem("C:\\in\\Budget.2021.ods", u'\\'), QStringLiteral("Budget.2021."));
        QCOMPARE(outputStem("C:\\Rel.2\\report", u'\\'), QStringLiteral("report."));
        QCOMPARE(outputStem("/tmp/trailing.", u'/'), QStringLiteral("trailing."));
    }

    void urls_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("url");
        QTest::newRow("drive path") << "C:\\Data\\Q1.ods" << QChar(u'\\') << "file:///C:/Data/Q1.ods";
        QTest::newRow("space, hash and percent are encoded")
            << "/home/ann/Q1 #3 100%.ods" << QChar(u'/') << "file:///home/ann/Q1%20%233%20100%25.ods";
        QTest::newRow("non-ASCII as UTF-8") << "/tmp/Bilanz März.ods" << QChar(u'/') << "file:///tmp/Bilanz%20M%C3%A4rz.ods";
        QTest::newRow("output path") << "D:/out/a.xls" << QChar(u'/') << "file:///D:/out/a.xls";
    }
    void urls() {
        QFETCH(QString, path);
        QFETCH(QChar, separator);
        QFETCH(QString, url);
        QCOMPARE(fileUrlFor(path, separator), url);
    }
};

QTEST_GUILESS_MAIN(OutputPathTest)
#include "output_path_test.moc"
