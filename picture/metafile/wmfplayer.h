#pragma once

// Plays metafile records onto an image, keeping the state a Windows device context keeps while
// it plays them.

#include <picture/metafile/wmfrecords.h>

#include <QImage>

namespace picture::wmf {

// `image` is the natural size times its device pixel ratio, with that ratio set; the metafile's
// window maps onto all of it.
void play(const Metafile &metafile, QImage *image);

} // namespace picture::wmf
