// The WMF records that create objects (pens, brushes, fonts, palettes, regions) and that draw
// text, read into what the GDI device takes.

#include <picture/metafile/wmfplayerimpl.h>

#include <algorithm>

namespace {

constexpr int kMaxRegionRects = 4096; // more than this and a region becomes its bounds
constexpr int kFontCoreBytes = 18;
constexpr int kFaceNameBytes = 32;
constexpr int kRegionHeaderBytes = 20;
constexpr int kScanHeaderBytes = 6;
constexpr int kPatternBrushBitsOffset = 38;

} // namespace

namespace picture::wmf {

// ---- Objects ----------------------------------------------------------------------------------

const RegionObject *Player::regionAt(quint16 index)
{
    Object *o = dev_.objectAt(index);
    return o ? std::get_if<RegionObject>(o) : nullptr;
}

const BrushObject *Player::brushAt(quint16 index)
{
    Object *o = dev_.objectAt(index);
    return o ? std::get_if<BrushObject>(o) : nullptr;
}

void Player::createPen(const Record &r)
{
    U_PEN pen{};
    if (r.size < U_SIZE_WMRCREATEPENINDIRECT || !U_WMRCREATEPENINDIRECT_get(r.data, &pen))
        return dev_.addObject(OtherObject{});
    const int width = qint16(pen.Widthw[0]);
    PenObject object;
    object.style = pen.Style;
    object.width = std::max(0, width);
    object.color = dev_.color(pen.Color);
    dev_.addObject(std::move(object));
}

void Player::createBrush(const Record &r)
{
    const char *b = nullptr;
    if (r.size < U_SIZE_WMRCREATEBRUSHINDIRECT || !U_WMRCREATEBRUSHINDIRECT_get(r.data, &b))
        return dev_.addObject(OtherObject{});
    const LittleEndianReader in = r.bytes().from(b);
    const U_COLORREF c{in.u8(2), in.u8(3), in.u8(4), in.u8(5)};
    BrushObject brush;
    brush.style = in.u16(0);
    brush.color = dev_.color(c);
    brush.hatch = in.u16(6);
    // Pattern styles need a bitmap, which this record cannot carry.
    if (brush.style != U_BS_SOLID && brush.style != U_BS_HATCHED)
        brush.style = U_BS_NULL;
    dev_.addObject(std::move(brush));
}

void Player::createFont(const Record &r)
{
    const char *f = nullptr;
    if (r.size < U_SIZE_WMRCREATEFONTINDIRECT || !U_WMRCREATEFONTINDIRECT_get(r.data, &f))
        return dev_.addObject(OtherObject{});
    const LittleEndianReader in = r.bytes().from(f);
    FontObject font;
    font.height = in.s16(0);
    font.width = in.s16(2);
    font.escapement = in.s16(4);
    font.weight = in.s16(8);
    font.italic = in.u8(10) != 0;
    font.underline = in.u8(11) != 0;
    font.strikeOut = in.u8(12) != 0;
    font.charset = in.u8(13);
    const quint8 pitchAndFamily = in.u8(17);
    // The face name ends at its NUL, at 32 bytes or at the end of the record.
    const qsizetype available =
        std::min<qsizetype>(kFaceNameBytes, r.data + r.size - (f + kFontCoreBytes));
    QByteArrayView name(f + kFontCoreBytes, std::max<qsizetype>(0, available));
    if (const qsizetype nul = name.indexOf('\0'); nul >= 0)
        name = name.first(nul);
    font.face = dev_.face(decodeString(name, font.charset), font.charset, pitchAndFamily);
    dev_.addObject(std::move(font));
}

void Player::createPalette(const Record &r)
{
    U_PALETTE palette{};
    const char *entries = nullptr;
    if (r.size < U_SIZE_WMRCREATEPALETTE || !U_WMRCREATEPALETTE_get(r.data, &palette, &entries) ||
        qint64(palette.NumEntries) * 4 > r.data + r.size - entries)
        return dev_.addObject(OtherObject{});
    // Entries are Windows' PALETTEENTRY: red, green, blue, flags. (libuemf's writer and its
    // structure put them the other way round; files from Windows do not.)
    const LittleEndianReader in = r.bytes().from(entries);
    PaletteObject object;
    object.colors.reserve(palette.NumEntries);
    for (int i = 0; i < palette.NumEntries; ++i)
        object.colors.append(qRgb(in.u8(i * 4), in.u8(i * 4 + 1), in.u8(i * 4 + 2)));
    dev_.addObject(std::move(object));
}

void Player::setPaletteEntries(const Record &r)
{
    U_PALETTE palette{};
    const char *entries = nullptr;
    if (r.size < U_SIZE_WMRSETPALENTRIES || !U_WMRSETPALENTRIES_get(r.data, &palette, &entries) ||
        qint64(palette.NumEntries) * 4 > r.data + r.size - entries)
        return;
    const LittleEndianReader in = r.bytes().from(entries);
    QList<QRgb> colors;
    for (int i = 0; i < palette.NumEntries; ++i)
        colors.append(qRgb(in.u8(i * 4), in.u8(i * 4 + 1), in.u8(i * 4 + 2)));
    dev_.setPaletteEntries(palette.Start, colors);
}

void Player::createRegion(const Record &r)
{
    const char *g = nullptr;
    if (r.size < U_SIZE_WMRCREATEREGION || !U_WMRCREATEREGION_get(r.data, &g) ||
        r.data + r.size - g < kRegionHeaderBytes)
        return dev_.addObject(OtherObject{});
    const LittleEndianReader in = r.bytes().from(g);
    const int scanCount = in.s16(10);
    const QRect bounds(QPoint(in.s16(12), in.s16(14)), QPoint(in.s16(16) - 1, in.s16(18) - 1));
    RegionObject region;
    qint64 scan = kRegionHeaderBytes;
    for (int i = 0; i < scanCount; ++i) {
        if (!in.has(scan, kScanHeaderBytes))
            break;
        const int count = in.u16(scan);
        const int top = in.s16(scan + 2);
        const int bottom = in.s16(scan + 4);
        const qint64 scanBytes = kScanHeaderBytes + qint64(count) * 2 + 2;
        if (!in.has(scan, scanBytes))
            break;
        for (int k = 0; k + 1 < count; k += 2) {
            const int left = in.s16(scan + kScanHeaderBytes + k * 2);
            const int right = in.s16(scan + kScanHeaderBytes + k * 2 + 2);
            if (right > left && bottom > top)
                region.rects.append(QRect(left, top, right - left, bottom - top));
        }
        if (region.rects.size() > kMaxRegionRects) {
            region.rects = {bounds.normalized()};
            break;
        }
        scan += scanBytes;
    }
    if (scanCount > 0 && region.rects.isEmpty() && bounds.isValid())
        region.rects = {bounds};
    dev_.addObject(std::move(region));
}

void Player::createDibPatternBrush(const Record &r)
{
    quint16 style = 0;
    quint16 cUsage = 0;
    const char *bm16 = nullptr;
    const char *dib = nullptr;
    if (r.size < U_SIZE_WMRDIBCREATEPATTERNBRUSH ||
        !U_WMRDIBCREATEPATTERNBRUSH_get(r.data, &style, &cUsage, &bm16, &dib))
        return dev_.addObject(OtherObject{});
    // Whatever the style says, the pattern is a DIB; a "pattern" style only means its colour
    // table holds colours.
    const char *src = dib ? dib : bm16;
    const char *end = r.data + r.size;
    BrushObject brush;
    brush.style = U_BS_DIBPATTERNPT;
    if (src && src <= end)
        brush.pattern =
            decodeDib(src, end - src, dib ? usage(cUsage) : ColorUsage::Rgb, dev_.state().palette);
    if (brush.pattern.isNull())
        brush.style = U_BS_NULL;
    dev_.addObject(std::move(brush));
}

void Player::createPatternBrush(const Record &r)
{
    U_BITMAP16 bm{};
    int patternBytes = 0;
    const char *pattern = nullptr;
    if (r.size < kPatternBrushBitsOffset ||
        !U_WMRCREATEPATTERNBRUSH_get(r.data, &bm, &patternBytes, &pattern))
        return dev_.addObject(OtherObject{});
    const char *end = r.data + r.size;
    BrushObject brush;
    brush.style = U_BS_PATTERN;
    if (pattern && pattern <= end)
        brush.pattern =
            decodeBitmap16({bm.Width, bm.Height, bm.WidthBytes, bm.Planes, bm.BitsPixel}, pattern,
                           end - pattern, dev_.state().textColor.rgb(), dev_.state().bkColor.rgb());
    if (brush.pattern.isNull())
        brush.style = U_BS_NULL;
    dev_.addObject(std::move(brush));
}

// ---- Text -------------------------------------------------------------------------------------

void Player::text(QPoint at, QByteArrayView bytes, const LittleEndianReader &dx, quint16 options,
                  const U_RECT16 *rc)
{
    gdi::TextRun run;
    run.options = options;
    if (rc)
        run.rect = rect(*rc);
    run.pieces = decodeCharacters(bytes, dev_.state().font.charset, dev_.state().font.face);
    // Character advances come from the Dx array when there is one: an entry per byte (Windows
    // puts a double-byte character's advance on its lead byte) or, from some writers, one per
    // character.
    const qsizetype dxEntries = dx.size() / 2;
    const bool perByte = dxEntries >= bytes.size();
    if (!bytes.isEmpty() && (perByte || dxEntries >= qsizetype(run.pieces.size()))) {
        run.advances.reserve(run.pieces.size());
        qsizetype entry = 0;
        for (const TextPiece &piece : run.pieces) {
            double advance = 0;
            const int n = perByte ? piece.bytes : 1;
            for (int k = 0; k < n; ++k, ++entry)
                advance += dx.s16(entry * 2);
            run.advances.push_back(advance);
        }
    }
    dev_.text(QPointF(at), run);
}

void Player::textOut(const Record &r)
{
    U_POINT16 at{};
    int16_t length = 0;
    const char *string = nullptr;
    // The position follows the string, so the length must be checked before the reader uses it.
    if (r.size < U_SIZE_WMRTEXTOUT)
        return;
    const int declared = r.bytes().s16(6);
    if (declared < 0 || 8 + (declared + 1) / 2 * 2 + 4 > qint64(r.size))
        return;
    if (!U_WMRTEXTOUT_get(r.data, &at, &length, &string))
        return;
    text(QPoint(at.x, at.y), QByteArrayView(string, length), LittleEndianReader(), 0, nullptr);
}

void Player::extTextOut(const Record &r)
{
    if (r.size < U_SIZE_WMREXTTEXTOUT)
        return;
    const quint16 options = r.bytes().u16(12);
    const bool hasRect = options & (U_ETO_OPAQUE | U_ETO_CLIPPED);
    const qint64 stringAt = U_SIZE_WMREXTTEXTOUT + (hasRect ? U_SIZE_RECT16 : 0);
    const int declared = r.bytes().s16(10);
    if (declared < 0 || stringAt + declared > qint64(r.size))
        return;
    U_POINT16 at{};
    int16_t length = 0;
    uint16_t opts = 0;
    const char *string = nullptr;
    const int16_t *dx = nullptr;
    U_RECT16 rect{};
    if (!U_WMREXTTEXTOUT_get(r.data, &at, &length, &opts, &string, &dx, &rect))
        return;
    // The Dx array is optional: whatever follows the padded string is taken for it.
    text(QPoint(at.x, at.y), QByteArrayView(string, length),
         r.bytes().from(reinterpret_cast<const char *>(dx)), opts, hasRect ? &rect : nullptr);
}

} // namespace picture::wmf
