#pragma once

// The main window: the bus seen from the side. It is the start-up window; its load handler
// reads the settings and sets up the control panel, shown as soon as the bus is on screen, and
// closing it saves the settings and ends the program.

#include <app/services.h>
#include <common/windowless.h>
#include <settings/settingsfile.h>

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
class ControlPanel;

class BusWindow : public QWidget {
    Q_OBJECT
public:
    // Runs the load handler: settings, control panel, caption. Show the window afterwards.
    // `settingsPlace` is where the settings are read now and saved at exit; by default the
    // place chosen for the executable in `services`.
    explicit BusWindow(Services services,
                       std::optional<SettingsPlace> settingsPlace = std::nullopt);
    ~BusWindow() override;

    // Outer-frame geometry in screen twips.
    float leftTwips() const;
    float topTwips() const;
    float heightTwips() const;
    void setLeftTwips(float v);
    void setTopTwips(float v);

    // The control panel.
    ControlPanel &panel();

public slots:
    // What the control panel's controls do.
    void switchFrontDoor();
    void switchCentreDoor();
    void showAbout();
    void showFrontDoorDelay();
    void showCentreDoorDelay();
    void saveSettings();
    void loadSettings();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Opens popupMenu_ at the pointer, for the background and the signboard alike.
    void showPopupMenu();
    // Applies a settings file's values in order; false at the first that cannot be applied.
    bool applySettings(const Settings &values);
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
    SettingsPlace settingsPlace_;
    QPixmap background_;
    // Windowless controls, drawn on the window's own surface and named after themselves.
    WindowlessLayer surface_{this};
    std::unique_ptr<ImageControl> frontDoor_;
    std::array<std::unique_ptr<ImageControl>, 2> centreLeaves_;

    QMenu *popupMenu_;
    // What the user chose for the sign rolls and the signboard, as the settings file keeps it.
    std::array<QString, 2> rollPaths_;
    QString signboardPath_;
    bool signboardShown_ = true;
    bool frameShown_ = true;

    // Declared after the surface: they own controls drawn on it.
    std::unique_ptr<SignRolls> signs_;
    std::unique_ptr<Signboard> signboard_;
    std::unique_ptr<PanelDoorView> doorView_;
    std::unique_ptr<WavePlayer> wave_;
    bool soundPrepared_ = false;
    bool panelShown_ = false;
    std::unique_ptr<Doors> doors_;
    std::unique_ptr<ControlPanel> panel_;
    // The panel was placed right below this window before the window manager framed it.
    bool panelBelowFrame_ = false;
    bool unloaded_ = false;
};
