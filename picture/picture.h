#pragma once

// Turns a picture file (Windows bitmap, GIF, JPEG, Windows metafile, enhanced metafile) into an
// image. The format is told by the content, never by the file name's extension.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace picture {

struct Result {
    // Null for "no picture" (the empty path) and for a failure.
    QImage image;
    // Empty on success; otherwise one line that names the file and says what is wrong with it.
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// The empty path gives no picture and no error. Bitmaps keep their pixels (device pixel ratio 1);
// metafiles are drawn at `dpr` device pixels per logical pixel and carry that ratio, so the
// logical size is the natural size whatever the screen.
Result load(const QString &path, qreal dpr = 1.0);

// The same for bytes already in memory; `displayName` is used in failure descriptions.
Result decode(const QByteArray &bytes, const QString &displayName, qreal dpr = 1.0);

enum class Format { Unknown, Bmp, Gif, Jpeg, Wmf, Emf };

// Judges the first bytes of a file; a few dozen bytes are enough.
Format detectFormat(const QByteArray &head);

} // namespace picture
