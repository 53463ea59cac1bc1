// Starts the program and the bare window alternately, in pairs, and compares the time to the
// main window's first paint and the peak memory by then, as medians over the pairs. It shows
// the same once every window is up as well: the program's control panel follows its main
// window.
//
//   bench_startup [--runs N] [--display]
//
// By default both run on the offscreen platform. --display runs them on the X server named by
// DISPLAY instead (under Xvfb, start a window manager there first, e.g. openbox).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr int kMinRuns = 15;
constexpr double kTarget = 1.10;

struct Sample {
    double ms = 0;    // to the main window's first paint
    long peakKb = 0;  // by then
    double allMs = 0; // to every window's first paint
    long allPeakKb = 0;
};

// Reads the peak memory from the line "<what> <kB>" once `got` holds all of it.
bool readReport(const std::string &got, const std::string &what, long *kb)
{
    const std::string lines = "\n" + got;
    const size_t at = lines.find("\n" + what + " ");
    if (at == std::string::npos || lines.find('\n', at + 1) == std::string::npos)
        return false;
    *kb = std::atol(lines.c_str() + at + what.size() + 2);
    return true;
}

Sample runOnce(const std::string &program)
{
    int out[2];
    if (pipe(out) != 0)
        return {};
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char buf[64];
    std::string got;
    Sample s;
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0) {
        got.append(buf, static_cast<size_t>(n));
        const double now =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (s.ms == 0 && readReport(got, "painted", &s.peakKb))
            s.ms = now;
        if (s.allMs == 0 && readReport(got, "all painted", &s.allPeakKb))
            s.allMs = now;
    }
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (s.ms == 0 || s.allMs == 0)
        std::fprintf(stderr, "%s never painted (status %d)\n", program.c_str(), status);
    return s;
}

template <typename T> T median(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    const size_t mid = v.size() / 2;
    return v.size() % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
}

const char *verdict(double ratio)
{
    return ratio <= kTarget ? "ok" : "over target";
}

// Prints one comparison; returns the median ratios of time and of memory.
std::pair<double, double> compare(const char *title, const std::vector<Sample> &apps,
                                  const std::vector<Sample> &bares, double Sample::*ms,
                                  long Sample::*kb)
{
    std::vector<double> appMs, bareMs, timeRatios, memoryRatios;
    std::vector<long> appKb, bareKb;
    for (size_t i = 0; i < apps.size(); ++i) {
        appMs.push_back(apps[i].*ms);
        bareMs.push_back(bares[i].*ms);
        appKb.push_back(apps[i].*kb);
        bareKb.push_back(bares[i].*kb);
        timeRatios.push_back(apps[i].*ms / bares[i].*ms);
        memoryRatios.push_back(static_cast<double>(apps[i].*kb) /
                               static_cast<double>(bares[i].*kb));
    }
    std::printf("%s\n", title);
    std::printf("  time:        program %.1f ms, bare window %.1f ms (medians)\n", median(appMs),
                median(bareMs));
    // On a shared or virtual machine the times swing with the neighbours; the fastest runs
    // show what the programs themselves cost.
    std::printf("  fastest:     program %.1f ms, bare window %.1f ms\n",
                *std::min_element(appMs.begin(), appMs.end()),
                *std::min_element(bareMs.begin(), bareMs.end()));
    std::printf("  peak memory: program %ld KiB, bare window %ld KiB (medians)\n", median(appKb),
                median(bareKb));
    return {median(timeRatios), median(memoryRatios)};
}

} // namespace

int main(int argc, char *argv[])
{
    int runs = kMinRuns;
    bool display = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--display") == 0) {
            display = true;
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(kMinRuns, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--runs N (at least %d)] [--display]\n", argv[0],
                         kMinRuns);
            return 2;
        }
    }
    if (display) {
        const char *name = std::getenv("DISPLAY");
        if (!name || !*name) {
            std::fprintf(stderr, "--display needs DISPLAY set\n");
            return 2;
        }
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    } else {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    // Keep the sound device out of the comparison and Qt's warnings out of the report.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("QT_LOGGING_RULES", "*.warning=false", 0);

    std::string dir = argv[0];
    dir = dir.substr(0, dir.find_last_of('/') + 1);
    const std::string app = dir + "bench_startup_app";
    const std::string bare = dir + "bench_startup_bare";

    // One warm-up each, so that both find the fonts and libraries in the page cache.
    runOnce(app);
    runOnce(bare);
    std::vector<Sample> apps, bares;
    for (int i = 0; i < runs; ++i) {
        // Alternate which one goes first, so that neither always follows the other.
        Sample a, b;
        if (i % 2 == 0) {
            a = runOnce(app);
            b = runOnce(bare);
        } else {
            b = runOnce(bare);
            a = runOnce(app);
        }
        if (a.allMs == 0 || b.allMs == 0 || b.peakKb == 0 || b.allPeakKb == 0)
            return 1;
        apps.push_back(a);
        bares.push_back(b);
    }

    if (display)
        std::printf("platform: xcb on DISPLAY %s, %d alternating pairs\n", std::getenv("DISPLAY"),
                    runs);
    else
        std::printf("platform: offscreen, %d alternating pairs\n", runs);
    const auto [time, memory] = compare("start-up to the main window's first paint:", apps, bares,
                                        &Sample::ms, &Sample::peakKb);
    const auto [allTime, allMemory] =
        compare("until every window has painted (the program's control panel too):", apps, bares,
                &Sample::allMs, &Sample::allPeakKb);
    std::printf("ratios, program / bare, medians over the pairs (target: at most %.2f):\n",
                kTarget);
    std::printf("  first paint:  time %.2f (%s), memory %.2f (%s)\n", time, verdict(time), memory,
                verdict(memory));
    std::printf("  every window: time %.2f, memory %.2f\n", allTime, allMemory);
    return 0;
}
