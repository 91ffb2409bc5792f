// The settings store: values persist under the program's section, and the
// stored option texts convert as the start-up reads them.
#include "app/settings_store.h"
#include "platform/failure.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace brindlemoor;

class SettingsStoreTest : public QObject {
    Q_OBJECT

private slots:
    void valuesPersistUnderTheSection() {
        QTemporaryDir dir;
        const QString file = dir.filePath("settings.ini");
        {
            app::SettingsStore store(file);
            QCOMPARE(store.read("LastFolderDot", "default"), QStringLiteral("default"));
            store.write("LastFolderDot", "C:\\Out");
            store.write("Text1", "");
        }
        app::SettingsStore again(file);
        QCOMPARE(again.read("LastFolderDot", "default"), QStringLiteral("C:\\Out"));
        QCOMPARE(again.read("Text1", "default"), QString());
        QSettings raw(file, QSettings::IniFormat);
        QCOMPARE(raw.value("Brindlemoor/LastFolderDot").toString(), QStringLiteral("C:\\Out"));
    }

    void optionTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("value");
        QTest::newRow("True") << "True" << true;
        QTest::newRow("False") << "False" << false;
        QTest::newRow("lower case") << "true" << true;
        QTest::newRow("default one") << "1" << true;
        QTest::newRow("default zero") << "0" << false;
        QTest::newRow("minus one") << "-1" << true;
        QTest::newRow("decimal") << "0.5" << true;
    }
    void optionTexts() {
        QFETCH(QString, text);
        QFETCH(bool, value);
        QCOMPARE(app::textToBoolean(text), value);
    }

    void otherTextsAreATypeMismatch() {
        for (const QString text : {"Yes", "", "1x", "Tru"}) {
            try {
                app::textToBoolean(text);
                QFAIL(qPrintable("accepted " + text));
            } catch (const platform::Failure& failure) {
                QCOMPARE(failure.number(), 13);
                QCOMPARE(failure.description(), QStringLiteral("Type mismatch"));
            }
        }
        QCOMPARE(app::booleanToText(true), QStringLiteral("True"));
        QCOMPARE(app::booleanToText(false), QStringLiteral("False"));
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "settings_store_test.moc"
