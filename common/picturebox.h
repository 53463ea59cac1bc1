#pragma once

// A picture box: a child window with its geometry in twips, a background colour, an optional
// picture drawn unscaled at its top-left corner, and windowless image controls of its own.
// It reports its events as the program handles them: button codes 1/2/4, key codes, twips.

#include <common/twips.h>
#include <common/windowless.h>

#include <QColor>
#include <QImage>
#include <QWidget>

class QMimeData;

class PictureBox : public QWidget {
    Q_OBJECT
public:
    PictureBox(QWidget *parent, const twips::Rect &rect, QColor background);

    float leftTwips() const { return rect_.left; }
    float topTwips() const { return rect_.top; }
    float widthTwips() const { return rect_.width; }
    float heightTwips() const { return rect_.height; }
    void moveTwips(float left, float top, float width, float height);

    // Sizes the box to each picture it is given (the box keeps its size for an empty picture).
    void setAutoSize(bool on) { autoSize_ = on; }
    const QImage &image() const { return picture_; }
    void setPicture(const QImage &picture);

    WindowlessLayer &layer() { return layer_; }

    // Takes a picture file dragged onto the box: exactly one local file, not a folder. Anything
    // else shows no drop.
    void setAcceptsFileDrop(bool on) { setAcceptDrops(on); }
    // The one local file a drag carries, with its name's bytes kept; empty when it carries
    // anything else.
    static QString droppableFile(const QMimeData *data);

signals:
    void pressed(Qt::MouseButton button);
    void clicked(WindowlessControl *child);
    void doubleClicked(WindowlessControl *child);
    // `key` is a Qt::Key, as QKeyEvent gives it.
    void keyPressed(int key);
    // The size in twips changed (a new picture, a move with another size).
    void resized();
    void fileDropped(const QString &path);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    twips::Rect rect_;
    QColor background_;
    QImage picture_;
    bool autoSize_ = false;
    bool leftPressed_ = false;
    WindowlessLayer layer_{this};
};
