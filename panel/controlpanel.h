#pragma once

// The control panel: a small floating tool window that carries the door switches and speeds,
// the choice of centre-door leaves, the sign rolls' steps and the About button. It computes
// nothing itself: it says what the user did with signals, and shows what it is given.

#include <QWidget>
#include <array>
#include <cstdint>

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
    ControlPanel();

    // Outer-frame position in screen twips.
    float leftTwips() const;
    float topTwips() const;
    void setLeftTwips(float v);
    void setTopTwips(float v);

    // Values as the rest of the program reads them.
    int frontDoorSwitchValue() const;
    int centreDoorSwitchValue() const;
    bool isLeafChoice(int index) const;
    void setLeafChoice(int index);
    enum class Bar { FrontDoorDelay, CentreDoorDelay, RollStep0, RollStep1 };
    int value(Bar bar) const;
    // False, and nothing changes, when `v` lies outside the bar's range.
    bool setValue(Bar bar, int v);

signals:
    // What the user did.
    void frontDoorSwitched();
    void centreDoorSwitched();
    void aboutRequested();
    void frontDoorDelayChanged(int value);
    void centreDoorDelayChanged(int value);
    void rollStepChanged(int sign, int step);

public slots:
    // What the door speed displays show.
    void showFrontDoorDelay(int value);
    void showCentreDoorDelay(int value);

protected:
    // The panel stays for the whole run: a close command that reaches it is ignored.
    void closeEvent(QCloseEvent *event) override;

private:
    void switchCentreDoor();
    void showRollStep(std::int16_t Index);
    QScrollBar *bar(Bar which) const;

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
