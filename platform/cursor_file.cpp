#include "platform/cursor_file.h"

#include "platform/failure.h"

#include <QFile>
#include <QPixmap>
#include <QtEndian>

namespace brindlemoor::platform {

namespace {

constexpr int kDirectorySize = 6;
constexpr int kEntrySize = 16;
constexpr quint16 kIconType = 1;
constexpr quint16 kCursorType = 2;

quint16 u16(const QByteArray& data, int at) { return qFromLittleEndian<quint16>(data.constData() + at); }
quint32 u32(const QByteArray& data, int at) { return qFromLittleEndian<quint32>(data.constData() + at); }

[[noreturn]] void invalid(const QString& why) {
    throw Failure(failure::kInvalidProcedureCall, QStringLiteral("Invalid picture: ") + why);
}

// A one-entry icon file around a BMP payload, for Qt's icon reader: cursor
// and icon files differ only in the type and in two fields of the entry.
QByteArray iconFileAround(const QByteArray& entry, const QByteArray& payload) {
    QByteArray icon(kDirectorySize + kEntrySize, '\0');
    qToLittleEndian<quint16>(kIconType, icon.data() + 2);
    qToLittleEndian<quint16>(1, icon.data() + 4);
    std::copy(entry.begin(), entry.begin() + 4, icon.begin() + kDirectorySize);
    const quint16 bitCount = payload.size() >= 16 ? u16(payload, 14) : 0;
    qToLittleEndian<quint16>(1, icon.data() + kDirectorySize + 4);
    qToLittleEndian<quint16>(bitCount, icon.data() + kDirectorySize + 6);
    qToLittleEndian<quint32>(quint32(payload.size()), icon.data() + kDirectorySize + 8);
    qToLittleEndian<quint32>(kDirectorySize + kEntrySize, icon.data() + kDirectorySize + 12);
    return icon + payload;
}

}  // namespace

CursorImage decodeCursorFile(const QByteArray& data) {
    if (data.size() < kDirectorySize + kEntrySize) invalid(QStringLiteral("the file is too short"));
    if (u16(data, 0) != 0 || u16(data, 2) != kCursorType) invalid(QStringLiteral("not a cursor file"));
    if (u16(data, 4) == 0) invalid(QStringLiteral("the cursor file holds no image"));

    const QByteArray entry = data.mid(kDirectorySize, kEntrySize);
    const QPoint hotspot(u16(entry, 4), u16(entry, 6));
    const quint32 size = u32(entry, 8);
    const quint32 offset = u32(entry, 12);
    if (offset > quint32(data.size()) || size > quint32(data.size()) - offset)
        invalid(QStringLiteral("the image lies outside the file"));
    const QByteArray payload = data.mid(int(offset), int(size));

    QImage image;
    if (payload.startsWith("\x89PNG"))
        image = QImage::fromData(payload, "PNG");
    else
        image = QImage::fromData(iconFileAround(entry, payload), "ICO");
    if (image.isNull()) invalid(QStringLiteral("the cursor image cannot be read"));
    return {image, hotspot};
}

QCursor loadCursorFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(failure::kFileNotFound, QStringLiteral("File not found: ") + path);
    const CursorImage cursor = decodeCursorFile(file.readAll());
    return QCursor(QPixmap::fromImage(cursor.image), cursor.hotspot.x(), cursor.hotspot.y());
}

}  // namespace brindlemoor::platform
