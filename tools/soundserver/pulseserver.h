#pragma once

// A PulseAudio daemon started and ended by us (by its process id): a private runtime folder,
// no D-Bus, no default script, only a null sink and a native socket of its own. Sound sent to it
// goes nowhere audible, but its sink's monitor can be recorded.

#include <QTemporaryDir>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace soundserver {

using Clock = std::chrono::steady_clock;

class PulseServer {
public:
    PulseServer();
    ~PulseServer();
    PulseServer(const PulseServer &) = delete;
    PulseServer &operator=(const PulseServer &) = delete;

    // Starts the daemon and waits until it takes connections. On failure says why in `error`.
    bool start(std::string *error);
    // Asks the daemon to end and waits for it.
    void stop();
    // Ends the daemon at once, as a crash would.
    void kill();
    bool running() const { return pid_ > 0; }

    // The address clients use (PULSE_SERVER) and the monitor of the silent sink.
    std::string address() const;
    static std::string monitor();
    // Points this process's own sound clients (SDL, libpulse) at this server.
    void useInThisProcess() const;
    // Runs pactl against the server and returns what it printed.
    std::string pactl(const std::vector<std::string> &args) const;

private:
    QTemporaryDir folder_;
    pid_t pid_ = -1;
};

// Records the silent sink's monitor (with parec) as 16-bit mono at kRate and remembers when each
// block of samples arrived, so a sample's time at the server can be told.
class MonitorRecorder {
public:
    static constexpr int kRate = 22050;

    explicit MonitorRecorder(const PulseServer &server) : server_(server) {}
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder &) = delete;
    MonitorRecorder &operator=(const MonitorRecorder &) = delete;

    // Starts recording and returns once samples flow.
    bool start(std::string *error);
    void stop();

    std::size_t size() const;
    std::vector<std::int16_t> samples(std::size_t from = 0) const;
    // Index of the first sample at or after `from` whose magnitude reaches `threshold`, or -1.
    long firstLoud(std::size_t from, int threshold) const;
    // When sample `index` played at the server, estimated from when its block reached us.
    Clock::time_point timeOf(std::size_t index) const;

private:
    void read(int fd);

    const PulseServer &server_;
    pid_t pid_ = -1;
    int fd_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::vector<std::int16_t> samples_;
    // (samples received so far, when) after each read.
    std::vector<std::pair<std::size_t, Clock::time_point>> arrivals_;
};

} // namespace soundserver
