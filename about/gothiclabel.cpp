#include <about/gothiclabel.h>

#include <QFontInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <cmath>

namespace {
// Share of the em above the baseline in the Japanese Gothics, and the gap above the em box that
// the labels' layout leaves inside a line (shares of the em).
constexpr qreal kEmAscent = 0.88;
constexpr qreal kTopGap = 0.1;
// The labels' lines allow for proportional kana; the Gothic sets them full width. A line that
// does not fit is set this much tighter per character at most (a share of the em).
constexpr qreal kMaxTightening = 0.15;
} // namespace

GothicLabel::GothicLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
}

void GothicLabel::setTextColor(const QColor &c)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, c);
    setPalette(p);
}

void GothicLabel::setBackgroundColor(const QColor &c)
{
    setAutoFillBackground(c.isValid());
    if (!c.isValid())
        return;
    QPalette p = palette();
    p.setColor(QPalette::Window, c);
    setPalette(p);
}

int GothicLabel::baseline() const
{
    // Whole pixels: the glyphs are hinted to the pixel grid anyway.
    return contentsRect().top() + qRound((kTopGap + kEmAscent) * QFontInfo(font()).pixelSize());
}

QFont GothicLabel::drawnFont() const
{
    QFont f = font();
    const qreal width = QFontMetricsF(f).horizontalAdvance(text());
    const qreal room = contentsRect().width();
    const qsizetype n = text().size();
    if (width <= room || n == 0)
        return f;
    // Spacing is kept in 1/64 pixel, truncated: round up so the line really fits.
    const qreal needed = std::ceil((width - room) / n * 64) / 64;
    const qreal tighter = std::min(needed, kMaxTightening * QFontInfo(f).pixelSize());
    f.setLetterSpacing(QFont::AbsoluteSpacing, -tighter);
    return f;
}

void GothicLabel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (text().isEmpty())
        return;
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.setFont(drawnFont());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(QPointF(contentsRect().left(), baseline()), text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void GothicLabel::keyPressEvent(QKeyEvent *event)
{
    const bool press = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
                       event->key() == Qt::Key_Enter;
    if (!press || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QLabel::keyPressEvent(event);
        return;
    }
    // Taken here, so that Enter does not also press the dialog's default button.
    event->accept();
    if (!event->isAutoRepeat())
        emit clicked();
}

void GothicLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    leftPressed_ = true;
    event->accept();
}

void GothicLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    const bool click = leftPressed_ && rect().contains(event->position().toPoint());
    leftPressed_ = false;
    event->accept();
    if (click)
        emit clicked();
}
