#include <tools/samples/metafiles.h>

#include <uemf.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <stdexcept>

namespace {

// A reference device of exactly 96 dpi.
constexpr int kDeviceWidth = 1920;
constexpr int kDeviceHeight = 1440;
constexpr int kDeviceWidthMm = 508;
constexpr int kDeviceHeightMm = 381;
constexpr double kHimetricPerTwip = 2540.0 / 1440.0;
const U_RECTL kNoBounds{0, 0, -1, -1};

U_COLORREF colour(const QColor &c)
{
    return U_RGB(c.red(), c.green(), c.blue());
}

U_RECTL rect(const QRect &r)
{
    return rectl_set(point32_set(r.left(), r.top()),
                     point32_set(r.left() + r.width(), r.top() + r.height()));
}

class Emf {
public:
    Emf(const QString &path, const samples::Board &board)
    {
        if (emf_start(QFile::encodeName(path).constData(), 1 << 16, 1 << 16, &track_) ||
            emf_htable_create(128, 128, &handles_))
            throw std::runtime_error("cannot start an EMF");
        const int px = board.widthTwips / samples::kTwipsPerPixel;
        const int py = board.heightTwips / samples::kTwipsPerPixel;
        const U_RECTL bounds = rectl_set(point32_set(0, 0), point32_set(px - 1, py - 1));
        const U_RECTL frame = rectl_set(
            point32_set(0, 0), point32_set(int(std::lround(board.widthTwips * kHimetricPerTwip)),
                                           int(std::lround(board.heightTwips * kHimetricPerTwip))));
        add(U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr,
                            sizel_set(kDeviceWidth, kDeviceHeight),
                            sizel_set(kDeviceWidthMm, kDeviceHeightMm), 0));
        add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
        add(U_EMRSETWINDOWEXTEX_set(sizel_set(board.widthTwips, board.heightTwips)));
        add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(px, py)));
        add(U_EMRSETBKMODE_set(U_TRANSPARENT));
        add(U_EMRSETTEXTALIGN_set(U_TA_BASELINE | U_TA_CENTER));
        uint32_t nullPen = 0;
        add(createpen_set(&nullPen, handles_,
                          logpen_set(U_PS_NULL, U_POINT{0, 0}, U_RGB(0, 0, 0))));
        add(selectobject_set(nullPen, handles_));
        fill(samples::FilledRect{QRect(0, 0, board.widthTwips, board.heightTwips),
                                 board.background});
    }

    ~Emf()
    {
        emf_free(&track_);
        emf_htable_free(&handles_);
    }

    void fill(const samples::FilledRect &r)
    {
        withBrush(r.colour, [&] { add(U_EMRRECTANGLE_set(rect(r.twips))); });
    }

    void fill(const samples::FilledEllipse &e)
    {
        withBrush(e.colour, [&] { add(U_EMRELLIPSE_set(rect(e.twips))); });
    }

    void text(const samples::Text &t)
    {
        std::vector<uint16_t> face(32, 0);
        const QString family = QString::fromLatin1(samples::kFontFamily);
        std::copy(family.utf16(), family.utf16() + family.size(), face.begin());
        const U_LOGFONT lf =
            logfont_set(-t.emTwips, 0, 0, 0, t.bold ? U_FW_BOLD : U_FW_NORMAL, 0, 0, 0,
                        U_SHIFTJIS_CHARSET, U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS,
                        U_ANTIALIASED_QUALITY, U_DEFAULT_PITCH | U_FF_DONTCARE, face.data());
        uint32_t font = 0;
        add(extcreatefontindirectw_set(&font, handles_, reinterpret_cast<const char *>(&lf),
                                       nullptr));
        add(selectobject_set(font, handles_));
        add(U_EMRSETTEXTCOLOR_set(colour(t.colour)));
        // Squeezed sideways about the anchor; in world space the anchor stays where it is.
        if (t.xScale != 1.0)
            add(U_EMRSETWORLDTRANSFORM_set(
                xform_set(float(t.xScale), 0, 0, 1, float(t.anchor.x() * (1.0 - t.xScale)), 0)));
        std::vector<uint16_t> chars(t.text.utf16(), t.text.utf16() + t.text.size());
        std::vector<uint32_t> dx;
        for (const int advance : samples::advances(t))
            dx.push_back(uint32_t(advance));
        char *emrtext =
            emrtext_set(point32_set(t.anchor.x(), t.anchor.y()), U_NUM_STR(chars.size()), 2,
                        chars.data(), U_ETO_NONE, kNoBounds, dx.data());
        add(U_EMREXTTEXTOUTW_set(kNoBounds, U_GM_COMPATIBLE, 1.0f, 1.0f,
                                 reinterpret_cast<PU_EMRTEXT>(emrtext)));
        std::free(emrtext);
        if (t.xScale != 1.0)
            add(U_EMRMODIFYWORLDTRANSFORM_set(xform_set(1, 0, 0, 1, 0, 0), U_MWT_IDENTITY));
        add(selectobject_set(U_DEVICE_DEFAULT_FONT, handles_));
        add(deleteobject_set(&font, handles_));
    }

    QByteArray finish()
    {
        add(U_EMREOF_set(0, nullptr, track_));
        if (emf_finish(track_, handles_))
            throw std::runtime_error("cannot finish an EMF");
        return QByteArray(track_->buf, qsizetype(track_->used));
    }

private:
    void add(char *record)
    {
        if (!record || emf_append(reinterpret_cast<PU_ENHMETARECORD>(record), track_, 1))
            throw std::runtime_error("cannot add an EMF record");
    }

    template <typename Draw> void withBrush(const QColor &c, Draw draw)
    {
        uint32_t brush = 0;
        add(createbrushindirect_set(&brush, handles_, logbrush_set(U_BS_SOLID, colour(c), 0)));
        add(selectobject_set(brush, handles_));
        draw();
        add(selectobject_set(U_WHITE_BRUSH, handles_));
        add(deleteobject_set(&brush, handles_));
    }

    EMFTRACK *track_ = nullptr;
    EMFHANDLES *handles_ = nullptr;
};

} // namespace

namespace samples {

QByteArray writeEmf(const Board &board)
{
    // The writer insists on a file; the bytes are taken from its buffer.
    QTemporaryDir dir;
    Emf emf(dir.filePath(QStringLiteral("board.emf")), board);
    for (const Shape &shape : board.shapes) {
        if (const auto *r = std::get_if<FilledRect>(&shape))
            emf.fill(*r);
        else if (const auto *e = std::get_if<FilledEllipse>(&shape))
            emf.fill(*e);
        else if (const auto *t = std::get_if<Text>(&shape))
            emf.text(*t);
    }
    return emf.finish();
}

} // namespace samples
