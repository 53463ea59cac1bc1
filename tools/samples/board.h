#pragma once

// A sample picture described once, in twips, and written in every format from that one
// description: the bitmaps by painting it, the metafiles as vector records.

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>

#include <variant>
#include <vector>

namespace samples {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr char kFontFamily[] = "Noto Sans CJK JP";

struct FilledRect {
    QRect twips;
    QColor colour;
};

struct FilledEllipse {
    QRect twips;
    QColor colour;
};

// One line of text centred on `anchor` horizontally, with `anchor` on its baseline. The glyphs
// are squeezed sideways by `xScale` (roll signs fit long names that way).
struct Text {
    QString text;
    QPoint anchor;
    int emTwips;
    bool bold;
    QColor colour;
    double xScale = 1.0;
};

// Each character's advance in twips, as the sample font sets it.
std::vector<int> advances(const Text &text);

using Shape = std::variant<FilledRect, FilledEllipse, Text>;

struct Board {
    int widthTwips;
    int heightTwips;
    QColor background;
    std::vector<Shape> shapes;
};

// The destination roll: one cell per destination, top to bottom.
Board destinationRoll();
// Signboards the size of the bus's signboard.
Board oneManBoard();
Board ticketBoard();
Board routeBoard();
// A few twips of everything, for the fuzzer's seed corpus.
Board tinyBoard();

} // namespace samples
