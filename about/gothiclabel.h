#pragma once

// A label as the layouts draw one: one line of text from the top-left corner, clipped to the
// label, with an optional background and a click (left button pressed and released over it, or
// Space or Enter while it has the keyboard focus, which it takes only when its focus policy lets
// it; it then shows the focus).
//
// The text is placed by its em box, not by the font's line metrics: the labels are sized for a
// font with a short line, and the Japanese Gothic's much taller line, placed by its ascent, would
// push the text (and the underline) out of them. The labels' lines allow for proportional kana,
// which the Gothic sets full width, so a line slightly too long is set a little tighter.

#include <QLabel>

class GothicLabel : public QLabel {
    Q_OBJECT
public:
    // A transparent label without background.
    explicit GothicLabel(QWidget *parent);

    void setTextColor(const QColor &c);
    // An invalid colour makes the label transparent.
    void setBackgroundColor(const QColor &c);

    // Where the text's baseline lies, from the label's top.
    int baseline() const;
    // The font the text is drawn in: the label's font, set tighter when the line is too long.
    QFont drawnFont() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool leftPressed_ = false;
};
