#pragma once

// Shorthands for the EMF player's tests: a 100 x 100 pixel picture whose logical units start as
// pixels, drawn; ink.h looks at where its ink landed.

#include "emfbuilder.h"
#include "ink.h"

#include <QImage>

// 100 x 100 pixels; no pen, a black brush selected.
EmfBuilder emfPicture();
// The picture drawn, or a null image with a warning.
QImage drawEmf(EmfBuilder &b, qreal dpr = 1.0);
