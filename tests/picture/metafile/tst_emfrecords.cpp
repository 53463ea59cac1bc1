// Enhanced metafiles built record by record and played: clipping and the state stack, bitmaps
// with their raster operations, text with its advances, alignment and font, and files with
// EMF+ records.

#include "emfink.h"

#include <picture/picture.h>

#include <QTest>

#include <uemf.h>

#include <bit>

namespace {

qint64 f(float v)
{
    return std::bit_cast<quint32>(v);
}

QImage filled(int width, int height, const QColor &c)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(c);
    return image;
}

// Two pixels side by side.
QImage pair(const QColor &left, const QColor &right)
{
    QImage image = filled(2, 1, left);
    image.setPixelColor(1, 0, right);
    return image;
}

EmfBuilder textPicture()
{
    EmfBuilder b = emfPicture();
    b.record(U_EMR_SETTEXTCOLOR, {0});
    return b;
}

} // namespace

class EmfRecordsTest : public QObject {
    Q_OBJECT

private slots:
    // Each case sets a clip and then fills the whole picture.
    void emfClip_eachRecord_limitsDrawing_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<Points>("inked");
        QTest::addColumn<Points>("clear");
        const auto clipRect = [](quint32 type, int l, int t, int r, int bottom) {
            return Record{type, {l, t, r, bottom}};
        };
        const Record save{U_EMR_SAVEDC, {}};
        const Record intersectSmall = clipRect(U_EMR_INTERSECTCLIPRECT, 0, 0, 20, 20);
        const Record intersectLeft = clipRect(U_EMR_INTERSECTCLIPRECT, 0, 0, 50, 100);
        QTest::newRow("intersect") << records({clipRect(U_EMR_INTERSECTCLIPRECT, 20, 20, 60, 60)})
                                   << Points{{30, 30}, {20, 20}} << Points{{70, 70}, {60, 60}};
        QTest::newRow("exclude") << records({clipRect(U_EMR_EXCLUDECLIPRECT, 20, 20, 60, 60)})
                                 << Points{{70, 70}, {10, 10}} << Points{{30, 30}};
        QTest::newRow("region, copy")
            << Setup([](EmfBuilder &b) { b.clipRegion(U_RGN_COPY, {QRect(0, 0, 50, 100)}); })
            << Points{{25, 50}} << Points{{75, 50}};
        QTest::newRow("region, or") << Setup([](EmfBuilder &b) {
            b.record(U_EMR_INTERSECTCLIPRECT, {0, 0, 50, 50});
            b.clipRegion(U_RGN_OR, {QRect(50, 50, 50, 50)});
        }) << Points{{25, 25}, {75, 75}}
                                    << Points{{75, 25}};
        QTest::newRow("region, xor") << Setup([](EmfBuilder &b) {
            b.record(U_EMR_INTERSECTCLIPRECT, {0, 0, 60, 100});
            b.clipRegion(U_RGN_XOR, {QRect(40, 0, 60, 100)});
        }) << Points{{20, 50}, {80, 50}}
                                     << Points{{50, 50}};
        QTest::newRow("region of several rectangles") << Setup([](EmfBuilder &b) {
            b.clipRegion(U_RGN_COPY, {QRect(0, 0, 20, 20), QRect(80, 80, 20, 20)});
        }) << Points{{10, 10}, {90, 90}} << Points{{50, 50}};
        QTest::newRow("copy without a region clears the clip") << Setup([](EmfBuilder &b) {
            b.record(U_EMR_INTERSECTCLIPRECT, {0, 0, 10, 10});
            b.clipRegion(U_RGN_COPY, {});
        }) << Points{{50, 50}} << Points();
        // Regions are in device units: the window mapping does not move them.
        QTest::newRow("region ignores the mapping") << Setup([](EmfBuilder &b) {
            b.record(U_EMR_SETWINDOWORGEX, {50, 0});
            b.clipRegion(U_RGN_COPY, {QRect(0, 0, 50, 100)});
            b.rectangle(50, 0, 150, 100);
        }) << Points{{25, 50}} << Points{{75, 50}};
        QTest::newRow("offset") << records({intersectSmall, {U_EMR_OFFSETCLIPRGN, {50, 50}}})
                                << Points{{60, 60}} << Points{{10, 10}};
        QTest::newRow("restored with the state")
            << records({save, intersectSmall, {U_EMR_RESTOREDC, {-1}}}) << Points{{50, 50}}
            << Points();
        QTest::newRow("restored two levels back")
            << records({save, intersectLeft, save, intersectSmall, {U_EMR_RESTOREDC, {-2}}})
            << Points{{75, 50}} << Points();
        QTest::newRow("meta region outlives the clip") << Setup([=](EmfBuilder &b) {
            b.record(intersectLeft.first, intersectLeft.second);
            b.record(U_EMR_SETMETARGN, {});
            b.clipRegion(U_RGN_COPY, {});
        }) << Points{{25, 50}} << Points{{75, 50}};
    }

    void emfClip_eachRecord_limitsDrawing()
    {
        QFETCH(Setup, setup);
        QFETCH(Points, inked);
        QFETCH(Points, clear);
        EmfBuilder b = emfPicture();
        setup(b);
        b.rectangle(0, 0, 100, 100);
        const QString mismatch = inkMismatch(drawEmf(b), inked, clear);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }

    // Each case draws on a red square (10..90) and names the colours expected at two points.
    void emfBitmap_eachRecord_drawsAsWindows_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QPoint>("at1");
        QTest::addColumn<QColor>("colour1");
        QTest::addColumn<QPoint>("at2");
        QTest::addColumn<QColor>("colour2");
        // STRETCHDIBITS, `times` times over.
        const auto stretch = [](QRect dest, QRect source, QImage image, quint32 rop,
                                int times = 1) {
            return Setup([=](EmfBuilder &b) {
                for (int i = 0; i < times; ++i)
                    b.stretchDiBits(dest, source, image, rop);
            });
        };
        const QImage blueGreen = pair(Qt::blue, Qt::green);
        const QRect middle(20, 20, 60, 60);
        const QRect whole(0, 0, 2, 1);
        QTest::newRow("stretched") << stretch(middle, whole, blueGreen, U_SRCCOPY) << QPoint(30, 50)
                                   << QColor(Qt::blue) << QPoint(70, 50) << QColor(Qt::green);
        QTest::newRow("mirrored by a negative width")
            << stretch(QRect(80, 20, -60, 60), whole, blueGreen, U_SRCCOPY) << QPoint(30, 50)
            << QColor(Qt::green) << QPoint(70, 50) << QColor(Qt::blue);
        QTest::newRow("and: white keeps what is there")
            << stretch(middle, whole, pair(Qt::white, Qt::black), U_SRCAND) << QPoint(30, 50)
            << QColor(Qt::red) << QPoint(70, 50) << QColor(Qt::black);
        QTest::newRow("xor twice cancels")
            << stretch(middle, whole, blueGreen, U_SRCINVERT, 2) << QPoint(30, 50)
            << QColor(Qt::red) << QPoint(70, 50) << QColor(Qt::red);
        QTest::newRow("bit block transfer") << Setup([=](EmfBuilder &b) {
            b.bitBlt(QRect(20, 20, 2, 1), QPoint(0, 0), blueGreen, U_SRCCOPY);
        }) << QPoint(20, 20) << QColor(Qt::blue)
                                            << QPoint(21, 20) << QColor(Qt::green);
        QTest::newRow("blackness, no bitmap") << Setup([](EmfBuilder &b) {
            b.bitBlt(QRect(20, 20, 20, 20), QPoint(0, 0), QImage(), U_BLACKNESS);
        }) << QPoint(30, 30) << QColor(Qt::black)
                                              << QPoint(50, 50) << QColor(Qt::red);
        QTest::newRow("pattern copy, no bitmap") << Setup([](EmfBuilder &b) {
            b.solidBrush(Qt::blue);
            b.bitBlt(QRect(20, 20, 20, 20), QPoint(0, 0), QImage(), U_PATCOPY);
        }) << QPoint(30, 30) << QColor(Qt::blue) << QPoint(50, 50)
                                                 << QColor(Qt::red);
        QTest::newRow("set bits to the device") << Setup([](EmfBuilder &b) {
            b.setDiBitsToDevice(QPoint(30, 30), filled(10, 10, Qt::blue));
        }) << QPoint(35, 35) << QColor(Qt::blue) << QPoint(45, 45)
                                                << QColor(Qt::red);
        QTest::newRow("alpha blend, constant alpha") << Setup([=](EmfBuilder &b) {
            b.alphaBlend(middle, filled(2, 2, Qt::blue), 128, false);
        }) << QPoint(50, 50) << QColor(127, 0, 128) << QPoint(15, 15)
                                                     << QColor(Qt::red);
        // Per-pixel alpha comes premultiplied: half-transparent blue is (0, 0, 128, 128).
        QTest::newRow("alpha blend, source alpha") << Setup([=](EmfBuilder &b) {
            b.alphaBlend(middle, filled(2, 2, QColor(0, 0, 128, 128)), 255, true);
        }) << QPoint(50, 50) << QColor(127, 0, 128) << QPoint(15, 15)
                                                   << QColor(Qt::red);
        QTest::newRow("transparent colour left out")
            << Setup([=](EmfBuilder &b) { b.transparentBlt(middle, blueGreen, Qt::green); })
            << QPoint(30, 50) << QColor(Qt::blue) << QPoint(70, 50) << QColor(Qt::red);
    }

    void emfBitmap_eachRecord_drawsAsWindows()
    {
        QFETCH(Setup, setup);
        QFETCH(QPoint, at1);
        QFETCH(QColor, colour1);
        QFETCH(QPoint, at2);
        QFETCH(QColor, colour2);
        EmfBuilder b = emfPicture();
        b.solidBrush(Qt::red);
        b.rectangle(10, 10, 90, 90);
        setup(b);
        const QImage image = drawEmf(b);
        QVERIFY(!image.isNull());
        QVERIFY2(nearColour(image.pixelColor(at1), colour1, 8),
                 qPrintable(image.pixelColor(at1).name()));
        QVERIFY2(nearColour(image.pixelColor(at2), colour2, 8),
                 qPrintable(image.pixelColor(at2).name()));
    }

    // The advances of the Dx array, not the font's, place the characters.
    void emfText_dx_placesCharacters()
    {
        const auto secondStart = [&](int advance) {
            EmfBuilder b = textPicture();
            b.font({});
            b.textOut(QPoint(5, 30), QStringLiteral("II"), {advance, advance});
            const QImage image = drawEmf(b);
            const QRect first = inkBounds(image, QRect(0, 0, 12, 100));
            const QRect all = inkBounds(image);
            return all.right() - first.right();
        };
        const int near = secondStart(10);
        const int far = secondStart(50);
        QVERIFY2(std::abs(far - near - 40) <= 1,
                 qPrintable(QStringLiteral("%1 %2").arg(near).arg(far)));
    }

    // With ETO_PDY the array holds a vertical advance after each horizontal one.
    void emfText_pdy_movesDown()
    {
        EmfBuilder b = textPicture();
        b.font({});
        b.textOut(QPoint(5, 10), QStringLiteral("II"), {30, 40, 0, 0}, 0x2000);
        const QImage image = drawEmf(b);
        const QRect first = inkBounds(image, QRect(0, 0, 20, 100));
        const QRect second = inkBounds(image, QRect(20, 0, 80, 100));
        QVERIFY(!first.isEmpty() && !second.isEmpty());
        QVERIFY2(std::abs(second.top() - first.top() + 40) <= 1 ||
                     std::abs(second.top() - first.top() - 40) <= 1,
                 qPrintable(QStringLiteral("%1 %2").arg(first.top()).arg(second.top())));
    }

    // Three characters 10 units apart, at x = 50: the run is 30 wide.
    void emfText_alignment_placesText_data()
    {
        QTest::addColumn<int>("align");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("top");
        QTest::newRow("left, top") << int(U_TA_LEFT | U_TA_TOP) << 50 << 50;
        QTest::newRow("right, top") << int(U_TA_RIGHT | U_TA_TOP) << 20 << 50;
        QTest::newRow("centre, top") << int(U_TA_CENTER | U_TA_TOP) << 35 << 50;
        QTest::newRow("left, baseline") << int(U_TA_LEFT | U_TA_BASELINE) << 50 << 36;
        QTest::newRow("left, bottom") << int(U_TA_LEFT | U_TA_BOTTOM) << 50 << 30;
    }

    void emfText_alignment_placesText()
    {
        QFETCH(int, align);
        QFETCH(int, start);
        QFETCH(int, top);
        EmfBuilder b = textPicture();
        b.record(U_EMR_SETTEXTALIGN, {align});
        b.font({});
        b.textOut(QPoint(50, 50), QStringLiteral("HHH"), {10, 10, 10});
        const QRect ink = inkBounds(drawEmf(b));
        QVERIFY(!ink.isEmpty());
        // The glyphs' own side bearings and the face's line spacing give a few pixels' slack.
        QVERIFY2(ink.left() >= start && ink.left() <= start + 3,
                 qPrintable(QStringLiteral("left %1").arg(ink.left())));
        QVERIFY2(std::abs(ink.top() - top) <= 8,
                 qPrintable(QStringLiteral("top %1").arg(ink.top())));
    }

    // TA_UPDATECP draws at the current position, not the record's point, and moves it on.
    void emfText_updateCp_followsTheCurrentPosition()
    {
        EmfBuilder b = textPicture();
        b.record(U_EMR_SETTEXTALIGN, {U_TA_UPDATECP | U_TA_TOP});
        b.font({});
        b.record(U_EMR_MOVETOEX, {60, 10});
        b.textOut(QPoint(0, 60), QStringLiteral("I"), {15});
        b.textOut(QPoint(0, 60), QStringLiteral("I"), {15});
        const QImage image = drawEmf(b);
        QVERIFY(inkBounds(image, QRect(0, 50, 100, 50)).isEmpty());
        const QRect ink = inkBounds(image);
        QVERIFY2(ink.left() >= 58 && ink.right() >= 75 && ink.right() <= 95,
                 qPrintable(QStringLiteral("%1..%2").arg(ink.left()).arg(ink.right())));
    }

    // The underline is drawn apart from the glyphs.
    void emfFont_underline_drawnBelowTheText()
    {
        const auto draw = [](bool underline) {
            EmfBuilder b = textPicture();
            EmfBuilder::Font f;
            f.underline = underline;
            b.font(f);
            b.textOut(QPoint(30, 40), QStringLiteral("HHH"));
            return inkBounds(drawEmf(b));
        };
        const QRect plain = draw(false);
        const QRect underlined = draw(true);
        QVERIFY(!plain.isEmpty());
        QVERIFY2(underlined.bottom() > plain.bottom(),
                 qPrintable(QStringLiteral("%1 %2").arg(plain.bottom()).arg(underlined.bottom())));
    }

    void emfText_opaqueBackground_fillsBehind()
    {
        EmfBuilder b = textPicture();
        b.record(U_EMR_SETBKMODE, {U_OPAQUE});
        b.record(U_EMR_SETBKCOLOR, {0x00FF00});
        b.font({});
        b.textOut(QPoint(20, 30), QStringLiteral("HH"), {20, 20});
        const QImage image = drawEmf(b);
        QVERIFY(countColour(image, QRect(20, 30, 40, 20), Qt::green) > 100);
        QVERIFY(countColour(image, QRect(20, 30, 40, 20), Qt::black) > 10);
    }

    // An EMF+ header comment marks the records that follow as EMF+; the GDI ones of a dual file
    // are drawn, and a file with no GDI drawing is refused.
    void emfPlus_dualOrOnly_drawnOrRefused_data()
    {
        QTest::addColumn<bool>("gdi");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("dual") << true << true;
        QTest::newRow("EMF+ only") << false << false;
    }

    void emfPlus_dualOrOnly_drawnOrRefused()
    {
        QFETCH(bool, gdi);
        QFETCH(bool, drawn);
        EmfBuilder b = emfPicture();
        // EMR_COMMENT "EMF+" holding an EmfPlusHeader (type 0x4001, flags: dual), then an
        // EmfPlusEndOfFile.
        b.record(U_EMR_COMMENT,
                 {32, U_EMR_COMMENT_EMFPLUSRECORD, 0x00014001, 28, 16, 0xDBC01002, 0, 96, 96});
        if (gdi)
            b.rectangle(10, 10, 90, 90);
        b.record(U_EMR_COMMENT, {16, U_EMR_COMMENT_EMFPLUSRECORD, 0x00004002, 12, 0});
        const picture::Result r = picture::decode(b.finish(), QStringLiteral("plus.emf"));
        QCOMPARE(r.ok(), drawn);
        if (drawn) {
            QVERIFY(inked(r.image, QPoint(50, 50)));
        } else {
            QVERIFY(r.image.isNull());
            QVERIFY2(r.error.contains(QStringLiteral("EMF+")), qPrintable(r.error));
        }
    }

    // Lines that go on from the current position: POLYDRAW's point types, POLYBEZIERTO and
    // POLYLINETO, and POLYPOLYLINE's separate figures; ANGLEARC and ARCTO draw a line from the
    // current position to the arc first.
    void emfLines_eachRecord_drawFigures_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<Points>("inked");
        QTest::addColumn<Points>("clear");
        QTest::newRow("poly-draw: move, lines, close") << Setup([](EmfBuilder &b) {
            // Points (16-bit), then their types: MOVETO, LINETO, LINETO | CLOSEFIGURE.
            b.record(U_EMR_POLYDRAW16,
                     {0, 0, -1, -1, 3, 20 | 20 << 16, 80 | 20 << 16, 50 | 80 << 16},
                     QByteArray("\x06\x02\x03", 3));
        }) << Points{{50, 20}, {35, 50}, {65, 50}} << Points{{50, 50}};
        QTest::newRow("poly-draw: a bad type draws nothing") << Setup([](EmfBuilder &b) {
            b.record(U_EMR_POLYDRAW16, {0, 0, -1, -1, 2, 20 | 20 << 16, 80 | 20 << 16},
                     QByteArray("\x06\x09", 2));
        }) << Points() << Points{{50, 20}};
        const Record bezierTo{U_EMR_POLYBEZIERTO16,
                              {0, 0, -1, -1, 3, 10 | 10 << 16, 90 | 10 << 16, 90 | 90 << 16}};
        // The line goes on from where the curve ended.
        QTest::newRow("Bézier from the current position")
            << records({moveTo(10, 90), bezierTo, lineTo(10, 90)}) << Points{{50, 30}, {50, 90}}
            << Points{{50, 60}};
        QTest::newRow("polyline from the current position")
            << records({moveTo(10, 50), {U_EMR_POLYLINETO, {0, 0, -1, -1, 1, 90, 50}}})
            << Points{{11, 50}, {50, 50}} << Points{{50, 40}};
        QTest::newRow("poly-polyline: separate figures") << Setup([](EmfBuilder &b) {
            b.record(U_EMR_POLYPOLYLINE16, {0, 0, -1, -1, 2, 4, 2, 2, 10 | 20 << 16, 90 | 20 << 16,
                                            10 | 80 << 16, 90 | 80 << 16});
        }) << Points{{50, 20}, {50, 80}} << Points{{50, 50}, {90, 50}};
        // The leading line, the arc's start, its end at the top, and the line on from there.
        const Points arcInk{{6, 50}, {79, 50}, {50, 20}, {90, 20}};
        const Record angleArc{U_EMR_ANGLEARC, {50, 50, 30, f(0), f(90)}};
        const Record arcTo{U_EMR_ARCTO, {20, 20, 80, 80, 80, 50, 50, 20}};
        QTest::newRow("angle arc")
            << records({moveTo(5, 50), angleArc, lineTo(95, 20)}) << arcInk << Points{{35, 65}};
        QTest::newRow("arc to") << records({moveTo(5, 50), arcTo, lineTo(95, 20)}) << arcInk
                                << Points{{35, 65}};
    }

    void emfLines_eachRecord_drawFigures()
    {
        QFETCH(Setup, setup);
        QFETCH(Points, inked);
        QFETCH(Points, clear);
        EmfBuilder b = emfPicture();
        b.pen(U_PS_SOLID, 1);
        setup(b);
        const QString mismatch = inkMismatch(drawEmf(b), inked, clear);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }

    // Shrinking a fine checkerboard: HALFTONE averages it to grey, the other modes pick pixels.
    void emfStretchMode_halftone_averages()
    {
        QImage checker(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                checker.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        const auto shrunk = [&](int mode) {
            EmfBuilder b = emfPicture();
            b.record(U_EMR_SETSTRETCHBLTMODE, {mode});
            b.stretchDiBits(QRect(10, 10, 2, 2), QRect(0, 0, 8, 8), checker, U_SRCCOPY);
            return qGray(drawEmf(b).pixel(10, 10));
        };
        const int halftone = shrunk(U_HALFTONE);
        const int picked = shrunk(U_COLORONCOLOR);
        QVERIFY2(halftone > 60 && halftone < 195, qPrintable(QString::number(halftone)));
        QVERIFY2(picked < 10 || picked > 245, qPrintable(QString::number(picked)));
    }

    // Damaged records are skipped, the rest is drawn.
    void emf_badRecords_skipped()
    {
        EmfBuilder b = emfPicture();
        b.record(U_EMR_POLYGON, {0, 0, -1, -1, 1000000, 1, 2}); // far more points than bytes
        b.record(U_EMR_EXTSELECTCLIPRGN, {4000, U_RGN_COPY});   // region longer than the record
        b.record(U_EMR_SELECTOBJECT, {99999});                  // no such object
        b.record(U_EMR_RESTOREDC, {5});                         // no such level
        b.rectangle(10, 10, 90, 90);
        const QImage image = drawEmf(b);
        QVERIFY(inked(image, QPoint(50, 50)));
        QVERIFY(!inked(image, QPoint(5, 5)));
    }
};

QTEST_MAIN(EmfRecordsTest)
#include "tst_emfrecords.moc"
