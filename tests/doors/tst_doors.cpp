// The door movements on a shown (offscreen) bus surface, with a fake control panel and a fake
// sound player. Steps are observed where they must be complete: when the door reads its speed
// for the wait that follows the step. Partial steps are observed in the synchronous repaints.

#include <common/layout.h>
#include <common/windowless.h>
#include <doors/countingwait.h>
#include <doors/doors.h>
#include <fakes/fakesound.h>
#include <support/files.h>

#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <QtTest>

#include <array>
#include <functional>

namespace {

constexpr twips::Rect kFrontClosed = layout::kFrontDoor;
constexpr twips::Rect kLeftClosed = layout::kCentreLeftLeaf;
constexpr twips::Rect kRightClosed = layout::kCentreRightLeaf;
// The post the right leaf folds against.
constexpr float kRightPost = kRightClosed.left + kRightClosed.width;
constexpr float kOpen = layout::kCentreLeafOpenWidth;
constexpr float kFrontOpen = layout::kFrontDoorOpenWidth;
// One step per twip between closed and open, both ends included.
constexpr std::size_t kCentreSteps = std::size_t(kLeftClosed.width - kOpen) + 1;
constexpr int kFrontSteps = int(kFrontClosed.width - kFrontOpen) + 1;

struct Geometry {
    twips::Rect front;
    twips::Rect left;
    twips::Rect right;
};

class FakeDoorPanel : public DoorPanel {
public:
    int check1 = 0;
    int check2 = 0;
    std::int16_t frontDoorDelay = 1;
    std::int16_t centreDoorDelay = 1;
    std::array<bool, 3> option{true, false, false};
    // A speed is read once per step, right before the step's wait.
    std::function<void()> onWait;
    mutable int frontReads = 0;
    mutable int centreReads = 0;

    int Check1Value() const override { return check1; }
    int Check2Value() const override { return check2; }
    std::int16_t HScroll1Value() const override { return speed(frontReads, frontDoorDelay); }
    std::int16_t HScroll2Value() const override { return speed(centreReads, centreDoorDelay); }
    bool Option1Value(int index) const override { return option.at(std::size_t(index)); }

private:
    // `value` is read after onWait, which may change it.
    std::int16_t speed(int &reads, const std::int16_t &value) const
    {
        ++reads;
        if (onWait)
            onWait();
        return value;
    }
};

// The part of the main window the doors live on. Every paint records where the leaves were.
class BusSurface : public QWidget {
public:
    BusSurface()
    {
        setFixedSize(layout::kClientWidth, layout::kBusHeight);
        const auto picture = [](QColor c) {
            QImage img(8, 8, QImage::Format_RGB32);
            img.fill(c);
            return img;
        };
        // Created in the main window's order: the right leaf lies over the left one.
        right.setPicture(picture(Qt::darkGreen));
        left.setPicture(picture(Qt::darkCyan));
        front.setPicture(picture(Qt::darkBlue));
    }

    Geometry geometry() const { return {front.rect(), left.rect(), right.rect()}; }

    WindowlessLayer layer{this};
    ImageControl right{layer, kRightClosed, true};
    ImageControl left{layer, kLeftClosed, true};
    ImageControl front{layer, kFrontClosed, true};
    bool recording = false;
    std::vector<Geometry> painted;

protected:
    void paintEvent(QPaintEvent *e) override
    {
        QPainter p(this);
        p.fillRect(e->rect(), Qt::white);
        layer.paint(p, e->rect());
        if (recording)
            painted.push_back(geometry());
    }
};

struct Bus {
    Bus()
    {
        surface.show();
        QVERIFY(QTest::qWaitForWindowExposed(&surface));
        panel.onWait = [this] { steps.push_back(surface.geometry()); };
    }

    BusSurface surface;
    FakeDoorPanel panel;
    FakeSoundPlayer sound;
    WavePlayer waves{sound};
    Doors doors{surface.front, surface.left, surface.right, panel, waves};
    // The leaves at each wait, i.e. after each complete step.
    std::vector<Geometry> steps;

    // Runs f in the next event pass, as a click that arrives meanwhile would be handled. What is
    // still pending when the bus goes is dropped.
    void post(std::function<void()> f)
    {
        QMetaObject::invokeMethod(&events, std::move(f), Qt::QueuedConnection);
    }
    QObject events;
};

twips::Rect leftAt(float w)
{
    return {kLeftClosed.left, kLeftClosed.top, w, kLeftClosed.height};
}
twips::Rect rightAt(float w)
{
    return {kRightPost - w, kRightClosed.top, w, kRightClosed.height};
}

} // namespace

class TestDoors : public QObject {
    Q_OBJECT

private slots:
    void frontDoor_clicked_movesOnePixelStepAtATime_data()
    {
        QTest::addColumn<int>("check1");
        QTest::addColumn<float>("startWidth");
        QTest::addColumn<float>("firstWidth");
        QTest::addColumn<int>("stepCount");
        const float closed = kFrontClosed.width;
        QTest::newRow("opens from closed") << 1 << closed << closed << kFrontSteps;
        QTest::newRow("any non-zero value opens") << 2 << closed << closed << kFrontSteps;
        QTest::newRow("opens from a rounded width") << 1 << 1000.6f << 1001.f << 932;
        QTest::newRow("already narrower than open") << 1 << 60.f << 0.f << 0;
        QTest::newRow("closes from open") << 0 << kFrontOpen << kFrontOpen << kFrontSteps;
        QTest::newRow("closes from anywhere via open") << 0 << 500.f << kFrontOpen << kFrontSteps;
    }

    void frontDoor_clicked_movesOnePixelStepAtATime()
    {
        QFETCH(int, check1);
        QFETCH(float, startWidth);
        QFETCH(float, firstWidth);
        QFETCH(int, stepCount);

        Bus bus;
        bus.surface.front.setWidthTwips(startWidth);
        bus.panel.check1 = check1;
        bus.doors.switchFrontDoor();

        // One front-door speed read per step; with the count, each step's width fixes the last.
        QCOMPARE(int(bus.steps.size()), stepCount);
        QCOMPARE(bus.panel.centreReads, 0);
        QVERIFY(bus.sound.requests.empty());
        if (stepCount == 0)
            QCOMPARE(bus.surface.front.widthTwips(), startWidth);
        const float dir = check1 ? -1.f : 1.f;
        for (std::size_t i = 0; i < bus.steps.size(); ++i) {
            const Geometry &g = bus.steps[i];
            // Only the width changes: the door is hinged on its left edge.
            QCOMPARE(g.front, (twips::Rect{kFrontClosed.left, kFrontClosed.top,
                                           firstWidth + dir * float(i), kFrontClosed.height}));
            QCOMPARE(g.left, kLeftClosed);
            QCOMPARE(g.right, kRightClosed);
        }
    }

    void centreDoor_leafChoice_movesTheChosenLeaves_data()
    {
        QTest::addColumn<bool>("both");
        QTest::addColumn<bool>("leftOnly");
        QTest::addColumn<bool>("rightOnly");
        QTest::addColumn<bool>("leftMoves");
        QTest::addColumn<bool>("rightMoves");
        QTest::newRow("両方") << true << false << false << true << true;
        QTest::newRow("左") << false << true << false << true << false;
        QTest::newRow("右") << false << false << true << false << true;
        QTest::newRow("nothing selected") << false << false << false << false << true;
        QTest::newRow("左 and 右 on") << false << true << true << true << false;
        QTest::newRow("両方 and 左 on") << true << true << false << true << true;
    }

    void centreDoor_leafChoice_movesTheChosenLeaves()
    {
        QFETCH(bool, both);
        QFETCH(bool, leftOnly);
        QFETCH(bool, rightOnly);
        QFETCH(bool, leftMoves);
        QFETCH(bool, rightMoves);

        Bus bus;
        bus.panel.option = {both, leftOnly, rightOnly};
        int readsAtSound = -1;
        Geometry atSound{};
        bus.sound.onRequest = [&](const FakeSoundPlayer::Request &r) {
            if (r.kind == FakeSoundPlayer::Request::Kind::Play) {
                readsAtSound = bus.panel.centreReads;
                atSound = bus.surface.geometry();
            }
        };

        const auto checkSteps = [&](float firstWidth, float dir) {
            QCOMPARE(bus.steps.size(), kCentreSteps);
            for (std::size_t i = 0; i < bus.steps.size(); ++i) {
                const Geometry &g = bus.steps[i];
                const float w = firstWidth + dir * float(i);
                QCOMPARE(g.left, leftMoves ? leftAt(w) : kLeftClosed);
                // The right leaf keeps its right edge on its post.
                QCOMPARE(g.right, rightMoves ? rightAt(w) : kRightClosed);
                QCOMPARE(g.front, kFrontClosed);
            }
        };

        // Opening: the whole opening sound first, nothing moved yet.
        bus.panel.check2 = 1;
        bus.doors.switchCentreDoor();
        QCOMPARE(bus.sound.plays().size(), 1u);
        QVERIFY(!bus.sound.plays()[0].async);
        QCOMPARE(bus.sound.plays()[0].wave, waveResource(101));
        QCOMPARE(readsAtSound, 0);
        QCOMPARE(atSound.left, kLeftClosed);
        QCOMPARE(atSound.right, kRightClosed);
        checkSteps(kLeftClosed.width, -1);

        // Closing: the closing sound is started before the first step and plays on.
        bus.steps.clear();
        bus.panel.check2 = 0;
        bus.doors.switchCentreDoor();
        QCOMPARE(bus.sound.plays().size(), 2u);
        QVERIFY(bus.sound.plays()[1].async);
        QCOMPARE(bus.sound.plays()[1].wave, waveResource(102));
        QCOMPARE(readsAtSound, int(kCentreSteps));
        checkSteps(kOpen, 1);
        QCOMPARE(bus.panel.frontReads, 0);
    }

    void centreDoor_opening_startsFromTheMovingLeafsWidth_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<float>("leftWidth");
        QTest::addColumn<float>("rightWidth");
        QTest::addColumn<int>("stepCount");
        // Both leaves follow the left one's width, even where the right one differs.
        QTest::newRow("両方") << 0 << 300.f << 840.f << 191;
        QTest::newRow("左") << 1 << 400.f << 840.f << 291;
        QTest::newRow("右") << 2 << 840.f << 500.f << 391;
        QTest::newRow("right leaf already open") << 2 << 840.f << 100.f << 0;
    }

    void centreDoor_opening_startsFromTheMovingLeafsWidth()
    {
        QFETCH(int, option);
        QFETCH(float, leftWidth);
        QFETCH(float, rightWidth);
        QFETCH(int, stepCount);

        Bus bus;
        bus.panel.option = {option == 0, option == 1, option == 2};
        bus.surface.left.setWidthTwips(leftWidth);
        bus.surface.right.setWidthTwips(rightWidth);
        bus.surface.right.setLeftTwips(kRightPost - rightWidth);
        bus.panel.check2 = 1;
        bus.doors.switchCentreDoor();

        QCOMPARE(int(bus.steps.size()), stepCount);
        if (stepCount == 0)
            return;
        const float w0 = option == 2 ? rightWidth : leftWidth;
        const Geometry &first = bus.steps.front();
        if (option != 2)
            QCOMPARE(first.left, leftAt(w0));
        if (option != 1)
            QCOMPARE(first.right, rightAt(w0));
        QCOMPARE(bus.steps.back().left.width, option == 2 ? leftWidth : kOpen);
        QCOMPARE(bus.steps.back().right.width, option == 1 ? rightWidth : kOpen);
    }

    void centreDoor_step_paintedInItsOrder_data()
    {
        QTest::addColumn<bool>("opening");
        QTest::newRow("opening") << true;
        QTest::newRow("closing") << false;
    }

    // A step sets the left leaf's width, then the right leaf's width, then its Left. Only changes
    // that move a pixel repaint, and with leaves of 15 twips per pixel those are the left leaf's
    // width and the right leaf's Left, on the same steps, about one step in 15. So every such step
    // paints twice: first with only the left leaf changed, then with both, and the right leaf is
    // never painted off its post.
    void centreDoor_step_paintedInItsOrder()
    {
        QFETCH(bool, opening);
        Bus bus;
        if (!opening) {
            bus.surface.left.setWidthTwips(kOpen);
            bus.surface.right.setWidthTwips(kOpen);
            bus.surface.right.setLeftTwips(kRightPost - kOpen);
        }
        bus.panel.check2 = opening ? 1 : 0;
        const long repaintsBefore = bus.surface.layer.repaintCount();
        bus.surface.recording = true;
        bus.doors.switchCentreDoor();
        bus.surface.recording = false;

        const auto &painted = bus.surface.painted;
        QCOMPARE(long(painted.size()), bus.surface.layer.repaintCount() - repaintsBefore);
        QVERIFY(!painted.empty());
        QCOMPARE(painted.size() % 2, 0u);
        QVERIFY2(painted.size() / 2 <= kCentreSteps / 15 + 1,
                 qPrintable(QString::number(painted.size())));
        const float behind = opening ? 1.f : -1.f; // the right leaf's width before its step
        for (std::size_t i = 0; i < painted.size(); i += 2) {
            const Geometry &leftDone = painted[i];
            const Geometry &stepDone = painted[i + 1];
            QCOMPARE(leftDone.right.width, leftDone.left.width + behind);
            QCOMPARE(stepDone.right.width, stepDone.left.width);
            QCOMPARE(stepDone.left.width, leftDone.left.width);
            QCOMPARE(leftDone.right.right(), kRightPost);
            QCOMPARE(stepDone.right.right(), kRightPost);
        }
    }

    void doors_moving_handleNoEventsBetweenSteps()
    {
        Bus bus;
        int received = 0;
        const auto postOne = [&] { bus.post([&] { ++received; }); };
        int deliveredDuringSteps = 0;
        bus.panel.onWait = [&] { deliveredDuringSteps += received; };

        // Front door, and centre door opening with its synchronous sound: nothing runs.
        for (auto click : {&Doors::switchFrontDoor, &Doors::switchCentreDoor}) {
            bus.panel.check1 = bus.panel.check2 = 1;
            postOne();
            (bus.doors.*click)();
            QCOMPARE(deliveredDuringSteps, 0);
            QCOMPARE(received, 0);
            QCoreApplication::processEvents();
            QCOMPARE(received, 1);
            received = 0;
        }

        // Centre door closing: what was pending runs in the pass after the sound starts; what comes
        // once the leaves move waits until they have stopped.
        bus.panel.check2 = 0;
        postOne();
        bool posted = false;
        bus.panel.onWait = [&] {
            deliveredDuringSteps += received - 1;
            if (!posted)
                postOne();
            posted = true;
        };
        bus.doors.switchCentreDoor();
        QCOMPARE(deliveredDuringSteps, 0);
        QCOMPARE(received, 1);
        QCoreApplication::processEvents();
        QCOMPARE(received, 2);
    }

    // The user unchecks the centre door and, before the closing movement starts, checks it again:
    // that click arrives in the event pass of the closing sound. It opens the door (from where the
    // leaves are, with the opening sound stopping the closing one), and then the interrupted
    // closing runs to its end: the door ends closed with its switch checked.
    void centreDoor_clickDuringClosingSound_runsItsOpeningFirst()
    {
        Bus bus;
        bus.panel.check2 = 1;
        bus.doors.switchCentreDoor(); // open
        bus.steps.clear();
        bus.sound.requests.clear();

        int nesting = 0;
        std::vector<int> stepNesting;
        bus.panel.onWait = [&] {
            bus.steps.push_back(bus.surface.geometry());
            stepNesting.push_back(nesting);
        };
        bus.post([&] {
            bus.panel.check2 = 1;
            ++nesting;
            bus.doors.switchCentreDoor();
            --nesting;
        });
        bus.panel.check2 = 0;
        bus.doors.switchCentreDoor();

        const auto plays = bus.sound.plays();
        QCOMPARE(plays.size(), 2u);
        QVERIFY(plays[0].async);
        QCOMPARE(plays[0].wave, waveResource(102));
        QVERIFY(!plays[1].async);
        QCOMPARE(plays[1].wave, waveResource(101));

        // The nested opening starts at the open width, so it is a single step, all before the
        // closing's steps.
        QCOMPARE(bus.steps.size(), 732u);
        QCOMPARE(stepNesting.front(), 1);
        QCOMPARE(std::count(stepNesting.begin(), stepNesting.end(), 1), 1);
        QCOMPARE(bus.steps.front().left, leftAt(kOpen));
        QCOMPARE(bus.steps[1].left, leftAt(kOpen));
        QCOMPARE(bus.surface.left.rect(), kLeftClosed);
        QCOMPARE(bus.surface.right.rect(), kRightClosed);
        QCOMPARE(bus.panel.check2, 1);
    }

    // Unchecking the centre door frees the leaf choice again, so a choice clicked meanwhile is
    // handled in the closing sound's event pass and decides which leaves close.
    void centreDoor_leafChoiceDuringClosingSound_counts()
    {
        Bus bus;
        bus.panel.check2 = 1;
        bus.doors.switchCentreDoor(); // both open
        bus.steps.clear();

        bus.post([&] { bus.panel.option = {false, true, false}; });
        bus.panel.check2 = 0;
        bus.doors.switchCentreDoor();
        QCOMPARE(bus.steps.size(), kCentreSteps);
        QCOMPARE(bus.surface.left.rect(), kLeftClosed);
        QCOMPARE(bus.surface.right.rect(), rightAt(kOpen));
    }

    void doorSpeed_everyStep_readAfreshAndWaitedFor()
    {
        using std::chrono::steady_clock;
        // The speed is read afresh before each wait and waited for: here it grows step by step.
        Bus bus;
        bus.panel.check1 = 1;
        bus.panel.frontDoorDelay = 0;
        std::chrono::nanoseconds owed{0};
        bus.panel.onWait = [&] {
            bus.panel.frontDoorDelay = std::int16_t(bus.panel.frontReads * 4);
            owed += bus.panel.frontDoorDelay * doors::kCountPass;
        };
        const auto t0 = steady_clock::now();
        bus.doors.switchFrontDoor();
        const auto spent = steady_clock::now() - t0;
        QCOMPARE(bus.panel.frontReads, kFrontSteps);
        QVERIFY2(
            spent >= owed,
            qPrintable(
                QStringLiteral("%1 ns spent, %2 ns owed").arg(spent.count()).arg(owed.count())));

        // A speed of zero or below means no wait, not a stall; the steps all happen.
        bus.panel.onWait = nullptr;
        bus.panel.frontReads = 0;
        bus.panel.frontDoorDelay = -1;
        bus.panel.check1 = 0;
        bus.doors.switchFrontDoor();
        QCOMPARE(bus.panel.frontReads, kFrontSteps);
    }
};

QTEST_MAIN(TestDoors)
#include "tst_doors.moc"
