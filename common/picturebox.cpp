#include <common/picturebox.h>

#include <common/filenames.h>

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <sys/stat.h>

PictureBox::PictureBox(QWidget *parent, const twips::Rect &rect, QColor background)
    : QWidget(parent), rect_(rect), background_(background)
{
    setGeometry(twips::toPixels(rect_));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::TabFocus);
}

void PictureBox::moveTwips(float left, float top, float width, float height)
{
    const bool sizeChanged = width != rect_.width || height != rect_.height;
    rect_ = {left, top, width, height};
    setGeometry(twips::toPixels(rect_));
    if (sizeChanged)
        emit resized();
}

void PictureBox::setPicture(const QImage &picture)
{
    picture_ = picture;
    if (autoSize_ && !picture_.isNull()) {
        const QSize s = picture_.deviceIndependentSize().toSize();
        moveTwips(rect_.left, rect_.top, twips::fromPixels(s.width()),
                  twips::fromPixels(s.height()));
    }
    update();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    // On a HiDPI screen a bitmap is scaled up: smoothly, not in blocks.
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.fillRect(event->rect(), background_);
    if (!picture_.isNull())
        p.drawImage(QPoint(0, 0), picture_);
    layer_.paint(p, event->rect());
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        leftPressed_ = true;
    emit pressed(event->button());
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    // A click is a left press and release over the box.
    if (event->button() == Qt::LeftButton && leftPressed_) {
        leftPressed_ = false;
        if (rect().contains(event->position().toPoint()))
            emit clicked(layer_.controlAt(event->position().toPoint()));
    }
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        leftPressed_ = false;
        emit doubleClicked(layer_.controlAt(event->position().toPoint()));
        return;
    }
    mousePressEvent(event);
}

void PictureBox::keyPressEvent(QKeyEvent *event)
{
    emit keyPressed(event->key());
    QWidget::keyPressEvent(event);
}

QString PictureBox::droppableFile(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile() || !(url.host().isEmpty() || url.host() == QLatin1String("localhost")))
        return {};
    // The URL carries the name's bytes percent-encoded; they need not be UTF-8.
    const QByteArray bytes =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    struct stat st {};
    if (bytes.isEmpty() || (::stat(bytes.constData(), &st) == 0 && S_ISDIR(st.st_mode)))
        return {};
    return filenames::fromBytes(bytes);
}

void PictureBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (droppableFile(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void PictureBox::dragMoveEvent(QDragMoveEvent *event)
{
    if (droppableFile(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void PictureBox::dropEvent(QDropEvent *event)
{
    const QString path = droppableFile(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit fileDropped(path);
}
