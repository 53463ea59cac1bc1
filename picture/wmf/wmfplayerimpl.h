#pragma once

// The player's state: the objects a metafile creates and the device context it draws through.
// Shared by the player's source files only.

#include <picture/wmf/wmfdib.h>
#include <picture/wmf/wmfplayer.h>
#include <picture/wmf/wmftext.h>

#include <uwmf.h>

#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <optional>
#include <variant>
#include <vector>

namespace picture::wmf {

inline constexpr int kNormalWeight = 400;

struct PenObject {
    quint16 style = U_PS_SOLID;
    int width = 0;
    QColor color = Qt::black;
};

struct BrushObject {
    quint16 style = U_BS_SOLID;
    QColor color = Qt::white;
    quint16 hatch = 0;
    QImage pattern;
};

struct FontObject {
    int height = 0;
    int width = 0;
    int escapement = 0;
    int weight = kNormalWeight;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    quint8 charset = U_DEFAULT_CHARSET;
    FaceChoice face = substituteFace(QString(), U_DEFAULT_CHARSET, 0);
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

struct DcState {
    int mapMode = U_MM_ANISOTROPIC;
    QPoint windowOrg;
    QPoint windowExt{1, 1};
    QPoint viewportOrg;
    QPoint viewportExt{1, 1};
    PenObject pen;
    BrushObject brush;
    FontObject font;
    QList<QRgb> palette;
    int paletteIndex = -1;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    int bkMode = U_OPAQUE;
    quint16 textAlign = U_TA_LEFT | U_TA_TOP;
    int polyFillMode = U_ALTERNATE;
    int rop2 = U_R2_COPYPEN;
    QPoint position;
    int charExtra = 0;
    bool clipped = false;
    QRegion clip; // in picture pixels
};

struct RealFont {
    bool drawable = false;
    QFont font;
    double ascent = 0;
    double descent = 0;
    double widthScale = 1;
    double angle = 0;
};

class Player {
public:
    Player(const Metafile &metafile, QImage *image);
    void run();

private:
    // Mapping from logical units to picture pixels.
    void updateMapping();
    QPointF toPixels(double x, double y) const;
    QPointF toPixels(QPoint p) const { return toPixels(p.x(), p.y()); }
    QRectF box(int left, int top, int right, int bottom) const;
    QRect pixelRect(int left, int top, int right, int bottom) const;
    double snap(double v) const;

    // Painting with the current pen and brush.
    QRectF outlineBox(const QRectF &box) const;
    std::optional<QPen> currentPen() const;
    QColor ropColor(const QColor &c) const;
    void setCompositionFor(int rop2);
    void fill(const QPainterPath &path, const BrushObject &brush, bool useRop2 = true);
    void stroke(const QPainterPath &path);
    void applyClip();
    QColor color(const U_COLORREF &c) const;

    // Objects.
    void addObject(Object object);
    Object *objectAt(quint16 index);
    QRegion region(const RegionObject &r) const;

    void handle(const Record &r);
    void createPen(const Record &r);
    void createBrush(const Record &r);
    void createFont(const Record &r);
    void createPalette(const Record &r);
    void createRegion(const Record &r);
    void createDibPatternBrush(const Record &r);
    void createPatternBrush(const Record &r);
    void selectObject(quint16 index);
    void deleteObject(quint16 index);
    void setPaletteEntries(const Record &r);

    void saveDc();
    void restoreDc(int which);
    void intersectClip(const QRect &rect);
    void excludeClip(const QRect &rect);
    void selectClipRegion(quint16 index);

    void rectangle(const U_RECT16 &rc);
    void roundRect(int width, int height, const U_RECT16 &rc);
    void ellipse(const U_RECT16 &rc);
    enum class ArcKind { Arc, Pie, Chord };
    void arc(ArcKind kind, U_POINT16 start, U_POINT16 end, const U_RECT16 &rc);
    void poly(const Record &r, bool closed);
    void polyPolygon(const Record &r);
    void lineTo(QPoint to);

    RealFont realizeFont();
    QPair<double, double> latinMetrics(const QFont &font);
    void text(QPoint at, QByteArrayView bytes, const LittleEndianReader &dx, quint16 options,
              const U_RECT16 *rect);
    void textOut(const Record &r);
    void extTextOut(const Record &r);

    void blit(const QImage &image, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh,
              quint32 rop);
    void ropFill(const QRectF &target, quint32 rop);
    void dibBlit(const Record &r, bool stretch);
    void stretchDib(const Record &r);
    void setDibToDevice(const Record &r);
    void bitmapBlit(const Record &r, bool stretch);
    void patBlt(const Record &r);
    ColorUsage usage(quint16 value) const;

    void fillRegion(quint16 regionIndex, const BrushObject &brush);
    void frameRegion(quint16 regionIndex, quint16 brushIndex, int width, int height);
    void invertRegion(quint16 regionIndex);

    const Metafile &mf_;
    QImage *image_;
    QPainter p_;
    qreal dpr_ = 1;
    DcState s_;
    std::vector<DcState> saved_;
    int droppedSaves_ = 0;
    std::vector<Object> objects_;
    size_t objectCapacity_ = 0;
    size_t firstFree_ = 0;
    double sx_ = 1;
    double sy_ = 1;
    QHash<QString, QPair<double, double>> metricsCache_;
};

} // namespace picture::wmf
