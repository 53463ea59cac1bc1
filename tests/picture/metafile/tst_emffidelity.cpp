// GDI rules the metafile player follows where a renderer could easily go another way, each
// checked on a small enhanced metafile built here: where the ink lands and its colour.

#include <picture/picture.h>

#include <QFontDatabase>
#include <QtEndian>
#include <QtTest>

#include <uemf.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// 96 dpi reference device.
constexpr U_SIZEL kDevice{1920, 1440};
constexpr U_SIZEL kDeviceMm{508, 381};
constexpr int kOffDx = 72; // EXTTEXTOUTW's offset of its advances, from the record's start

U_COLORREF colorRef(const QColor &c)
{
    return U_RGB(quint8(c.red()), quint8(c.green()), quint8(c.blue()));
}

// Records appended one by one to a header for a picture of `size` pixels.
class Emf {
public:
    explicit Emf(QSize size)
    {
        const U_RECTL bounds{0, 0, size.width() - 1, size.height() - 1};
        const U_RECTL frame{0, 0, size.width() * 2540 / 96 - 1, size.height() * 2540 / 96 - 1};
        add(U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, kDevice, kDeviceMm, 0));
    }

    // Takes a record made by a U_EMR*_set function.
    Emf &add(char *record)
    {
        bytes_.append(record, qFromLittleEndian<quint32>(record + 4));
        ++records_;
        free(record);
        return *this;
    }

    Emf &brush(const QColor &c)
    {
        add(U_EMRCREATEBRUSHINDIRECT_set(handle_, logbrush_set(U_BS_SOLID, colorRef(c), 0)));
        return add(U_EMRSELECTOBJECT_set(handle_++));
    }

    Emf &noPen() { return add(U_EMRSELECTOBJECT_set(U_NULL_PEN | U_STOCK_OBJECT)); }

    Emf &rectangle(const QRect &r)
    {
        return add(U_EMRRECTANGLE_set(
            U_RECTL{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}));
    }

    // A one-row 24-bit bitmap stretched onto `dest` with raster operation `rop`.
    Emf &row(const QRect &dest, const QList<QColor> &columns, quint32 rop)
    {
        QByteArray bits;
        for (const QColor &c : columns) {
            const char bgr[] = {char(c.blue()), char(c.green()), char(c.red())};
            bits.append(bgr, 3);
        }
        bits.append(QByteArray((4 - bits.size() % 4) % 4, '\0'));
        const int width = int(columns.size());
        PU_BITMAPINFO bmi = bitmapinfo_set(
            bitmapinfoheader_set(width, 1, 1, 24, U_BI_RGB, uint32_t(bits.size()), 0, 0, 0, 0),
            nullptr);
        add(U_EMRSTRETCHDIBITS_set(U_RCL_DEF, U_POINTL{dest.x(), dest.y()},
                                   U_POINTL{dest.width(), dest.height()}, U_POINTL{0, 0},
                                   U_POINTL{width, 1}, U_DIB_RGB_COLORS, rop, bmi,
                                   uint32_t(bits.size()), bits.data()));
        free(bmi);
        return *this;
    }

    Emf &mapping(int mode, QSize window, QSize viewport, QPoint windowOrg = {})
    {
        add(U_EMRSETMAPMODE_set(uint32_t(mode)));
        add(U_EMRSETWINDOWEXTEX_set(U_SIZEL{window.width(), window.height()}));
        add(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL{viewport.width(), viewport.height()}));
        return add(U_EMRSETWINDOWORGEX_set(U_POINTL{windowOrg.x(), windowOrg.y()}));
    }

    // `height` and `width` as in a LOGFONT, in logical units; `escapement` in tenths of a degree.
    Emf &font(const QString &face, int height, int width = 0, int escapement = 0,
              quint8 charset = U_ANSI_CHARSET)
    {
        std::vector<uint16_t> name(U_LF_FACESIZE, 0);
        std::copy(face.utf16(), face.utf16() + std::min<qsizetype>(face.size(), U_LF_FACESIZE - 1),
                  name.begin());
        const U_LOGFONT lf = logfont_set(height, width, escapement, escapement, U_FW_NORMAL, 0, 0,
                                         0, charset, 0, 0, 0, 0, name.data());
        add(U_EMREXTCREATEFONTINDIRECTW_set(handle_, reinterpret_cast<const char *>(&lf), nullptr));
        return add(U_EMRSELECTOBJECT_set(handle_++));
    }

    // Characters at `at` (logical), placed by the font's own advances.
    Emf &text(QPoint at, const QString &text, quint32 align = U_TA_BASELINE)
    {
        add(U_EMRSETTEXTALIGN_set(align));
        add(U_EMRSETBKMODE_set(U_TRANSPARENT));
        QString chars = text;
        std::vector<uint32_t> unused(size_t(text.size()), 0);
        char *emrText = emrtext_set(U_POINTL{at.x(), at.y()}, uint32_t(text.size()), 2,
                                    chars.data(), 0, U_RCL_DEF, unused.data());
        char *record = U_EMREXTTEXTOUTW_set(U_RCL_DEF, U_GM_COMPATIBLE, 1.0f, 1.0f,
                                            reinterpret_cast<PU_EMRTEXT>(emrText));
        qToLittleEndian<quint32>(0, record + kOffDx); // no advances: the font's own
        add(record);
        free(emrText);
        return *this;
    }

    QImage draw()
    {
        QByteArray out = bytes_;
        const quint32 eof[] = {U_EMR_EOF, 20, 0, 16, 20};
        out.append(reinterpret_cast<const char *>(eof), sizeof eof);
        qToLittleEndian<quint32>(quint32(out.size()), out.data() + 48);
        qToLittleEndian<quint32>(records_ + 1, out.data() + 52);
        qToLittleEndian<quint16>(quint16(handle_), out.data() + 56);
        const picture::Result r = picture::decode(out, QStringLiteral("built.emf"));
        if (!r.ok())
            qWarning("%s", qPrintable(r.error));
        return r.image;
    }

private:
    QByteArray bytes_;
    quint32 records_ = 0;
    quint32 handle_ = 1;
};

// The colour a pixel shows on white paper.
QColor onWhite(const QImage &image, QPoint at)
{
    const QColor c = image.pixelColor(at);
    const double a = c.alphaF();
    return QColor::fromRgbF(float(c.redF() * a + 1 - a), float(c.greenF() * a + 1 - a),
                            float(c.blueF() * a + 1 - a));
}

bool near(const QColor &a, const QColor &b)
{
    constexpr int kTolerance = 24;
    return std::abs(a.red() - b.red()) <= kTolerance &&
           std::abs(a.green() - b.green()) <= kTolerance &&
           std::abs(a.blue() - b.blue()) <= kTolerance;
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
        QVERIFY2(near(seen, expected),                                                             \
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
        Emf emf(QSize(60, 60));
        const auto line = [&](int y) {
            emf.add(U_EMRMOVETOEX_set(U_POINTL{5, y}));
            emf.add(U_EMRLINETO_set(U_POINTL{55, y}));
        };
        emf.add(U_EMRCREATEPEN_set(1, logpen_set(U_PS_SOLID, U_POINT{3, 0}, colorRef(Qt::red))));
        emf.add(U_EMRCREATEPEN_set(2, logpen_set(U_PS_SOLID, U_POINT{3, 0}, colorRef(Qt::blue))));
        emf.add(U_EMRSELECTOBJECT_set(1));
        line(10);
        emf.add(U_EMRSELECTOBJECT_set(2));
        line(20);
        emf.add(U_EMRSELECTOBJECT_set(1));
        line(30);
        emf.add(U_EMRSELECTOBJECT_set(1));
        line(40);
        emf.add(U_EMRSETROP2_set(U_R2_NOTCOPYPEN));
        line(50);
        const QImage image = emf.draw();
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
        Emf emf(QSize(40, 40));
        emf.noPen().brush(Qt::red).rectangle(QRect(0, 20, 40, 10));
        // Black | white | green columns across the paper and the red band.
        emf.row(QRect(0, 0, 30, 30), {Qt::black, Qt::white, Qt::green}, U_SRCAND);
        emf.add(U_EMRSETROP2_set(U_R2_MASKPEN)).brush(Qt::blue).rectangle(QRect(0, 32, 40, 8));
        const QImage image = emf.draw();
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
            const QRect box = ink(Emf(QSize(600, 150))
                                      .font(face, -100, width)
                                      .text(QPoint(10, 110), QStringLiteral("nnnn"))
                                      .draw());
            return box.width();
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
            return Emf(QSize(200, 60))
                .font(QStringLiteral("Symbol"), -40, 0, 0, U_SYMBOL_CHARSET)
                .text(QPoint(10, 45), text)
                .draw();
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
        Emf emf(QSize(kSide, kSide));
        if (yUp)
            emf.mapping(U_MM_ANISOTROPIC, QSize(kSide, -kSide), QSize(kSide, kSide),
                        QPoint(0, kSide));
        const QImage image = emf.font(QStringLiteral("Noto Sans CJK JP"), -20, 0, escapement)
                                 .text(QPoint(kMiddle, kMiddle), QStringLiteral("HHHHHH"))
                                 .draw();
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
