#pragma once

// The EMF record reader: checks each record with libuemf, decodes it and hands it to the GDI
// device. Shared by the reader's source files only.

#include <picture/littleendian.h>
#include <picture/metafile/emfplayer.h>
#include <picture/metafile/gdidevice.h>

namespace picture::emf {

using gdi::ArcKind;
using gdi::BrushObject;
using gdi::Device;
using gdi::FontObject;
using gdi::Object;
using gdi::PenObject;

class Player {
public:
    Player(const QByteArray &bytes, qsizetype headerSize, const QTransform &deviceToPicture,
           QSizeF devicePixelsPerInch, QImage *image);
    void run();

private:
    // One record: its type and its bytes, size included.
    struct Rec {
        quint32 type = 0;
        LittleEndianReader in;
        QPointF point(qsizetype at) const { return QPointF(in.s32(at), in.s32(at + 4)); }
        QPointF point16(qsizetype at) const { return QPointF(in.s16(at), in.s16(at + 2)); }
        QRectF rect(qsizetype at) const
        {
            return QRectF(point(at), QPointF(in.s32(at + 8), in.s32(at + 12)));
        }
        U_COLORREF color(qsizetype at) const
        {
            return U_COLORREF{in.u8(at), in.u8(at + 1), in.u8(at + 2), in.u8(at + 3)};
        }
        float f32(qsizetype at) const;
        QTransform xform(qsizetype at) const;
    };

    void handle(const Rec &r);
    bool state(const Rec &r);
    bool drawing(const Rec &r);
    bool pathOrClip(const Rec &r);
    bool objects(const Rec &r);
    bool bitmaps(const Rec &r);

    QPolygonF points(const Rec &r, qsizetype countAt, qsizetype pointsAt, bool small) const;
    void polyPoly(const Rec &r, bool small, bool closed);
    void polyDraw(const Rec &r, bool small);
    void selectStock(quint32 index);
    void createPen(const Rec &r);
    void extCreatePen(const Rec &r);
    void createBrush(const Rec &r);
    void createDibBrush(const Rec &r, bool mono);
    void createFont(const Rec &r);
    void createPalette(const Rec &r);
    void setPaletteEntries(const Rec &r);
    void text(const Rec &r, bool wide);
    void smallText(const Rec &r);
    std::optional<gdi::RegionObject> region(const Rec &r, qsizetype sizeAt, qsizetype dataAt) const;
    const BrushObject *brushAt(quint32 index);
    QImage bitmap(const Rec &r, qsizetype usageAt, qsizetype bmiAt, bool keepAlpha = false) const;
    void blt(const Rec &r);
    void stretchDiBits(const Rec &r);
    void setDiBitsToDevice(const Rec &r);
    void alphaBlend(const Rec &r);
    void transparentBlt(const Rec &r);
    void gradientFill(const Rec &r);

    const QByteArray &bytes_;
    qsizetype headerSize_;
    Device dev_;
};

} // namespace picture::emf
