#pragma once

// The main window: the bus seen from the side. It is the start-up window; its load handler
// reads the settings and sets up the control panel, shown as soon as the bus is on screen, and
// closing it saves the settings and ends the program.

#include <app/services.h>
#include <common/mainwindowprocedures.h>
#include <common/windowless.h>
#include <settings/inifile.h>

#include <QPixmap>
#include <QWidget>
#include <array>
#include <memory>

class Doors;
class PanelDoorView;
class QAction;
class WavePlayer;
class QMenu;
class Signboard;
class SignRolls;
class frmSet;

class Form1 : public QWidget, public MainWindowProcedures {
    Q_OBJECT
public:
    // Runs the load handler: settings, control panel, caption. Show the window afterwards.
    // `settingsPlace` is where the settings are read now and saved at exit.
    explicit Form1(Services services,
                   IniPlace settingsPlace = chooseIniPlace(currentIniPlaceInputs()));
    ~Form1() override;

    // Outer-frame geometry in screen twips.
    float Left() const;
    float Top() const;
    float Height() const;
    void setLeft(float v);
    void setTop(float v);

    // The control panel, created on first use.
    frmSet &panel();

    // Public procedures, in the order the control panel knows them.
    void Check1_Click() override;
    void Check2_Click() override;
    void MnuHelpVer_Click() override;
    void HScroll1_Change() override;
    void HScroll2_Change() override;
    void SaveIni() override;
    void LoadIni() override;
    void Load方向幕(std::int16_t Index) override;

    void Form_Load();
    void Form_MouseDown(int Button, int Shift, float X, float Y);
    void Form_Unload(int &Cancel);

    WindowlessLayer &surface() { return surface_; }

    // Windowless controls, drawn on the window's own surface.
    std::array<ImageControl *, 2> imgNakaorido{};
    // `Image1` has members 1 and 2 only.
    ImageControl *Image1(int index) const;

    QMenu *MnuTempMenu1;
    QAction *MnuViewKanban;
    QAction *MnuViewWaku;
    QAction *MnuSetKanban;
    QAction *MnuBdr1;
    QAction *MnuKanbanReset;

    SignRolls &signs() { return *signs_; }
    Signboard &kanban() { return *kanban_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Opens MnuTempMenu1 at the pointer, for the background and the signboard alike.
    void showPopupMenu();
    // Applies a settings file's values in order; false at the first that cannot be applied.
    bool applySettings(const IniValues &values);
    // Default layout used when the settings cannot be read.
    void recoverDefaults();
    // Where the recovery puts the windows: the main window at the top-left of the primary
    // screen's available area, the panel right below its frame at the left edge.
    void placeHome();
    void placePanelHome();
    // Puts a window whose title bar shows on no connected screen where the recovery would.
    void keepWindowsReachable();
    void placePanelBelow();
    void showPanel();

    Services services_;
    IniPlace settingsPlace_;
    QPixmap background_;
    WindowlessLayer surface_{this};
    std::unique_ptr<ImageControl> image1_1_;
    std::unique_ptr<ImageControl> image1_2_;
    std::array<std::unique_ptr<ImageControl>, 2> nakaorido_;
    // Declared after the surface: they own controls drawn on it.
    std::unique_ptr<SignRolls> signs_;
    std::unique_ptr<Signboard> kanban_;
    std::unique_ptr<PanelDoorView> doorView_;
    std::unique_ptr<WavePlayer> wave_;
    bool soundPrepared_ = false;
    bool panelShown_ = false;
    std::unique_ptr<Doors> doors_;
    std::unique_ptr<frmSet> panel_;
    // The panel was placed right below this window before the window manager framed it.
    bool panelBelowFrame_ = false;
    bool unloaded_ = false;
};
