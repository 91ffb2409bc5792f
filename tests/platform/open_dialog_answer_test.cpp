// The open dialog's answer text, composed as the system dialog writes it.
#include "platform/failure.h"
#include "platform/open_dialog_answer.h"

#include <QtTest>

using namespace brindlemoor::platform;

class OpenDialogAnswerTest : public QObject {
    Q_OBJECT

private slots:
    void forms_data() {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("answer");
        const QChar nul(u'\0');
        QTest::newRow("cancel") << QStringList() << QChar(u'\\') << QString();
        QTest::newRow("one file") << QStringList{"C:\\in\\a.ods"} << QChar(u'\\') << "C:\\in\\a.ods";
        QTest::newRow("several") << QStringList{"C:\\in\\a.ods", "C:\\in\\b.ods"} << QChar(u'\\')
                                 << QString("C:\\in") + nul + "a.ods" + nul + "b.ods";
        QTest::newRow("drive root keeps its separator")
            << QStringList{"C:\\a.ods", "C:\\b.ods"} << QChar(u'\\') << QString("C:\\") + nul + "a.ods" + nul + "b.ods";
        QTest::newRow("posix") << QStringList{"/home/a.ods", "/home/b.ods"} << QChar(u'/')
                               << QString("/home") + nul + "a.ods" + nul + "b.ods";
        QTest::newRow("posix root") << QStringList{"/a.ods", "/b.ods"} << QChar(u'/')
                                    << QString("/") + nul + "a.ods" + nul + "b.ods";
    }
    void forms() {
        QFETCH(QStringList, chosen);
        QFETCH(QChar, separator);
        QFETCH(QString, answer);
        QCOMPARE(composeOpenDialogAnswer(chosen, separator, 30000), answer);
    }

    void bufferLimit() {
        // 9 characters of folder, then NUL + 5 per name, and the final NUL.
        const QStringList two{"/tmp/data/a.ods", "/tmp/data/b.ods"};
        const int needed = 9 + 2 * 6 + 1;
        QCOMPARE(composeOpenDialogAnswer(two, u'/', needed).size(), needed - 1);
        try {
            composeOpenDialogAnswer(two, u'/', needed - 1);
            QFAIL("an answer longer than the buffer was accepted");
        } catch (const Failure& failure) {
            QCOMPARE(failure.number(), 20476);
        }
    }
};

QTEST_GUILESS_MAIN(OpenDialogAnswerTest)
#include "open_dialog_answer_test.moc"
