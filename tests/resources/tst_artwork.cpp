#include <support/files.h>
#include <tools/artwork/appicon.h>
#include <tools/artwork/artworkset.h>
#include <tools/artwork/bmpwriter.h>
#include <tools/artwork/gifwriter.h>
#include <tools/artwork/samedrawing.h>
#include <tools/artwork/switchfaces.h>

#include <QBuffer>
#include <QFont>
#include <QFontInfo>
#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

namespace {

QImage randomIndexed(int width, int height, int colours, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < colours; ++i)
        table.append(
            qRgb(int(random.bounded(256)), int(random.bounded(256)), int(random.bounded(256))));
    image.setColorTable(table);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, random.bounded(colours));
    }
    return image;
}

} // namespace

class TestArtwork : public QObject {
    Q_OBJECT

private slots:
    void gif_encoded_decodesToTheSameColours_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::newRow("one pixel") << randomIndexed(1, 1, 2, 1);
        QTest::newRow("two colours") << randomIndexed(7, 5, 2, 2);
        QTest::newRow("three colours, table padded") << randomIndexed(13, 11, 3, 3);
        QTest::newRow("sixteen colours") << randomIndexed(50, 20, 16, 4);
        // Noise over 256 colours fills the code table many times over.
        QTest::newRow("noise, full table") << randomIndexed(300, 200, 256, 5);

        // One colour throughout: long runs and codes growing to twelve bits.
        QImage flat(640, 480, QImage::Format_Indexed8);
        flat.setColorTable({qRgb(10, 20, 30), qRgb(255, 255, 0)});
        flat.fill(1);
        QTest::newRow("one colour") << flat;
    }

    void gif_encoded_decodesToTheSameColours()
    {
        QFETCH(QImage, image);
        const QByteArray gif = artwork::encodeGif(image);
        QVERIFY(gif.startsWith("GIF89a"));
        QVERIFY(gif.endsWith(';'));
        QCOMPARE(QImage::fromData(gif, "GIF").convertToFormat(QImage::Format_RGB32),
                 image.convertToFormat(QImage::Format_RGB32));
    }

    void gif_badInput_refused()
    {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 artwork::encodeGif(QImage(4, 4, QImage::Format_RGB32)));
        QImage outside = randomIndexed(4, 4, 4, 7);
        outside.scanLine(2)[2] = 9; // past the end of the colour table
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, artwork::encodeGif(outside));
    }

    void bmp_anyRowPadding_decodesToTheSameColours_data()
    {
        QTest::addColumn<int>("width");
        // Every padding a row can need: 0, 3, 2 and 1 bytes.
        for (int width : {4, 1, 2, 3, 77})
            QTest::newRow(qPrintable(QString::number(width))) << width;
    }

    void bmp_anyRowPadding_decodesToTheSameColours()
    {
        QFETCH(int, width);
        const QImage image =
            randomIndexed(width, 5, 256, quint32(width)).convertToFormat(QImage::Format_RGB32);
        const QByteArray bmp = artwork::encodeBmp24(image);
        QCOMPARE(QImage::fromData(bmp, "BMP").convertToFormat(QImage::Format_RGB32), image);
    }

    // What another CPU makes of a drawing passes; what a change to the drawing makes does not.
    void sameDrawing_cpuNoiseOrChangedDrawing_toldApart()
    {
        const QImage drawn = artwork::paintAppIcon(256);
        const auto png = [](const QImage &image) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            return bytes;
        };
        const auto same = [&](const QImage &other) {
            return artwork::sameDrawing(png(drawn), png(other));
        };
        QVERIFY(same(drawn));

        // A dozen edge pixels a few levels off, and a few quantised ones a shade step off.
        QImage noisy = drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        for (int i = 0; i < 12; ++i) {
            QRgb &c = reinterpret_cast<QRgb *>(noisy.scanLine(40 + i))[128];
            c = qRgba(qRed(c) + (qRed(c) < 128 ? 3 : -3), qGreen(c), qBlue(c), qAlpha(c));
        }
        for (int i = 0; i < 3; ++i) {
            QRgb &c = reinterpret_cast<QRgb *>(noisy.scanLine(100))[60 + i];
            c = qRgba(qRed(c), qGreen(c) < 128 ? qGreen(c) + 17 : qGreen(c) - 17, qBlue(c),
                      qAlpha(c));
        }
        QVERIFY(same(noisy));

        // The drawing one pixel to the right.
        QImage moved(drawn.size(), QImage::Format_ARGB32_Premultiplied);
        moved.fill(Qt::transparent);
        QPainter(&moved).drawImage(1, 0, drawn);
        QVERIFY(!same(moved));
        // One colour of the livery a little lighter.
        QImage lighter = drawn.convertToFormat(QImage::Format_ARGB32);
        const QRgb band = lighter.pixel(128, 174);
        for (int y = 0; y < lighter.height(); ++y)
            for (int x = 0; x < lighter.width(); ++x)
                if (lighter.pixel(x, y) == band)
                    lighter.setPixel(x, y, qRgb(qRed(band) + 6, qGreen(band), qBlue(band)));
        QVERIFY(!same(lighter));
        // A small detail gone: a few pixels, but far more than a few levels.
        QImage gone = drawn.copy();
        QPainter(&gone).fillRect(QRect(120, 40, 4, 4), Qt::white);
        QVERIFY(!same(gone));
        QVERIFY(!same(drawn.scaled(255, 256)));

        // Metafiles are no pixels for Qt: their bytes alone count.
        QVERIFY(artwork::sameDrawing("\xD7\xCD\xC6\x9A", "\xD7\xCD\xC6\x9A"));
        QVERIFY(!artwork::sameDrawing("\xD7\xCD\xC6\x9A", "\xD7\xCD\xC6\x9B"));
    }

    // A committed file that differs from a fresh drawing by more than two CPUs' drawings of it
    // do was not regenerated after a change to its drawing (run the regenerate-artwork target).
    void committedPictures_freshDrawing_sameDrawing()
    {
        const auto compare = [](const std::vector<artwork::Output> &outputs,
                                const QString &folder) {
            QVERIFY(!outputs.empty());
            for (const artwork::Output &output : outputs) {
                const QByteArray committed = readFile(folder + output.name);
                QVERIFY2(artwork::sameDrawing(committed, output.bytes),
                         qPrintable(
                             output.name + QStringLiteral(": ") +
                             artwork::compareEncodedDrawings(committed, output.bytes).describe()));
            }
        };
        compare(artwork::generateAppIcons(), QStringLiteral(SOLBENA_ICONS_DIR "/"));
        QFont font(QString::fromLatin1(artwork::kSwitchFontFamily));
        font.setStyleStrategy(QFont::NoFontMerging);
        if (QFontInfo(font).family() != font.family())
            QSKIP("the switch faces' font is not installed here");
        compare(artwork::generateArtwork(), QStringLiteral(":/pictures/"));
    }
};

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
