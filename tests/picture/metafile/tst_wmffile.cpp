// Metafiles as whole files: their natural size, their window mapped onto the picture, and
// damaged, cut, unsized or oversized files (the fuzzer garbles them).

#include "wmfbuilder.h"
#include "wmfink.h"

#include <picture/metafile/wmf.h>

#include <QTest>
#include <QtEndian>

class WmfFileTest : public QObject {
    Q_OBJECT

private slots:
    void wmfNaturalSize_validFile_fromBoxWindowOrDrawing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("expected");
        QTest::addColumn<QRect>("area"); // where to look at the ink, if anywhere
        QTest::addColumn<QRect>("ink");
        QTest::newRow("placeable, box given right to left")
            << WmfBuilder::placeable(2540, 0, 0, 5080, 2540).bytes() << QSize(96, 192) << QRect()
            << QRect();
        QTest::newRow("no placeable header, small extent is pixels")
            << WmfBuilder().add(U_WMRSETWINDOWEXT_set(wmfrec::point(300, 200))).bytes()
            << QSize(300, 200) << QRect() << QRect();
        QTest::newRow("no placeable header, large extent is twips")
            << WmfBuilder()
                   .add(U_WMRSETWINDOWORG_set(wmfrec::point(-100, -100)))
                   .add(U_WMRSETWINDOWEXT_set(wmfrec::point(2880, -4320)))
                   .bytes()
            << QSize(192, 288) << QRect() << QRect();
        // Without placeable header and window extent the picture is as large as its drawing,
        // which fills it.
        QTest::newRow("no placeable header, no extent: the drawing's size")
            << blackInk(WmfBuilder())
                   .add(wmfrec::rectangle(10, 20, 60, 50))
                   .add(U_WMRMOVETO_set(wmfrec::point(110, 70)))
                   .add(U_WMRLINETO_set(wmfrec::point(40, 30)))
                   .bytes()
            << QSize(100, 50) << QRect(0, 0, 50, 50) << QRect(0, 0, 50, 30);
        // A destination-sign roll is narrow and very tall; its last 20 pixels are inked.
        QTest::newRow("tall roll")
            << blackInk(WmfBuilder::placeable(0, 0, 24, 30000, 48))
                   .add(wmfrec::rectangle(0, 29990, 24, 30000))
                   .bytes()
            << QSize(48, 60000) << QRect(10, 59960, 1, 40) << QRect(10, 59980, 1, 20);
    }

    void wmfNaturalSize_validFile_fromBoxWindowOrDrawing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, expected);
        QFETCH(QRect, area);
        QFETCH(QRect, ink);
        QSize size;
        QString error;
        QVERIFY2(picture::wmfNaturalSize(bytes, &size, &error), qPrintable(error));
        QCOMPARE(size, expected);
        const QImage image = render(bytes, 1.0, &error);
        QVERIFY2(!image.isNull(), qPrintable(error));
        QCOMPARE(image.size(), expected);
        if (!area.isNull())
            QCOMPARE(inkBounds(image, area), ink);
    }

    void wmfWindow_anyMapping_mapsOntoPicture_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qreal>("dpr");
        QTest::addColumn<QRect>("expected"); // in picture pixels

        // A picture of 1000 units a side, its box from `origin` on, filled by `records`.
        const auto picture = [](int origin, QList<char *> records) {
            WmfBuilder b =
                blackInk(WmfBuilder::placeable(origin, origin, origin + 1000, origin + 1000, 1000));
            for (char *record : records)
                b.add(record);
            return b.bytes();
        };
        const QRect middle(24, 24, 24, 24);
        QTest::newRow("no window records")
            << picture(1000, {wmfrec::rectangle(1250, 1250, 1500, 1500)}) << 1.0 << middle;
        QTest::newRow("window is not the bounding box")
            << picture(0, {U_WMRSETWINDOWORG_set(wmfrec::point(500, 500)),
                           U_WMRSETWINDOWEXT_set(wmfrec::point(500, 500)),
                           wmfrec::rectangle(500, 500, 750, 750)})
            << 1.0 << QRect(0, 0, 48, 48);
        QTest::newRow("y axis pointing up")
            << picture(0, {U_WMRSETWINDOWORG_set(wmfrec::point(0, 1000)),
                           U_WMRSETWINDOWEXT_set(wmfrec::point(1000, -1000)),
                           wmfrec::rectangle(250, 750, 500, 500)})
            << 1.0 << middle;
        QTest::newRow("viewport origin in pixels")
            << picture(1000, {U_WMRSETVIEWPORTORG_set(wmfrec::point(10, 20)),
                              wmfrec::rectangle(1250, 1250, 1500, 1500)})
            << 1.0 << QRect(34, 44, 24, 24);
        QTest::newRow("offset and scaled window")
            << picture(0, {U_WMROFFSETWINDOWORG_set(wmfrec::point(250, 0)),
                           U_WMRSCALEWINDOWEXT_set(wmfrec::point(2, 1), wmfrec::point(1, 1)),
                           wmfrec::rectangle(250, 250, 375, 500)})
            << 1.0 << QRect(0, 24, 24, 24);
        QTest::newRow("device pixel ratio 2")
            << picture(1000, {wmfrec::rectangle(1250, 1250, 1500, 1500)}) << 2.0 << middle;
    }

    void wmfWindow_anyMapping_mapsOntoPicture()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qreal, dpr);
        QFETCH(QRect, expected);
        const QImage image = render(bytes, dpr);
        QCOMPARE(image.size(), QSize(96, 96) * dpr);
        QCOMPARE(image.devicePixelRatio(), dpr);
        const QRect device(expected.topLeft() * dpr, expected.size() * dpr);
        QCOMPARE(inkBounds(image), device);
        QCOMPARE(image.pixelColor(device.center()), QColor(Qt::black));
    }

    void wmf_damagedRecords_skipped_data()
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
    void wmf_damagedRecords_skipped()
    {
        QFETCH(quint16, function);
        QFETCH(QByteArray, parameters);
        WmfBuilder b = blackInk();
        b.add(wmfrec::font(-20, kAnsi, "Arial"))
            .add(wmfrec::select(2))
            .add(wmfrec::rectangle(0, 0, 10, 10))
            .raw(function, parameters)
            .add(wmfrec::rectangle(90, 50, 100, 60));
        const QImage image = render(b.bytes());
        QVERIFY(inked(image, 5, 5));
        QVERIFY(inked(image, 95, 55));
        QVERIFY(inkBounds(image, QRect(12, 0, 76, 60)).isEmpty());
    }

    void wmf_unusable_refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qreal>("dpr");
        QTest::newRow("empty") << QByteArray() << 1.0;
        QTest::newRow("a bitmap") << QByteArray("BM\x46\0\0\0\0\0\0\0\x36\0\0\0", 14) << 1.0;
        QTest::newRow("empty bounding box")
            << WmfBuilder::placeable(10, 10, 10, 500, 1440).bytes() << 1.0;
        QTest::newRow("no placeable header, no window extent, no drawing")
            << WmfBuilder().add(U_WMRSETBKMODE_set(U_TRANSPARENT)).bytes() << 1.0;
        QTest::newRow("edge beyond the limit")
            << WmfBuilder::placeable(0, 0, 32767, 100, 1).bytes() << 1.0;
        QTest::newRow("too many pixels")
            << WmfBuilder::placeable(0, 0, 30000, 30000, 96).bytes() << 1.0;
        QTest::newRow("too many device pixels")
            << WmfBuilder::placeable(0, 0, 20000, 2000, 96).bytes() << 2.0;
        QTest::newRow("device pixel ratio out of range")
            << WmfBuilder::placeable(0, 0, 20, 20, 96).bytes() << 0.0;
    }

    void wmf_unusable_refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qreal, dpr);
        QString error;
        QVERIFY(render(bytes, dpr, &error).isNull());
        QVERIFY(!error.isEmpty());
        QVERIFY(!error.startsWith(u':'));
        QVERIFY(!error.contains(u'\n'));
    }

    // Every cut is refused: the end record, or the rest of a record, is missing.
    void wmf_truncated_refused()
    {
        QByteArray text = sjis(QStringLiteral("東京駅"));
        const QByteArray whole =
            blackInk()
                .add(wmfrec::font(-20, kShiftJis, sjis(QStringLiteral("ＭＳ ゴシック"))))
                .add(wmfrec::select(2))
                .add(wmfrec::rectangle(10, 10, 50, 40))
                .add(U_WMRTEXTOUT_set(wmfrec::point(5, 30), text.data()))
                .bytes();
        QVERIFY(!render(whole).isNull());
        for (qsizetype n = 0; n < whole.size(); ++n) {
            QString error;
            QVERIFY2(!picture::wmfNaturalSize(whole.left(n), nullptr, &error),
                     qPrintable(QString::number(n)));
            QVERIFY(render(whole.left(n), 1.0, &error).isNull());
            QVERIFY(!error.isEmpty());
        }
    }
};

QTEST_MAIN(WmfFileTest)
#include "tst_wmffile.moc"
