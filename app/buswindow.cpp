#include <app/buswindow.h>

#include <about/aboutdialog.h>
#include <common/executable.h>
#include <common/layout.h>
#include <common/onscreen.h>
#include <common/picturebox.h>
#include <common/toplevel.h>
#include <doors/doors.h>
#include <doors/waveplayer.h>
#include <panel/controlpanel.h>
#include <platform/popupmenu.h>
#include <platform/sound/soundplayer.h>
#include <platform/topmost.h>
#include <resources/resources.h>
#include <settings/settingsfile.h>
#include <signboard/signboard.h>
#include <signs/signrolls.h>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <cstdio>

namespace {

// Shown on a first start, from the samples beside the program: a roll, whose first
// destination is in view at its top, and the one-man board a route bus carries.
constexpr QLatin1StringView kSampleRoll("roll.bmp");
constexpr QLatin1StringView kSampleBoard("wanman.bmp");

// Until the window manager has framed the main window its frame height is unknown; look again
// after these delays (milliseconds) and keep the panel right below the frame.
constexpr std::array<int, 3> kFrameChecks{50, 250, 1000};

// The sound device is opened this long (milliseconds) after the first paint: the start is over
// and the windows are up, and no hand reaches a door switch this soon.
constexpr int kSoundWarmUpDelay = 100;

// The control panel is shown right after the main window's first paint, so that the bus is not
// kept waiting for the panel's fonts and controls; at the latest this long (milliseconds) after
// the main window is shown.
constexpr int kPanelAtTheLatest = 100;

QString captionPrefix()
{
    return QStringLiteral("ソルベナ　-　");
}

QRect primaryAvailableArea()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QString &rollPathIn(Settings &settings, int sign)
{
    return sign == 0 ? settings.rollPath0 : settings.rollPath1;
}
int &rollStepIn(Settings &settings, int sign)
{
    return sign == 0 ? settings.rollStep0 : settings.rollStep1;
}

} // namespace

BusWindow::BusWindow(Services services, std::optional<SettingsPlace> settingsPlace)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      services_(std::move(services)),
      settingsPlace_(settingsPlace
                         ? std::move(*settingsPlace)
                         : chooseSettingsPlace(currentSettingsPlaceInputs(services_.executable)))
{
    setObjectName(QStringLiteral("busWindow"));
    // From a pixmap, not a file name: for a file QIcon first searches Qt's icon-engine plugins.
    // The icon holds one picture, so both give the same icon.
    setWindowIcon(QIcon(QPixmap(QString::fromLatin1(res::kIcon))));
    toplevel::setClientSize(this, layout::kClientWidthTwips, layout::kClientHeightTwips);
    setAttribute(Qt::WA_OpaquePaintEvent);
    background_ = QPixmap(QString::fromLatin1(res::kBus));

    // Windowless controls in the order of the layout: one made earlier lies in front.
    centreLeaves_[1] = std::make_unique<ImageControl>(surface_, layout::kCentreRightLeaf, true);
    centreLeaves_[0] = std::make_unique<ImageControl>(surface_, layout::kCentreLeftLeaf, true);
    frontDoor_ = std::make_unique<ImageControl>(surface_, layout::kFrontDoor, true);
    centreLeaves_[0]->setPicture(QImage(QString::fromLatin1(res::kCentreLeftLeaf)));
    centreLeaves_[1]->setPicture(QImage(QString::fromLatin1(res::kCentreRightLeaf)));
    frontDoor_->setPicture(QImage(QString::fromLatin1(res::kFrontDoor)));
    for (int i = 0; i < 2; ++i) {
        centreLeaves_[i]->setName(QStringLiteral("centreLeaf_%1").arg(i));
        centreLeaves_[i]->setTakesMouse(true);
    }
    frontDoor_->setName(QStringLiteral("frontDoor"));
    frontDoor_->setTakesMouse(true);

    signs_ = std::make_unique<SignRolls>(this, services_.fileDialog, services_.messageBox);
    signboard_ = std::make_unique<Signboard>(this, surface_, services_.fileDialog);
    connect(signboard_.get(), &Signboard::popupMenuRequested, this, &BusWindow::showPopupMenu);
    popupMenu_ = new LeftButtonMenu(QStringLiteral("popupMenu"), this);
    popupMenu_->setObjectName(QStringLiteral("popupMenu"));
    popupMenu_->addActions(signboard_->menuActions());

    wave_ = std::make_unique<WavePlayer>(services_.sound);
    doors_ = std::make_unique<Doors>(*frontDoor_, *centreLeaves_[0], *centreLeaves_[1], *wave_);

    // Picture boxes in front of one another as in the layout: the sign windows over the board.
    signboard_->board()->raise();
    signs_->signWindow(1)->raise();
    signs_->signWindow(0)->raise();
    setTabOrder(signboard_->board(), signs_->signWindow(1));
    setTabOrder(signs_->signWindow(1), signs_->signWindow(0));

    panel_ = std::make_unique<ControlPanel>(settings_);
    connectModel();
    loadSettings();
    setWindowTitle(captionPrefix() + services_.executable.baseName);
}

BusWindow::~BusWindow() = default;

float BusWindow::leftTwips() const
{
    return toplevel::frameLeft(this);
}
float BusWindow::topTwips() const
{
    return toplevel::frameTop(this);
}
float BusWindow::heightTwips() const
{
    return toplevel::frameHeight(this);
}
void BusWindow::setLeftTwips(float v)
{
    toplevel::moveFrame(this, v, topTwips());
}
void BusWindow::setTopTwips(float v)
{
    toplevel::moveFrame(this, leftTwips(), v);
}

ControlPanel &BusWindow::panel()
{
    return *panel_;
}

void BusWindow::showPopupMenu()
{
    services_.popupMenu.popup(*popupMenu_, QCursor::pos());
}

void BusWindow::connectModel()
{
    // The doors and the rolls start with what the panel starts with.
    doors_->setFrontDoorDelay(settings_.frontDoorDelay);
    doors_->setCentreDoorDelay(settings_.centreDoorDelay);
    doors_->setLeafChoice(settings_.leafChoice);
    for (int i = 0; i < 2; ++i)
        signs_->setRollStep(i, rollStepIn(settings_, i));

    // Direct connections: a value changed in the closing sound's event pass reaches a door
    // movement before its next step.
    ControlPanel *panel = panel_.get();
    connect(panel, &ControlPanel::frontDoorSwitched, this,
            [this](bool open) { doors_->switchFrontDoor(open); });
    connect(panel, &ControlPanel::centreDoorSwitched, this,
            [this](bool open) { doors_->switchCentreDoor(open); });
    connect(panel, &ControlPanel::aboutRequested, this, &BusWindow::showAbout);
    connect(panel, &ControlPanel::frontDoorDelayChanged, this, [this](int delay) {
        settings_.frontDoorDelay = delay;
        doors_->setFrontDoorDelay(delay);
    });
    connect(panel, &ControlPanel::centreDoorDelayChanged, this, [this](int delay) {
        settings_.centreDoorDelay = delay;
        doors_->setCentreDoorDelay(delay);
    });
    connect(panel, &ControlPanel::leafChoiceChanged, this, [this](int choice) {
        settings_.leafChoice = choice;
        doors_->setLeafChoice(choice);
    });
    connect(panel, &ControlPanel::rollStepChanged, this, [this](int sign, int step) {
        rollStepIn(settings_, sign) = step;
        signs_->setRollStep(sign, step);
    });
    connect(signs_.get(), &SignRolls::rollChosen, this,
            [this](int sign, const QString &path) { rollPathIn(settings_, sign) = path; });
    connect(signboard_.get(), &Signboard::pictureChosen, this,
            [this](const QString &path) { settings_.signboardPath = path; });
    connect(signboard_.get(), &Signboard::shownChanged, this, [this](bool board, bool frame) {
        settings_.signboardShown = board;
        settings_.frameShown = frame;
    });
}

void BusWindow::showAbout()
{
    showAboutDialog(services_.messageBox, services_.urlOpener, services_.makerLibrary,
                    services_.executable.baseName);
}

void BusWindow::saveSettings()
{
    // Positions are the windows' own, not the model's: the window manager moves and frames the
    // windows and the user drags the signboard, so they are taken from the windows here.
    settings_.busWindowLeft = leftTwips();
    settings_.busWindowTop = topTwips();
    settings_.panelLeft = panel_->leftTwips();
    settings_.panelTop = panel_->topTwips();
    settings_.signboardLeft = signboard_->board()->leftTwips();
    settings_.signboardTop = signboard_->board()->topTwips();
    QString error;
    // The program ends in any case; the user learns why the settings were not kept.
    if (!writeSettingsFile(settingsPlace_.savePath, formatSettingsLine(settings_), &error))
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
}

void BusWindow::loadSettings()
{
    Settings read;
    QByteArray bytes;
    int count = 0;
    const bool firstStart = settingsFileAbsent(settingsPlace_.readPath);
    if (readSettingsFile(settingsPlace_.readPath, &bytes))
        count = readSettings(bytes, &read);
    if (count == kSettingsFieldCount) {
        settings_ = read;
    } else {
        // The paths keep whatever was read of them; nothing else of a short file is applied.
        if (count >= 5)
            settings_.rollPath0 = read.rollPath0;
        if (count >= 6)
            settings_.rollPath1 = read.rollPath1;
        if (count >= 9)
            settings_.signboardPath = read.signboardPath;
    }
    // A failure part-way keeps what was applied before it; the recovery sets the rest.
    if (count < kSettingsFieldCount || !applySettings())
        recoverDefaults();
    if (firstStart)
        showSamples();
    keepWindowsReachable();
}

void BusWindow::showSamples()
{
    const QString folder = executable::samplesFolder(services_.executable.folder);
    // Each kept as a chosen picture is, so the next start finds it in the settings file; a
    // sample that is missing or cannot be read leaves its picture empty.
    const QString roll = executable::pathInFolder(folder, kSampleRoll);
    for (int i = 0; i < 2; ++i)
        if (signs_->loadRollPicture(i, roll).isEmpty())
            rollPathIn(settings_, i) = roll;
    const QString board = executable::pathInFolder(folder, kSampleBoard);
    if (signboard_->loadPicture(board).isEmpty()) {
        settings_.signboardPath = board;
        signboard_->fitFrameToSignboard();
    }
}

bool BusWindow::applySettings()
{
    const Settings &v = settings_;
    setLeftTwips(v.busWindowLeft);
    setTopTwips(v.busWindowTop);
    panel_->setLeftTwips(v.panelLeft);
    panel_->setTopTwips(v.panelTop);
    signboard_->setShown(v.signboardShown, v.frameShown);
    signboard_->moveTo(v.signboardLeft, v.signboardTop);
    if (!signboard_->loadPicture(v.signboardPath).isEmpty())
        return false;
    signboard_->fitFrameToSignboard();
    // The panel refuses a value outside its range; the values it takes come back through its
    // change signals, to the model they came from and on to the doors and the rolls.
    if (!panel_->setFrontDoorDelay(v.frontDoorDelay) ||
        !panel_->setCentreDoorDelay(v.centreDoorDelay) || !panel_->setRollStep(0, v.rollStep0) ||
        !panel_->setRollStep(1, v.rollStep1))
        return false;
    for (int i = 0; i < 2; ++i)
        if (!signs_->loadRollPicture(i, rollPathIn(settings_, i)).isEmpty())
            return false;
    return panel_->setLeafChoice(v.leafChoice);
}

void BusWindow::recoverDefaults()
{
    placeHome();
    placePanelHome();
    signboard_->resetSignboard();
    // Values a failed file left in the model and the panel refused are replaced here.
    settings_.frontDoorDelay = kRecoveredDoorDelays.front;
    settings_.centreDoorDelay = kRecoveredDoorDelays.centre;
    settings_.rollStep0 = settings_.rollStep1 = kRecoveredRollStep;
    settings_.leafChoice = kRecoveredLeafChoice;
    panel_->setFrontDoorDelay(settings_.frontDoorDelay);
    panel_->setCentreDoorDelay(settings_.centreDoorDelay);
    panel_->setRollStep(0, settings_.rollStep0);
    panel_->setRollStep(1, settings_.rollStep1);
    panel_->setLeafChoice(settings_.leafChoice);
}

void BusWindow::placeHome()
{
    const QRect home = primaryAvailableArea();
    toplevel::moveFrame(this, twips::fromPixels(home.left()), twips::fromPixels(home.top()));
}

void BusWindow::placePanelHome()
{
    const QRect home = primaryAvailableArea();
    panel().setLeftTwips(twips::fromPixels(home.left()));
    panel().setTopTwips(twips::fromPixels(home.top()) + heightTwips());
    panelBelowFrame_ = true;
}

void BusWindow::keepWindowsReachable()
{
    QList<QRect> available;
    for (const QScreen *screen : QGuiApplication::screens())
        available.append(screen->availableGeometry());
    // Each window on its own: the other keeps the place it was given.
    if (!onscreen::titleBarReachable(frameGeometry(), available))
        placeHome();
    if (!onscreen::titleBarReachable(panel().frameGeometry(), available))
        placePanelHome();
}

void BusWindow::placePanelBelow()
{
    if (!panelBelowFrame_)
        return;
    const float below = twips::fromPixels(primaryAvailableArea().top()) + heightTwips();
    if (panel_->topTwips() != below)
        panel_->setTopTwips(below);
}

void BusWindow::showPanel()
{
    if (panelShown_ || unloaded_)
        return;
    panelShown_ = true;
    // The bus was shown first and keeps the focus, as when the panel came up before it.
    panel().setAttribute(Qt::WA_ShowWithoutActivating);
    platform::showTopmost(&panel());
}

void BusWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The panel follows the bus's first paint; should no paint come (a window kept covered),
    // it follows a moment later all the same.
    QTimer::singleShot(kPanelAtTheLatest, this, [this] { showPanel(); });
    if (!panelBelowFrame_)
        return;
    // The frame is known only after the window manager has framed the window.
    const QPoint placedAt = panel_->pos();
    for (int delay : kFrameChecks)
        QTimer::singleShot(delay, this, [this, placedAt] {
            // Leave the panel alone once the user has moved it.
            if (panel_->pos() == placedAt)
                placePanelBelow();
        });
}

void BusWindow::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    // The sign windows cut holes in the exposed region. Rectangle by rectangle the bus is copied
    // straight from its pixmap; through the holed region Qt would fill it span by span on a
    // thread pool, which makes the first paint start threads.
    for (const QRect &r : event->region()) {
        p.save();
        p.setClipRect(r);
        p.fillRect(r, palette().window());
        if (!background_.isNull())
            p.drawPixmap(r.topLeft(), background_, r);
        p.restore();
    }
    surface_.paint(p, event->rect());
    // Opening the sound device takes a moment: start it once the bus is on screen, so that it
    // is ready when a door is first asked for.
    if (!soundPrepared_) {
        soundPrepared_ = true;
        QTimer::singleShot(kSoundWarmUpDelay, this, [this] { services_.sound.prepare(); });
        QTimer::singleShot(0, this, [this] { showPanel(); });
    }
}

void BusWindow::mousePressEvent(QMouseEvent *event)
{
    // Door pictures take the mouse themselves; the frame bars let presses through.
    if (surface_.controlAt(event->position().toPoint(), true))
        return;
    if (event->button() == Qt::RightButton)
        showPopupMenu();
}

void BusWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double-click is a press like any other here.
    mousePressEvent(event);
}

void BusWindow::closeEvent(QCloseEvent *event)
{
    if (unloaded_) {
        event->accept();
        return;
    }
    saveSettings();
    // Ends the program at once: the panel and any open dialog go with it.
    panel_->hide();
    QCoreApplication::exit(0);
    unloaded_ = true;
    event->accept();
}
