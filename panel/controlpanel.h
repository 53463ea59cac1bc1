#pragma once

// The control panel: a small floating tool window that carries the door switches and delays,
// the choice of centre-door leaves, the sign rolls' steps and the About button. It computes
// nothing itself: it shows the settings it is given and says through signals what changed.

#include <QWidget>
#include <array>

struct Settings;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;

// Every control is named after itself (objectName), so it can be found from outside.
class ControlPanel : public QWidget {
    Q_OBJECT
public:
    // Starts with the delays, steps and leaf choice of `shown`; its displays show a number only
    // once their bar's value changes.
    explicit ControlPanel(const Settings &shown);

    // Outer-frame position in screen twips.
    float leftTwips() const;
    float topTwips() const;
    void setLeftTwips(float v);
    void setTopTwips(float v);

    // Show a setting. False, and nothing changes, when the value lies outside the control's range;
    // a value that differs from the shown one is reported as changed.
    bool setFrontDoorDelay(int delay);
    bool setCentreDoorDelay(int delay);
    bool setRollStep(int sign, int step);
    // 0 both centre leaves, 1 the left, 2 the right.
    bool setLeafChoice(int choice);

signals:
    // A door switch was clicked: open the door, or close it.
    void frontDoorSwitched(bool open);
    void centreDoorSwitched(bool open);
    // A value changed, by the user or by a setter.
    void frontDoorDelayChanged(int delay);
    void centreDoorDelayChanged(int delay);
    void rollStepChanged(int sign, int step);
    void leafChoiceChanged(int choice);
    void aboutRequested();

protected:
    // The panel stays for the whole run: a close command that reaches it is ignored.
    void closeEvent(QCloseEvent *event) override;

private:
    void switchCentreDoor(bool open);

    QFrame *controlArea_;
    QPushButton *frontDoorSwitch_;
    QScrollBar *frontDoorDelay_;
    QLabel *frontDoorDelayDisplay_;
    QPushButton *centreDoorSwitch_;
    QScrollBar *centreDoorDelay_;
    QLabel *centreDoorDelayDisplay_;
    QGroupBox *leafChoice_;
    std::array<QRadioButton *, 3> leafOptions_{};
    QLabel *rollStepCaption_;
    std::array<QLabel *, 2> signMarks_{};
    std::array<QScrollBar *, 2> rollSteps_{};
    std::array<QLabel *, 2> rollStepDisplays_{};
    QPushButton *aboutButton_;
};
