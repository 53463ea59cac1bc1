#pragma once

// Enhanced metafiles, played by our EMF reader (emfplayer.h) through the GDI device.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace picture {

// The size in logical pixels (96 per inch) of the metafile's frame rectangle. False with a
// reason (no file name) when the bytes are not a usable enhanced metafile.
bool emfNaturalSize(const QByteArray &bytes, QSize *size, QString *error);

// Draws the metafile at its natural size times `dpr` on a transparent image whose device pixel
// ratio is `dpr`.
bool renderEmf(const QByteArray &bytes, qreal dpr, QImage *out, QString *error);

} // namespace picture
