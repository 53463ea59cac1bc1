#include <tools/samples/raster.h>

#include <QFontMetricsF>
#include <QPainter>

#include <map>
#include <stdexcept>

namespace {

QPointF pixels(QPoint twips)
{
    return QPointF(twips) / samples::kTwipsPerPixel;
}

QRectF pixels(const QRect &twips)
{
    return QRectF(pixels(twips.topLeft()), QSizeF(twips.size()) / samples::kTwipsPerPixel);
}

QFont fontFor(const samples::Text &t, int pixelSize)
{
    QFont font(QString::fromLatin1(samples::kFontFamily));
    font.setPixelSize(pixelSize);
    font.setBold(t.bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

} // namespace

namespace samples {

std::vector<int> advances(const Text &text)
{
    // A font one twip to the pixel measures in twips.
    const QFontMetricsF metrics(fontFor(text, text.emTwips));
    std::vector<int> out;
    for (const QChar c : text.text)
        out.push_back(qRound(metrics.horizontalAdvance(c)));
    return out;
}

QImage paint(const Board &board)
{
    QImage image(board.widthTwips / kTwipsPerPixel, board.heightTwips / kTwipsPerPixel,
                 QImage::Format_RGB32);
    image.fill(board.background);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::NoPen);
    for (const Shape &shape : board.shapes) {
        if (const auto *r = std::get_if<FilledRect>(&shape)) {
            p.fillRect(pixels(r->twips), r->colour);
        } else if (const auto *e = std::get_if<FilledEllipse>(&shape)) {
            p.setBrush(e->colour);
            p.drawEllipse(pixels(e->twips));
        } else if (const auto *t = std::get_if<Text>(&shape)) {
            const QFont font = fontFor(*t, t->emTwips / kTwipsPerPixel);
            const qreal width = QFontMetricsF(font).horizontalAdvance(t->text);
            p.save();
            p.translate(pixels(t->anchor));
            p.scale(t->xScale, 1.0);
            p.setFont(font);
            p.setPen(t->colour);
            p.drawText(QPointF(-width / 2, 0), t->text);
            p.restore();
        }
    }
    return image;
}

QImage toIndexed(const QImage &image)
{
    // Qt's own conversion orders the palette by a hash, which differs from run to run.
    std::map<QRgb, int> index;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            index.emplace(line[x] | 0xFF000000u, 0);
    }
    if (index.size() > 256)
        throw std::runtime_error("more than 256 colours in a sample");
    QList<QRgb> table;
    for (auto &[colour, i] : index) {
        i = int(table.size());
        table.push_back(colour);
    }
    QImage out(image.size(), QImage::Format_Indexed8);
    out.setColorTable(table);
    for (int y = 0; y < image.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        uchar *line = out.scanLine(y);
        for (int x = 0; x < image.width(); ++x)
            line[x] = uchar(index.at(in[x] | 0xFF000000u));
    }
    return out;
}

} // namespace samples
