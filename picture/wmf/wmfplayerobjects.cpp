// The objects a metafile creates (pens, brushes, fonts, palettes, regions) and their table.

#include <picture/wmf/wmfplayerimpl.h>

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

// Windows gives every new object the lowest free slot of the table.
void Player::addObject(Object object)
{
    while (firstFree_ < objects_.size() &&
           !std::holds_alternative<std::monostate>(objects_[firstFree_]))
        ++firstFree_;
    if (firstFree_ < objects_.size())
        objects_[firstFree_] = std::move(object);
    else if (objects_.size() < objectCapacity_)
        objects_.push_back(std::move(object));
    else
        return; // the table is full: the object is lost, as on Windows
    ++firstFree_;
}

Object *Player::objectAt(quint16 index)
{
    return index < objects_.size() ? &objects_[index] : nullptr;
}

void Player::createPen(const Record &r)
{
    U_PEN pen{};
    if (r.size < U_SIZE_WMRCREATEPENINDIRECT || !U_WMRCREATEPENINDIRECT_get(r.data, &pen))
        return addObject(OtherObject{});
    const int width = qint16(pen.Widthw[0]);
    addObject(PenObject{pen.Style, std::max(0, width), color(pen.Color)});
}

void Player::createBrush(const Record &r)
{
    const char *b = nullptr;
    if (r.size < U_SIZE_WMRCREATEBRUSHINDIRECT || !U_WMRCREATEBRUSHINDIRECT_get(r.data, &b))
        return addObject(OtherObject{});
    const LittleEndianReader in = r.bytes().from(b);
    const U_COLORREF c{in.u8(2), in.u8(3), in.u8(4), in.u8(5)};
    BrushObject brush{in.u16(0), color(c), in.u16(6), QImage()};
    // Pattern styles need a bitmap, which this record cannot carry.
    if (brush.style != U_BS_SOLID && brush.style != U_BS_HATCHED)
        brush.style = U_BS_NULL;
    addObject(std::move(brush));
}

void Player::createFont(const Record &r)
{
    const char *f = nullptr;
    if (r.size < U_SIZE_WMRCREATEFONTINDIRECT || !U_WMRCREATEFONTINDIRECT_get(r.data, &f))
        return addObject(OtherObject{});
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
    font.face = substituteFace(decodeString(name, font.charset), font.charset, pitchAndFamily);
    addObject(std::move(font));
}

void Player::createPalette(const Record &r)
{
    U_PALETTE palette{};
    const char *entries = nullptr;
    if (r.size < U_SIZE_WMRCREATEPALETTE || !U_WMRCREATEPALETTE_get(r.data, &palette, &entries) ||
        qint64(palette.NumEntries) * 4 > r.data + r.size - entries)
        return addObject(OtherObject{});
    // Entries are Windows' PALETTEENTRY: red, green, blue, flags. (libuemf's writer and its
    // structure put them the other way round; files from Windows do not.)
    const LittleEndianReader in = r.bytes().from(entries);
    PaletteObject object;
    object.colors.reserve(palette.NumEntries);
    for (int i = 0; i < palette.NumEntries; ++i)
        object.colors.append(qRgb(in.u8(i * 4), in.u8(i * 4 + 1), in.u8(i * 4 + 2)));
    addObject(std::move(object));
}

void Player::setPaletteEntries(const Record &r)
{
    U_PALETTE palette{};
    const char *entries = nullptr;
    if (r.size < U_SIZE_WMRSETPALENTRIES || !U_WMRSETPALENTRIES_get(r.data, &palette, &entries) ||
        qint64(palette.NumEntries) * 4 > r.data + r.size - entries || s_.paletteIndex < 0)
        return;
    Object *o = objectAt(quint16(s_.paletteIndex));
    auto *object = o ? std::get_if<PaletteObject>(o) : nullptr;
    if (!object)
        return;
    const LittleEndianReader in = r.bytes().from(entries);
    for (int i = 0; i < palette.NumEntries && palette.Start + i < object->colors.size(); ++i)
        object->colors[palette.Start + i] = qRgb(in.u8(i * 4), in.u8(i * 4 + 1), in.u8(i * 4 + 2));
    s_.palette = object->colors;
}

void Player::createRegion(const Record &r)
{
    const char *g = nullptr;
    if (r.size < U_SIZE_WMRCREATEREGION || !U_WMRCREATEREGION_get(r.data, &g) ||
        r.data + r.size - g < kRegionHeaderBytes)
        return addObject(OtherObject{});
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
    addObject(std::move(region));
}

void Player::createDibPatternBrush(const Record &r)
{
    quint16 style = 0;
    quint16 cUsage = 0;
    const char *bm16 = nullptr;
    const char *dib = nullptr;
    if (r.size < U_SIZE_WMRDIBCREATEPATTERNBRUSH ||
        !U_WMRDIBCREATEPATTERNBRUSH_get(r.data, &style, &cUsage, &bm16, &dib))
        return addObject(OtherObject{});
    // Whatever the style says, the pattern is a DIB; a "pattern" style only means its colour
    // table holds colours.
    const char *src = dib ? dib : bm16;
    const char *end = r.data + r.size;
    BrushObject brush;
    brush.style = U_BS_DIBPATTERNPT;
    if (src && src <= end)
        brush.pattern =
            decodeDib(src, end - src, dib ? usage(cUsage) : ColorUsage::Rgb, s_.palette);
    if (brush.pattern.isNull())
        brush.style = U_BS_NULL;
    addObject(std::move(brush));
}

void Player::createPatternBrush(const Record &r)
{
    U_BITMAP16 bm{};
    int patternBytes = 0;
    const char *pattern = nullptr;
    if (r.size < kPatternBrushBitsOffset ||
        !U_WMRCREATEPATTERNBRUSH_get(r.data, &bm, &patternBytes, &pattern))
        return addObject(OtherObject{});
    const char *end = r.data + r.size;
    BrushObject brush;
    brush.style = U_BS_PATTERN;
    if (pattern && pattern <= end)
        brush.pattern =
            decodeBitmap16({bm.Width, bm.Height, bm.WidthBytes, bm.Planes, bm.BitsPixel}, pattern,
                           end - pattern, s_.textColor.rgb(), s_.bkColor.rgb());
    if (brush.pattern.isNull())
        brush.style = U_BS_NULL;
    addObject(std::move(brush));
}

void Player::selectObject(quint16 index)
{
    Object *o = objectAt(index);
    if (!o)
        return;
    if (auto *pen = std::get_if<PenObject>(o))
        s_.pen = *pen;
    else if (auto *brush = std::get_if<BrushObject>(o))
        s_.brush = *brush;
    else if (auto *font = std::get_if<FontObject>(o))
        s_.font = *font;
    else if (std::holds_alternative<RegionObject>(*o))
        selectClipRegion(index); // selecting a region makes it the clipping region
}

void Player::deleteObject(quint16 index)
{
    if (index >= objects_.size())
        return;
    objects_[index] = std::monostate{};
    firstFree_ = std::min<size_t>(firstFree_, index);
    if (s_.paletteIndex == index)
        s_.paletteIndex = -1;
}

QRegion Player::region(const RegionObject &r) const
{
    QRegion out;
    for (const QRect &rc : r.rects)
        out += pixelRect(rc.left(), rc.top(), rc.left() + rc.width(), rc.top() + rc.height());
    return out;
}

} // namespace picture::wmf
