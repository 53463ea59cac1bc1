#pragma once

// The destination-sign windows and their rolls. Each sign window clips its roll, one tall
// picture holding every destination; Up and Down wind the roll by the step set on the control
// panel, and a double-click or a dropped file loads another roll picture.

#include <common/picturebox.h>
#include <common/windowless.h>

#include <QObject>
#include <array>
#include <cstdint>
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
    // The sign windows are children of `busWindow`, named "signWindow_0" and "signWindow_1".
    SignRolls(QWidget *busWindow, FileDialog &dialog, MessageBox &messageBox);
    ~SignRolls() override;

    // Puts a picture into roll `sign` without touching its offset, as applying the settings
    // does. Returns the failure's description, empty on success.
    QString loadRollPicture(int sign, const QString &path);

    // How far one press of Up or Down winds roll `sign`, in twips; 0 until set.
    void setRollStep(int sign, int step) { rollSteps_.at(sign) = step; }

    // Sign window `sign`, for the bus window's stacking and tab order.
    QWidget *signWindow(int sign) const { return signWindows_.at(sign); }

signals:
    // The user chose or dropped a roll picture for sign window `sign`. Said before the picture
    // is read, so that a file that cannot be shown is still remembered and tried at the next
    // start.
    void rollChosen(int sign, const QString &path);

private:
    // Asks for a roll picture and loads it into roll `sign`.
    void loadRoll(int sign);
    // What loadRoll does with the file chosen in the dialog; a file dropped on sign window
    // `sign` comes here too.
    void loadChosenRoll(int sign, const QString &path);
    void windRoll(int sign, int key);

    QWidget *busWindow_;
    FileDialog &dialog_;
    MessageBox &messageBox_;
    std::array<PictureBox *, 2> signWindows_{};
    std::array<std::unique_ptr<ImageControl>, 2> rolls_;
    std::array<int, 2> rollSteps_{};
    // Top of roll i inside sign window i, in twips; never saved.
    std::array<std::int32_t, 2> rollTops_{};
};
