#include <tools/artwork/buspainter.h>

#include <common/layout.h>
#include <tools/artwork/glass.h>
#include <tools/artwork/livery.h>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace artwork {

namespace {

// Outline of the body, in pixels.
constexpr qreal kFront = 3;
constexpr qreal kRear = 737;
constexpr qreal kRoof = 6;
constexpr qreal kFrontRoofRadius = 18;
constexpr qreal kRearRoofRadius = 12;
constexpr qreal kGutter = 22;

// The black band that holds the side windows, and the glass in it.
constexpr qreal kBandTop = 24;
constexpr qreal kBandBottom = 98;
constexpr qreal kGlassTop = 27;
constexpr qreal kGlassBottom = 95;
constexpr qreal kVentBottom = 47; // the small sliding pane at the top of each window

// Window bays between the doors and behind the centre door.
constexpr qreal kFrontBayLeft = 113;
constexpr qreal kFrontBayRight = 321;
constexpr qreal kRearBayLeft = 440;
constexpr qreal kRearBayRight = 733;

// Wheels: centre height, tyre and arch radii, axle positions.
constexpr qreal kAxleY = 176;
constexpr qreal kTyreRadius = 29;
constexpr qreal kArchRadius = 35;
constexpr qreal kFrontAxleX = 152;
constexpr qreal kRearAxleX = 522;

constexpr qreal kGround = 205;

// The side destination sign: a bezel and a dark recess a little larger than the sign window.
constexpr qreal kSignRecessMargin = 3;
constexpr qreal kSignBezel = 2;

QRectF px(const twips::Rect &r)
{
    return QRectF(twips::toPixels(r));
}

QPainterPath bodyPath()
{
    QPainterPath path;
    path.moveTo(kFront, livery::kBodyBottom - 4);
    path.lineTo(kFront, kRoof + kFrontRoofRadius);
    path.quadTo(kFront, kRoof, kFront + kFrontRoofRadius, kRoof);
    path.lineTo(kRear - kRearRoofRadius, kRoof);
    path.quadTo(kRear, kRoof, kRear, kRoof + kRearRoofRadius);
    path.lineTo(kRear, livery::kBodyBottom - 4);
    path.quadTo(kRear, livery::kBodyBottom, kRear - 4, livery::kBodyBottom);
    path.lineTo(kFront + 4, livery::kBodyBottom);
    path.quadTo(kFront, livery::kBodyBottom, kFront, livery::kBodyBottom - 4);
    path.closeSubpath();
    return path;
}

QPainterPath archPath(qreal axleX)
{
    QPainterPath circle;
    circle.addEllipse(QPointF(axleX, kAxleY), kArchRadius, kArchRadius);
    QPainterPath above;
    above.addRect(
        QRectF(axleX - kArchRadius - 1, 0, 2 * kArchRadius + 2, livery::kBodyBottom + 0.5));
    return circle.intersected(above);
}

void paintBackdrop(QPainter &p)
{
    QLinearGradient sky(0, 0, 0, kGround - 8);
    sky.setColorAt(0, QColor(196, 218, 238));
    sky.setColorAt(1, QColor(234, 240, 244));
    p.fillRect(QRectF(0, 0, layout::kBusWidth, kGround - 8), sky);

    QLinearGradient ground(0, kGround - 8, 0, layout::kBusHeight);
    ground.setColorAt(0, QColor(178, 178, 174));
    ground.setColorAt(1, QColor(140, 140, 137));
    p.fillRect(QRectF(0, kGround - 8, layout::kBusWidth, layout::kBusHeight - kGround + 8), ground);

    // The shadow under the body.
    QLinearGradient shade(0, livery::kBodyBottom, 0, layout::kBusHeight);
    shade.setColorAt(0, QColor(0, 0, 0, 110));
    shade.setColorAt(1, QColor(0, 0, 0, 40));
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawRoundedRect(QRectF(kFront + 2, livery::kBodyBottom - 2, kRear - kFront - 4,
                             layout::kBusHeight - livery::kBodyBottom),
                      6, 6);
}

void paintRoofUnit(QPainter &p)
{
    // The air conditioner on the roof.
    const QRectF unit(208, 1.5, 300, 8);
    QLinearGradient g(unit.topLeft(), unit.bottomLeft());
    g.setColorAt(0, QColor(250, 250, 246));
    g.setColorAt(1, QColor(205, 205, 198));
    p.setPen(QPen(QColor(150, 150, 142), 1));
    p.setBrush(g);
    p.drawRoundedRect(unit, 4, 4);
    p.setPen(QPen(QColor(170, 170, 162), 1));
    for (qreal x = 236; x < 490; x += 28)
        p.drawLine(QPointF(x + 0.5, 3), QPointF(x + 0.5, 6));
}

void paintBodyPanels(QPainter &p)
{
    QLinearGradient g(0, kRoof, 0, livery::kBodyBottom);
    g.setColorAt(0, QColor(255, 255, 252));
    g.setColorAt(0.09, livery::kBody);
    g.setColorAt(0.6, livery::kBody);
    g.setColorAt(1, livery::kBodyShade);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(bodyPath());

    // Rain gutter along the roof edge.
    p.setPen(QPen(livery::kSeam, 1));
    p.drawLine(QPointF(kFront + 14, kGutter + 0.5), QPointF(kRear - 6, kGutter + 0.5));
    p.setPen(QPen(QColor(255, 255, 255, 180), 1));
    p.drawLine(QPointF(kFront + 14, kGutter + 1.5), QPointF(kRear - 6, kGutter + 1.5));
}

void paintStripes(QPainter &p)
{
    const qreal w = layout::kBusWidth;
    p.fillRect(QRectF(0, livery::kBeltTop, w, livery::kBeltBottom - livery::kBeltTop),
               livery::kBand);

    QLinearGradient band(0, livery::kBandTop, 0, livery::kBandBottom);
    band.setColorAt(0, livery::kBand.lighter(112));
    band.setColorAt(1, livery::kBandDark);
    p.fillRect(QRectF(0, livery::kBandTop, w, livery::kBandBottom - livery::kBandTop), band);
    p.fillRect(QRectF(0, livery::kPinTop, w, livery::kPinBottom - livery::kPinTop),
               livery::kPinstripe);

    QLinearGradient skirt(0, livery::kSkirtTop, 0, livery::kBodyBottom);
    skirt.setColorAt(0, livery::kSkirt.lighter(125));
    skirt.setColorAt(1, livery::kSkirt.darker(130));
    p.fillRect(QRectF(0, livery::kSkirtTop, w, livery::kBodyBottom - livery::kSkirtTop), skirt);
}

void paintPane(QPainter &p, const QRectF &pane)
{
    paintGlass(p, pane, 3);
    // Seat backs and headrests seen through the glass.
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(pane, 3, 3);
    p.setClipPath(clip, Qt::IntersectClip);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 26, 44, 150));
    for (qreal x = pane.left() + 4; x < pane.right() - 8; x += 22)
        p.drawRoundedRect(QRectF(x, kGlassBottom - 16, 15, 20), 4, 4);
    p.restore();

    // The frame of the sliding pane at the top.
    p.setPen(QPen(QColor(120, 124, 130), 1.5));
    p.drawLine(QPointF(pane.left(), kVentBottom), QPointF(pane.right(), kVentBottom));
    p.setPen(QPen(QColor(120, 124, 130), 1));
    const qreal mid = std::round(pane.center().x()) + 0.5;
    p.drawLine(QPointF(mid, pane.top()), QPointF(mid, kVentBottom));
}

void paintWindows(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(26, 28, 32));
    p.drawRoundedRect(
        QRectF(kFrontBayLeft, kBandTop, kFrontBayRight - kFrontBayLeft, kBandBottom - kBandTop), 5,
        5);
    p.drawRoundedRect(
        QRectF(kRearBayLeft, kBandTop, kRearBayRight - kRearBayLeft, kBandBottom - kBandTop), 5, 5);

    const qreal frontPanes[][2] = {{116, 182}, {186, 252}, {256, 318}};
    for (const auto &pane : frontPanes)
        paintPane(p, QRectF(pane[0], kGlassTop, pane[1] - pane[0], kGlassBottom - kGlassTop));
    const qreal rearPanes[][2] = {{516, 580}, {584, 648}, {652, 712}};
    for (const auto &pane : rearPanes)
        paintPane(p, QRectF(pane[0], kGlassTop, pane[1] - pane[0], kGlassBottom - kGlassTop));

    // The last quarter window follows the rounded rear corner.
    QPainterPath quarter;
    quarter.moveTo(716, kGlassTop);
    quarter.lineTo(722, kGlassTop);
    quarter.quadTo(730, kGlassTop, 730, kGlassTop + 10);
    quarter.lineTo(730, kGlassBottom);
    quarter.lineTo(716, kGlassBottom);
    quarter.closeSubpath();
    p.save();
    p.setClipPath(quarter);
    paintGlass(p, quarter.boundingRect(), 0);
    p.restore();

    // Below the side sign a small fixed pane.
    paintGlass(p, QRectF(444, 66, 66, kGlassBottom - 66), 3);
}

void paintSignOpening(QPainter &p)
{
    const QRectF sign = px(layout::kSignWindow);
    const QRectF recess =
        sign.adjusted(-kSignRecessMargin, -kSignRecessMargin, kSignRecessMargin, kSignRecessMargin);
    const QRectF bezel = recess.adjusted(-kSignBezel, -kSignBezel, kSignBezel, kSignBezel);
    QLinearGradient metal(bezel.topLeft(), bezel.bottomLeft());
    metal.setColorAt(0, QColor(214, 216, 220));
    metal.setColorAt(1, QColor(140, 143, 150));
    p.setPen(Qt::NoPen);
    p.setBrush(metal);
    p.drawRoundedRect(bezel, 2, 2);
    p.fillRect(recess, QColor(14, 14, 16));
    // Inner lip catching the light at the bottom of the recess.
    p.fillRect(QRectF(recess.left(), recess.bottom() - 1, recess.width(), 1), QColor(60, 60, 64));
}

void paintFrontEnd(QPainter &p)
{
    // The side of the wrap-around windscreen and, above it, the front destination sign box.
    QPainterPath screen;
    screen.moveTo(kFront + 1, 20);
    screen.quadTo(kFront + 1, 13, kFront + 9, 13);
    screen.lineTo(26, 13);
    screen.lineTo(27, 30);
    screen.quadTo(27, 90, 22, 118);
    screen.lineTo(kFront + 1, 118);
    screen.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(26, 28, 32));
    p.drawPath(screen);
    p.save();
    p.setClipPath(screen);
    paintGlass(p, QRectF(kFront + 1, 27, 26, 91), 0);
    p.fillRect(QRectF(kFront, 13, 26, 12), QColor(18, 18, 20));
    p.fillRect(QRectF(kFront + 3, 17, 14, 3), QColor(255, 150, 30, 170));
    p.restore();

    // Turn signal and headlight at the front corner.
    p.setBrush(QColor(248, 160, 30));
    p.drawRoundedRect(QRectF(kFront, 136, 9, 7), 2, 2);
    p.setBrush(QColor(70, 72, 78));
    p.drawRoundedRect(QRectF(kFront - 1, 146, 14, 14), 3, 3);
    QRadialGradient lamp(QPointF(kFront + 6, 152), 7);
    lamp.setColorAt(0, QColor(255, 255, 250));
    lamp.setColorAt(0.6, QColor(236, 240, 246));
    lamp.setColorAt(1, QColor(170, 178, 190));
    p.setBrush(lamp);
    p.drawRoundedRect(QRectF(kFront + 0.5, 147.5, 11, 11), 3, 3);

    // Bumper.
    QLinearGradient bumper(0, 176, 0, 192);
    bumper.setColorAt(0, QColor(96, 100, 106));
    bumper.setColorAt(1, QColor(36, 38, 42));
    p.setBrush(bumper);
    p.drawRoundedRect(QRectF(0.5, 176, 26, 16), 4, 4);
}

void paintRearEnd(QPainter &p)
{
    // Engine air intake louvres.
    const QRectF grille(706, 108, 24, 34);
    p.setPen(QPen(livery::kSeam, 1));
    p.setBrush(QColor(200, 196, 182));
    p.drawRoundedRect(grille, 2, 2);
    p.setPen(QPen(QColor(60, 62, 66), 1.4));
    for (qreal y = grille.top() + 4; y < grille.bottom() - 2; y += 3.5)
        p.drawLine(QPointF(grille.left() + 3, y), QPointF(grille.right() - 3, y));

    // Tail lamps wrapping round the rear corner.
    p.setPen(Qt::NoPen);
    QLinearGradient red(kRear - 7, 0, kRear, 0);
    red.setColorAt(0, QColor(230, 40, 40));
    red.setColorAt(1, QColor(150, 10, 16));
    p.setBrush(red);
    p.drawRoundedRect(QRectF(kRear - 6, 124, 6, 30), 2, 2);
    p.setBrush(QColor(248, 160, 30));
    p.drawRoundedRect(QRectF(kRear - 6, 156, 6, 8), 2, 2);

    QLinearGradient bumper(0, 177, 0, 192);
    bumper.setColorAt(0, QColor(96, 100, 106));
    bumper.setColorAt(1, QColor(36, 38, 42));
    p.setBrush(bumper);
    p.drawRoundedRect(QRectF(kRear - 18, 177, 20, 14), 4, 4);

    // Rear corner shading.
    QLinearGradient corner(kRear - 14, 0, kRear, 0);
    corner.setColorAt(0, QColor(0, 0, 0, 0));
    corner.setColorAt(1, QColor(0, 0, 0, 40));
    p.save();
    p.setClipPath(bodyPath());
    p.fillRect(QRectF(kRear - 14, 0, 14, livery::kBodyBottom), corner);
    QLinearGradient front(kFront, 0, kFront + 10, 0);
    front.setColorAt(0, QColor(0, 0, 0, 40));
    front.setColorAt(1, QColor(0, 0, 0, 0));
    p.fillRect(QRectF(kFront, 0, 10, livery::kBodyBottom), front);
    p.restore();
}

void paintDetails(QPainter &p)
{
    // Seams between the body panels, under the window pillars.
    p.setPen(QPen(QColor(120, 116, 104, 110), 1));
    for (qreal x : {112.5, 184.5, 254.5, 322.5, 438.5, 514.5, 582.5, 650.5, 714.5})
        p.drawLine(QPointF(x, livery::kBeltBottom), QPointF(x, livery::kSkirtTop));

    // Fuel filler lid.
    p.setPen(QPen(livery::kSeam, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(262.5, 112.5, 22, 16), 3, 3);

    // Side marker lamps along the skirt.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 172, 40));
    for (qreal x : {236.0, 300.0, 460.0, 640.0})
        p.drawRoundedRect(QRectF(x, 179, 6, 4), 1.5, 1.5);

    // The operator's emblem: a ring with a wave.
    const QPointF emblem(214, 124);
    p.setPen(QPen(livery::kBand, 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(emblem, 9, 9);
    QPainterPath wave;
    wave.moveTo(emblem + QPointF(-6, 2));
    wave.cubicTo(emblem + QPointF(-2, -6), emblem + QPointF(2, 6), emblem + QPointF(6, -2));
    p.setPen(QPen(livery::kPinstripe, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(wave);

    // Small rain gutters over the doorways.
    p.setPen(QPen(QColor(110, 112, 116), 1.5));
    for (const twips::Rect &door : {layout::kFrontDoor, layout::kCentreLeftLeaf}) {
        const QRectF r = px(door);
        const qreal right =
            door == layout::kFrontDoor ? r.right() : px(layout::kCentreRightLeaf).right();
        p.drawLine(QPointF(r.left() - 4, r.top() - 6), QPointF(right + 4, r.top() - 6));
    }
}

void paintWheel(QPainter &p, qreal axleX, bool rear)
{
    p.save();
    p.setClipPath(archPath(axleX));
    p.fillRect(QRectF(axleX - kArchRadius - 1, 0, 2 * kArchRadius + 2, livery::kBodyBottom + 1),
               QColor(16, 16, 18));
    p.restore();

    // Arch flange.
    p.save();
    p.setClipRect(QRectF(0, 0, layout::kBusWidth, livery::kBodyBottom));
    p.setPen(QPen(QColor(44, 46, 50), 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(axleX, kAxleY), kArchRadius + 0.6, kArchRadius + 0.6);
    p.restore();

    const QPointF c(axleX, kAxleY);
    QRadialGradient tyre(c, kTyreRadius);
    tyre.setColorAt(0.6, QColor(54, 54, 58));
    tyre.setColorAt(0.9, QColor(34, 34, 37));
    tyre.setColorAt(1, QColor(20, 20, 22));
    p.setPen(Qt::NoPen);
    p.setBrush(tyre);
    p.drawEllipse(c, kTyreRadius, kTyreRadius);
    p.setPen(QPen(QColor(70, 70, 74), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, kTyreRadius - 4, kTyreRadius - 4);

    const qreal rim = 17;
    QRadialGradient disc(c - QPointF(3, 4), rim + 4);
    if (rear) {
        disc.setColorAt(0, QColor(150, 153, 160));
        disc.setColorAt(0.7, QColor(110, 113, 120));
        disc.setColorAt(1, QColor(190, 193, 198));
    } else {
        disc.setColorAt(0, QColor(236, 238, 242));
        disc.setColorAt(0.7, QColor(190, 193, 200));
        disc.setColorAt(1, QColor(140, 143, 150));
    }
    p.setPen(QPen(QColor(96, 98, 104), 1));
    p.setBrush(disc);
    p.drawEllipse(c, rim, rim);

    // Ventilation holes of the steel wheel.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 44));
    for (int i = 0; i < 8; ++i) {
        const qreal a = (i * 45 + 22.5) * M_PI / 180;
        p.drawEllipse(c + QPointF(std::cos(a) * 13, std::sin(a) * 13), 2, 2);
    }
    // Wheel nuts round the hub.
    p.setBrush(QColor(212, 214, 218));
    for (int i = 0; i < 8; ++i) {
        const qreal a = i * 45 * M_PI / 180;
        p.drawEllipse(c + QPointF(std::cos(a) * 8, std::sin(a) * 8), 1.4, 1.4);
    }
    QRadialGradient hub(c - QPointF(1.5, 2), rear ? 7 : 5.5);
    hub.setColorAt(0, QColor(250, 250, 252));
    hub.setColorAt(1, QColor(130, 133, 140));
    p.setPen(QPen(QColor(90, 92, 98), 0.8));
    p.setBrush(hub);
    p.drawEllipse(c, rear ? 6 : 5, rear ? 6 : 5);
}

// The inside of the bus seen through an open doorway.
void paintInterior(QPainter &p, const QRectF &door, bool centre)
{
    p.save();
    p.setClipRect(door);
    const qreal l = door.left();
    const qreal w = door.width();

    QLinearGradient wall(0, door.top(), 0, door.bottom());
    wall.setColorAt(0, QColor(74, 74, 78));
    wall.setColorAt(1, QColor(40, 41, 45));
    p.fillRect(door, wall);

    // Ceiling with its light.
    p.fillRect(QRectF(l, door.top(), w, 12), QColor(104, 104, 106));
    p.fillRect(QRectF(l, door.top() + 4, w, 3), QColor(236, 238, 226));
    p.fillRect(QRectF(l, door.top() + 12, w, 1), QColor(60, 60, 64));

    // Windows on the far side, bright against the dim inside.
    const QRectF far(l, 58, w, 46);
    QLinearGradient outside(far.topLeft(), far.bottomLeft());
    outside.setColorAt(0, QColor(170, 192, 210));
    outside.setColorAt(1, QColor(122, 142, 160));
    p.fillRect(far, outside);
    p.fillRect(QRectF(l, 56, w, 2), QColor(30, 30, 34));
    p.fillRect(QRectF(l, 104, w, 2), QColor(30, 30, 34));
    p.fillRect(QRectF(l + w * 0.52, 56, 5, 50), QColor(44, 45, 50));
    p.fillRect(QRectF(l, 78, w, 1), QColor(110, 126, 140));

    const qreal floor = door.bottom() - 24;
    if (centre) {
        // A bench of seats across the aisle.
        p.setPen(Qt::NoPen);
        for (qreal x : {l + 6, l + 58}) {
            QLinearGradient moquette(0, 92, 0, 136);
            moquette.setColorAt(0, QColor(70, 96, 168));
            moquette.setColorAt(1, QColor(40, 58, 110));
            p.setBrush(moquette);
            p.drawRoundedRect(QRectF(x, 92, 46, 38), 5, 5);
            p.setBrush(QColor(34, 48, 94));
            p.drawRoundedRect(QRectF(x - 2, 128, 50, 9), 3, 3);
            p.setBrush(QColor(88, 84, 80));
            p.drawRect(QRectF(x - 2, 137, 50, floor - 137));
            p.setBrush(QColor(30, 30, 32));
            p.drawRect(QRectF(x + 8, 137, 3, floor - 137));
            p.drawRect(QRectF(x + 35, 137, 3, floor - 137));
        }
    } else {
        // The fare box beside the driver.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(84, 86, 92));
        p.drawRoundedRect(QRectF(l + 1, 104, 20, floor - 104), 2, 2);
        p.setBrush(QColor(30, 160, 120));
        p.drawRect(QRectF(l + 4, 108, 12, 6));
        p.setBrush(QColor(200, 200, 204));
        p.drawRect(QRectF(l + 5, 120, 10, 2));
        p.setBrush(QColor(52, 54, 58));
        p.drawRoundedRect(QRectF(l + 3, 130, 15, 10), 2, 2);
    }

    // Floor, then the step down to the doorway with its yellow edge.
    p.fillRect(QRectF(l, floor, w, 10), QColor(104, 96, 86));
    p.fillRect(QRectF(l, floor + 10, w, 2.5), QColor(250, 204, 0));
    p.fillRect(QRectF(l, floor + 12.5, w, 11.5), QColor(62, 62, 66));
    p.fillRect(QRectF(l, door.bottom() - 3, w, 3), QColor(250, 204, 0));

    // Orange grab poles at both sides of the doorway, with a stop button on one.
    auto pole = [&](qreal x, qreal top, qreal bottom) {
        QLinearGradient g(x, 0, x + 4, 0);
        g.setColorAt(0, QColor(200, 110, 0));
        g.setColorAt(0.4, QColor(255, 190, 70));
        g.setColorAt(1, QColor(190, 100, 0));
        p.fillRect(QRectF(x, top, 4, bottom - top), g);
    };
    const qreal poleTop = door.top() + 13;
    pole(door.right() - (centre ? 16 : 12), poleTop, floor + 10);
    if (centre) {
        pole(l + 12, poleTop, floor + 10);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 210, 40));
        p.drawRoundedRect(QRectF(l + 10, 96, 8, 9), 2, 2);
        p.setBrush(QColor(160, 60, 170));
        p.drawEllipse(QPointF(l + 14, 100.5), 2.5, 2.5);

        // Hanging straps from a rail under the ceiling.
        p.fillRect(QRectF(l, door.top() + 15, w, 3), QColor(200, 202, 206));
        for (qreal x = l + 24; x < door.right() - 20; x += 21) {
            p.fillRect(QRectF(x - 1.5, door.top() + 18, 3, 12), QColor(230, 230, 232));
            p.setPen(QPen(QColor(250, 214, 40), 2.4));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(x, door.top() + 35), 4.5, 5);
            p.setPen(Qt::NoPen);
        }
    } else {
        p.fillRect(QRectF(l + 22, door.top() + 15, w - 22, 3), QColor(200, 202, 206));
    }

    // Shadow cast by the door frame on the inside.
    QLinearGradient shade(door.topLeft(), door.topLeft() + QPointF(8, 0));
    shade.setColorAt(0, QColor(0, 0, 0, 120));
    shade.setColorAt(1, QColor(0, 0, 0, 0));
    p.fillRect(door, shade);
    QLinearGradient top(door.topLeft(), door.topLeft() + QPointF(0, 6));
    top.setColorAt(0, QColor(0, 0, 0, 110));
    top.setColorAt(1, QColor(0, 0, 0, 0));
    p.fillRect(door, top);
    p.restore();
}

void paintDoorway(QPainter &p, const QRectF &door, bool centre)
{
    // Rubber seal and the body's door frame round the opening.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(186, 182, 168));
    p.drawRoundedRect(door.adjusted(-3, -3, 3, 0), 3, 3);
    p.fillRect(door.adjusted(-2, -2, 2, 0), livery::kRubber);
    // The sill under the doorway.
    p.fillRect(QRectF(door.left() - 3, door.bottom(), door.width() + 6,
                      livery::kBodyBottom - door.bottom()),
               QColor(150, 152, 156));
    p.fillRect(QRectF(door.left() - 3, door.bottom(), door.width() + 6, 1), QColor(90, 92, 96));
    paintInterior(p, door, centre);
}

} // namespace

QImage paintBus()
{
    QImage image(layout::kBusWidth, layout::kBusHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    paintBackdrop(p);
    paintRoofUnit(p);
    p.save();
    p.setClipPath(bodyPath());
    paintBodyPanels(p);
    paintStripes(p);
    paintWindows(p);
    paintSignOpening(p);
    paintDetails(p);
    p.restore();
    paintFrontEnd(p);
    paintRearEnd(p);
    paintWheel(p, kFrontAxleX, false);
    paintWheel(p, kRearAxleX, true);

    paintDoorway(p, px(layout::kFrontDoor), false);
    const QRectF left = px(layout::kCentreLeftLeaf);
    const QRectF right = px(layout::kCentreRightLeaf);
    paintDoorway(p, left.united(right), true);
    p.end();
    return image;
}

} // namespace artwork
