// Enhanced metafiles built record by record and played: the mapping modes and the world
// transform, pens, brushes, fill modes, shapes and arcs, and paths. Ink is checked by position
// and colour with a pixel of slack, never against a whole rendered picture.

#include "emfink.h"

#include <QTest>

#include <uemf.h>

#include <bit>

namespace {

qint64 f(float v)
{
    return std::bit_cast<quint32>(v);
}

Record world(quint32 type, QList<float> m, int mode = 0)
{
    QList<qint64> fields;
    for (float v : m)
        fields << f(v);
    if (type == U_EMR_MODIFYWORLDTRANSFORM)
        fields << mode;
    return {type, fields};
}

// The mapping mode and window extent onto a viewport of 100 x 100 pixels.
QList<Record> mapping(int mode, int windowWidth, int windowHeight)
{
    return {{U_EMR_SETMAPMODE, {mode}},
            {U_EMR_SETWINDOWEXTEX, {windowWidth, windowHeight}},
            {U_EMR_SETVIEWPORTEXTEX, {100, 100}}};
}

} // namespace

class EmfPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void emfMapping_eachModeAndWorldTransform_placesInk_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("text mode, window origin")
            << records({{U_EMR_SETWINDOWORGEX, {-10, -20}}, box(0, 0, 10, 10)})
            << QRect(10, 20, 10, 10);
        QTest::newRow("anisotropic, extents scale each axis")
            << records(mapping(U_MM_ANISOTROPIC, 200, 100) << box(0, 0, 100, 50))
            << QRect(0, 0, 50, 50);
        QTest::newRow("isotropic keeps the aspect")
            << records(mapping(U_MM_ISOTROPIC, 100, 200) << box(0, 0, 100, 100))
            << QRect(0, 0, 50, 50);
        QTest::newRow("extents ignored in text mode")
            << records(mapping(U_MM_TEXT, 200, 200) << box(0, 0, 20, 20)) << QRect(0, 0, 20, 20);
        // 0.1 mm units at 96 dpi, y upwards from the viewport origin at the bottom.
        QTest::newRow("lometric measures upwards") << records({{U_EMR_SETMAPMODE, {U_MM_LOMETRIC}},
                                                               {U_EMR_SETVIEWPORTORGEX, {0, 100}},
                                                               box(0, 0, 100, 100)})
                                                   << QRect(0, 62, 38, 38);
        QTest::newRow("scaled window extent")
            << records(mapping(U_MM_ANISOTROPIC, 100, 100)
                       << Record{U_EMR_SCALEWINDOWEXTEX, {2, 1, 4, 1}} << box(0, 0, 100, 200))
            << QRect(0, 0, 50, 50);

        const Record square = box(0, 0, 10, 10);
        const auto set = [](QList<float> m) { return world(U_EMR_SETWORLDTRANSFORM, m); };
        const auto modify = [](QList<float> m, int mode) {
            return world(U_EMR_MODIFYWORLDTRANSFORM, m, mode);
        };
        QTest::newRow("world: set, translation")
            << records({set({1, 0, 0, 1, 40, 30}), square}) << QRect(40, 30, 10, 10);
        // Left: the new transform applies before the one there; right: after it.
        QTest::newRow("world: modify, left multiply")
            << records({set({1, 0, 0, 1, 10, 0}), modify({2, 0, 0, 2, 0, 0}, U_MWT_LEFTMULTIPLY),
                        square})
            << QRect(10, 0, 20, 20);
        QTest::newRow("world: modify, right multiply")
            << records({set({1, 0, 0, 1, 10, 0}), modify({2, 0, 0, 2, 0, 0}, U_MWT_RIGHTMULTIPLY),
                        square})
            << QRect(20, 0, 20, 20);
        QTest::newRow("world: modify, identity")
            << records(
                   {set({1, 0, 0, 1, 50, 50}), modify({3, 0, 0, 3, 7, 7}, U_MWT_IDENTITY), square})
            << QRect(0, 0, 10, 10);
        // A quarter turn: (x, y) goes to (50 - y, x); a wide bar stands up.
        QTest::newRow("world: rotation")
            << records({set({0, 1, -1, 0, 50, 0}), box(0, 0, 40, 10)}) << QRect(40, 0, 10, 40);
        QTest::newRow("world before the window mapping")
            << records(mapping(U_MM_ANISOTROPIC, 50, 50) << set({1, 0, 0, 1, 10, 10}) << square)
            << QRect(20, 20, 20, 20);
        QTest::newRow("world: unusable transform ignored")
            << records({set({0, 0, 0, 0, 30, 30}), square}) << QRect(0, 0, 10, 10);
    }

    void emfMapping_eachModeAndWorldTransform_placesInk()
    {
        QFETCH(Setup, setup);
        QFETCH(QRect, expected);
        EmfBuilder b = emfPicture();
        setup(b);
        const QImage image = drawEmf(b);
        QVERIFY(!image.isNull());
        const QRect ink = inkBounds(image);
        QVERIFY2(nearRect(ink, expected), qPrintable(rectText(ink)));
    }

    void emfPen_widthAndStyle_drawsAsWindows_data()
    {
        QTest::addColumn<bool>("tenfold");  // ten pixels a logical unit
        QTest::addColumn<bool>("extended"); // EXTCREATEPEN, else CREATEPEN
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("gaps");
        QTest::addColumn<int>("left"); // where the line's ink starts; it runs from x = 20
        const int geometric = U_PS_GEOMETRIC | U_PS_SOLID;
        QTest::newRow("width 0 is one pixel at any scale")
            << true << false << int(U_PS_SOLID) << 0 << 1 << false << 20;
        QTest::newRow("CREATEPEN width is in logical units")
            << true << false << int(U_PS_SOLID) << 1 << 10 << false << 15;
        QTest::newRow("CREATEPEN dashes only one unit wide")
            << false << false << int(U_PS_DASH) << 3 << 3 << false << 19;
        QTest::newRow("cosmetic dashes")
            << false << false << int(U_PS_DASH) << 1 << 1 << true << 20;
        QTest::newRow("cosmetic extended pen ignores the scale")
            << true << true << int(U_PS_COSMETIC | U_PS_SOLID) << 1 << 1 << false << 20;
        QTest::newRow("geometric extended pen scales")
            << true << true << (geometric | U_PS_ENDCAP_FLAT) << 1 << 10 << false << 20;
        QTest::newRow("geometric dots are as long as the pen is wide")
            << false << true << int(U_PS_GEOMETRIC | U_PS_DOT | U_PS_ENDCAP_FLAT) << 4 << 4 << true
            << 20;
        QTest::newRow("square cap reaches past the end")
            << false << true << (geometric | U_PS_ENDCAP_SQUARE) << 10 << 10 << false << 15;
        QTest::newRow("null pen") << false << false << int(U_PS_NULL) << 1 << 0 << false << 0;
    }

    void emfPen_widthAndStyle_drawsAsWindows()
    {
        QFETCH(bool, tenfold);
        QFETCH(bool, extended);
        QFETCH(int, style);
        QFETCH(int, width);
        QFETCH(int, rows);
        QFETCH(bool, gaps);
        QFETCH(int, left);
        EmfBuilder b = emfPicture();
        if (tenfold)
            b.mapping(U_MM_ANISOTROPIC, QSize(10, 10), QSize(100, 100));
        if (extended)
            b.extPen(quint32(style), width);
        else
            b.pen(quint32(style), width);
        const int scale = tenfold ? 10 : 1;
        records({moveTo(20 / scale, 50 / scale), lineTo(80 / scale, 50 / scale)})(b);
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
            b.extPen(U_PS_GEOMETRIC | U_PS_SOLID | U_PS_ENDCAP_FLAT | join, 10);
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
        QTest::newRow("hatched, background colour under it") << Setup([=](EmfBuilder &b) {
            b.record(U_EMR_SETBKMODE, {U_OPAQUE});
            b.record(U_EMR_SETBKCOLOR, {0x00FF00});
            brush(b, U_BS_HATCHED, Qt::red, U_HS_DIAGCROSS);
        }) << 100 << 100 << QColor(Qt::red) << QColor(Qt::green);
        QTest::newRow("DIB pattern") << Setup([](EmfBuilder &b) {
            // Alpha bytes of 0, as in bitmaps without alpha: they must not make it transparent.
            QImage checker(2, 2, QImage::Format_ARGB32);
            checker.fill(qRgba(255, 0, 0, 0));
            checker.setPixel(1, 0, qRgba(0, 0, 255, 0));
            checker.setPixel(0, 1, qRgba(0, 0, 255, 0));
            const quint32 h = b.handle();
            b.record(U_EMR_CREATEDIBPATTERNBRUSHPT, {h, U_DIB_RGB_COLORS, 32, 40, 72, 16},
                     EmfBuilder::dib(checker));
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
        b.rectangle(10, 10, 90, 90);
        const QImage image = drawEmf(b);
        const QRect inside(12, 12, 76, 76);
        const int share = inkedPercent(image, inside);
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

    // The 16-bit and 32-bit point lists of every poly record are read by one function.
    void emfPoly_16And32BitForms_drawAlike()
    {
        const quint32 wide = U_EMR_POLYGON;
        const quint32 narrow = U_EMR_POLYGON16;
        const Points points{{10, 80}, {30, 10}, {70, 10}, {90, 80}};
        EmfBuilder a = emfPicture();
        EmfBuilder b = emfPicture();
        a.pen(U_PS_SOLID, 1);
        b.pen(U_PS_SOLID, 1);
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

    void emfPath_records_drawOnlyWhenAsked_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<Points>("inked");
        QTest::addColumn<Points>("clear");
        // A figure between BEGINPATH and ENDPATH, then what is done with the path.
        const auto path = [](const QList<Record> &figure, const QList<Record> &after) {
            return records(QList<Record>{bare(U_EMR_BEGINPATH)} + figure +
                           QList<Record>{bare(U_EMR_ENDPATH)} + after);
        };
        const Record square = box(20, 20, 80, 80);
        const Record fill = onPath(U_EMR_FILLPATH);
        QTest::newRow("a path alone draws nothing")
            << path({square}, {}) << Points() << Points{{20, 20}, {50, 50}};
        QTest::newRow("fill") << path({square}, {fill}) << Points{{50, 50}, {21, 21}}
                              << Points{{10, 10}};
        QTest::newRow("stroke") << Setup([=](EmfBuilder &b) {
            b.pen(U_PS_SOLID, 1);
            path({square}, {onPath(U_EMR_STROKEPATH)})(b);
        }) << Points{{20, 50}} << Points{{50, 50}};
        QTest::newRow("abort") << path({square}, {bare(U_EMR_ABORTPATH), fill}) << Points()
                               << Points{{50, 50}};
        QTest::newRow("lines closed and filled")
            << path({moveTo(20, 20), lineTo(80, 20), lineTo(50, 80), bare(U_EMR_CLOSEFIGURE)},
                    {fill})
            << Points{{50, 40}} << Points{{22, 70}, {78, 70}};
        const Record curve{
            U_EMR_POLYBEZIER16,
            {0, 0, -1, -1, 4, 10 | 90 << 16, 10 | 10 << 16, 90 | 10 << 16, 90 | 90 << 16}};
        QTest::newRow("flattened curve") << path({curve}, {bare(U_EMR_FLATTENPATH), fill})
                                         << Points{{50, 40}, {50, 80}} << Points{{5, 50}, {50, 15}};
        QTest::newRow("widened line") << Setup([=](EmfBuilder &b) {
            b.extPen(U_PS_GEOMETRIC | U_PS_SOLID | U_PS_ENDCAP_FLAT, 20);
            path({moveTo(10, 50), lineTo(90, 50)}, {bare(U_EMR_WIDENPATH), fill})(b);
        }) << Points{{50, 42}, {50, 58}}
                                      << Points{{50, 35}, {50, 65}};
        const Record ellipse{U_EMR_ELLIPSE, {20, 20, 80, 80}};
        const Record clip{U_EMR_SELECTCLIPPATH, {U_RGN_COPY}};
        QTest::newRow("selected as clip") << path({ellipse}, {clip, box(0, 0, 100, 100)})
                                          << Points{{50, 50}} << Points{{22, 22}, {5, 50}};
    }

    void emfPath_records_drawOnlyWhenAsked()
    {
        QFETCH(Setup, setup);
        QFETCH(Points, inked);
        QFETCH(Points, clear);
        EmfBuilder b = emfPicture();
        setup(b);
        const QString mismatch = inkMismatch(drawEmf(b), inked, clear);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }
};

QTEST_MAIN(EmfPlayerTest)
#include "tst_emfplayer.moc"
