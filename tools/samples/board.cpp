#include <tools/samples/board.h>

#include <algorithm>

namespace {

constexpr int kRollWidth = 720; // the sign window: 48 x 30 pixels
constexpr int kCellHeight = 450;
constexpr int kRollEm = 300;
constexpr int kRollMargin = 30;
// Kanji and kana sit in an em box whose centre is this far above the baseline.
constexpr double kIdeographicCentre = 0.38;
constexpr int kBoardWidth = 1410; // the signboard: 94 x 30 pixels
constexpr int kBoardHeight = 450;

const char16_t *const kDestinations[] = {
    u"駅前", u"市役所前", u"中央病院", u"大学前", u"東団地",
    u"港町", u"営業所",   u"回送",     u"貸切",   u"臨時",
};

int baselineFor(int cellTop, int cellHeight, int em)
{
    return cellTop + cellHeight / 2 + int(em * kIdeographicCentre);
}

// Full-width glyphs are one em wide; squeeze what does not fit.
samples::Text fitted(const QString &text, int centreX, int cellTop, int cellHeight, int em,
                     int width, bool bold, QColor colour)
{
    const double natural = double(text.size()) * em;
    return {text,   QPoint(centreX, baselineFor(cellTop, cellHeight, em)),
            em,     bold,
            colour, std::min(1.0, width / natural)};
}

} // namespace

namespace samples {

Board destinationRoll()
{
    Board roll{kRollWidth, int(std::size(kDestinations)) * kCellHeight, Qt::black, {}};
    int top = 0;
    for (const char16_t *name : kDestinations) {
        roll.shapes.push_back(fitted(QString::fromUtf16(name), kRollWidth / 2, top, kCellHeight,
                                     kRollEm, kRollWidth - 2 * kRollMargin, true, Qt::white));
        top += kCellHeight;
    }
    return roll;
}

Board oneManBoard()
{
    Board b{kBoardWidth, kBoardHeight, QColor(0, 56, 150), {}};
    b.shapes.push_back(FilledRect{QRect(30, 30, kBoardWidth - 60, kBoardHeight - 60), Qt::white});
    b.shapes.push_back(
        FilledRect{QRect(60, 60, kBoardWidth - 120, kBoardHeight - 120), QColor(0, 56, 150)});
    b.shapes.push_back(fitted(QStringLiteral("ワンマン"), kBoardWidth / 2, 0, kBoardHeight, 270,
                              kBoardWidth - 200, true, Qt::white));
    return b;
}

Board ticketBoard()
{
    Board b{kBoardWidth, kBoardHeight, QColor(255, 214, 0), {}};
    b.shapes.push_back(fitted(QStringLiteral("整理券"), kBoardWidth / 2 - 120, 0, kBoardHeight, 300,
                              1000, true, Qt::black));
    // A ticket sticking out of its slot.
    b.shapes.push_back(FilledRect{QRect(1095, 90, 210, 270), Qt::black});
    b.shapes.push_back(FilledRect{QRect(1125, 60, 150, 240), Qt::white});
    b.shapes.push_back(fitted(QStringLiteral("券"), 1200, 60, 240, 150, 150, true, Qt::black));
    return b;
}

Board routeBoard()
{
    Board b{kBoardWidth, kBoardHeight, Qt::white, {}};
    b.shapes.push_back(FilledRect{QRect(0, 0, kBoardWidth, 30), QColor(40, 40, 40)});
    b.shapes.push_back(
        FilledRect{QRect(0, kBoardHeight - 30, kBoardWidth, 30), QColor(40, 40, 40)});
    b.shapes.push_back(FilledEllipse{QRect(60, 45, 360, 360), QColor(230, 90, 0)});
    b.shapes.push_back(Text{QStringLiteral("12"), QPoint(240, 330), 270, true, Qt::white, 1.0});
    b.shapes.push_back(
        fitted(QStringLiteral("系統"), 900, 0, kBoardHeight, 300, 900, true, Qt::black));
    return b;
}

Board tinyBoard()
{
    Board b{120, 120, Qt::black, {}};
    b.shapes.push_back(FilledRect{QRect(15, 15, 45, 30), Qt::red});
    b.shapes.push_back(FilledEllipse{QRect(60, 60, 45, 45), Qt::blue});
    b.shapes.push_back(Text{QStringLiteral("駅"), QPoint(60, 100), 90, true, Qt::white, 0.8});
    return b;
}

} // namespace samples
