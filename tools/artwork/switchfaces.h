#pragma once

#include <QImage>
#include <QString>

namespace artwork {

// Family of the Japanese Gothic face used for the switch faces.
inline constexpr char kSwitchFontFamily[] = "Noto Sans CJK JP";

// A 50 x 20 switch face: the text in black on yellow, Format_Indexed8 with sixteen shades
// from black to yellow so the edges of the strokes stay smooth. Throws std::runtime_error
// when the font is not installed, rather than drawing Chinese glyph shapes from a fallback.
QImage paintSwitchFace(const QString &text);

} // namespace artwork
