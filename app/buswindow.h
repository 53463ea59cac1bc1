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

    // The control panel.
    ControlPanel &panel();

    // Writes the settings file; the program's end and the session's checkpoints call it.
    void saveSettings();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Outer-frame geometry in screen twips.
    float leftTwips() const;
    float topTwips() const;
    float heightTwips() const;
    void setLeftTwips(float v);
    void setTopTwips(float v);
    // Opens popupMenu_ at the pointer, for the background and the signboard alike.
    void showPopupMenu();
    void showAbout();
    // Keeps the model as the panel, the sign rolls and the signboard report it, and tells the
    // doors and the rolls what they need of it.
    void connectModel();
    // Reads the settings file into the model and shows it, or recovers.
    void loadSettings();
    // Applies the model, as read from a settings file, to the windows in order; false at the
    // first value that cannot be applied.
    bool applySettings();
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
    // The model: what the windows show and the settings file keeps.
    Settings settings_;
    QPixmap background_;
    // Windowless controls, drawn on the window's own surface and named after themselves.
    WindowlessLayer surface_{this};
    std::unique_ptr<ImageControl> frontDoor_;
    std::array<std::unique_ptr<ImageControl>, 2> centreLeaves_;

    QMenu *popupMenu_;

    // Declared after the surface: they own controls drawn on it.
    std::unique_ptr<SignRolls> signs_;
    std::unique_ptr<Signboard> signboard_;
    std::unique_ptr<WavePlayer> wave_;
    bool soundPrepared_ = false;
    bool panelShown_ = false;
    std::unique_ptr<Doors> doors_;
    std::unique_ptr<ControlPanel> panel_;
    // The panel was placed right below this window before the window manager framed it.
    bool panelBelowFrame_ = false;
    bool unloaded_ = false;
};
