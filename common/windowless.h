#pragma once

// Image and shape controls have no window of their own: they are drawn on their host's surface,
// beneath the host's child widgets. Each control keeps its geometry in twips; a change that moves
// a pixel repaints the old and new rectangles at once (synchronously, without running the event
// loop), and a change that moves no pixel repaints nothing. Door animations rely on both.

#include <common/twips.h>

#include <QColor>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <vector>

class QPainter;
class QWidget;
class WindowlessControl;

// A child of its host named "surface", so that it is found like the host's child widgets.
class WindowlessLayer : public QObject {
    Q_OBJECT
public:
    explicit WindowlessLayer(QWidget *host);

    // Paints the controls that meet `exposed`, back to front.
    void paint(QPainter &painter, const QRect &exposed) const;
    // The front-most visible control under a pixel, or nullptr. With `mouseOnly`, controls that
    // do not take the mouse are passed over, as presses pass through them.
    WindowlessControl *controlAt(QPoint px, bool mouseOnly = false) const;
    // The control given that name, or nullptr.
    WindowlessControl *control(const QString &name) const;

private:
    friend class WindowlessControl;
    void add(WindowlessControl *c) { controls_.push_back(c); }
    void remove(WindowlessControl *c);
    void changed(const QRect &before, const QRect &after);

    QWidget *host_;
    // Creation order: a control created earlier lies in front of one created later.
    std::vector<WindowlessControl *> controls_;
};

class WindowlessControl {
public:
    WindowlessControl(WindowlessLayer &layer, const twips::Rect &rect, bool visible = true);
    virtual ~WindowlessControl();
    WindowlessControl(const WindowlessControl &) = delete;
    WindowlessControl &operator=(const WindowlessControl &) = delete;

    float leftTwips() const { return rect_.left; }
    float topTwips() const { return rect_.top; }
    float widthTwips() const { return rect_.width; }
    float heightTwips() const { return rect_.height; }
    const twips::Rect &rect() const { return rect_; }

    void setLeftTwips(float v);
    void setTopTwips(float v);
    void setWidthTwips(float v);
    void setHeightTwips(float v);
    void moveTwips(float left, float top, float width, float height);

    bool isVisible() const { return visible_; }
    void setVisible(bool v);

    // Controls that take the mouse swallow presses; the others let them reach the host.
    bool takesMouse() const { return takesMouse_; }
    void setTakesMouse(bool v) { takesMouse_ = v; }

    QRect pixelRect() const { return twips::toPixels(rect_); }

    // Named like a child widget (objectName), after the control it is.
    const QString &name() const { return name_; }
    void setName(const QString &name) { name_ = name; }

protected:
    friend class WindowlessLayer;
    virtual void paint(QPainter &painter) const = 0;
    // Changes the geometry and repaints what changed on screen.
    void setRect(const twips::Rect &r);
    void repaintSelf();

private:
    WindowlessLayer &layer_;
    twips::Rect rect_;
    bool visible_;
    bool takesMouse_ = false;
    QString name_;
};

// An image control: a picture either stretched to the control or shown at its natural size
// (then the control takes the picture's size).
class ImageControl : public WindowlessControl {
public:
    ImageControl(WindowlessLayer &layer, const twips::Rect &rect, bool stretch,
                 bool visible = true);

    const QImage &image() const { return picture_; }
    void setPicture(const QImage &picture);

protected:
    void paint(QPainter &painter) const override;

private:
    QImage picture_;
    bool stretch_;
};

// A rectangle shape: solid fill inside a one-pixel outline.
class ShapeControl : public WindowlessControl {
public:
    ShapeControl(WindowlessLayer &layer, const twips::Rect &rect, QColor fill, QColor border);

protected:
    void paint(QPainter &painter) const override;

private:
    QColor fill_;
    QColor border_;
};
