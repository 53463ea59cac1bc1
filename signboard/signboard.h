#pragma once

// The signboard: a movable picture panel below the rear windows, framed on three sides by bars
// drawn on the main window's surface. It is shown, hidden, given a picture and reset from the
// popup menu, dragged with the left button, and its frame re-fitted with a double-click.

#include <common/picturebox.h>
#include <common/windowless.h>

#include <QObject>
#include <QPoint>
#include <array>
#include <functional>
#include <memory>

class FileDialog;
class QAction;

// The signboard's own window: it follows the pointer while a left-button drag lasts.
class SignboardBox : public PictureBox {
    Q_OBJECT
public:
    SignboardBox(QWidget *parent, const twips::Rect &home);
    void beginDrag();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool dragging_ = false;
    QPoint pressGlobal_;
    QPoint lastPressGlobal_;
    float startLeft_ = 0;
    float startTop_ = 0;
};

class Signboard : public QObject {
    Q_OBJECT
public:
    // The bars are created on `surface`, the main window's windowless layer. `popup` opens the
    // main window's popup menu at the pointer.
    Signboard(QWidget *form, WindowlessLayer &surface, QAction &viewKanban, QAction &viewWaku,
              FileDialog &dialog, std::function<void()> popup);

    // The board's own window, named "signboard".
    SignboardBox *window() const { return board_; }

    // Shows or hides the board and its frame, with the menu items' check marks.
    void setShown(bool board, bool frame);
    // Moves the board, keeping its size; the frame follows as it does when the board is dragged.
    void moveTo(float left, float top);

    // Loads the signboard's picture from a path (the empty path gives no picture).
    // Returns the failure's description, empty on success.
    QString loadPicture(const QString &path);

    // Full path of the file the picture was last chosen from; a reset keeps it. The settings
    // file keeps it.
    const QString &picturePath() const { return picturePath_; }
    void setPicturePath(const QString &path) { picturePath_ = path; }

public slots:
    // Fits the frame around the board again.
    void fitFrameToSignboard() { placeFrame(true); }
    // The popup menu's items.
    void toggleSignboard();
    void toggleFrame();
    void chooseSignboardPicture();
    void resetSignboard();

private:
    void signboardPressed(Qt::MouseButton button);
    // What chooseSignboardPicture does with the chosen file; a file dropped on the signboard comes
    // here too.
    void loadChosenPicture(const QString &path);
    // Puts the bars at the board's sides and under it. The side bars reach below the board
    // when `fitSides`, and otherwise keep their height (the board only moved or grew).
    void placeFrame(bool fitSides);

    QWidget *form_;
    FileDialog &dialog_;
    std::function<void()> popup_;
    QAction &showSignboardAction;
    QAction &showFrameAction;
    SignboardBox *board_;
    // On the main window's surface, named "signboardFrame_0" to "signboardFrame_2": left, right,
    // bottom.
    std::array<std::unique_ptr<ShapeControl>, 3> frame_;
    QString picturePath_;
};
