// Starts the program and the bare window alternately, several times each, and compares the
// median time to the first paint and the median peak memory (maximum resident set size).

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

constexpr int kRuns = 15;

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
            s.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                             start)
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
    return v[v.size() / 2];
}

} // namespace

int main(int, char *argv[])
{
    std::string dir = argv[0];
    dir = dir.substr(0, dir.find_last_of('/') + 1);
    const std::string app = dir + "bench_startup_app";
    const std::string bare = dir + "bench_startup_bare";

    // One warm-up each, so that both find the fonts and libraries in the page cache.
    runOnce(app);
    runOnce(bare);
    std::vector<double> appMs, bareMs;
    std::vector<long> appKb, bareKb;
    for (int i = 0; i < kRuns; ++i) {
        const Sample a = runOnce(app);
        const Sample b = runOnce(bare);
        appMs.push_back(a.ms);
        appKb.push_back(a.maxRssKb);
        bareMs.push_back(b.ms);
        bareKb.push_back(b.maxRssKb);
    }
    const double am = median(appMs), bm = median(bareMs);
    const double amin = *std::min_element(appMs.begin(), appMs.end());
    const double bmin = *std::min_element(bareMs.begin(), bareMs.end());
    const long ak = median(appKb), bk = median(bareKb);
    std::printf("start-up to first paint: program %.1f ms, bare window %.1f ms, ratio %.2f\n", am,
                bm, am / bm);
    // On a shared or virtual machine the medians swing with the neighbours; the fastest runs
    // show what the programs themselves cost.
    std::printf("  fastest runs:          program %.1f ms, bare window %.1f ms, ratio %.2f\n",
                amin, bmin, amin / bmin);
    std::printf("peak memory:             program %ld KiB, bare window %ld KiB, ratio %.2f\n", ak,
                bk, static_cast<double>(ak) / static_cast<double>(bk));
    std::printf("(medians of %d runs each; target: both ratios at most 1.20)\n", kRuns);
    return 0;
}
