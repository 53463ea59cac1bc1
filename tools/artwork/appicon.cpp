#include <tools/artwork/appicon.h>

#include <tools/artwork/livery.h>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>

namespace artwork {

namespace {

// The face is drawn on a 256-unit grid; each size maps it onto whole pixels.
constexpr double kGrid = 256;

// Body and its parts, in grid units.
constexpr double kBodyLeft = 34, kBodyRight = 222, kBodyTop = 14, kBodyBottom = 226;
constexpr double kRoofRadius = 34, kSkirtRadius = 10, kOutline = 6;
constexpr double kSignLeft = 62, kSignRight = 194, kSignTop = 28, kSignBottom = 64;
constexpr double kScreenLeft = 48, kScreenRight = 208, kScreenTop = 74, kScreenBottom = 156;
constexpr double kBandTop = 164, kBandBottom = 184, kPinTop = 188, kPinBottom = 192;
constexpr double kLampTop = 196, kLampBottom = 210, kLampInset = 18, kLampWidth = 34;
constexpr double kBumperTop = 212, kTyreTop = 206, kTyreBottom = 246, kTyreInset = 16,
                 kTyreWidth = 40;
// The mirrors on their stalks stand out past the body on both sides.
constexpr double kMirrorOut = 8, kMirrorTop = 70, kMirrorBottom = 124, kMirrorWidth = 16;

// Below these sizes a detail would only smudge the pixels around it.
constexpr int kMinSizeForMirrors = 32;
constexpr int kMinSizeForPinstripe = 24;
constexpr int kMinSizeForReflection = 32;
constexpr int kMinSizeForLetters = 64;

const QColor kSignBlack(16, 16, 18);
const QColor kLed(255, 176, 0);
const QColor kLampLight(255, 250, 226);
const QColor kIndicator(255, 150, 30);
const QColor kReflection(255, 255, 255, 46);

// The sign's text in 5 x 7 dot-matrix glyphs, one string per row: the route number "17" and
// the program's name in katakana.
// clang-format off
using Glyph = std::array<const char *, 7>;
constexpr Glyph kOne{"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."};
constexpr Glyph kSeven{"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."};
constexpr Glyph kSo{"#...#", ".#..#", ".#..#", "....#", "...#.", "..#..", "##..."};
constexpr Glyph kRu{".#.#.", ".#.#.", ".#.#.", ".#.#.", ".#.#.", "#..##", "#..#."};
constexpr Glyph kBe{"...#.", "..#.#", ".#...", "#.#..", "...#.", "....#", "....."};
constexpr Glyph kNa{"..#..", "..#..", "#####", "..#..", "..#..", ".#...", "#...."};
// clang-format on

// At 16 pixels the face is set pixel by pixel; drawn shapes would blur into each other there.
// clang-format off
constexpr int kHandDrawnSize = 16;
const char *const kSixteen[kHandDrawnSize] = {
    "................",
    "...KKKKKKKKKK...",
    "..KwwwwwwwwwwK..",
    ".KKwbbbbbbbbwKK.",
    "K.KwbaabaaabwK.K",
    "K.KwbbbbbbbbwK.K",
    "K.KwwwwwwwwwwK.K",
    "..KggggggggrgK..",
    "..KgggggggrggK..",
    "..KGGGGGGrGGGK..",
    "..KGGGGGGGGGGK..",
    "..KnnnnnnnnnnK..",
    "..KllwwwwwwllK..",
    "..KkkkkkkkkkkK..",
    "...KKK....KKK...",
    "...KKK....KKK...",
};
// clang-format on

class Face {
public:
    explicit Face(int size) : size_(size), scale_(size / kGrid) {}

    // A grid coordinate on the nearest pixel edge.
    double snap(double units) const { return std::round(units * scale_); }
    // A band between two grid edges, never thinner than one pixel.
    QRectF rect(double left, double top, double right, double bottom) const
    {
        const double l = snap(left), t = snap(top);
        return QRectF(l, t, std::max(1.0, snap(right) - l), std::max(1.0, snap(bottom) - t));
    }
    double length(double units) const { return std::max(1.0, snap(units)); }
    int size() const { return size_; }

private:
    int size_;
    double scale_;
};

QPainterPath bodyPath(const Face &f)
{
    const QRectF r = f.rect(kBodyLeft, kBodyTop, kBodyRight, kBodyBottom);
    const double roof = f.snap(kRoofRadius);
    const double skirt = f.snap(kSkirtRadius);
    QPainterPath path;
    path.moveTo(r.left(), r.bottom() - skirt);
    path.lineTo(r.left(), r.top() + roof);
    path.quadTo(r.topLeft(), QPointF(r.left() + roof, r.top()));
    path.lineTo(r.right() - roof, r.top());
    path.quadTo(r.topRight(), QPointF(r.right(), r.top() + roof));
    path.lineTo(r.right(), r.bottom() - skirt);
    path.quadTo(r.bottomRight(), QPointF(r.right() - skirt, r.bottom()));
    path.lineTo(r.left() + skirt, r.bottom());
    path.quadTo(r.bottomLeft(), QPointF(r.left(), r.bottom() - skirt));
    path.closeSubpath();
    return path;
}

void paintMirrors(QPainter &p, const Face &f)
{
    const QColor stalk = livery::kRubber;
    for (const bool left : {true, false}) {
        const double side = left ? kBodyLeft : kBodyRight;
        const double out = left ? side - kMirrorOut : side + kMirrorOut - kMirrorWidth;
        // A stalk from the roof's corner arching out and down to the mirror.
        QPainterPath arm;
        const double x0 = left ? kBodyLeft + 16 : kBodyRight - 16;
        const double xm = out + kMirrorWidth / 2;
        arm.moveTo(f.snap(x0), f.snap(kBodyTop + 14));
        arm.cubicTo(f.snap(left ? x0 - 30 : x0 + 30), f.snap(kBodyTop + 4), f.snap(xm),
                    f.snap(kBodyTop + 22), f.snap(xm), f.snap(kMirrorTop));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(stalk, f.length(kOutline), Qt::SolidLine, Qt::RoundCap));
        p.drawPath(arm);
        p.setPen(Qt::NoPen);
        p.setBrush(stalk);
        const QRectF mirror = f.rect(out, kMirrorTop, out + kMirrorWidth, kMirrorBottom);
        p.drawRoundedRect(mirror, f.snap(5), f.snap(5));
    }
}

QColor pixelColour(char c)
{
    switch (c) {
    case 'K':
        return livery::kRubber;
    case 'w':
        return livery::kBody;
    case 'b':
        return kSignBlack;
    case 'a':
        return kLed;
    case 'g':
        return livery::kGlassTop;
    case 'G':
        return livery::kGlassBottom;
    case 'r':
        return QColor(104, 124, 142);
    case 'n':
        return livery::kBand;
    case 'l':
        return kLampLight;
    case 'k':
        return livery::kSkirt;
    default:
        return Qt::transparent;
    }
}

QImage handDrawn()
{
    QImage image(kHandDrawnSize, kHandDrawnSize, QImage::Format_ARGB32);
    for (int y = 0; y < kHandDrawnSize; ++y)
        for (int x = 0; x < kHandDrawnSize; ++x)
            image.setPixelColor(x, y, pixelColour(kSixteen[y][x]));
    return image;
}

void paintSign(QPainter &p, const Face &f)
{
    const QRectF sign = f.rect(kSignLeft, kSignTop, kSignRight, kSignBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(kSignBlack);
    p.drawRect(sign);
    if (f.size() < kMinSizeForLetters) {
        // A lit line of text, with the route number set apart on the left.
        const QRectF lit = sign.adjusted(f.length(6), f.length(8), -f.length(6), -f.length(8));
        const double number = std::round(lit.width() * 0.28);
        const double gap = std::max(1.0, std::round(lit.width() * 0.08));
        p.setBrush(kLed);
        p.drawRect(QRectF(lit.left(), lit.top(), number, lit.height()));
        p.drawRect(
            QRectF(lit.left() + number + gap, lit.top(), lit.width() - number - gap, lit.height()));
        return;
    }
    // Dots of three pixels and more show as dots; smaller ones as plain strokes.
    const double dot = std::floor((sign.height() - 2 * f.snap(5)) / 7);
    const double lit = dot >= 3 ? dot - 1 : dot;
    const double top = sign.top() + std::floor((sign.height() - 7 * dot) / 2);
    const double right = sign.right() - f.snap(5);
    double x = sign.left() + f.snap(8);
    p.setBrush(kLed);
    const auto glyph = [&](const Glyph &g) {
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (g[row][col] == '#')
                    p.drawRect(QRectF(x + col * dot, top + row * dot, lit, lit));
        x += 6 * dot;
    };
    glyph(kOne);
    glyph(kSeven);
    x += 2 * dot;
    for (const Glyph &g : {kSo, kRu, kBe, kNa}) {
        if (x + 5 * dot > right)
            break;
        glyph(g);
    }
}

void paintWindscreen(QPainter &p, const Face &f)
{
    const QRectF screen = f.rect(kScreenLeft, kScreenTop, kScreenRight, kScreenBottom);
    const double radius = f.snap(8);
    QLinearGradient glass(screen.topLeft(), screen.bottomLeft());
    glass.setColorAt(0, livery::kGlassTop);
    glass.setColorAt(1, livery::kGlassBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawRoundedRect(screen, radius, radius);
    if (f.size() < kMinSizeForReflection)
        return;
    // Two light streaks across the glass, as the side windows have.
    QPainterPath clip;
    clip.addRoundedRect(screen, radius, radius);
    p.save();
    p.setClipPath(clip);
    p.setBrush(kReflection);
    const double h = screen.height();
    for (const auto &[start, width] : {std::pair{0.18, 0.16}, std::pair{0.42, 0.06}}) {
        const double x = screen.left() + screen.width() * start;
        const double w = screen.width() * width;
        QPolygonF streak;
        streak << QPointF(x + h * 0.6, screen.top()) << QPointF(x + h * 0.6 + w, screen.top())
               << QPointF(x + w, screen.bottom()) << QPointF(x, screen.bottom());
        p.drawPolygon(streak);
    }
    p.restore();
}

void paintFront(QPainter &p, const Face &f)
{
    p.setPen(Qt::NoPen);
    // Tyres first: the bumper covers their tops.
    p.setBrush(livery::kRubber);
    for (const double left : {kBodyLeft + kTyreInset, kBodyRight - kTyreInset - kTyreWidth})
        p.drawRoundedRect(f.rect(left, kTyreTop, left + kTyreWidth, kTyreBottom), f.snap(6),
                          f.snap(6));

    const QPainterPath body = bodyPath(f);
    QLinearGradient paint(0, f.snap(kBodyTop), 0, f.snap(kBodyBottom));
    paint.setColorAt(0, livery::kBody);
    paint.setColorAt(1, livery::kBodyShade);
    p.setBrush(paint);
    p.drawPath(body);

    p.save();
    p.setClipPath(body);
    p.setBrush(livery::kBand);
    p.drawRect(f.rect(kBodyLeft, kBandTop, kBodyRight, kBandBottom));
    if (f.size() >= kMinSizeForPinstripe) {
        p.setBrush(livery::kPinstripe);
        p.drawRect(f.rect(kBodyLeft, kPinTop, kBodyRight, kPinBottom));
    }
    p.setBrush(livery::kSkirt);
    p.drawRect(f.rect(kBodyLeft, kBumperTop, kBodyRight, kBodyBottom));
    p.restore();

    // Headlamps with the indicators outside them.
    for (const bool left : {true, false}) {
        const double l = left ? kBodyLeft + kLampInset : kBodyRight - kLampInset - kLampWidth;
        const QRectF lamp = f.rect(l, kLampTop, l + kLampWidth, kLampBottom);
        p.setBrush(kLampLight);
        p.drawRoundedRect(lamp, f.snap(4), f.snap(4));
        if (f.size() >= kMinSizeForReflection) {
            const double il = left ? l - 12 : l + kLampWidth + 4;
            p.setBrush(kIndicator);
            p.drawRect(f.rect(il, kLampTop + 2, il + 8, kLampBottom - 2));
        }
    }

    paintSign(p, f);
    paintWindscreen(p, f);

    // The outline last, over everything at the edge.
    p.setBrush(Qt::NoBrush);
    const double line = f.length(kOutline);
    p.setPen(QPen(livery::kRubber, line));
    QTransform inset;
    const QRectF box = body.boundingRect();
    inset.translate(box.center().x(), box.center().y());
    inset.scale((box.width() - line) / box.width(), (box.height() - line) / box.height());
    inset.translate(-box.center().x(), -box.center().y());
    p.drawPath(inset.map(body));
}

} // namespace

QImage paintAppIcon(int size)
{
    if (size == kHandDrawnSize)
        return handDrawn();
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const Face f(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (size >= kMinSizeForMirrors)
        paintMirrors(p, f);
    paintFront(p, f);
    p.end();
    return image;
}

} // namespace artwork
