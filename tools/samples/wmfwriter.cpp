#include <tools/samples/metafiles.h>

#include <uwmf.h>

#include <QFile>
#include <QTemporaryDir>

#include <iconv.h>

#include <stdexcept>

namespace {

constexpr unsigned kUnitsPerInch = 1440;

U_COLORREF colour(const QColor &c)
{
    return U_RGB(c.red(), c.green(), c.blue());
}

U_POINT16 point(int x, int y)
{
    return point16_set(int16_t(x), int16_t(y));
}

U_RECT16 rect(const QRect &r)
{
    return U_RECT16_set(point(r.left(), r.top()),
                        point(r.left() + r.width(), r.top() + r.height()));
}

// Windows code page 932, the code page of SHIFTJIS_CHARSET.
QByteArray shiftJis(const QString &text)
{
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == iconv_t(-1))
        throw std::runtime_error("no CP932 converter");
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 2 + 4, '\0');
    char *src = in.data();
    char *dst = out.data();
    size_t srcLeft = size_t(in.size());
    size_t dstLeft = size_t(out.size());
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (r == size_t(-1))
        throw std::runtime_error("text not in CP932");
    out.resize(out.size() - qsizetype(dstLeft));
    return out;
}

// The LOGFONT width that squeezes the text by `xScale`. Japanese faces give half their height as
// their average character width, and the width asked for is measured against that.
int16_t squeezedWidth(const samples::Text &t)
{
    if (t.xScale == 1.0)
        return 0;
    return int16_t(qRound(t.emTwips / 2.0 * t.xScale));
}

class Wmf {
public:
    Wmf(const QString &path, const samples::Board &board)
    {
        if (wmf_start(QFile::encodeName(path).constData(), 1 << 16, 1 << 16, &track_) ||
            wmf_htable_create(128, 128, &handles_))
            throw std::runtime_error("cannot start a WMF");
        U_PAIRF inches{float(board.widthTwips) / kUnitsPerInch,
                       float(board.heightTwips) / kUnitsPerInch};
        char *header = U_WMRHEADER_set(&inches, kUnitsPerInch);
        if (!header || wmf_header_append(reinterpret_cast<U_METARECORD *>(header), track_, 1))
            throw std::runtime_error("cannot write a WMF header");
        add(U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC));
        add(U_WMRSETWINDOWORG_set(point(0, 0)));
        add(U_WMRSETWINDOWEXT_set(point(board.widthTwips, board.heightTwips)));
        add(U_WMRSETBKMODE_set(U_TRANSPARENT));
        add(U_WMRSETTEXTALIGN_set(U_TA_BASELINE | U_TA_CENTER));
        uint32_t pen = 0;
        add(wcreatepenindirect_set(&pen, handles_, U_PEN_set(U_PS_NULL, 0, U_RGB(0, 0, 0))));
        add(wselectobject_set(pen, handles_));
        fill(samples::FilledRect{QRect(0, 0, board.widthTwips, board.heightTwips),
                                 board.background});
    }

    ~Wmf()
    {
        wmf_free(&track_);
        wmf_htable_free(&handles_);
    }

    void fill(const samples::FilledRect &r)
    {
        withBrush(r.colour, [&] { add(U_WMRRECTANGLE_set(rect(r.twips))); });
    }

    void fill(const samples::FilledEllipse &e)
    {
        withBrush(e.colour, [&] { add(U_WMRELLIPSE_set(rect(e.twips))); });
    }

    void text(const samples::Text &t)
    {
        QByteArray face(samples::kFontFamily);
        U_FONT *font = U_FONT_set(
            int16_t(-t.emTwips), squeezedWidth(t), 0, 0, t.bold ? U_FW_BOLD : U_FW_NORMAL, 0, 0, 0,
            U_SHIFTJIS_CHARSET, U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS, U_ANTIALIASED_QUALITY,
            U_DEFAULT_PITCH | U_FF_DONTCARE, face.data());
        uint32_t handle = 0;
        add(wcreatefontindirect_set(&handle, handles_, font));
        std::free(font);
        replace(&font_, handle);
        add(U_WMRSETTEXTCOLOR_set(colour(t.colour)));
        QByteArray bytes = shiftJis(t.text);
        // Both text records appear in the samples, so a player is tried on each.
        if (t.xScale == 1.0) {
            add(U_WMRTEXTOUT_set(point(t.anchor.x(), t.anchor.y()), bytes.data()));
        } else {
            add(U_WMREXTTEXTOUT_set(point(t.anchor.x(), t.anchor.y()), int16_t(bytes.size()), 0,
                                    bytes.constData(), nullptr, U_RECT16{0, 0, 0, 0}));
        }
    }

    QByteArray finish()
    {
        // Objects cannot be deleted while selected and a metafile has no stock ones to select,
        // so the last brush and font are left to the player to free.
        add(U_WMREOF_set());
        if (wmf_finish(track_))
            throw std::runtime_error("cannot finish a WMF");
        return QByteArray(track_->buf, qsizetype(track_->used));
    }

private:
    void add(char *record)
    {
        if (!record || wmf_append(reinterpret_cast<U_METARECORD *>(record), track_, 1))
            throw std::runtime_error("cannot add a WMF record");
    }

    template <typename Draw> void withBrush(const QColor &c, Draw draw)
    {
        uint32_t brush = 0;
        add(wcreatebrushindirect_set(&brush, handles_, U_WLOGBRUSH_set(U_BS_SOLID, colour(c), 0)));
        replace(&brush_, brush);
        draw();
    }

    // Selects the new object, then frees the one it replaced.
    void replace(uint32_t *current, uint32_t next)
    {
        add(wselectobject_set(next, handles_));
        if (*current)
            add(wdeleteobject_set(current, handles_));
        *current = next;
    }

    uint32_t brush_ = 0;
    uint32_t font_ = 0;
    WMFTRACK *track_ = nullptr;
    WMFHANDLES *handles_ = nullptr;
};

} // namespace

namespace samples {

QByteArray writeWmf(const Board &board)
{
    QTemporaryDir dir;
    Wmf wmf(dir.filePath(QStringLiteral("board.wmf")), board);
    for (const Shape &shape : board.shapes) {
        if (const auto *r = std::get_if<FilledRect>(&shape))
            wmf.fill(*r);
        else if (const auto *e = std::get_if<FilledEllipse>(&shape))
            wmf.fill(*e);
        else if (const auto *t = std::get_if<Text>(&shape))
            wmf.text(*t);
    }
    return wmf.finish();
}

} // namespace samples
