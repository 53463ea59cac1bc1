#pragma once

// The main window: the bus seen from the side. It is the start-up window; its load handler
// reads the settings and sets up the control panel, shown as soon as the bus is on screen, and
// closing it saves the settings and ends the program.

#include <app/services.h>
#include <common/windowless.h>
#include <settings/inifile.h>

#include <QPixmap>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class Doors;
class PanelDoorView;
class QAction;
class WavePlayer;
class QMenu;
class Signboard;
class SignRolls;
class frmSet;

class Form1 : public QWidget {
    Q_OBJECT
public:
    // Runs the load handler: settings, control panel, caption. Show the window afterwards.
    // `settingsPlace` is where the settings are read now and saved at exit; by default the
    // place chosen for the executable in `services`.
    explicit Form1(Services services, std::optional<IniPlace> settingsPlace = std::nullopt);
    ~Form1() override;

    // Outer-frame geometry in screen twips.
    float Left() const;
    float Top() const;
    float Height() const;
    void setLeft(float v);
    void setTop(float v);

    // The control panel.
    frmSet &panel();

    void Load方向幕(std::int16_t Index);

public slots:
    // What the control panel's controls do.
    void Check1_Click();
    void Check2_Click();
    void MnuHelpVer_Click();
    void HScroll1_Change();
    void HScroll2_Change();
    void SaveIni();
    void LoadIni();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void Form_Load();
    void Form_MouseDown(int Button);
    void Form_Unload();
    // Opens MnuTempMenu1 at the pointer, for the background and the signboard alike.
    void showPopupMenu();
    // Applies a settings file's values in order; false at the first that cannot be applied.
    bool applySettings(const IniValues &values);
    // Default layout used when the settings cannot be read.
    void recoverDefaults();
    // With no settings file at all: the sample roll in the sign windows and a sample board.
    void showSamples();
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
    // Windowless controls, drawn on the window's own surface and named after themselves.
    WindowlessLayer surface_{this};
    std::unique_ptr<ImageControl> Image1_1;
    std::unique_ptr<ImageControl> Image1_2;
    std::array<std::unique_ptr<ImageControl>, 2> imgNakaorido;

    QMenu *MnuTempMenu1;
    QAction *MnuViewKanban;
    QAction *MnuViewWaku;
    QAction *MnuSetKanban;
    QAction *MnuKanbanReset;

    // Declared after the surface: they own controls drawn on it.
    std::unique_ptr<SignRolls> signs_;
    std::unique_ptr<Signboard> signboard_;
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
