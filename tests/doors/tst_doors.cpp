// The door movements on a shown (offscreen) bus surface with a fake sound player. The leaves
// repaint synchronously whenever a step moves a pixel, so each paint shows the doors as that step
// left them; the waits between steps are seen in the time a movement takes.

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

#include <chrono>
#include <functional>

namespace {

constexpr twips::Rect kFrontClosed = layout::kFrontDoor;
constexpr twips::Rect kLeftClosed = layout::kCentreLeftLeaf;
constexpr twips::Rect kRightClosed = layout::kCentreRightLeaf;
// The post the right leaf folds against.
constexpr float kRightPost = layout::kCentreRightPost;
constexpr float kOpen = layout::kCentreLeafOpenWidth;
constexpr float kFrontOpen = layout::kFrontDoorOpenWidth;
// One step per twip between closed and open, both ends included.
constexpr int kCentreSteps = int(kLeftClosed.width - kOpen) + 1;
constexpr int kFrontSteps = int(kFrontClosed.width - kFrontOpen) + 1;
constexpr float kPixel = twips::kPerPixel;

struct Geometry {
    twips::Rect front;
    twips::Rect left;
    twips::Rect right;
};

// The part of the main window the doors live on. Every paint records where the doors were.
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
    // Runs in every recorded paint, in the middle of a movement's step.
    std::function<void()> onPaint;

protected:
    void paintEvent(QPaintEvent *e) override
    {
        QPainter p(this);
        p.fillRect(e->rect(), Qt::white);
        layer.paint(p, e->rect());
        if (!recording)
            return;
        painted.push_back(geometry());
        if (onPaint)
            onPaint();
    }
};

struct Bus {
    Bus()
    {
        surface.show();
        QVERIFY(QTest::qWaitForWindowExposed(&surface));
        doors.setFrontDoorDelay(1);
        doors.setCentreDoorDelay(1);
        surface.recording = true;
    }

    BusSurface surface;
    FakeSoundPlayer sound;
    WavePlayer waves{sound};
    Doors doors{surface.front, surface.left, surface.right, waves};

    // Runs f in the next event pass, as a click that arrives meanwhile would be handled. What is
    // still pending when the bus goes is dropped.
    void post(std::function<void()> f)
    {
        QMetaObject::invokeMethod(&events, std::move(f), Qt::QueuedConnection);
    }
    QObject events;
};

twips::Rect frontAt(float w)
{
    return {kFrontClosed.left, kFrontClosed.top, w, kFrontClosed.height};
}
twips::Rect leftAt(float w)
{
    return {kLeftClosed.left, kLeftClosed.top, w, kLeftClosed.height};
}
twips::Rect rightAt(float w)
{
    return {kRightPost - w, kRightClosed.top, w, kRightClosed.height};
}

// Whether `widths`, as painted, start within a pixel of `from` and go one pixel at a time in the
// direction of `to`, short of it by less than a pixel at the end. The first move may be shorter:
// the door may start off a pixel's edge.
bool pixelByPixel(const std::vector<float> &widths, float from, float to)
{
    const float dir = to < from ? -1.f : 1.f;
    const auto within = [dir](float a, float b) {
        return dir * (b - a) >= 0 && dir * (b - a) < kPixel;
    };
    if (widths.empty() || !within(from, widths.front()) || !within(widths.back(), to))
        return false;
    for (std::size_t i = 1; i < widths.size(); ++i) {
        const float move = dir * (widths[i] - widths[i - 1]);
        if (move > kPixel || move <= 0 || (i > 1 && move != kPixel))
            return false;
    }
    return true;
}

template <typename Part>
std::vector<float> widthsOf(const std::vector<Geometry> &painted, Part part)
{
    std::vector<float> widths;
    for (const Geometry &g : painted)
        if (widths.empty() || widths.back() != (g.*part).width)
            widths.push_back((g.*part).width);
    return widths;
}

// The time `f` takes.
std::chrono::nanoseconds timed(const std::function<void()> &f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::steady_clock::now() - t0;
}

} // namespace

class TestDoors : public QObject {
    Q_OBJECT

private slots:
    void frontDoor_switched_movesOnePixelStepAtATime_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<float>("startWidth");
        QTest::addColumn<float>("firstWidth");
        QTest::addColumn<float>("endWidth");
        const float closed = kFrontClosed.width;
        QTest::newRow("opens from closed") << true << closed << closed << kFrontOpen;
        QTest::newRow("opens from a rounded width") << true << 1000.6f << 1001.f << kFrontOpen;
        QTest::newRow("already narrower than open") << true << 60.f << 60.f << 60.f;
        QTest::newRow("closes from open") << false << kFrontOpen << kFrontOpen << closed;
        QTest::newRow("closes from anywhere via open") << false << 500.f << kFrontOpen << closed;
    }

    void frontDoor_switched_movesOnePixelStepAtATime()
    {
        QFETCH(bool, open);
        QFETCH(float, startWidth);
        QFETCH(float, firstWidth);
        QFETCH(float, endWidth);

        Bus bus;
        bus.surface.front.setWidthTwips(startWidth);
        bus.surface.painted.clear();
        bus.doors.switchFrontDoor(open);

        QCOMPARE(bus.surface.front.rect(), frontAt(endWidth));
        QVERIFY(bus.sound.requests.empty());
        if (startWidth == endWidth) {
            QVERIFY(bus.surface.painted.empty());
            return;
        }
        QVERIFY(
            pixelByPixel(widthsOf(bus.surface.painted, &Geometry::front), firstWidth, endWidth));
        for (const Geometry &g : bus.surface.painted) {
            // Only the width changes: the door is hinged on its left edge.
            QCOMPARE(g.front, frontAt(g.front.width));
            QCOMPARE(g.left, kLeftClosed);
            QCOMPARE(g.right, kRightClosed);
        }
    }

    void centreDoor_leafChoice_movesTheChosenLeaves_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("leftMoves");
        QTest::addColumn<bool>("rightMoves");
        QTest::newRow("両方") << 0 << true << true;
        QTest::newRow("左") << 1 << true << false;
        QTest::newRow("右") << 2 << false << true;
    }

    void centreDoor_leafChoice_movesTheChosenLeaves()
    {
        QFETCH(int, choice);
        QFETCH(bool, leftMoves);
        QFETCH(bool, rightMoves);

        Bus bus;
        bus.doors.setLeafChoice(choice);
        std::size_t paintsAtSound = 99;
        Geometry atSound{};
        bus.sound.onRequest = [&](const FakeSoundPlayer::Request &r) {
            if (r.kind == FakeSoundPlayer::Request::Kind::Play) {
                paintsAtSound = bus.surface.painted.size();
                atSound = bus.surface.geometry();
            }
        };

        const auto checkPainted = [&](float from, float to) {
            const auto &painted = bus.surface.painted;
            QVERIFY(!painted.empty());
            for (const Geometry &g : painted) {
                if (!leftMoves)
                    QCOMPARE(g.left, kLeftClosed);
                if (!rightMoves)
                    QCOMPARE(g.right, kRightClosed);
                QCOMPARE(g.front, kFrontClosed);
            }
            if (leftMoves)
                QVERIFY(pixelByPixel(widthsOf(painted, &Geometry::left), from, to));
            // With both, the right leaf follows the left within the step (as painted in order).
            if (rightMoves && !leftMoves)
                QVERIFY(pixelByPixel(widthsOf(painted, &Geometry::right), from, to));
            const twips::Rect &moving =
                leftMoves ? bus.surface.left.rect() : bus.surface.right.rect();
            QCOMPARE(moving.width, to);
            // The right leaf keeps its right edge on its post.
            QCOMPARE(bus.surface.right.rect().right(), kRightPost);
        };

        // Opening: the whole opening sound first, nothing moved yet.
        bus.doors.switchCentreDoor(true);
        QCOMPARE(bus.sound.plays().size(), 1u);
        QVERIFY(!bus.sound.plays()[0].async);
        QCOMPARE(bus.sound.plays()[0].wave, waveResource(101));
        QCOMPARE(paintsAtSound, 0u);
        QCOMPARE(atSound.left, kLeftClosed);
        QCOMPARE(atSound.right, kRightClosed);
        checkPainted(kLeftClosed.width, kOpen);

        // Closing: the closing sound is started before the first step and plays on.
        bus.surface.painted.clear();
        bus.doors.switchCentreDoor(false);
        QCOMPARE(bus.sound.plays().size(), 2u);
        QVERIFY(bus.sound.plays()[1].async);
        QCOMPARE(bus.sound.plays()[1].wave, waveResource(102));
        QCOMPARE(paintsAtSound, 0u);
        checkPainted(kOpen, kLeftClosed.width);
        QCOMPARE(bus.surface.left.rect(), kLeftClosed);
        QCOMPARE(bus.surface.right.rect(), kRightClosed);
    }

    void centreDoor_opening_startsFromTheMovingLeafsWidth_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<float>("leftWidth");
        QTest::addColumn<float>("rightWidth");
        // Both leaves follow the left one's width, even where the right one differs.
        QTest::newRow("両方") << 0 << 300.f << 840.f;
        QTest::newRow("左") << 1 << 400.f << 840.f;
        QTest::newRow("右") << 2 << 840.f << 500.f;
        QTest::newRow("right leaf already open") << 2 << 840.f << 100.f;
    }

    void centreDoor_opening_startsFromTheMovingLeafsWidth()
    {
        QFETCH(int, choice);
        QFETCH(float, leftWidth);
        QFETCH(float, rightWidth);

        Bus bus;
        bus.doors.setLeafChoice(choice);
        bus.surface.left.setWidthTwips(leftWidth);
        bus.surface.right.setWidthTwips(rightWidth);
        bus.surface.right.setLeftTwips(kRightPost - rightWidth);
        bus.surface.painted.clear();
        bus.doors.switchCentreDoor(true);

        const float w0 = choice == 2 ? rightWidth : leftWidth;
        if (w0 < kOpen) {
            QVERIFY(bus.surface.painted.empty());
            QCOMPARE(bus.surface.right.rect(), rightAt(rightWidth));
            return;
        }
        const auto &painted = bus.surface.painted;
        if (choice != 2)
            QVERIFY(pixelByPixel(widthsOf(painted, &Geometry::left), w0, kOpen));
        // On its post, the right leaf has the moving width, or the one before it while the left
        // leaf has taken its step.
        for (const Geometry &g : painted)
            if (choice == 0 && g.right.right() == kRightPost)
                QVERIFY(g.right.width == g.left.width || g.right.width == g.left.width + 1);
        if (choice == 2)
            QVERIFY(pixelByPixel(widthsOf(painted, &Geometry::right), w0, kOpen));
        QCOMPARE(bus.surface.left.rect(), leftAt(choice == 2 ? leftWidth : kOpen));
        QCOMPARE(bus.surface.right.rect(), rightAt(choice == 1 ? rightWidth : kOpen));
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
        bus.surface.painted.clear();
        bus.doors.switchCentreDoor(opening);

        const auto &painted = bus.surface.painted;
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
        bus.surface.onPaint = [&] { deliveredDuringSteps += received; };

        // Front door, and centre door opening with its synchronous sound: nothing runs.
        bus.doors.setLeafChoice(0);
        for (auto click : {&Doors::switchFrontDoor, &Doors::switchCentreDoor}) {
            postOne();
            bus.surface.painted.clear();
            (bus.doors.*click)(true);
            QVERIFY(!bus.surface.painted.empty());
            QCOMPARE(deliveredDuringSteps, 0);
            QCOMPARE(received, 0);
            QCoreApplication::processEvents();
            QCOMPARE(received, 1);
            received = 0;
        }

        // Centre door closing: what was pending runs in the pass after the sound starts; what comes
        // once the leaves move waits until they have stopped.
        postOne();
        bool posted = false;
        bus.surface.onPaint = [&] {
            deliveredDuringSteps += received - 1;
            if (!posted)
                postOne();
            posted = true;
        };
        bus.doors.switchCentreDoor(false);
        QVERIFY(posted);
        QCOMPARE(deliveredDuringSteps, 0);
        QCOMPARE(received, 1);
        QCoreApplication::processEvents();
        QCOMPARE(received, 2);
    }

    // The user unchecks the centre door and, before the closing movement starts, checks it again:
    // that click arrives in the event pass of the closing sound. It opens the door (from where the
    // leaves are, with the opening sound stopping the closing one), and then the interrupted
    // closing runs to its end: the door ends closed.
    void centreDoor_clickDuringClosingSound_runsItsOpeningFirst()
    {
        Bus bus;
        bus.doors.switchCentreDoor(true);
        bus.surface.painted.clear();
        bus.sound.requests.clear();

        int nesting = 0;
        bool nested = false;
        std::vector<int> paintNesting;
        bus.surface.onPaint = [&] { paintNesting.push_back(nesting); };
        bus.post([&] {
            ++nesting;
            bus.doors.switchCentreDoor(true);
            --nesting;
            nested = true;
        });
        bus.doors.switchCentreDoor(false);

        QVERIFY(nested);
        const auto plays = bus.sound.plays();
        QCOMPARE(plays.size(), 2u);
        QVERIFY(plays[0].async);
        QCOMPARE(plays[0].wave, waveResource(102));
        QVERIFY(!plays[1].async);
        QCOMPARE(plays[1].wave, waveResource(101));

        // The nested opening starts at the open width: it moves nothing, and the closing that
        // follows moves the leaves from open to closed.
        QCOMPARE(std::count(paintNesting.begin(), paintNesting.end(), 1), 0);
        QVERIFY(
            pixelByPixel(widthsOf(bus.surface.painted, &Geometry::left), kOpen, kLeftClosed.width));
        QCOMPARE(bus.surface.left.rect(), kLeftClosed);
        QCOMPARE(bus.surface.right.rect(), kRightClosed);
    }

    // Unchecking the centre door frees the leaf choice again, so a choice made meanwhile arrives
    // in the closing sound's event pass and decides which leaves close.
    void centreDoor_leafChoiceDuringClosingSound_counts()
    {
        Bus bus;
        bus.doors.switchCentreDoor(true); // both open

        bus.post([&] { bus.doors.setLeafChoice(1); });
        bus.doors.switchCentreDoor(false);
        QCOMPARE(bus.surface.left.rect(), kLeftClosed);
        QCOMPARE(bus.surface.right.rect(), rightAt(kOpen));
    }

    // Each step waits for its door's delay, as the delay is when the step comes: one set in the
    // closing sound's event pass counts for the whole closing. A delay of zero or below means no
    // wait, not a stall.
    void doorDelay_everyStep_waitedFor()
    {
        constexpr int kDelay = 100;
        Bus bus;
        bus.doors.setFrontDoorDelay(kDelay);
        const auto front = timed([&] { bus.doors.switchFrontDoor(true); });
        const auto frontOwed = kFrontSteps * kDelay * doors::kCountPass;
        QVERIFY2(front >= frontOwed, qPrintable(QStringLiteral("%1 ns spent, %2 ns owed")
                                                    .arg(front.count())
                                                    .arg(frontOwed.count())));

        bus.doors.setCentreDoorDelay(0);
        bus.doors.switchCentreDoor(true);
        bus.post([&] { bus.doors.setCentreDoorDelay(kDelay); });
        const auto centre = timed([&] { bus.doors.switchCentreDoor(false); });
        const auto centreOwed = kCentreSteps * kDelay * doors::kCountPass;
        QVERIFY2(centre >= centreOwed, qPrintable(QStringLiteral("%1 ns spent, %2 ns owed")
                                                      .arg(centre.count())
                                                      .arg(centreOwed.count())));

        bus.doors.setFrontDoorDelay(-1);
        bus.doors.switchFrontDoor(false);
        QCOMPARE(bus.surface.front.rect(), kFrontClosed);
    }
};

QTEST_MAIN(TestDoors)
#include "tst_doors.moc"
