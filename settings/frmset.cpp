#include <settings/frmset.h>

#include <common/fonts.h>
#include <common/toplevel.h>
#include <resources/resources.h>
#include <settings/panelscrollbar.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPalette>
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
constexpr std::array<twips::Rect, 3> kOption1{
    {{60, 180, 735, 270}, {795, 180, 570, 270}, {1470, 165, 555, 270}}};
constexpr twips::Rect kLabel1{2295, 165, 1440, 1365};
constexpr std::array<twips::Rect, 2> kLabel2{{{2340, 435, 315, 375}, {2325, 1020, 315, 375}}};
constexpr std::array<twips::Rect, 2> kScllMakuSpeed{
    {{2655, 420, 990, 225}, {2625, 990, 1050, 225}}};
constexpr std::array<twips::Rect, 2> kLblMakuSpeed{
    {{2640, 690, 1035, 240}, {2640, 1245, 1035, 240}}};
constexpr twips::Rect kCommand3{2295, 1575, 1515, 360};

constexpr int kDoorSpeedMin = 1;
constexpr int kDoorSpeedMax = 30000;
constexpr int kFrontDoorSpeed = 6000;
constexpr int kCentreDoorSpeed = 10000;
constexpr int kStepMin = 0;
constexpr int kStepMax = 1000;

// What a screen reader says of each control, in English here and in Japanese through the
// translations ("panel" context), which every desktop not in English loads.
struct Spoken {
    const char *name;
    const char *description;
};
constexpr Spoken kFrontSwitch{QT_TRANSLATE_NOOP("panel", "Front door switch"),
                              QT_TRANSLATE_NOOP("panel", "Opens and closes the front door")};
constexpr Spoken kCentreSwitch{QT_TRANSLATE_NOOP("panel", "Centre door switch"),
                               QT_TRANSLATE_NOOP("panel", "Opens and closes the centre door")};
constexpr Spoken kFrontDelay{
    QT_TRANSLATE_NOOP("panel", "Front door delay"),
    QT_TRANSLATE_NOOP("panel", "How slowly the front door moves: the larger, the slower")};
constexpr Spoken kCentreDelay{
    QT_TRANSLATE_NOOP("panel", "Centre door delay"),
    QT_TRANSLATE_NOOP("panel", "How slowly the centre door moves: the larger, the slower")};
constexpr Spoken kFrontDelayShown{
    QT_TRANSLATE_NOOP("panel", "Front door delay value"),
    QT_TRANSLATE_NOOP("panel", "The value set on the front door delay bar")};
constexpr Spoken kCentreDelayShown{
    QT_TRANSLATE_NOOP("panel", "Centre door delay value"),
    QT_TRANSLATE_NOOP("panel", "The value set on the centre door delay bar")};
constexpr Spoken kLeafChoice{
    QT_TRANSLATE_NOOP("panel", "Centre door leaves"),
    QT_TRANSLATE_NOOP("panel", "Which leaves of the centre door open; locked while it is open")};
constexpr std::array<Spoken, 3> kLeaves{
    {{QT_TRANSLATE_NOOP("panel", "Both leaves"),
      QT_TRANSLATE_NOOP("panel", "Both leaves of the centre door open")},
     {QT_TRANSLATE_NOOP("panel", "Left leaf"),
      QT_TRANSLATE_NOOP("panel", "Only the left leaf of the centre door opens")},
     {QT_TRANSLATE_NOOP("panel", "Right leaf"),
      QT_TRANSLATE_NOOP("panel", "Only the right leaf of the centre door opens")}}};
constexpr std::array<Spoken, 2> kRollSteps{
    {{QT_TRANSLATE_NOOP("panel", "Roll step of sign 1"),
      QT_TRANSLATE_NOOP("panel", "How far one press of Up or Down winds the roll of sign 1")},
     {QT_TRANSLATE_NOOP("panel", "Roll step of sign 2"),
      QT_TRANSLATE_NOOP("panel", "How far one press of Up or Down winds the roll of sign 2")}}};
constexpr std::array<Spoken, 2> kRollStepsShown{
    {{QT_TRANSLATE_NOOP("panel", "Roll step of sign 1 value"),
      QT_TRANSLATE_NOOP("panel", "The value set on the roll step bar of sign 1")},
     {QT_TRANSLATE_NOOP("panel", "Roll step of sign 2 value"),
      QT_TRANSLATE_NOOP("panel", "The value set on the roll step bar of sign 2")}}};
constexpr Spoken kAbout{QT_TRANSLATE_NOOP("panel", "About"),
                        QT_TRANSLATE_NOOP("panel", "Shows the version information")};

// Colours are set through palettes rather than style sheets: style sheets cost start-up time
// and memory out of all proportion for a dozen controls.
const QColor kPanelBackground(64, 64, 64);
const QColor kFaceBlack(0, 0, 0);
const QColor kLight(224, 224, 224);
const QColor kSpeedText(255, 192, 128);
const QColor kDisabledText(128, 128, 128);
const QColor kBorder(160, 160, 160);
// The leaf choice's caption sits on its border line. It is drawn a little higher than its line
// box: the Japanese font's line box has room above the glyphs, and the options stand just below.
constexpr int kCaptionRaisePx = 2;
constexpr int kCaptionIndentPx = 5;
constexpr int kSpeedTextMarginPx = 2;

// Fills a widget's background with one colour and draws its text in another.
void paintWith(QWidget *w, QColor background, QColor text)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Disabled, QPalette::WindowText, kDisabledText);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QScrollBar *makeScrollBar(QWidget *parent, const twips::Rect &r, int min, int max, int value,
                          const QString &name)
{
    auto *s = new PanelScrollBar(parent);
    s->setObjectName(name);
    s->setRange(min, max);
    s->setValue(value);
    s->setSingleStep(1);
    s->setPageStep(1);
    toplevel::placeChild(s, r);
    return s;
}

// A number display: right-aligned text inside a single grey border.
class SpeedDisplay : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QLabel::paintEvent(event);
        QPainter p(this);
        p.setPen(kBorder);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

QLabel *makeSpeedLabel(QWidget *parent, const twips::Rect &r, const QString &name)
{
    auto *l = new SpeedDisplay(QStringLiteral("0"), parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    paintWith(l, kFaceBlack, kSpeedText);
    l->setContentsMargins(1, 1, 1 + kSpeedTextMarginPx, 1);
    toplevel::placeChild(l, r);
    return l;
}

QPushButton *makeSwitch(QWidget *parent, const twips::Rect &r, const char *face,
                        const QString &name)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(name);
    b->setCheckable(true);
    const QPixmap pixmap(QString::fromLatin1(face));
    b->setIcon(QIcon(pixmap));
    b->setIconSize(pixmap.isNull() ? QSize(50, 20) : pixmap.size());
    toplevel::placeChild(b, r);
    return b;
}

// A frame whose caption stands on its top border line, over the children it does not lay out.
class CaptionedFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QFontMetrics fm(font());
        const int line = fm.height() / 2 - kCaptionRaisePx;
        p.setPen(kBorder);
        p.drawRect(QRect(0, line, width() - 1, height() - line - 1));
        const QRect caption(kCaptionIndentPx, -kCaptionRaisePx, fm.horizontalAdvance(title()) + 4,
                            fm.height());
        p.fillRect(caption, palette().color(QPalette::Window));
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                 QPalette::WindowText));
        p.drawText(caption, Qt::AlignCenter, title());
    }
};

void speak(QWidget *w, const Spoken &spoken)
{
    w->setAccessibleName(QCoreApplication::translate("panel", spoken.name));
    w->setAccessibleDescription(QCoreApplication::translate("panel", spoken.description));
}

} // namespace

frmSet::frmSet() : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QStringLiteral("設定パネル"));
    // Every caption here is in the Japanese font itself, so fonts need no fallback to others;
    // without it each font engine looks up fallback families, which slows the panel's start.
    QFont own = font();
    own.setStyleStrategy(QFont::NoFontMerging);
    setFont(own);
    setObjectName(QStringLiteral("frmSet"));
    paintWith(this, kPanelBackground, Qt::black);
    toplevel::setClientSize(this, kClient.width, kClient.height);

    FrameA = new QFrame(this);
    FrameA->setObjectName(QStringLiteral("FrameA"));
    paintWith(FrameA, kFaceBlack, Qt::black);
    toplevel::placeChild(FrameA, kFrameA);

    // Label1 lies behind the roll-step controls, so it is created first.
    Label1 = new QLabel(QStringLiteral("幕の速度"), FrameA);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    paintWith(Label1, kLight, Qt::black);
    toplevel::placeChild(Label1, kLabel1);

    Check1 = makeSwitch(FrameA, kCheck1, res::kSwitchMae, QStringLiteral("Check1"));
    HScroll1 = makeScrollBar(FrameA, kHScroll1, kDoorSpeedMin, kDoorSpeedMax, kFrontDoorSpeed,
                             QStringLiteral("HScroll1"));
    lblMaeSpeed = makeSpeedLabel(FrameA, kLblMaeSpeed, QStringLiteral("lblMaeSpeed"));
    Check2 = makeSwitch(FrameA, kCheck2, res::kSwitchNaka, QStringLiteral("Check2"));
    HScroll2 = makeScrollBar(FrameA, kHScroll2, kDoorSpeedMin, kDoorSpeedMax, kCentreDoorSpeed,
                             QStringLiteral("HScroll2"));
    lblNakaSpeed = makeSpeedLabel(FrameA, kLblNakaSpeed, QStringLiteral("lblNakaSpeed"));

    Frame2 = new CaptionedFrame(QStringLiteral("中扉動作"), FrameA);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    paintWith(Frame2, kLight, Qt::black);
    toplevel::placeChild(Frame2, kFrame2);
    const std::array<QString, 3> captions{QStringLiteral("両方"), QStringLiteral("左"),
                                          QStringLiteral("右")};
    for (int i = 0; i < 3; ++i) {
        Option1[i] = new QRadioButton(captions[i], Frame2);
        Option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        toplevel::placeChild(Option1[i], kOption1[i]);
    }
    Option1[0]->setChecked(true);

    QFont circled = fonts::gothic();
    circled.setPointSizeF(14.25);
    circled.setBold(true);
    circled.setStyleStrategy(QFont::NoFontMerging);
    const std::array<QString, 2> marks{QStringLiteral("①"), QStringLiteral("②")};
    for (int i = 0; i < 2; ++i) {
        Label2[i] = new QLabel(marks[i], FrameA);
        Label2[i]->setObjectName(QStringLiteral("Label2_%1").arg(i));
        Label2[i]->setFont(circled);
        toplevel::placeChild(Label2[i], kLabel2[i]);
        scllMakuSpeed[i] = makeScrollBar(FrameA, kScllMakuSpeed[i], kStepMin, kStepMax, kStepMin,
                                         QStringLiteral("scllMakuSpeed_%1").arg(i));
        lblMakuSpeed[i] =
            makeSpeedLabel(FrameA, kLblMakuSpeed[i], QStringLiteral("lblMakuSpeed_%1").arg(i));
    }
    // The second sign window is never shown, so its row stays disabled.
    scllMakuSpeed[1]->setEnabled(false);
    lblMakuSpeed[1]->setEnabled(false);

    Command3 = new QPushButton(QStringLiteral("バージョン情報"), FrameA);
    Command3->setObjectName(QStringLiteral("Command3"));
    toplevel::placeChild(Command3, kCommand3);

    speak(Check1, kFrontSwitch);
    speak(Check2, kCentreSwitch);
    speak(HScroll1, kFrontDelay);
    speak(HScroll2, kCentreDelay);
    speak(lblMaeSpeed, kFrontDelayShown);
    speak(lblNakaSpeed, kCentreDelayShown);
    speak(Frame2, kLeafChoice);
    for (int i = 0; i < 3; ++i)
        speak(Option1[i], kLeaves[i]);
    for (int i = 0; i < 2; ++i) {
        speak(scllMakuSpeed[i], kRollSteps[i]);
        speak(lblMakuSpeed[i], kRollStepsShown[i]);
    }
    speak(Command3, kAbout);

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

    connect(Check1, &QPushButton::clicked, this, &frmSet::check1Clicked);
    connect(Check2, &QPushButton::clicked, this, [this] { Check2_Click(); });
    connect(Command3, &QPushButton::clicked, this, &frmSet::command3Clicked);
    connect(HScroll1, &QScrollBar::valueChanged, this, &frmSet::hScroll1Changed);
    connect(HScroll2, &QScrollBar::valueChanged, this, &frmSet::hScroll2Changed);
    for (int i = 0; i < 2; ++i)
        connect(scllMakuSpeed[i], &QScrollBar::valueChanged, this,
                [this, i] { scllMakuSpeed_Change(static_cast<std::int16_t>(i)); });
}

float frmSet::Left() const
{
    return toplevel::frameLeft(this);
}
float frmSet::Top() const
{
    return toplevel::frameTop(this);
}
void frmSet::setLeft(float v)
{
    toplevel::moveFrame(this, v, Top());
}
void frmSet::setTop(float v)
{
    toplevel::moveFrame(this, Left(), v);
}

int frmSet::check1Value() const
{
    return Check1->isChecked() ? 1 : 0;
}
int frmSet::check2Value() const
{
    return Check2->isChecked() ? 1 : 0;
}
bool frmSet::option1Value(int index) const
{
    return Option1.at(index)->isChecked();
}

void frmSet::setOption1(int index)
{
    Option1.at(index)->setChecked(true);
}

QScrollBar *frmSet::bar(Bar which) const
{
    const std::array<QScrollBar *, 4> bars{HScroll1, HScroll2, scllMakuSpeed[0], scllMakuSpeed[1]};
    return bars.at(static_cast<std::size_t>(which));
}

int frmSet::value(Bar which) const
{
    return bar(which)->value();
}

bool frmSet::setValue(Bar which, int v)
{
    QScrollBar *b = bar(which);
    if (v < b->minimum() || v > b->maximum())
        return false;
    b->setValue(v);
    return true;
}

void frmSet::Check2_Click()
{
    // The leaf choice is locked while the centre door is open.
    Frame2->setEnabled(check2Value() != 1);
    emit check2Clicked();
}

void frmSet::showMaeSpeed(int value)
{
    lblMaeSpeed->setText(QString::number(value));
}
void frmSet::showNakaSpeed(int value)
{
    lblNakaSpeed->setText(QString::number(value));
}

void frmSet::scllMakuSpeed_Change(std::int16_t Index)
{
    lblMakuSpeed.at(Index)->setText(QString::number(scllMakuSpeed.at(Index)->value()));
}

void frmSet::closeEvent(QCloseEvent *event)
{
    event->ignore();
}
