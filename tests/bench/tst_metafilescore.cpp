// The score that bench_metafiles gives a picture against LibreOffice's: trimmed to the ink, the
// reference scaled to ours, 4 x 4 cells compared by grey. Drawings here are plain rectangles
// without anti-aliasing, so that the numbers do not depend on the CPU.

#include "score.h"

#include <QPainter>
#include <QTest>

using metafilescore::compare;
using metafilescore::flattened;
using metafilescore::inkBounds;

namespace {

// A transparent canvas holding a small drawing at `origin`, `scale` times its size of 40 x 24:
// a black bar on the left and a blue block on the right, inside a thin frame.
QImage drawing(QSize canvas, QPoint origin, int scale, bool mirrored = false)
{
    QImage image(canvas, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.translate(origin);
    p.scale(scale, scale);
    p.fillRect(0, 0, 40, 1, Qt::darkGray);
    p.fillRect(0, 23, 40, 1, Qt::darkGray);
    p.fillRect(mirrored ? 28 : 4, 4, 8, 16, Qt::black);
    p.fillRect(mirrored ? 4 : 24, 8, 12, 8, Qt::blue);
    return image;
}

QImage filled(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

class MetafileScoreTest : public QObject {
    Q_OBJECT

private slots:
    void inkBounds_paperFaintAndTransparentPixels_areLeftOut()
    {
        QImage image(50, 40, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        image.setPixel(2, 3, qRgba(0, 0, 0, 0));     // fully transparent black
        image.setPixel(40, 30, qRgb(250, 250, 250)); // anti-aliasing fringe
        image.setPixel(10, 5, qRgb(255, 255, 200));  // pale yellow is ink
        image.setPixel(30, 20, qRgba(0, 0, 0, 128)); // half-covered black is ink
        const QImage flat = flattened(image);
        QCOMPARE(flat.pixel(30, 20) & 0xFFFFFF, qRgb(127, 127, 127) & 0xFFFFFF);
        QCOMPARE(inkBounds(flat), QRect(QPoint(10, 5), QPoint(30, 20)));
        QVERIFY(inkBounds(flattened(filled({8, 8}, Qt::white))).isNull());
    }

    void compare_samePicture_scoresZero()
    {
        const QImage ours = drawing({60, 40}, {5, 7}, 1);
        QCOMPARE(compare(ours, ours).score, 0.0);
        // Our pictures carry the screen's pixel ratio; the score is about pixels.
        QImage hiDpi = ours;
        hiDpi.setDevicePixelRatio(2.0);
        QCOMPARE(compare(hiDpi, ours).score, 0.0);
    }

    void compare_referenceLargerOnAPage_isTrimmedAndScaledToOurs()
    {
        const QImage ours = drawing({48, 30}, {3, 2}, 1);
        const QImage page = drawing({794, 1123}, {300, 500}, 4);
        const metafilescore::Comparison c = compare(ours, page);
        QCOMPARE(c.ours.size(), QSize(40, 24));
        QCOMPARE(c.reference.size(), QSize(40, 24));
        QVERIFY2(c.score <= 0.02, qPrintable(QString::number(c.score)));
    }

    void compare_drawingRearrangedInTheSameBounds_scoresHigh()
    {
        const QImage ours = drawing({40, 24}, {0, 0}, 1);
        const QImage mirrored = drawing({40, 24}, {0, 0}, 1, true);
        QCOMPARE(inkBounds(flattened(ours)), inkBounds(flattened(mirrored)));
        const metafilescore::Comparison c = compare(ours, mirrored);
        // Far outside 5 %, though black over blue is within the grey tolerance.
        QVERIFY2(c.score > 0.1, qPrintable(QString::number(c.score)));
        QCOMPARE(c.difference.size(), c.ours.size());
    }

    void compare_blankPictures_scoreOneAgainstInkAndZeroTogether()
    {
        const QImage blank = filled({40, 24}, Qt::white);
        const QImage ink = drawing({40, 24}, {0, 0}, 1);
        QCOMPARE(compare(blank, ink).score, 1.0);
        QCOMPARE(compare(ink, blank).score, 1.0);
        QCOMPARE(compare(blank, QImage()).score, 0.0);
    }

    void compare_fineDetailAgainstItsAverage_matchesInCells()
    {
        // A checkerboard averages to mid grey over each 4 x 4 cell: hatching drawn a little
        // differently still matches, where pixel by pixel it would not.
        QImage checker(16, 16, QImage::Format_RGB32);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x)
                checker.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
        QCOMPARE(compare(checker, filled({16, 16}, QColor(128, 128, 128))).score, 0.0);
        // One cell of 16 turned white.
        QImage grey = filled({16, 16}, QColor(128, 128, 128));
        QPainter(&grey).fillRect(4, 4, 4, 4, Qt::white);
        QCOMPARE(compare(checker, grey).score, 1.0 / 16);
    }
};

QTEST_APPLESS_MAIN(MetafileScoreTest)
#include "tst_metafilescore.moc"
