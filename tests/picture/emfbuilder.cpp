#include "emfbuilder.h"

#include <QtEndian>

#include <uemf.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr U_SIZEL kDevice{1920, 1440}; // a 96-dpi reference device
constexpr U_SIZEL kDeviceMm{508, 381};

// QRect::right() is inclusive, like the format's rectangles.
U_RECTL rectL(const QRect &r)
{
    return U_RECTL{r.left(), r.top(), r.right(), r.bottom()};
}

U_COLORREF colorRef(const QColor &c)
{
    return U_RGB(quint8(c.red()), quint8(c.green()), quint8(c.blue()));
}

} // namespace

EmfBuilder::EmfBuilder(const QRect &frameHimetric, const QRect &bounds)
{
    add(U_EMRHEADER_set(rectL(bounds), rectL(frameHimetric), nullptr, 0, nullptr, kDevice,
                        kDeviceMm, 0));
    add(U_EMRSETBKMODE_set(U_TRANSPARENT));
}

void EmfBuilder::add(char *record)
{
    bytes_.append(record, qFromLittleEndian<quint32>(record + 4));
    ++records_;
    free(record);
}

void EmfBuilder::solidBrush(const QColor &colour)
{
    add(U_EMRCREATEBRUSHINDIRECT_set(nextHandle_, logbrush_set(U_BS_SOLID, colorRef(colour), 0)));
    add(U_EMRSELECTOBJECT_set(nextHandle_++));
}

void EmfBuilder::nullBrush()
{
    add(U_EMRSELECTOBJECT_set(U_NULL_BRUSH | U_STOCK_OBJECT));
}

void EmfBuilder::pen(int width, const QColor &colour)
{
    const U_LOGPEN pen = logpen_set(U_PS_SOLID, U_POINT{width, 0}, colorRef(colour));
    add(U_EMRCREATEPEN_set(nextHandle_, pen));
    add(U_EMRSELECTOBJECT_set(nextHandle_++));
}

void EmfBuilder::nullPen()
{
    add(U_EMRSELECTOBJECT_set(U_NULL_PEN | U_STOCK_OBJECT));
}

void EmfBuilder::rectangle(const QRect &r)
{
    add(U_EMRRECTANGLE_set(U_RECTL{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}));
}

void EmfBuilder::text(const QPoint &at, const QString &text, int pixelHeight, const QColor &colour,
                      quint32 options)
{
    std::vector<uint16_t> face(U_LF_FACESIZE, 0);
    const QString family = QStringLiteral("Noto Sans CJK JP");
    std::copy(family.utf16(), family.utf16() + family.size(), face.begin());
    const U_LOGFONT font =
        logfont_set(-pixelHeight, 0, 0, 0, U_FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, face.data());
    add(U_EMREXTCREATEFONTINDIRECTW_set(nextHandle_, reinterpret_cast<const char *>(&font),
                                        nullptr));
    add(U_EMRSELECTOBJECT_set(nextHandle_++));
    add(U_EMRSETTEXTCOLOR_set(colorRef(colour)));

    QString chars = text;
    std::vector<uint32_t> dx(size_t(text.size()), uint32_t(pixelHeight));
    char *emrText = emrtext_set(U_POINTL{at.x(), at.y()}, uint32_t(text.size()), 2, chars.data(),
                                options, U_RCL_DEF, dx.data());
    add(U_EMREXTTEXTOUTW_set(U_RCL_DEF, U_GM_COMPATIBLE, 1.0f, 1.0f,
                             reinterpret_cast<PU_EMRTEXT>(emrText)));
    free(emrText);
}

void EmfBuilder::stretchedRow(const QRect &destination, const QList<QColor> &columns)
{
    QByteArray bits;
    for (const QColor &c : columns) {
        const char bgr[] = {char(c.blue()), char(c.green()), char(c.red())};
        bits.append(bgr, 3);
    }
    bits.append(QByteArray((4 - bits.size() % 4) % 4, '\0'));
    const int width = int(columns.size());
    PU_BITMAPINFO bmi = bitmapinfo_set(
        bitmapinfoheader_set(width, 1, 1, 24, U_BI_RGB, uint32_t(bits.size()), 0, 0, 0, 0),
        nullptr);
    add(U_EMRSTRETCHDIBITS_set(rectL(destination), U_POINTL{destination.x(), destination.y()},
                               U_POINTL{destination.width(), destination.height()}, U_POINTL{0, 0},
                               U_POINTL{width, 1}, U_DIB_RGB_COLORS, U_SRCCOPY, bmi,
                               uint32_t(bits.size()), bits.data()));
    free(bmi);
}

QByteArray EmfBuilder::finish()
{
    // The end record, without a palette, by hand: libuemf's wants its own file tracker.
    const quint32 eof[] = {U_EMR_EOF, 20, 0, 16, 20};
    bytes_.append(reinterpret_cast<const char *>(eof), sizeof eof);
    ++records_;
    QByteArray out = bytes_;
    qToLittleEndian<quint32>(quint32(out.size()), out.data() + 48);
    qToLittleEndian<quint32>(records_, out.data() + 52);
    qToLittleEndian<quint16>(quint16(nextHandle_), out.data() + 56);
    return out;
}
