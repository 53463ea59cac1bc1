#include <tools/artwork/switchfaces.h>

#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>
#include <stdexcept>

namespace artwork {

namespace {
constexpr int kWidth = 50;
constexpr int kHeight = 20;
constexpr int kPixelSize = 16;
constexpr int kShades = 16;
} // namespace

QImage paintSwitchFace(const QString &text)
{
    QFont font(QString::fromLatin1(kSwitchFontFamily));
    font.setPixelSize(kPixelSize);
    font.setWeight(QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias |
                                               QFont::NoFontMerging));
    font.setHintingPreference(QFont::PreferFullHinting);
    if (QFontInfo(font).family() != QString::fromLatin1(kSwitchFontFamily))
        throw std::runtime_error("the font \"Noto Sans CJK JP\" is not installed");

    QImage rgb(kWidth, kHeight, QImage::Format_RGB32);
    rgb.fill(QColor(255, 255, 0));
    QPainter p(&rgb);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);
    p.setPen(Qt::black);
    // Centred by the ink, not by the font's line box, which is tall for CJK faces.
    const QRectF ink = QFontMetricsF(font).tightBoundingRect(text);
    const QPointF origin(std::round((kWidth - ink.width()) / 2 - ink.left()),
                         std::round((kHeight - ink.height()) / 2 - ink.top()));
    p.drawText(origin, text);
    p.end();

    // Black over yellow only ever mixes into shades of yellow, so red alone gives the shade.
    QImage indexed(kWidth, kHeight, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < kShades; ++i) {
        const int v = i * 255 / (kShades - 1);
        table.append(qRgb(v, v, 0));
    }
    indexed.setColorTable(table);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int red = qRed(rgb.pixel(x, y));
            indexed.setPixel(x, y, static_cast<uint>((red * (kShades - 1) + 127) / 255));
        }
    }
    return indexed;
}

} // namespace artwork
