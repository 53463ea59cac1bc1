// The WMF reader's life, its record dispatcher and its polygons; its object and text records are
// read in wmfplayerobjects.cpp, its bitmap records in wmfplayerbitmaps.cpp. What the records do
// is the GDI device's (gdidevice.h).

#include <picture/metafile/wmfplayerimpl.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr size_t kMaxObjects = 65535;         // object indices are 16-bit
constexpr size_t kObjectsWhenUnstated = 1024; // for headers that leave the count at zero
constexpr double kPixelsPerInch = 96.0;

} // namespace

namespace picture::wmf {

Player::Player(const Metafile &metafile, QImage *image)
    : mf_(metafile),
      dev_(image, QTransform(), QSizeF(kPixelsPerInch, kPixelsPerInch),
           std::min<size_t>(metafile.objectCount ? metafile.objectCount : kObjectsWhenUnstated,
                            kMaxObjects))
{
    // The metafile's window maps onto the whole picture until the records say otherwise.
    const QSize natural = metafile.info.naturalPixels;
    dev_.setMapMode(U_MM_ANISOTROPIC);
    dev_.setWindowOrg(metafile.windowOrigin);
    dev_.setWindowExt(metafile.windowExtent);
    dev_.setViewportExt(QPointF(natural.width(), natural.height()));
}

void Player::run()
{
    for (const Record &r : mf_.records)
        handle(r);
    dev_.finish();
}

// ---- Dispatch ---------------------------------------------------------------------------------

void Player::handle(const Record &r)
{
    const char *c = r.data;
    const quint32 n = r.size;
    uint16_t mode = 0;
    U_COLORREF colour{};
    U_POINT16 pt{};
    U_POINT16 pt2{};
    U_RECT16 rc{};
    switch (recordType(r)) {
    case U_WMR_SETBKCOLOR:
        if (n >= U_SIZE_WMRSETBKCOLOR && U_WMRSETBKCOLOR_get(c, &colour))
            dev_.state().bkColor = dev_.color(colour);
        break;
    case U_WMR_SETTEXTCOLOR:
        if (n >= U_SIZE_WMRSETTEXTCOLOR && U_WMRSETTEXTCOLOR_get(c, &colour))
            dev_.state().textColor = dev_.color(colour);
        break;
    case U_WMR_SETBKMODE:
        if (n >= U_SIZE_WMRSETBKMODE && U_WMRSETBKMODE_get(c, &mode))
            dev_.state().bkMode = mode;
        break;
    case U_WMR_SETPOLYFILLMODE:
        if (n >= U_SIZE_WMRSETPOLYFILLMODE && U_WMRSETPOLYFILLMODE_get(c, &mode))
            dev_.state().polyFillMode = mode;
        break;
    case U_WMR_SETROP2:
        if (n >= U_SIZE_WMRSETROP2 && U_WMRSETROP2_get(c, &mode))
            dev_.state().rop2 = mode;
        break;
    case U_WMR_SETTEXTALIGN:
        if (n >= U_SIZE_WMRSETTEXTALIGN && U_WMRSETTEXTALIGN_get(c, &mode))
            dev_.state().textAlign = mode;
        break;
    case U_WMR_SETTEXTCHAREXTRA:
        if (n >= U_SIZE_WMRSETTEXTCHAREXTRA && U_WMRSETTEXTCHAREXTRA_get(c, &mode))
            dev_.state().charExtra = qint16(mode);
        break;
    case U_WMR_SETMAPMODE:
        if (n >= U_SIZE_WMRSETMAPMODE && U_WMRSETMAPMODE_get(c, &mode))
            dev_.setMapMode(mode);
        break;
    case U_WMR_SETWINDOWORG:
        if (n >= U_SIZE_WMRSETWINDOWORG && U_WMRSETWINDOWORG_get(c, &pt))
            dev_.setWindowOrg(QPointF(pt.x, pt.y));
        break;
    case U_WMR_SETWINDOWEXT:
        if (n >= U_SIZE_WMRSETWINDOWEXT && U_WMRSETWINDOWEXT_get(c, &pt))
            dev_.setWindowExt(QPointF(pt.x, pt.y));
        break;
    case U_WMR_SETVIEWPORTORG:
        if (n >= U_SIZE_WMRSETVIEWPORTORG && U_WMRSETVIEWPORTORG_get(c, &pt))
            dev_.setViewportOrg(QPointF(pt.x, pt.y));
        break;
    case U_WMR_SETVIEWPORTEXT:
        if (n >= U_SIZE_WMRSETVIEWPORTEXT && U_WMRSETVIEWPORTEXT_get(c, &pt))
            dev_.setViewportExt(QPointF(pt.x, pt.y));
        break;
    case U_WMR_OFFSETWINDOWORG:
        if (n >= U_SIZE_WMROFFSETWINDOWORG && U_WMROFFSETWINDOWORG_get(c, &pt))
            dev_.setWindowOrg(dev_.state().windowOrg + QPointF(pt.x, pt.y));
        break;
    case U_WMR_OFFSETVIEWPORTORG:
        if (n >= U_SIZE_WMROFFSETVIEWPORTORG && U_WMROFFSETVIEWPORTORG_get(c, &pt))
            dev_.setViewportOrg(dev_.state().viewportOrg + QPointF(pt.x, pt.y));
        break;
    case U_WMR_SCALEWINDOWEXT:
    case U_WMR_SCALEVIEWPORTEXT: {
        const bool window = recordType(r) == U_WMR_SCALEWINDOWEXT;
        if (n < U_SIZE_WMRSCALEWINDOWEXT || !(window ? U_WMRSCALEWINDOWEXT_get(c, &pt, &pt2)
                                                     : U_WMRSCALEVIEWPORTEXT_get(c, &pt, &pt2)))
            break;
        // libuemf hands the fields (y denominator, y numerator, x denominator, x numerator) out
        // as (denominator.y, denominator.x, numerator.y, numerator.x).
        if (window)
            dev_.scaleWindowExt(pt2.x, pt2.y, pt.x, pt.y);
        else
            dev_.scaleViewportExt(pt2.x, pt2.y, pt.x, pt.y);
        break;
    }
    case U_WMR_MOVETO:
        if (n >= U_SIZE_WMRMOVETO && U_WMRMOVETO_get(c, &pt))
            dev_.moveTo(QPointF(pt.x, pt.y));
        break;
    case U_WMR_LINETO:
        if (n >= U_SIZE_WMRLINETO && U_WMRLINETO_get(c, &pt))
            dev_.lineTo(QPointF(pt.x, pt.y));
        break;
    case U_WMR_RECTANGLE:
        if (n >= U_SIZE_WMRRECTANGLE && U_WMRRECTANGLE_get(c, &rc))
            dev_.rectangle(rect(rc));
        break;
    case U_WMR_ROUNDRECT: {
        int16_t w = 0;
        int16_t h = 0;
        if (n >= U_SIZE_WMRROUNDRECT && U_WMRROUNDRECT_get(c, &w, &h, &rc))
            dev_.roundRect(rect(rc), QSizeF(w, h));
        break;
    }
    case U_WMR_ELLIPSE:
        if (n >= U_SIZE_WMRELLIPSE && U_WMRELLIPSE_get(c, &rc))
            dev_.ellipse(rect(rc));
        break;
    case U_WMR_ARC:
        if (n >= U_SIZE_WMRARC && U_WMRARC_get(c, &pt, &pt2, &rc))
            dev_.arc(ArcKind::Arc, rect(rc), QPointF(pt.x, pt.y), QPointF(pt2.x, pt2.y));
        break;
    case U_WMR_PIE:
        if (n >= U_SIZE_WMRPIE && U_WMRPIE_get(c, &pt, &pt2, &rc))
            dev_.arc(ArcKind::Pie, rect(rc), QPointF(pt.x, pt.y), QPointF(pt2.x, pt2.y));
        break;
    case U_WMR_CHORD:
        if (n >= U_SIZE_WMRCHORD && U_WMRCHORD_get(c, &pt, &pt2, &rc))
            dev_.arc(ArcKind::Chord, rect(rc), QPointF(pt.x, pt.y), QPointF(pt2.x, pt2.y));
        break;
    case U_WMR_POLYGON:
        if (n >= U_SIZE_WMRPOLYGON)
            poly(r, true);
        break;
    case U_WMR_POLYLINE:
        if (n >= U_SIZE_WMRPOLYLINE)
            poly(r, false);
        break;
    case U_WMR_POLYPOLYGON:
        if (n >= U_SIZE_WMRPOLYPOLYGON)
            polyPolygon(r);
        break;
    case U_WMR_SETPIXEL:
        if (n >= U_SIZE_WMRSETPIXEL && U_WMRSETPIXEL_get(c, &colour, &pt))
            dev_.setPixel(QPointF(pt.x, pt.y), dev_.color(colour));
        break;
    case U_WMR_TEXTOUT:
        textOut(r);
        break;
    case U_WMR_EXTTEXTOUT:
        extTextOut(r);
        break;
    case U_WMR_SAVEDC:
        dev_.saveDc();
        break;
    case U_WMR_RESTOREDC: {
        int16_t which = 0;
        if (n >= U_SIZE_WMRRESTOREDC && U_WMRRESTOREDC_get(c, &which))
            dev_.restoreDc(which);
        break;
    }
    case U_WMR_INTERSECTCLIPRECT:
        if (n >= U_SIZE_WMRINTERSECTCLIPRECT && U_WMRINTERSECTCLIPRECT_get(c, &rc))
            dev_.intersectClip(rect(rc));
        break;
    case U_WMR_EXCLUDECLIPRECT:
        if (n >= U_SIZE_WMREXCLUDECLIPRECT && U_WMREXCLUDECLIPRECT_get(c, &rc))
            dev_.excludeClip(rect(rc));
        break;
    case U_WMR_OFFSETCLIPRGN:
        if (n >= U_SIZE_WMROFFSETCLIPRGN && U_WMROFFSETCLIPRGN_get(c, &pt))
            dev_.offsetClip(QPointF(pt.x, pt.y));
        break;
    case U_WMR_SELECTCLIPREGION:
        if (n >= U_SIZE_WMRSELECTCLIPREGION && U_WMRSELECTCLIPREGION_get(c, &mode))
            dev_.selectClipRegion(mode);
        break;
    case U_WMR_SELECTOBJECT:
        if (n >= U_SIZE_WMRSELECTOBJECT && U_WMRSELECTOBJECT_get(c, &mode))
            dev_.selectObject(mode);
        break;
    case U_WMR_DELETEOBJECT:
        if (n >= U_SIZE_WMRDELETEOBJECT && U_WMRDELETEOBJECT_get(c, &mode))
            dev_.deleteObject(mode);
        break;
    case U_WMR_SELECTPALETTE:
        if (n >= U_SIZE_WMRSELECTPALETTE && U_WMRSELECTPALETTE_get(c, &mode))
            dev_.selectPalette(mode);
        break;
    case U_WMR_SETPALENTRIES:
        setPaletteEntries(r);
        break;
    case U_WMR_CREATEPENINDIRECT:
        createPen(r);
        break;
    case U_WMR_CREATEBRUSHINDIRECT:
        createBrush(r);
        break;
    case U_WMR_CREATEFONTINDIRECT:
        createFont(r);
        break;
    case U_WMR_CREATEPALETTE:
        createPalette(r);
        break;
    case U_WMR_CREATEREGION:
        createRegion(r);
        break;
    case U_WMR_DIBCREATEPATTERNBRUSH:
        createDibPatternBrush(r);
        break;
    case U_WMR_CREATEPATTERNBRUSH:
        createPatternBrush(r);
        break;
    case U_WMR_FILLREGION: {
        uint16_t brush = 0;
        if (n >= U_SIZE_WMRFILLREGION && U_WMRFILLREGION_get(c, &mode, &brush)) {
            const RegionObject *region = regionAt(mode);
            const BrushObject *b = brushAt(brush);
            if (region && b)
                dev_.fillRegion(*region, *b);
        }
        break;
    }
    case U_WMR_PAINTREGION:
        if (n >= U_SIZE_WMRPAINTREGION && U_WMRPAINTREGION_get(c, &mode))
            if (const RegionObject *region = regionAt(mode))
                dev_.fillRegion(*region, dev_.state().brush);
        break;
    case U_WMR_FRAMEREGION: {
        uint16_t brush = 0;
        int16_t h = 0;
        int16_t w = 0;
        if (n >= U_SIZE_WMRFRAMEREGION && U_WMRFRAMEREGION_get(c, &mode, &brush, &h, &w)) {
            const RegionObject *region = regionAt(mode);
            const BrushObject *b = brushAt(brush);
            if (region && b)
                dev_.frameRegion(*region, *b, w, h);
        }
        break;
    }
    case U_WMR_INVERTREGION:
        if (n >= U_SIZE_WMRINVERTREGION && U_WMRINVERTREGION_get(c, &mode))
            if (const RegionObject *region = regionAt(mode))
                dev_.invertRegion(*region);
        break;
    case U_WMR_PATBLT:
        patBlt(r);
        break;
    case U_WMR_BITBLT:
        bitmapBlit(r, false);
        break;
    case U_WMR_STRETCHBLT:
        bitmapBlit(r, true);
        break;
    case U_WMR_DIBBITBLT:
        dibBlit(r, false);
        break;
    case U_WMR_DIBSTRETCHBLT:
        dibBlit(r, true);
        break;
    case U_WMR_STRETCHDIB:
        stretchDib(r);
        break;
    case U_WMR_SETDIBTODEV:
        setDibToDevice(r);
        break;
    default:
        // Everything else (escapes, palettes' animation, flood fills, mapper flags and the
        // undocumented records) changes nothing we draw.
        break;
    }
}

void play(const Metafile &metafile, QImage *image)
{
    Player player(metafile, image);
    player.run();
}

// ---- Polygons ---------------------------------------------------------------------------------

void Player::poly(const Record &r, bool closed)
{
    uint16_t count = 0;
    const char *data = nullptr;
    if (!(closed ? U_WMRPOLYGON_get(r.data, &count, &data)
                 : U_WMRPOLYLINE_get(r.data, &count, &data)) ||
        qint64(count) * 4 > r.data + r.size - data || count < 2)
        return;
    const LittleEndianReader in = r.bytes().from(data);
    QPolygonF points;
    points.reserve(count);
    for (int i = 0; i < count; ++i)
        points.append(QPointF(in.s16(i * 4), in.s16(i * 4 + 2)));
    if (closed)
        dev_.polygons({points});
    else
        dev_.polyline(points);
}

void Player::polyPolygon(const Record &r)
{
    uint16_t polygons = 0;
    const uint16_t *counts = nullptr;
    const char *points = nullptr;
    if (!U_WMRPOLYPOLYGON_get(r.data, &polygons, &counts, &points))
        return;
    const LittleEndianReader countIn = r.bytes().from(reinterpret_cast<const char *>(counts));
    const LittleEndianReader pointIn = r.bytes().from(points);
    if (!countIn.has(0, qint64(polygons) * 2))
        return;
    qint64 total = 0;
    for (int i = 0; i < polygons; ++i)
        total += countIn.u16(i * 2);
    if (!pointIn.has(0, total * 4))
        return;
    std::vector<QPolygonF> polys;
    qint64 at = 0;
    for (int i = 0; i < polygons; ++i) {
        const int n = countIn.u16(i * 2);
        QPolygonF polygon;
        polygon.reserve(n);
        for (int k = 0; k < n; ++k, at += 4)
            polygon.append(QPointF(pointIn.s16(at), pointIn.s16(at + 2)));
        polys.push_back(std::move(polygon));
    }
    dev_.polygons(polys);
}

} // namespace picture::wmf
