#include <app/form1.h>

#include <about/aboutdialog.h>
#include <common/executable.h>
#include <common/onscreen.h>
#include <common/picturebox.h>
#include <common/toplevel.h>
#include <doors/doorpanel.h>
#include <doors/doors.h>
#include <doors/waveplayer.h>
#include <platform/popupmenu.h>
#include <platform/sound/soundplayer.h>
#include <platform/topmost.h>
#include <resources/resources.h>
#include <settings/frmset.h>
#include <settings/inifile.h>
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

constexpr float kClientWidth = 11085;
constexpr float kClientHeight = 3105;

constexpr twips::Rect kNakaoridoRight{5700, 540, 840, 2235};
constexpr twips::Rect kNakaoridoLeft{4875, 540, 840, 2235};
constexpr twips::Rect kImage1_2{480, 540, 1155, 2190};
constexpr twips::Rect kImage1_1{1785, 975, 630, 2055};

// Settings used when the settings file cannot be read.
constexpr int kDefaultFrontDoorSpeed = 10000;
constexpr int kDefaultCentreDoorSpeed = 6000;
constexpr int kDefaultStep = 1;

constexpr int kRightButton = 2;

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

} // namespace

// What the doors read on the control panel, read afresh at every look.
class PanelDoorView : public DoorPanel {
public:
    explicit PanelDoorView(Form1 &form) : form_(form) {}
    int Check1Value() const override { return form_.panel().check1Value(); }
    int Check2Value() const override { return form_.panel().check2Value(); }
    std::int16_t HScroll1Value() const override
    {
        return static_cast<std::int16_t>(form_.panel().value(frmSet::Bar::HScroll1));
    }
    std::int16_t HScroll2Value() const override
    {
        return static_cast<std::int16_t>(form_.panel().value(frmSet::Bar::HScroll2));
    }
    bool Option1Value(int index) const override { return form_.panel().option1Value(index); }

private:
    Form1 &form_;
};

Form1::Form1(Services services, std::optional<IniPlace> settingsPlace)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      services_(std::move(services)),
      settingsPlace_(settingsPlace ? std::move(*settingsPlace)
                                   : chooseIniPlace(currentIniPlaceInputs(services_.executable)))
{
    // From a pixmap, not a file name: for a file QIcon first searches Qt's icon-engine plugins.
    // The icon holds one picture, so both give the same icon.
    setWindowIcon(QIcon(QPixmap(QString::fromLatin1(res::kIcon))));
    toplevel::setClientSize(this, kClientWidth, kClientHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    background_ = QPixmap(QString::fromLatin1(res::kBus));

    // Windowless controls in the order of the layout: one made earlier lies in front.
    imgNakaorido[1] = std::make_unique<ImageControl>(surface_, kNakaoridoRight, true);
    imgNakaorido[0] = std::make_unique<ImageControl>(surface_, kNakaoridoLeft, true);
    Image1_2 = std::make_unique<ImageControl>(surface_, kImage1_2, true);
    Image1_1 = std::make_unique<ImageControl>(surface_, kImage1_1, true, false);
    imgNakaorido[0]->setPicture(QImage(QString::fromLatin1(res::kNakaoridoLeft)));
    imgNakaorido[1]->setPicture(QImage(QString::fromLatin1(res::kNakaoridoRight)));
    Image1_2->setPicture(QImage(QString::fromLatin1(res::kFrontDoor)));
    for (int i = 0; i < 2; ++i) {
        imgNakaorido[i]->setName(QStringLiteral("imgNakaorido_%1").arg(i));
        imgNakaorido[i]->setTakesMouse(true);
    }
    Image1_1->setName(QStringLiteral("Image1_1"));
    Image1_2->setName(QStringLiteral("Image1_2"));
    Image1_2->setTakesMouse(true);
    Image1_1->setTakesMouse(true);

    MnuTempMenu1 = new LeftButtonMenu(QStringLiteral("MnuTempMenu1"), this);
    MnuTempMenu1->setObjectName(QStringLiteral("MnuTempMenu1"));
    MnuViewKanban = MnuTempMenu1->addAction(QStringLiteral("看板の表示"));
    MnuViewWaku = MnuTempMenu1->addAction(QStringLiteral("枠の表示"));
    MnuSetKanban = MnuTempMenu1->addAction(QStringLiteral("看板の画像を設定..."));
    QAction *separator = MnuTempMenu1->addSeparator();
    MnuKanbanReset = MnuTempMenu1->addAction(QStringLiteral("看板のリセット"));
    MnuViewKanban->setObjectName(QStringLiteral("MnuViewKanban"));
    MnuViewWaku->setObjectName(QStringLiteral("MnuViewWaku"));
    MnuSetKanban->setObjectName(QStringLiteral("MnuSetKanban"));
    separator->setObjectName(QStringLiteral("MnuBdr1"));
    MnuKanbanReset->setObjectName(QStringLiteral("MnuKanbanReset"));
    for (QAction *view : {MnuViewKanban, MnuViewWaku}) {
        view->setCheckable(true);
        view->setChecked(true);
    }

    signs_ = std::make_unique<SignRolls>(
        this, services_.fileDialog, services_.messageBox, [this](std::int16_t i) {
            return panel().value(i == 0 ? frmSet::Bar::Step0 : frmSet::Bar::Step1);
        });
    signboard_ = std::make_unique<Signboard>(this, surface_, *MnuViewKanban, *MnuViewWaku,
                                             services_.fileDialog, [this] { showPopupMenu(); });

    doorView_ = std::make_unique<PanelDoorView>(*this);
    wave_ = std::make_unique<WavePlayer>(services_.sound);
    doors_ =
        std::make_unique<Doors>(*Image1_2, *imgNakaorido[0], *imgNakaorido[1], *doorView_, *wave_);

    // Picture boxes in front of one another as in the layout: the sign windows over the board.
    signboard_->window()->raise();
    signs_->window(1)->raise();
    signs_->window(0)->raise();
    setTabOrder(signboard_->window(), signs_->window(1));
    setTabOrder(signs_->window(1), signs_->window(0));

    // A menu item's handler decides the check mark itself, so undo Qt's own toggle first.
    const auto connectView = [this](QAction *action, void (Signboard::*handler)()) {
        connect(action, &QAction::triggered, this, [this, action, handler] {
            action->setChecked(!action->isChecked());
            (signboard_.get()->*handler)();
        });
    };
    connectView(MnuViewKanban, &Signboard::MnuViewKanban_Click);
    connectView(MnuViewWaku, &Signboard::MnuViewWaku_Click);
    connect(MnuSetKanban, &QAction::triggered, signboard_.get(), &Signboard::MnuSetKanban_Click);
    connect(MnuKanbanReset, &QAction::triggered, signboard_.get(),
            &Signboard::MnuKanbanReset_Click);

    panel_ = std::make_unique<frmSet>();
    connect(panel_.get(), &frmSet::check1Clicked, this, &Form1::Check1_Click);
    connect(panel_.get(), &frmSet::check2Clicked, this, &Form1::Check2_Click);
    connect(panel_.get(), &frmSet::command3Clicked, this, &Form1::MnuHelpVer_Click);
    connect(panel_.get(), &frmSet::hScroll1Changed, this, &Form1::HScroll1_Change);
    connect(panel_.get(), &frmSet::hScroll2Changed, this, &Form1::HScroll2_Change);

    Form_Load();
}

Form1::~Form1() = default;

float Form1::Left() const
{
    return toplevel::frameLeft(this);
}
float Form1::Top() const
{
    return toplevel::frameTop(this);
}
float Form1::Height() const
{
    return toplevel::frameHeight(this);
}
void Form1::setLeft(float v)
{
    toplevel::moveFrame(this, v, Top());
}
void Form1::setTop(float v)
{
    toplevel::moveFrame(this, Left(), v);
}

frmSet &Form1::panel()
{
    return *panel_;
}

void Form1::Form_Load()
{
    LoadIni();
    setWindowTitle(captionPrefix() + services_.executable.baseName);
}

void Form1::Form_MouseDown(int Button)
{
    if (Button == kRightButton)
        showPopupMenu();
}

void Form1::showPopupMenu()
{
    services_.popupMenu.popup(*MnuTempMenu1, QCursor::pos());
}

void Form1::Form_Unload()
{
    SaveIni();
    // Ends the program at once: the panel and any open dialog go with it.
    panel_->hide();
    QCoreApplication::exit(0);
}

void Form1::Check1_Click()
{
    doors_->Check1_Click();
}
void Form1::Check2_Click()
{
    doors_->Check2_Click();
}

void Form1::MnuHelpVer_Click()
{
    showAboutDialog(services_.messageBox, services_.urlOpener, services_.makerLibrary,
                    services_.executable.baseName);
}

void Form1::HScroll1_Change()
{
    panel().showMaeSpeed(panel().value(frmSet::Bar::HScroll1));
}
void Form1::HScroll2_Change()
{
    panel().showNakaSpeed(panel().value(frmSet::Bar::HScroll2));
}

void Form1::SaveIni()
{
    frmSet &p = panel();
    IniValues v;
    v.formLeft = Left();
    v.formTop = Top();
    v.setLeft = p.Left();
    v.setTop = p.Top();
    v.rollPath0 = signs_->rollPath(0);
    v.rollPath1 = signs_->rollPath(1);
    v.step0 = p.value(frmSet::Bar::Step0);
    v.step1 = p.value(frmSet::Bar::Step1);
    v.kanbanPath = signboard_->picturePath();
    v.kanbanLeft = signboard_->window()->Left();
    v.kanbanTop = signboard_->window()->Top();
    v.kanbanShown = MnuViewKanban->isChecked();
    v.wakuShown = MnuViewWaku->isChecked();
    v.hscroll1 = p.value(frmSet::Bar::HScroll1);
    v.hscroll2 = p.value(frmSet::Bar::HScroll2);
    v.option = p.option1Value(0) ? 0 : p.option1Value(1) ? 1 : 2;
    QString error;
    // The program ends in any case; the user learns why the settings were not kept.
    if (!writeIniFile(settingsPlace_.savePath, formatIniLine(v), &error))
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
}

void Form1::LoadIni()
{
    IniValues v;
    QByteArray bytes;
    int read = 0;
    const bool firstStart = iniFileAbsent(settingsPlace_.readPath);
    if (readIniFile(settingsPlace_.readPath, &bytes))
        read = readIniValues(bytes, &v);
    // The paths keep whatever was read of them, even when a later field fails.
    if (read >= 5)
        signs_->setRollPath(0, v.rollPath0);
    if (read >= 6)
        signs_->setRollPath(1, v.rollPath1);
    if (read >= 9)
        signboard_->setPicturePath(v.kanbanPath);
    // A failure part-way keeps what was applied before it; the recovery sets the rest.
    if (read < kIniFieldCount || !applySettings(v))
        recoverDefaults();
    if (firstStart)
        showSamples();
    keepWindowsReachable();
}

void Form1::showSamples()
{
    const QString folder = executable::samplesFolder(services_.executable.folder);
    // Each kept as a chosen picture is, so the next start finds it in the settings file; a
    // sample that is missing or cannot be read leaves its picture empty.
    const QString roll = executable::pathInFolder(folder, kSampleRoll);
    for (std::int16_t i = 0; i < 2; ++i)
        if (signs_->loadRollPicture(i, roll).isEmpty())
            signs_->setRollPath(i, roll);
    const QString board = executable::pathInFolder(folder, kSampleBoard);
    if (signboard_->loadPicture(board).isEmpty()) {
        signboard_->setPicturePath(board);
        signboard_->PicKanban_DblClick();
    }
}

bool Form1::applySettings(const IniValues &v)
{
    setLeft(v.formLeft);
    setTop(v.formTop);
    frmSet &p = panel();
    p.setLeft(v.setLeft);
    p.setTop(v.setTop);
    signboard_->setShown(v.kanbanShown, v.wakuShown);
    signboard_->moveTo(v.kanbanLeft, v.kanbanTop);
    if (!signboard_->loadPicture(signboard_->picturePath()).isEmpty())
        return false;
    signboard_->PicKanban_DblClick();
    using Bar = frmSet::Bar;
    const std::array<std::pair<Bar, int>, 4> scrolls{{{Bar::HScroll1, v.hscroll1},
                                                      {Bar::HScroll2, v.hscroll2},
                                                      {Bar::Step0, v.step0},
                                                      {Bar::Step1, v.step1}}};
    for (const auto &[bar, value] : scrolls)
        if (!p.setValue(bar, value))
            return false;
    for (std::int16_t i = 0; i < 2; ++i)
        if (!signs_->loadRollPicture(i, signs_->rollPath(i)).isEmpty())
            return false;
    if (v.option < 0 || v.option > 2)
        return false;
    p.setOption1(v.option);
    return true;
}

void Form1::recoverDefaults()
{
    placeHome();
    placePanelHome();
    frmSet &p = panel();
    signboard_->MnuKanbanReset_Click();
    p.setValue(frmSet::Bar::HScroll1, kDefaultFrontDoorSpeed);
    p.setValue(frmSet::Bar::HScroll2, kDefaultCentreDoorSpeed);
    p.setValue(frmSet::Bar::Step0, kDefaultStep);
    p.setValue(frmSet::Bar::Step1, kDefaultStep);
    p.setOption1(0);
}

void Form1::placeHome()
{
    const QRect home = primaryAvailableArea();
    toplevel::moveFrame(this, twips::fromPixels(home.left()), twips::fromPixels(home.top()));
}

void Form1::placePanelHome()
{
    const QRect home = primaryAvailableArea();
    panel().setLeft(twips::fromPixels(home.left()));
    panel().setTop(twips::fromPixels(home.top()) + Height());
    panelBelowFrame_ = true;
}

void Form1::keepWindowsReachable()
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

void Form1::Load方向幕(std::int16_t Index)
{
    signs_->Load方向幕(Index);
}

void Form1::placePanelBelow()
{
    if (!panelBelowFrame_)
        return;
    const float below = twips::fromPixels(primaryAvailableArea().top()) + Height();
    if (panel_->Top() != below)
        panel_->setTop(below);
}

void Form1::showPanel()
{
    if (panelShown_ || unloaded_)
        return;
    panelShown_ = true;
    // The bus was shown first and keeps the focus, as when the panel came up before it.
    panel().setAttribute(Qt::WA_ShowWithoutActivating);
    platform::showTopmost(&panel());
}

void Form1::showEvent(QShowEvent *event)
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

void Form1::paintEvent(QPaintEvent *event)
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

void Form1::mousePressEvent(QMouseEvent *event)
{
    // Door pictures take the mouse themselves; the frame bars let presses through.
    if (surface_.controlAt(event->position().toPoint(), true))
        return;
    Form_MouseDown(PictureBox::buttonCode(event->button()));
}

void Form1::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double-click is a press like any other here.
    mousePressEvent(event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (unloaded_) {
        event->accept();
        return;
    }
    Form_Unload();
    unloaded_ = true;
    event->accept();
}
