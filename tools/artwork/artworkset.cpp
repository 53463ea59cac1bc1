#include <tools/artwork/artworkset.h>

#include <common/layout.h>
#include <tools/artwork/appicon.h>
#include <tools/artwork/bmpwriter.h>
#include <tools/artwork/buspainter.h>
#include <tools/artwork/doorpainter.h>
#include <tools/artwork/gifwriter.h>
#include <tools/artwork/pixelart.h>
#include <tools/artwork/switchfaces.h>

#include <QBuffer>
#include <QPainter>

#include <stdexcept>

namespace artwork {

namespace {

// Qt's PNG writer stamps no time or software name, so its output depends on the pixels alone.
QByteArray encodePng(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw std::runtime_error("cannot encode PNG");
    return bytes;
}

void drawLeaf(QPainter &p, const QImage &picture, twips::Rect rect)
{
    p.drawImage(QRectF(twips::toPixels(rect)), picture);
}

void drawFrameBar(QPainter &p, const twips::Rect &bar)
{
    const QRect r = twips::toPixels(bar);
    p.fillRect(r, QColor(224, 224, 224));
    p.setPen(QColor(128, 128, 128));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

} // namespace

std::vector<Output> generateArtwork()
{
    std::vector<Output> out;
    out.push_back({QStringLiteral("bus.bmp"), encodeBmp24(paintBus())});
    out.push_back({QStringLiteral("centreleafleft.bmp"), encodeBmp24(paintCentreLeaf(false))});
    out.push_back({QStringLiteral("centreleafright.bmp"), encodeBmp24(paintCentreLeaf(true))});
    out.push_back({QStringLiteral("frontdoor.bmp"), encodeBmp24(paintFrontDoor())});
    // PNG rather than a Windows icon file: Qt reads it without the ICO plugin's colour
    // conversion, which costs the start a noticeable moment.
    out.push_back({QStringLiteral("icon.png"), encodePng(iconPixels())});
    out.push_back({QStringLiteral("frontdoorswitch.gif"),
                   encodeGif(paintSwitchFace(QStringLiteral("前扉")))});
    out.push_back({QStringLiteral("centredoorswitch.gif"),
                   encodeGif(paintSwitchFace(QStringLiteral("中扉")))});
    out.push_back({QStringLiteral("hand.png"), encodePng(handCursor())});
    return out;
}

std::vector<Output> generateAppIcons()
{
    std::vector<Output> out;
    for (const int size : kAppIconSizes)
        out.push_back({QStringLiteral("%1.png").arg(size), encodePng(paintAppIcon(size))});
    return out;
}

QImage composeWindow(bool doorsOpen)
{
    QImage window(layout::kClientWidth, layout::kBusHeight, QImage::Format_RGB32);
    QPainter p(&window);
    p.drawImage(0, 0, paintBus());
    p.setRenderHint(QPainter::SmoothPixmapTransform);

    twips::Rect front = layout::kFrontDoor;
    twips::Rect left = layout::kCentreLeftLeaf;
    twips::Rect right = layout::kCentreRightLeaf;
    if (doorsOpen) {
        front.width = layout::kFrontDoorOpenWidth;
        left.width = layout::kCentreLeafOpenWidth;
        right.left = right.right() - layout::kCentreLeafOpenWidth;
        right.width = layout::kCentreLeafOpenWidth;
    }
    // Later controls lie behind earlier ones: the right leaf covers the left where they meet.
    drawLeaf(p, paintFrontDoor(), front);
    drawLeaf(p, paintCentreLeaf(false), left);
    drawLeaf(p, paintCentreLeaf(true), right);
    drawFrameBar(p, layout::kSignboardFrameLeft);
    drawFrameBar(p, layout::kSignboardFrameRight);
    drawFrameBar(p, layout::kSignboardFrameBottom);
    p.fillRect(twips::toPixels(layout::kSignboard), Qt::white);
    p.fillRect(twips::toPixels(layout::kSignWindow), Qt::white);
    p.end();
    return window;
}

} // namespace artwork
