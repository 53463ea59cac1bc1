#include <panel/panelscrollbar.h>

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QWheelEvent>

namespace {

// The focus frame stands this far inside the thumb.
constexpr int kFocusInsetPx = 2;

} // namespace

PanelScrollBar::PanelScrollBar(QWidget *parent) : QScrollBar(Qt::Horizontal, parent)
{
    // Reached by Tab and by a click, so the panel works without a mouse.
    setFocusPolicy(Qt::StrongFocus);
    // A scroll bar's change is a committed value: a thumb drag counts when it is released.
    setTracking(false);
}

void PanelScrollBar::keyPressEvent(QKeyEvent *event)
{
    SliderAction action = SliderNoAction;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        action = SliderSingleStepSub;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        action = SliderSingleStepAdd;
        break;
    case Qt::Key_PageUp:
        action = SliderPageStepSub;
        break;
    case Qt::Key_PageDown:
        action = SliderPageStepAdd;
        break;
    case Qt::Key_Home:
        action = SliderToMinimum;
        break;
    case Qt::Key_End:
        action = SliderToMaximum;
        break;
    default:
        // Tab and the rest go on to the panel.
        QWidget::keyPressEvent(event);
        return;
    }
    // Not while the thumb is held: its release commits the drag.
    if (!isSliderDown())
        triggerAction(action); // moves and commits: one change event
    event->accept();
}

void PanelScrollBar::wheelEvent(QWheelEvent *event)
{
    event->accept();
}

void PanelScrollBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        QScrollBar::mousePressEvent(event);
    else
        event->accept();
}

void PanelScrollBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        QScrollBar::mouseReleaseEvent(event);
    else
        event->accept();
}

void PanelScrollBar::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        QScrollBar::mouseMoveEvent(event);
    else
        event->accept();
}

void PanelScrollBar::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
}

void PanelScrollBar::paintEvent(QPaintEvent *event)
{
    QScrollBar::paintEvent(event);
    if (!hasFocus())
        return;
    // The style draws no focus on a scroll bar; mark the thumb with its focus frame. Shown
    // after a click too, not only after Tab, since keys act on whichever bar was clicked.
    QStyleOptionSlider bar;
    initStyleOption(&bar);
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.state |= QStyle::State_KeyboardFocusChange;
    focus.rect = style()
                     ->subControlRect(QStyle::CC_ScrollBar, &bar, QStyle::SC_ScrollBarSlider, this)
                     .adjusted(kFocusInsetPx, kFocusInsetPx, -kFocusInsetPx, -kFocusInsetPx);
    focus.backgroundColor = palette().color(QPalette::Button);
    QStylePainter p(this);
    p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
}
