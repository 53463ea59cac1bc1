#pragma once

// Whether two pictures are one drawing made on two machines. Qt's raster engine picks its
// blending code by the CPU it runs on, and those versions round differently: the same
// anti-aliased drawing comes out a few levels apart on a few of its edge pixels, and where the
// colours are then quantised (the switch faces' sixteen shades) such a pixel may move by one
// step. A changed drawing moves far more: a shape one pixel over changes every pixel along its
// edges, a changed colour every pixel of an area.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace artwork {

struct DrawingDifference {
    bool comparable = false; // both decoded, to the same size
    qsizetype pixels = 0;    // pixels that differ in any channel
    qsizetype total = 0;     // pixels compared
    int levels = 0;          // the largest difference in one channel

    // Within what two CPUs make of the same drawing.
    bool withinCpuNoise() const;
    // "12 of 65536 pixels differ, by up to 3 levels", for a test's or the generator's message.
    QString describe() const;
};

DrawingDifference compareDrawings(const QImage &a, const QImage &b);
// Both files decoded by Qt first (PNG, BMP, GIF, JPEG); a file Qt cannot decode compares as not
// comparable.
DrawingDifference compareEncodedDrawings(const QByteArray &a, const QByteArray &b);

// True when `committed` may stay as it is for `fresh`: the same bytes, or pictures whose
// pixels differ only as two CPUs' drawings do. Files that are no picture Qt reads (metafiles)
// must be the same bytes.
bool sameDrawing(const QByteArray &committed, const QByteArray &fresh);

} // namespace artwork
