#include <tools/artwork/pixelart.h>

#include <QList>

#include <stdexcept>

namespace artwork {

namespace {

constexpr int kSize = 32;
// Index of the see-through pixels, after the sixteen colours.
constexpr int kIconTransparent = 16;

// The sixteen colours of the standard Windows palette, in palette order.
QList<QRgb> standardPalette16()
{
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

// One character a pixel. Icon: a letter per palette colour (see kIconKey); '.' is transparent.
// clang-format off
const char *const kIcon[kSize] = {
    "................................",
    "......KKKKKKKKKKKKKKKKKKKK......",
    ".....KwwwwwwwwwwwwwwwwwwwwK.....",
    "....KwwwwwwwwwwwwwwwwwwwwwwK....",
    "..KKswwKKKKKKKKKKKKKKKKKKwwsKK..",
    ".K.KswwKKyKyyyKKKKKKKKKKKwwsK.K.",
    "KK.KswwKyyKKKyKKyyyKyyyKKwwsK.KK",
    "Ks.KswwKKyKKyKKKKyKKyKyKKwwsK.sK",
    "Ks.KswwKKyKKyKKKyyyKyyyKKwwsK.sK",
    "KK.KswwKKyKKyKKKKKKKKKKKKwwsK.KK",
    "KK.KswwKKKKKKKKKKKKKKKKKKwwsK.KK",
    "KK.KswwwwwwwwwwwwwwwwwwwwwwsK.KK",
    "KK.KsKKKKKKKKKKKKKKKKKKKKKKsK.KK",
    "KK.KsKttttttttttttttttttttKsK.KK",
    "...KsKttttttttttttttttttttKsK...",
    "...KsKnnnnnnnnaannnnnnnnnnKsK...",
    "...KsKnnnnnnnaannnnnnnnnnnKsK...",
    "...KsKnnnnnnaannnntnnnnnnnKsK...",
    "...KsKnnnnnaannnntnnnnnnnnKsK...",
    "...KsKnnnnaannnntnnnnnnnnnKsK...",
    "...KsKnnnaannnntnnnnnnnnnnKsK...",
    "...KsKKKKKKKKKKKKKKKKKKKKKKsK...",
    "...KggggggggggggggggggggggggK...",
    "...KggggggggggggggggggggggggK...",
    "...KllllllllllllllllllllllllK...",
    "...KsGwyGwwwKwwwwwwKwwwGwyGsK...",
    "...KsGywGwwwKggggggKwwwGywGsK...",
    "...KGGGGGGGGGGGGGGGGGGGGGGGGK...",
    "...KGGGGGGGGGGGGGGGGGGGGGGGGK...",
    "...KKKKKKKKKKKKKKKKKKKKKKKKKK...",
    ".....KKKKK............KKKKK.....",
    ".....KKKKK............KKKKK.....",
};
// clang-format on

// Letters of the icon art and the standard palette index each stands for.
constexpr struct {
    char letter;
    int index;
} kIconKey[] = {
    {'K', 0},
    {'m', 1},
    {'g', 2},
    {'o', 3},
    {'n', 4},
    {'p', 5},
    {'t', 6},
    {'s', 7},
    {'G', 8},
    {'r', 9},
    {'l', 10},
    {'y', 11},
    {'b', 12},
    {'f', 13},
    {'a', 14},
    {'w', 15},
    {'.', kIconTransparent},
};

// Hand: '#' black outline, 'o' white, '.' transparent.
// clang-format off
const char *const kHand[kSize] = {
    "................................",
    "...........###..................",
    "..........#ooo#.................",
    ".........#ooooo#................",
    ".........#ooooo#................",
    ".........#ooooo#................",
    ".........#ooooo#................",
    ".........#ooooo#................",
    ".........#ooooo#................",
    ".........#ooooo#####............",
    ".........#ooooo#oooo#...........",
    ".........#ooooo#oooo####........",
    ".........#ooooo#oooo#ooo#.......",
    "....###..#ooooo#oooo#ooo###.....",
    "...#ooo#.#ooooo#oooo#ooo#oo#....",
    "...#oooo##ooooo#oooo#ooo#oo#....",
    "...#ooooo#ooooo#oooo#ooo#oo#....",
    "....#ooooo#ooooooooooooo#oo#....",
    ".....#ooooo#ooooooooooooooo#....",
    "......#oooooooooooooooooooo#....",
    "......#oooooooooooooooooooo#....",
    ".......#ooooooooooooooooooo#....",
    ".......#oooooooooooooooooo#.....",
    "........#ooooooooooooooooo#.....",
    "........#oooooooooooooooo#......",
    ".........#ooooooooooooooo#......",
    ".........#oooooooooooooo#.......",
    ".........################.......",
    ".........#oooooooooooooo#.......",
    ".........#oooooooooooooo#.......",
    ".........################.......",
    "................................",
};
// clang-format on

int iconIndex(char letter)
{
    for (const auto &key : kIconKey) {
        if (key.letter == letter)
            return key.index;
    }
    throw std::logic_error("icon art uses a letter without a colour");
}

} // namespace

QImage iconPixels()
{
    QImage image(kSize, kSize, QImage::Format_Indexed8);
    QList<QRgb> table = standardPalette16();
    table.append(qRgba(0, 0, 0, 0));
    image.setColorTable(table);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x)
            image.setPixel(x, y, static_cast<uint>(iconIndex(kIcon[y][x])));
    }
    return image;
}

QImage handCursor()
{
    QImage image(kSize, kSize, QImage::Format_ARGB32);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const char c = kHand[y][x];
            image.setPixel(x, y,
                           c == '#'   ? qRgba(0, 0, 0, 255)
                           : c == 'o' ? qRgba(255, 255, 255, 255)
                                      : qRgba(0, 0, 0, 0));
        }
    }
    return image;
}

} // namespace artwork
