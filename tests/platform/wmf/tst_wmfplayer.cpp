// Plays metafiles built in the test and looks at where the ink lands.

#include "wmfbuilder.h"

#include <platform/picture/wmf/wmf.h>

#include <QFontMetricsF>
#include <QPainter>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTest>
#include <QtEndian>

namespace {

constexpr quint8 kShiftJis = 128;
constexpr quint8 kAnsi = 0;
constexpr quint16 kNoPen = U_PS_NULL;

QImage render(const QByteArray &bytes, qreal dpr = 1.0, QString *error = nullptr)
{
    QImage image;
    QString why;
    if (!picture::renderWmf(bytes, dpr, &image, &why)) {
        if (error)
            *error = why;
        return {};
    }
    return image;
}

bool inked(const QImage &image, int x, int y)
{
    return qAlpha(image.pixel(x, y)) > 0;
}

// Bounds of the painted pixels in device pixels, within `area` if given.
QRect inkBounds(const QImage &image, QRect area = QRect())
{
    if (area.isNull())
        area = image.rect();
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (inked(image, x, y))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// Share of the dark pixels the two images have in common (intersection over union).
double overlap(const QImage &a, const QImage &b)
{
    int both = 0;
    int either = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const bool ia = qAlpha(a.pixel(x, y)) >= 128;
            const bool ib = qAlpha(b.pixel(x, y)) >= 128;
            both += ia && ib;
            either += ia || ib;
        }
    return either ? double(both) / either : 0.0;
}

QByteArray sjis(const QString &text)
{
    QStringEncoder encoder("Shift_JIS");
    return encoder(text);
}

QByteArray u16le(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values) {
        char b[2];
        qToLittleEndian(quint16(v), b);
        out.append(b, 2);
    }
    return out;
}

// A 100 x 60 pixel picture whose logical units are pixels, with a black brush and no pen.
WmfBuilder pixelPicture()
{
    WmfBuilder b = WmfBuilder::placeable(0, 0, 100, 60, 96);
    b.add(wmfrec::pen(kNoPen, 0, Qt::black))
        .add(wmfrec::brush(U_BS_SOLID, Qt::black))
        .add(wmfrec::select(0))
        .add(wmfrec::select(1));
    return b;
}

// Pixels packed as a DIB's rows for a 2 x 2 bitmap given top row first; fills `table` for the
// indexed depths.
QByteArray packPixels(int bitCount, const QList<QRgb> &grid, QList<QRgb> *table)
{
    QByteArray bits;
    for (int row = 1; row >= 0; --row) { // bottom-up
        QByteArray line;
        const QRgb left = grid[row * 2];
        const QRgb right = grid[row * 2 + 1];
        const auto index = [&](QRgb c) {
            qsizetype i = table->indexOf(c);
            if (i < 0) {
                table->append(c);
                i = table->size() - 1;
            }
            return int(i);
        };
        switch (bitCount) {
        case 1:
            line.append(char((index(left) << 7) | (index(right) << 6)));
            break;
        case 4:
            line.append(char((index(left) << 4) | index(right)));
            break;
        case 8:
            line.append(char(index(left)));
            line.append(char(index(right)));
            break;
        case 16:
            for (QRgb c : {left, right}) {
                const int v = ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3);
                line.append(char(v & 0xFF));
                line.append(char(v >> 8));
            }
            break;
        case 24:
        case 32:
            for (QRgb c : {left, right}) {
                line.append(char(qBlue(c)));
                line.append(char(qGreen(c)));
                line.append(char(qRed(c)));
                if (bitCount == 32)
                    line.append('\0');
            }
            break;
        }
        while (line.size() % 4)
            line.append('\0');
        bits.append(line);
    }
    return bits;
}

// Something of every kind the player reads, for cutting and garbling.
QByteArray sampleMetafile()
{
    QList<QRgb> table;
    const QByteArray bits = packPixels(
        8, {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)}, &table);
    const QByteArray dib = wmfrec::dib(2, 2, 8, table, bits);
    const QByteArray text = sjis(QStringLiteral("東京駅"));
    QByteArray textBytes = text;
    const U_POINT16 triangle[] = {{10, 10}, {50, 10}, {30, 40}};
    const uint16_t counts[] = {3, 3};
    const U_POINT16 twoTriangles[] = {{0, 0}, {10, 0}, {5, 9}, {20, 0}, {30, 0}, {25, 9}};
    WmfBuilder b = WmfBuilder::placeable(0, 0, 100, 60, 96);
    b.add(U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC))
        .add(U_WMRSETWINDOWORG_set(wmfrec::point(0, 0)))
        .add(U_WMRSETWINDOWEXT_set(wmfrec::point(100, 60)))
        .add(wmfrec::pen(U_PS_DASH, 1, Qt::red))
        .add(wmfrec::brush(U_BS_HATCHED, Qt::blue, U_HS_CROSS))
        .add(wmfrec::font(-20, kShiftJis, sjis(QStringLiteral("ＭＳ ゴシック"))))
        .add(wmfrec::select(0))
        .add(wmfrec::select(1))
        .add(wmfrec::select(2))
        .add(U_WMRSAVEDC_set())
        .add(U_WMRINTERSECTCLIPRECT_set(wmfrec::rect(5, 5, 95, 55)))
        .add(wmfrec::rectangle(1, 1, 20, 20))
        .add(U_WMRELLIPSE_set(wmfrec::rect(20, 20, 60, 50)))
        .add(U_WMRROUNDRECT_set(8, 8, wmfrec::rect(60, 5, 90, 30)))
        .add(U_WMRPIE_set(wmfrec::point(90, 40), wmfrec::point(60, 40),
                          wmfrec::rect(60, 30, 90, 58)))
        .add(U_WMRPOLYGON_set(3, triangle))
        .add(U_WMRPOLYPOLYGON_set(2, counts, twoTriangles))
        .add(U_WMRMOVETO_set(wmfrec::point(0, 59)))
        .add(U_WMRLINETO_set(wmfrec::point(99, 0)))
        .add(U_WMRRESTOREDC_set(-1))
        .add(U_WMRTEXTOUT_set(wmfrec::point(5, 30), textBytes.data()))
        .extTextOut(5, 40, U_ETO_OPAQUE | U_ETO_CLIPPED, wmfrec::rect(5, 40, 70, 60), text,
                    {20, 0, 20, 0, 20, 0})
        .add(U_WMRSTRETCHDIB_set(wmfrec::point(70, 40), wmfrec::point(20, 20), wmfrec::point(0, 0),
                                 wmfrec::point(2, 2), U_DIB_RGB_COLORS, U_SRCCOPY,
                                 reinterpret_cast<const U_BITMAPINFO *>(dib.constData()),
                                 quint32(bits.size()), dib.constData() + dib.size() - bits.size()))
        .add(U_WMRDELETEOBJECT_set(2));
    return b.bytes();
}

} // namespace

class WmfPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void naturalSize_data();
    void naturalSize();
    void naturalSizeRefused_data();
    void naturalSizeRefused();
    void windowMapsOntoPicture_data();
    void windowMapsOntoPicture();
    void objectsTakeTheLowestFreeSlot();
    void filledEllipse();
    void pens_data();
    void pens();
    void brushes_data();
    void brushes();
    void japaneseText_data();
    void japaneseText();
    void dxSpacesCharacters_data();
    void dxSpacesCharacters();
    void textAlignment_data();
    void textAlignment();
    void opaqueTextRectangle();
    void clippedText();
    void escapementRotatesText();
    void fontHeightSigns_data();
    void fontHeightSigns();
    void dibBlits_data();
    void dibBlits();
    void paletteColours();
    void clipping_data();
    void clipping();
    void damagedRecordsAreSkipped_data();
    void damagedRecordsAreSkipped();
    void truncatedFilesAreRefused();
    void garbledFilesDoNotCrash();
    void oversizedPicturesAreRefused_data();
    void oversizedPicturesAreRefused();
    void tallRollLoads();
};

void WmfPlayerTest::naturalSize_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("placeable, 1440 per inch")
        << WmfBuilder::placeable(0, 0, 2880, 1440, 1440).bytes() << QSize(192, 96);
    QTest::newRow("placeable, 500 per inch, box off the origin")
        << WmfBuilder::placeable(100, 200, 1100, 700, 500).bytes() << QSize(192, 96);
    QTest::newRow("placeable, box given right to left")
        << WmfBuilder::placeable(2540, 0, 0, 5080, 2540).bytes() << QSize(96, 192);
    QTest::newRow("no placeable header, small extent is pixels")
        << WmfBuilder::plain().add(U_WMRSETWINDOWEXT_set(wmfrec::point(300, 200))).bytes()
        << QSize(300, 200);
    QTest::newRow("no placeable header, large extent is twips")
        << WmfBuilder::plain()
               .add(U_WMRSETWINDOWORG_set(wmfrec::point(-100, -100)))
               .add(U_WMRSETWINDOWEXT_set(wmfrec::point(2880, -4320)))
               .bytes()
        << QSize(192, 288);
}

void WmfPlayerTest::naturalSize()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, expected);
    QSize size;
    QString error;
    QVERIFY2(picture::wmfNaturalSize(bytes, &size, &error), qPrintable(error));
    QCOMPARE(size, expected);
    const QImage image = render(bytes, 1.0, &error);
    QVERIFY2(!image.isNull(), qPrintable(error));
    QCOMPARE(image.size(), expected);
}

void WmfPlayerTest::naturalSizeRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("a bitmap") << QByteArray("BM\x46\0\0\0\0\0\0\0\x36\0\0\0", 14);
    QTest::newRow("empty bounding box") << WmfBuilder::placeable(10, 10, 10, 500, 1440).bytes();
    QTest::newRow("no placeable header and no window extent")
        << WmfBuilder::plain().add(wmfrec::rectangle(0, 0, 10, 10)).bytes();
}

void WmfPlayerTest::naturalSizeRefused()
{
    QFETCH(QByteArray, bytes);
    QSize size;
    QString error;
    QVERIFY(!picture::wmfNaturalSize(bytes, &size, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!error.contains(u'\n'));
    QImage image;
    QVERIFY(!picture::renderWmf(bytes, 1.0, &image, &error));
}

void WmfPlayerTest::windowMapsOntoPicture_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<QRect>("expected"); // in picture pixels

    const auto picture = [](int l, int t, int r, int b, int inch, QList<char *> setup,
                            QRect drawn) {
        WmfBuilder w = WmfBuilder::placeable(l, t, r, b, inch);
        for (char *record : setup)
            w.add(record);
        w.add(wmfrec::pen(kNoPen, 0, Qt::black))
            .add(wmfrec::brush(U_BS_SOLID, Qt::black))
            .add(wmfrec::select(0))
            .add(wmfrec::select(1))
            .add(wmfrec::rectangle(drawn.left(), drawn.top(), drawn.right(), drawn.bottom()));
        return w.bytes();
    };
    // Rectangles are given as (left, top, right, bottom) in these QRects' corner fields.
    const auto corners = [](int l, int t, int r, int b) {
        return QRect(QPoint(l, t), QPoint(r, b));
    };

    QTest::newRow("window is the bounding box")
        << picture(1000, 1000, 2000, 2000, 1000,
                   {U_WMRSETWINDOWORG_set(wmfrec::point(1000, 1000)),
                    U_WMRSETWINDOWEXT_set(wmfrec::point(1000, 1000))},
                   corners(1250, 1250, 1500, 1500))
        << 1.0 << QRect(24, 24, 24, 24);
    QTest::newRow("no window records")
        << picture(1000, 1000, 2000, 2000, 1000, {}, corners(1250, 1250, 1500, 1500)) << 1.0
        << QRect(24, 24, 24, 24);
    QTest::newRow("window is not the bounding box")
        << picture(0, 0, 1000, 1000, 1000,
                   {U_WMRSETWINDOWORG_set(wmfrec::point(500, 500)),
                    U_WMRSETWINDOWEXT_set(wmfrec::point(500, 500))},
                   corners(500, 500, 750, 750))
        << 1.0 << QRect(0, 0, 48, 48);
    QTest::newRow("anisotropic") << picture(0, 0, 1000, 1000, 1000,
                                            {U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC),
                                             U_WMRSETWINDOWEXT_set(wmfrec::point(100, 1000))},
                                            corners(25, 250, 50, 500))
                                 << 1.0 << QRect(24, 24, 24, 24);
    QTest::newRow("isotropic keeps the smaller scale")
        << picture(0, 0, 1000, 1000, 1000,
                   {U_WMRSETMAPMODE_set(U_MM_ISOTROPIC),
                    U_WMRSETWINDOWEXT_set(wmfrec::point(100, 1000))},
                   corners(0, 0, 250, 250))
        << 1.0 << QRect(0, 0, 24, 24);
    QTest::newRow("y axis pointing up")
        << picture(0, 0, 1000, 1000, 1000,
                   {U_WMRSETWINDOWORG_set(wmfrec::point(0, 1000)),
                    U_WMRSETWINDOWEXT_set(wmfrec::point(1000, -1000))},
                   corners(250, 750, 500, 500))
        << 1.0 << QRect(24, 24, 24, 24);
    QTest::newRow("twips mapping mode")
        << picture(0, 0, 1000, 1000, 1000, {U_WMRSETMAPMODE_set(U_MM_TWIPS)},
                   corners(360, -360, 720, -720))
        << 1.0 << QRect(24, 24, 24, 24);
    QTest::newRow("viewport origin in pixels")
        << picture(1000, 1000, 2000, 2000, 1000, {U_WMRSETVIEWPORTORG_set(wmfrec::point(10, 20))},
                   corners(1250, 1250, 1500, 1500))
        << 1.0 << QRect(34, 44, 24, 24);
    QTest::newRow("offset and scaled window")
        << picture(0, 0, 1000, 1000, 1000,
                   {U_WMROFFSETWINDOWORG_set(wmfrec::point(250, 0)),
                    U_WMRSCALEWINDOWEXT_set(wmfrec::point(2, 1), wmfrec::point(1, 1))},
                   corners(250, 250, 375, 500))
        << 1.0 << QRect(0, 24, 24, 24);
    QTest::newRow("device pixel ratio 2")
        << picture(1000, 1000, 2000, 2000, 1000, {}, corners(1250, 1250, 1500, 1500)) << 2.0
        << QRect(24, 24, 24, 24);
}

void WmfPlayerTest::windowMapsOntoPicture()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qreal, dpr);
    QFETCH(QRect, expected);
    const QImage image = render(bytes, dpr);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(96, 96) * dpr);
    QCOMPARE(image.devicePixelRatio(), dpr);
    const QRect device(expected.topLeft() * dpr, expected.size() * dpr);
    QCOMPARE(inkBounds(image), device);
    QCOMPARE(image.pixelColor(device.center()), QColor(Qt::black));
}

// A font never selected, and a brush record too short to read, still take their slots; a freed
// slot is reused by the next object.
void WmfPlayerTest::objectsTakeTheLowestFreeSlot()
{
    const QByteArray damagedBrush = u16le({0});
    WmfBuilder b = WmfBuilder::placeable(0, 0, 40, 10, 96);
    b.add(wmfrec::pen(U_PS_SOLID, 1, Qt::black))  // 0
        .add(wmfrec::font(-12, kAnsi, "Arial"))   // 1
        .raw(0x02FC, damagedBrush)                // 2
        .add(wmfrec::brush(U_BS_SOLID, Qt::red))  // 3
        .add(wmfrec::brush(U_BS_SOLID, Qt::blue)) // 4
        .add(U_WMRDELETEOBJECT_set(0))
        .add(wmfrec::brush(U_BS_SOLID, Qt::green)) // 0 again
        .add(wmfrec::pen(kNoPen, 0, Qt::black))    // 5
        .add(wmfrec::select(5))
        .add(wmfrec::select(3))
        .add(wmfrec::rectangle(0, 0, 10, 10))
        .add(wmfrec::select(0))
        .add(wmfrec::rectangle(10, 0, 20, 10))
        .add(wmfrec::select(4))
        .add(wmfrec::rectangle(20, 0, 30, 10))
        .add(wmfrec::select(2)) // selects nothing: the blue brush stays
        .add(wmfrec::rectangle(30, 0, 40, 10));
    const QImage image = render(b.bytes());
    QVERIFY(!image.isNull());
    QCOMPARE(image.pixelColor(5, 5), QColor(Qt::red));
    QCOMPARE(image.pixelColor(15, 5), QColor(Qt::green));
    QCOMPARE(image.pixelColor(25, 5), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(35, 5), QColor(Qt::blue));
}

void WmfPlayerTest::filledEllipse()
{
    WmfBuilder b = WmfBuilder::placeable(0, 0, 100, 60, 96);
    b.add(wmfrec::pen(U_PS_SOLID, 1, Qt::blue))
        .add(wmfrec::brush(U_BS_SOLID, Qt::yellow))
        .add(wmfrec::select(0))
        .add(wmfrec::select(1))
        .add(U_WMRELLIPSE_set(wmfrec::rect(10, 10, 90, 50)));
    const QImage image = render(b.bytes());
    QVERIFY(!image.isNull());
    QCOMPARE(image.pixelColor(50, 30), QColor(Qt::yellow));
    QCOMPARE(image.pixelColor(25, 25), QColor(Qt::yellow));
    QCOMPARE(image.pixelColor(10, 30), QColor(Qt::blue)); // the outline on the left
    QVERIFY(!inked(image, 12, 12));                       // bounding box corner
    QVERIFY(!inked(image, 88, 48));
    QCOMPARE(inkBounds(image), QRect(10, 10, 80, 40));
}

void WmfPlayerTest::pens_data()
{
    QTest::addColumn<int>("unitsPerInch");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("gaps");
    QTest::newRow("width 0 is a hairline in twips") << 1440 << int(U_PS_SOLID) << 0 << 1 << false;
    QTest::newRow("width under a pixel is a hairline")
        << 1440 << int(U_PS_SOLID) << 5 << 1 << false;
    QTest::newRow("width scales with the mapping") << 1440 << int(U_PS_SOLID) << 45 << 3 << false;
    QTest::newRow("pixels") << 96 << int(U_PS_SOLID) << 4 << 4 << false;
    QTest::newRow("dashes") << 96 << int(U_PS_DASH) << 1 << 1 << true;
    QTest::newRow("dots") << 96 << int(U_PS_DOT) << 0 << 1 << true;
    QTest::newRow("null pen") << 96 << int(U_PS_NULL) << 1 << 0 << false;
}

void WmfPlayerTest::pens()
{
    QFETCH(int, unitsPerInch);
    QFETCH(int, style);
    QFETCH(int, width);
    QFETCH(int, rows);
    QFETCH(bool, gaps);
    // A 100 x 40 pixel picture with a horizontal line across the middle.
    const int u = unitsPerInch;
    WmfBuilder b = WmfBuilder::placeable(0, 0, 100 * u / 96, 40 * u / 96, u);
    b.add(U_WMRSETBKMODE_set(U_TRANSPARENT))
        .add(wmfrec::pen(quint16(style), quint16(width), Qt::black))
        .add(wmfrec::select(0))
        .add(U_WMRMOVETO_set(wmfrec::point(10 * u / 96, 20 * u / 96)))
        .add(U_WMRLINETO_set(wmfrec::point(90 * u / 96, 20 * u / 96)));
    const QImage image = render(b.bytes());
    QVERIFY(!image.isNull());
    const QRect bounds = inkBounds(image);
    QCOMPARE(bounds.height(), rows);
    if (rows == 0)
        return;
    QVERIFY(bounds.left() >= 8 && bounds.right() <= 92);
    int gapCount = 0;
    const int y = bounds.top();
    for (int x = 12; x < 88; ++x)
        gapCount += !inked(image, x, y);
    QCOMPARE(gapCount > 0, gaps);
}

void WmfPlayerTest::brushes_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("bkMode");
    QTest::addColumn<int>("minimumInk"); // percent of the inside
    QTest::addColumn<int>("maximumInk");
    QTest::newRow("solid") << int(U_BS_SOLID) << int(U_TRANSPARENT) << 100 << 100;
    QTest::newRow("null") << int(U_BS_NULL) << int(U_TRANSPARENT) << 0 << 0;
    QTest::newRow("hatched, transparent background")
        << int(U_BS_HATCHED) << int(U_TRANSPARENT) << 5 << 60;
    QTest::newRow("hatched, opaque background") << int(U_BS_HATCHED) << int(U_OPAQUE) << 100 << 100;
}

void WmfPlayerTest::brushes()
{
    QFETCH(int, style);
    QFETCH(int, bkMode);
    QFETCH(int, minimumInk);
    QFETCH(int, maximumInk);
    WmfBuilder b = WmfBuilder::placeable(0, 0, 100, 60, 96);
    b.add(U_WMRSETBKMODE_set(quint16(bkMode)))
        .add(wmfrec::pen(U_PS_SOLID, 1, Qt::black))
        .add(wmfrec::brush(quint16(style), Qt::red, U_HS_DIAGCROSS))
        .add(wmfrec::select(0))
        .add(wmfrec::select(1))
        .add(wmfrec::rectangle(10, 10, 90, 50));
    const QImage image = render(b.bytes());
    QVERIFY(!image.isNull());
    QCOMPARE(inkBounds(image), QRect(10, 10, 80, 40)); // the outline is always there
    const QRect inside(12, 12, 76, 36);
    int ink = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            ink += inked(image, x, y);
    const int percent = ink * 100 / (inside.width() * inside.height());
    QVERIFY2(percent >= minimumInk && percent <= maximumInk, qPrintable(QString::number(percent)));
}

void WmfPlayerTest::japaneseText_data()
{
    QTest::addColumn<QString>("face");
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("otherFamily");
    const QString sans = QStringLiteral("Noto Sans CJK JP");
    const QString serif = QStringLiteral("Noto Serif CJK JP");
    QTest::newRow("ＭＳ ゴシック") << QStringLiteral("ＭＳ ゴシック") << sans << serif;
    QTest::newRow("ＭＳ Ｐゴシック") << QStringLiteral("ＭＳ Ｐゴシック") << sans << serif;
    QTest::newRow("ＭＳ 明朝") << QStringLiteral("ＭＳ 明朝") << serif << sans;
    QTest::newRow("unknown face") << QStringLiteral("ＤＦ特太ゴ体") << sans << serif;
}

// Shift-JIS text in a Shift-JIS font is drawn with real glyphs of the stand-in face: the result
// matches Qt drawing the decoded string in that face, and different characters look different.
void WmfPlayerTest::japaneseText()
{
    QFETCH(QString, face);
    QFETCH(QString, family);
    QFETCH(QString, otherFamily);
    constexpr int kHeight = 48;
    const auto draw = [&](const QString &text) {
        QByteArray bytes = sjis(text);
        WmfBuilder b = WmfBuilder::placeable(0, 0, 400, 100, 96);
        b.add(U_WMRSETBKMODE_set(U_TRANSPARENT))
            .add(U_WMRSETTEXTCOLOR_set(wmfrec::colorref(Qt::black)))
            .add(wmfrec::font(-kHeight, kShiftJis, sjis(face)))
            .add(wmfrec::select(0))
            .add(U_WMRTEXTOUT_set(wmfrec::point(10, 10), bytes.data()));
        return render(b.bytes());
    };
    const auto reference = [&](const QString &text, const QString &fam) {
        QImage image(400, 100, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QFont font(fam);
        font.setPixelSize(kHeight);
        QPainter p(&image);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QPointF(10, 10 + 0.86 * kHeight), text);
        return image;
    };
    const QString station = QStringLiteral("東京駅");
    QFont real(family);
    real.setPixelSize(kHeight);
    for (QChar c : station)
        QVERIFY2(QFontMetricsF(real).inFont(c), "the Japanese font is not installed");

    const QImage drawn = draw(station);
    QVERIFY(!drawn.isNull());
    const QRect ink = inkBounds(drawn);
    QVERIFY(ink.width() > 2 * kHeight && ink.height() > kHeight / 2);
    const double same = overlap(drawn, reference(station, family));
    const double other = overlap(drawn, reference(station, otherFamily));
    QVERIFY2(same > 0.85, qPrintable(QString::number(same)));
    QVERIFY2(same > other, qPrintable(QStringLiteral("%1 vs %2").arg(same).arg(other)));
    // Missing glyphs would all be the same box.
    const double different = overlap(drawn, draw(QStringLiteral("新宿区")));
    QVERIFY2(different < 0.6, qPrintable(QString::number(different)));
}

void WmfPlayerTest::dxSpacesCharacters_data()
{
    QTest::addColumn<int>("charset");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<int>>("dx");
    QTest::addColumn<int>("advance"); // where the last character starts
    QTest::newRow("Latin") << int(kAnsi) << QByteArray("ABC") << QList<int>{60, 60, 60} << 120;
    QTest::newRow("double-byte, one entry per byte")
        << int(kShiftJis) << sjis(QStringLiteral("東京")) << QList<int>{80, 0, 80, 0} << 80;
    QTest::newRow("double-byte, one entry per character")
        << int(kShiftJis) << sjis(QStringLiteral("東京")) << QList<int>{80, 80} << 80;
}

void WmfPlayerTest::dxSpacesCharacters()
{
    QFETCH(int, charset);
    QFETCH(QByteArray, text);
    QFETCH(QList<int>, dx);
    QFETCH(int, advance);
    constexpr int kHeight = 24;
    const auto draw = [&](bool withDx) {
        WmfBuilder b = WmfBuilder::placeable(0, 0, 300, 60, 96);
        b.add(U_WMRSETBKMODE_set(U_TRANSPARENT))
            .add(wmfrec::font(-kHeight, quint8(charset),
                              charset ? sjis(QStringLiteral("ＭＳ ゴシック")) : "Arial"))
            .add(wmfrec::select(0));
        b.extTextOut(10, 10, 0, wmfrec::rect(0, 0, 0, 0), text, withDx ? dx : QList<int>());
        return render(b.bytes());
    };
    const QImage spaced = draw(true);
    const QImage natural = draw(false);
    QVERIFY(!spaced.isNull() && !natural.isNull());
    const QRect a = inkBounds(spaced);
    const QRect n = inkBounds(natural);
    QVERIFY(!n.isEmpty());
    QCOMPARE(a.left(), n.left()); // the first character stays put
    // The last character is drawn from `advance` on, so the ink reaches past it.
    QVERIFY2(a.right() >= 10 + advance + kHeight / 3, qPrintable(QString::number(a.right())));
    QVERIFY2(a.right() > n.right() + 20,
             qPrintable(QStringLiteral("%1 vs %2").arg(a.right()).arg(n.right())));
    // No ink between the characters' cells when they are spread this far.
    const int gapX = 10 + advance - 4;
    QVERIFY(inkBounds(spaced, QRect(gapX - 2, 0, 3, 60)).isEmpty());
}

void WmfPlayerTest::textAlignment_data()
{
    QTest::addColumn<int>("align");
    QTest::addColumn<int>("expectLeft"); // -1: not checked
    QTest::addColumn<int>("expectRight");
    QTest::addColumn<int>("expectTop");
    QTest::addColumn<int>("expectBottom");
    // Reference point (150, 50), text height 20.
    QTest::newRow("left top") << int(U_TA_LEFT | U_TA_TOP) << 150 << -1 << 50 << -1;
    QTest::newRow("right top") << int(U_TA_RIGHT | U_TA_TOP) << -1 << 150 << 50 << -1;
    QTest::newRow("left baseline") << int(U_TA_LEFT | U_TA_BASELINE) << 150 << -1 << -1 << 50;
    QTest::newRow("left bottom") << int(U_TA_LEFT | U_TA_BOTTOM) << 150 << -1 << -1 << 50;
}

void WmfPlayerTest::textAlignment()
{
    QFETCH(int, align);
    QFETCH(int, expectLeft);
    QFETCH(int, expectRight);
    QFETCH(int, expectTop);
    QFETCH(int, expectBottom);
    QByteArray text("HHH");
    WmfBuilder b = WmfBuilder::placeable(0, 0, 300, 100, 96);
    b.add(U_WMRSETBKMODE_set(U_TRANSPARENT))
        .add(U_WMRSETTEXTALIGN_set(quint16(align)))
        .add(wmfrec::font(-20, kAnsi, "Arial"))
        .add(wmfrec::select(0))
        .add(U_WMRTEXTOUT_set(wmfrec::point(150, 50), text.data()));
    const QImage image = render(b.bytes());
    QVERIFY(!image.isNull());
    const QRect ink = inkBounds(image);
    QVERIFY(!ink.isEmpty());
    constexpr int kSlack = 4; // side bearings and the space above capitals
    if (expectLeft >= 0)
        QVERIFY2(ink.left() >= expectLeft && ink.left() <= expectLeft + kSlack,
                 qPrintable(QString::number(ink.left())));
    if (expectRight >= 0)
        QVERIFY2(ink.right() < expectRight && ink.right() >= expectRight - kSlack,
                 qPrintable(QString::number(ink.right())));
    if (expectTop >= 0)
        QVERIFY2(ink.top() >= expectTop && ink.top() <= expectTop + 8,
                 qPrintable(QString::number(ink.top())));
    if (expectBottom >= 0) {
        QVERIFY2(ink.bottom() < expectBottom, qPrintable(QString::number(ink.bottom())));
        QVERIFY(ink.bottom() >= expectBottom - 8);
    }
}

void WmfPlayerTest::opaqueTextRectangle()
{
    WmfBuilder b = WmfBuilder::placeable(0, 0, 100, 60, 96);
    b.add(U_WMRSETBKCOLOR_set(wmfrec::colorref(Qt::red)))
        .extTextOut(0, 0, U_ETO_OPAQUE, wmfrec::rect(10, 10, 30, 20), QByteArray());
    const QImage image = render(b.bytes());
    QVERIFY(!image.isNull());
    QCOMPARE(inkBounds(image), QRect(10, 10, 20, 10));
    QCOMPARE(image.pixelColor(20, 15), QColor(Qt::red));
}

void WmfPlayerTest::clippedText()
{
    const auto draw = [](quint16 options) {
        WmfBuilder b = WmfBuilder::placeable(0, 0, 200, 60, 96);
        b.add(U_WMRSETBKMODE_set(U_TRANSPARENT))
            .add(wmfrec::font(-30, kAnsi, "Arial"))
            .add(wmfrec::select(0))
            .extTextOut(10, 10, options, wmfrec::rect(10, 10, 40, 30), "HHHHHH");
        return render(b.bytes());
    };
    const QImage clipped = draw(U_ETO_CLIPPED);
    const QImage unclipped = draw(0);
    QVERIFY(!clipped.isNull() && !unclipped.isNull());
    QVERIFY(inkBounds(unclipped).right() > 60);
    const QRect ink = inkBounds(clipped);
    QVERIFY(!ink.isEmpty());
    QVERIFY(QRect(10, 10, 30, 20).contains(ink));
}

// Escapement turns the text counter-clockwise about its reference point.
void WmfPlayerTest::escapementRotatesText()
{
    QByteArray text("HHHHHH");
    QByteArray face("Arial");
    U_FONT *f = U_FONT_set(-20, 0, 900, 900, 400, 0, 0, 0, kAnsi, 0, 0, 0, 0, face.data());
    WmfBuilder b = WmfBuilder::placeable(0, 0, 200, 200, 96);
    b.add(U_WMRSETBKMODE_set(U_TRANSPARENT))
        .add(U_WMRSETTEXTALIGN_set(U_TA_BASELINE))
        .add(U_WMRCREATEFONTINDIRECT_set(f))
        .add(wmfrec::select(0))
        .add(U_WMRTEXTOUT_set(wmfrec::point(100, 150), text.data()));
    free(f);
    const QImage image = render(b.bytes());
    QVERIFY(!image.isNull());
    const QRect ink = inkBounds(image);
    QVERIFY(ink.height() > 2 * ink.width());
    QVERIFY(ink.bottom() <= 150 && ink.top() < 100); // runs upwards from the reference point
    QVERIFY(ink.right() <= 100 && ink.left() >= 75); // the glyphs stand left of the baseline
}

void WmfPlayerTest::fontHeightSigns_data()
{
    QTest::addColumn<int>("charset");
    QTest::addColumn<QByteArray>("face");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("cellIsCharacter");
    QTest::newRow("Western face: the cell includes leading")
        << int(kAnsi) << QByteArray("Arial") << QByteArray("H") << false;
    QTest::newRow("Japanese face: the cell is the character")
        << int(kShiftJis) << sjis(QStringLiteral("ＭＳ ゴシック")) << sjis(QStringLiteral("国"))
        << true;
}

// A negative height is the character height, a positive one the cell height.
void WmfPlayerTest::fontHeightSigns()
{
    QFETCH(int, charset);
    QFETCH(QByteArray, face);
    QFETCH(QByteArray, text);
    QFETCH(bool, cellIsCharacter);
    const auto height = [&](int h) {
        WmfBuilder b = WmfBuilder::placeable(0, 0, 200, 100, 96);
        b.add(U_WMRSETBKMODE_set(U_TRANSPARENT))
            .add(wmfrec::font(h, quint8(charset), face))
            .add(wmfrec::select(0))
            .add(U_WMRTEXTOUT_set(wmfrec::point(10, 10), text.data()));
        return inkBounds(render(b.bytes())).height();
    };
    const int character = height(-60);
    const int cell = height(60);
    QVERIFY(character > 20);
    if (cellIsCharacter)
        QVERIFY2(std::abs(cell - character) <= 1,
                 qPrintable(QStringLiteral("%1 vs %2").arg(cell).arg(character)));
    else
        QVERIFY2(cell < character * 0.95,
                 qPrintable(QStringLiteral("%1 vs %2").arg(cell).arg(character)));
}

void WmfPlayerTest::dibBlits_data()
{
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<QString>("record");
    for (const char *record : {"STRETCHDIB", "DIBSTRETCHBLT", "DIBBITBLT", "SETDIBTODEV"})
        for (int bits : {1, 4, 8, 16, 24, 32})
            // Named without printf: GCC's optimiser takes `record` for a possible null there.
            QTest::newRow(
                (QByteArray(record) + ", " + QByteArray::number(bits) + " bits").constData())
                << bits << QString::fromLatin1(record);
}

// A 2 x 2 bitmap drawn at (20, 10) in a picture of 10 pixels per logical unit: the stretching
// records make it 4 x 4 units, the others 2 x 2.
void WmfPlayerTest::dibBlits()
{
    QFETCH(int, bitCount);
    QFETCH(QString, record);
    const QList<QRgb> grid =
        bitCount == 1
            ? QList<QRgb>{qRgb(0, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 0), qRgb(0, 0, 255)}
            : QList<QRgb>{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)};
    QList<QRgb> table;
    const QByteArray bits = packPixels(bitCount, grid, &table);
    const QByteArray dib = wmfrec::dib(2, 2, bitCount, bitCount <= 8 ? table : QList<QRgb>(), bits);
    const auto *bmi = reinterpret_cast<const U_BITMAPINFO *>(dib.constData());
    const char *px = dib.constData() + dib.size() - bits.size();
    const bool stretched = record == "STRETCHDIB" || record == "DIBSTRETCHBLT";
    const int units = stretched ? 4 : 2;

    WmfBuilder b = WmfBuilder::placeable(0, 0, 100, 60, 96);
    b.add(U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC)).add(U_WMRSETWINDOWEXT_set(wmfrec::point(10, 6)));
    if (record == "STRETCHDIB")
        b.add(U_WMRSTRETCHDIB_set(wmfrec::point(2, 1), wmfrec::point(units, units),
                                  wmfrec::point(0, 0), wmfrec::point(2, 2), U_DIB_RGB_COLORS,
                                  U_SRCCOPY, bmi, quint32(bits.size()), px));
    else if (record == "DIBSTRETCHBLT")
        b.add(U_WMRDIBSTRETCHBLT_set(wmfrec::point(2, 1), wmfrec::point(units, units),
                                     wmfrec::point(0, 0), wmfrec::point(2, 2), U_SRCCOPY, bmi,
                                     quint32(bits.size()), px));
    else if (record == "DIBBITBLT")
        b.add(U_WMRDIBBITBLT_set(wmfrec::point(2, 1), wmfrec::point(2, 2), wmfrec::point(0, 0),
                                 U_SRCCOPY, bmi, quint32(bits.size()), px));
    else // colour usage, scan count, first scan, source y and x, height, width, destination y, x
        b.raw(0x0D33, u16le({U_DIB_RGB_COLORS, 2, 0, 0, 0, 2, 2, 1, 2}) + dib);

    const QImage image = render(b.bytes());
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(100, 60));
    const int cell = units * 10 / 2;
    QCOMPARE(inkBounds(image), QRect(20, 10, 2 * cell, 2 * cell));
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 2; ++col) {
            const QPoint at(20 + cell * col + cell / 2, 10 + cell * row + cell / 2);
            QCOMPARE(image.pixelColor(at), QColor(grid[row * 2 + col]));
        }
}

// Palette entries as Windows writes them (red, green, blue, flags), reached through a DIB's
// 16-bit colour indices and through a palette-index colour.
void WmfPlayerTest::paletteColours()
{
    const QByteArray palette = u16le({0x0300, 3}) + QByteArray("\x10\x20\x30\x00"
                                                               "\x40\x50\x60\x00"
                                                               "\x70\x80\x90\x00",
                                                               12);
    QByteArray dib = wmfrec::dib(2, 1, 8, {}, QByteArray("\x00\x01\x00\x00", 4));
    qToLittleEndian(quint32(2), dib.data() + 32);                // two table entries
    dib.insert(40, u16le({1, 2}));                               // palette indices
    const QByteArray paletteIndexBrush("\0\0\0\0\0\x01\0\0", 8); // solid, palette index 0
    WmfBuilder b = pixelPicture();
    b.raw(0x00F7, palette) // slot 2
        .add(U_WMRSELECTPALETTE_set(2))
        .raw(0x0F43, u16le({U_SRCCOPY & 0xFFFF, U_SRCCOPY >> 16, U_DIB_PAL_COLORS, 1, 2, 0, 0, 10,
                            20, 0, 0}) +
                         dib)
        .raw(0x02FC, paletteIndexBrush) // slot 3
        .add(wmfrec::select(3))
        .add(wmfrec::rectangle(30, 0, 40, 10));
    const QImage image = render(b.bytes());
    QVERIFY(!image.isNull());
    QCOMPARE(image.pixelColor(5, 5), QColor(0x40, 0x50, 0x60));
    QCOMPARE(image.pixelColor(15, 5), QColor(0x70, 0x80, 0x90));
    QCOMPARE(image.pixelColor(35, 5), QColor(0x10, 0x20, 0x30));
}

void WmfPlayerTest::clipping_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<QPoint>("hole"); // a pixel left unpainted, or (-1, -1)
    const auto fillAfter = [](QList<char *> clip) {
        WmfBuilder b = pixelPicture();
        for (char *record : clip)
            b.add(record);
        b.add(wmfrec::rectangle(0, 0, 60, 40));
        return b.bytes();
    };
    QTest::newRow("intersect") << fillAfter(
                                      {U_WMRINTERSECTCLIPRECT_set(wmfrec::rect(10, 10, 30, 30))})
                               << QRect(10, 10, 20, 20) << QPoint(-1, -1);
    QTest::newRow("intersect twice")
        << fillAfter({U_WMRINTERSECTCLIPRECT_set(wmfrec::rect(10, 10, 30, 30)),
                      U_WMRINTERSECTCLIPRECT_set(wmfrec::rect(20, 0, 50, 25))})
        << QRect(20, 10, 10, 15) << QPoint(-1, -1);
    QTest::newRow("exclude") << fillAfter({U_WMREXCLUDECLIPRECT_set(wmfrec::rect(10, 10, 30, 30))})
                             << QRect(0, 0, 60, 40) << QPoint(20, 20);
    QTest::newRow("restored by RESTOREDC")
        << fillAfter({U_WMRSAVEDC_set(), U_WMRINTERSECTCLIPRECT_set(wmfrec::rect(10, 10, 30, 30)),
                      U_WMRRESTOREDC_set(-1)})
        << QRect(0, 0, 60, 40) << QPoint(-1, -1);
    QTest::newRow("restored to an absolute level")
        << fillAfter({U_WMRSAVEDC_set(), U_WMRINTERSECTCLIPRECT_set(wmfrec::rect(10, 10, 30, 30)),
                      U_WMRSAVEDC_set(), U_WMRSAVEDC_set(),
                      U_WMREXCLUDECLIPRECT_set(wmfrec::rect(0, 0, 20, 20)), U_WMRRESTOREDC_set(2)})
        << QRect(10, 10, 20, 20) << QPoint(-1, -1);
    QTest::newRow("window mapping applies")
        << fillAfter({U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC),
                      U_WMRSETWINDOWEXT_set(wmfrec::point(50, 30)),
                      U_WMRINTERSECTCLIPRECT_set(wmfrec::rect(5, 5, 15, 15))})
        << QRect(10, 10, 20, 20) << QPoint(-1, -1);
}

void WmfPlayerTest::clipping()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QRect, expected);
    QFETCH(QPoint, hole);
    const QImage image = render(bytes);
    QVERIFY(!image.isNull());
    QCOMPARE(inkBounds(image), expected);
    if (hole.x() >= 0)
        QVERIFY(!inked(image, hole.x(), hole.y()));
}

void WmfPlayerTest::damagedRecordsAreSkipped_data()
{
    QTest::addColumn<quint16>("function");
    QTest::addColumn<QByteArray>("parameters");
    QTest::newRow("TEXTOUT longer than its record")
        << quint16(0x0521) << u16le({1000, 0x4141, 50, 50});
    QTest::newRow("TEXTOUT with a negative length") << quint16(0x0521) << u16le({-2, 50, 50});
    QTest::newRow("EXTTEXTOUT with a negative length")
        << quint16(0x0A32) << u16le({30, 50, -7, 0, 0x4141});
    QTest::newRow("EXTTEXTOUT string past the end")
        << quint16(0x0A32) << u16le({30, 50, 400, U_ETO_OPAQUE, 40, 20, 60, 40, 0x4141});
    QTest::newRow("POLYGON with more points than bytes")
        << quint16(0x0324) << u16le({30000, 40, 10, 60, 10, 50, 50});
    QTest::newRow("POLYLINE with more points than bytes")
        << quint16(0x0325) << u16le({5, 40, 10, 60, 50});
    QTest::newRow("POLYPOLYGON counting past the end")
        << quint16(0x0538) << u16le({2, 3, 40000, 40, 10, 60, 10, 50, 50});
    QTest::newRow("POLYPOLYGON with more polygons than bytes")
        << quint16(0x0538) << u16le({20000, 3});
    QByteArray hugeDib = wmfrec::dib(1000, 1000, 24, {}, QByteArray(12, '\x7f'));
    QTest::newRow("STRETCHDIB claiming more pixels than it has")
        << quint16(0x0F43)
        << u16le({U_SRCCOPY & 0xFFFF, U_SRCCOPY >> 16, 0, 1000, 1000, 0, 0, 20, 20, 20, 40}) +
               hugeDib;
    QByteArray shortHeader = wmfrec::dib(2, 2, 24, {}, QByteArray(16, '\x7f'));
    qToLittleEndian(quint32(4000), shortHeader.data()); // header size past the record
    QTest::newRow("DIBBITBLT whose header runs past the record")
        << quint16(0x0940)
        << u16le({U_SRCCOPY & 0xFFFF, U_SRCCOPY >> 16, 0, 0, 2, 2, 20, 40}) + shortHeader;
    QByteArray manyColours = wmfrec::dib(2, 2, 8, {}, QByteArray(8, '\x01'));
    qToLittleEndian(quint32(100000), manyColours.data() + 32); // colours used
    QTest::newRow("DIB with a colour table larger than the record")
        << quint16(0x0F43)
        << u16le({U_SRCCOPY & 0xFFFF, U_SRCCOPY >> 16, 0, 2, 2, 0, 0, 20, 20, 20, 40}) +
               manyColours;
    QTest::newRow("SELECTOBJECT beyond the table") << quint16(0x012D) << u16le({60000});
    QTest::newRow("RESTOREDC without a save") << quint16(0x0127) << u16le({-5});
    QTest::newRow("CREATEREGION with scans past the end")
        << quint16(0x06FF) << u16le({0, 6, 0, 0, 100, 20, 40, 10, 60, 50, 1000, 10, 50, 40});
    QTest::newRow("SETWINDOWEXT with a zero extent") << quint16(0x020C) << u16le({0, 0});
    QTest::newRow("unknown record") << quint16(0x0777) << u16le({1, 2, 3});
    QTest::newRow("record with a high byte that does not match")
        << quint16(0x0F18) << u16le({50, 60, 10, 40});
}

// A record that lies about its contents draws nothing and spoils nothing around it: the
// rectangles before and after it are drawn, nothing appears in the middle.
void WmfPlayerTest::damagedRecordsAreSkipped()
{
    QFETCH(quint16, function);
    QFETCH(QByteArray, parameters);
    WmfBuilder b = pixelPicture();
    b.add(wmfrec::font(-20, kAnsi, "Arial"))
        .add(wmfrec::select(2))
        .add(wmfrec::rectangle(0, 0, 10, 10))
        .raw(function, parameters)
        .add(wmfrec::rectangle(90, 50, 100, 60));
    const QImage image = render(b.bytes());
    QVERIFY(!image.isNull());
    QVERIFY(inked(image, 5, 5));
    QVERIFY(inked(image, 95, 55));
    QVERIFY(inkBounds(image, QRect(12, 0, 76, 60)).isEmpty());
}

void WmfPlayerTest::truncatedFilesAreRefused()
{
    const QByteArray whole = sampleMetafile();
    QVERIFY(!render(whole).isNull());
    for (qsizetype n = 0; n < whole.size(); ++n) {
        const QByteArray cut = whole.left(n);
        QSize size;
        QString error;
        QVERIFY2(!picture::wmfNaturalSize(cut, &size, &error), qPrintable(QString::number(n)));
        QVERIFY(!error.isEmpty());
        QImage image;
        QVERIFY(!picture::renderWmf(cut, 1.0, &image, &error));
        QVERIFY(image.isNull());
    }
}

// Bytes changed at random; whatever comes of it, a picture that is drawn has the size the
// metafile declares (the sanitizer builds catch reads outside the bytes).
void WmfPlayerTest::garbledFilesDoNotCrash()
{
    const QByteArray whole = sampleMetafile();
    QRandomGenerator random(20240607);
    int drawn = 0;
    for (int round = 0; round < 1500; ++round) {
        QByteArray bytes = whole;
        const int changes = 1 + int(random.bounded(4));
        for (int i = 0; i < changes; ++i) {
            const int at = int(random.bounded(int(bytes.size())));
            bytes[at] = char(random.bounded(256));
        }
        QSize size;
        QString error;
        const bool sized = picture::wmfNaturalSize(bytes, &size, &error);
        QImage image;
        const bool ok = sized && size.width() * qint64(size.height()) <= 1000000 &&
                        picture::renderWmf(bytes, 1.0, &image, &error);
        if (ok) {
            ++drawn;
            QCOMPARE(image.size(), size);
        }
    }
    QVERIFY(drawn > 0);
}

void WmfPlayerTest::oversizedPicturesAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("edge beyond the limit")
        << WmfBuilder::placeable(0, 0, 32767, 100, 1).bytes() << 1.0;
    QTest::newRow("too many pixels")
        << WmfBuilder::placeable(0, 0, 30000, 30000, 96).bytes() << 1.0;
    QTest::newRow("too many device pixels")
        << WmfBuilder::placeable(0, 0, 20000, 2000, 96).bytes() << 2.0;
    QTest::newRow("device pixel ratio out of range")
        << WmfBuilder::placeable(0, 0, 20, 20, 96).bytes() << 0.0;
}

void WmfPlayerTest::oversizedPicturesAreRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qreal, dpr);
    QImage image;
    QString error;
    QVERIFY(!picture::renderWmf(bytes, dpr, &image, &error));
    QVERIFY(image.isNull());
    QVERIFY(!error.isEmpty());
    QVERIFY(!error.startsWith(u':'));
    QVERIFY(!error.contains(u'\n'));
}

// A destination-sign roll is narrow and very tall.
void WmfPlayerTest::tallRollLoads()
{
    WmfBuilder b = WmfBuilder::placeable(0, 0, 24, 30000, 48);
    b.add(wmfrec::pen(kNoPen, 0, Qt::black))
        .add(wmfrec::brush(U_BS_SOLID, Qt::black))
        .add(wmfrec::select(0))
        .add(wmfrec::select(1))
        .add(wmfrec::rectangle(0, 29990, 24, 30000));
    QSize size;
    QString error;
    QVERIFY2(picture::wmfNaturalSize(b.bytes(), &size, &error), qPrintable(error));
    QCOMPARE(size, QSize(48, 60000));
    const QImage image = render(b.bytes());
    QVERIFY(!image.isNull());
    QVERIFY(inked(image, 10, 59990));
    QVERIFY(!inked(image, 10, 59970));
}

QTEST_MAIN(WmfPlayerTest)
#include "tst_wmfplayer.moc"
