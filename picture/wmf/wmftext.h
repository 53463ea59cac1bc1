#pragma once

// Text in metafiles is in the code page of its font's character set, and the face names are the
// ones of a Windows machine. This turns both into what Qt and the installed fonts understand.

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

namespace picture::wmf {

// One character of a string and the number of bytes it took (two for a double-byte character).
// `text` is empty for bytes that do not form a character.
struct TextPiece {
    QString text;
    int bytes = 1;
};

std::vector<TextPiece> decodeCharacters(QByteArrayView bytes, quint8 charset);
QString decodeString(QByteArrayView bytes, quint8 charset);

struct FaceChoice {
    QStringList families;
    // The Japanese, Chinese and Korean Windows faces have no internal leading: a positive
    // (cell) height is their character height, and their baseline sits lower than the
    // stand-in's own metrics say.
    bool eastAsianMetrics = false;
};

// The installed families standing in for a Windows face; `pitchAndFamily` is the font record's
// hint for faces we do not know.
FaceChoice substituteFace(const QString &face, quint8 charset, quint8 pitchAndFamily);

} // namespace picture::wmf
