// Sign rolls: how fast and how lean a tall roll picture loads.
//
//   bench_rolls                      the whole benchmark
//   bench_rolls --time <jpeg>        (child) load time, alternating picture::load and QImage
//   bench_rolls --memory <how> <jpeg> (child) one load; the parent reads its peak memory
//   bench_rolls --keys <jpeg>        (child) winds the loaded roll, timing key press to paint
//
// A 48 x 60,000 JPEG roll is made at run time in /tmp by tiling the sample roll. Targets:
// picture::load takes at most 1.1 times as long as Qt's bare QImage decode of the same file, and
// the memory a load adds is at most 1.3 times the picture's own bytes; the median time from an
// arrow key press to the sign window painted with the wound roll is at most 1 ms. Each memory
// figure is a child process's peak resident set less that of a child that stops just before
// decoding.

#include <picture/picture.h>
#include <platform/dialogs/qtfiledialog.h>
#include <platform/messagebox.h>
#include <signs/signrolls.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRollWidth = 48;
constexpr int kRollHeight = 60000;
constexpr int kJpegQuality = 90;
constexpr int kTimingRounds = 15;
constexpr int kMemoryRuns = 5;
constexpr double kTimeTarget = 1.1;
constexpr double kMemoryTarget = 1.3;
constexpr double kKeyTargetMs = 1.0;
// One destination per press, as with a step of 450 twips; down the roll and back, again and again.
constexpr int kKeyStep = 450;
constexpr int kKeyRuns = 40;
constexpr int kKeysPerRun = 50;
const char kSampleRoll[] = SOLBENA_SAMPLES_DIR "/roll.jpg";

using Clock = std::chrono::steady_clock;

template <typename T> T median(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// ---- children -------------------------------------------------------------------------------

int timeLoads(const QString &jpeg)
{
    std::vector<double> ours, bare;
    (void)QImageReader(jpeg).size(); // load the JPEG plugin before the clock runs
    for (int i = 0; i < kTimingRounds; ++i) {
        auto start = Clock::now();
        const picture::Result r = picture::load(jpeg);
        ours.push_back(msSince(start));
        start = Clock::now();
        const QImage plain(jpeg);
        bare.push_back(msSince(start));
        if (!r.ok() || plain.isNull() || r.image.size() != plain.size())
            return 1;
    }
    std::printf("%f %f\n", median(ours), median(bare));
    return 0;
}

int loadOnce(const QString &how, const QString &jpeg)
{
    // Everything up to the decoding itself: the plugin is loaded and the header read.
    QImageReader probe(jpeg);
    if (!probe.size().isValid())
        return 1;
    qint64 bytes = 0;
    if (how == QLatin1String("picture")) {
        const picture::Result r = picture::load(jpeg);
        bytes = r.image.sizeInBytes();
    } else if (how == QLatin1String("bare")) {
        bytes = QImage(jpeg).sizeInBytes();
    }
    std::printf("%lld\n", static_cast<long long>(bytes));
    return 0;
}

// ---- the driver -----------------------------------------------------------------------------

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    long paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

int windKeys(const QString &jpeg)
{
    QWidget form;
    form.setFixedSize(739, 207);
    QtFileDialog dialog{QString()};
    QtMessageBox box;
    SignRolls signs(&form, dialog, box);
    signs.setRollStep(0, kKeyStep);
    if (!signs.loadRollPicture(0, jpeg).isEmpty())
        return 1;
    form.show();
    // Wait until the window is on screen, or a repaint would be only a note for later.
    for (int i = 0; i < 100 && !form.windowHandle()->isExposed(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
    QWidget *window = signs.signWindow(0);
    PaintCounter counter;
    window->installEventFilter(&counter);
    std::vector<double> ms;
    for (int run = 0; run < kKeyRuns; ++run) {
        const int key = run % 2 ? Qt::Key_Up : Qt::Key_Down;
        for (int i = 0; i < kKeysPerRun; ++i) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            // The window repaints within the key's handling, before sendEvent returns.
            const auto start = Clock::now();
            QApplication::sendEvent(window, &press);
            ms.push_back(msSince(start));
        }
    }
    // Every press must have painted, or the figure measures nothing.
    if (counter.paints != long(ms.size()))
        return 1;
    std::printf("%f\n", median(ms));
    return 0;
}

struct Run {
    std::string out;
    long maxRssKb = 0;
    bool ok = false;
};

Run runChild(const std::vector<std::string> &args)
{
    Run run;
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return run;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<char *> argv;
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    char buf[256];
    ssize_t n;
    while ((n = read(pipeFds[0], buf, sizeof buf)) > 0)
        run.out.append(buf, size_t(n));
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.maxRssKb = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// The sample roll repeated down to 60,000 pixels: real destination names, real JPEG content.
bool makeTallRoll(const QString &path)
{
    const QImage sample(QString::fromLatin1(kSampleRoll));
    if (sample.isNull())
        return false;
    QImage roll(kRollWidth, kRollHeight, QImage::Format_RGB32);
    QPainter p(&roll);
    for (int y = 0; y < kRollHeight; y += sample.height())
        p.drawImage(0, y, sample);
    p.end();
    return roll.save(path, "jpeg", kJpegQuality);
}

const char *verdict(double ratio, double target)
{
    return ratio <= target ? "met" : "MISSED";
}

int drive(const std::string &self)
{
    const QString jpeg = QDir::temp().filePath(
        QStringLiteral("solbena-bench-roll-%1.jpg").arg(QCoreApplication::applicationPid()));
    if (!makeTallRoll(jpeg)) {
        std::fprintf(stderr, "cannot make %s from %s\n", qPrintable(jpeg), kSampleRoll);
        return 1;
    }
    const std::string file = jpeg.toStdString();
    std::printf("roll: %d x %d JPEG, %lld bytes, %s\n", kRollWidth, kRollHeight,
                static_cast<long long>(QFile(jpeg).size()), file.c_str());
    int failures = 0;

    // Load time.
    const Run timing = runChild({self, "--time", file});
    double ours = 0, bare = 0;
    if (timing.ok && std::sscanf(timing.out.c_str(), "%lf %lf", &ours, &bare) == 2) {
        std::printf("load time:    picture::load %.2f ms, bare QImage %.2f ms, ratio %.2f "
                    "(target at most %.1f: %s)\n",
                    ours, bare, ours / bare, kTimeTarget, verdict(ours / bare, kTimeTarget));
    } else {
        std::printf("load time:    the timing child failed\n");
        ++failures;
    }

    // Peak memory, alternating the three kinds of child.
    std::vector<long> baseKb, oursKb, bareKb;
    long long pictureBytes = 0;
    for (int i = 0; i < kMemoryRuns; ++i) {
        const Run b = runChild({self, "--memory", "none", file});
        const Run o = runChild({self, "--memory", "picture", file});
        const Run q = runChild({self, "--memory", "bare", file});
        if (!b.ok || !o.ok || !q.ok) {
            ++failures;
            break;
        }
        pictureBytes = std::atoll(o.out.c_str());
        baseKb.push_back(b.maxRssKb);
        oursKb.push_back(o.maxRssKb);
        bareKb.push_back(q.maxRssKb);
    }
    if (!baseKb.empty() && pictureBytes > 0) {
        const double kb = pictureBytes / 1024.0;
        const double oursAdded = double(median(oursKb) - median(baseKb));
        const double bareAdded = double(median(bareKb) - median(baseKb));
        std::printf(
            "peak memory:  the picture is %.0f KiB; a load adds %.0f KiB with picture::load "
            "(%.2f x), %.0f KiB with bare QImage (%.2f x) (target at most %.1f x: %s)\n",
            kb, oursAdded, oursAdded / kb, bareAdded, bareAdded / kb, kMemoryTarget,
            verdict(oursAdded / kb, kMemoryTarget));
    } else {
        std::printf("peak memory:  a memory child failed\n");
    }

    // Key press to paint, in a child with a window.
    const Run keys = runChild({self, "--keys", file});
    double keyMs = 0;
    if (keys.ok && std::sscanf(keys.out.c_str(), "%lf", &keyMs) == 1) {
        std::printf("key to paint: median %.3f ms over %d presses (target at most %.1f ms: %s)\n",
                    keyMs, kKeyRuns * kKeysPerRun, kKeyTargetMs, verdict(keyMs, kKeyTargetMs));
    } else {
        std::printf("key to paint: the key child failed\n");
        ++failures;
    }

    std::printf("(time: medians of %d alternating loads in one process; memory: medians of %d "
                "children each)\n",
                kTimingRounds, kMemoryRuns);
    QFile::remove(jpeg);
    return failures ? 1 : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 3 && std::strcmp(argv[1], "--time") == 0) {
        QCoreApplication app(argc, argv);
        return timeLoads(QString::fromLocal8Bit(argv[2]));
    }
    if (argc >= 4 && std::strcmp(argv[1], "--memory") == 0) {
        QCoreApplication app(argc, argv);
        return loadOnce(QString::fromLatin1(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 3 && std::strcmp(argv[1], "--keys") == 0) {
        QApplication app(argc, argv);
        return windKeys(QString::fromLocal8Bit(argv[2]));
    }
    QGuiApplication app(argc, argv);
    return drive(QCoreApplication::applicationFilePath().toStdString());
}
