#include <common/twips.h>
#include <resources/resources.h>

#include <QFile>
#include <QImage>
#include <QtEndian>
#include <QtTest>

#include <cmath>

namespace {

// Where controls stand over the bus, in twips, as the main window lays them out.
constexpr twips::Rect kFrontDoor{480, 540, 1155, 2190};
constexpr twips::Rect kCentreLeftLeaf{4875, 540, 840, 2235};
constexpr twips::Rect kCentreRightLeaf{5700, 540, 840, 2235};
constexpr twips::Rect kSignWindow{6825, 435, 720, 450};
constexpr twips::Rect kSignboard{8910, 1605, 1410, 450};
constexpr twips::Rect kSignboardFrame{8835, 1590, 1560, 525};

QByteArray readResource(const char *path)
{
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

quint16 u16At(const QByteArray &b, int offset)
{
    return qFromLittleEndian<quint16>(b.constData() + offset);
}

qint32 s32At(const QByteArray &b, int offset)
{
    return qFromLittleEndian<qint32>(b.constData() + offset);
}

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
    void bitmaps_data();
    void bitmaps();
    void icon();
    void doorwaysShowTheInside();
    void signOpeningFramesTheSignWindow();
    void signboardSitsOnBodyPanelBelowWindows();
    void switchFaces_data();
    void switchFaces();
    void switchFacesShareTheDoorCharacter();
    void handCursor();
};

void TestPictures::bitmaps_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("bytes");
    QTest::newRow("bus") << res::kBus << 740 << 207 << 459594;
    QTest::newRow("centre door, left leaf") << res::kNakaoridoLeft << 56 << 147 << 24750;
    QTest::newRow("centre door, right leaf") << res::kNakaoridoRight << 56 << 147 << 24750;
    QTest::newRow("front door") << res::kFrontDoor << 77 << 144 << 33462;
}

void TestPictures::bitmaps()
{
    QFETCH(QString, path);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, bytes);

    const QByteArray data = readResource(qPrintable(path));
    QCOMPARE(data.size(), bytes);
    QVERIFY(data.startsWith("BM"));
    QCOMPARE(s32At(data, 2), bytes);
    QCOMPARE(s32At(data, 14), 40); // BITMAPINFOHEADER
    QCOMPARE(s32At(data, 18), width);
    QCOMPARE(s32At(data, 22), height); // positive: rows bottom-up
    QCOMPARE(u16At(data, 28), quint16(24));
    QCOMPARE(s32At(data, 30), 0); // uncompressed
    QCOMPARE(s32At(data, 10), 54);

    const QImage image(path);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(width, height));
    // The last row of the file is the top of the picture.
    const int rowSize = (width * 3 + 3) & ~3;
    const auto *top =
        reinterpret_cast<const uchar *>(data.constData()) + 54 + rowSize * (height - 1);
    const QRgb topLeft = image.pixel(0, 0);
    QCOMPARE(int(top[0]), qBlue(topLeft));
    QCOMPARE(int(top[1]), qGreen(topLeft));
    QCOMPARE(int(top[2]), qRed(topLeft));
}

void TestPictures::icon()
{
    const QByteArray data = readResource(res::kIcon);
    QCOMPARE(data.size(), 766);
    QCOMPARE(u16At(data, 2), quint16(1)); // an icon, not a cursor
    QCOMPARE(u16At(data, 4), quint16(1)); // one image
    QCOMPARE(uchar(data[6]), uchar(32));
    QCOMPARE(uchar(data[7]), uchar(32));
    QCOMPARE(uchar(data[8]), uchar(16));
    QCOMPARE(u16At(data, 12), quint16(4));
    const int image = s32At(data, 18);
    QCOMPARE(s32At(data, image + 8), 64); // colour rows and mask rows
    QCOMPARE(u16At(data, image + 14), quint16(4));

    // The standard sixteen colours, in their usual order.
    const QList<QRgb> standard = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    const auto *palette = reinterpret_cast<const uchar *>(data.constData()) + image + 40;
    for (int i = 0; i < 16; ++i) {
        const QRgb entry = qRgb(palette[4 * i + 2], palette[4 * i + 1], palette[4 * i]);
        QCOMPARE(entry, standard[i]);
    }

    const QImage icon(QString::fromLatin1(res::kIcon));
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.size(), QSize(32, 32));
    int transparent = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb c = icon.pixel(x, y);
            if (qAlpha(c) == 0) {
                ++transparent;
                continue;
            }
            QCOMPARE(qAlpha(c), 255);
            QVERIFY2(standard.contains(c | 0xff000000u), qPrintable(QString::number(c, 16)));
        }
    }
    // The mask cuts the shape out: the corners show the desktop, the middle is the picture.
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(icon.pixel(31, 31)), 0);
    QCOMPARE(qAlpha(icon.pixel(16, 16)), 255);
    QVERIFY(transparent > 32 && transparent < 32 * 32 / 2);
}

void TestPictures::doorwaysShowTheInside()
{
    const QImage bus(QString::fromLatin1(res::kBus));
    QVERIFY(!bus.isNull());
    // The body panel where the signboard stands is plain livery.
    const QRgb panel = meanColour(bus, twips::toPixels(kSignboard));
    QVERIFY(luminance(panel) > 180);

    const QRect doorways[] = {
        twips::toPixels(kFrontDoor),
        twips::toPixels(kCentreLeftLeaf).united(twips::toPixels(kCentreRightLeaf))};
    for (const QRect &doorway : doorways) {
        // Seen through an open doorway the bus is dim inside, and hardly any of it is body colour.
        QVERIFY2(luminance(meanColour(bus, doorway)) < luminance(panel) - 60,
                 qPrintable(QStringLiteral("doorway at x %1").arg(doorway.left())));
        QVERIFY(shareNear(bus, doorway, panel, 45) < 0.05);
        // The doorway is open down to its sill: its lowest rows are not body either.
        const QRect foot(doorway.left(), doorway.bottom() - 20, doorway.width(), 20);
        QVERIFY(shareNear(bus, foot, panel, 45) < 0.05);
    }
}

void TestPictures::signOpeningFramesTheSignWindow()
{
    const QImage bus(QString::fromLatin1(res::kBus));
    const QRect sign = twips::toPixels(kSignWindow);
    // A dark recess a little larger than the sign window shows round it on every side.
    for (int margin = 1; margin <= 2; ++margin) {
        const QRect ring = sign.adjusted(-margin, -margin, margin, margin);
        for (int x = ring.left(); x <= ring.right(); ++x) {
            QVERIFY(luminance(bus.pixel(x, ring.top())) < 70);
            QVERIFY(luminance(bus.pixel(x, ring.bottom())) < 70);
        }
        for (int y = ring.top(); y <= ring.bottom(); ++y) {
            QVERIFY(luminance(bus.pixel(ring.left(), y)) < 70);
            QVERIFY(luminance(bus.pixel(ring.right(), y)) < 70);
        }
    }
}

void TestPictures::signboardSitsOnBodyPanelBelowWindows()
{
    const QImage bus(QString::fromLatin1(res::kBus));
    const QRect frame = twips::toPixels(kSignboardFrame);
    // No window, stripe or lamp behind the signboard and its frame: one even panel.
    const QRgb panel = meanColour(bus, frame);
    QVERIFY(shareNear(bus, frame, panel, 40) > 0.95);
    // Above it, the rear side windows.
    const QRect above(frame.left(), 30, frame.width(), 50);
    QVERIFY(luminance(meanColour(bus, above)) < 90);
}

void TestPictures::switchFaces_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("front door") << res::kSwitchMae;
    QTest::newRow("centre door") << res::kSwitchNaka;
}

void TestPictures::switchFaces()
{
    QFETCH(QString, path);
    const QByteArray data = readResource(qPrintable(path));
    QVERIFY(data.startsWith("GIF89a"));
    const QImage face(path);
    QVERIFY(!face.isNull());
    QCOMPARE(face.size(), QSize(50, 20));

    // Yellow all round the edge, black writing in the middle.
    for (int x = 0; x < face.width(); ++x) {
        QVERIFY(isYellow(face.pixel(x, 0)));
        QVERIFY(isYellow(face.pixel(x, face.height() - 1)));
    }
    for (int y = 0; y < face.height(); ++y) {
        QVERIFY(isYellow(face.pixel(0, y)));
        QVERIFY(isYellow(face.pixel(face.width() - 1, y)));
    }
    int dark = 0, left = 0;
    for (int y = 0; y < face.height(); ++y) {
        for (int x = 0; x < face.width(); ++x) {
            if (luminance(face.pixel(x, y)) < 60) {
                ++dark;
                left += x < face.width() / 2;
            }
        }
    }
    QVERIFY(dark > face.width() * face.height() / 10);
    // Two characters, one each side of the middle.
    QVERIFY(left > dark / 4 && left < dark * 3 / 4);
}

void TestPictures::switchFacesShareTheDoorCharacter()
{
    const QImage mae(QString::fromLatin1(res::kSwitchMae));
    const QImage naka(QString::fromLatin1(res::kSwitchNaka));
    auto inked = [](const QImage &face, int x, int y) {
        return x >= 0 && x < face.width() && luminance(face.pixel(x, y)) < 128;
    };
    // Pixels that differ between the two faces in one half, the second shifted by dx.
    auto differing = [&](int from, int to, int dx) {
        int n = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = from; x < to; ++x)
                n += inked(mae, x, y) != inked(naka, x + dx, y);
        }
        return n;
    };
    int rightHalf = 1000;
    for (int dx = -3; dx <= 3; ++dx)
        rightHalf = std::min(rightHalf, differing(25, 50, dx));
    // The same door character on the right; different first characters on the left.
    QVERIFY2(rightHalf <= 12, qPrintable(QString::number(rightHalf)));
    QVERIFY(differing(0, 25, 0) > 40);
}

void TestPictures::handCursor()
{
    const QImage hand(QString::fromLatin1(res::kHandCursor));
    QVERIFY(!hand.isNull());
    QCOMPARE(hand.size(), QSize(32, 32));
    QVERIFY(hand.hasAlphaChannel());

    // The fingertip is the topmost point of the hand and the hot spot lies on it.
    int top = -1;
    for (int y = 0; y < 32 && top < 0; ++y) {
        for (int x = 0; x < 32; ++x) {
            if (qAlpha(hand.pixel(x, y)) != 0) {
                top = y;
                break;
            }
        }
    }
    QCOMPARE(top, res::kHandHotY);
    QCOMPARE(hand.pixel(res::kHandHotX, res::kHandHotY), qRgba(0, 0, 0, 255));
    for (int x = 0; x < 32; ++x) {
        if (qAlpha(hand.pixel(x, top)) != 0)
            QVERIFY(std::abs(x - res::kHandHotX) <= 2);
    }

    // A white hand inside a black outline: white never touches the transparent ground.
    int white = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb c = hand.pixel(x, y);
            if (qAlpha(c) == 0)
                continue;
            QCOMPARE(qAlpha(c), 255);
            QVERIFY(c == qRgba(0, 0, 0, 255) || c == qRgba(255, 255, 255, 255));
            if (c != qRgba(255, 255, 255, 255))
                continue;
            ++white;
            const QPoint around[] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
            for (const QPoint &q : around) {
                QVERIFY(hand.rect().contains(q));
                QVERIFY(qAlpha(hand.pixel(q)) != 0);
            }
        }
    }
    QVERIFY(white > 150);
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
