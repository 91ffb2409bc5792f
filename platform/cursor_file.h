// Windows cursor files (.CUR): an icon directory whose entries carry the
// hotspot, followed by a BMP or PNG image per entry.
#pragma once

#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QString>

namespace brindlemoor::platform {

struct CursorImage {
    QImage image;
    QPoint hotspot;
};

// Decodes the first image of a cursor file. Throws Failure when the data is
// not a cursor file or its image cannot be read.
CursorImage decodeCursorFile(const QByteArray& data);

// Reads and decodes `path` into a cursor with the file's hotspot.
QCursor loadCursorFile(const QString& path);

}  // namespace brindlemoor::platform
