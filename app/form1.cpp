#include <app/form1.h>

#include <about/frmshowversion.h>
#include <common/common.h>
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
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <cstdio>
#include <limits>

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

QString captionPrefix() { return QStringLiteral("ソルベナ　-　"); }

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
        return static_cast<std::int16_t>(form_.panel().HScroll1->value());
    }
    std::int16_t HScroll2Value() const override
    {
        return static_cast<std::int16_t>(form_.panel().HScroll2->value());
    }
    bool Option1Value(int index) const override { return form_.panel().option1Value(index); }

private:
    Form1 &form_;
};

Form1::Form1(Services services, IniPlace settingsPlace)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      services_(services), settingsPlace_(std::move(settingsPlace))
{
    setWindowTitle(captionPrefix() + QStringLiteral("QT17C0042"));
    setWindowIcon(QIcon(QString::fromLatin1(res::kIcon)));
    toplevel::setClientSize(this, kClientWidth, kClientHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    background_ = QPixmap(QString::fromLatin1(res::kBus));

    // Windowless controls in the order of the layout: one made earlier lies in front.
    nakaorido_[1] = std::make_unique<ImageControl>(surface_, kNakaoridoRight, true);
    nakaorido_[0] = std::make_unique<ImageControl>(surface_, kNakaoridoLeft, true);
    image1_2_ = std::make_unique<ImageControl>(surface_, kImage1_2, true);
    image1_1_ = std::make_unique<ImageControl>(surface_, kImage1_1, true, false);
    nakaorido_[0]->setPicture(QImage(QString::fromLatin1(res::kNakaoridoLeft)));
    nakaorido_[1]->setPicture(QImage(QString::fromLatin1(res::kNakaoridoRight)));
    image1_2_->setPicture(QImage(QString::fromLatin1(res::kFrontDoor)));
    for (int i = 0; i < 2; ++i) {
        imgNakaorido[i] = nakaorido_[i].get();
        imgNakaorido[i]->setTakesMouse(true);
    }
    image1_2_->setTakesMouse(true);
    image1_1_->setTakesMouse(true);

    MnuTempMenu1 = new LeftButtonMenu(QStringLiteral("MnuTempMenu1"), this);
    MnuViewKanban = MnuTempMenu1->addAction(QStringLiteral("看板の表示"));
    MnuViewWaku = MnuTempMenu1->addAction(QStringLiteral("枠の表示"));
    MnuSetKanban = MnuTempMenu1->addAction(QStringLiteral("看板の画像を設定..."));
    MnuBdr1 = MnuTempMenu1->addSeparator();
    MnuKanbanReset = MnuTempMenu1->addAction(QStringLiteral("看板のリセット"));
    for (QAction *view : {MnuViewKanban, MnuViewWaku}) {
        view->setCheckable(true);
        view->setChecked(true);
    }

    signs_ = std::make_unique<SignRolls>(this, services_.fileDialog, services_.messageBox,
                                         [this](std::int16_t i) {
                                             return panel().scllMakuSpeed.at(i)->value();
                                         });
    kanban_ = std::make_unique<Signboard>(
        this, surface_, *MnuViewKanban, *MnuViewWaku, services_.fileDialog,
        [this] { showPopupMenu(); });

    doorView_ = std::make_unique<PanelDoorView>(*this);
    wave_ = std::make_unique<WavePlayer>(services_.sound);
    doors_ = std::make_unique<Doors>(*image1_2_, *nakaorido_[0], *nakaorido_[1], *doorView_,
                                     *wave_);

    // Picture boxes in front of one another as in the layout: the sign windows over the board.
    kanban_->PicKanban->raise();
    signs_->picWaku1[1]->raise();
    signs_->picWaku1[0]->raise();
    setTabOrder(kanban_->PicKanban, signs_->picWaku1[1]);
    setTabOrder(signs_->picWaku1[1], signs_->picWaku1[0]);

    // A menu item's handler decides the check mark itself, so undo Qt's own toggle first.
    const auto connectView = [this](QAction *action, void (Signboard::*handler)()) {
        connect(action, &QAction::triggered, this, [this, action, handler] {
            action->setChecked(!action->isChecked());
            (kanban_.get()->*handler)();
        });
    };
    connectView(MnuViewKanban, &Signboard::MnuViewKanban_Click);
    connectView(MnuViewWaku, &Signboard::MnuViewWaku_Click);
    connect(MnuSetKanban, &QAction::triggered, this, [this] { kanban_->MnuSetKanban_Click(); });
    connect(MnuKanbanReset, &QAction::triggered, this,
            [this] { kanban_->MnuKanbanReset_Click(); });

    Form_Load();
}

Form1::~Form1() = default;

ImageControl *Form1::Image1(int index) const
{
    if (index == 1)
        return image1_1_.get();
    if (index == 2)
        return image1_2_.get();
    return nullptr;
}

float Form1::Left() const { return toplevel::frameLeft(this); }
float Form1::Top() const { return toplevel::frameTop(this); }
float Form1::Height() const { return toplevel::frameHeight(this); }
void Form1::setLeft(float v) { toplevel::moveFrame(this, v, Top()); }
void Form1::setTop(float v) { toplevel::moveFrame(this, Left(), v); }

frmSet &Form1::panel()
{
    if (!panel_)
        panel_ = std::make_unique<frmSet>(*this);
    return *panel_;
}

void Form1::Form_Load()
{
    LoadIni();
    setWindowTitle(captionPrefix() + executable::baseName());
}

void Form1::Form_MouseDown(int Button, int /*Shift*/, float /*X*/, float /*Y*/)
{
    if (Button == kRightButton)
        showPopupMenu();
}

void Form1::showPopupMenu() { services_.popupMenu.popup(*MnuTempMenu1, QCursor::pos()); }

void Form1::Form_Unload(int &Cancel)
{
    Cancel = 0;
    SaveIni();
    // Ends the program at once: the panel and any open dialog go with it.
    if (panel_)
        panel_->hide();
    QCoreApplication::exit(0);
}

void Form1::Check1_Click() { doors_->Check1_Click(); }
void Form1::Check2_Click() { doors_->Check2_Click(); }

void Form1::MnuHelpVer_Click()
{
    showVersionDialog(services_.messageBox, services_.urlOpener, services_.makerLibrary);
}

void Form1::HScroll1_Change()
{
    panel().lblMaeSpeed->setText(QString::number(panel().HScroll1->value()));
}

void Form1::HScroll2_Change()
{
    panel().lblNakaSpeed->setText(QString::number(panel().HScroll2->value()));
}

void Form1::SaveIni()
{
    frmSet &p = panel();
    IniValues v;
    v.formLeft = Left();
    v.formTop = Top();
    v.setLeft = p.Left();
    v.setTop = p.Top();
    v.rollPath0 = Common::rollPicturePaths[0];
    v.rollPath1 = Common::rollPicturePaths[1];
    v.step0 = p.scllMakuSpeed[0]->value();
    v.step1 = p.scllMakuSpeed[1]->value();
    v.kanbanPath = Common::kanbanPicturePath;
    v.kanbanLeft = kanban_->PicKanban->Left();
    v.kanbanTop = kanban_->PicKanban->Top();
    v.kanbanShown = MnuViewKanban->isChecked();
    v.wakuShown = MnuViewWaku->isChecked();
    v.hscroll1 = p.HScroll1->value();
    v.hscroll2 = p.HScroll2->value();
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
    if (readIniFile(settingsPlace_.readPath, &bytes))
        read = readIniValues(bytes, &v);
    // The paths keep whatever was read of them, even when a later field fails.
    if (read >= 5)
        Common::rollPicturePaths[0] = v.rollPath0;
    if (read >= 6)
        Common::rollPicturePaths[1] = v.rollPath1;
    if (read >= 9)
        Common::kanbanPicturePath = v.kanbanPath;
    // A failure part-way keeps what was applied before it; the recovery sets the rest.
    if (read < kIniFieldCount || !applySettings(v))
        recoverDefaults();
    keepWindowsReachable();
}

bool Form1::applySettings(const IniValues &v)
{
    const auto fitsScrollBar = [](QScrollBar *bar, int value) {
        return value >= std::numeric_limits<std::int16_t>::min() &&
               value <= std::numeric_limits<std::int16_t>::max() && value >= bar->minimum() &&
               value <= bar->maximum();
    };
    setLeft(v.formLeft);
    setTop(v.formTop);
    frmSet &p = panel();
    p.setLeft(v.setLeft);
    p.setTop(v.setTop);
    KanbanBox *board = kanban_->PicKanban;
    board->setVisible(v.kanbanShown);
    MnuViewKanban->setChecked(v.kanbanShown);
    for (ShapeControl *bar : kanban_->shpK_Waku)
        bar->setVisible(v.wakuShown);
    MnuViewWaku->setChecked(v.wakuShown);
    board->Move(v.kanbanLeft, v.kanbanTop, board->Width(), board->Height());
    if (!kanban_->loadPicture(Common::kanbanPicturePath).isEmpty())
        return false;
    kanban_->PicKanban_DblClick();
    const std::array<std::pair<QScrollBar *, int>, 4> scrolls{{{p.HScroll1, v.hscroll1},
                                                                {p.HScroll2, v.hscroll2},
                                                                {p.scllMakuSpeed[0], v.step0},
                                                                {p.scllMakuSpeed[1], v.step1}}};
    for (const auto &[bar, value] : scrolls) {
        if (!fitsScrollBar(bar, value))
            return false;
        bar->setValue(value);
    }
    for (std::int16_t i = 0; i < 2; ++i)
        if (!signs_->loadRollPicture(i, Common::rollPicturePaths[i]).isEmpty())
            return false;
    if (v.option < 0 || v.option > 2)
        return false;
    p.Option1[v.option]->setChecked(true);
    return true;
}

void Form1::recoverDefaults()
{
    placeHome();
    placePanelHome();
    frmSet &p = panel();
    kanban_->MnuKanbanReset_Click();
    p.HScroll1->setValue(kDefaultFrontDoorSpeed);
    p.HScroll2->setValue(kDefaultCentreDoorSpeed);
    p.scllMakuSpeed[0]->setValue(kDefaultStep);
    p.scllMakuSpeed[1]->setValue(kDefaultStep);
    p.Option1[0]->setChecked(true);
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

void Form1::Load方向幕(std::int16_t Index) { signs_->Load方向幕(Index); }

void Form1::placePanelBelow()
{
    if (!panelBelowFrame_ || !panel_)
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
    const QPoint placedAt = panel_ ? panel_->pos() : QPoint();
    for (int delay : kFrameChecks)
        QTimer::singleShot(delay, this, [this, placedAt] {
            // Leave the panel alone once the user has moved it.
            if (panel_ && panel_->pos() == placedAt)
                placePanelBelow();
        });
}

void Form1::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.fillRect(event->rect(), palette().window());
    if (!background_.isNull())
        p.drawPixmap(QPoint(0, 0), background_);
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
    const QPointF t = twips::pointFromPixels(event->position());
    Form_MouseDown(PictureBox::buttonCode(event->button()),
                   PictureBox::shiftState(event->modifiers()), static_cast<float>(t.x()),
                   static_cast<float>(t.y()));
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
    int cancel = 0;
    Form_Unload(cancel);
    unloaded_ = true;
    event->accept();
}
