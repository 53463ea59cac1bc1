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
class frmSet : public QWidget {
    Q_OBJECT
public:
    frmSet();

    // Outer-frame position in screen twips.
    float Left() const;
    float Top() const;
    void setLeft(float v);
    void setTop(float v);

    // Values as the rest of the program reads them.
    int check1Value() const;
    int check2Value() const;
    bool option1Value(int index) const;
    void setOption1(int index);
    enum class Bar { HScroll1, HScroll2, Step0, Step1 };
    int value(Bar bar) const;
    // False, and nothing changes, when `v` lies outside the bar's range.
    bool setValue(Bar bar, int v);

signals:
    // What the user did.
    void check1Clicked();
    void check2Clicked();
    void command3Clicked();
    void hScroll1Changed(int value);
    void hScroll2Changed(int value);

public slots:
    // What the door speed displays show.
    void showMaeSpeed(int value);
    void showNakaSpeed(int value);

protected:
    // The panel stays for the whole run: a close command that reaches it is ignored.
    void closeEvent(QCloseEvent *event) override;

private:
    void Check2_Click();
    void scllMakuSpeed_Change(std::int16_t Index);
    QScrollBar *bar(Bar which) const;

    QFrame *FrameA;
    QPushButton *Check1;
    QScrollBar *HScroll1;
    QLabel *lblMaeSpeed;
    QPushButton *Check2;
    QScrollBar *HScroll2;
    QLabel *lblNakaSpeed;
    QGroupBox *Frame2;
    std::array<QRadioButton *, 3> Option1{};
    QLabel *Label1;
    std::array<QLabel *, 2> Label2{};
    std::array<QScrollBar *, 2> scllMakuSpeed{};
    std::array<QLabel *, 2> lblMakuSpeed{};
    QPushButton *Command3;
};
