#pragma once

// File names on Linux are bytes, not text. Qt decodes them as UTF-8 and replaces whatever is
// not UTF-8 with U+FFFD, after which the file can no longer be named. These helpers keep every
// byte instead: a byte that is not part of valid UTF-8 becomes the lone low surrogate
// U+DC00 + byte (0x80..0xFF gives U+DC80..U+DCFF), which no valid UTF-8 decodes to, and turns
// back into that byte on the way out. Names that are valid UTF-8 read exactly as Qt reads them.

#include <QByteArray>
#include <QString>

class QFile;

namespace filenames {

QString fromBytes(const QByteArray &bytes);
QByteArray toBytes(const QString &name);

// Opens `file` read-only on exactly the bytes of `name`; QFile::open would re-encode the name
// and miss a file whose name is not UTF-8. Only regular files open (a FIFO or a device would
// block or never end). On failure `error`, when given, gets the reason.
bool openForReading(QFile &file, const QString &name, QString *error = nullptr);

} // namespace filenames
