// Text: fonts sized in the mapping of the moment, characters placed by their advances.

#include <picture/metafile/gdidevice.h>

#include <QFontMetricsF>
#include <QGlyphRun>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

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
// The weights of the lower-case letters and the space in a face's average character width, as
// Windows (and the first TrueType tables) define it. Newer faces record the mean of all their
// glyphs instead, wider for the same design, so the width is measured here.
constexpr std::array<int, 27> kAverageWidthWeights = {64, 14, 27, 35, 100, 20, 14, 42, 63,
                                                      3,  6,  35, 20, 56,  56, 17, 4,  49,
                                                      56, 71, 31, 10, 18,  3,  18, 2,  166};
constexpr int kAverageWidthWeightSum = 1000;

} // namespace

namespace picture::gdi {

// ---- Text -------------------------------------------------------------------------------------

const QRawFont &Device::rawFont(const QFont &font)
{
    const QString key = font.key();
    auto it = rawFonts_.find(key);
    if (it == rawFonts_.end())
        it = rawFonts_.insert(key, QRawFont::fromFont(font));
    return *it;
}

FaceMetrics Device::latinMetrics(const QFont &font)
{
    const QString key = font.key();
    if (auto it = metricsCache_.constFind(key); it != metricsCache_.constEnd())
        return *it;
    QFont probe(font);
    probe.setPointSizeF(kMetricsProbePixels * 72.0 / image_->logicalDpiY());
    const QFontMetricsF fm(probe, image_);
    double weighted = 0;
    for (size_t i = 0; i < kAverageWidthWeights.size(); ++i) {
        const QChar c = i + 1 < kAverageWidthWeights.size() ? QChar(char16_t(u'a' + i)) : u' ';
        weighted += fm.horizontalAdvance(c) * kAverageWidthWeights[i];
    }
    const FaceMetrics m{fm.ascent() / kMetricsProbePixels, fm.descent() / kMetricsProbePixels,
                        weighted / kAverageWidthWeightSum / kMetricsProbePixels};
    metricsCache_.insert(key, m);
    return m;
}

// Windows sizes a font when it is used, in the mapping of that moment: a negative height is the
// character height, a positive one the cell height, both in logical units of the y axis.
RealFont Device::realizeFont()
{
    const FontObject &f = s_.font;
    RealFont rf;
    QFont q;
    q.setFamilies(f.face.families);
    q.setWeight(QFont::Weight(std::clamp(f.weight > 0 ? f.weight : kNormalWeight, 100, 900)));
    q.setItalic(f.italic);
    q.setUnderline(f.underline);
    q.setStrikeOut(f.strikeOut);
    // East Asian faces report half their character height as their average width.
    const FaceMetrics metrics = f.face.eastAsianMetrics
                                    ? FaceMetrics{kEastAsianAscent, kEastAsianDescent, 0.5}
                                    : latinMetrics(q);
    const double ascent = metrics.ascent;
    const double descent = metrics.descent;
    const double height = std::abs(f.height * scaleY_);
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
        q.setLetterSpacing(QFont::AbsoluteSpacing, s_.charExtra * scaleX_);
    rf.font = q;
    rf.ascent = ascent * em;
    rf.descent = descent * em;
    if (f.width != 0) {
        // The width asked for is the average character width.
        const double have = metrics.averageWidth * em;
        if (have > 0)
            rf.widthScale =
                std::clamp(std::abs(f.width * scaleX_) / have, kMinWidthScale, kMaxWidthScale);
    }
    // Escapement is counter-clockwise on the picture; a world transform turns text with it.
    const QPointF x = s_.world.map(QPointF(1, 0)) - s_.world.map(QPointF());
    const double worldAngle = std::atan2(x.y(), x.x()) * 180 / std::numbers::pi;
    // The escapement turns from the logical x axis away from the logical y axis (counter-clockwise
    // where y runs down): a mapping that flips one axis, as y up does, turns it the other way on
    // the picture.
    const bool mirrored = full_.determinant() < 0;
    rf.angle = (mirrored ? -f.escapement : f.escapement) / 10.0 -
               (full_.m22() < 0 ? -worldAngle : worldAngle);
    rf.drawable = true;
    return rf;
}

void Device::text(QPointF at, const TextRun &run)
{
    flushLines();
    const bool updateCp = s_.textAlign & U_TA_UPDATECP;
    const QPointF origin = toPixels(updateCp ? s_.position : at);
    QRectF clipBox;
    if (run.rect) {
        clipBox = box(*run.rect);
        if (run.options & U_ETO_OPAQUE)
            p_.fillRect(clipBox, s_.bkColor);
    }
    if (run.pieces.empty())
        return;
    const RealFont rf = realizeFont();
    if (!rf.drawable)
        return;

    QString whole;
    for (const TextPiece &piece : run.pieces)
        whole += piece.text;
    std::vector<QPointF> positions;
    double width = 0;
    double rise = 0; // downwards on the picture
    if (run.advances.size() == run.pieces.size()) {
        positions.reserve(run.pieces.size());
        for (size_t i = 0; i < run.pieces.size(); ++i) {
            positions.emplace_back(width, rise);
            width += run.advances[i] * scaleX_;
            // Vertical advances run along the logical y axis, downwards unless it is flipped.
            if (i < run.vertical.size())
                rise += run.vertical[i] * (full_.m22() < 0 ? -scaleY_ : scaleY_);
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
    if (run.rect && (run.options & U_ETO_CLIPPED))
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
        // Placed characters go out as one run of glyphs of the first face; a character that
        // face lacks is drawn on its own, so that Qt finds it another face.
        p_.translate(left, baseline);
        p_.scale(rf.widthScale, 1);
        const QRawFont &raw = rawFont(rf.font);
        QList<quint32> glyphs;
        QList<QPointF> glyphPositions;
        for (size_t i = 0; i < run.pieces.size(); ++i) {
            const QString &piece = run.pieces[i].text;
            if (piece.isEmpty())
                continue;
            const QPointF at(positions[i].x() / rf.widthScale, positions[i].y());
            const QList<quint32> indexes =
                raw.isValid() ? raw.glyphIndexesForString(piece) : QList<quint32>();
            if (indexes.size() == 1 && indexes[0] != 0) {
                glyphs.append(indexes[0]);
                glyphPositions.append(at);
            } else {
                p_.drawText(at, piece);
            }
        }
        if (!glyphs.isEmpty()) {
            QGlyphRun glyphRun;
            glyphRun.setRawFont(raw);
            glyphRun.setGlyphIndexes(glyphs);
            glyphRun.setPositions(glyphPositions);
            glyphRun.setUnderline(rf.font.underline());
            glyphRun.setStrikeOut(rf.font.strikeOut());
            p_.drawGlyphRun(QPointF(), glyphRun);
        }
    }
    p_.restore();

    // The current position moves along the text, in logical units.
    if (updateCp && scaleX_ > 0) {
        const double advance = width / scaleX_ * (full_.m11() < 0 ? -1 : 1);
        if ((s_.textAlign & U_TA_CENTER) == U_TA_LEFT)
            s_.position.rx() += advance;
        else if ((s_.textAlign & U_TA_CENTER) == U_TA_RIGHT)
            s_.position.rx() -= advance;
    }
}

} // namespace picture::gdi
