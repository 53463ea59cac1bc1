#pragma once

// The destination-sign windows and their rolls. Each sign window clips its roll, one tall
// picture holding every destination; Up and Down wind the roll by the step set on the control
// panel, and a double-click loads another roll picture.

#include <common/picturebox.h>
#include <common/windowless.h>

#include <QObject>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class FileDialog;
class MessageBox;

namespace signs {
// The roll's top after one key press: `step` nearer the top for Up, farther for Down. Offsets
// are 32-bit; winding past the range stops at its end instead of wrapping.
std::int32_t wound(std::int32_t offset, int step, bool up);
} // namespace signs

class SignRolls : public QObject {
    Q_OBJECT
public:
    // The sign windows are children of `form`, named "signWindow_0" and "signWindow_1". `step(i)`
    // reads the control panel's step for sign window i at the moment of each key press.
    SignRolls(QWidget *form, FileDialog &dialog, MessageBox &messageBox,
              std::function<int(std::int16_t)> step);
    ~SignRolls() override;

    // Full path of the file roll i was last loaded from (or chosen for); empty at start. The
    // settings file keeps it.
    const QString &rollPath(std::int16_t sign) const { return paths_.at(sign); }
    void setRollPath(std::int16_t sign, const QString &path) { paths_.at(sign) = path; }

    // Puts a picture into roll i without touching its offset (the settings loader does this).
    // Returns the failure's description, empty on success.
    QString loadRollPicture(std::int16_t sign, const QString &path);

    // Sign window i, for the main window's stacking and tab order.
    QWidget *window(std::int16_t sign) const { return signWindows_.at(sign); }

    // Asks for a roll picture and loads it into roll i.
    void loadRoll(std::int16_t sign);

private:
    // What loadRoll does with the file chosen in the dialog; a file dropped on sign window
    // `sign` comes here too.
    void loadChosenRoll(std::int16_t sign, const QString &path);
    void focusSignWindow(std::int16_t sign);
    void signWindowDoubleClicked(std::int16_t sign);
    void windRoll(std::int16_t sign, int key);

    QWidget *form_;
    FileDialog &dialog_;
    MessageBox &messageBox_;
    std::function<int(std::int16_t)> step_;
    std::array<PictureBox *, 2> signWindows_{};
    std::array<std::unique_ptr<ImageControl>, 2> rolls_;
    // Top of roll i inside sign window i, in twips; never saved.
    std::array<std::int32_t, 2> rollTops_{};
    std::array<QString, 2> paths_;
};
