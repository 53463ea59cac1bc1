#pragma once

// The signboard: a movable picture panel below the rear windows, framed on three sides by bars
// drawn on the main window's surface. It is shown, hidden, given a picture and reset from the
// popup menu, dragged with the left button, and its frame re-fitted with a double-click.

#include <common/picturebox.h>
#include <common/windowless.h>

#include <QList>
#include <QObject>
#include <QPoint>
#include <array>
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
    // The board is a child window of `busWindow`; its frame's bars are drawn on `surface`, the
    // bus window's windowless layer.
    Signboard(QWidget *busWindow, WindowlessLayer &surface, FileDialog &dialog);

    // The board's own window, named "signboard".
    SignboardBox *board() const { return board_; }

    // The popup menu's items, in menu order: show the board, show the frame, choose a picture,
    // a separator and the reset. The bus window's popup menu carries them.
    QList<QAction *> menuActions() const;

    // Shows or hides the board and its frame, with the menu items' check marks.
    void setShown(bool board, bool frame);
    // Moves the board, keeping its size; the frame follows as it does when the board is dragged.
    void moveTo(float left, float top);

    // Loads the signboard's picture from a path (the empty path gives no picture).
    // Returns the failure's description, empty on success.
    QString loadPicture(const QString &path);

    // Fits the frame around the board again.
    void fitFrameToSignboard() { placeFrame(true); }
    // No picture, the board back in its place at its first size, the frame around it.
    void resetSignboard();

signals:
    // A right-button press on the board: the popup menu is wanted at the pointer.
    void popupMenuRequested();
    // The user gave the board a picture, from the menu or by a drop, and it loaded.
    void pictureChosen(const QString &path);
    // The user showed or hid the board or its frame.
    void shownChanged(bool board, bool frame);

private:
    void toggleSignboard();
    void toggleFrame();
    void chooseSignboardPicture();
    void signboardPressed(Qt::MouseButton button);
    // What chooseSignboardPicture does with the chosen file; a file dropped on the signboard comes
    // here too.
    void loadChosenPicture(const QString &path);
    // Puts the bars at the board's sides and under it. The side bars reach below the board
    // when `fitSides`, and otherwise keep their height (the board only moved or grew).
    void placeFrame(bool fitSides);

    QWidget *busWindow_;
    FileDialog &dialog_;
    QAction *showSignboardAction_;
    QAction *showFrameAction_;
    QAction *chooseSignboardPictureAction_;
    QAction *separator_;
    QAction *resetSignboardAction_;
    SignboardBox *board_;
    // On the bus window's surface, named "signboardFrame_0" to "signboardFrame_2": left, right,
    // bottom.
    std::array<std::unique_ptr<ShapeControl>, 3> frame_;
};
