#pragma once

namespace fonts {
// The design's label font. Debian has no such font; it falls back to a Japanese Gothic.
inline constexpr char kGothic[] = "ＭＳ Ｐゴシック";
// Makes the design's Japanese font names resolve to fonts that this system has, with Japanese
// glyph shapes rather than Chinese ones. Call once after the application object exists.
void installFallbacks();
} // namespace fonts
