// The EMF records of objects, text and regions, read into what the GDI device takes.

#include <picture/metafile/emfplayerimpl.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr quint32 kStockFlag = 0x80000000;
constexpr quint32 kMaxFaceChars = 32;
constexpr quint32 kEtoNoRect = 0x100;
constexpr quint32 kEtoSmallChars = 0x200;
constexpr quint32 kEtoGlyphIndex = 0x10;
constexpr quint32 kEtoPdy = 0x2000;
constexpr quint32 kMaxChars = 1 << 16;
constexpr quint32 kMaxUserDashes = 16;
constexpr quint32 kRgnHeaderBytes = 32;
constexpr quint32 kMaxRegionRects = 1 << 16;
constexpr quint32 kMaxPaletteEntries = 1 << 16;

// Stock objects, numbered as GetStockObject's constants.
enum Stock : quint32 {
    WhiteBrush = 0,
    LtGrayBrush = 1,
    GrayBrush = 2,
    DkGrayBrush = 3,
    BlackBrush = 4,
    NullBrush = 5,
    WhitePen = 6,
    BlackPen = 7,
    NullPen = 8,
    OemFixedFont = 10,
    DefaultGuiFont = 17,
    DcBrush = 18,
    DcPen = 19,
};

} // namespace

namespace picture::emf {

// ---- Objects ----------------------------------------------------------------------------------

void Player::selectStock(quint32 index)
{
    gdi::DcState &s = dev_.state();
    const auto solid = [&](QColor c) {
        BrushObject b;
        b.color = c;
        s.brush = b;
    };
    const auto pen = [&](QColor c, quint32 style) {
        PenObject p;
        p.color = c;
        p.style = style;
        s.pen = p;
    };
    switch (index) {
    case WhiteBrush:
    case DcBrush:
        solid(Qt::white);
        break;
    case LtGrayBrush:
        solid(QColor(0xC0, 0xC0, 0xC0));
        break;
    case GrayBrush:
        solid(QColor(0x80, 0x80, 0x80));
        break;
    case DkGrayBrush:
        solid(QColor(0x40, 0x40, 0x40));
        break;
    case BlackBrush:
        solid(Qt::black);
        break;
    case NullBrush: {
        BrushObject b;
        b.style = U_BS_NULL;
        s.brush = b;
        break;
    }
    case WhitePen:
        pen(Qt::white, U_PS_SOLID);
        break;
    case BlackPen:
    case DcPen:
        pen(Qt::black, U_PS_SOLID);
        break;
    case NullPen:
        pen(Qt::black, U_PS_NULL);
        break;
    default:
        if (index >= OemFixedFont && index <= DefaultGuiFont) {
            s.font = FontObject();
            s.font.face = dev_.face(QString(), U_DEFAULT_CHARSET, 0);
        }
        break;
    }
}

const BrushObject *Player::brushAt(quint32 index)
{
    Object *o = dev_.objectAt(index);
    return o ? std::get_if<BrushObject>(o) : nullptr;
}

void Player::createPen(const Rec &r)
{
    PenObject pen;
    pen.style = r.in.u32(12);
    pen.width = std::max(0, r.in.s32(16));
    pen.color = dev_.color(r.color(24));
    dev_.setObject(r.in.u32(8), pen);
}

void Player::extCreatePen(const Rec &r)
{
    PenObject pen;
    pen.extended = true;
    pen.style = r.in.u32(28);
    pen.cosmetic = (pen.style & U_PS_TYPE_MASK) == U_PS_COSMETIC;
    pen.width = pen.cosmetic ? 1 : r.in.u32(32);
    if (r.in.u32(36) == U_BS_NULL)
        pen.style = (pen.style & ~U_PS_STYLE_MASK) | U_PS_NULL;
    pen.color = dev_.color(r.color(40));
    const quint32 entries = std::min(r.in.u32(48), kMaxUserDashes);
    if ((pen.style & U_PS_STYLE_MASK) == U_PS_USERSTYLE && r.in.has(52, entries * 4))
        for (quint32 i = 0; i < entries; ++i)
            pen.userDashes.append(r.in.u32(52 + i * 4));
    dev_.setObject(r.in.u32(8), pen);
}

void Player::createBrush(const Rec &r)
{
    BrushObject brush;
    brush.style = r.in.u32(12);
    brush.color = dev_.color(r.color(16));
    brush.hatch = r.in.u32(20);
    // Pattern styles need a bitmap, which this record cannot carry.
    if (brush.style != U_BS_SOLID && brush.style != U_BS_HATCHED)
        brush.style = U_BS_NULL;
    dev_.setObject(r.in.u32(8), brush);
}

void Player::createDibBrush(const Rec &r, bool mono)
{
    BrushObject brush;
    brush.style = U_BS_DIBPATTERNPT;
    const QImage image = bitmap(r, 12, 16);
    if (image.isNull()) {
        brush.style = U_BS_NULL;
    } else if (mono) {
        // The pattern's bits, 0 and 1, take the text and background colours when it is used.
        QImage bits(image.size(), QImage::Format_Indexed8);
        bits.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                bits.setPixel(x, y, qGray(image.pixel(x, y)) >= 128 ? 1 : 0);
        brush.pattern = bits;
        brush.monochrome = true;
    } else {
        brush.pattern = image;
    }
    dev_.setObject(r.in.u32(8), brush);
}

void Player::createFont(const Rec &r)
{
    const LittleEndianReader &in = r.in;
    FontObject font;
    font.height = in.s32(12);
    font.width = in.s32(16);
    font.escapement = in.s32(20);
    font.weight = in.s32(28);
    font.italic = in.u8(32) != 0;
    font.underline = in.u8(33) != 0;
    font.strikeOut = in.u8(34) != 0;
    font.charset = in.u8(35);
    QString face;
    for (quint32 i = 0; i < kMaxFaceChars && in.has(40 + i * 2, 2); ++i) {
        const char16_t c = in.u16(40 + i * 2);
        if (c == 0)
            break;
        face.append(QChar(c));
    }
    font.face = dev_.face(face, font.charset, in.u8(39));
    dev_.setObject(in.u32(8), std::move(font));
}

void Player::createPalette(const Rec &r)
{
    const quint32 count = std::min<quint32>(r.in.u16(14), kMaxPaletteEntries);
    if (!r.in.has(16, qsizetype(count) * 4))
        return;
    gdi::PaletteObject palette;
    for (quint32 i = 0; i < count; ++i)
        palette.colors.append(qRgb(r.in.u8(16 + i * 4), r.in.u8(17 + i * 4), r.in.u8(18 + i * 4)));
    dev_.setObject(r.in.u32(8), std::move(palette));
}

void Player::setPaletteEntries(const Rec &r)
{
    const quint32 start = r.in.u32(12);
    const quint32 count = std::min(r.in.u32(16), kMaxPaletteEntries);
    Object *o = dev_.objectAt(r.in.u32(8));
    auto *palette = o ? std::get_if<gdi::PaletteObject>(o) : nullptr;
    if (!palette || !r.in.has(20, qsizetype(count) * 4))
        return;
    for (quint32 i = 0; i < count && start + i < quint32(palette->colors.size()); ++i)
        palette->colors[start + i] =
            qRgb(r.in.u8(20 + i * 4), r.in.u8(21 + i * 4), r.in.u8(22 + i * 4));
    if (dev_.state().paletteIndex == int(r.in.u32(8)))
        dev_.selectPalette(r.in.u32(8));
}

bool Player::objects(const Rec &r)
{
    const quint32 index = r.in.u32(8);
    switch (r.type) {
    case U_EMR_SELECTOBJECT:
        if (index & kStockFlag)
            selectStock(index & ~kStockFlag);
        else
            dev_.selectObject(index);
        break;
    case U_EMR_DELETEOBJECT:
        if (!(index & kStockFlag))
            dev_.deleteObject(index);
        break;
    case U_EMR_CREATEPEN:
        createPen(r);
        break;
    case U_EMR_EXTCREATEPEN:
        extCreatePen(r);
        break;
    case U_EMR_CREATEBRUSHINDIRECT:
        createBrush(r);
        break;
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
        createDibBrush(r, false);
        break;
    case U_EMR_CREATEMONOBRUSH:
        createDibBrush(r, true);
        break;
    case U_EMR_EXTCREATEFONTINDIRECTW:
        createFont(r);
        break;
    case U_EMR_CREATEPALETTE:
        createPalette(r);
        break;
    case U_EMR_SETPALETTEENTRIES:
        setPaletteEntries(r);
        break;
    case U_EMR_SELECTPALETTE:
        if (!(index & kStockFlag))
            dev_.selectPalette(index);
        break;
    default:
        return false;
    }
    return true;
}

// ---- Text -------------------------------------------------------------------------------------

// EXTTEXTOUTA and EXTTEXTOUTW: the characters, their advances and the rectangle.
void Player::text(const Rec &r, bool wide)
{
    const LittleEndianReader &in = r.in;
    const quint32 chars = in.u32(44);
    const quint32 stringAt = in.u32(48);
    const quint32 options = in.u32(52);
    const bool hasRect = !(options & kEtoNoRect);
    const quint32 dxAt = in.u32(hasRect ? 72 : 56);
    gdi::TextRun run;
    run.options = options;
    if (hasRect) {
        const QRectF rect = r.rect(56);
        if (!rect.isEmpty() && (options & (U_ETO_OPAQUE | U_ETO_CLIPPED)))
            run.rect = rect;
    }
    const qsizetype unit = wide ? 2 : 1;
    // Glyph numbers mean nothing without the very font they index.
    if (chars > 0 && chars <= kMaxChars && !(options & kEtoGlyphIndex) &&
        in.has(stringAt, qsizetype(chars) * unit)) {
        const bool pdy = options & kEtoPdy;
        const qsizetype dxEach = pdy ? 8 : 4;
        const bool haveDx = dxAt != 0 && in.has(dxAt, qsizetype(chars) * dxEach);
        const auto dx = [&](quint32 i) { return double(in.s32(dxAt + i * dxEach)); };
        const auto dy = [&](quint32 i) { return double(in.s32(dxAt + i * dxEach + 4)); };
        const gdi::FontObject &font = dev_.state().font;
        if (wide) {
            QString units(qsizetype(chars), Qt::Uninitialized);
            for (quint32 i = 0; i < chars; ++i)
                units[qsizetype(i)] = QChar(in.u16(stringAt + i * 2));
            // One code unit each, so the text still lines up with the advances.
            QString text = gdi::decodeWideString(units, font.charset, font.face);
            if (text.size() != units.size())
                text = units;
            for (quint32 i = 0; i < chars; ++i) {
                const char16_t c = text[qsizetype(i)].unicode();
                const bool pair = QChar::isHighSurrogate(c) && i + 1 < chars &&
                                  text[qsizetype(i) + 1].isLowSurrogate();
                gdi::TextPiece piece;
                piece.text = QChar(c);
                piece.bytes = pair ? 2 : 1;
                double advance = haveDx ? dx(i) : 0;
                double rise = pdy && haveDx ? dy(i) : 0;
                if (pair) {
                    piece.text.append(text[qsizetype(i) + 1]);
                    ++i;
                    advance += haveDx ? dx(i) : 0;
                    rise += pdy && haveDx ? dy(i) : 0;
                }
                run.pieces.push_back(piece);
                if (haveDx) {
                    run.advances.push_back(advance);
                    if (pdy)
                        run.vertical.push_back(rise);
                }
            }
        } else {
            run.pieces = gdi::decodeCharacters(QByteArrayView(in.data() + stringAt, chars),
                                               font.charset, font.face);
            quint32 entry = 0;
            for (const gdi::TextPiece &piece : run.pieces) {
                double advance = 0;
                double rise = 0;
                for (int k = 0; k < piece.bytes && entry < chars; ++k, ++entry) {
                    advance += haveDx ? dx(entry) : 0;
                    rise += pdy && haveDx ? dy(entry) : 0;
                }
                if (haveDx) {
                    run.advances.push_back(advance);
                    if (pdy)
                        run.vertical.push_back(rise);
                }
            }
        }
    }
    dev_.text(r.point(36), run);
}

void Player::smallText(const Rec &r)
{
    const LittleEndianReader &in = r.in;
    const quint32 chars = in.u32(16);
    const quint32 options = in.u32(20);
    const bool hasRect = !(options & kEtoNoRect);
    const qsizetype stringAt = hasRect ? 52 : 36;
    const qsizetype unit = (options & kEtoSmallChars) ? 1 : 2;
    gdi::TextRun run;
    run.options = options;
    if (hasRect && (options & (U_ETO_OPAQUE | U_ETO_CLIPPED)))
        run.rect = r.rect(36);
    if (chars <= kMaxChars && in.has(stringAt, qsizetype(chars) * unit) &&
        !(options & kEtoGlyphIndex)) {
        for (quint32 i = 0; i < chars; ++i) {
            gdi::TextPiece piece;
            piece.text = unit == 1 ? QString(QChar(char16_t(in.u8(stringAt + i))))
                                   : QString(QChar(in.u16(stringAt + i * 2)));
            run.pieces.push_back(piece);
        }
    }
    dev_.text(r.point(8), run);
}

// ---- Regions ----------------------------------------------------------------------------------

// RGNDATA: a header and its rectangles, right and bottom exclusive; nullopt when there is none.
std::optional<gdi::RegionObject> Player::region(const Rec &r, qsizetype sizeAt,
                                                qsizetype dataAt) const
{
    const quint32 size = r.in.u32(sizeAt);
    if (size < kRgnHeaderBytes || !r.in.has(dataAt, size))
        return std::nullopt;
    const LittleEndianReader rgn = r.in.from(dataAt);
    const quint32 count = std::min(rgn.u32(8), kMaxRegionRects);
    gdi::RegionObject out;
    for (quint32 i = 0; i < count && rgn.has(kRgnHeaderBytes + i * 16, 16); ++i) {
        const qsizetype at = kRgnHeaderBytes + i * 16;
        const QRect rc(QPoint(rgn.s32(at), rgn.s32(at + 4)),
                       QPoint(rgn.s32(at + 8) - 1, rgn.s32(at + 12) - 1));
        if (rc.isValid())
            out.rects.append(rc);
    }
    return out;
}

} // namespace picture::emf
