// Starts the program and the bare window alternately, in pairs, and compares the time to the
// first paint and the peak memory (maximum resident set size) as medians over the pairs.
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
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kMinRuns = 15;
constexpr double kTarget = 1.10;

struct Sample {
    double ms = 0;
    long maxRssKb = 0;
};

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
        if (got.find("painted") != std::string::npos && s.ms == 0)
            s.ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    s.maxRssKb = usage.ru_maxrss;
    if (s.ms == 0)
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
    // Keep the sound device's start-up out of the comparison and Qt's warnings out of the
    // report.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("QT_LOGGING_RULES", "*.warning=false", 0);

    std::string dir = argv[0];
    dir = dir.substr(0, dir.find_last_of('/') + 1);
    const std::string app = dir + "bench_startup_app";
    const std::string bare = dir + "bench_startup_bare";

    // One warm-up each, so that both find the fonts and libraries in the page cache.
    runOnce(app);
    runOnce(bare);
    std::vector<double> appMs, bareMs, timeRatios, memoryRatios;
    std::vector<long> appKb, bareKb;
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
        if (a.ms == 0 || b.ms == 0 || b.maxRssKb == 0)
            return 1;
        appMs.push_back(a.ms);
        bareMs.push_back(b.ms);
        appKb.push_back(a.maxRssKb);
        bareKb.push_back(b.maxRssKb);
        timeRatios.push_back(a.ms / b.ms);
        memoryRatios.push_back(static_cast<double>(a.maxRssKb) / static_cast<double>(b.maxRssKb));
    }
    const double timeRatio = median(timeRatios);
    const double memoryRatio = median(memoryRatios);
    if (display)
        std::printf("platform: xcb on DISPLAY %s, %d alternating pairs\n", std::getenv("DISPLAY"),
                    runs);
    else
        std::printf("platform: offscreen, %d alternating pairs\n", runs);
    std::printf("start-up to first paint: program %.1f ms, bare window %.1f ms (medians)\n",
                median(appMs), median(bareMs));
    // On a shared or virtual machine the times swing with the neighbours; the fastest runs
    // show what the programs themselves cost.
    std::printf("  fastest runs:          program %.1f ms, bare window %.1f ms\n",
                *std::min_element(appMs.begin(), appMs.end()),
                *std::min_element(bareMs.begin(), bareMs.end()));
    std::printf("peak memory:             program %ld KiB, bare window %ld KiB (medians)\n",
                median(appKb), median(bareKb));
    std::printf("ratio, time:   %.2f  (%s)\n", timeRatio, verdict(timeRatio));
    std::printf("ratio, memory: %.2f  (%s)\n", memoryRatio, verdict(memoryRatio));
    std::printf(
        "(each ratio is the median over the pairs of program / bare; target: at most %.2f)\n",
        kTarget);
    return 0;
}
