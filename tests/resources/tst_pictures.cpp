#include <common/layout.h>
#include <resources/resources.h>

#include <QImage>
#include <QtTest>

#include <cmath>
#include <utility>

namespace {

int luminance(QRgb c)
{
    return (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000;
}

int distance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b));
}

QRgb meanColour(const QImage &image, const QRect &area)
{
    qint64 r = 0, g = 0, b = 0, n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb c = image.pixel(x, y);
            r += qRed(c);
            g += qGreen(c);
            b += qBlue(c);
            ++n;
        }
    }
    return qRgb(int(r / n), int(g / n), int(b / n));
}

// Share of the pixels of an area that lie within `tolerance` of a colour.
double shareNear(const QImage &image, const QRect &area, QRgb colour, int tolerance)
{
    int near = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            near += distance(image.pixel(x, y), colour) <= tolerance;
    }
    return double(near) / (area.width() * area.height());
}

bool isYellow(QRgb c)
{
    return qRed(c) > 220 && qGreen(c) > 220 && qBlue(c) < 60;
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    // Each door picture is stretched over its place; one made for another width would be squeezed,
    // so it is as wide as its place and only a few rows shorter.
    void doorPictures_loaded_fitTheirPlacesInTheLayout()
    {
        const std::pair<const char *, twips::Rect> doors[] = {
            {res::kFrontDoor, layout::kFrontDoor},
            {res::kCentreLeftLeaf, layout::kCentreLeftLeaf},
            {res::kCentreRightLeaf, layout::kCentreRightLeaf}};
        for (const auto &[path, place] : doors) {
            const QImage door(QString::fromLatin1(path));
            const QRect pixels = twips::toPixels(place);
            QCOMPARE(door.width(), pixels.width());
            QVERIFY2(door.height() <= pixels.height() && door.height() >= pixels.height() - 3,
                     path);
        }
    }

    void bus_doorways_showTheInside()
    {
        const QImage bus(QString::fromLatin1(res::kBus));
        QVERIFY(!bus.isNull());
        // The body panel where the signboard stands is plain livery.
        const QRgb panel = meanColour(bus, twips::toPixels(layout::kSignboard));
        QVERIFY(luminance(panel) > 180);

        const QRect doorways[] = {twips::toPixels(layout::kFrontDoor),
                                  twips::toPixels(layout::kCentreLeftLeaf)
                                      .united(twips::toPixels(layout::kCentreRightLeaf))};
        for (const QRect &doorway : doorways) {
            // Seen through an open doorway the bus is dim inside, and hardly any of it is body
            // colour.
            QVERIFY2(luminance(meanColour(bus, doorway)) < luminance(panel) - 60,
                     qPrintable(QStringLiteral("doorway at x %1").arg(doorway.left())));
            QVERIFY(shareNear(bus, doorway, panel, 45) < 0.05);
            // The doorway is open down to its sill: its lowest rows are not body either.
            const QRect foot(doorway.left(), doorway.bottom() - 20, doorway.width(), 20);
            QVERIFY(shareNear(bus, foot, panel, 45) < 0.05);
        }
    }

    void bus_signOpening_framesTheSignWindow()
    {
        const QImage bus(QString::fromLatin1(res::kBus));
        const QRect sign = twips::toPixels(layout::kSignWindow);
        // A dark recess a little larger than the sign window shows round it on every side.
        const QRect recess = sign.adjusted(-2, -2, 2, 2);
        for (int y = recess.top(); y <= recess.bottom(); ++y) {
            for (int x = recess.left(); x <= recess.right(); ++x) {
                if (!sign.contains(x, y))
                    QVERIFY(luminance(bus.pixel(x, y)) < 70);
            }
        }
    }

    void bus_signboardPlace_isPlainBodyPanelBelowWindows()
    {
        const QImage bus(QString::fromLatin1(res::kBus));
        const QRect frame = twips::toPixels(layout::kSignboardFrameLeft)
                                .united(twips::toPixels(layout::kSignboardFrameRight))
                                .united(twips::toPixels(layout::kSignboardFrameBottom));
        // No window, stripe or lamp behind the signboard and its frame: one even panel.
        const QRgb panel = meanColour(bus, frame);
        QVERIFY(shareNear(bus, frame, panel, 40) > 0.95);
        // Above it, the rear side windows.
        const QRect above(frame.left(), 30, frame.width(), 50);
        QVERIFY(luminance(meanColour(bus, above)) < 90);
    }

    void switchFaces_drawn_yellowWithTwoCharactersTheSecondShared()
    {
        const QImage mae(QString::fromLatin1(res::kFrontDoorSwitchFace));
        const QImage naka(QString::fromLatin1(res::kCentreDoorSwitchFace));
        for (const QImage &face : {mae, naka}) {
            QVERIFY(!face.isNull());
            int dark = 0, left = 0;
            for (int y = 0; y < face.height(); ++y) {
                for (int x = 0; x < face.width(); ++x) {
                    // Yellow all round the edge, black writing in the middle.
                    if (x == 0 || y == 0 || x == face.width() - 1 || y == face.height() - 1) {
                        QVERIFY(isYellow(face.pixel(x, y)));
                    } else if (luminance(face.pixel(x, y)) < 60) {
                        ++dark;
                        left += x < face.width() / 2;
                    }
                }
            }
            QVERIFY(dark > face.width() * face.height() / 10);
            // Two characters, one each side of the middle.
            QVERIFY(left > dark / 4 && left < dark * 3 / 4);
        }

        QCOMPARE(naka.size(), mae.size());
        auto inked = [](const QImage &face, int x, int y) {
            return x >= 0 && x < face.width() && luminance(face.pixel(x, y)) < 128;
        };
        // Pixels that differ between the two faces in one half, the second shifted by dx.
        auto differing = [&](int from, int to, int dx) {
            int n = 0;
            for (int y = 0; y < mae.height(); ++y) {
                for (int x = from; x < to; ++x)
                    n += inked(mae, x, y) != inked(naka, x + dx, y);
            }
            return n;
        };
        const int half = mae.width() / 2;
        int rightHalf = mae.width() * mae.height();
        for (int dx = -3; dx <= 3; ++dx)
            rightHalf = std::min(rightHalf, differing(half, mae.width(), dx));
        // The same door character on the right; different first characters on the left.
        QVERIFY2(rightHalf <= 12, qPrintable(QString::number(rightHalf)));
        QVERIFY(differing(0, half, 0) > 40);
    }

    void handCursor_topmostPoint_isTheHotSpot()
    {
        const QImage hand(QString::fromLatin1(res::kHandCursor));
        QVERIFY(hand.hasAlphaChannel());

        // The fingertip is the topmost point of the hand and the hot spot lies on it: nothing shows
        // above it, and on its row only the tip.
        QCOMPARE(hand.pixel(res::kHandHotX, res::kHandHotY), qRgba(0, 0, 0, 255));
        for (int y = 0; y <= res::kHandHotY; ++y) {
            for (int x = 0; x < hand.width(); ++x) {
                if (qAlpha(hand.pixel(x, y)) != 0)
                    QVERIFY(y == res::kHandHotY && std::abs(x - res::kHandHotX) <= 2);
            }
        }
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
