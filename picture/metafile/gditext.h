#pragma once

// Text in metafiles is in the code page of its font's character set, and the face names are the
// ones of a Windows machine. This turns both into what Qt and the installed fonts understand.

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace picture::gdi {

// One character of a string and the number of bytes it took (two for a double-byte character).
// `text` is empty for bytes that do not form a character.
struct TextPiece {
    QString text;
    int bytes = 1;
};

struct FaceChoice {
    // Installed families, best first: the first is one that Qt's font database has whenever
    // any Western font is installed; the last finds Japanese glyphs.
    QStringList families;
    // The Japanese, Chinese and Korean Windows faces have no internal leading: a positive
    // (cell) height is their character height, and their baseline sits lower than the
    // installed family's own metrics say.
    bool eastAsianMetrics = false;
    // The first family is the symbol font itself, in Windows' symbol encoding: decode its text
    // with the face, not by the Symbol chart.
    bool symbolEncoded = false;
};

// Text drawn in a font of the character set: symbol fonts' bytes by the Symbol font's code chart
// (Greek, mathematical signs, arrows, bracket pieces).
std::vector<TextPiece> decodeCharacters(QByteArrayView bytes, quint8 charset);
// The same for text in `face`: an installed font of Windows' symbol encoding takes its bytes
// as they are.
std::vector<TextPiece> decodeCharacters(QByteArrayView bytes, quint8 charset,
                                        const FaceChoice &face);
// A name in the character set, such as a face name; symbol fonts' names are in Windows' Western
// code page.
QString decodeString(QByteArrayView bytes, quint8 charset);
// UTF-16 text of a font of the character set (EMF). Symbol fonts' text comes as the byte values
// or as those values in the private-use row U+F0xx; both are read by the Symbol code chart. One
// code unit gives one, so the result lines up with its Dx array.
QString decodeWideString(QStringView text, quint8 charset);
QString decodeWideString(QStringView text, quint8 charset, const FaceChoice &face);

// The installed families that draw a Windows face; `pitchAndFamily` is the font record's
// hint for faces we do not know. It asks fontconfig, which takes some tens of microseconds.
FaceChoice substituteFace(const QString &face, quint8 charset, quint8 pitchAndFamily);

} // namespace picture::gdi
