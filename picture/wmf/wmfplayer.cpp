// The player's life and its record dispatcher. Its other parts: objects (wmfplayerobjects.cpp),
// device-context state and clipping (wmfplayerstate.cpp), drawing (wmfplayerdrawing.cpp), text
// (wmfplayertext.cpp) and bitmaps (wmfplayerbitmaps.cpp).

#include <picture/wmf/wmfplayerimpl.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr size_t kMaxObjects = 65535;         // object indices are 16-bit
constexpr size_t kObjectsWhenUnstated = 1024; // for headers that leave the count at zero

} // namespace

namespace picture::wmf {

Player::Player(const Metafile &metafile, QImage *image)
    : mf_(metafile), image_(image), dpr_(image->devicePixelRatio())
{
    const QSize natural = metafile.info.naturalPixels;
    s_.windowOrg = metafile.windowOrigin;
    s_.windowExt = metafile.windowExtent;
    s_.viewportExt = QPoint(natural.width(), natural.height());
    objectCapacity_ = std::min<size_t>(
        metafile.objectCount ? metafile.objectCount : kObjectsWhenUnstated, kMaxObjects);
    updateMapping();
    p_.begin(image);
    // Windows draws shapes without smoothing; text is smoothed as on today's screens.
    p_.setRenderHint(QPainter::Antialiasing, false);
    p_.setRenderHint(QPainter::TextAntialiasing, true);
    p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

void Player::run()
{
    for (const Record &r : mf_.records)
        handle(r);
    p_.end();
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
            s_.bkColor = color(colour);
        break;
    case U_WMR_SETTEXTCOLOR:
        if (n >= U_SIZE_WMRSETTEXTCOLOR && U_WMRSETTEXTCOLOR_get(c, &colour))
            s_.textColor = color(colour);
        break;
    case U_WMR_SETBKMODE:
        if (n >= U_SIZE_WMRSETBKMODE && U_WMRSETBKMODE_get(c, &mode))
            s_.bkMode = mode;
        break;
    case U_WMR_SETPOLYFILLMODE:
        if (n >= U_SIZE_WMRSETPOLYFILLMODE && U_WMRSETPOLYFILLMODE_get(c, &mode))
            s_.polyFillMode = mode;
        break;
    case U_WMR_SETROP2:
        if (n >= U_SIZE_WMRSETROP2 && U_WMRSETROP2_get(c, &mode))
            s_.rop2 = mode;
        break;
    case U_WMR_SETTEXTALIGN:
        if (n >= U_SIZE_WMRSETTEXTALIGN && U_WMRSETTEXTALIGN_get(c, &mode))
            s_.textAlign = mode;
        break;
    case U_WMR_SETTEXTCHAREXTRA:
        if (n >= U_SIZE_WMRSETTEXTCHAREXTRA && U_WMRSETTEXTCHAREXTRA_get(c, &mode))
            s_.charExtra = qint16(mode);
        break;
    case U_WMR_SETMAPMODE:
        if (n >= U_SIZE_WMRSETMAPMODE && U_WMRSETMAPMODE_get(c, &mode) && mode >= U_MM_MIN &&
            mode <= U_MM_MAX) {
            s_.mapMode = mode;
            updateMapping();
        }
        break;
    case U_WMR_SETWINDOWORG:
        if (n >= U_SIZE_WMRSETWINDOWORG && U_WMRSETWINDOWORG_get(c, &pt)) {
            s_.windowOrg = QPoint(pt.x, pt.y);
            updateMapping();
        }
        break;
    case U_WMR_SETWINDOWEXT:
        // A zero extent is refused, as Windows does.
        if (n >= U_SIZE_WMRSETWINDOWEXT && U_WMRSETWINDOWEXT_get(c, &pt) && pt.x && pt.y) {
            s_.windowExt = QPoint(pt.x, pt.y);
            updateMapping();
        }
        break;
    case U_WMR_SETVIEWPORTORG:
        if (n >= U_SIZE_WMRSETVIEWPORTORG && U_WMRSETVIEWPORTORG_get(c, &pt)) {
            s_.viewportOrg = QPoint(pt.x, pt.y);
            updateMapping();
        }
        break;
    case U_WMR_SETVIEWPORTEXT:
        if (n >= U_SIZE_WMRSETVIEWPORTEXT && U_WMRSETVIEWPORTEXT_get(c, &pt) && pt.x && pt.y) {
            s_.viewportExt = QPoint(pt.x, pt.y);
            updateMapping();
        }
        break;
    case U_WMR_OFFSETWINDOWORG:
        if (n >= U_SIZE_WMROFFSETWINDOWORG && U_WMROFFSETWINDOWORG_get(c, &pt))
            s_.windowOrg += QPoint(pt.x, pt.y);
        break;
    case U_WMR_OFFSETVIEWPORTORG:
        if (n >= U_SIZE_WMROFFSETVIEWPORTORG && U_WMROFFSETVIEWPORTORG_get(c, &pt))
            s_.viewportOrg += QPoint(pt.x, pt.y);
        break;
    case U_WMR_SCALEWINDOWEXT:
    case U_WMR_SCALEVIEWPORTEXT: {
        const bool window = recordType(r) == U_WMR_SCALEWINDOWEXT;
        if (n < U_SIZE_WMRSCALEWINDOWEXT || !(window ? U_WMRSCALEWINDOWEXT_get(c, &pt, &pt2)
                                                     : U_WMRSCALEVIEWPORTEXT_get(c, &pt, &pt2)))
            break;
        // libuemf hands the fields (y denominator, y numerator, x denominator, x numerator) out
        // as (denominator.y, denominator.x, numerator.y, numerator.x).
        const int yDenom = pt.y;
        const int yNum = pt.x;
        const int xDenom = pt2.y;
        const int xNum = pt2.x;
        if (!xDenom || !yDenom)
            break;
        QPoint &ext = window ? s_.windowExt : s_.viewportExt;
        const qint64 x = qint64(ext.x()) * xNum / xDenom;
        const qint64 y = qint64(ext.y()) * yNum / yDenom;
        if (x && y && std::abs(x) <= INT16_MAX * 2LL && std::abs(y) <= INT16_MAX * 2LL) {
            ext = QPoint(int(x), int(y));
            updateMapping();
        }
        break;
    }
    case U_WMR_MOVETO:
        if (n >= U_SIZE_WMRMOVETO && U_WMRMOVETO_get(c, &pt))
            s_.position = QPoint(pt.x, pt.y);
        break;
    case U_WMR_LINETO:
        if (n >= U_SIZE_WMRLINETO && U_WMRLINETO_get(c, &pt))
            lineTo(QPoint(pt.x, pt.y));
        break;
    case U_WMR_RECTANGLE:
        if (n >= U_SIZE_WMRRECTANGLE && U_WMRRECTANGLE_get(c, &rc))
            rectangle(rc);
        break;
    case U_WMR_ROUNDRECT: {
        int16_t w = 0;
        int16_t h = 0;
        if (n >= U_SIZE_WMRROUNDRECT && U_WMRROUNDRECT_get(c, &w, &h, &rc))
            roundRect(w, h, rc);
        break;
    }
    case U_WMR_ELLIPSE:
        if (n >= U_SIZE_WMRELLIPSE && U_WMRELLIPSE_get(c, &rc))
            ellipse(rc);
        break;
    case U_WMR_ARC:
        if (n >= U_SIZE_WMRARC && U_WMRARC_get(c, &pt, &pt2, &rc))
            arc(ArcKind::Arc, pt, pt2, rc);
        break;
    case U_WMR_PIE:
        if (n >= U_SIZE_WMRPIE && U_WMRPIE_get(c, &pt, &pt2, &rc))
            arc(ArcKind::Pie, pt, pt2, rc);
        break;
    case U_WMR_CHORD:
        if (n >= U_SIZE_WMRCHORD && U_WMRCHORD_get(c, &pt, &pt2, &rc))
            arc(ArcKind::Chord, pt, pt2, rc);
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
            p_.fillRect(QRectF(toPixels(pt.x, pt.y), QSizeF(1, 1)), color(colour));
        break;
    case U_WMR_TEXTOUT:
        textOut(r);
        break;
    case U_WMR_EXTTEXTOUT:
        extTextOut(r);
        break;
    case U_WMR_SAVEDC:
        saveDc();
        break;
    case U_WMR_RESTOREDC: {
        int16_t which = 0;
        if (n >= U_SIZE_WMRRESTOREDC && U_WMRRESTOREDC_get(c, &which))
            restoreDc(which);
        break;
    }
    case U_WMR_INTERSECTCLIPRECT:
        if (n >= U_SIZE_WMRINTERSECTCLIPRECT && U_WMRINTERSECTCLIPRECT_get(c, &rc))
            intersectClip(pixelRect(rc.left, rc.top, rc.right, rc.bottom));
        break;
    case U_WMR_EXCLUDECLIPRECT:
        if (n >= U_SIZE_WMREXCLUDECLIPRECT && U_WMREXCLUDECLIPRECT_get(c, &rc))
            excludeClip(pixelRect(rc.left, rc.top, rc.right, rc.bottom));
        break;
    case U_WMR_OFFSETCLIPRGN:
        if (n >= U_SIZE_WMROFFSETCLIPRGN && U_WMROFFSETCLIPRGN_get(c, &pt) && s_.clipped) {
            s_.clip.translate(int(std::lround(pt.x * sx_)), int(std::lround(pt.y * sy_)));
            applyClip();
        }
        break;
    case U_WMR_SELECTCLIPREGION:
        if (n >= U_SIZE_WMRSELECTCLIPREGION && U_WMRSELECTCLIPREGION_get(c, &mode))
            selectClipRegion(mode);
        break;
    case U_WMR_SELECTOBJECT:
        if (n >= U_SIZE_WMRSELECTOBJECT && U_WMRSELECTOBJECT_get(c, &mode))
            selectObject(mode);
        break;
    case U_WMR_DELETEOBJECT:
        if (n >= U_SIZE_WMRDELETEOBJECT && U_WMRDELETEOBJECT_get(c, &mode))
            deleteObject(mode);
        break;
    case U_WMR_SELECTPALETTE:
        if (n >= U_SIZE_WMRSELECTPALETTE && U_WMRSELECTPALETTE_get(c, &mode)) {
            Object *o = objectAt(mode);
            if (auto *palette = o ? std::get_if<PaletteObject>(o) : nullptr) {
                s_.palette = palette->colors;
                s_.paletteIndex = mode;
            }
        }
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
            Object *o = objectAt(brush);
            if (auto *b = o ? std::get_if<BrushObject>(o) : nullptr)
                fillRegion(mode, *b);
        }
        break;
    }
    case U_WMR_PAINTREGION:
        if (n >= U_SIZE_WMRPAINTREGION && U_WMRPAINTREGION_get(c, &mode))
            fillRegion(mode, s_.brush);
        break;
    case U_WMR_FRAMEREGION: {
        uint16_t brush = 0;
        int16_t h = 0;
        int16_t w = 0;
        if (n >= U_SIZE_WMRFRAMEREGION && U_WMRFRAMEREGION_get(c, &mode, &brush, &h, &w))
            frameRegion(mode, brush, w, h);
        break;
    }
    case U_WMR_INVERTREGION:
        if (n >= U_SIZE_WMRINVERTREGION && U_WMRINVERTREGION_get(c, &mode))
            invertRegion(mode);
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

} // namespace picture::wmf
