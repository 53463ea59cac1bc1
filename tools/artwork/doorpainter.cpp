#include <tools/artwork/doorpainter.h>

#include <common/layout.h>
#include <tools/artwork/glass.h>
#include <tools/artwork/livery.h>

#include <QLinearGradient>
#include <QPainter>

namespace artwork {

namespace {

constexpr qreal kStile = 4; // frame width round the glass
constexpr qreal kGlassTop = 5;
constexpr qreal kGlassBottom = 100;
constexpr qreal kSealWidth = 2.5; // rubber where two panels meet
constexpr qreal kKickPlate = 7;   // aluminium plate at the foot of each leaf

// The door pictures are stretched a little on screen; stripes are placed where the body's
// stripes will be once stretched.
qreal onDoor(qreal busY, qreal doorTop, qreal shownHeight, qreal pictureHeight)
{
    return (busY - doorTop) * pictureHeight / shownHeight;
}

// A door panel: body-coloured frame, stripes matching the body, glass and a kick plate.
void paintPanel(QPainter &p, const QRectF &panel, qreal doorTop, qreal shownHeight)
{
    const qreal h = p.device()->height();
    auto y = [&](qreal busY) { return onDoor(busY, doorTop, shownHeight, h); };

    QLinearGradient body(panel.topLeft(), panel.bottomLeft());
    body.setColorAt(0, livery::kBody);
    body.setColorAt(1, livery::kBodyShade);
    p.fillRect(panel, body);

    const qreal l = panel.left();
    const qreal w = panel.width();
    p.fillRect(QRectF(l, y(livery::kBeltTop), w, y(livery::kBeltBottom) - y(livery::kBeltTop)),
               livery::kBand);
    QLinearGradient band(0, y(livery::kBandTop), 0, y(livery::kBandBottom));
    band.setColorAt(0, livery::kBand.lighter(112));
    band.setColorAt(1, livery::kBandDark);
    p.fillRect(QRectF(l, y(livery::kBandTop), w, y(livery::kBandBottom) - y(livery::kBandTop)),
               band);
    p.fillRect(QRectF(l, y(livery::kPinTop), w, y(livery::kPinBottom) - y(livery::kPinTop)),
               livery::kPinstripe);

    QLinearGradient kick(0, h - kKickPlate, 0, h);
    kick.setColorAt(0, QColor(214, 216, 220));
    kick.setColorAt(1, QColor(150, 152, 158));
    p.fillRect(QRectF(l, h - kKickPlate, w, kKickPlate), kick);

    const QRectF glass(l + kStile, kGlassTop, w - 2 * kStile, kGlassBottom - kGlassTop);
    p.setPen(Qt::NoPen);
    p.setBrush(livery::kRubber);
    p.drawRoundedRect(glass.adjusted(-1.5, -1.5, 1.5, 1.5), 3, 3);
    paintGlass(p, glass, 2);

    // Bevel: light on the top and left edge, shade on the bottom and right edge.
    p.fillRect(QRectF(l, 0, w, 1), QColor(255, 255, 255, 150));
    p.fillRect(QRectF(l, 0, 1, h), QColor(255, 255, 255, 110));
    p.fillRect(QRectF(panel.right() - 1, 0, 1, h), QColor(0, 0, 0, 60));
}

// A chrome handle on the inside, seen through the glass.
void paintHandle(QPainter &p, qreal x, qreal top, qreal bottom)
{
    QLinearGradient chrome(x, 0, x + 3, 0);
    chrome.setColorAt(0, QColor(150, 154, 160));
    chrome.setColorAt(0.5, QColor(236, 238, 242));
    chrome.setColorAt(1, QColor(120, 124, 130));
    p.setPen(Qt::NoPen);
    p.setBrush(chrome);
    p.drawRoundedRect(QRectF(x, top, 3, bottom - top), 1.5, 1.5);
}

} // namespace

QImage paintFrontDoor()
{
    QImage image(layout::kFrontDoorWidth, layout::kFrontDoorHeight, QImage::Format_RGB32);
    image.fill(livery::kBody);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF shown(twips::toPixels(layout::kFrontDoor));
    const qreal half = std::floor(layout::kFrontDoorWidth / 2.0);
    paintPanel(p, QRectF(0, 0, half, image.height()), shown.top(), shown.height());
    paintPanel(p, QRectF(half, 0, image.width() - half, image.height()), shown.top(),
               shown.height());
    paintHandle(p, half - 9, 38, 78);
    paintHandle(p, half + 6, 38, 78);

    p.fillRect(QRectF(half - kSealWidth / 2, 0, kSealWidth, image.height()), livery::kRubber);
    p.fillRect(QRectF(image.width() - 1, 0, 1, image.height()), QColor(0, 0, 0, 80));
    p.fillRect(QRectF(0, image.height() - 1, image.width(), 1), QColor(0, 0, 0, 80));
    p.end();
    return image;
}

QImage paintCentreLeaf(bool right)
{
    QImage image(layout::kLeafWidth, layout::kLeafHeight, QImage::Format_RGB32);
    image.fill(livery::kBody);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Drawn as the left leaf; the seal where the leaves meet is on its right edge.
    const QRectF shown(twips::toPixels(layout::kCentreLeftLeaf));
    const qreal w = image.width();
    paintPanel(p, QRectF(0, 0, w - kSealWidth, image.height()), shown.top(), shown.height());
    paintHandle(p, w - kSealWidth - 11, 40, 84);
    p.fillRect(QRectF(w - kSealWidth, 0, kSealWidth, image.height()), livery::kRubber);
    p.fillRect(QRectF(0, image.height() - 1, w, 1), QColor(0, 0, 0, 80));
    p.end();
    // The right leaf is the mirror image, but light still comes from the left: its outer edge
    // is shaded like every other right edge.
    if (!right)
        return image;
    QImage mirrored = image.mirrored(true, false);
    QPainter q(&mirrored);
    q.fillRect(QRectF(w - 1, 0, 1, image.height()), QColor(0, 0, 0, 60));
    q.end();
    return mirrored;
}

} // namespace artwork
