// Plays metafiles built in the test and looks at where the ink lands: objects, pens, brushes,
// bitmaps, clipping, and text in real glyphs of the substituted faces with its spacing and the
// two meanings of a font's height.

#include "wmfbuilder.h"
#include "wmfink.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTest>
#include <QtEndian>

namespace {

constexpr int kTwipsPerInch = 1440;

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

} // namespace

class WmfPlayerTest : public QObject {
    Q_OBJECT

private slots:
    // A font never selected, and a brush record too short to read, still take their slots; a freed
    // slot is reused by the next object.
    void wmfObjects_created_takeTheLowestFreeSlot()
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
            .add(wmfrec::pen(U_PS_NULL, 0, Qt::black)) // 5
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
        QCOMPARE(image.pixelColor(5, 5), QColor(Qt::red));
        QCOMPARE(image.pixelColor(15, 5), QColor(Qt::green));
        QCOMPARE(image.pixelColor(25, 5), QColor(Qt::blue));
        QCOMPARE(image.pixelColor(35, 5), QColor(Qt::blue));
    }

    // The pen's styles are the EMF player's too (tst_emfplayer); the width is read here.
    void wmfPen_width_inLogicalUnits_data()
    {
        QTest::addColumn<int>("width"); // twips
        QTest::addColumn<int>("rows");
        QTest::newRow("width 0 is a hairline") << 0 << 1;
        QTest::newRow("width scales with the mapping") << 45 << 3;
    }

    void wmfPen_width_inLogicalUnits()
    {
        QFETCH(int, width);
        QFETCH(int, rows);
        // A 100 x 40 pixel picture with a horizontal line across the middle.
        constexpr int u = kTwipsPerInch;
        WmfBuilder b = WmfBuilder::placeable(0, 0, 100 * u / 96, 40 * u / 96, u);
        b.add(wmfrec::pen(U_PS_SOLID, quint16(width), Qt::black))
            .add(wmfrec::select(0))
            .add(U_WMRMOVETO_set(wmfrec::point(10 * u / 96, 20 * u / 96)))
            .add(U_WMRLINETO_set(wmfrec::point(90 * u / 96, 20 * u / 96)));
        const QRect bounds = inkBounds(render(b.bytes()));
        QCOMPARE(bounds.height(), rows);
        QVERIFY(bounds.left() >= 8 && bounds.right() <= 92);
    }

    void wmfShape_eachBrush_fillsAsSet_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("ellipse");   // else a rectangle
        QTest::addColumn<int>("minimumInk"); // percent of the inside
        QTest::addColumn<int>("maximumInk");
        QTest::newRow("solid") << int(U_BS_SOLID) << false << 100 << 100;
        QTest::newRow("hatched") << int(U_BS_HATCHED) << false << 5 << 60;
        // The box's corners stay empty.
        QTest::newRow("solid ellipse") << int(U_BS_SOLID) << true << 75 << 95;
    }

    void wmfShape_eachBrush_fillsAsSet()
    {
        QFETCH(int, style);
        QFETCH(bool, ellipse);
        QFETCH(int, minimumInk);
        QFETCH(int, maximumInk);
        WmfBuilder b = WmfBuilder::placeable(0, 0, 100, 60, 96);
        b.add(U_WMRSETBKMODE_set(U_TRANSPARENT))
            .add(wmfrec::pen(U_PS_SOLID, 1, Qt::blue))
            .add(wmfrec::brush(quint16(style), Qt::red, U_HS_DIAGCROSS))
            .add(wmfrec::select(0))
            .add(wmfrec::select(1))
            .add(ellipse ? U_WMRELLIPSE_set(wmfrec::rect(10, 10, 90, 50))
                         : wmfrec::rectangle(10, 10, 90, 50));
        const QImage image = render(b.bytes());
        QCOMPARE(inkBounds(image), QRect(10, 10, 80, 40)); // the outline is always there
        QCOMPARE(image.pixelColor(10, 30), QColor(Qt::blue));
        const int percent = inkedPercent(image, QRect(12, 12, 76, 36));
        QVERIFY2(percent >= minimumInk && percent <= maximumInk,
                 qPrintable(QString::number(percent)));
    }

    void wmfDibBlit_eachRecord_drawsTheBitmap_data()
    {
        QTest::addColumn<int>("bitCount");
        QTest::addColumn<QString>("record");
        // Every depth through one record: the DIB is read the same way for all of them.
        for (const char *record : {"STRETCHDIB", "DIBSTRETCHBLT", "DIBBITBLT", "SETDIBTODEV"})
            for (int bits : {1, 4, 8, 16, 24, 32})
                if (bits == 24 || qstrcmp(record, "STRETCHDIB") == 0)
                    // Named without printf: GCC's optimiser takes `record` for a possible null
                    // there.
                    QTest::newRow(
                        QByteArray(QByteArray(record) + ", " + QByteArray::number(bits) + " bits")
                            .constData())
                        << bits << QString::fromLatin1(record);
    }

    // A 2 x 2 bitmap drawn at (20, 10) in a picture of 10 pixels per logical unit: the stretching
    // records make it 4 x 4 units, the others 2 x 2.
    void wmfDibBlit_eachRecord_drawsTheBitmap()
    {
        QFETCH(int, bitCount);
        QFETCH(QString, record);
        const QList<QRgb> grid = bitCount == 1 ? QList<QRgb>{qRgb(0, 0, 255), qRgb(255, 255, 0),
                                                             qRgb(255, 255, 0), qRgb(0, 0, 255)}
                                               : QList<QRgb>{qRgb(255, 0, 0), qRgb(0, 255, 0),
                                                             qRgb(0, 0, 255), qRgb(255, 255, 255)};
        QList<QRgb> table;
        const QByteArray bits = packPixels(bitCount, grid, &table);
        const QByteArray dib =
            wmfrec::dib(2, 2, bitCount, bitCount <= 8 ? table : QList<QRgb>(), bits);
        const auto *bmi = reinterpret_cast<const U_BITMAPINFO *>(dib.constData());
        const char *px = dib.constData() + dib.size() - bits.size();
        const bool stretched =
            record == QLatin1String("STRETCHDIB") || record == QLatin1String("DIBSTRETCHBLT");
        const int units = stretched ? 4 : 2;

        WmfBuilder b = WmfBuilder::placeable(0, 0, 100, 60, 96);
        b.add(U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC))
            .add(U_WMRSETWINDOWEXT_set(wmfrec::point(10, 6)));
        if (record == QLatin1String("STRETCHDIB"))
            b.add(U_WMRSTRETCHDIB_set(wmfrec::point(2, 1), wmfrec::point(units, units),
                                      wmfrec::point(0, 0), wmfrec::point(2, 2), U_DIB_RGB_COLORS,
                                      U_SRCCOPY, bmi, quint32(bits.size()), px));
        else if (record == QLatin1String("DIBSTRETCHBLT"))
            b.add(U_WMRDIBSTRETCHBLT_set(wmfrec::point(2, 1), wmfrec::point(units, units),
                                         wmfrec::point(0, 0), wmfrec::point(2, 2), U_SRCCOPY, bmi,
                                         quint32(bits.size()), px));
        else if (record == QLatin1String("DIBBITBLT"))
            b.add(U_WMRDIBBITBLT_set(wmfrec::point(2, 1), wmfrec::point(2, 2), wmfrec::point(0, 0),
                                     U_SRCCOPY, bmi, quint32(bits.size()), px));
        else // colour usage, scan count, first scan, source y and x, height, width, destination y,
             // x
            b.raw(0x0D33, u16le({U_DIB_RGB_COLORS, 2, 0, 0, 0, 2, 2, 1, 2}) + dib);

        const QImage image = render(b.bytes());
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
    void wmfPaletteColour_selected_used()
    {
        const QByteArray palette = u16le({0x0300, 3}) + QByteArray("\x10\x20\x30\x00"
                                                                   "\x40\x50\x60\x00"
                                                                   "\x70\x80\x90\x00",
                                                                   12);
        QByteArray dib = wmfrec::dib(2, 1, 8, {}, QByteArray("\x00\x01\x00\x00", 4));
        qToLittleEndian(quint32(2), dib.data() + 32);                // two table entries
        dib.insert(40, u16le({1, 2}));                               // palette indices
        const QByteArray paletteIndexBrush("\0\0\0\0\0\x01\0\0", 8); // solid, palette index 0
        WmfBuilder b = blackInk();
        b.raw(0x00F7, palette) // slot 2
            .add(U_WMRSELECTPALETTE_set(2))
            .raw(0x0F43, u16le({U_SRCCOPY & 0xFFFF, U_SRCCOPY >> 16, U_DIB_PAL_COLORS, 1, 2, 0, 0,
                                10, 20, 0, 0}) +
                             dib)
            .raw(0x02FC, paletteIndexBrush) // slot 3
            .add(wmfrec::select(3))
            .add(wmfrec::rectangle(30, 0, 40, 10));
        const QImage image = render(b.bytes());
        QCOMPARE(image.pixelColor(5, 5), QColor(0x40, 0x50, 0x60));
        QCOMPARE(image.pixelColor(15, 5), QColor(0x70, 0x80, 0x90));
        QCOMPARE(image.pixelColor(35, 5), QColor(0x10, 0x20, 0x30));
    }

    void wmfClip_eachRecord_limitsDrawing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QRect>("expected");
        QTest::addColumn<QPoint>("hole"); // a pixel left unpainted, or (-1, -1)
        const auto fillAfter = [](QList<char *> clip) {
            WmfBuilder b = blackInk();
            for (char *record : clip)
                b.add(record);
            b.add(wmfrec::rectangle(0, 0, 60, 40));
            return b.bytes();
        };
        QTest::newRow("intersect")
            << fillAfter({U_WMRINTERSECTCLIPRECT_set(wmfrec::rect(10, 10, 30, 30))})
            << QRect(10, 10, 20, 20) << QPoint(-1, -1);
        QTest::newRow("exclude") << fillAfter(
                                        {U_WMREXCLUDECLIPRECT_set(wmfrec::rect(10, 10, 30, 30))})
                                 << QRect(0, 0, 60, 40) << QPoint(20, 20);
        QTest::newRow("restored to an absolute level")
            << fillAfter(
                   {U_WMRSAVEDC_set(), U_WMRINTERSECTCLIPRECT_set(wmfrec::rect(10, 10, 30, 30)),
                    U_WMRSAVEDC_set(), U_WMRSAVEDC_set(),
                    U_WMREXCLUDECLIPRECT_set(wmfrec::rect(0, 0, 20, 20)), U_WMRRESTOREDC_set(2)})
            << QRect(10, 10, 20, 20) << QPoint(-1, -1);
        QTest::newRow("window mapping applies")
            << fillAfter({U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC),
                          U_WMRSETWINDOWEXT_set(wmfrec::point(50, 30)),
                          U_WMRINTERSECTCLIPRECT_set(wmfrec::rect(5, 5, 15, 15))})
            << QRect(10, 10, 20, 20) << QPoint(-1, -1);
    }

    void wmfClip_eachRecord_limitsDrawing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QRect, expected);
        QFETCH(QPoint, hole);
        const QImage image = render(bytes);
        QCOMPARE(inkBounds(image), expected);
        if (hole.x() >= 0)
            QVERIFY(!inked(image, hole.x(), hole.y()));
    }

    // Shift-JIS text in a Shift-JIS font is drawn with real glyphs of the substituted face: the
    // result matches Qt drawing the decoded string in that face, and different characters look
    // different.
    void wmfText_japanese_drawnInItsFont()
    {
        const QString face = QStringLiteral("ＭＳ ゴシック");
        const QString family = QStringLiteral("Noto Sans CJK JP");
        const QString otherFamily = QStringLiteral("Noto Serif CJK JP");
        constexpr int kHeight = 48;
        const auto draw = [&](const QString &text) {
            QByteArray bytes = sjis(text);
            return render(textPicture(400, 100, wmfrec::font(-kHeight, kShiftJis, sjis(face)))
                              .add(U_WMRTEXTOUT_set(wmfrec::point(10, 10), bytes.data()))
                              .bytes());
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

    void wmfText_dx_spacesCharacters_data()
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

    void wmfText_dx_spacesCharacters()
    {
        QFETCH(int, charset);
        QFETCH(QByteArray, text);
        QFETCH(QList<int>, dx);
        QFETCH(int, advance);
        constexpr int kHeight = 24;
        const auto draw = [&](bool withDx) {
            const QByteArray face = charset ? sjis(QStringLiteral("ＭＳ ゴシック")) : "Arial";
            return render(textPicture(300, 60, wmfrec::font(-kHeight, quint8(charset), face))
                              .extTextOut(10, 10, 0, {}, text, withDx ? dx : QList<int>())
                              .bytes());
        };
        const QImage spaced = draw(true);
        const QImage natural = draw(false);
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

    // An opaque rectangle is filled even without text; a clipping one cuts the text at its edges.
    void wmfText_rectangle_filledOrCutsText()
    {
        const QImage image =
            render(textPicture(200, 100, wmfrec::font(-30, kAnsi, "Arial"))
                       .add(U_WMRSETBKCOLOR_set(wmfrec::colorref(Qt::red)))
                       .extTextOut(0, 0, U_ETO_OPAQUE, wmfrec::rect(10, 60, 30, 70), QByteArray())
                       .extTextOut(10, 10, U_ETO_CLIPPED, wmfrec::rect(10, 10, 40, 30), "HHHHHH")
                       .bytes());
        QCOMPARE(inkBounds(image, QRect(0, 50, 200, 50)), QRect(10, 60, 20, 10));
        QCOMPARE(image.pixelColor(20, 65), QColor(Qt::red));
        const QRect text = inkBounds(image, QRect(0, 0, 200, 50));
        QVERIFY(!text.isEmpty());
        QVERIFY(QRect(10, 10, 30, 20).contains(text));
    }

    void wmfFont_heightSign_cellOrCharacterHeight_data()
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
    void wmfFont_heightSign_cellOrCharacterHeight()
    {
        QFETCH(int, charset);
        QFETCH(QByteArray, face);
        QFETCH(QByteArray, text);
        QFETCH(bool, cellIsCharacter);
        const auto height = [&](int h) {
            return inkBounds(render(textPicture(200, 100, wmfrec::font(h, quint8(charset), face))
                                        .add(U_WMRTEXTOUT_set(wmfrec::point(10, 10), text.data()))
                                        .bytes()))
                .height();
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
};

QTEST_MAIN(WmfPlayerTest)
#include "tst_wmfplayer.moc"
