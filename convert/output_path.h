// Where the result of one input file goes, and the URLs handed to the
// office side.
#pragma once

#include <QChar>
#include <QString>

namespace brindlemoor::convert {

// The output's name without its extension, ending in ".": the input's file
// name up to and including its last "."; a name without a "." keeps all of
// it ("report" gives "report.").
QString outputStem(const QString& sourcePath, QChar separator);

// The output path before normalising: into `folderText` when `toFolder`, else
// beside the input when `besideOriginal`, else beside the input as well.
QString joinOutputPath(const QString& sourcePath, const QString& stem, bool toFolder, bool besideOriginal,
                       const QString& folderText, QChar separator);

// "\" becomes "/", "xls" is appended, and each "//" becomes "/" (a leading
// "//" of a network path excepted).
QString withForwardSlashes(const QString& path, QChar separator);
QString appendXls(const QString& path);
QString collapseDoubleSlashes(const QString& path);

// The whole chain, for one input: a "/"-separated path ending in ".xls".
QString outputPathFor(const QString& sourcePath, bool toFolder, bool besideOriginal, const QString& folderText,
                      QChar separator);

// A percent-encoded file URL for a local path written with `separator`.
QString fileUrlFor(const QString& path, QChar separator);

}  // namespace brindlemoor::convert
