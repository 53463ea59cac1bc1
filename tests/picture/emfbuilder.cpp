#include "emfbuilder.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr quint32 kHeader = 1;
constexpr quint32 kEof = 14;
constexpr quint32 kSelectObject = 37;
constexpr quint32 kCreatePen = 38;
constexpr quint32 kCreateBrushIndirect = 39;
constexpr quint32 kRectangle = 43;
constexpr quint32 kSetBkMode = 18;
constexpr quint32 kSetTextColor = 24;
constexpr quint32 kExtCreateFontIndirectW = 82;
constexpr quint32 kExtTextOutW = 84;
constexpr quint32 kStretchDiBits = 81;
constexpr quint32 kNullBrush = 0x80000005;
constexpr quint32 kNullPen = 0x80000008;
constexpr quint32 kTransparent = 1;
constexpr quint32 kSrcCopy = 0x00CC0020;
constexpr int kDeviceWidth = 1920; // a 96-dpi reference device
constexpr int kDeviceHeight = 1440;
constexpr int kDeviceWidthMm = 508;
constexpr int kDeviceHeightMm = 381;

QByteArray u32(quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}

QByteArray rectL(const QRect &r)
{
    return u32(quint32(r.left())) + u32(quint32(r.top())) + u32(quint32(r.right())) +
           u32(quint32(r.bottom()));
}

quint32 colorRef(const QColor &c)
{
    return quint32(c.red() | c.green() << 8 | c.blue() << 16);
}

} // namespace

EmfBuilder::EmfBuilder(const QRect &frameHimetric, const QRect &bounds)
{
    // QRect::right() is inclusive, like the format's rectangles.
    QByteArray h = rectL(bounds) + rectL(frameHimetric);
    h += u32(0x464D4520) + u32(0x10000) + u32(0) + u32(0); // signature, version, bytes, records
    h += QByteArray(2 + 2, '\0');                          // handles, reserved
    h += u32(0) + u32(0) + u32(0);                         // description, palette
    h += u32(kDeviceWidth) + u32(kDeviceHeight) + u32(kDeviceWidthMm) + u32(kDeviceHeightMm);
    record(kHeader, h);
    record(kSetBkMode, u32(kTransparent));
}

void EmfBuilder::record(quint32 type, const QByteArray &payload)
{
    bytes_ += u32(type) + u32(quint32(8 + payload.size())) + payload;
    ++records_;
}

void EmfBuilder::solidBrush(const QColor &colour)
{
    const quint32 h = nextHandle_++;
    record(kCreateBrushIndirect, u32(h) + u32(0) + u32(colorRef(colour)) + u32(0));
    record(kSelectObject, u32(h));
}

void EmfBuilder::nullBrush()
{
    record(kSelectObject, u32(kNullBrush));
}

void EmfBuilder::pen(int width, const QColor &colour)
{
    const quint32 h = nextHandle_++;
    record(kCreatePen, u32(h) + u32(0) + u32(quint32(width)) + u32(0) + u32(colorRef(colour)));
    record(kSelectObject, u32(h));
}

void EmfBuilder::nullPen()
{
    record(kSelectObject, u32(kNullPen));
}

void EmfBuilder::rectangle(const QRect &r)
{
    record(kRectangle, u32(quint32(r.left())) + u32(quint32(r.top())) +
                           u32(quint32(r.left() + r.width())) + u32(quint32(r.top() + r.height())));
}

void EmfBuilder::text(const QPoint &at, const QString &text, int pixelHeight, const QColor &colour,
                      quint32 options)
{
    const quint32 h = nextHandle_++;
    QByteArray font = u32(h) + u32(quint32(-pixelHeight)) + QByteArray(12, '\0') + u32(400);
    font += QByteArray(8, '\0'); // italic ... pitch and family
    QByteArray face(64, '\0');
    const QString family = QStringLiteral("Noto Sans CJK JP");
    std::memcpy(face.data(), family.utf16(), size_t(family.size()) * 2);
    record(kExtCreateFontIndirectW, font + face);
    record(kSelectObject, u32(h));
    record(kSetTextColor, u32(colorRef(colour)));

    QByteArray chars(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    chars.append(QByteArray((4 - chars.size() % 4) % 4, '\0'));
    constexpr quint32 kFixed = 8 + 16 + 12 + 40; // head, bounds, mode and scales, EMRTEXT
    QByteArray t = rectL(QRect(0, 0, 0, 0)) + u32(1) + u32(0x3F800000) + u32(0x3F800000);
    t += u32(quint32(at.x())) + u32(quint32(at.y())) + u32(quint32(text.size()));
    t += u32(kFixed) + u32(options) + rectL(QRect(0, 0, 0, 0));
    t += u32(kFixed + quint32(chars.size())); // offDx
    t += chars;
    for (int i = 0; i < text.size(); ++i)
        t += u32(quint32(pixelHeight));
    record(kExtTextOutW, t);
}

void EmfBuilder::stretchedRow(const QRect &destination, const QList<QColor> &columns)
{
    QByteArray bits;
    for (const QColor &c : columns) {
        bits += char(c.blue());
        bits += char(c.green());
        bits += char(c.red());
    }
    bits.append(QByteArray((4 - bits.size() % 4) % 4, '\0'));
    QByteArray bmi = u32(40) + u32(quint32(columns.size())) + u32(1);
    bmi += QByteArray("\x01\x00\x18\x00", 4) + u32(0) + u32(quint32(bits.size()));
    bmi += u32(0) + u32(0) + u32(0) + u32(0);
    constexpr quint32 kFixed = 80;
    QByteArray r = rectL(destination);
    r += u32(quint32(destination.x())) + u32(quint32(destination.y())); // dest
    r += u32(0) + u32(0) + u32(quint32(columns.size())) + u32(1);       // source
    r += u32(kFixed) + u32(quint32(bmi.size()));
    r += u32(kFixed + quint32(bmi.size())) + u32(quint32(bits.size()));
    r += u32(0) + u32(kSrcCopy); // DIB_RGB_COLORS
    r += u32(quint32(destination.width())) + u32(quint32(destination.height()));
    record(kStretchDiBits, r + bmi + bits);
}

QByteArray EmfBuilder::finish()
{
    record(kEof, u32(0) + u32(16) + u32(20));
    QByteArray out = bytes_;
    qToLittleEndian<quint32>(quint32(out.size()), out.data() + 48);
    qToLittleEndian<quint32>(records_, out.data() + 52);
    qToLittleEndian<quint16>(quint16(nextHandle_), out.data() + 56);
    return out;
}
