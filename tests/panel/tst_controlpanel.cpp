// The control panel on its own: what it reports, its displays, its lock of the leaf choice, its
// keyboard and what a screen reader says of it.

#include <panel/controlpanel.h>
#include <settings/settings.h>
#include <support/children.h>
#include <support/spoken.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

namespace {

// Records the signals the panel sends with their values, and the leaf choice's lock at each
// centre-door switch.
class PanelSpy : public QObject {
public:
    explicit PanelSpy(ControlPanel &panel)
    {
        const auto record = [this](const char *name) {
            return [this, name](auto... values) {
                QStringList call{QString::fromLatin1(name)};
                (call.append(QString::number(values)), ...);
                calls << call.join(QLatin1Char(' '));
            };
        };
        connect(&panel, &ControlPanel::frontDoorSwitched, this, record("frontDoorSwitched"));
        connect(&panel, &ControlPanel::centreDoorSwitched, this, [this, &panel](bool open) {
            calls << QStringLiteral("centreDoorSwitched %1").arg(int(open));
            leafChoiceEnabledAtSwitch.push_back(child<QGroupBox>(panel, "leafChoice")->isEnabled());
        });
        connect(&panel, &ControlPanel::aboutRequested, this, record("aboutRequested"));
        connect(&panel, &ControlPanel::frontDoorDelayChanged, this,
                record("frontDoorDelayChanged"));
        connect(&panel, &ControlPanel::centreDoorDelayChanged, this,
                record("centreDoorDelayChanged"));
        connect(&panel, &ControlPanel::rollStepChanged, this, record("rollStepChanged"));
        connect(&panel, &ControlPanel::leafChoiceChanged, this, record("leafChoiceChanged"));
    }
    QStringList calls;
    std::vector<bool> leafChoiceEnabledAtSwitch;
};

// Where the thumb of a scroll bar is drawn.
QPoint thumbCentre(QScrollBar *bar)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.subControls = QStyle::SC_All;
    return bar->style()
        ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar)
        .center();
}

// Closes every popup that opens while it lives and says whether one did, so a test that fails
// never waits on a menu.
class PopupWatch : public QObject {
public:
    PopupWatch()
    {
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (QWidget *popup = QApplication::activePopupWidget()) {
                opened = true;
                popup->close();
            }
        });
        timer_.start(20);
    }
    bool opened = false;

private:
    QTimer timer_;
};

} // namespace

class TestPanel : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        Settings shown;
        shown.rollStep1 = 30;
        shown.leafChoice = 2;
        panel_ = std::make_unique<ControlPanel>(shown);
        spy_ = std::make_unique<PanelSpy>(*panel_);
    }

    void close_reachingPanel_isIgnored()
    {
        panel_->show();
        QVERIFY(!panel_->close());
        QVERIFY(panel_->isVisible());
    }

    // A reader can tell every control from every other, and says what each one is for.
    void accessibleNames_everyFocusableControl_distinctAndDescribed()
    {
        QSet<QString> names;
        int focusable = 0;
        for (QWidget *w : panel_->findChildren<QWidget *>()) {
            if (w->focusPolicy() == Qt::NoFocus)
                continue;
            ++focusable;
            const QString name = spoken(w);
            QVERIFY2(!name.isEmpty(), qPrintable(w->objectName()));
            QVERIFY2(!names.contains(name), qPrintable(name));
            names.insert(name);
            QVERIFY2(!spoken(w, QAccessible::Description).isEmpty(), qPrintable(name));
        }
        // Two switches, two delays, three leaves, two roll steps and the About button.
        QCOMPARE(focusable, 10);
    }

    // A bar set to the value it has changes nothing; another value is displayed and reported.
    void scrollBar_sameValue_raisesNoChange()
    {
        QScrollBar *front = child<QScrollBar>(*panel_, "frontDoorDelay");
        QScrollBar *centre = child<QScrollBar>(*panel_, "centreDoorDelay");
        front->setValue(front->value());
        centre->setValue(centre->value());
        QVERIFY(spy_->calls.isEmpty());
        QCOMPARE(child<QLabel>(*panel_, "frontDoorDelayDisplay")->text(), QStringLiteral("0"));
        front->setValue(front->value() + 1);
        centre->setValue(centre->minimum());
        QCOMPARE(spy_->calls, QStringList({QStringLiteral("frontDoorDelayChanged 6001"),
                                           QStringLiteral("centreDoorDelayChanged 1")}));
        QCOMPARE(child<QLabel>(*panel_, "frontDoorDelayDisplay")->text(), QStringLiteral("6001"));
        QCOMPARE(child<QLabel>(*panel_, "centreDoorDelayDisplay")->text(), QStringLiteral("1"));
    }

    // What the main window sets is shown and reported as a change; what lies outside a control's
    // range is refused and changes nothing.
    void setters_valueInOrOutOfRange_shownOrRefused()
    {
        QVERIFY(!panel_->setFrontDoorDelay(0));
        QVERIFY(!panel_->setCentreDoorDelay(30001));
        QVERIFY(!panel_->setRollStep(0, -1));
        QVERIFY(!panel_->setLeafChoice(3));
        QVERIFY(spy_->calls.isEmpty());
        QVERIFY(child<QRadioButton>(*panel_, "leafOption_2")->isChecked());

        QVERIFY(panel_->setFrontDoorDelay(30000));
        QVERIFY(panel_->setCentreDoorDelay(1));
        QVERIFY(panel_->setRollStep(0, 1000));
        QVERIFY(panel_->setRollStep(1, 0));
        QVERIFY(panel_->setLeafChoice(0));
        QVERIFY(panel_->setLeafChoice(0));
        QCOMPARE(spy_->calls, QStringList({QStringLiteral("frontDoorDelayChanged 30000"),
                                           QStringLiteral("centreDoorDelayChanged 1"),
                                           QStringLiteral("rollStepChanged 0 1000"),
                                           QStringLiteral("rollStepChanged 1 0"),
                                           QStringLiteral("leafChoiceChanged 0")}));
        QCOMPARE(child<QLabel>(*panel_, "rollStepDisplay_1")->text(), QStringLiteral("0"));
        QVERIFY(child<QRadioButton>(*panel_, "leafOption_0")->isChecked());
    }

    // Clicks report what they ask for: a switch the state it was clicked to, an option its index.
    void clicks_switchesOptionsAndAbout_reportedWithTheirValues()
    {
        panel_->show();
        QTest::mouseClick(child<QPushButton>(*panel_, "frontDoorSwitch"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(*panel_, "frontDoorSwitch"), Qt::LeftButton);
        QTest::mouseClick(child<QRadioButton>(*panel_, "leafOption_1"), Qt::LeftButton);
        QTest::mouseClick(child<QRadioButton>(*panel_, "leafOption_1"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(*panel_, "aboutButton"), Qt::LeftButton);
        QCOMPARE(spy_->calls,
                 QStringList(
                     {QStringLiteral("frontDoorSwitched 1"), QStringLiteral("frontDoorSwitched 0"),
                      QStringLiteral("leafChoiceChanged 1"), QStringLiteral("aboutRequested")}));
    }

    void scrollBar_thumbDrag_changesOnlyOnRelease()
    {
        QScrollBar *bar = child<QScrollBar>(*panel_, "rollStep_0");
        QSignalSpy changes(bar, &QScrollBar::valueChanged);
        bar->setSliderDown(true);
        bar->setSliderPosition(300);
        bar->setSliderPosition(400);
        QCOMPARE(changes.count(), 0);
        QCOMPARE(child<QLabel>(*panel_, "rollStepDisplay_0")->text(), QStringLiteral("0"));
        bar->setSliderDown(false);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(child<QLabel>(*panel_, "rollStepDisplay_0")->text(), QStringLiteral("400"));
    }

    void centreDoorSwitch_toggle_locksLeafChoiceBeforeReporting()
    {
        panel_->show();
        QTest::mouseClick(child<QPushButton>(*panel_, "centreDoorSwitch"), Qt::LeftButton);
        QVERIFY(child<QPushButton>(*panel_, "centreDoorSwitch")->isChecked());
        QVERIFY(!child<QGroupBox>(*panel_, "leafChoice")->isEnabled());
        QVERIFY(!child<QRadioButton>(*panel_, "leafOption_1")->isEnabled());
        QTest::mouseClick(child<QPushButton>(*panel_, "centreDoorSwitch"), Qt::LeftButton);
        QVERIFY(child<QGroupBox>(*panel_, "leafChoice")->isEnabled());
        QCOMPARE(spy_->leafChoiceEnabledAtSwitch, std::vector<bool>({false, true}));
        QCOMPARE(spy_->calls, QStringList({QStringLiteral("centreDoorSwitched 1"),
                                           QStringLiteral("centreDoorSwitched 0")}));
    }

    // Keyboard on the panel.

    void tab_fromCentreDoorSwitch_visitsScrollBarsInOrderSkippingTheDisabledOne()
    {
        QVERIFY(showActive(*panel_));
        child<QPushButton>(*panel_, "centreDoorSwitch")->setFocus();
        QList<QWidget *> visited;
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        const QList<QWidget *> expected{child<QScrollBar>(*panel_, "centreDoorDelay"),
                                        child<QScrollBar>(*panel_, "frontDoorDelay"),
                                        child<QScrollBar>(*panel_, "rollStep_0"),
                                        child<QPushButton>(*panel_, "aboutButton"),
                                        child<QRadioButton>(*panel_, "leafOption_2")};
        QCOMPARE(visited, expected);
    }

    void keys_onStepBar_eachPressIsOneCommittedChange_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");
        QTest::newRow("Right") << int(Qt::Key_Right) << 501;
        QTest::newRow("PageDown") << int(Qt::Key_PageDown) << 501;
        QTest::newRow("Home") << int(Qt::Key_Home) << 0;
        QTest::newRow("End") << int(Qt::Key_End) << 1000;
    }

    void keys_onStepBar_eachPressIsOneCommittedChange()
    {
        QFETCH(int, key);
        QFETCH(int, expected);
        QScrollBar *bar = child<QScrollBar>(*panel_, "rollStep_0");
        bar->setValue(500);
        QSignalSpy changes(bar, &QScrollBar::valueChanged);
        QTest::keyClick(bar, Qt::Key(key));
        QCOMPARE(changes.count(), 1);
        QCOMPARE(child<QLabel>(*panel_, "rollStepDisplay_0")->text(), QString::number(expected));
    }

    // Inputs that change nothing.

    void scrollBar_wheelMiddleOrRightClick_changesNothingAndOpensNoMenu()
    {
        QVERIFY(showActive(*panel_));
        QScrollBar *bar = child<QScrollBar>(*panel_, "frontDoorDelay");
        const int start = bar->value();
        const QPointF thumb = thumbCentre(bar);
        for (int notch : {120, 120, -120}) {
            QWheelEvent wheel(thumb, bar->mapToGlobal(thumb), QPoint(), QPoint(0, notch),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(bar, &wheel);
        }
        const QPoint far(bar->width() * 3 / 4, bar->height() / 2);
        QTest::mouseClick(bar, Qt::MiddleButton, {}, far);
        PopupWatch watch;
        QTest::mouseClick(bar, Qt::RightButton, {}, far);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, far, bar->mapToGlobal(far));
        QApplication::sendEvent(bar, &menu);
        QTest::qWait(100);
        QVERIFY(!watch.opened);
        QCOMPARE(bar->value(), start);
        QVERIFY(spy_->calls.isEmpty());
    }

private:
    std::unique_ptr<ControlPanel> panel_;
    std::unique_ptr<PanelSpy> spy_;
};

QTEST_MAIN(TestPanel)
#include "tst_controlpanel.moc"
