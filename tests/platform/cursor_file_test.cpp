// Windows cursor files: hotspot and image from BMP and PNG payloads, and a
// clear failure for anything else.
#include "platform/cursor_file.h"
#include "platform/failure.h"

#include <QBuffer>
#include <QtEndian>
#include <QtTest>

using namespace brindlemoor::platform;

namespace {

QByteArray directory(int width, int height, QPoint hotspot, int payloadSize) {
    QByteArray header(22, '\0');
    qToLittleEndian<quint16>(2, header.data() + 2);
    qToLittleEndian<quint16>(1, header.data() + 4);
    header[6] = char(width);
    header[7] = char(height);
    qToLittleEndian<quint16>(quint16(hotspot.x()), header.data() + 10);
    qToLittleEndian<quint16>(quint16(hotspot.y()), header.data() + 12);
    qToLittleEndian<quint32>(quint32(payloadSize), header.data() + 14);
    qToLittleEndian<quint32>(22, header.data() + 18);
    return header;
}

// A 32-bit DIB as cursor files hold it: the header's height counts the XOR
// image and the AND mask; rows run bottom-up.
QByteArray bmpPayload(int size, QRgb topLeft, QRgb others) {
    QByteArray dib(40, '\0');
    qToLittleEndian<quint32>(40, dib.data());
    qToLittleEndian<qint32>(size, dib.data() + 4);
    qToLittleEndian<qint32>(size * 2, dib.data() + 8);
    qToLittleEndian<quint16>(1, dib.data() + 12);
    qToLittleEndian<quint16>(32, dib.data() + 14);
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x) {
            QByteArray pixel(4, '\0');
            qToLittleEndian<quint32>((x == 0 && y == 0) ? topLeft : others, pixel.data());
            dib += pixel;
        }
    const int maskRow = ((size + 31) / 32) * 4;
    dib += QByteArray(maskRow * size, '\0');
    return dib;
}

QByteArray pngPayload(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 255, 255));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

template <typename Call>
bool failsWithFailure(Call call) {
    try {
        call();
    } catch (const Failure&) {
        return true;
    }
    return false;
}

}  // namespace

class CursorFileTest : public QObject {
    Q_OBJECT

private slots:
    void bmpCursor() {
        const QByteArray payload = bmpPayload(32, qRgba(255, 0, 0, 255), qRgba(0, 255, 0, 255));
        const CursorImage cursor = decodeCursorFile(directory(32, 32, {6, 1}, int(payload.size())) + payload);
        QCOMPARE(cursor.hotspot, QPoint(6, 1));
        QCOMPARE(cursor.image.size(), QSize(32, 32));
        QCOMPARE(QColor(cursor.image.pixel(0, 0)), QColor(255, 0, 0));
        QCOMPARE(QColor(cursor.image.pixel(5, 9)), QColor(0, 255, 0));
    }

    void pngCursor() {
        const QByteArray payload = pngPayload(48);
        const CursorImage cursor = decodeCursorFile(directory(48, 48, {20, 30}, int(payload.size())) + payload);
        QCOMPARE(cursor.hotspot, QPoint(20, 30));
        QCOMPARE(cursor.image.size(), QSize(48, 48));
    }

    void rejected_data() {
        QTest::addColumn<QByteArray>("data");
        const QByteArray payload = pngPayload(16);
        QByteArray icon = directory(16, 16, {0, 0}, int(payload.size())) + payload;
        qToLittleEndian<quint16>(1, icon.data() + 2);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("this is not a cursor file at all");
        QTest::newRow("icon, not cursor") << icon;
        QTest::newRow("image beyond the end") << directory(16, 16, {0, 0}, 5000) + payload;
        QTest::newRow("garbage image") << directory(16, 16, {0, 0}, 64) + QByteArray(64, 'x');
    }
    void rejected() {
        QFETCH(QByteArray, data);
        QVERIFY(failsWithFailure([&] { decodeCursorFile(data); }));
    }

    void missingFile() { QVERIFY(failsWithFailure([] { loadCursorFile(QStringLiteral("/nonexistent/HAND-M.CUR")); })); }
};

QTEST_MAIN(CursorFileTest)
#include "cursor_file_test.moc"
