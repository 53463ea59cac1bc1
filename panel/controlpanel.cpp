#include <panel/controlpanel.h>

#include <common/fonts.h>
#include <common/toplevel.h>
#include <panel/panelscrollbar.h>
#include <resources/resources.h>
#include <settings/settings.h>

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
constexpr twips::Rect kControlArea{30, 75, 3855, 2055};
constexpr twips::Rect kFrontDoorSwitch{75, 165, 735, 510};
constexpr twips::Rect kFrontDoorDelay{855, 195, 1260, 240};
constexpr twips::Rect kFrontDoorDelayDisplay{885, 450, 1215, 240};
constexpr twips::Rect kCentreDoorSwitch{60, 840, 735, 525};
constexpr twips::Rect kCentreDoorDelay{840, 840, 1230, 240};
constexpr twips::Rect kCentreDoorDelayDisplay{870, 1110, 1200, 240};
constexpr twips::Rect kLeafChoice{75, 1440, 2085, 480};
constexpr std::array<twips::Rect, 3> kLeafOptions{
    {{60, 180, 735, 270}, {795, 180, 570, 270}, {1470, 165, 555, 270}}};
constexpr twips::Rect kRollStepCaption{2295, 165, 1440, 1365};
constexpr std::array<twips::Rect, 2> kSignMarks{{{2340, 435, 315, 375}, {2325, 1020, 315, 375}}};
constexpr std::array<twips::Rect, 2> kRollSteps{{{2655, 420, 990, 225}, {2625, 990, 1050, 225}}};
constexpr std::array<twips::Rect, 2> kRollStepDisplays{
    {{2640, 690, 1035, 240}, {2640, 1245, 1035, 240}}};
constexpr twips::Rect kAboutButton{2295, 1575, 1515, 360};

constexpr int kDelayMin = 1;
constexpr int kDelayMax = 30000;
constexpr int kStepMin = 0;
constexpr int kStepMax = 1000;
constexpr int kLeafChoices = 3;

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
constexpr Spoken kLeafChoiceSpoken{
    QT_TRANSLATE_NOOP("panel", "Centre door leaves"),
    QT_TRANSLATE_NOOP("panel", "Which leaves of the centre door open; locked while it is open")};
constexpr std::array<Spoken, 3> kLeaves{
    {{QT_TRANSLATE_NOOP("panel", "Both leaves"),
      QT_TRANSLATE_NOOP("panel", "Both leaves of the centre door open")},
     {QT_TRANSLATE_NOOP("panel", "Left leaf"),
      QT_TRANSLATE_NOOP("panel", "Only the left leaf of the centre door opens")},
     {QT_TRANSLATE_NOOP("panel", "Right leaf"),
      QT_TRANSLATE_NOOP("panel", "Only the right leaf of the centre door opens")}}};
constexpr std::array<Spoken, 2> kRollStepsSpoken{
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
const QColor kNumberText(255, 192, 128);
const QColor kDisabledText(128, 128, 128);
const QColor kBorder(160, 160, 160);
// The leaf choice's caption sits on its border line. It is drawn a little higher than its line
// box: the Japanese font's line box has room above the glyphs, and the options stand just below.
constexpr int kCaptionRaisePx = 2;
constexpr int kCaptionIndentPx = 5;
constexpr int kNumberMarginPx = 2;

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
class NumberDisplay : public QLabel {
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

QLabel *makeNumberDisplay(QWidget *parent, const twips::Rect &r, const QString &name)
{
    auto *l = new NumberDisplay(QStringLiteral("0"), parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    paintWith(l, kFaceBlack, kNumberText);
    l->setContentsMargins(1, 1, 1 + kNumberMarginPx, 1);
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

// Sets a bar's value when it lies in the bar's range.
bool setInRange(QScrollBar *bar, int v)
{
    if (v < bar->minimum() || v > bar->maximum())
        return false;
    bar->setValue(v);
    return true;
}

} // namespace

ControlPanel::ControlPanel(const Settings &shown)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QStringLiteral("設定パネル"));
    // Every caption here is in the Japanese font itself, so fonts need no fallback to others;
    // without it each font engine looks up fallback families, which slows the panel's start.
    QFont own = font();
    own.setStyleStrategy(QFont::NoFontMerging);
    setFont(own);
    setObjectName(QStringLiteral("controlPanel"));
    paintWith(this, kPanelBackground, Qt::black);
    toplevel::setClientSize(this, kClient.width, kClient.height);

    controlArea_ = new QFrame(this);
    controlArea_->setObjectName(QStringLiteral("controlArea"));
    paintWith(controlArea_, kFaceBlack, Qt::black);
    toplevel::placeChild(controlArea_, kControlArea);

    // rollStepCaption_ lies behind the roll-step controls, so it is created first.
    rollStepCaption_ = new QLabel(QStringLiteral("幕の速度"), controlArea_);
    rollStepCaption_->setObjectName(QStringLiteral("rollStepCaption"));
    rollStepCaption_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    paintWith(rollStepCaption_, kLight, Qt::black);
    toplevel::placeChild(rollStepCaption_, kRollStepCaption);

    frontDoorSwitch_ = makeSwitch(controlArea_, kFrontDoorSwitch, res::kFrontDoorSwitchFace,
                                  QStringLiteral("frontDoorSwitch"));
    frontDoorDelay_ = makeScrollBar(controlArea_, kFrontDoorDelay, kDelayMin, kDelayMax,
                                    shown.frontDoorDelay, QStringLiteral("frontDoorDelay"));
    frontDoorDelayDisplay_ = makeNumberDisplay(controlArea_, kFrontDoorDelayDisplay,
                                               QStringLiteral("frontDoorDelayDisplay"));
    centreDoorSwitch_ = makeSwitch(controlArea_, kCentreDoorSwitch, res::kCentreDoorSwitchFace,
                                   QStringLiteral("centreDoorSwitch"));
    centreDoorDelay_ = makeScrollBar(controlArea_, kCentreDoorDelay, kDelayMin, kDelayMax,
                                     shown.centreDoorDelay, QStringLiteral("centreDoorDelay"));
    centreDoorDelayDisplay_ = makeNumberDisplay(controlArea_, kCentreDoorDelayDisplay,
                                                QStringLiteral("centreDoorDelayDisplay"));

    leafChoice_ = new CaptionedFrame(QStringLiteral("中扉動作"), controlArea_);
    leafChoice_->setObjectName(QStringLiteral("leafChoice"));
    paintWith(leafChoice_, kLight, Qt::black);
    toplevel::placeChild(leafChoice_, kLeafChoice);
    const std::array<QString, 3> captions{QStringLiteral("両方"), QStringLiteral("左"),
                                          QStringLiteral("右")};
    for (int i = 0; i < 3; ++i) {
        leafOptions_[i] = new QRadioButton(captions[i], leafChoice_);
        leafOptions_[i]->setObjectName(QStringLiteral("leafOption_%1").arg(i));
        toplevel::placeChild(leafOptions_[i], kLeafOptions[i]);
    }
    const bool choiceShown = shown.leafChoice >= 0 && shown.leafChoice < kLeafChoices;
    leafOptions_.at(choiceShown ? shown.leafChoice : 0)->setChecked(true);

    QFont circled = fonts::gothic();
    circled.setPointSizeF(14.25);
    circled.setBold(true);
    circled.setStyleStrategy(QFont::NoFontMerging);
    const std::array<QString, 2> marks{QStringLiteral("①"), QStringLiteral("②")};
    const std::array<int, 2> steps{shown.rollStep0, shown.rollStep1};
    for (int i = 0; i < 2; ++i) {
        signMarks_[i] = new QLabel(marks[i], controlArea_);
        signMarks_[i]->setObjectName(QStringLiteral("signMark_%1").arg(i));
        signMarks_[i]->setFont(circled);
        toplevel::placeChild(signMarks_[i], kSignMarks[i]);
        rollSteps_[i] = makeScrollBar(controlArea_, kRollSteps[i], kStepMin, kStepMax, steps[i],
                                      QStringLiteral("rollStep_%1").arg(i));
        rollStepDisplays_[i] = makeNumberDisplay(controlArea_, kRollStepDisplays[i],
                                                 QStringLiteral("rollStepDisplay_%1").arg(i));
    }
    // The second sign window is never shown, so its row stays disabled.
    rollSteps_[1]->setEnabled(false);
    rollStepDisplays_[1]->setEnabled(false);

    aboutButton_ = new QPushButton(QStringLiteral("バージョン情報"), controlArea_);
    aboutButton_->setObjectName(QStringLiteral("aboutButton"));
    toplevel::placeChild(aboutButton_, kAboutButton);

    speak(frontDoorSwitch_, kFrontSwitch);
    speak(centreDoorSwitch_, kCentreSwitch);
    speak(frontDoorDelay_, kFrontDelay);
    speak(centreDoorDelay_, kCentreDelay);
    speak(frontDoorDelayDisplay_, kFrontDelayShown);
    speak(centreDoorDelayDisplay_, kCentreDelayShown);
    speak(leafChoice_, kLeafChoiceSpoken);
    for (int i = 0; i < 3; ++i)
        speak(leafOptions_[i], kLeaves[i]);
    for (int i = 0; i < 2; ++i) {
        speak(rollSteps_[i], kRollStepsSpoken[i]);
        speak(rollStepDisplays_[i], kRollStepsShown[i]);
    }
    speak(aboutButton_, kAbout);

    // Tab order; labels take no focus.
    setTabOrder(leafOptions_[2], leafOptions_[1]);
    setTabOrder(leafOptions_[1], leafOptions_[0]);
    setTabOrder(leafOptions_[0], frontDoorSwitch_);
    setTabOrder(frontDoorSwitch_, centreDoorSwitch_);
    setTabOrder(centreDoorSwitch_, centreDoorDelay_);
    setTabOrder(centreDoorDelay_, frontDoorDelay_);
    setTabOrder(frontDoorDelay_, rollSteps_[0]);
    setTabOrder(rollSteps_[0], aboutButton_);
    setTabOrder(aboutButton_, rollSteps_[1]);

    connect(frontDoorSwitch_, &QPushButton::clicked, this, &ControlPanel::frontDoorSwitched);
    connect(centreDoorSwitch_, &QPushButton::clicked, this,
            [this](bool open) { switchCentreDoor(open); });
    connect(aboutButton_, &QPushButton::clicked, this, &ControlPanel::aboutRequested);
    // Each bar shows its value on its display, once the value changes.
    const auto showOn = [](QLabel *display) {
        return [display](int value) { display->setText(QString::number(value)); };
    };
    connect(frontDoorDelay_, &QScrollBar::valueChanged, this, showOn(frontDoorDelayDisplay_));
    connect(centreDoorDelay_, &QScrollBar::valueChanged, this, showOn(centreDoorDelayDisplay_));
    connect(frontDoorDelay_, &QScrollBar::valueChanged, this, &ControlPanel::frontDoorDelayChanged);
    connect(centreDoorDelay_, &QScrollBar::valueChanged, this,
            &ControlPanel::centreDoorDelayChanged);
    for (int i = 0; i < 2; ++i) {
        connect(rollSteps_[i], &QScrollBar::valueChanged, this, showOn(rollStepDisplays_[i]));
        connect(rollSteps_[i], &QScrollBar::valueChanged, this,
                [this, i](int step) { emit rollStepChanged(i, step); });
    }
    for (int i = 0; i < kLeafChoices; ++i)
        connect(leafOptions_[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                emit leafChoiceChanged(i);
        });
}

float ControlPanel::leftTwips() const
{
    return toplevel::frameLeft(this);
}
float ControlPanel::topTwips() const
{
    return toplevel::frameTop(this);
}
void ControlPanel::setLeftTwips(float v)
{
    toplevel::moveFrame(this, v, topTwips());
}
void ControlPanel::setTopTwips(float v)
{
    toplevel::moveFrame(this, leftTwips(), v);
}

bool ControlPanel::setFrontDoorDelay(int delay)
{
    return setInRange(frontDoorDelay_, delay);
}
bool ControlPanel::setCentreDoorDelay(int delay)
{
    return setInRange(centreDoorDelay_, delay);
}
bool ControlPanel::setRollStep(int sign, int step)
{
    return setInRange(rollSteps_.at(sign), step);
}

bool ControlPanel::setLeafChoice(int choice)
{
    if (choice < 0 || choice >= kLeafChoices)
        return false;
    leafOptions_[choice]->setChecked(true);
    return true;
}

void ControlPanel::switchCentreDoor(bool open)
{
    // The leaf choice is locked while the centre door is open.
    leafChoice_->setEnabled(!open);
    emit centreDoorSwitched(open);
}

void ControlPanel::closeEvent(QCloseEvent *event)
{
    event->ignore();
}
