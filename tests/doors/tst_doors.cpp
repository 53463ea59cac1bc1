// The door movements on a shown (offscreen) bus surface, with a fake control panel and a fake
// sound player. Steps are observed where they must be complete: when the door reads its speed
// for the wait that follows the step. Partial steps are observed in the synchronous repaints.

#include <common/windowless.h>
#include <doors/countingwait.h>
#include <doors/doors.h>
#include <fakes/fakesound.h>
#include <tools/artwork/layout.h>

#include <QElapsedTimer>
#include <QFile>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <QtTest>

#include <array>
#include <functional>

namespace {

constexpr twips::Rect kFrontClosed = artwork::layout::kFrontDoor;
constexpr twips::Rect kLeftClosed = artwork::layout::kCentreLeftLeaf;
constexpr twips::Rect kRightClosed = artwork::layout::kCentreRightLeaf;
// The post the right leaf folds against.
constexpr float kRightPost = kRightClosed.left + kRightClosed.width;

QByteArray wave(int id)
{
    QFile f(QStringLiteral(":/WAVE/%1").arg(id));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Geometry {
    twips::Rect front;
    twips::Rect left;
    twips::Rect right;
};

class FakeDoorPanel : public DoorPanel {
public:
    int check1 = 0;
    int check2 = 0;
    std::int16_t hscroll1 = 1;
    std::int16_t hscroll2 = 1;
    std::array<bool, 3> option{true, false, false};
    // A speed is read once per step, right before the step's wait.
    std::function<void()> onFrontWait;
    std::function<void()> onCentreWait;
    mutable int frontReads = 0;
    mutable int centreReads = 0;

    int Check1Value() const override { return check1; }
    int Check2Value() const override { return check2; }
    std::int16_t HScroll1Value() const override
    {
        ++frontReads;
        if (onFrontWait)
            onFrontWait();
        return hscroll1;
    }
    std::int16_t HScroll2Value() const override
    {
        ++centreReads;
        if (onCentreWait)
            onCentreWait();
        return hscroll2;
    }
    bool Option1Value(int index) const override { return option.at(std::size_t(index)); }
};

// The part of the main window the doors live on. Every paint records where the leaves were.
class BusSurface : public QWidget {
public:
    BusSurface()
    {
        setFixedSize(739, 207);
        const auto picture = [](int w, int h, QColor c) {
            QImage img(w, h, QImage::Format_RGB32);
            img.fill(c);
            return img;
        };
        // Created in the main window's order: the right leaf lies over the left one.
        right.setPicture(picture(56, 147, Qt::darkGreen));
        left.setPicture(picture(56, 147, Qt::darkCyan));
        front.setPicture(picture(77, 144, Qt::darkBlue));
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
        panel.onFrontWait = [this] { steps.push_back(surface.geometry()); };
        panel.onCentreWait = [this] { steps.push_back(surface.geometry()); };
    }

    BusSurface surface;
    FakeDoorPanel panel;
    FakeSoundPlayer sound;
    WavePlayer waves{sound};
    Doors doors{surface.front, surface.left, surface.right, panel, waves};
    // The leaves at each wait, i.e. after each complete step.
    std::vector<Geometry> steps;
};

twips::Rect leftAt(float w)
{
    return {kLeftClosed.left, kLeftClosed.top, w, kLeftClosed.height};
}
twips::Rect rightAt(float w)
{
    return {kRightPost - w, kRightClosed.top, w, kRightClosed.height};
}

class CountingReceiver : public QObject {
public:
    int received = 0;
    bool event(QEvent *e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        ++received;
        return true;
    }
};

// An event that runs a function when delivered: a click that arrives during the event pass.
class CallEvent : public QEvent {
public:
    explicit CallEvent(std::function<void()> f) : QEvent(QEvent::User), f_(std::move(f)) {}
    void run() const { f_(); }

private:
    std::function<void()> f_;
};

class CallReceiver : public QObject {
public:
    bool event(QEvent *e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        static_cast<CallEvent *>(e)->run();
        return true;
    }
};

} // namespace

class TestDoors : public QObject {
    Q_OBJECT

private slots:

    void frontDoor_clicked_movesOnePixelStepAtATime_data();
    void frontDoor_clicked_movesOnePixelStepAtATime();
    void centreDoor_leafChoice_movesTheChosenLeaves_data();
    void centreDoor_leafChoice_movesTheChosenLeaves();
    void centreDoor_opening_startsFromTheMovingLeafsWidth_data();
    void centreDoor_opening_startsFromTheMovingLeafsWidth();
    void centreDoor_step_paintedInItsOrder_data();
    void centreDoor_step_paintedInItsOrder();
    void doors_moving_handleNoEventsBetweenSteps();
    void centreDoor_clickDuringClosingSound_runsItsOpeningFirst();
    void centreDoor_leafChoiceDuringClosingSound_counts();
    void doorSpeed_everyStep_readAfreshAndWaitedFor();
};

void TestDoors::frontDoor_clicked_movesOnePixelStepAtATime_data()
{
    QTest::addColumn<int>("check1");
    QTest::addColumn<float>("startWidth");
    QTest::addColumn<int>("firstWidth");
    QTest::addColumn<int>("lastWidth");
    QTest::addColumn<int>("stepCount");
    QTest::newRow("opens from closed") << 1 << 1155.f << 1155 << 70 << 1086;
    QTest::newRow("any non-zero value opens") << 2 << 1155.f << 1155 << 70 << 1086;
    QTest::newRow("opens from a rounded width") << 1 << 1000.6f << 1001 << 70 << 932;
    QTest::newRow("already narrower than open") << 1 << 60.f << 0 << 0 << 0;
    QTest::newRow("closes from open") << 0 << 70.f << 70 << 1155 << 1086;
    QTest::newRow("closes from anywhere via open") << 0 << 500.f << 70 << 1155 << 1086;
}

void TestDoors::frontDoor_clicked_movesOnePixelStepAtATime()
{
    QFETCH(int, check1);
    QFETCH(float, startWidth);
    QFETCH(int, firstWidth);
    QFETCH(int, lastWidth);
    QFETCH(int, stepCount);

    Bus bus;
    bus.surface.front.setWidth(startWidth);
    bus.panel.check1 = check1;
    bus.panel.hscroll1 = 1; // the smallest speed still waits one pass per step
    bus.doors.Check1_Click();

    QCOMPARE(int(bus.steps.size()), stepCount);
    QCOMPARE(bus.panel.frontReads, stepCount);
    QCOMPARE(bus.panel.centreReads, 0);
    QVERIFY(bus.sound.requests.empty());
    if (stepCount == 0) {
        QCOMPARE(bus.surface.front.Width(), startWidth);
        return;
    }
    QCOMPARE(bus.steps.front().front.width, float(firstWidth));
    QCOMPARE(bus.steps.back().front.width, float(lastWidth));
    const float dir = lastWidth > firstWidth ? 1.f : -1.f;
    for (std::size_t i = 0; i < bus.steps.size(); ++i) {
        const Geometry &g = bus.steps[i];
        QCOMPARE(g.front.width, float(firstWidth) + dir * float(i));
        // Only the width changes: the door is hinged on its left edge.
        QCOMPARE(g.front.left, kFrontClosed.left);
        QCOMPARE(g.front.top, kFrontClosed.top);
        QCOMPARE(g.front.height, kFrontClosed.height);
        QCOMPARE(g.left, kLeftClosed);
        QCOMPARE(g.right, kRightClosed);
    }
}

void TestDoors::centreDoor_leafChoice_movesTheChosenLeaves_data()
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

void TestDoors::centreDoor_leafChoice_movesTheChosenLeaves()
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
        QCOMPARE(bus.steps.size(), 731u);
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
    bus.doors.Check2_Click();
    QCOMPARE(bus.sound.plays().size(), 1u);
    QCOMPARE(bus.sound.plays()[0].wave, *bus.sound.plays()[0].buffer);
    QVERIFY(!bus.sound.plays()[0].async);
    QCOMPARE(bus.sound.plays()[0].wave, wave(101));
    QCOMPARE(readsAtSound, 0);
    QCOMPARE(atSound.left, kLeftClosed);
    QCOMPARE(atSound.right, kRightClosed);
    checkSteps(840, -1);

    // Closing: the closing sound is started before the first step and plays on.
    bus.steps.clear();
    bus.panel.check2 = 0;
    bus.doors.Check2_Click();
    QCOMPARE(bus.sound.plays().size(), 2u);
    QVERIFY(bus.sound.plays()[1].async);
    QCOMPARE(bus.sound.plays()[1].wave, wave(102));
    QCOMPARE(readsAtSound, 731);
    checkSteps(110, 1);
    QCOMPARE(bus.surface.left.rect(), kLeftClosed);
    QCOMPARE(bus.surface.right.rect(), kRightClosed);
    QCOMPARE(bus.panel.frontReads, 0);
}

void TestDoors::centreDoor_opening_startsFromTheMovingLeafsWidth_data()
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

void TestDoors::centreDoor_opening_startsFromTheMovingLeafsWidth()
{
    QFETCH(int, option);
    QFETCH(float, leftWidth);
    QFETCH(float, rightWidth);
    QFETCH(int, stepCount);

    Bus bus;
    bus.panel.option = {option == 0, option == 1, option == 2};
    bus.surface.left.setWidth(leftWidth);
    bus.surface.right.setWidth(rightWidth);
    bus.surface.right.setLeft(kRightPost - rightWidth);
    bus.panel.check2 = 1;
    bus.doors.Check2_Click();

    QCOMPARE(int(bus.steps.size()), stepCount);
    if (stepCount == 0)
        return;
    const float w0 = option == 2 ? rightWidth : leftWidth;
    const Geometry &first = bus.steps.front();
    if (option != 2)
        QCOMPARE(first.left, leftAt(w0));
    if (option != 1)
        QCOMPARE(first.right, rightAt(w0));
    QCOMPARE(bus.steps.back().left.width, option == 2 ? leftWidth : 110.f);
    QCOMPARE(bus.steps.back().right.width, option == 1 ? rightWidth : 110.f);
}

void TestDoors::centreDoor_step_paintedInItsOrder_data()
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
void TestDoors::centreDoor_step_paintedInItsOrder()
{
    QFETCH(bool, opening);
    Bus bus;
    if (!opening) {
        bus.surface.left.setWidth(110);
        bus.surface.right.setWidth(110);
        bus.surface.right.setLeft(6430);
    }
    bus.panel.check2 = opening ? 1 : 0;
    const long repaintsBefore = bus.surface.layer.repaintCount();
    bus.surface.recording = true;
    bus.doors.Check2_Click();
    bus.surface.recording = false;

    const auto &painted = bus.surface.painted;
    QCOMPARE(long(painted.size()), bus.surface.layer.repaintCount() - repaintsBefore);
    QVERIFY(!painted.empty());
    QCOMPARE(painted.size() % 2, 0u);
    QVERIFY2(painted.size() / 2 <= 731 / 15 + 1, qPrintable(QString::number(painted.size())));
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

void TestDoors::doors_moving_handleNoEventsBetweenSteps()
{
    Bus bus;
    CountingReceiver receiver;
    int deliveredDuringSteps = 0;
    const auto watch = [&] {
        bus.steps.push_back(bus.surface.geometry());
        deliveredDuringSteps += receiver.received;
    };
    bus.panel.onFrontWait = watch;
    bus.panel.onCentreWait = watch;

    // Front door, and centre door opening with its synchronous sound: nothing runs.
    for (auto click : {&Doors::Check1_Click, &Doors::Check2_Click}) {
        bus.panel.check1 = bus.panel.check2 = 1;
        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
        (bus.doors.*click)();
        QCOMPARE(deliveredDuringSteps, 0);
        QCOMPARE(receiver.received, 0);
        QCoreApplication::processEvents();
        QCOMPARE(receiver.received, 1);
        receiver.received = 0;
    }

    // Centre door closing: what was pending runs in the pass after the sound starts; what comes
    // once the leaves move waits until they have stopped.
    bus.panel.check2 = 0;
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    bool posted = false;
    bus.panel.onCentreWait = [&] {
        deliveredDuringSteps += receiver.received - 1;
        if (!posted)
            QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
        posted = true;
    };
    bus.doors.Check2_Click();
    QCOMPARE(deliveredDuringSteps, 0);
    QCOMPARE(receiver.received, 1);
    QCoreApplication::processEvents();
    QCOMPARE(receiver.received, 2);
}

// The user unchecks the centre door and, before the closing movement starts, checks it again:
// that click arrives in the event pass of the closing sound. It opens the door (from where the
// leaves are, with the opening sound stopping the closing one), and then the interrupted
// closing runs to its end: the door ends closed with its switch checked.
void TestDoors::centreDoor_clickDuringClosingSound_runsItsOpeningFirst()
{
    Bus bus;
    bus.panel.check2 = 1;
    bus.doors.Check2_Click(); // open
    QCOMPARE(bus.surface.left.rect(), leftAt(110));
    bus.steps.clear();
    bus.sound.requests.clear();

    CallReceiver clicks;
    int nesting = 0;
    std::vector<int> stepNesting;
    bus.panel.onCentreWait = [&] {
        bus.steps.push_back(bus.surface.geometry());
        stepNesting.push_back(nesting);
    };
    QCoreApplication::postEvent(&clicks, new CallEvent([&] {
        bus.panel.check2 = 1;
        ++nesting;
        bus.doors.Check2_Click();
        --nesting;
    }));
    bus.panel.check2 = 0;
    bus.doors.Check2_Click();

    const auto plays = bus.sound.plays();
    QCOMPARE(plays.size(), 2u);
    QVERIFY(plays[0].async);
    QCOMPARE(plays[0].wave, wave(102));
    QVERIFY(!plays[1].async);
    QCOMPARE(plays[1].wave, wave(101));
    QCOMPARE(bus.sound.requests.size(), 4u); // each play stops the sound before it

    // The nested opening starts at the open width, so it is a single step, all before the
    // closing's 731.
    QCOMPARE(bus.steps.size(), 732u);
    QCOMPARE(stepNesting.front(), 1);
    QCOMPARE(std::count(stepNesting.begin(), stepNesting.end(), 1), 1);
    QCOMPARE(bus.steps.front().left, leftAt(110));
    QCOMPARE(bus.steps[1].left, leftAt(110));
    QCOMPARE(bus.steps.back().left, kLeftClosed);
    QCOMPARE(bus.surface.left.rect(), kLeftClosed);
    QCOMPARE(bus.surface.right.rect(), kRightClosed);
    QCOMPARE(bus.panel.check2, 1);

    // The next click unchecks the switch and closes the closed door once more.
    bus.steps.clear();
    bus.panel.onCentreWait = [&] { bus.steps.push_back(bus.surface.geometry()); };
    bus.panel.check2 = 0;
    bus.doors.Check2_Click();
    QCOMPARE(bus.steps.size(), 731u);
    QCOMPARE(bus.steps.front().left, leftAt(110));
    QCOMPARE(bus.sound.plays().size(), 3u);
}

// Unchecking the centre door frees the leaf choice again, so a choice clicked meanwhile is
// handled in the closing sound's event pass and decides which leaves close.
void TestDoors::centreDoor_leafChoiceDuringClosingSound_counts()
{
    Bus bus;
    bus.panel.check2 = 1;
    bus.doors.Check2_Click(); // both open
    bus.steps.clear();

    CallReceiver clicks;
    QCoreApplication::postEvent(&clicks, new CallEvent([&] {
        bus.panel.option = {false, true, false};
    }));
    bus.panel.check2 = 0;
    bus.doors.Check2_Click();
    QCOMPARE(bus.steps.size(), 731u);
    QCOMPARE(bus.surface.left.rect(), kLeftClosed);
    QCOMPARE(bus.surface.right.rect(), rightAt(110));
}

void TestDoors::doorSpeed_everyStep_readAfreshAndWaitedFor()
{
    using std::chrono::steady_clock;
    // countTo keeps the processor busy for count × kCountPass; nothing for no count.
    for (std::int32_t count : {0, -5, 5000}) {
        const auto t0 = steady_clock::now();
        doors::countTo(count);
        const auto spent = steady_clock::now() - t0;
        QVERIFY(spent >= std::max(count, 0) * doors::kCountPass);
    }

    // The speed is read afresh before each wait and waited for: here it grows step by step.
    Bus bus;
    bus.panel.check1 = 1;
    bus.panel.hscroll1 = 0;
    std::chrono::nanoseconds owed{0};
    bus.panel.onFrontWait = [&] {
        bus.panel.hscroll1 = std::int16_t(bus.panel.frontReads * 4);
        owed += bus.panel.hscroll1 * doors::kCountPass;
    };
    const auto t0 = steady_clock::now();
    bus.doors.Check1_Click();
    const auto spent = steady_clock::now() - t0;
    QCOMPARE(bus.panel.frontReads, 1086);
    QVERIFY2(
        spent >= owed,
        qPrintable(QStringLiteral("%1 ns spent, %2 ns owed").arg(spent.count()).arg(owed.count())));

    // A speed of zero or below means no wait, not a stall; the steps all happen.
    bus.panel.onFrontWait = nullptr;
    bus.panel.frontReads = 0;
    bus.panel.hscroll1 = -1;
    bus.panel.check1 = 0;
    bus.doors.Check1_Click();
    QCOMPARE(bus.panel.frontReads, 1086);
    QCOMPARE(bus.surface.front.rect(), kFrontClosed);
}

QTEST_MAIN(TestDoors)
#include "tst_doors.moc"
