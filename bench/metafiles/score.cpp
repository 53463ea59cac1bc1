#include "score.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// A channel this close to 255 is paper, not ink: it keeps faint anti-aliasing and the page's
// own off-white out of the trim.
constexpr int kInkThreshold = 12;
constexpr int kCell = 4;
constexpr int kGreyTolerance = 48;
const QColor kDifferent(220, 0, 0);
constexpr int kFaintAlpha = 70;

bool isInk(QRgb p)
{
    return std::min({qRed(p), qGreen(p), qBlue(p)}) < 255 - kInkThreshold;
}

// Mean grey of each kCell x kCell cell, row by row; edge cells average what they hold.
std::vector<int> cellGreys(const QImage &flat, int columns, int rows)
{
    std::vector<long> sum(size_t(columns) * rows, 0);
    std::vector<int> count(sum.size(), 0);
    for (int y = 0; y < flat.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(flat.constScanLine(y));
        for (int x = 0; x < flat.width(); ++x) {
            const size_t cell = size_t(y / kCell) * columns + x / kCell;
            sum[cell] += qGray(line[x]);
            ++count[cell];
        }
    }
    std::vector<int> grey(sum.size());
    for (size_t i = 0; i < sum.size(); ++i)
        grey[i] = int((sum[i] + count[i] / 2) / count[i]);
    return grey;
}

} // namespace

namespace metafilescore {

QImage flattened(const QImage &image)
{
    if (image.isNull())
        return {};
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

QRect inkBounds(const QImage &flat)
{
    int left = flat.width(), top = flat.height(), right = -1, bottom = -1;
    for (int y = 0; y < flat.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(flat.constScanLine(y));
        for (int x = 0; x < flat.width(); ++x) {
            if (isInk(line[x])) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = y;
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

Comparison compare(const QImage &ours, const QImage &reference)
{
    // Device pixel ratios would make QPainter draw at logical size; these are pixels.
    QImage plainOurs = ours, plainReference = reference;
    plainOurs.setDevicePixelRatio(1.0);
    plainReference.setDevicePixelRatio(1.0);
    const QImage flatOurs = flattened(plainOurs), flatReference = flattened(plainReference);
    const QRect oursInk = inkBounds(flatOurs), referenceInk = inkBounds(flatReference);

    Comparison c;
    if (oursInk.isEmpty() || referenceInk.isEmpty()) {
        c.score = oursInk.isEmpty() && referenceInk.isEmpty() ? 0.0 : 1.0;
        c.ours = oursInk.isEmpty() ? QImage() : flatOurs.copy(oursInk);
        c.reference = referenceInk.isEmpty() ? QImage() : flatReference.copy(referenceInk);
        return c;
    }
    c.ours = flatOurs.copy(oursInk);
    c.reference = flatReference.copy(referenceInk)
                      .scaled(oursInk.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                      .convertToFormat(QImage::Format_RGB32);

    const int columns = (c.ours.width() + kCell - 1) / kCell;
    const int rows = (c.ours.height() + kCell - 1) / kCell;
    const std::vector<int> a = cellGreys(c.ours, columns, rows);
    const std::vector<int> b = cellGreys(c.reference, columns, rows);

    c.difference = QImage(c.ours.size(), QImage::Format_RGB32);
    c.difference.fill(Qt::white);
    QPainter painter(&c.difference);
    painter.setOpacity(kFaintAlpha / 255.0);
    painter.drawImage(0, 0, c.ours);
    painter.setOpacity(1.0);
    int different = 0;
    for (int i = 0; i < int(a.size()); ++i) {
        if (std::abs(a[i] - b[i]) > kGreyTolerance) {
            ++different;
            painter.fillRect((i % columns) * kCell, (i / columns) * kCell, kCell, kCell,
                             kDifferent);
        }
    }
    c.score = double(different) / double(a.size());
    return c;
}

} // namespace metafilescore
