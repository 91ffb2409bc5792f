// The sample list: its scrambling, its recording and "Load Sample/Example
// Files" on a real program folder.
#include "filelist/sample_files.h"

#include "app/application_title.h"
#include "platform/scripted_prompts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace brindlemoor;
using filelist::FolderScan;

class SampleFilesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir program;
    std::unique_ptr<QTemporaryDir> settingsFolder;
    std::unique_ptr<app::SettingsStore> settings;
    std::unique_ptr<platform::ScriptedPrompts> prompts;
    std::unique_ptr<filelist::FileList> list;

    FolderScan scan() { return filelist::localFolderScan(*prompts); }
    QString samplePath(const QString& name) const { return program.path() + QStringLiteral("/Samples/") + name; }
    void makeSample(const QString& name) {
        QDir().mkpath(program.path() + QStringLiteral("/Samples"));
        QFile file(samplePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QStringList rows() const {
        QStringList texts;
        for (int row = 1; row <= list->count(); ++row) texts << list->rowText(row);
        return texts;
    }
    QString recordedPlainText() const {
        return filelist::unscrambleText(settings->read(filelist::kSnapshotSetting, QString()),
                                        filelist::kSampleListKey, nullptr);
    }

private slots:
    void init() {
        QDir(program.path() + QStringLiteral("/Samples")).removeRecursively();
        settingsFolder = std::make_unique<QTemporaryDir>();
        settings = std::make_unique<app::SettingsStore>(settingsFolder->filePath(QStringLiteral("settings.ini")));
        prompts = std::make_unique<platform::ScriptedPrompts>();
        list = std::make_unique<filelist::FileList>();
        app::setShortTitle();
    }

    void everyByteSurvivesTheRoundTrip() {
        QByteArray all;
        for (int code = 1; code <= 255; ++code) all += static_cast<char>(code);
        const QByteArray key = filelist::kSampleListKey.toLatin1();
        // Each byte at every key position.
        for (int shift = 0; shift < key.size(); ++shift) {
            const QByteArray text = all.mid(shift) + all.left(shift);
            const QByteArray scrambled = filelist::scrambleBytes(text, key, nullptr);
            QCOMPARE(scrambled.size(), text.size());
            QVERIFY(!scrambled.contains('\0'));
            QVERIFY(scrambled != text);
            QCOMPARE(filelist::unscrambleBytes(scrambled, key, nullptr), text);
        }
    }

    void scramblingFollowsTheKeyLetters() {
        // "a" + 'w' (119) = 216; 200 + 'r' (114) = 314, wraps to 59.
        const QByteArray scrambled = filelist::scrambleBytes(QByteArray("a\xc8", 2), "wrenholt", nullptr);
        QCOMPARE(static_cast<unsigned char>(scrambled[0]), 216);
        QCOMPARE(static_cast<unsigned char>(scrambled[1]), 59);
    }

    void anyPathSurvivesTheTextRoundTrip() {
        const QString path = QString::fromUtf8("/home/zoë/Données/表計算 ✓/budget €.ods|/tmp/a b#c%d.ods");
        int yields = 0;
        const QString scrambled = filelist::scrambleText(path, filelist::kSampleListKey, [&] { ++yields; });
        QCOMPARE(yields, path.toUtf8().size());
        QVERIFY(!scrambled.contains(QStringLiteral("Données")));
        QCOMPARE(filelist::unscrambleText(scrambled, filelist::kSampleListKey, nullptr), path);
    }

    void firstStartRecordsTheSampleFolder() {
        makeSample(QStringLiteral("Budget.ods"));
        makeSample(QStringLiteral("Sales.ods"));
        makeSample(QStringLiteral("Timeline.ods"));
        filelist::recordSampleList(scan(), *settings, program.path());

        const QString stored = settings->read(filelist::kSnapshotSetting, QString());
        QVERIFY(!stored.contains(QStringLiteral("Samples")));
        QCOMPARE(recordedPlainText(), (QStringList{samplePath("Budget.ods"), samplePath("Sales.ods"),
                                                   samplePath("Timeline.ods")})
                                          .join(u'|'));
        // The stored form outlives the store object, as it must across starts.
        app::SettingsStore reopened(settingsFolder->filePath(QStringLiteral("settings.ini")));
        QCOMPARE(reopened.read(filelist::kSnapshotSetting, QString()), stored);
    }

    void emptyOrMissingSampleFolderRecordsNothing() {
        filelist::recordSampleList(scan(), *settings, program.path());
        QCOMPARE(settings->read(filelist::kSnapshotSetting, QStringLiteral("absent")), QString());
        QDir().mkpath(program.path() + QStringLiteral("/Samples"));
        filelist::recordSampleList(scan(), *settings, program.path());
        QCOMPARE(settings->read(filelist::kSnapshotSetting, QStringLiteral("absent")), QString());
    }

    void loadingAddsRecordedFilesOnceAndAsksEachTime() {
        makeSample(QStringLiteral("Budget.ods"));
        makeSample(QStringLiteral("Sales.ods"));
        filelist::recordSampleList(scan(), *settings, program.path());
        makeSample(QStringLiteral("Later.ods"));  // after the recording: never offered

        prompts->answerMessage(platform::Answer::No);
        prompts->answerMessage(platform::Answer::No);
        filelist::loadSampleFilesClicked(scan(), *list, *settings, program.path());
        QCOMPARE(rows(), (QStringList{samplePath("Budget.ods"), samplePath("Sales.ods")}));
        filelist::loadSampleFilesClicked(scan(), *list, *settings, program.path());
        QCOMPARE(list->count(), 2);

        QCOMPARE(prompts->messages().size(), std::size_t(2));
        for (const auto& message : prompts->messages()) {
            QCOMPARE(message.text, filelist::kOpenSampleFolderQuestion);
            QCOMPARE(message.title, app::applicationTitle());
            QCOMPARE(message.buttons, platform::Buttons::YesNo);
            QCOMPARE(message.icon, platform::Icon::None);
        }
        QVERIFY(prompts->shellOpened().isEmpty());
    }

    void listedPathInOtherLetterCaseIsAddedAgain() {
        makeSample(QStringLiteral("Budget.ods"));
        filelist::recordSampleList(scan(), *settings, program.path());
        const QString otherCase = samplePath("Budget.ods").toUpper();
        list->appendFileRow(otherCase);
        QVERIFY(!filelist::listContains(*list, samplePath("Budget.ods")));
        filelist::loadSampleFiles(scan(), *list, *settings, program.path());
        QCOMPARE(rows(), (QStringList{otherCase, samplePath("Budget.ods")}));
    }

    void removedSamplesAreSkippedAndYesOpensTheFolder() {
        makeSample(QStringLiteral("Budget.ods"));
        makeSample(QStringLiteral("Gone.ods"));
        filelist::recordSampleList(scan(), *settings, program.path());
        QFile::remove(samplePath("Gone.ods"));

        prompts->answerMessage(platform::Answer::Yes);
        filelist::loadSampleFilesClicked(scan(), *list, *settings, program.path());
        QCOMPARE(rows(), QStringList{samplePath("Budget.ods")});
        QCOMPARE(prompts->shellOpened(), QStringList{program.path() + QStringLiteral("/Samples/")});
    }

    void nothingRecordedStillAsks() {
        filelist::loadSampleFilesClicked(scan(), *list, *settings, program.path());
        QCOMPARE(list->count(), 0);
        QCOMPARE(prompts->messages().size(), std::size_t(1));
        QCOMPARE(prompts->messages()[0].text, filelist::kOpenSampleFolderQuestion);
    }
};

QTEST_MAIN(SampleFilesTest)
#include "sample_files_test.moc"
