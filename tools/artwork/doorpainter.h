#pragma once

#include <QImage>

namespace artwork {

// The closed front door: two glazed panels.
QImage paintFrontDoor();

// One leaf of the centre-folding door; the right leaf is the mirror image of the left one.
QImage paintCentreLeaf(bool right);

} // namespace artwork
