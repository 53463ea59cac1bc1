#include <tools/artwork/artworkset.h>
#include <tools/artwork/bmpwriter.h>
#include <tools/artwork/gifwriter.h>
#include <tools/artwork/switchfaces.h>

#include <QFile>
#include <QFont>
#include <QFontInfo>
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

// The colour each pixel should show; compared with what Qt decodes.
void compareColours(const QImage &decoded, const QImage &expected)
{
    QCOMPARE(decoded.size(), expected.size());
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            if (decoded.pixel(x, y) != expected.pixel(x, y)) {
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3 instead of %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(decoded.pixel(x, y), 8, 16)
                                     .arg(expected.pixel(x, y), 8, 16)));
            }
        }
    }
}

} // namespace

class TestArtwork : public QObject {
    Q_OBJECT

private slots:
    void gifRoundTrip_data();
    void gifRoundTrip();
    void gifRefusesBadInput();
    void bmpRoundTrip_data();
    void bmpRoundTrip();
    void committedPicturesAreFreshDrawings();
    void committedIcons_freshDrawing_sameBytes();
};

void TestArtwork::gifRoundTrip_data()
{
    QTest::addColumn<QImage>("image");
    QTest::newRow("one pixel") << randomIndexed(1, 1, 2, 1);
    QTest::newRow("two colours") << randomIndexed(7, 5, 2, 2);
    QTest::newRow("three colours, table padded") << randomIndexed(13, 11, 3, 3);
    QTest::newRow("sixteen colours") << randomIndexed(50, 20, 16, 4);
    // Noise over 256 colours fills the code table many times over.
    QTest::newRow("noise, full table") << randomIndexed(300, 200, 256, 5);
    QTest::newRow("noise, 200 colours") << randomIndexed(123, 77, 200, 6);

    // One colour throughout: long runs and codes growing to twelve bits.
    QImage flat(640, 480, QImage::Format_Indexed8);
    flat.setColorTable({qRgb(10, 20, 30), qRgb(255, 255, 0)});
    flat.fill(1);
    QTest::newRow("one colour") << flat;

    QImage stripes(256, 64, QImage::Format_Indexed8);
    QList<QRgb> greys;
    for (int i = 0; i < 256; ++i)
        greys.append(qRgb(i, i, i));
    stripes.setColorTable(greys);
    for (int y = 0; y < stripes.height(); ++y) {
        for (int x = 0; x < stripes.width(); ++x)
            stripes.setPixel(x, y, uint((x + y / 8) % 256));
    }
    QTest::newRow("repeating stripes") << stripes;
}

void TestArtwork::gifRoundTrip()
{
    QFETCH(QImage, image);
    const QByteArray gif = artwork::encodeGif(image);
    QVERIFY(gif.startsWith("GIF89a"));
    QVERIFY(gif.endsWith(';'));
    compareColours(QImage::fromData(gif, "GIF").convertToFormat(QImage::Format_RGB32),
                   image.convertToFormat(QImage::Format_RGB32));
}

void TestArtwork::gifRefusesBadInput()
{
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             artwork::encodeGif(QImage(4, 4, QImage::Format_RGB32)));
    QImage outside = randomIndexed(4, 4, 4, 7);
    outside.scanLine(2)[2] = 9; // past the end of the colour table
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, artwork::encodeGif(outside));
}

void TestArtwork::bmpRoundTrip_data()
{
    QTest::addColumn<int>("width");
    // Every padding a row can need: 0, 3, 2 and 1 bytes.
    for (int width : {4, 1, 2, 3, 77})
        QTest::newRow(qPrintable(QString::number(width))) << width;
}

void TestArtwork::bmpRoundTrip()
{
    QFETCH(int, width);
    const int height = 5;
    const QImage image =
        randomIndexed(width, height, 256, quint32(width)).convertToFormat(QImage::Format_RGB32);
    const QByteArray bmp = artwork::encodeBmp24(image);
    QCOMPARE(bmp.size(), 54 + ((width * 3 + 3) & ~3) * height);
    compareColours(QImage::fromData(bmp, "BMP").convertToFormat(QImage::Format_RGB32), image);
}

void TestArtwork::committedPicturesAreFreshDrawings()
{
    QFont font(QString::fromLatin1(artwork::kSwitchFontFamily));
    font.setStyleStrategy(QFont::NoFontMerging);
    if (QFontInfo(font).family() != font.family())
        QSKIP("the switch faces' font is not installed here");

    // Drawing is deterministic, so a picture that differs was not regenerated after a change
    // to its drawing (run the regenerate-artwork target).
    for (const artwork::Output &output : artwork::generateArtwork()) {
        QFile committed(QStringLiteral(":/pictures/") + output.name);
        QVERIFY2(committed.open(QIODevice::ReadOnly), qPrintable(output.name));
        QVERIFY2(committed.readAll() == output.bytes, qPrintable(output.name));
    }
}

void TestArtwork::committedIcons_freshDrawing_sameBytes()
{
    const std::vector<artwork::Output> icons = artwork::generateAppIcons();
    QVERIFY(!icons.empty());
    for (const artwork::Output &output : icons) {
        QFile committed(QStringLiteral(SOLBENA_ICONS_DIR "/") + output.name);
        QVERIFY2(committed.open(QIODevice::ReadOnly), qPrintable(output.name));
        QVERIFY2(committed.readAll() == output.bytes, qPrintable(output.name));
    }
}

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
