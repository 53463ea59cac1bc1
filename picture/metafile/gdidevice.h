#pragma once

// A Windows graphics device context drawn with QPainter: the state GDI keeps while a metafile
// plays (mapping, world transform, objects, pen, brush, font, clipping, path, current position)
// and the drawing calls both metafile formats come down to. The record readers (wmfplayer*.cpp
// for WMF, emfplayer*.cpp for EMF) only decode records and call this; GDI's rules live here, in
// gdidevice*.cpp.
//
// Coordinates handed in are logical units; they go through the world transform (EMF only), the
// window-to-viewport mapping, and then the fixed transform from device units to picture pixels
// the reader sets up.

#include <picture/metafile/gdidib.h>
#include <picture/metafile/gditext.h>

#include <uemf.h>

#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTransform>

#include <array>
#include <optional>
#include <variant>
#include <vector>

namespace picture::gdi {

inline constexpr int kNormalWeight = 400;

struct PenObject {
    quint32 style = U_PS_SOLID; // style, end cap, join and type bits together
    double width = 0;           // logical units; 0 is one pixel
    QColor color = Qt::black;
    bool cosmetic = true;    // EXTCREATEPEN's cosmetic type: one pixel whatever the width
    bool extended = false;   // from EXTCREATEPEN: geometric styles are honoured at any width
    QList<qreal> userDashes; // U_PS_USERSTYLE, logical units
};

struct BrushObject {
    quint32 style = U_BS_SOLID;
    QColor color = Qt::white;
    quint32 hatch = 0;
    QImage pattern;
    bool monochrome = false; // a one-bit pattern: its colours are the text and background ones
};

struct FontObject {
    int height = 0;
    int width = 0;
    int escapement = 0; // tenths of a degree
    int weight = kNormalWeight;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    quint8 charset = U_DEFAULT_CHARSET;
    FaceChoice face; // from Device::face(); none draws in Qt's default font
};

struct PaletteObject {
    QList<QRgb> colors;
};

struct RegionObject {
    QList<QRect> rects; // logical units, right and bottom exclusive
};

// Takes a slot but selects nothing: bitmaps we do not paint with, records too short to read.
struct OtherObject {};

using Object = std::variant<std::monostate, PenObject, BrushObject, FontObject, PaletteObject,
                            RegionObject, OtherObject>;

enum class ArcKind { Arc, Pie, Chord, ArcTo };

// Region combination, numbered as the RGN_* constants.
enum class ClipMode { And = 1, Or = 2, Xor = 3, Diff = 4, Copy = 5 };

struct DcState {
    int mapMode = U_MM_TEXT;
    QPointF windowOrg;
    QPointF windowExt{1, 1};
    QPointF viewportOrg;
    QPointF viewportExt{1, 1};
    QTransform world;
    PenObject pen;
    BrushObject brush;
    FontObject font;
    QList<QRgb> palette;
    int paletteIndex = -1;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    int bkMode = U_OPAQUE;
    quint32 textAlign = U_TA_LEFT | U_TA_TOP;
    int polyFillMode = U_ALTERNATE;
    int rop2 = U_R2_COPYPEN;
    int stretchMode = U_BLACKONWHITE;
    bool clockwiseArcs = false;
    double miterLimit = 10;
    QPointF position;
    double charExtra = 0;
    bool clipped = false;
    QRegion clip; // in picture pixels
    bool metaClipped = false;
    QRegion metaClip;
};

// A face's measures per pixel of character height.
struct FaceMetrics {
    double ascent = 0;
    double descent = 0;
    double averageWidth = 0; // as Windows reports it: lower-case letters and space by frequency
};

struct RealFont {
    bool drawable = false;
    QFont font;
    double ascent = 0;
    double descent = 0;
    double widthScale = 1;
    double angle = 0; // degrees, counter-clockwise on the picture
};

// Text to draw: the characters, each with its advance in logical units when the record gives
// them (and a vertical one with ETO_PDY).
struct TextRun {
    std::vector<TextPiece> pieces;
    std::vector<double> advances; // empty, or one per piece
    std::vector<double> vertical; // empty, or one per piece
    quint32 options = 0;          // ETO_*
    std::optional<QRectF> rect;   // logical, when ETO_OPAQUE or ETO_CLIPPED asks for it
};

// The union of many regions, built quickly.
QRegion unite(QList<QRegion> parts);

class Device {
public:
    // `deviceToPicture` takes device units to the image's logical pixels; `devicePixelsPerInch`
    // sizes the fixed mapping modes; `objectCapacity` bounds the object table.
    Device(QImage *image, const QTransform &deviceToPicture, QSizeF devicePixelsPerInch,
           size_t objectCapacity);
    ~Device();
    Device(const Device &) = delete;
    Device &operator=(const Device &) = delete;

    // Changing the state ends a run of lines drawn together.
    DcState &state()
    {
        flushLines();
        return s_;
    }
    const DcState &state() const { return s_; }
    QSizeF pictureSize() const { return picture_; }

    // Mapping.
    void setMapMode(int mode);
    void setWindowOrg(QPointF p);
    void setWindowExt(QPointF e);
    void setViewportOrg(QPointF p);
    void setViewportExt(QPointF e);
    void scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
    void setWorldTransform(const QTransform &t);
    // MWT_IDENTITY (1), MWT_LEFTMULTIPLY (2), MWT_RIGHTMULTIPLY (3), MWT_SET (4).
    void modifyWorldTransform(const QTransform &t, int mode);
    // Logical to picture pixels, snapped to device pixels.
    QPointF toPixels(QPointF p) const;
    QPointF toPixels(double x, double y) const { return toPixels(QPointF(x, y)); }
    // Logical lengths in picture pixels along x and y.
    double scaleX() const { return scaleX_; }
    double scaleY() const { return scaleY_; }
    // Device units (EMF regions) to picture pixels.
    QRect deviceRect(const QRectF &r) const;

    // Objects. WMF puts new objects in the lowest free slot, EMF names the slot.
    void addObject(Object object);
    void setObject(quint32 index, Object object);
    Object *objectAt(quint32 index);
    void selectObject(quint32 index);
    void deleteObject(quint32 index);
    void selectPalette(quint32 index);
    void setPaletteEntries(int start, const QList<QRgb> &colors);
    QColor color(const U_COLORREF &c) const;
    // The installed families for a face of a font record, asked of fontconfig once per picture.
    const FaceChoice &face(const QString &name, quint8 charset, quint8 pitchAndFamily);
    QRegion region(const RegionObject &r) const;

    // State stack and clipping.
    void saveDc();
    void restoreDc(int which);
    void intersectClip(const QRectF &logical);
    void excludeClip(const QRectF &logical);
    void offsetClip(QPointF logical);
    // `pixels` in picture pixels; nullopt with Copy clears the clip.
    void combineClip(const std::optional<QRegion> &pixels, ClipMode mode);
    void selectClipRegion(quint32 index);
    void setMetaRegion();

    // Shapes and lines.
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void rectangle(const QRectF &r);
    void roundRect(const QRectF &r, QSizeF corner);
    void ellipse(const QRectF &r);
    void arc(ArcKind kind, const QRectF &box, QPointF start, QPointF end);
    void angleArc(QPointF centre, double radius, double startDegrees, double sweepDegrees);
    void polygons(const std::vector<QPolygonF> &polys);
    void polyline(const QPolygonF &points);
    void polylineTo(const QPolygonF &points);
    void polyBezier(const QPolygonF &points, bool fromCurrent);
    // PT_* types: MOVETO 6, LINETO 2, BEZIERTO 4, CLOSEFIGURE bit 1.
    void polyDraw(const QPolygonF &points, const QByteArray &types);
    void setPixel(QPointF p, const QColor &c);
    void fillRegion(const RegionObject &r, const BrushObject &brush);
    void frameRegion(const RegionObject &r, const BrushObject &brush, double width, double height);
    void invertRegion(const RegionObject &r);
    void fillPixelRegion(const QRegion &pixels, const BrushObject &brush);
    // GRADIENTFILL's shapes: a rectangle shading from its first corner's colour to its second's,
    // and a triangle shading between its corners' colours.
    void gradientRect(const QRectF &logical, const QColor &from, const QColor &to, bool vertical);
    void gradientTriangle(const std::array<QPointF, 3> &logical,
                          const std::array<QColor, 3> &colors);

    // Paths.
    void beginPath();
    void endPath();
    void abortPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void widenPath();
    void flattenPath();
    void selectClipPath(ClipMode mode);

    // Text at logical point `at`; the characters are already Unicode.
    void text(QPointF at, const TextRun &run);

    // Bitmaps: the source rectangle of `image` stretched onto the logical destination rectangle
    // (negative sizes mirror); `rop` a ternary raster operation.
    void blit(const QImage &image, const QRectF &dest, const QRectF &source, quint32 rop);
    void ropFill(const QRectF &logical, quint32 rop);
    // Source pixels are composed by their own alpha (ALPHABLEND), scaled by `constantAlpha`.
    void alphaBlit(const QImage &image, const QRectF &dest, const QRectF &source,
                   int constantAlpha);
    // Pixels of colour `transparent` are left out (TRANSPARENTBLT).
    void transparentBlit(const QImage &image, const QRectF &dest, const QRectF &source,
                         QRgb transparent);

    void finish();

private:
    void updateMapping();
    QRectF box(const QRectF &logical) const;
    QRegion logicalRegion(const QRectF &logical) const;
    QPainterPath mapped(const QPainterPath &logical) const;
    bool rotated() const { return rotated_; }
    double snap(double v) const;

    std::optional<QPen> currentPen() const;
    double penPixels() const;
    QColor ropColor(const QColor &c) const;
    void setCompositionFor(int rop2);
    void paperUnder(const QPainterPath &area);
    void fill(const QPainterPath &path, const BrushObject &brush, bool useRop2 = true);
    void stroke(const QPainterPath &path);
    QRectF outlineBox(const QRectF &box) const;
    // A closed shape: filled and outlined, or added to the open path.
    void shape(const QPainterPath &area, const QPainterPath &outline);
    // An open figure: stroked, or added to the open path.
    void line(const QPainterPath &pixels, bool continueFigure);
    void applyClip();
    Qt::FillRule fillRule() const;
    // Consecutive lines with a plain pen are stroked together: far faster, and the same pixels.
    void flushLines();

    RealFont realizeFont();
    FaceMetrics latinMetrics(const QFont &font);
    const QRawFont &rawFont(const QFont &font);

    QImage *image_;
    QPainter p_;
    qreal dpr_ = 1;
    QSizeF picture_;
    QTransform deviceToPicture_;
    QSizeF devicePerInch_;
    DcState s_;
    std::vector<DcState> saved_;
    int droppedSaves_ = 0;
    std::vector<Object> objects_;
    size_t objectCapacity_ = 0;
    size_t firstFree_ = 0;
    QTransform full_;
    double scaleX_ = 1;
    double scaleY_ = 1;
    bool rotated_ = false;
    bool inPath_ = false;
    bool figureOpen_ = false;
    bool widened_ = false;
    QPainterPath path_; // picture pixels
    QPainterPath pendingLines_;
    QHash<QString, FaceMetrics> metricsCache_;
    QHash<QString, FaceChoice> faces_;
    QHash<QString, QRawFont> rawFonts_;
};

} // namespace picture::gdi
