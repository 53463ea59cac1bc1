#include <settings/frmset.h>

#include <common/fonts.h>
#include <common/mainwindowprocedures.h>
#include <common/toplevel.h>
#include <resources/resources.h>

#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace {

// Layout in twips, relative to each control's container.
constexpr twips::Rect kClient{0, 0, 3975, 2160};
constexpr twips::Rect kFrameA{30, 75, 3855, 2055};
constexpr twips::Rect kCheck1{75, 165, 735, 510};
constexpr twips::Rect kHScroll1{855, 195, 1260, 240};
constexpr twips::Rect kLblMaeSpeed{885, 450, 1215, 240};
constexpr twips::Rect kCheck2{60, 840, 735, 525};
constexpr twips::Rect kHScroll2{840, 840, 1230, 240};
constexpr twips::Rect kLblNakaSpeed{870, 1110, 1200, 240};
constexpr twips::Rect kFrame2{75, 1440, 2085, 480};
constexpr std::array<twips::Rect, 3> kOption1{{{60, 180, 735, 270},
                                                {795, 180, 570, 270},
                                                {1470, 165, 555, 270}}};
constexpr twips::Rect kLabel1{2295, 165, 1440, 1365};
constexpr std::array<twips::Rect, 2> kLabel2{{{2340, 435, 315, 375}, {2325, 1020, 315, 375}}};
constexpr std::array<twips::Rect, 2> kScllMakuSpeed{{{2655, 420, 990, 225},
                                                      {2625, 990, 1050, 225}}};
constexpr std::array<twips::Rect, 2> kLblMakuSpeed{{{2640, 690, 1035, 240},
                                                     {2640, 1245, 1035, 240}}};
constexpr twips::Rect kCommand3{2295, 1575, 1515, 360};

constexpr int kDoorSpeedMin = 1;
constexpr int kDoorSpeedMax = 30000;
constexpr int kFrontDoorSpeed = 6000;
constexpr int kCentreDoorSpeed = 10000;
constexpr int kStepMin = 0;
constexpr int kStepMax = 1000;

const char kPanelStyle[] = "frmSet { background: rgb(64,64,64); }";
const char kSpeedLabelStyle[] =
    "QLabel { background: rgb(0,0,0); color: rgb(255,192,128); border: 1px solid rgb(160,160,160);"
    " padding-right: 2px; }"
    "QLabel:disabled { color: rgb(128,128,128); }";
const char kLightStyle[] = "background: rgb(224,224,224);";

QScrollBar *makeScrollBar(QWidget *parent, const twips::Rect &r, int min, int max, int value)
{
    auto *s = new QScrollBar(Qt::Horizontal, parent);
    s->setRange(min, max);
    s->setValue(value);
    s->setSingleStep(1);
    s->setPageStep(1);
    // A scroll bar's change is a committed value: a thumb drag counts when it is released.
    s->setTracking(false);
    toplevel::placeChild(s, r);
    return s;
}

QLabel *makeSpeedLabel(QWidget *parent, const twips::Rect &r)
{
    auto *l = new QLabel(QStringLiteral("0"), parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setStyleSheet(QString::fromLatin1(kSpeedLabelStyle));
    toplevel::placeChild(l, r);
    return l;
}

QPushButton *makeSwitch(QWidget *parent, const twips::Rect &r, const char *face)
{
    auto *b = new QPushButton(parent);
    b->setCheckable(true);
    const QPixmap pixmap(QString::fromLatin1(face));
    b->setIcon(QIcon(pixmap));
    b->setIconSize(pixmap.isNull() ? QSize(50, 20) : pixmap.size());
    toplevel::placeChild(b, r);
    return b;
}

} // namespace

frmSet::frmSet(MainWindowProcedures &main)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), main_(main)
{
    setWindowTitle(QStringLiteral("設定パネル"));
    setObjectName(QStringLiteral("frmSet"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QString::fromLatin1(kPanelStyle));
    toplevel::setClientSize(this, kClient.width, kClient.height);

    FrameA = new QFrame(this);
    FrameA->setStyleSheet(QStringLiteral("QFrame { background: rgb(0,0,0); }"));
    toplevel::placeChild(FrameA, kFrameA);

    // Label1 lies behind the roll-step controls, so it is created first.
    Label1 = new QLabel(QStringLiteral("幕の速度"), FrameA);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setStyleSheet(QStringLiteral("QLabel { %1 color: black; }").arg(QLatin1String(kLightStyle)));
    toplevel::placeChild(Label1, kLabel1);

    Check1 = makeSwitch(FrameA, kCheck1, res::kSwitchMae);
    HScroll1 = makeScrollBar(FrameA, kHScroll1, kDoorSpeedMin, kDoorSpeedMax, kFrontDoorSpeed);
    lblMaeSpeed = makeSpeedLabel(FrameA, kLblMaeSpeed);
    Check2 = makeSwitch(FrameA, kCheck2, res::kSwitchNaka);
    HScroll2 = makeScrollBar(FrameA, kHScroll2, kDoorSpeedMin, kDoorSpeedMax, kCentreDoorSpeed);
    lblNakaSpeed = makeSpeedLabel(FrameA, kLblNakaSpeed);

    Frame2 = new QGroupBox(QStringLiteral("中扉動作"), FrameA);
    Frame2->setStyleSheet(QStringLiteral(
        "QGroupBox { %1 border: 1px solid rgb(160,160,160); margin-top: 0px; }"
        "QGroupBox::title { subcontrol-origin: padding; left: 4px; top: -1px; }"
        "QRadioButton { %1 }")
                              .arg(QLatin1String(kLightStyle)));
    toplevel::placeChild(Frame2, kFrame2);
    const std::array<QString, 3> captions{QStringLiteral("両方"), QStringLiteral("左"),
                                          QStringLiteral("右")};
    for (int i = 0; i < 3; ++i) {
        Option1[i] = new QRadioButton(captions[i], Frame2);
        toplevel::placeChild(Option1[i], kOption1[i]);
    }
    Option1[0]->setChecked(true);

    QFont circled(QString::fromUtf8(fonts::kGothic));
    circled.setPointSizeF(14.25);
    circled.setBold(true);
    const std::array<QString, 2> marks{QStringLiteral("①"), QStringLiteral("②")};
    for (int i = 0; i < 2; ++i) {
        Label2[i] = new QLabel(marks[i], FrameA);
        Label2[i]->setFont(circled);
        Label2[i]->setStyleSheet(QStringLiteral("QLabel { background: transparent; color: black; }"));
        toplevel::placeChild(Label2[i], kLabel2[i]);
        scllMakuSpeed[i] = makeScrollBar(FrameA, kScllMakuSpeed[i], kStepMin, kStepMax, kStepMin);
        lblMakuSpeed[i] = makeSpeedLabel(FrameA, kLblMakuSpeed[i]);
    }
    // The second sign window is never shown, so its row stays disabled.
    scllMakuSpeed[1]->setEnabled(false);
    lblMakuSpeed[1]->setEnabled(false);

    Command3 = new QPushButton(QStringLiteral("バージョン情報"), FrameA);
    toplevel::placeChild(Command3, kCommand3);

    // Tab order; labels take no focus.
    setTabOrder(Option1[2], Option1[1]);
    setTabOrder(Option1[1], Option1[0]);
    setTabOrder(Option1[0], Check1);
    setTabOrder(Check1, Check2);
    setTabOrder(Check2, HScroll2);
    setTabOrder(HScroll2, HScroll1);
    setTabOrder(HScroll1, scllMakuSpeed[0]);
    setTabOrder(scllMakuSpeed[0], Command3);
    setTabOrder(Command3, scllMakuSpeed[1]);

    connect(Check1, &QPushButton::clicked, this, [this] { Check1_Click(); });
    connect(Check2, &QPushButton::clicked, this, [this] { Check2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(HScroll1, &QScrollBar::valueChanged, this, [this] { HScroll1_Change(); });
    connect(HScroll2, &QScrollBar::valueChanged, this, [this] { HScroll2_Change(); });
    for (int i = 0; i < 2; ++i)
        connect(scllMakuSpeed[i], &QScrollBar::valueChanged, this,
                [this, i] { scllMakuSpeed_Change(static_cast<std::int16_t>(i)); });
}

float frmSet::Left() const { return toplevel::frameLeft(this); }
float frmSet::Top() const { return toplevel::frameTop(this); }
void frmSet::setLeft(float v) { toplevel::moveFrame(this, v, Top()); }
void frmSet::setTop(float v) { toplevel::moveFrame(this, Left(), v); }

int frmSet::check1Value() const { return Check1->isChecked() ? 1 : 0; }
int frmSet::check2Value() const { return Check2->isChecked() ? 1 : 0; }
bool frmSet::option1Value(int index) const { return Option1.at(index)->isChecked(); }

void frmSet::Check1_Click() { main_.Check1_Click(); }

void frmSet::Check2_Click()
{
    // The leaf choice is locked while the centre door is open.
    Frame2->setEnabled(check2Value() != 1);
    main_.Check2_Click();
}

void frmSet::Command3_Click() { main_.MnuHelpVer_Click(); }
void frmSet::HScroll1_Change() { main_.HScroll1_Change(); }
void frmSet::HScroll2_Change() { main_.HScroll2_Change(); }

void frmSet::scllMakuSpeed_Change(std::int16_t Index)
{
    lblMakuSpeed.at(Index)->setText(QString::number(scllMakuSpeed.at(Index)->value()));
}

void frmSet::closeEvent(QCloseEvent *event) { event->ignore(); }
