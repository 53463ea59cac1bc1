// The EMF reader's life, its record loop and the records of state, mapping, shapes, paths and
// clipping; objects, text and regions are read in emfplayerobjects.cpp, bitmaps in
// emfplayerbitmaps.cpp.

#include <picture/metafile/emfplayerimpl.h>

#include <uemf_safe.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>

namespace {

constexpr qsizetype kRecordHead = 8;
// libuemf's checks may look a little past a record: they run on a copy padded with zeros.
constexpr qsizetype kSlack = 4096;
// Records the checks cannot check (they say so on the error output); we draw none of them:
// escapes, OpenGL, colour profiles, POLYTEXTOUT and unused numbers.
constexpr quint32 kUncheckable[] = {69,  96,  97,  102, 103, 105, 106, 107, 109,
                                    110, 111, 112, 113, 117, 119, 120, 121};
// GDI records that put something on the picture.
constexpr quint32 kDrawing[] = {2,  3,  4,  5,  6,  7,  8,  15, 41, 42, 43,  44,  45,  46, 47, 53,
                                54, 55, 56, 62, 63, 64, 71, 72, 73, 74, 76,  77,  78,  79, 80, 81,
                                83, 84, 85, 86, 87, 88, 89, 90, 91, 92, 108, 114, 116, 118};
constexpr quint32 kEmfPlusIdentifier = 0x2B464D45; // "EMF+"
constexpr quint16 kEmfPlusHeader = 0x4001;
constexpr quint32 kMaxObjects = 65536;
constexpr quint32 kMinObjects = 1024; // for headers that count too few handles
constexpr qsizetype kHandleCountAt = 56;
constexpr qsizetype kHeaderSizeAt = 4;
constexpr int kArcClockwise = 2;
constexpr size_t kMaxPoints = 1 << 22;

template <typename Visit> void forEachRecord(const QByteArray &bytes, qsizetype from, Visit visit)
{
    const picture::LittleEndianReader file(bytes);
    qsizetype at = from;
    while (at + kRecordHead <= bytes.size()) {
        const quint32 type = file.u32(at);
        const quint32 size = file.u32(at + 4);
        if (size < kRecordHead || size % 4 != 0 || size > quint64(bytes.size() - at))
            break; // the rest cannot be trusted
        if (type == U_EMR_EOF || !visit(at, type, size))
            break;
        at += size;
    }
}

} // namespace

namespace picture::emf {

bool holdsOnlyEmfPlus(const QByteArray &bytes)
{
    const LittleEndianReader file(bytes);
    const qsizetype headerSize = file.u32(kHeaderSizeAt);
    bool plus = false;
    bool drawn = false;
    forEachRecord(
        bytes, std::max<qsizetype>(headerSize, kRecordHead),
        [&](qsizetype at, quint32 type, quint32 size) {
            if (type == U_EMR_COMMENT && size >= 24 && file.u32(at + 12) == kEmfPlusIdentifier &&
                file.u16(at + 16) == kEmfPlusHeader)
                plus = true;
            if (std::find(std::begin(kDrawing), std::end(kDrawing), type) != std::end(kDrawing))
                drawn = true;
            return !drawn;
        });
    // A header calling the file dual is not enough: without GDI drawing there is nothing for
    // us to show.
    return plus && !drawn;
}

float Player::Rec::f32(qsizetype at) const
{
    return std::bit_cast<float>(in.u32(at));
}

QTransform Player::Rec::xform(qsizetype at) const
{
    return QTransform(f32(at), f32(at + 4), f32(at + 8), f32(at + 12), f32(at + 16), f32(at + 20));
}

Player::Player(const QByteArray &bytes, qsizetype headerSize, const QTransform &deviceToPicture,
               QSizeF devicePixelsPerInch, QImage *image)
    : bytes_(bytes), headerSize_(headerSize),
      dev_(image, deviceToPicture, devicePixelsPerInch,
           std::clamp<quint32>(LittleEndianReader(bytes).u16(kHandleCountAt), kMinObjects,
                               kMaxObjects))
{
}

void Player::run()
{
    QByteArray padded(bytes_.size() + kSlack, '\0');
    std::memcpy(padded.data(), bytes_.constData(), size_t(bytes_.size()));
    forEachRecord(bytes_, headerSize_, [&](qsizetype at, quint32 type, quint32 size) {
        const bool checkable = type > U_EMR_HEADER && type <= U_EMR_MAX &&
                               std::find(std::begin(kUncheckable), std::end(kUncheckable), type) ==
                                   std::end(kUncheckable);
        if (checkable && U_emf_record_safe(padded.constData() + at))
            handle(Rec{type, LittleEndianReader(bytes_.constData() + at, size)});
        return true;
    });
    dev_.finish();
}

void Player::handle(const Rec &r)
{
    if (!state(r) && !drawing(r) && !pathOrClip(r) && !objects(r))
        bitmaps(r);
}

// ---- State and mapping ------------------------------------------------------------------------

bool Player::state(const Rec &r)
{
    // Asked for only by the records that change it: asking ends a run of lines drawn together.
    const auto s = [this]() -> gdi::DcState & { return dev_.state(); };
    const LittleEndianReader &in = r.in;
    switch (r.type) {
    case U_EMR_SETWINDOWEXTEX:
        dev_.setWindowExt(r.point(8));
        break;
    case U_EMR_SETWINDOWORGEX:
        dev_.setWindowOrg(r.point(8));
        break;
    case U_EMR_SETVIEWPORTEXTEX:
        dev_.setViewportExt(r.point(8));
        break;
    case U_EMR_SETVIEWPORTORGEX:
        dev_.setViewportOrg(r.point(8));
        break;
    case U_EMR_SCALEVIEWPORTEXTEX:
        dev_.scaleViewportExt(in.s32(8), in.s32(12), in.s32(16), in.s32(20));
        break;
    case U_EMR_SCALEWINDOWEXTEX:
        dev_.scaleWindowExt(in.s32(8), in.s32(12), in.s32(16), in.s32(20));
        break;
    case U_EMR_SETMAPMODE:
        dev_.setMapMode(int(in.u32(8)));
        break;
    case U_EMR_SETWORLDTRANSFORM:
        dev_.setWorldTransform(r.xform(8));
        break;
    case U_EMR_MODIFYWORLDTRANSFORM:
        dev_.modifyWorldTransform(r.xform(8), int(in.u32(32)));
        break;
    case U_EMR_SETBKMODE:
        s().bkMode = int(in.u32(8));
        break;
    case U_EMR_SETPOLYFILLMODE:
        s().polyFillMode = int(in.u32(8));
        break;
    case U_EMR_SETROP2:
        s().rop2 = int(in.u32(8));
        break;
    case U_EMR_SETSTRETCHBLTMODE:
        s().stretchMode = int(in.u32(8));
        break;
    case U_EMR_SETTEXTALIGN:
        s().textAlign = in.u32(8);
        break;
    case U_EMR_SETTEXTCOLOR:
        s().textColor = dev_.color(r.color(8));
        break;
    case U_EMR_SETBKCOLOR:
        s().bkColor = dev_.color(r.color(8));
        break;
    case U_EMR_SETARCDIRECTION:
        s().clockwiseArcs = in.u32(8) == kArcClockwise;
        break;
    case U_EMR_SETMITERLIMIT:
        s().miterLimit = std::clamp<double>(in.u32(8), 1, 1000);
        break;
    case U_EMR_SAVEDC:
        dev_.saveDc();
        break;
    case U_EMR_RESTOREDC:
        dev_.restoreDc(in.s32(8));
        break;
    case U_EMR_MOVETOEX:
        dev_.moveTo(r.point(8));
        break;
    default:
        return false;
    }
    return true;
}

// ---- Shapes and lines -------------------------------------------------------------------------

// `count` points at `pointsAt`, 32-bit pairs or 16-bit ones; none when they do not fit.
QPolygonF Player::points(const Rec &r, qsizetype countAt, qsizetype pointsAt, bool small) const
{
    const quint32 count = r.in.u32(countAt);
    const qsizetype each = small ? 4 : 8;
    if (count > kMaxPoints || !r.in.has(pointsAt, qsizetype(count) * each))
        return {};
    QPolygonF out;
    out.reserve(count);
    for (quint32 i = 0; i < count; ++i)
        out.append(small ? r.point16(pointsAt + i * 4) : r.point(pointsAt + i * 8));
    return out;
}

void Player::polyPoly(const Rec &r, bool small, bool closed)
{
    const quint32 polys = r.in.u32(24);
    const quint32 total = r.in.u32(28);
    const qsizetype countsAt = 32;
    if (polys > kMaxPoints || total > kMaxPoints || !r.in.has(countsAt, qsizetype(polys) * 4))
        return;
    const qsizetype pointsAt = countsAt + qsizetype(polys) * 4;
    const qsizetype each = small ? 4 : 8;
    if (!r.in.has(pointsAt, qsizetype(total) * each))
        return;
    std::vector<QPolygonF> out;
    quint64 used = 0;
    for (quint32 i = 0; i < polys; ++i) {
        const quint32 n = r.in.u32(countsAt + i * 4);
        if (used + n > total)
            return;
        QPolygonF poly;
        poly.reserve(n);
        for (quint32 k = 0; k < n; ++k, ++used)
            poly.append(small ? r.point16(pointsAt + qsizetype(used) * 4)
                              : r.point(pointsAt + qsizetype(used) * 8));
        out.push_back(std::move(poly));
    }
    if (closed) {
        dev_.polygons(out);
        return;
    }
    for (const QPolygonF &poly : out)
        dev_.polyline(poly);
}

void Player::polyDraw(const Rec &r, bool small)
{
    const QPolygonF pts = points(r, 24, 28, small);
    const qsizetype typesAt = 28 + pts.size() * (small ? 4 : 8);
    if (pts.isEmpty() || !r.in.has(typesAt, pts.size()))
        return;
    dev_.polyDraw(pts, QByteArray(r.in.data() + typesAt, pts.size()));
}

bool Player::drawing(const Rec &r)
{
    const bool small = r.type >= U_EMR_POLYBEZIER16 && r.type <= U_EMR_POLYDRAW16;
    switch (r.type) {
    case U_EMR_POLYGON:
    case U_EMR_POLYGON16:
        dev_.polygons({points(r, 24, 28, small)});
        break;
    case U_EMR_POLYLINE:
    case U_EMR_POLYLINE16:
        dev_.polyline(points(r, 24, 28, small));
        break;
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYBEZIER16:
        dev_.polyBezier(points(r, 24, 28, small), false);
        break;
    case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYBEZIERTO16:
        dev_.polyBezier(points(r, 24, 28, small), true);
        break;
    case U_EMR_POLYLINETO:
    case U_EMR_POLYLINETO16:
        dev_.polylineTo(points(r, 24, 28, small));
        break;
    case U_EMR_POLYPOLYLINE:
    case U_EMR_POLYPOLYLINE16:
        polyPoly(r, small, false);
        break;
    case U_EMR_POLYPOLYGON:
    case U_EMR_POLYPOLYGON16:
        polyPoly(r, small, true);
        break;
    case U_EMR_POLYDRAW:
    case U_EMR_POLYDRAW16:
        polyDraw(r, small);
        break;
    case U_EMR_SETPIXELV:
        dev_.setPixel(r.point(8), dev_.color(r.color(16)));
        break;
    case U_EMR_LINETO:
        dev_.lineTo(r.point(8));
        break;
    case U_EMR_RECTANGLE:
        dev_.rectangle(r.rect(8));
        break;
    case U_EMR_ROUNDRECT:
        dev_.roundRect(r.rect(8), QSizeF(r.in.s32(24), r.in.s32(28)));
        break;
    case U_EMR_ELLIPSE:
        dev_.ellipse(r.rect(8));
        break;
    case U_EMR_ARC:
        dev_.arc(ArcKind::Arc, r.rect(8), r.point(24), r.point(32));
        break;
    case U_EMR_ARCTO:
        dev_.arc(ArcKind::ArcTo, r.rect(8), r.point(24), r.point(32));
        break;
    case U_EMR_CHORD:
        dev_.arc(ArcKind::Chord, r.rect(8), r.point(24), r.point(32));
        break;
    case U_EMR_PIE:
        dev_.arc(ArcKind::Pie, r.rect(8), r.point(24), r.point(32));
        break;
    case U_EMR_ANGLEARC:
        dev_.angleArc(r.point(8), r.in.u32(16), r.f32(20), r.f32(24));
        break;
    case U_EMR_EXTTEXTOUTA:
        text(r, false);
        break;
    case U_EMR_EXTTEXTOUTW:
        text(r, true);
        break;
    case U_EMR_SMALLTEXTOUT:
        smallText(r);
        break;
    default:
        return false;
    }
    return true;
}

// ---- Paths and clipping -----------------------------------------------------------------------

bool Player::pathOrClip(const Rec &r)
{
    const LittleEndianReader &in = r.in;
    switch (r.type) {
    case U_EMR_BEGINPATH:
        dev_.beginPath();
        break;
    case U_EMR_ENDPATH:
        dev_.endPath();
        break;
    case U_EMR_CLOSEFIGURE:
        dev_.closeFigure();
        break;
    case U_EMR_FILLPATH:
        dev_.fillPath();
        break;
    case U_EMR_STROKEANDFILLPATH:
        dev_.strokeAndFillPath();
        break;
    case U_EMR_STROKEPATH:
        dev_.strokePath();
        break;
    case U_EMR_FLATTENPATH:
        dev_.flattenPath();
        break;
    case U_EMR_WIDENPATH:
        dev_.widenPath();
        break;
    case U_EMR_SELECTCLIPPATH:
        if (in.u32(8) >= 1 && in.u32(8) <= 5)
            dev_.selectClipPath(gdi::ClipMode(in.u32(8)));
        break;
    case U_EMR_ABORTPATH:
        dev_.abortPath();
        break;
    case U_EMR_OFFSETCLIPRGN:
        dev_.offsetClip(r.point(8));
        break;
    case U_EMR_SETMETARGN:
        dev_.setMetaRegion();
        break;
    case U_EMR_EXCLUDECLIPRECT:
        dev_.excludeClip(r.rect(8));
        break;
    case U_EMR_INTERSECTCLIPRECT:
        dev_.intersectClip(r.rect(8));
        break;
    case U_EMR_EXTSELECTCLIPRGN: {
        // Clip regions are in device units; an empty one with RGN_COPY clears the clip.
        const quint32 mode = in.u32(12);
        if (mode < 1 || mode > 5)
            break;
        const std::optional<gdi::RegionObject> rgn = region(r, 8, 16);
        std::optional<QRegion> pixels;
        if (rgn) {
            QList<QRegion> parts;
            for (const QRect &rc : rgn->rects)
                parts.append(dev_.deviceRect(QRectF(rc)));
            pixels = gdi::unite(std::move(parts));
        }
        dev_.combineClip(pixels, gdi::ClipMode(mode));
        break;
    }
    case U_EMR_FILLRGN:
        if (const auto rgn = region(r, 24, 32))
            if (const BrushObject *brush = brushAt(in.u32(28)))
                dev_.fillRegion(*rgn, *brush);
        break;
    case U_EMR_PAINTRGN:
        if (const auto rgn = region(r, 24, 28))
            dev_.fillRegion(*rgn, dev_.state().brush);
        break;
    case U_EMR_INVERTRGN:
        if (const auto rgn = region(r, 24, 28))
            dev_.invertRegion(*rgn);
        break;
    case U_EMR_FRAMERGN:
        if (const auto rgn = region(r, 24, 40))
            if (const BrushObject *brush = brushAt(in.u32(28)))
                dev_.frameRegion(*rgn, *brush, in.s32(32), in.s32(36));
        break;
    default:
        return false;
    }
    return true;
}

} // namespace picture::emf

namespace picture::emf {

void play(const QByteArray &bytes, qsizetype headerSize, const QTransform &deviceToPicture,
          QSizeF devicePixelsPerInch, QImage *image)
{
    Player player(bytes, headerSize, deviceToPicture, devicePixelsPerInch, image);
    player.run();
}

} // namespace picture::emf
