#pragma once

// How far our picture of a metafile is from a reference rendering of the same file: both are
// flattened on white and trimmed to their ink, the reference is scaled to our size, both are
// reduced by averaging 4 x 4 cells, and the score is the share of cells whose grey differs by
// more than 48 of 255. 0 is a match, 1 is nothing alike.

#include <QImage>
#include <QRect>

namespace metafilescore {

// The picture drawn over opaque white, as RGB32.
QImage flattened(const QImage &image);

// The smallest rectangle holding every pixel of a flattened picture that is not nearly white;
// empty for a blank picture.
QRect inkBounds(const QImage &flat);

struct Comparison {
    double score = 1.0;
    // Both pictures trimmed, the reference at our size, and a map of the cells that differ
    // (red) over a faint copy of ours: for looking at by eye.
    QImage ours;
    QImage reference;
    QImage difference;
};

// Two blank pictures agree (0); a blank one against ink scores 1.
Comparison compare(const QImage &ours, const QImage &reference);

} // namespace metafilescore
