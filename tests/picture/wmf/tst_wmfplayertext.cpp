// Text in metafiles: real glyphs of the stand-in faces, character spacing, alignment, clipping,
// rotation and the two meanings of a font's height.

#include "wmfbuilder.h"
#include "wmfink.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTest>

namespace {

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

class WmfPlayerTextTest : public QObject {
    Q_OBJECT

private slots:
    void wmfText_japanese_drawnInItsFont_data();
    void wmfText_japanese_drawnInItsFont();
    void wmfText_dx_spacesCharacters_data();
    void wmfText_dx_spacesCharacters();
    void wmfText_alignment_placesText_data();
    void wmfText_alignment_placesText();
    void wmfText_opaqueRectangle_filled();
    void wmfText_clipRectangle_cutsText();
    void wmfText_escapement_rotates();
    void wmfFont_heightSign_cellOrCharacterHeight_data();
    void wmfFont_heightSign_cellOrCharacterHeight();
};

void WmfPlayerTextTest::wmfText_japanese_drawnInItsFont_data()
{
    QTest::addColumn<QString>("face");
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("otherFamily");
    const QString sans = QStringLiteral("Noto Sans CJK JP");
    const QString serif = QStringLiteral("Noto Serif CJK JP");
    QTest::newRow("ＭＳ ゴシック") << QStringLiteral("ＭＳ ゴシック") << sans << serif;
    QTest::newRow("ＭＳ Ｐゴシック") << QStringLiteral("ＭＳ Ｐゴシック") << sans << serif;
    QTest::newRow("ＭＳ 明朝") << QStringLiteral("ＭＳ 明朝") << serif << sans;
    QTest::newRow("unknown face") << QStringLiteral("ＤＦ特太ゴ体") << sans << serif;
}

// Shift-JIS text in a Shift-JIS font is drawn with real glyphs of the stand-in face: the result
// matches Qt drawing the decoded string in that face, and different characters look different.
void WmfPlayerTextTest::wmfText_japanese_drawnInItsFont()
{
    QFETCH(QString, face);
    QFETCH(QString, family);
    QFETCH(QString, otherFamily);
    constexpr int kHeight = 48;
    const auto draw = [&](const QString &text) {
        QByteArray bytes = sjis(text);
        WmfBuilder b = WmfBuilder::placeable(0, 0, 400, 100, 96);
        b.add(U_WMRSETBKMODE_set(U_TRANSPARENT))
            .add(U_WMRSETTEXTCOLOR_set(wmfrec::colorref(Qt::black)))
            .add(wmfrec::font(-kHeight, kShiftJis, sjis(face)))
            .add(wmfrec::select(0))
            .add(U_WMRTEXTOUT_set(wmfrec::point(10, 10), bytes.data()));
        return render(b.bytes());
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
    QVERIFY(!drawn.isNull());
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

void WmfPlayerTextTest::wmfText_dx_spacesCharacters_data()
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

void WmfPlayerTextTest::wmfText_dx_spacesCharacters()
{
    QFETCH(int, charset);
    QFETCH(QByteArray, text);
    QFETCH(QList<int>, dx);
    QFETCH(int, advance);
    constexpr int kHeight = 24;
    const auto draw = [&](bool withDx) {
        WmfBuilder b = WmfBuilder::placeable(0, 0, 300, 60, 96);
        b.add(U_WMRSETBKMODE_set(U_TRANSPARENT))
            .add(wmfrec::font(-kHeight, quint8(charset),
                              charset ? sjis(QStringLiteral("ＭＳ ゴシック")) : "Arial"))
            .add(wmfrec::select(0));
        b.extTextOut(10, 10, 0, wmfrec::rect(0, 0, 0, 0), text, withDx ? dx : QList<int>());
        return render(b.bytes());
    };
    const QImage spaced = draw(true);
    const QImage natural = draw(false);
    QVERIFY(!spaced.isNull() && !natural.isNull());
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

void WmfPlayerTextTest::wmfText_alignment_placesText_data()
{
    QTest::addColumn<int>("align");
    QTest::addColumn<int>("expectLeft"); // -1: not checked
    QTest::addColumn<int>("expectRight");
    QTest::addColumn<int>("expectTop");
    QTest::addColumn<int>("expectBottom");
    // Reference point (150, 50), text height 20.
    QTest::newRow("left top") << int(U_TA_LEFT | U_TA_TOP) << 150 << -1 << 50 << -1;
    QTest::newRow("right top") << int(U_TA_RIGHT | U_TA_TOP) << -1 << 150 << 50 << -1;
    QTest::newRow("left baseline") << int(U_TA_LEFT | U_TA_BASELINE) << 150 << -1 << -1 << 50;
    QTest::newRow("left bottom") << int(U_TA_LEFT | U_TA_BOTTOM) << 150 << -1 << -1 << 50;
}

void WmfPlayerTextTest::wmfText_alignment_placesText()
{
    QFETCH(int, align);
    QFETCH(int, expectLeft);
    QFETCH(int, expectRight);
    QFETCH(int, expectTop);
    QFETCH(int, expectBottom);
    QByteArray text("HHH");
    WmfBuilder b = WmfBuilder::placeable(0, 0, 300, 100, 96);
    b.add(U_WMRSETBKMODE_set(U_TRANSPARENT))
        .add(U_WMRSETTEXTALIGN_set(quint16(align)))
        .add(wmfrec::font(-20, kAnsi, "Arial"))
        .add(wmfrec::select(0))
        .add(U_WMRTEXTOUT_set(wmfrec::point(150, 50), text.data()));
    const QImage image = render(b.bytes());
    QVERIFY(!image.isNull());
    const QRect ink = inkBounds(image);
    QVERIFY(!ink.isEmpty());
    constexpr int kSlack = 4; // side bearings and the space above capitals
    if (expectLeft >= 0)
        QVERIFY2(ink.left() >= expectLeft && ink.left() <= expectLeft + kSlack,
                 qPrintable(QString::number(ink.left())));
    if (expectRight >= 0)
        QVERIFY2(ink.right() < expectRight && ink.right() >= expectRight - kSlack,
                 qPrintable(QString::number(ink.right())));
    if (expectTop >= 0)
        QVERIFY2(ink.top() >= expectTop && ink.top() <= expectTop + 8,
                 qPrintable(QString::number(ink.top())));
    if (expectBottom >= 0) {
        QVERIFY2(ink.bottom() < expectBottom, qPrintable(QString::number(ink.bottom())));
        QVERIFY(ink.bottom() >= expectBottom - 8);
    }
}

void WmfPlayerTextTest::wmfText_opaqueRectangle_filled()
{
    WmfBuilder b = WmfBuilder::placeable(0, 0, 100, 60, 96);
    b.add(U_WMRSETBKCOLOR_set(wmfrec::colorref(Qt::red)))
        .extTextOut(0, 0, U_ETO_OPAQUE, wmfrec::rect(10, 10, 30, 20), QByteArray());
    const QImage image = render(b.bytes());
    QVERIFY(!image.isNull());
    QCOMPARE(inkBounds(image), QRect(10, 10, 20, 10));
    QCOMPARE(image.pixelColor(20, 15), QColor(Qt::red));
}

void WmfPlayerTextTest::wmfText_clipRectangle_cutsText()
{
    const auto draw = [](quint16 options) {
        WmfBuilder b = WmfBuilder::placeable(0, 0, 200, 60, 96);
        b.add(U_WMRSETBKMODE_set(U_TRANSPARENT))
            .add(wmfrec::font(-30, kAnsi, "Arial"))
            .add(wmfrec::select(0))
            .extTextOut(10, 10, options, wmfrec::rect(10, 10, 40, 30), "HHHHHH");
        return render(b.bytes());
    };
    const QImage clipped = draw(U_ETO_CLIPPED);
    const QImage unclipped = draw(0);
    QVERIFY(!clipped.isNull() && !unclipped.isNull());
    QVERIFY(inkBounds(unclipped).right() > 60);
    const QRect ink = inkBounds(clipped);
    QVERIFY(!ink.isEmpty());
    QVERIFY(QRect(10, 10, 30, 20).contains(ink));
}

// Escapement turns the text counter-clockwise about its reference point.
void WmfPlayerTextTest::wmfText_escapement_rotates()
{
    QByteArray text("HHHHHH");
    QByteArray face("Arial");
    U_FONT *f = U_FONT_set(-20, 0, 900, 900, 400, 0, 0, 0, kAnsi, 0, 0, 0, 0, face.data());
    WmfBuilder b = WmfBuilder::placeable(0, 0, 200, 200, 96);
    b.add(U_WMRSETBKMODE_set(U_TRANSPARENT))
        .add(U_WMRSETTEXTALIGN_set(U_TA_BASELINE))
        .add(U_WMRCREATEFONTINDIRECT_set(f))
        .add(wmfrec::select(0))
        .add(U_WMRTEXTOUT_set(wmfrec::point(100, 150), text.data()));
    free(f);
    const QImage image = render(b.bytes());
    QVERIFY(!image.isNull());
    const QRect ink = inkBounds(image);
    QVERIFY(ink.height() > 2 * ink.width());
    QVERIFY(ink.bottom() <= 150 && ink.top() < 100); // runs upwards from the reference point
    QVERIFY(ink.right() <= 100 && ink.left() >= 75); // the glyphs stand left of the baseline
}

void WmfPlayerTextTest::wmfFont_heightSign_cellOrCharacterHeight_data()
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
void WmfPlayerTextTest::wmfFont_heightSign_cellOrCharacterHeight()
{
    QFETCH(int, charset);
    QFETCH(QByteArray, face);
    QFETCH(QByteArray, text);
    QFETCH(bool, cellIsCharacter);
    const auto height = [&](int h) {
        WmfBuilder b = WmfBuilder::placeable(0, 0, 200, 100, 96);
        b.add(U_WMRSETBKMODE_set(U_TRANSPARENT))
            .add(wmfrec::font(h, quint8(charset), face))
            .add(wmfrec::select(0))
            .add(U_WMRTEXTOUT_set(wmfrec::point(10, 10), text.data()));
        return inkBounds(render(b.bytes())).height();
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

QTEST_MAIN(WmfPlayerTextTest)
#include "tst_wmfplayertext.moc"
