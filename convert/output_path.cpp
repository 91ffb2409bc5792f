#include "convert/output_path.h"

#include "app/paths.h"
#include "office/bridge/file_url.h"

namespace brindlemoor::convert {

QString outputStem(const QString& sourcePath, QChar separator) {
    const QString name = app::fileNameOf(sourcePath, separator);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name + u'.' : name.left(dot + 1);
}

QString joinOutputPath(const QString& sourcePath, const QString& stem, bool toFolder, bool besideOriginal,
                       const QString& folderText, QChar separator) {
    if (toFolder) return folderText + separator + stem;
    if (besideOriginal) return app::folderOf(sourcePath, separator) + separator + stem;
    return app::folderOf(sourcePath, separator) + stem;
}

QString withForwardSlashes(const QString& path, QChar separator) {
    QString result = path;
    return result.replace(separator, u'/');
}

QString appendXls(const QString& path) { return path + QStringLiteral("xls"); }

QString collapseDoubleSlashes(const QString& path) {
    const bool network = path.startsWith(QStringLiteral("//")) && !path.startsWith(QStringLiteral("///"));
    QString result = network ? QStringLiteral("//") : QString();
    const QStringView rest = QStringView(path).mid(network ? 2 : 0);
    for (qsizetype i = 0; i < rest.size(); ++i) {
        result += rest[i];
        if (rest[i] == u'/' && i + 1 < rest.size() && rest[i + 1] == u'/') ++i;
    }
    return result;
}

QString outputPathFor(const QString& sourcePath, bool toFolder, bool besideOriginal, const QString& folderText,
                      QChar separator) {
    const QString stem = outputStem(sourcePath, separator);
    const QString joined = joinOutputPath(sourcePath, stem, toFolder, besideOriginal, folderText, separator);
    const QString normal = app::normalizePath(joined, separator);
    return collapseDoubleSlashes(appendXls(withForwardSlashes(normal, separator)));
}

QString fileUrlFor(const QString& path, QChar separator) {
    const QByteArray utf8 = withForwardSlashes(path, separator).toUtf8();
    return QString::fromStdString(office::bridge::fileUrlFromPath(std::string_view(utf8.constData(), utf8.size())));
}

}  // namespace brindlemoor::convert
