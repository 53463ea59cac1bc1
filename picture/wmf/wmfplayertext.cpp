#include <picture/wmf/wmfplayerimpl.h>

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kDefaultFontCellPixels = 16.0; // the system font's cell when no font is chosen
constexpr double kMinFontPixels = 0.5;
constexpr double kMaxFontPixels = 8192.0;
constexpr double kMetricsProbePixels = 100.0;
// Character height fractions above and below the baseline of the East Asian Windows faces.
constexpr double kEastAsianAscent = 0.86;
constexpr double kEastAsianDescent = 0.14;
constexpr double kMinWidthScale = 0.05;
constexpr double kMaxWidthScale = 20.0;

} // namespace

namespace picture::wmf {

// ---- Text -------------------------------------------------------------------------------------

QPair<double, double> Player::latinMetrics(const QFont &font)
{
    const QString key = font.key();
    if (auto it = metricsCache_.constFind(key); it != metricsCache_.constEnd())
        return *it;
    QFont probe(font);
    probe.setPointSizeF(kMetricsProbePixels * 72.0 / image_->logicalDpiY());
    const QFontMetricsF fm(probe, image_);
    const QPair<double, double> m{fm.ascent() / kMetricsProbePixels,
                                  fm.descent() / kMetricsProbePixels};
    metricsCache_.insert(key, m);
    return m;
}

// Windows sizes a font when it is used, in the mapping of that moment: a negative height is the
// character height, a positive one the cell height, both in logical units of the y axis.
RealFont Player::realizeFont()
{
    const FontObject &f = s_.font;
    RealFont rf;
    QFont q;
    q.setFamilies(f.face.families);
    q.setWeight(QFont::Weight(std::clamp(f.weight > 0 ? f.weight : kNormalWeight, 100, 900)));
    q.setItalic(f.italic);
    q.setUnderline(f.underline);
    q.setStrikeOut(f.strikeOut);
    const auto [ascent, descent] = f.face.eastAsianMetrics
                                       ? QPair<double, double>(kEastAsianAscent, kEastAsianDescent)
                                       : latinMetrics(q);
    const double height = std::abs(f.height * sy_);
    double em = 0;
    if (f.height < 0)
        em = height;
    else if (ascent + descent > 0)
        em = (f.height > 0 ? height : kDefaultFontCellPixels) / (ascent + descent);
    if (!(em >= kMinFontPixels))
        return rf;
    em = std::min(em, kMaxFontPixels);
    q.setPointSizeF(em * 72.0 / image_->logicalDpiY());
    if (s_.charExtra)
        q.setLetterSpacing(QFont::AbsoluteSpacing, s_.charExtra * std::abs(sx_));
    rf.font = q;
    rf.ascent = ascent * em;
    rf.descent = descent * em;
    if (f.width != 0) {
        // The width asked for is the average character width; East Asian faces report half
        // their character height as that.
        const double have =
            f.face.eastAsianMetrics ? em / 2 : QFontMetricsF(q, image_).averageCharWidth();
        if (have > 0)
            rf.widthScale =
                std::clamp(std::abs(f.width * sx_) / have, kMinWidthScale, kMaxWidthScale);
    }
    rf.angle = f.escapement / 10.0;
    rf.drawable = true;
    return rf;
}

void Player::text(QPoint at, QByteArrayView bytes, const LittleEndianReader &dx, quint16 options,
                  const U_RECT16 *rect)
{
    const bool updateCp = s_.textAlign & U_TA_UPDATECP;
    const QPointF origin = toPixels(updateCp ? s_.position : at);
    QRectF clipBox;
    if (rect) {
        clipBox = box(rect->left, rect->top, rect->right, rect->bottom);
        if (options & U_ETO_OPAQUE)
            p_.fillRect(clipBox, s_.bkColor);
    }
    if (bytes.isEmpty())
        return;
    const RealFont rf = realizeFont();
    if (!rf.drawable)
        return;

    // Character advances come from the Dx array when there is one: an entry per byte (Windows
    // puts a double-byte character's advance on its lead byte) or, from some writers, one per
    // character.
    const std::vector<TextPiece> pieces = decodeCharacters(bytes, s_.font.charset);
    QString whole;
    for (const TextPiece &piece : pieces)
        whole += piece.text;
    std::vector<double> positions;
    double width = 0;
    const qsizetype dxEntries = dx.size() / 2;
    const bool perByte = dxEntries >= bytes.size();
    if (perByte || dxEntries >= qsizetype(pieces.size())) {
        positions.reserve(pieces.size());
        qsizetype entry = 0;
        for (const TextPiece &piece : pieces) {
            positions.push_back(width);
            const int n = perByte ? piece.bytes : 1;
            for (int k = 0; k < n; ++k, ++entry)
                width += dx.s16(entry * 2) * std::abs(sx_);
        }
    } else {
        width = QFontMetricsF(rf.font, image_).horizontalAdvance(whole) * rf.widthScale;
    }

    double left = 0;
    switch (s_.textAlign & U_TA_CENTER) {
    case U_TA_RIGHT:
        left = -width;
        break;
    case U_TA_CENTER:
        left = -width / 2;
        break;
    default:
        break;
    }
    double baseline = 0;
    switch (s_.textAlign & U_TA_BASELINE) {
    case U_TA_TOP:
        baseline = rf.ascent;
        break;
    case U_TA_BOTTOM:
        baseline = -rf.descent;
        break;
    default:
        break;
    }

    p_.save();
    if (rect && (options & U_ETO_CLIPPED))
        p_.setClipRect(clipBox, Qt::IntersectClip);
    p_.translate(origin);
    p_.rotate(-rf.angle);
    if (s_.bkMode == U_OPAQUE)
        p_.fillRect(QRectF(left, baseline - rf.ascent, width, rf.ascent + rf.descent), s_.bkColor);
    p_.setFont(rf.font);
    p_.setPen(s_.textColor);
    if (positions.empty()) {
        p_.translate(left, baseline);
        p_.scale(rf.widthScale, 1);
        p_.drawText(QPointF(), whole);
    } else {
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (pieces[i].text.isEmpty())
                continue;
            p_.save();
            p_.translate(left + positions[i], baseline);
            p_.scale(rf.widthScale, 1);
            p_.drawText(QPointF(), pieces[i].text);
            p_.restore();
        }
    }
    p_.restore();

    if (updateCp && sx_ != 0) {
        const int advance = int(std::lround(width / sx_));
        if ((s_.textAlign & U_TA_CENTER) == U_TA_LEFT)
            s_.position.rx() += advance;
        else if ((s_.textAlign & U_TA_CENTER) == U_TA_RIGHT)
            s_.position.rx() -= advance;
    }
}

void Player::textOut(const Record &r)
{
    U_POINT16 at{};
    int16_t length = 0;
    const char *string = nullptr;
    // The position follows the string, so the length must be checked before the reader uses it.
    if (r.size < U_SIZE_WMRTEXTOUT)
        return;
    const int declared = r.bytes().s16(6);
    if (declared < 0 || 8 + (declared + 1) / 2 * 2 + 4 > qint64(r.size))
        return;
    if (!U_WMRTEXTOUT_get(r.data, &at, &length, &string))
        return;
    text(QPoint(at.x, at.y), QByteArrayView(string, length), LittleEndianReader(), 0, nullptr);
}

void Player::extTextOut(const Record &r)
{
    if (r.size < U_SIZE_WMREXTTEXTOUT)
        return;
    const quint16 options = r.bytes().u16(12);
    const bool hasRect = options & (U_ETO_OPAQUE | U_ETO_CLIPPED);
    const qint64 stringAt = U_SIZE_WMREXTTEXTOUT + (hasRect ? U_SIZE_RECT16 : 0);
    const int declared = r.bytes().s16(10);
    if (declared < 0 || stringAt + declared > qint64(r.size))
        return;
    U_POINT16 at{};
    int16_t length = 0;
    uint16_t opts = 0;
    const char *string = nullptr;
    const int16_t *dx = nullptr;
    U_RECT16 rect{};
    if (!U_WMREXTTEXTOUT_get(r.data, &at, &length, &opts, &string, &dx, &rect))
        return;
    // The Dx array is optional: whatever follows the padded string is taken for it.
    text(QPoint(at.x, at.y), QByteArrayView(string, length),
         r.bytes().from(reinterpret_cast<const char *>(dx)), opts, hasRect ? &rect : nullptr);
}

} // namespace picture::wmf
