#pragma once

// The panel's scroll bars. Only the arrows, page clicks, the thumb's release and, with the
// focus, the keyboard change a value; each of them is one committed change. The wheel, a
// middle click and Qt's own context menu would change or offer changes nobody asked for.

#include <QScrollBar>

class PanelScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit PanelScrollBar(QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
