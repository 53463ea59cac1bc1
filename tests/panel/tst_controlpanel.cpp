// The control panel on its own: its displays, its lock of the leaf choice, its flags and what a
// screen reader says of it.

#include <panel/controlpanel.h>
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

// Records the signals the panel sends, and what the panel looked like at each.
class SpyMain : public QObject {
public:
    explicit SpyMain(ControlPanel &panel)
    {
        const auto record = [this](const char *name) {
            return [this, name] { calls << QString::fromLatin1(name); };
        };
        connect(&panel, &ControlPanel::frontDoorSwitched, this, record("switchFrontDoor"));
        connect(&panel, &ControlPanel::centreDoorSwitched, this, [this, &panel] {
            calls << QStringLiteral("switchCentreDoor");
            frame2EnabledAtCheck2.push_back(child<QGroupBox>(panel, "leafChoice")->isEnabled());
        });
        connect(&panel, &ControlPanel::aboutRequested, this, record("showAbout"));
        connect(&panel, &ControlPanel::frontDoorDelayChanged, this, record("showFrontDoorDelay"));
        connect(&panel, &ControlPanel::centreDoorDelayChanged, this, record("showCentreDoorDelay"));
    }
    QStringList calls;
    std::vector<bool> frame2EnabledAtCheck2;
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
        panel_ = std::make_unique<ControlPanel>();
        main_ = std::make_unique<SpyMain>(*panel_);
    }

    void close_reachingPanel_isIgnoredAndNoCloseBoxOffersIt()
    {
        const Qt::WindowFlags f = panel_->windowFlags();
        QCOMPARE(f & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(f & Qt::CustomizeWindowHint);
        QVERIFY(!(f & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint |
                       Qt::WindowMinMaxButtonsHint)));
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

    // A number display is named after the bar whose value it shows.
    void accessibleNames_valueDisplay_namedAfterItsBar()
    {
        const std::array<std::pair<const char *, const char *>, 4> pairs{
            {{"frontDoorDelay", "frontDoorDelayDisplay"},
             {"centreDoorDelay", "centreDoorDelayDisplay"},
             {"rollStep_0", "rollStepDisplay_0"},
             {"rollStep_1", "rollStepDisplay_1"}}};
        for (const auto &[barName, displayName] : pairs) {
            const QString bar = spoken(child<QScrollBar>(*panel_, barName));
            const QString display = spoken(child<QLabel>(*panel_, displayName));
            QVERIFY2(display.startsWith(bar) && display != bar, qPrintable(display));
        }
    }

    void scrollBar_sameValue_raisesNoChange()
    {
        QScrollBar *front = child<QScrollBar>(*panel_, "frontDoorDelay");
        QScrollBar *centre = child<QScrollBar>(*panel_, "centreDoorDelay");
        front->setValue(front->value());
        centre->setValue(centre->value());
        QVERIFY(main_->calls.isEmpty());
        front->setValue(front->value() + 1);
        centre->setValue(centre->minimum());
        QCOMPARE(main_->calls, QStringList({QStringLiteral("showFrontDoorDelay"),
                                            QStringLiteral("showCentreDoorDelay")}));
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

    void check2_toggle_locksLeafChoiceBeforeCallingMain()
    {
        panel_->show();
        QTest::mouseClick(child<QPushButton>(*panel_, "centreDoorSwitch"), Qt::LeftButton);
        QVERIFY(child<QPushButton>(*panel_, "centreDoorSwitch")->isChecked());
        QVERIFY(!child<QGroupBox>(*panel_, "leafChoice")->isEnabled());
        QVERIFY(!child<QRadioButton>(*panel_, "leafOption_1")->isEnabled());
        QTest::mouseClick(child<QPushButton>(*panel_, "centreDoorSwitch"), Qt::LeftButton);
        QVERIFY(child<QGroupBox>(*panel_, "leafChoice")->isEnabled());
        QCOMPARE(main_->frame2EnabledAtCheck2, std::vector<bool>({false, true}));
    }

    // Keyboard on the panel.

    void tab_fromCheck2_visitsScrollBarsInOrderSkippingTheDisabledOne()
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

    void clickOnThumb_thenRightThreeTimes_commitsThreeSteps()
    {
        QVERIFY(showActive(*panel_));
        QScrollBar *bar = child<QScrollBar>(*panel_, "frontDoorDelay");
        const int start = bar->value();
        QTest::mouseClick(bar, Qt::LeftButton, {}, thumbCentre(bar));
        QCOMPARE(QApplication::focusWidget(), bar);
        main_->calls.clear();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(bar, Qt::Key_Right);
        QCOMPARE(bar->value(), start + 3);
        QCOMPARE(main_->calls, QStringList(3, QStringLiteral("showFrontDoorDelay")));
    }

    void keys_onStepBar_eachPressIsOneCommittedChange_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");
        QTest::newRow("Right") << int(Qt::Key_Right) << 501;
        QTest::newRow("Left") << int(Qt::Key_Left) << 499;
        QTest::newRow("PageDown") << int(Qt::Key_PageDown) << 501;
        QTest::newRow("PageUp") << int(Qt::Key_PageUp) << 499;
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
        QVERIFY(main_->calls.isEmpty());
    }

private:
    std::unique_ptr<ControlPanel> panel_;
    std::unique_ptr<SpyMain> main_;
};

QTEST_MAIN(TestPanel)
#include "tst_controlpanel.moc"
