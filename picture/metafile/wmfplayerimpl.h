#pragma once

// The WMF record reader: decodes each record with libuemf and hands it to the GDI device.
// Shared by the reader's source files only.

#include <picture/metafile/gdidevice.h>
#include <picture/metafile/wmfplayer.h>

#include <uwmf.h>

namespace picture::wmf {

using gdi::ArcKind;
using gdi::BrushObject;
using gdi::ColorUsage;
using gdi::decodeBitmap16;
using gdi::decodeCharacters;
using gdi::decodeDib;
using gdi::decodeString;
using gdi::Device;
using gdi::FontObject;
using gdi::Object;
using gdi::OtherObject;
using gdi::PaletteObject;
using gdi::PenObject;
using gdi::RegionObject;
using gdi::TextPiece;

class Player {
public:
    Player(const Metafile &metafile, QImage *image);
    void run();

private:
    void handle(const Record &r);
    bool mapping(int type, const Record &r);

    QRectF rect(const U_RECT16 &rc) const
    {
        return QRectF(QPointF(rc.left, rc.top), QPointF(rc.right, rc.bottom));
    }

    void createPen(const Record &r);
    void createBrush(const Record &r);
    void createFont(const Record &r);
    void createPalette(const Record &r);
    void createRegion(const Record &r);
    void createDibPatternBrush(const Record &r);
    void createPatternBrush(const Record &r);
    void setPaletteEntries(const Record &r);
    void poly(const Record &r, bool closed);
    void polyPolygon(const Record &r);
    const RegionObject *regionAt(quint16 index);
    const BrushObject *brushAt(quint16 index);

    void text(QPoint at, QByteArrayView bytes, const LittleEndianReader &dx, quint16 options,
              const U_RECT16 *rect);
    void textOut(const Record &r);
    void extTextOut(const Record &r);

    void dibBlit(const Record &r, bool stretch);
    void stretchDib(const Record &r);
    void setDibToDevice(const Record &r);
    void bitmapBlit(const Record &r, bool stretch);
    void patBlt(const Record &r);
    ColorUsage usage(quint16 value) const;
    void blit(const QImage &image, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh,
              quint32 rop);

    const Metafile &mf_;
    Device dev_;
};

} // namespace picture::wmf
