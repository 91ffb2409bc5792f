#include "filelist/sample_files.h"

#include "app/application_title.h"
#include "app/failure_trap.h"
#include "app/paths.h"

namespace brindlemoor::filelist {

namespace {

template <typename Combine>
QByteArray walkWithKey(const QByteArray& bytes, const QByteArray& key, const std::function<void()>& yield,
                       Combine combine) {
    QByteArray result(bytes.size(), '\0');
    qsizetype position = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (yield) yield();
        const int code = static_cast<unsigned char>(bytes[i]);
        const int keyCode = static_cast<unsigned char>(key[position]);
        result[i] = static_cast<char>(combine(code, keyCode));
        position = (position + 1) % key.size();
    }
    return result;
}

}  // namespace

QByteArray scrambleBytes(const QByteArray& bytes, const QByteArray& key, const std::function<void()>& yield) {
    return walkWithKey(bytes, key, yield, [](int code, int keyCode) {
        const int sum = code + keyCode;
        return sum > 255 ? sum - 255 : sum;
    });
}

QByteArray unscrambleBytes(const QByteArray& bytes, const QByteArray& key, const std::function<void()>& yield) {
    return walkWithKey(bytes, key, yield, [](int code, int keyCode) {
        const int difference = code - keyCode;
        return difference < 1 ? difference + 255 : difference;
    });
}

QString scrambleText(const QString& text, const QString& key, const std::function<void()>& yield) {
    return QString::fromLatin1(scrambleBytes(text.toUtf8(), key.toLatin1(), yield));
}

QString unscrambleText(const QString& text, const QString& key, const std::function<void()>& yield) {
    return QString::fromUtf8(unscrambleBytes(text.toLatin1(), key.toLatin1(), yield));
}

QString sampleFolder(const QString& programFolder, QChar separator) {
    return programFolder + separator + QStringLiteral("Samples");
}

void recordSampleList(const FolderScan& scan, app::SettingsStore& settings, const QString& programFolder) {
    const QString folder = sampleFolder(programFolder, scan.separator);
    QStringList paths;
    for (const QString& name : listFilesInFolder(scan, folder, QStringLiteral("*.*")))
        paths << folder + scan.separator + name;
    settings.write(kSnapshotSetting, scrambleText(paths.join(u'|'), kSampleListKey, scan.yield));
}

bool listContains(const FileList& list, const QString& path) {
    bool found = false;
    for (int row = 1; row <= list.count(); ++row)
        if (list.rowText(row) == path) found = true;
    return found;
}

void loadSampleFiles(const FolderScan& scan, FileList& list, app::SettingsStore& settings,
                     const QString& programFolder) {
    const QString recorded = unscrambleText(settings.read(kSnapshotSetting, QString()), kSampleListKey, scan.yield);
    for (const QString& path : recorded.split(u'|')) {
        if (app::pathExists(path) && !listContains(list, path)) list.appendFileRow(path);
    }
    const platform::Answer answer = scan.prompts.messageBox(kOpenSampleFolderQuestion, app::applicationTitle(),
                                                            platform::Buttons::YesNo, platform::Icon::None);
    // The folder itself, not a quoted command line: the desktop opens paths.
    if (answer == platform::Answer::Yes)
        scan.prompts.shellOpen(sampleFolder(programFolder, scan.separator) + scan.separator);
}

void loadSampleFilesClicked(const FolderScan& scan, FileList& list, app::SettingsStore& settings,
                            const QString& programFolder) {
    app::FailureTrap trap(scan.prompts, kLoadSamplesLocation);
    trap.step(100, [&] { loadSampleFiles(scan, list, settings, programFolder); });
}

}  // namespace brindlemoor::filelist
