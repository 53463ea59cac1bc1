// GDI rules the metafile player follows where a renderer could easily go another way, each
// checked on a small enhanced metafile built here: where the ink lands and its colour.

#include <picture/picture.h>

#include <QtEndian>
#include <QtTest>

#include <uemf.h>

#include <cstdlib>

namespace {

// 96 dpi reference device.
constexpr U_SIZEL kDevice{1920, 1440};
constexpr U_SIZEL kDeviceMm{508, 381};

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
};

QTEST_MAIN(TestEmfFidelity)
#include "tst_emffidelity.moc"
