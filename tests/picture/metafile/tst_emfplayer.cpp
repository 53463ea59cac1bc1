// Enhanced metafiles built record by record and played: the mapping modes and the world
// transform, pens, brushes, fill modes, shapes and arcs, and paths. Ink is checked by position
// and colour with a pixel of slack, never against a whole rendered picture.

#include "emfink.h"

#include <QTest>

#include <uemf.h>

#include <bit>
#include <functional>

namespace {

using Setup = std::function<void(EmfBuilder &)>;

qint64 f(float v)
{
    return std::bit_cast<quint32>(v);
}

void rect(EmfBuilder &b, int l, int t, int r, int bottom)
{
    b.record(U_EMR_RECTANGLE, {l, t, r, bottom});
}

void world(EmfBuilder &b, quint32 type, QList<float> m, int mode = 0)
{
    QList<qint64> fields;
    for (float v : m)
        fields << f(v);
    if (type == U_EMR_MODIFYWORLDTRANSFORM)
        fields << mode;
    b.record(type, fields);
}

// CREATEPEN and EXTCREATEPEN (solid brush), selected.
void pen(EmfBuilder &b, quint32 style, int width, const QColor &c = Qt::black)
{
    const quint32 h = b.handle();
    const qint64 colour = c.red() | c.green() << 8 | c.blue() << 16;
    b.record(U_EMR_CREATEPEN, {h, style, width, 0, colour});
    b.select(h);
}

void extPen(EmfBuilder &b, quint32 style, int width, const QColor &c = Qt::black)
{
    const quint32 h = b.handle();
    const qint64 colour = c.red() | c.green() << 8 | c.blue() << 16;
    b.record(U_EMR_EXTCREATEPEN, {h, 0, 0, 0, 0, style, width, U_BS_SOLID, colour, 0, 0});
    b.select(h);
}

void line(EmfBuilder &b, QPoint from, QPoint to)
{
    b.record(U_EMR_MOVETOEX, {from.x(), from.y()});
    b.record(U_EMR_LINETO, {to.x(), to.y()});
}

int inkedShare(const QImage &image, const QRect &area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += inked(image, QPoint(x, y));
    return n * 100 / (area.width() * area.height());
}

} // namespace

Q_DECLARE_METATYPE(Setup)

class EmfPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void emfMapping_eachMode_placesInk_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("text mode, window origin") << Setup([](EmfBuilder &b) {
            b.record(U_EMR_SETWINDOWORGEX, {-10, -20});
            rect(b, 0, 0, 10, 10);
        }) << QRect(10, 20, 10, 10);
        QTest::newRow("text mode, viewport origin") << Setup([](EmfBuilder &b) {
            b.record(U_EMR_SETVIEWPORTORGEX, {30, 5});
            rect(b, 0, 0, 10, 10);
        }) << QRect(30, 5, 10, 10);
        QTest::newRow("anisotropic, extents scale each axis") << Setup([](EmfBuilder &b) {
            b.mapping(U_MM_ANISOTROPIC, QSize(200, 100), QSize(100, 100));
            rect(b, 0, 0, 100, 50);
        }) << QRect(0, 0, 50, 50);
        QTest::newRow("isotropic keeps the aspect") << Setup([](EmfBuilder &b) {
            b.mapping(U_MM_ISOTROPIC, QSize(100, 200), QSize(100, 100));
            rect(b, 0, 0, 100, 100);
        }) << QRect(0, 0, 50, 50);
        QTest::newRow("extents ignored in text mode") << Setup([](EmfBuilder &b) {
            b.mapping(U_MM_TEXT, QSize(200, 200), QSize(100, 100));
            rect(b, 0, 0, 20, 20);
        }) << QRect(0, 0, 20, 20);
        // 0.1 mm units at 96 dpi, y upwards from the viewport origin at the bottom.
        QTest::newRow("lometric measures upwards") << Setup([](EmfBuilder &b) {
            b.record(U_EMR_SETMAPMODE, {U_MM_LOMETRIC});
            b.record(U_EMR_SETVIEWPORTORGEX, {0, 100});
            rect(b, 0, 0, 100, 100);
        }) << QRect(0, 62, 38, 38);
        QTest::newRow("scaled window extent") << Setup([](EmfBuilder &b) {
            b.mapping(U_MM_ANISOTROPIC, QSize(100, 100), QSize(100, 100));
            b.record(U_EMR_SCALEWINDOWEXTEX, {2, 1, 4, 1});
            rect(b, 0, 0, 100, 200);
        }) << QRect(0, 0, 50, 50);
    }

    void emfMapping_eachMode_placesInk()
    {
        QFETCH(Setup, setup);
        QFETCH(QRect, expected);
        EmfBuilder b = emfPicture();
        setup(b);
        const QImage image = drawEmf(b);
        QVERIFY(!image.isNull());
        const QRect ink = inkBounds(image);
        QVERIFY2(nearRect(ink, expected), qPrintable(QStringLiteral("ink %1,%2 %3x%4")
                                                         .arg(ink.x())
                                                         .arg(ink.y())
                                                         .arg(ink.width())
                                                         .arg(ink.height())));
    }

    void emfWorldTransform_setAndModify_movesInk_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QRect>("expected");
        const auto square = [](EmfBuilder &b) { rect(b, 0, 0, 10, 10); };
        QTest::newRow("set: translation") << Setup([=](EmfBuilder &b) {
            world(b, U_EMR_SETWORLDTRANSFORM, {1, 0, 0, 1, 40, 30});
            square(b);
        }) << QRect(40, 30, 10, 10);
        QTest::newRow("set: scale") << Setup([](EmfBuilder &b) {
            world(b, U_EMR_SETWORLDTRANSFORM, {2, 0, 0, 3, 0, 0});
            rect(b, 5, 5, 15, 10);
        }) << QRect(10, 15, 20, 15);
        // Left: the new transform applies before the one there; right: after it.
        QTest::newRow("modify: left multiply") << Setup([=](EmfBuilder &b) {
            world(b, U_EMR_SETWORLDTRANSFORM, {1, 0, 0, 1, 10, 0});
            world(b, U_EMR_MODIFYWORLDTRANSFORM, {2, 0, 0, 2, 0, 0}, U_MWT_LEFTMULTIPLY);
            square(b);
        }) << QRect(10, 0, 20, 20);
        QTest::newRow("modify: right multiply") << Setup([=](EmfBuilder &b) {
            world(b, U_EMR_SETWORLDTRANSFORM, {1, 0, 0, 1, 10, 0});
            world(b, U_EMR_MODIFYWORLDTRANSFORM, {2, 0, 0, 2, 0, 0}, U_MWT_RIGHTMULTIPLY);
            square(b);
        }) << QRect(20, 0, 20, 20);
        QTest::newRow("modify: identity") << Setup([=](EmfBuilder &b) {
            world(b, U_EMR_SETWORLDTRANSFORM, {1, 0, 0, 1, 50, 50});
            world(b, U_EMR_MODIFYWORLDTRANSFORM, {3, 0, 0, 3, 7, 7}, U_MWT_IDENTITY);
            square(b);
        }) << QRect(0, 0, 10, 10);
        QTest::newRow("modify: set") << Setup([=](EmfBuilder &b) {
            world(b, U_EMR_SETWORLDTRANSFORM, {2, 0, 0, 2, 0, 0});
            world(b, U_EMR_MODIFYWORLDTRANSFORM, {1, 0, 0, 1, 5, 5}, 4);
            square(b);
        }) << QRect(5, 5, 10, 10);
        // A quarter turn: (x, y) goes to (50 - y, x); a wide bar stands up.
        QTest::newRow("rotation") << Setup([](EmfBuilder &b) {
            world(b, U_EMR_SETWORLDTRANSFORM, {0, 1, -1, 0, 50, 0});
            rect(b, 0, 0, 40, 10);
        }) << QRect(40, 0, 10, 40);
        QTest::newRow("world before the window mapping") << Setup([=](EmfBuilder &b) {
            b.mapping(U_MM_ANISOTROPIC, QSize(50, 50), QSize(100, 100));
            world(b, U_EMR_SETWORLDTRANSFORM, {1, 0, 0, 1, 10, 10});
            square(b);
        }) << QRect(20, 20, 20, 20);
        QTest::newRow("unusable transform ignored") << Setup([=](EmfBuilder &b) {
            world(b, U_EMR_SETWORLDTRANSFORM, {0, 0, 0, 0, 30, 30});
            square(b);
        }) << QRect(0, 0, 10, 10);
    }

    void emfWorldTransform_setAndModify_movesInk() { emfMapping_eachMode_placesInk(); }

    void emfPen_widthAndStyle_drawsAsWindows_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("gaps");
        QTest::addColumn<int>("left"); // where the line's ink starts; it runs from x = 20
        const auto tenfold = [](EmfBuilder &b) {
            b.mapping(U_MM_ANISOTROPIC, QSize(10, 10), QSize(100, 100));
        };
        const auto across = [](EmfBuilder &b, int scale) {
            line(b, QPoint(20, 50) / scale, QPoint(80, 50) / scale);
        };
        QTest::newRow("width 0 is one pixel at any scale") << Setup([=](EmfBuilder &b) {
            tenfold(b);
            pen(b, U_PS_SOLID, 0);
            across(b, 10);
        }) << 1 << false << 20;
        QTest::newRow("CREATEPEN width is in logical units") << Setup([=](EmfBuilder &b) {
            tenfold(b);
            pen(b, U_PS_SOLID, 1);
            across(b, 10);
        }) << 10 << false << 15;
        QTest::newRow("CREATEPEN dashes only one unit wide") << Setup([=](EmfBuilder &b) {
            pen(b, U_PS_DASH, 3);
            across(b, 1);
        }) << 3 << false << 19;
        QTest::newRow("cosmetic dashes") << Setup([=](EmfBuilder &b) {
            pen(b, U_PS_DASH, 1);
            across(b, 1);
        }) << 1 << true << 20;
        QTest::newRow("cosmetic extended pen ignores the scale") << Setup([=](EmfBuilder &b) {
            tenfold(b);
            extPen(b, U_PS_COSMETIC | U_PS_SOLID, 1);
            across(b, 10);
        }) << 1 << false << 20;
        QTest::newRow("geometric extended pen scales") << Setup([=](EmfBuilder &b) {
            tenfold(b);
            extPen(b, U_PS_GEOMETRIC | U_PS_SOLID | U_PS_ENDCAP_FLAT, 1);
            across(b, 10);
        }) << 10 << false << 20;
        QTest::newRow("geometric dots are as long as the pen is wide") << Setup([=](EmfBuilder &b) {
            extPen(b, U_PS_GEOMETRIC | U_PS_DOT | U_PS_ENDCAP_FLAT, 4);
            across(b, 1);
        }) << 4 << true << 20;
        QTest::newRow("square cap reaches past the end") << Setup([=](EmfBuilder &b) {
            extPen(b, U_PS_GEOMETRIC | U_PS_SOLID | U_PS_ENDCAP_SQUARE, 10);
            across(b, 1);
        }) << 10 << false << 15;
        QTest::newRow("null pen") << Setup([=](EmfBuilder &b) {
            pen(b, U_PS_NULL, 1);
            across(b, 1);
        }) << 0 << false << 0;
    }

    void emfPen_widthAndStyle_drawsAsWindows()
    {
        QFETCH(Setup, setup);
        QFETCH(int, rows);
        QFETCH(bool, gaps);
        QFETCH(int, left);
        EmfBuilder b = emfPicture();
        setup(b);
        const QImage image = drawEmf(b);
        QVERIFY(!image.isNull());
        const QRect ink = inkBounds(image);
        QVERIFY2(std::abs(ink.height() - rows) <= (rows > 2 ? 1 : 0),
                 qPrintable(QString::number(ink.height())));
        if (rows == 0)
            return;
        QVERIFY2(std::abs(ink.left() - left) <= 1, qPrintable(QString::number(ink.left())));
        int gapCount = 0;
        const int y = ink.center().y();
        for (int x = 25; x < 75; ++x)
            gapCount += !inked(image, QPoint(x, y));
        QCOMPARE(gapCount > 0, gaps);
    }

    // A miter join sticks out past the corner; a bevel join does not.
    void emfPen_join_shapesCorners()
    {
        const auto corner = [](quint32 join) {
            EmfBuilder b = emfPicture();
            b.nullBrush();
            extPen(b, U_PS_GEOMETRIC | U_PS_SOLID | U_PS_ENDCAP_FLAT | join, 10);
            b.record(U_EMR_POLYLINE16,
                     {0, 0, -1, -1, 3, 20 | 80 << 16, 50 | 20 << 16, 80 | 80 << 16});
            return inkBounds(drawEmf(b));
        };
        const QRect miter = corner(U_PS_JOIN_MITER);
        const QRect bevel = corner(U_PS_JOIN_BEVEL);
        QVERIFY2(miter.top() < bevel.top() - 2,
                 qPrintable(QStringLiteral("%1 %2").arg(miter.top()).arg(bevel.top())));
    }

    void emfBrush_eachStyle_fills_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<int>("minimumInk"); // percent of the inside
        QTest::addColumn<int>("maximumInk");
        QTest::addColumn<QColor>("colourA"); // colours that must show, if valid
        QTest::addColumn<QColor>("colourB");
        const auto brush = [](EmfBuilder &b, quint32 style, const QColor &c, quint32 hatch) {
            const quint32 h = b.handle();
            b.record(U_EMR_CREATEBRUSHINDIRECT,
                     {h, style, c.red() | c.green() << 8 | c.blue() << 16, hatch});
            b.select(h);
        };
        QTest::newRow("solid") << Setup([=](EmfBuilder &b) { brush(b, U_BS_SOLID, Qt::red, 0); })
                               << 100 << 100 << QColor(Qt::red) << QColor();
        QTest::newRow("hatched, transparent background")
            << Setup([=](EmfBuilder &b) { brush(b, U_BS_HATCHED, Qt::red, U_HS_CROSS); }) << 5 << 60
            << QColor(Qt::red) << QColor();
        QTest::newRow("hatched, background colour under it") << Setup([=](EmfBuilder &b) {
            b.record(U_EMR_SETBKMODE, {U_OPAQUE});
            b.record(U_EMR_SETBKCOLOR, {0x00FF00});
            brush(b, U_BS_HATCHED, Qt::red, U_HS_DIAGCROSS);
        }) << 100 << 100 << QColor(Qt::red) << QColor(Qt::green);
        QTest::newRow("DIB pattern") << Setup([](EmfBuilder &b) {
            QImage checker(2, 2, QImage::Format_RGB32);
            checker.setPixel(0, 0, qRgb(255, 0, 0));
            checker.setPixel(1, 1, qRgb(255, 0, 0));
            checker.setPixel(1, 0, qRgb(0, 0, 255));
            checker.setPixel(0, 1, qRgb(0, 0, 255));
            const quint32 h = b.handle();
            // The DIB's header and bits by hand: 2 x 2, 32 bits, bottom-up.
            QByteArray dib(40, '\0');
            dib[0] = 40;
            dib[4] = 2;
            dib[8] = 2;
            dib[12] = 1;
            dib[14] = 32;
            for (int y = 1; y >= 0; --y)
                for (int x = 0; x < 2; ++x) {
                    const QRgb p = checker.pixel(x, y);
                    dib.append(char(qBlue(p))).append(char(qGreen(p))).append(char(qRed(p)));
                    dib.append('\0');
                }
            b.record(U_EMR_CREATEDIBPATTERNBRUSHPT, {h, U_DIB_RGB_COLORS, 32, 40, 72, 16}, dib);
            b.select(h);
        }) << 100 << 100 << QColor(Qt::red)
                                     << QColor(Qt::blue);
        // A one-bit pattern takes the text colour for 0 and the background colour for 1.
        QTest::newRow("monochrome pattern") << Setup([](EmfBuilder &b) {
            b.record(U_EMR_SETTEXTCOLOR, {0xFF0000}); // blue
            b.record(U_EMR_SETBKCOLOR, {0x00FFFF});   // yellow
            QByteArray dib(40, '\0');
            dib[0] = 40;
            dib[4] = 2;
            dib[8] = 2;
            dib[12] = 1;
            dib[14] = 1;
            dib.append(QByteArray("\0\0\0\0\xFF\xFF\xFF\0", 8)); // black, white
            dib.append(QByteArray("\x40\0\0\0\x80\0\0\0", 8));   // rows 01 and 10
            const quint32 h = b.handle();
            b.record(U_EMR_CREATEMONOBRUSH, {h, U_DIB_RGB_COLORS, 32, 48, 80, 8}, dib);
            b.select(h);
        }) << 100 << 100 << QColor(Qt::blue) << QColor(Qt::yellow);
        QTest::newRow("null") << Setup([](EmfBuilder &b) { b.nullBrush(); }) << 0 << 0 << QColor()
                              << QColor();
    }

    void emfBrush_eachStyle_fills()
    {
        QFETCH(Setup, setup);
        QFETCH(int, minimumInk);
        QFETCH(int, maximumInk);
        QFETCH(QColor, colourA);
        QFETCH(QColor, colourB);
        EmfBuilder b = emfPicture();
        setup(b);
        rect(b, 10, 10, 90, 90);
        const QImage image = drawEmf(b);
        const QRect inside(12, 12, 76, 76);
        const int share = inkedShare(image, inside);
        QVERIFY2(share >= minimumInk && share <= maximumInk, qPrintable(QString::number(share)));
        for (const QColor &c : {colourA, colourB})
            if (c.isValid())
                QVERIFY2(countColour(image, inside, c) > inside.width() * inside.height() / 20,
                         qPrintable(c.name()));
    }

    // Two squares, one inside the other, drawn the same way round: the alternate rule leaves
    // the inner one empty, the winding rule fills it.
    void emfFillMode_nestedSquares_holeOrFilled_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("centreInked");
        QTest::newRow("alternate") << int(U_ALTERNATE) << false;
        QTest::newRow("winding") << int(U_WINDING) << true;
    }

    void emfFillMode_nestedSquares_holeOrFilled()
    {
        QFETCH(int, mode);
        QFETCH(bool, centreInked);
        EmfBuilder b = emfPicture();
        b.record(U_EMR_SETPOLYFILLMODE, {mode});
        b.record(U_EMR_POLYPOLYGON, {0,  0,  -1, -1, 2,  8,  4,  4,  10, 10, 90, 10,
                                     90, 90, 10, 90, 30, 30, 70, 30, 70, 70, 30, 70});
        const QImage image = drawEmf(b);
        QVERIFY(inked(image, QPoint(20, 20)));
        QCOMPARE(inked(image, QPoint(50, 50)), centreInked);
    }

    void emfPoly_16And32BitForms_drawAlike_data()
    {
        QTest::addColumn<quint32>("wide");
        QTest::addColumn<quint32>("narrow");
        QTest::newRow("polygon") << quint32(U_EMR_POLYGON) << quint32(U_EMR_POLYGON16);
        QTest::newRow("polyline") << quint32(U_EMR_POLYLINE) << quint32(U_EMR_POLYLINE16);
        QTest::newRow("poly-Bézier") << quint32(U_EMR_POLYBEZIER) << quint32(U_EMR_POLYBEZIER16);
    }

    void emfPoly_16And32BitForms_drawAlike()
    {
        QFETCH(quint32, wide);
        QFETCH(quint32, narrow);
        const QList<QPoint> points{{10, 80}, {30, 10}, {70, 10}, {90, 80}};
        EmfBuilder a = emfPicture();
        EmfBuilder b = emfPicture();
        pen(a, U_PS_SOLID, 1);
        pen(b, U_PS_SOLID, 1);
        QList<qint64> w{0, 0, -1, -1, points.size()};
        QList<qint64> n = w;
        for (const QPoint &p : points) {
            w << p.x() << p.y();
            n << (p.x() | p.y() << 16);
        }
        a.record(wide, w);
        b.record(narrow, n);
        const QImage ia = drawEmf(a);
        const QImage ib = drawEmf(b);
        QVERIFY(!inkBounds(ia).isEmpty());
        QCOMPARE(inkBounds(ia), inkBounds(ib));
        QCOMPARE(ia, ib);
    }

    // A pie from the right-hand point to the top one: a quarter counter-clockwise, three
    // quarters clockwise.
    void emfArc_direction_choosesTheSide_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<bool>("clockwise");
        QTest::addColumn<bool>("topRight");
        QTest::addColumn<bool>("bottomLeft");
        QTest::newRow("pie") << quint32(U_EMR_PIE) << false << true << false;
        QTest::newRow("pie, clockwise") << quint32(U_EMR_PIE) << true << false << true;
        QTest::newRow("chord, clockwise") << quint32(U_EMR_CHORD) << true << false << true;
    }

    void emfArc_direction_choosesTheSide()
    {
        QFETCH(quint32, type);
        QFETCH(bool, clockwise);
        QFETCH(bool, topRight);
        QFETCH(bool, bottomLeft);
        EmfBuilder b = emfPicture();
        if (clockwise)
            b.record(U_EMR_SETARCDIRECTION, {U_AD_CLOCKWISE});
        b.record(type, {10, 10, 90, 90, 90, 50, 50, 10});
        const QImage image = drawEmf(b);
        QCOMPARE(inked(image, QPoint(78, 25)), topRight);
        QCOMPARE(inked(image, QPoint(35, 65)), bottomLeft);
    }

    // ANGLEARC and ARCTO draw a line from the current position to the arc first.
    void emfArc_fromCurrentPosition_linesUp_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::newRow("angle arc") << Setup([](EmfBuilder &b) {
            b.record(U_EMR_MOVETOEX, {5, 50});
            b.record(U_EMR_ANGLEARC, {50, 50, 30, f(0), f(90)});
        });
        QTest::newRow("arc to") << Setup([](EmfBuilder &b) {
            b.record(U_EMR_MOVETOEX, {5, 50});
            b.record(U_EMR_ARCTO, {20, 20, 80, 80, 80, 50, 50, 20});
        });
    }

    void emfArc_fromCurrentPosition_linesUp()
    {
        QFETCH(Setup, setup);
        EmfBuilder b = emfPicture();
        pen(b, U_PS_SOLID, 1);
        setup(b);
        b.record(U_EMR_LINETO, {95, 20}); // on from the arc's end
        const QImage image = drawEmf(b);
        QVERIFY(inked(image, QPoint(6, 50)));  // the leading line
        QVERIFY(inked(image, QPoint(79, 50))); // the arc's start
        QVERIFY(inked(image, QPoint(50, 20))); // its end, at the top
        QVERIFY(!inked(image, QPoint(35, 65)));
        QVERIFY(inked(image, QPoint(90, 20)));
    }

    void emfPath_records_drawOnlyWhenAsked_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QList<QPoint>>("inked");
        QTest::addColumn<QList<QPoint>>("clear");
        const auto square = [](EmfBuilder &b) {
            b.add(U_EMRBEGINPATH_set());
            rect(b, 20, 20, 80, 80);
            b.add(U_EMRENDPATH_set());
        };
        QTest::newRow("a path alone draws nothing")
            << Setup(square) << QList<QPoint>() << QList<QPoint>{{20, 20}, {50, 50}};
        QTest::newRow("fill") << Setup([=](EmfBuilder &b) {
            square(b);
            b.record(U_EMR_FILLPATH, {0, 0, -1, -1});
        }) << QList<QPoint>{{50, 50}, {21, 21}}
                              << QList<QPoint>{{10, 10}};
        QTest::newRow("stroke") << Setup([=](EmfBuilder &b) {
            pen(b, U_PS_SOLID, 1);
            square(b);
            b.record(U_EMR_STROKEPATH, {0, 0, -1, -1});
        }) << QList<QPoint>{{20, 50}}
                                << QList<QPoint>{{50, 50}};
        QTest::newRow("stroke and fill") << Setup([=](EmfBuilder &b) {
            pen(b, U_PS_SOLID, 1, Qt::red);
            square(b);
            b.record(U_EMR_STROKEANDFILLPATH, {0, 0, -1, -1});
        }) << QList<QPoint>{{20, 50}, {50, 50}}
                                         << QList<QPoint>{{10, 10}};
        QTest::newRow("abort") << Setup([=](EmfBuilder &b) {
            square(b);
            b.add(U_EMRABORTPATH_set());
            b.record(U_EMR_FILLPATH, {0, 0, -1, -1});
        }) << QList<QPoint>() << QList<QPoint>{{50, 50}};
        QTest::newRow("lines closed and filled") << Setup([](EmfBuilder &b) {
            b.add(U_EMRBEGINPATH_set());
            line(b, QPoint(20, 20), QPoint(80, 20));
            b.record(U_EMR_LINETO, {50, 80});
            b.add(U_EMRCLOSEFIGURE_set());
            b.add(U_EMRENDPATH_set());
            b.record(U_EMR_FILLPATH, {0, 0, -1, -1});
        }) << QList<QPoint>{{50, 40}} << QList<QPoint>{{22, 70}, {78, 70}};
        QTest::newRow("flattened curve") << Setup([](EmfBuilder &b) {
            b.add(U_EMRBEGINPATH_set());
            b.record(U_EMR_POLYBEZIER16,
                     {0, 0, -1, -1, 4, 10 | 90 << 16, 10 | 10 << 16, 90 | 10 << 16, 90 | 90 << 16});
            b.add(U_EMRENDPATH_set());
            b.add(U_EMRFLATTENPATH_set());
            b.record(U_EMR_FILLPATH, {0, 0, -1, -1});
        }) << QList<QPoint>{{50, 40}, {50, 80}}
                                         << QList<QPoint>{{5, 50}, {50, 15}};
        QTest::newRow("widened line") << Setup([](EmfBuilder &b) {
            extPen(b, U_PS_GEOMETRIC | U_PS_SOLID | U_PS_ENDCAP_FLAT, 20);
            b.add(U_EMRBEGINPATH_set());
            line(b, QPoint(10, 50), QPoint(90, 50));
            b.add(U_EMRENDPATH_set());
            b.add(U_EMRWIDENPATH_set());
            b.record(U_EMR_FILLPATH, {0, 0, -1, -1});
        }) << QList<QPoint>{{50, 42}, {50, 58}}
                                      << QList<QPoint>{{50, 35}, {50, 65}};
        QTest::newRow("selected as clip") << Setup([](EmfBuilder &b) {
            b.add(U_EMRBEGINPATH_set());
            b.add(U_EMRELLIPSE_set(U_RECTL{20, 20, 80, 80}));
            b.add(U_EMRENDPATH_set());
            b.record(U_EMR_SELECTCLIPPATH, {U_RGN_COPY});
            rect(b, 0, 0, 100, 100);
        }) << QList<QPoint>{{50, 50}} << QList<QPoint>{{22, 22}, {5, 50}};
    }

    void emfPath_records_drawOnlyWhenAsked()
    {
        QFETCH(Setup, setup);
        QFETCH(QList<QPoint>, inked);
        QFETCH(QList<QPoint>, clear);
        EmfBuilder b = emfPicture();
        setup(b);
        const QString mismatch = inkMismatch(drawEmf(b), inked, clear);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }
};

QTEST_MAIN(EmfPlayerTest)
#include "tst_emfplayer.moc"
