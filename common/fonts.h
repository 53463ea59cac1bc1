#pragma once

class QFont;

namespace fonts {
// The labels' font. Debian has no such font; it falls back to a Japanese Gothic.
inline constexpr char kGothic[] = "ＭＳ Ｐゴシック";
// Makes the Japanese font names we ask for resolve to fonts that this system has, with Japanese
// glyph shapes rather than Chinese ones. Call once after the application object exists.
void installFallbacks();
// Makes a Japanese Gothic the application's default font: every caption here is Japanese, and
// a Latin default would draw it through per-character fallback, slowly and with whatever glyph
// shapes the fallback brings.
void useJapaneseDefaultFont();
// The labels' font, under the name of the installed Japanese Gothic family that draws it.
// Drawing a family that is not installed costs a fallback-family search even when a substitute
// is known.
QFont gothic();
} // namespace fonts
