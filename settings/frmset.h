#pragma once

// The control panel: a small floating tool window that carries the door switches and speeds,
// the choice of centre-door leaves, the sign rolls' steps and the About button. It computes
// nothing itself; its handlers pass everything on to the main window's public procedures.

#include <QWidget>
#include <array>
#include <cstdint>

class MainWindowProcedures;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;

class frmSet : public QWidget {
    Q_OBJECT
public:
    explicit frmSet(MainWindowProcedures &main);

    // Outer-frame position in screen twips.
    float Left() const;
    float Top() const;
    void setLeft(float v);
    void setTop(float v);

    // Values as the rest of the program reads them.
    int check1Value() const;
    int check2Value() const;
    bool option1Value(int index) const;

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

    void Check1_Click();
    void Check2_Click();
    void Command3_Click();
    void HScroll1_Change();
    void HScroll2_Change();
    void scllMakuSpeed_Change(std::int16_t Index);

protected:
    // The panel stays for the whole run: a close command that reaches it is ignored.
    void closeEvent(QCloseEvent *event) override;

private:
    MainWindowProcedures &main_;
};
