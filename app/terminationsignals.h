#pragma once

#include <array>
#include <csignal>
#include <memory>

class QSocketNotifier;
class QWidget;

// While it lives, SIGTERM, SIGINT and SIGHUP (the session ending, the process being asked to
// stop) close the window the normal way, so its unload handler runs as for the close box. A
// process has one set of handlers, so only one object catches them at a time: a second one made
// while the first lives catches nothing.
class TerminationSignals {
public:
    explicit TerminationSignals(QWidget *window);
    // Puts back the handlers it replaced and closes its socket pair.
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals &) = delete;
    TerminationSignals &operator=(const TerminationSignals &) = delete;

    bool catching() const { return notifier_ != nullptr; }

private:
    // [0] is written by the handler, [1] read by the event loop.
    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    // The handlers of SIGTERM, SIGINT and SIGHUP before this one's.
    std::array<struct sigaction, 3> previous_{};
};
