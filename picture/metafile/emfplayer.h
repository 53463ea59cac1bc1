#pragma once

// Plays the records of an enhanced metafile (EMF) onto an image through the GDI device that
// draws WMF as well.

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <QTransform>

namespace picture::emf {

// True when the metafile holds EMF+ records only: an EMF+ header, and no GDI record that draws
// (a file whose header calls it dual but that draws nothing in GDI counts too).
bool holdsOnlyEmfPlus(const QByteArray &bytes);

// Plays every record that passes libuemf's checks, from the header (`headerSize` bytes) to the
// end record or the first record that runs past the end. `deviceToPicture` takes the reference
// device's pixels to the image's logical pixels; `devicePixelsPerInch` sizes the fixed mapping
// modes.
void play(const QByteArray &bytes, qsizetype headerSize, const QTransform &deviceToPicture,
          QSizeF devicePixelsPerInch, QImage *image);

} // namespace picture::emf
