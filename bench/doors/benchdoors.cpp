// Full door movements on an offscreen bus surface with the real pictures, at the smallest delay
// and at the start-up delays, plus the counting wait on its own. Prints steps, repaints, the
// measured wait per delay unit against kCountPass and the drawing overhead per step.
// Run: build/<dir>/bin/bench_doors

#include <common/layout.h>
#include <common/windowless.h>
#include <doors/countingwait.h>
#include <doors/doors.h>
#include <platform/sound/sdlsoundplayer.h>
#include <resources/resources.h>
#include <settings/settings.h>
#include <tools/soundserver/pulseserver.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWaitRepeats = 15;
constexpr double kWaitTolerance = 0.05;
constexpr double kOverheadTargetUs = 50.0;
constexpr double kSoundTargetMs = 50.0;
constexpr double kChimeSeconds = 12193.0 / 22050.0;
// A sound starts where the recording first moves this far from silence (four 8-bit steps).
constexpr int kLoud = 4 * 256;
constexpr int kLaterRounds = 4;
// How long the bench waits before its first click, as a user would after the windows appear.
constexpr auto kUserDelay = std::chrono::milliseconds(500);
// The closing sound's length and a little: the next request comes once it is over.
constexpr auto kClosingSoundOver = std::chrono::milliseconds(2300);
// How long the bench waits for the player to close its device after the last sound.
constexpr auto kRestLimit = std::chrono::seconds(15);
// How long an idle program is watched for processor time.
constexpr auto kIdleWatch = std::chrono::seconds(10);
// The door moves no later than this after its chime would have ended.
constexpr double kDoorAfterChimeMs = 100.0;
constexpr int kIdleSinkRounds = 3;

// Processor time of this thread: what painting costs, whatever else the machine is doing.
double threadCpuUs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

class Surface : public QWidget {
public:
    Surface()
    {
        setFixedSize(739, 207);
        bus_ = QImage(QString::fromLatin1(res::kBus));
        right.setPicture(QImage(QString::fromLatin1(res::kCentreRightLeaf)));
        left.setPicture(QImage(QString::fromLatin1(res::kCentreLeftLeaf)));
        front.setPicture(QImage(QString::fromLatin1(res::kFrontDoor)));
    }
    WindowlessLayer layer{this};
    ImageControl right{layer, layout::kCentreRightLeaf, true};
    ImageControl left{layer, layout::kCentreLeftLeaf, true};
    ImageControl front{layer, layout::kFrontDoor, true};
    long paints = 0;
    Clock::duration painting{};
    double paintingCpuUs = 0;
    // When the first paint of a movement came: its first step on screen.
    std::optional<Clock::time_point> firstPaint;
    // Each paint's start, with the moving width it showed (the front door's or the left leaf's).
    std::vector<std::pair<Clock::time_point, float>> frontPaints;
    std::vector<std::pair<Clock::time_point, float>> leftPaints;

protected:
    void paintEvent(QPaintEvent *e) override
    {
        const auto t0 = Clock::now();
        const double cpu0 = threadCpuUs();
        QPainter p(this);
        p.drawImage(e->rect().topLeft(), bus_, e->rect());
        layer.paint(p, e->rect());
        p.end();
        ++paints;
        if (!firstPaint)
            firstPaint = t0;
        frontPaints.emplace_back(t0, front.widthTwips());
        leftPaints.emplace_back(t0, left.widthTwips());
        painting += Clock::now() - t0;
        paintingCpuUs += threadCpuUs() - cpu0;
    }

private:
    QImage bus_;
};

double us(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

// What two clock readings cost by themselves, to take out of short measurements.
double clockCostNs()
{
    std::vector<double> d;
    for (int i = 0; i < 1000; ++i) {
        const auto t0 = Clock::now();
        const auto t1 = Clock::now();
        d.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count());
    }
    std::sort(d.begin(), d.end());
    return d[d.size() / 2];
}

void measureWait()
{
    const double clock = clockCostNs();
    std::printf("counting wait (target %lld ns per unit, within %.0f %%)\n",
                static_cast<long long>(doors::kCountPass.count()), kWaitTolerance * 100);
    std::printf("  one clock reading pair costs %.1f ns, taken out below\n", clock);
    std::printf("  %6s %12s %12s %10s\n", "units", "median ns/u", "worst ns/u", "error");
    for (std::int32_t v : {1, 10, 100, 1000, 6000, 10000, 30000}) {
        std::vector<double> perUnit;
        for (int r = 0; r < kWaitRepeats; ++r) {
            const auto t0 = Clock::now();
            doors::countTo(v);
            const auto t1 = Clock::now();
            perUnit.push_back((std::chrono::duration<double, std::nano>(t1 - t0).count() - clock) /
                              v);
        }
        std::sort(perUnit.begin(), perUnit.end());
        const double median = perUnit[perUnit.size() / 2];
        const double target = static_cast<double>(doors::kCountPass.count());
        const double error = (median - target) / target;
        std::printf("  %6d %12.1f %12.1f %+9.1f%% %s\n", v, median, perUnit.back(), error * 100,
                    std::abs(error) <= kWaitTolerance ? "ok" : "OUT");
    }
}

// The steps of a whole movement: one per twip between closed and open, both included.
long stepsOf(bool centre)
{
    return centre ? std::lround(layout::kCentreLeftLeaf.width - layout::kCentreLeafOpenWidth) + 1
                  : std::lround(layout::kFrontDoor.width - layout::kFrontDoorOpenWidth) + 1;
}

void movement(const char *what, Surface &s, Doors &doors, bool centre, bool open, int delay)
{
    if (centre)
        doors.setCentreDoorDelay(delay);
    else
        doors.setFrontDoorDelay(delay);
    const long paintsBefore = s.paints;
    const auto paintingBefore = s.painting;
    const double paintingCpuBefore = s.paintingCpuUs;
    s.firstPaint.reset();
    s.frontPaints.clear();
    s.leftPaints.clear();
    const auto t0 = Clock::now();
    if (centre)
        doors.switchCentreDoor(open);
    else
        doors.switchFrontDoor(open);
    const auto t1 = Clock::now();

    // What the steps took beyond their waits: the changes and the repaints. From one painted
    // step to the next the width tells how many steps and waits came between; the median is
    // the usual step, the mean also carries what other processes took from us.
    const long steps = stepsOf(centre);
    const double pass = std::chrono::duration<double, std::micro>(doors::kCountPass).count();
    const auto start = centre && open && s.firstPaint ? *s.firstPaint : t0;
    const double total = us(t1 - start);
    const double mean = (total - static_cast<double>(steps) * delay * pass) / steps;
    const auto &paints = centre ? s.leftPaints : s.frontPaints;
    std::vector<double> perStep;
    for (std::size_t i = 1; i < paints.size(); ++i) {
        const double between = std::abs(paints[i].second - paints[i - 1].second);
        if (between > 0)
            perStep.push_back((us(paints[i].first - paints[i - 1].first) - between * delay * pass) /
                              between);
    }
    std::sort(perStep.begin(), perStep.end());
    const double median = perStep.empty() ? mean : perStep[perStep.size() / 2];
    const long repaints = s.paints - paintsBefore;
    const double paintUs = us(s.painting - paintingBefore);
    const double paintCpuUs = s.paintingCpuUs - paintingCpuBefore;
    const double paintCpuPerStep = paintCpuUs / static_cast<double>(steps);
    std::printf("  %-20s %6d %5ld %8ld %6.1f %9.1f %8.2f %8.2f %8.1f %8.1f %8.2f %s\n", what, delay,
                steps, repaints, repaints > 0 ? static_cast<double>(steps) / repaints : 0.0,
                total / 1000.0, median, mean, repaints > 0 ? paintUs / repaints : 0.0,
                repaints > 0 ? paintCpuUs / repaints : 0.0, paintCpuPerStep,
                median <= kOverheadTargetUs && paintCpuPerStep <= kOverheadTargetUs ? "ok" : "OUT");
    if (centre && open && s.firstPaint)
        std::printf("  %-20s opening sound held the door for %.0f ms\n", "",
                    us(*s.firstPaint - t0) / 1000.0);
}

// Where a WAVE resource's sound starts, in seconds after its first sample.
double onsetSeconds(int id)
{
    QFile f(QStringLiteral(":/WAVE/%1").arg(id));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray wave = f.readAll();
    constexpr int kDataStart = 56;
    for (qsizetype i = kDataStart; i < wave.size(); ++i)
        if (std::abs((static_cast<std::uint8_t>(wave[i]) - 128) * 256) >= kLoud)
            return static_cast<double>(i - kDataStart) / 22050.0;
    return 0;
}

// How long a WAVE resource lasts (8-bit mono at 22,050 Hz).
double soundSeconds(int id)
{
    QFile f(QStringLiteral(":/WAVE/%1").arg(id));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray wave = f.readAll();
    const qsizetype data = wave.indexOf("data");
    return data < 0 ? 0
                    : static_cast<double>(qFromLittleEndian<quint32>(wave.constData() + data + 4)) /
                          22050.0;
}

// Processor time this process has used so far, in clock ticks.
long processTicks()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command name, which is in parentheses and may hold spaces.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    constexpr int kUtime = 11;
    constexpr int kStime = 12;
    return fields.size() > kStime ? fields[kUtime].toLong() + fields[kStime].toLong() : -1;
}

// Whether the server lists a stream of ours.
bool streamOpen(const soundserver::PulseServer &server)
{
    return !server.pactl({"list", "short", "sink-inputs"}).empty();
}

// Waits until nothing plays to or records from the server's sink, as on a desktop where nothing
// sounds; false if that does not come.
bool sinkIdle(const soundserver::PulseServer &server)
{
    const auto deadline = Clock::now() + kRestLimit;
    while (QString::fromStdString(server.pactl({"list", "short", "sinks"}))
               .contains(QStringLiteral("RUNNING"))) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// Request to first sample at a real sound server, for the first sound of a run and later ones,
// and how long the opening sound holds the door.
void measureRealServer(Surface &s)
{
    soundserver::PulseServer server;
    std::string error;
    if (!server.start(&error)) {
        std::printf("real sound server: not measured, %s\n\n", error.c_str());
        return;
    }
    const QByteArray oldDriver = qgetenv("SDL_AUDIODRIVER");
    server.useInThisProcess();
    soundserver::MonitorRecorder recorder(server);
    if (!recorder.start(&error)) {
        std::printf("real sound server: not measured, %s\n\n", error.c_str());
        return;
    }
    const double onset[2] = {onsetSeconds(101), onsetSeconds(102)};
    std::printf("real sound server (PulseAudio, null sink; target %.0f ms to the first sample, "
                "hold within %.0f ms of %.3f s)\n",
                kSoundTargetMs, kSoundTargetMs, kChimeSeconds);
    std::printf("  %-36s %10s %10s %s\n", "", "latency ms", "hold ms", "");
    // One door movement with its sound, and a row of figures.
    const auto row = [&](Doors &doors, bool open, const char *what) {
        s.firstPaint.reset();
        const std::size_t mark = recorder.size();
        const auto t0 = Clock::now();
        doors.switchCentreDoor(open);
        std::this_thread::sleep_for(open ? std::chrono::milliseconds(200) : kClosingSoundOver);
        const long first = recorder.firstLoud(mark, kLoud);
        const double latency =
            first < 0 ? -1
                      : us(recorder.timeOf(static_cast<std::size_t>(first)) - t0) / 1000.0 -
                            onset[open ? 0 : 1] * 1000.0;
        const double hold = s.firstPaint ? us(*s.firstPaint - t0) / 1000.0 : -1;
        const bool ok =
            first >= 0 && latency <= kSoundTargetMs &&
            (!open || std::abs(hold / 1000.0 - kChimeSeconds) * 1000.0 <= kSoundTargetMs);
        if (open)
            std::printf("  %-36s %10.1f %10.1f %s\n", what, latency, hold, ok ? "ok" : "OUT");
        else
            std::printf("  %-36s %10.1f %10s %s\n", what, latency, "", ok ? "ok" : "OUT");
    };
    {
        SdlSoundPlayer sound;
        WavePlayer waves(sound);
        Doors doors(s.front, s.left, s.right, waves);
        doors.setCentreDoorDelay(1);
        // As the main window does after its first paint, and then a user's first click.
        sound.prepare();
        std::this_thread::sleep_for(kUserDelay);
        for (int round = 0; round <= kLaterRounds; ++round) {
            row(doors, true, round == 0 ? "first opening chime" : "later opening chime");
            row(doors, false, round == 0 ? "first closing buzzer" : "later closing buzzer");
        }
    }
    {
        // The worst case: the chime asked for while the device is still being opened.
        SdlSoundPlayer sound;
        WavePlayer waves(sound);
        Doors doors(s.front, s.left, s.right, waves);
        doors.setCentreDoorDelay(1);
        sound.prepare();
        row(doors, true, "chime right after prepare()");
        const auto buzzerAsked = Clock::now();
        row(doors, false, "the buzzer after it");

        // A rest: the device closes, and the program should neither hold a stream nor wake.
        const auto buzzerEnds = buzzerAsked + std::chrono::duration_cast<Clock::duration>(
                                                  std::chrono::duration<double>(soundSeconds(102)));
        recorder.stop();
        // The device is closed when its stream has left the server.
        while (streamOpen(server) && Clock::now() < buzzerEnds + kRestLimit)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const bool closed = !streamOpen(server);
        const double closedAfter = us(Clock::now() - buzzerEnds) / 1e6;
        const bool stream = streamOpen(server);
        const long ticks0 = processTicks();
        std::this_thread::sleep_for(kIdleWatch);
        const long ticks = processTicks() - ticks0;
        const QString rest =
            closed
                ? QStringLiteral("closed %1 s after the buzzer's end").arg(closedAfter, 0, 'f', 2)
                : QStringLiteral("still open");
        std::printf("  %-36s %s\n", "device after the last sound", qPrintable(rest));
        std::printf("  %-36s %s %s\n", "stream on the server while idle", stream ? "yes" : "none",
                    stream ? "OUT" : "ok");
        std::printf("  %-36s %ld ticks in %lld s %s\n", "processor time while idle", ticks,
                    static_cast<long long>(kIdleWatch.count()), ticks == 0 ? "ok" : "OUT");
        // The recording only starts once the sink has caught up with real time.
        if (!recorder.start(&error)) {
            std::printf("  not measured further: %s\n", error.c_str());
            return;
        }
        row(doors, true, "first chime after the rest");
        row(doors, false, "the buzzer after it");
    }
    // With nobody listening, the sink renders far ahead and a new stream's first samples wait
    // behind that: the door must not wait for them.
    recorder.stop();
    std::printf("  soon after start on an idle sink (nobody records; door within %.0f ms of "
                "%.3f s):\n",
                kDoorAfterChimeMs, kChimeSeconds);
    for (int round = 0; round < kIdleSinkRounds; ++round) {
        if (!sinkIdle(server)) {
            std::printf("  the sink does not go idle\n");
            break;
        }
        SdlSoundPlayer sound;
        WavePlayer waves(sound);
        Doors doors(s.front, s.left, s.right, waves);
        doors.setCentreDoorDelay(1);
        sound.prepare();
        std::this_thread::sleep_for(kUserDelay);
        s.firstPaint.reset();
        const auto t0 = Clock::now();
        doors.switchCentreDoor(true);
        const double hold = s.firstPaint ? us(*s.firstPaint - t0) / 1000.0 : -1;
        std::printf("  %-36s %10s %10.1f %s\n", "chime 0.5 s after prepare()", "", hold,
                    hold <= kChimeSeconds * 1000.0 + kDoorAfterChimeMs ? "ok" : "OUT");
        doors.switchCentreDoor(false);
    }
    qputenv("SDL_AUDIODRIVER", oldDriver);
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("SDL_AUDIODRIVER"))
        qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication app(argc, argv);

    Surface surface;
    surface.show();
    QApplication::processEvents();
    measureRealServer(surface);
    measureWait();

    SdlSoundPlayer sound;
    WavePlayer waves(sound);
    Doors doors(surface.front, surface.left, surface.right, waves);

    std::printf("\nmovements (%s, sound driver %s)\n", qPrintable(QApplication::platformName()),
                qgetenv("SDL_AUDIODRIVER").constData());
    std::printf("  %-20s %6s %5s %8s %6s %9s %8s %8s %8s %8s %8s\n", "", "delay", "steps",
                "repaints", "st/rp", "total ms", "ovh med", "ovh mean", "paint", "paint cpu",
                "cpu/step");
    // Delay 1, the panel's start delays and the ones a recovery sets.
    for (int delay : {1, kStartDoorDelays.front, kRecoveredDoorDelays.front}) {
        movement("front door opening", surface, doors, false, true, delay);
        movement("front door closing", surface, doors, false, false, delay);
    }
    for (int delay : {1, kStartDoorDelays.centre, kRecoveredDoorDelays.centre}) {
        movement("centre door opening", surface, doors, true, true, delay);
        movement("centre door closing", surface, doors, true, false, delay);
    }
    std::printf("\n  st/rp: steps per repaint. ovh: microseconds per step beyond its wait, median "
                "between painted\n  steps and mean over the movement (the mean carries what "
                "other processes took; the centre\n  door's opening counts from its first "
                "step). paint: microseconds per repaint, wall and\n  processor time. cpu/step: "
                "painting's processor time spread over all steps. Target <= %.0f us.\n",
                kOverheadTargetUs);
    return 0;
}
