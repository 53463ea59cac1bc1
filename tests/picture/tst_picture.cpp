#include "emfbuilder.h"

#include <picture/limits.h>
#include <picture/picture.h>
#include <support/files.h>
#include <support/unprivileged.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

const QString kSamples = QStringLiteral(SOLBENA_SAMPLES_DIR);
constexpr int kRollWidth = 48;
constexpr int kCell = 30;
constexpr int kDestinations = 10;
// 96 x 48 pixels at 96 dpi, in 0.01 mm.
const QRect kFrame96x48(QPoint(0, 0), QPoint(2540, 1270));

QString sample(const QString &name)
{
    return kSamples + QLatin1Char('/') + name;
}

QByteArray sampleBytes(const char *name)
{
    return readFile(sample(QString::fromLatin1(name)));
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        qFatal("cannot encode %s", format);
    return bytes;
}

bool bright(QRgb c)
{
    return qAlpha(c) > 200 && qGray(c) > 160;
}
bool isRed(QRgb c)
{
    return qAlpha(c) > 200 && qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}

// A red rectangle without an outline; the metafile's bounds are the rectangle's.
EmfBuilder redBox(const QRect &frame, const QRect &box)
{
    EmfBuilder emf(frame, box);
    emf.nullPen();
    emf.solidBrush(Qt::red);
    emf.rectangle(box);
    return emf;
}

// A bitmap file header and info header claiming a size, with no pixels after them.
QByteArray bitmapHeader(qint32 width, qint32 height)
{
    QByteArray b(54, '\0');
    b[0] = 'B';
    b[1] = 'M';
    qToLittleEndian<quint32>(54, b.data() + 10);
    qToLittleEndian<quint32>(40, b.data() + 14);
    qToLittleEndian<qint32>(width, b.data() + 18);
    qToLittleEndian<qint32>(height, b.data() + 22);
    qToLittleEndian<quint16>(1, b.data() + 26);
    qToLittleEndian<quint16>(24, b.data() + 28);
    return b;
}

} // namespace

class TestPicture : public QObject {
    Q_OBJECT

private slots:
    void roll_loaded_showsOneDestinationPerCell_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("metafile");
        for (const char *roll : {"roll.bmp", "roll.gif", "roll.jpg"})
            QTest::newRow(roll) << QString::fromLatin1(roll) << false;
        for (const char *roll : {"roll.wmf", "roll.emf"})
            QTest::newRow(roll) << QString::fromLatin1(roll) << true;
    }

    // White names on black, each inside its own 30-pixel cell: a picture drawn at the wrong place
    // or scale would spill text onto the cell borders or leave cells empty. On a dense screen only
    // metafiles are drawn finer; pictures of pixels keep their pixels.
    void roll_loaded_showsOneDestinationPerCell()
    {
        QFETCH(QString, file);
        QFETCH(bool, metafile);
        const picture::Result r = picture::load(sample(file));
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &image = r.image;
        QCOMPARE(image.size(), QSize(kRollWidth, kCell * kDestinations));
        for (int cell = 0; cell < kDestinations; ++cell) {
            int lit = 0;
            for (int y = cell * kCell + 1; y < (cell + 1) * kCell - 1; ++y)
                for (int x = 0; x < image.width(); ++x)
                    lit += bright(image.pixel(x, y));
            QVERIFY2(lit > 40,
                     qPrintable(QStringLiteral("cell %1 has %2 lit pixels").arg(cell).arg(lit)));
            for (int x = 0; x < image.width(); ++x) {
                const QRgb border = image.pixel(x, cell * kCell);
                QVERIFY2(qAlpha(border) == 255 && qGray(border) < 60,
                         qPrintable(QStringLiteral("cell %1 border at x %2").arg(cell).arg(x)));
            }
        }

        const picture::Result dense = picture::load(sample(file), 2.0);
        const qreal ratio = metafile ? 2.0 : 1.0;
        QCOMPARE(dense.image.devicePixelRatio(), ratio);
        QCOMPARE(dense.image.deviceIndependentSize().toSize(), image.size());
    }

    void picture_misnamed_formatToldByContent()
    {
        QTemporaryDir dir;
        // A JPEG named as a bitmap, a metafile without a suffix, a suffix in capitals.
        for (const auto &[name, sampleName] : {std::pair{"roll.bmp", "roll.jpg"},
                                               {"ROLL", "roll.emf"},
                                               {"IMG_0001.JPG", "roll.jpg"}}) {
            const QString path =
                writeFile(dir.filePath(QString::fromLatin1(name)), sampleBytes(sampleName));
            const picture::Result r = picture::load(path);
            QVERIFY2(r.ok(), qPrintable(r.error));
            QCOMPARE(r.image.deviceIndependentSize().toSize(), QSize(kRollWidth, 300));
        }
    }

    void load_fails_errorNamesFileAndReason_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // empty: the file is not made
        QTest::addColumn<QString>("reason");
        QImage png(4, 4, QImage::Format_RGB32);
        png.fill(Qt::red);
        QTest::newRow("missing") << "gone.bmp" << QByteArray() << "does not exist";
        QTest::newRow("text") << "notes.jpg" << QByteArray("駅前 市役所前\n") << "not a picture";
        QTest::newRow("png is not offered")
            << "board.gif" << encoded(png, "png") << "not a picture";
        QTest::newRow("bitmap header cut short")
            << "short.bmp" << QByteArray("BM\x10\0\0\0", 6) << "not a picture";
        QTest::newRow("metafile header cut short")
            << "short.emf" << sampleBytes("roll.emf").left(60) << "damaged";
    }

    void load_fails_errorNamesFileAndReason()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path =
            bytes.isEmpty() ? dir.filePath(name) : writeFile(dir.filePath(name), bytes);
        const picture::Result r = picture::load(path);
        QVERIFY(r.image.isNull());
        QVERIFY2(r.error.startsWith(path + QStringLiteral(": ")), qPrintable(r.error));
        QVERIFY2(r.error.contains(reason), qPrintable(r.error));
        QVERIFY(!r.error.contains(QLatin1Char('\n')));
        if (!bytes.isEmpty()) {
            const picture::Result d = picture::decode(bytes, name);
            QVERIFY2(d.error.startsWith(name + QStringLiteral(": ")) && d.error.contains(reason),
                     qPrintable(d.error));
        }
        const picture::Result folder = picture::load(dir.path());
        QVERIFY2(folder.error.contains(QStringLiteral("folder")), qPrintable(folder.error));
    }

    void load_unreadableFile_reported()
    {
        const QByteArray bytes = sampleBytes("roll.jpg");
        QString path;
        picture::Result r;
        const QString failure = runUnprivileged([&] {
            QTemporaryDir dir;
            path = writeFile(dir.filePath(QStringLiteral("roll.jpg")), bytes);
            QFile::setPermissions(path, QFileDevice::Permissions());
            r = picture::load(path);
        });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(r.error, path + QStringLiteral(": cannot be read: permission denied"));
        QVERIFY(r.image.isNull());
    }

    void decode_oversizedPicture_refusedUnread_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");

        QTest::newRow("bitmap 70,000 wide") << bitmapHeader(70000, 10) << "wide.bmp";
        QTest::newRow("bitmap 10,000 square") << bitmapHeader(10000, 10000) << "square.bmp";
        QTest::newRow("bitmap stored top-down") << bitmapHeader(10, -70000) << "tall.bmp";

        QImage small(8, 8, QImage::Format_RGB32);
        small.fill(Qt::white);
        QByteArray jpeg = encoded(small, "jpeg");
        const qsizetype sof = jpeg.indexOf("\xFF\xC0");
        QVERIFY(sof > 0);
        qToBigEndian<quint16>(60000, jpeg.data() + sof + 5); // height
        qToBigEndian<quint16>(60000, jpeg.data() + sof + 7); // width
        QTest::newRow("jpeg 60,000 square") << jpeg << "huge.jpg";

        QByteArray gif("GIF89a");
        gif += QByteArray("\xFF\xFF\xFF\xFF\x00\x00\x00", 7); // 65535 x 65535, no colour table
        gif += QByteArray(",\0\0\0\0\xFF\xFF\xFF\xFF\0\x02\x02\x4C\x01\0;", 17);
        QTest::newRow("gif 65,535 square") << gif << "huge.gif";

        EmfBuilder emf(QRect(QPoint(0, 0), QPoint(2540 * 1000, 1270)), QRect(0, 0, 1, 1));
        QTest::newRow("emf frame 96,000 wide") << emf.finish() << "wide.emf";
    }

    // The size is checked before the reader is asked for pixels: the refusal is the size check's,
    // not a failure of a reader that tried.
    void decode_oversizedPicture_refusedUnread()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        const picture::Result r = picture::decode(bytes, name);
        QVERIFY(r.image.isNull());
        QVERIFY2(r.error.startsWith(name + QStringLiteral(": the picture is too large")),
                 qPrintable(r.error));
    }

    void load_tallJpegRoll_loads()
    {
        constexpr int kHeight = 60000;
        QImage roll(kRollWidth, kHeight, QImage::Format_RGB32);
        for (int y = 0; y < kHeight; ++y)
            std::fill_n(reinterpret_cast<QRgb *>(roll.scanLine(y)), kRollWidth,
                        (y / 1000) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        QTemporaryDir dir;
        const QString path =
            writeFile(dir.filePath(QStringLiteral("tall.jpg")), encoded(roll, "jpeg"));
        const picture::Result r = picture::load(path);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.image.size(), QSize(kRollWidth, kHeight));
        QVERIFY(qGray(r.image.pixel(20, kHeight - 500)) > 200); // the last band is white
        QVERIFY(qGray(r.image.pixel(20, kHeight - 1500)) < 50);
    }

    // Stored top row first, which Qt reports with a negative height.
    void decode_topDownBitmap_loadsUpright()
    {
        constexpr int kWidth = 4; // 12 bytes a row: no padding
        constexpr int kHeight = 3;
        QByteArray bmp = bitmapHeader(kWidth, -kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                bmp += y == 0 ? QByteArray("\x00\x00\xFF", 3) : QByteArray("\xFF\x00\x00", 3);
        const picture::Result r = picture::decode(bmp, QStringLiteral("topdown.bmp"));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.image.size(), QSize(kWidth, kHeight));
        QCOMPARE(r.image.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(r.image.pixel(0, kHeight - 1), qRgb(0, 0, 255));
    }

    void emf_drawn_inkWhereExpected_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QPoint>("red");
        QTest::addColumn<QPoint>("clear"); // (0, 0): none
        // The frame starts 48 pixels in, so what is drawn at x 60 shows at x 12.
        QTest::newRow("frame shifted")
            << redBox(kFrame96x48.translated(1270, 0), QRect(60, 10, 20, 10)).finish()
            << QPoint(20, 15) << QPoint(40, 15);

        // Text as glyph numbers cannot be shown without the font that numbers them; the rest of the
        // picture still is.
        constexpr quint32 kGlyphIndex = 0x10;
        EmfBuilder glyphs = redBox(kFrame96x48, QRect(0, 0, 96, 48));
        EmfBuilder::Font font;
        font.height = -30;
        glyphs.font(font);
        glyphs.record(U_EMR_SETTEXTCOLOR, {0xFFFFFF});
        glyphs.textOut(QPoint(4, 4), QStringLiteral("\x0123\x0456"), {30, 30}, kGlyphIndex);
        QTest::newRow("glyph index text left out") << glyphs.finish() << QPoint(48, 24) << QPoint();
    }

    void emf_drawn_inkWhereExpected()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QPoint, red);
        QFETCH(QPoint, clear);
        const picture::Result r = picture::decode(bytes, QStringLiteral("drawn.emf"));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.image.size(), QSize(96, 48));
        QVERIFY(isRed(r.image.pixel(red)));
        if (!clear.isNull())
            QCOMPARE(qAlpha(r.image.pixel(clear)), 0);
    }

    // Every cut of a real metafile: one cut inside the header is refused, any other shows the
    // whole records before the cut.
    void emf_truncated_showsWhatIsThere()
    {
        const QByteArray roll = sampleBytes("roll.emf");
        const quint32 headerSize = qFromLittleEndian<quint32>(roll.constData() + 4);
        for (qsizetype n = 0; n < roll.size(); n += 7) {
            const picture::Result r = picture::decode(roll.left(n), QStringLiteral("cut.emf"));
            if (n < headerSize) {
                QVERIFY(!r.ok());
                continue;
            }
            QVERIFY2(r.ok(), qPrintable(QStringLiteral("%1 bytes: %2").arg(n).arg(r.error)));
            QCOMPARE(r.image.size(), QSize(kRollWidth, 300));
        }
    }

    void emf_tallOnDenseScreen_staysWithinLimits()
    {
        // 48 x 60,000 pixels: twice that would be longer than any edge may be.
        const QByteArray emf =
            redBox(QRect(QPoint(0, 0), QPoint(1270, 1587500)), QRect(0, 59000, 48, 1000)).finish();
        const picture::Result r = picture::decode(emf, QStringLiteral("tall.emf"), 2.0);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QVERIFY(r.image.height() <= picture::kMaxEdge);
        QVERIFY(r.image.devicePixelRatio() > 1.0);
        QVERIFY(qAbs(r.image.deviceIndependentSize().height() - 60000) < 1.0);
        QVERIFY(qAbs(r.image.deviceIndependentSize().width() - 48) < 1.0);
        QVERIFY(isRed(r.image.pixel(10, r.image.height() - 10)));
    }
};

QTEST_MAIN(TestPicture)
#include "tst_picture.moc"
