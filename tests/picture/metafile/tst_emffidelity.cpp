// GDI rules the metafile player follows where a renderer could easily go another way, each
// checked on a small enhanced metafile built here: where the ink lands and its colour.

#include "emfink.h"

#include <QFontDatabase>
#include <QtTest>

#include <uemf.h>

#include <cstdlib>

namespace {

constexpr int kTolerance = 24;

// Characters at `at` (logical), placed by the font's own advances.
void text(EmfBuilder &b, QPoint at, const QString &text, quint32 align = U_TA_BASELINE)
{
    b.add(U_EMRSETTEXTALIGN_set(align));
    b.textOut(at, text);
}

EmfBuilder::Font font(const QString &face, int height, int width = 0, int escapement = 0,
                      quint8 charset = U_ANSI_CHARSET)
{
    EmfBuilder::Font f;
    f.face = face;
    f.height = height;
    f.width = width;
    f.escapement = escapement;
    f.charset = charset;
    return f;
}

// The colour a pixel shows on white paper.
QColor onWhite(const QImage &image, QPoint at)
{
    const QColor c = image.pixelColor(at);
    const double a = c.alphaF();
    return QColor::fromRgbF(float(c.redF() * a + 1 - a), float(c.greenF() * a + 1 - a),
                            float(c.blueF() * a + 1 - a));
}

// The bounding box of the pixels darker than mid-grey on white paper.
QRect ink(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (onWhite(image, QPoint(x, y)).lightness() < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

#define VERIFY_COLOUR(image, point, expected)                                                      \
    do {                                                                                           \
        const QColor seen = onWhite(image, point);                                                 \
        QVERIFY2(nearColour(seen, expected, kTolerance),                                           \
                 qPrintable(QStringLiteral("(%1, %2) is %3, not %4")                               \
                                .arg((point).x())                                                  \
                                .arg((point).y())                                                  \
                                .arg(seen.name(), QColor(expected).name())));                      \
    } while (false)

} // namespace

class TestEmfFidelity : public QObject {
    Q_OBJECT

private slots:
    // Lines are stroked in runs; each keeps the pen and raster operation it was drawn with, when
    // the next pen is another object, the same object again, or the operation changes.
    void lines_penOrRopChangedBetween_eachKeepsItsOwn()
    {
        EmfBuilder emf = EmfBuilder::pixels(QSize(60, 60));
        const auto line = [&](int y) {
            emf.add(U_EMRMOVETOEX_set(U_POINTL{5, y}));
            emf.add(U_EMRLINETO_set(U_POINTL{55, y}));
        };
        const quint32 red = emf.pen(U_PS_SOLID, 3, Qt::red);
        line(10);
        emf.pen(U_PS_SOLID, 3, Qt::blue);
        line(20);
        emf.select(red);
        line(30);
        emf.select(red);
        line(40);
        emf.add(U_EMRSETROP2_set(U_R2_NOTCOPYPEN));
        line(50);
        const QImage image = drawEmf(emf);
        QVERIFY(!image.isNull());
        VERIFY_COLOUR(image, QPoint(30, 10), Qt::red);
        VERIFY_COLOUR(image, QPoint(30, 20), Qt::blue);
        VERIFY_COLOUR(image, QPoint(30, 30), Qt::red);
        VERIFY_COLOUR(image, QPoint(30, 40), Qt::red);
        VERIFY_COLOUR(image, QPoint(30, 50), Qt::cyan); // the pen's colour inverted
        VERIFY_COLOUR(image, QPoint(30, 15), Qt::white);
    }

    // A metafile is drawn on white paper: a bitmap ANDed onto an untouched spot keeps its own
    // colours, ANDed onto ink it darkens only that ink, and a pen or brush raster operation that
    // reads the destination finds white there.
    void rasterOp_readsDestination_findsWhitePaper()
    {
        EmfBuilder emf = EmfBuilder::pixels(QSize(40, 40));
        emf.nullPen();
        emf.solidBrush(Qt::red);
        emf.rectangle(QRect(0, 20, 40, 10));
        // Black | white | green columns across the paper and the red band.
        emf.stretchedRow(QRect(0, 0, 30, 30), {Qt::black, Qt::white, Qt::green}, U_SRCAND);
        emf.add(U_EMRSETROP2_set(U_R2_MASKPEN));
        emf.solidBrush(Qt::blue);
        emf.rectangle(QRect(0, 32, 40, 8));
        const QImage image = drawEmf(emf);
        QVERIFY(!image.isNull());

        VERIFY_COLOUR(image, QPoint(5, 10), Qt::black);
        VERIFY_COLOUR(image, QPoint(15, 10), Qt::white);
        VERIFY_COLOUR(image, QPoint(25, 10), Qt::green);
        VERIFY_COLOUR(image, QPoint(5, 25), Qt::black);
        VERIFY_COLOUR(image, QPoint(15, 25), Qt::red);
        VERIFY_COLOUR(image, QPoint(25, 25), Qt::black); // red AND green
        VERIFY_COLOUR(image, QPoint(35, 25), Qt::red);   // beside the bitmap
        VERIFY_COLOUR(image, QPoint(20, 36), Qt::blue);
    }

    // A font's width is the average character width as Windows measures it (lower-case letters
    // and the space by their frequency): Arial's normal width at a 100-unit character height is
    // 44 units, and asking for it leaves the characters as they are.
    void fontWidth_facesOwnAverage_keepsNaturalAdvances()
    {
        // Arial's average character width, 904 of its 2048 units per em.
        constexpr int kArialWidthAt100 = 44;
        const QString face = QStringLiteral("Liberation Sans"); // Arial's metrics
        if (!QFontDatabase::hasFamily(face))
            QSKIP("Liberation Sans (fonts-liberation2) is not installed");
        const auto widthOf = [&](int width) {
            EmfBuilder emf = EmfBuilder::pixels(QSize(600, 150));
            emf.font(font(face, -100, width));
            text(emf, QPoint(10, 110), QStringLiteral("nnnn"));
            return ink(drawEmf(emf)).width();
        };
        const int natural = widthOf(0);
        QVERIFY2(natural > 150, qPrintable(QString::number(natural)));
        const int asked = widthOf(kArialWidthAt100);
        QVERIFY2(std::abs(asked - natural) <= natural / 25,
                 qPrintable(QStringLiteral("%1 against %2").arg(asked).arg(natural)));
        const int doubled = widthOf(2 * kArialWidthAt100);
        QVERIFY2(std::abs(doubled - 2 * natural) <= natural / 10,
                 qPrintable(QStringLiteral("%1 against %2").arg(doubled).arg(2 * natural)));
    }

    // Wide text in a symbol font comes as the font's byte values, or as those values moved to
    // the private-use row U+F0xx; both are the same characters.
    void symbolFontText_privateUseRow_drawnAsTheBytes()
    {
        const auto draw = [](const QString &text) {
            EmfBuilder emf = EmfBuilder::pixels(QSize(200, 60));
            emf.font(font(QStringLiteral("Symbol"), -40, 0, 0, U_SYMBOL_CHARSET));
            ::text(emf, QPoint(10, 45), text);
            return drawEmf(emf);
        };
        const QImage bytes = draw(QStringLiteral("abg"));
        const QImage privateUse = draw(QStringView(u"\uF061\uF062\uF067").toString());
        QVERIFY(!ink(bytes).isEmpty());
        QCOMPARE(ink(privateUse), ink(bytes));
        QCOMPARE(privateUse, bytes);
    }

    void escapement_mapping_turnsFromLogicalAxes_data()
    {
        QTest::addColumn<bool>("yUp");
        QTest::addColumn<int>("escapement");
        QTest::addColumn<bool>("runsUp");
        QTest::newRow("y down, 90 degrees: upwards") << false << 900 << true;
        QTest::newRow("y down, 270 degrees: downwards") << false << 2700 << false;
        QTest::newRow("y up, 270 degrees: upwards") << true << 2700 << true;
        QTest::newRow("y up, 90 degrees: downwards") << true << 900 << false;
    }

    // The escapement turns the baseline from the logical x axis away from the logical y axis:
    // counter-clockwise on the picture when y runs down, clockwise when the mapping turns y up,
    // so a chart's y-axis title drawn in a y-up mapping at 270 degrees reads upwards.
    void escapement_mapping_turnsFromLogicalAxes()
    {
        QFETCH(bool, yUp);
        QFETCH(int, escapement);
        QFETCH(bool, runsUp);
        constexpr int kSide = 200;
        constexpr int kMiddle = kSide / 2;
        EmfBuilder emf = EmfBuilder::pixels(QSize(kSide, kSide));
        if (yUp)
            emf.mapping(U_MM_ANISOTROPIC, QSize(kSide, -kSide), QSize(kSide, kSide),
                        QPoint(0, kSide));
        emf.font(font(QStringLiteral("Noto Sans CJK JP"), -20, 0, escapement));
        text(emf, QPoint(kMiddle, kMiddle), QStringLiteral("HHHHHH"));
        const QImage image = drawEmf(emf);
        const QRect box = ink(image);
        QVERIFY2(box.height() > 2 * box.width(),
                 qPrintable(QStringLiteral("%1 x %2").arg(box.width()).arg(box.height())));
        if (runsUp)
            QVERIFY2(box.bottom() <= kMiddle + 2 && box.top() < kMiddle - 40,
                     qPrintable(QStringLiteral("%1..%2").arg(box.top()).arg(box.bottom())));
        else
            QVERIFY2(box.top() >= kMiddle - 2 && box.bottom() > kMiddle + 40,
                     qPrintable(QStringLiteral("%1..%2").arg(box.top()).arg(box.bottom())));
    }
};

QTEST_MAIN(TestEmfFidelity)
#include "tst_emffidelity.moc"
