#include <app/terminationsignals.h>

#include <QSocketNotifier>
#include <QWidget>
#include <array>
#include <atomic>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

// A handler receives only the signal's number, so the socket it writes to must be reachable
// from static storage. A lock-free atomic is safe to read in a handler; only the one living
// TerminationSignals sets it (when it starts catching) and clears it (when it stops), and it
// doubles as the mark that one is living.
std::atomic<int> handlerSocket{-1};
static_assert(std::atomic<int>::is_always_lock_free);

// Only async-signal-safe work here: the event loop does the rest.
void onSignal(int signo)
{
    const int fd = handlerSocket.load();
    if (fd < 0)
        return;
    const char byte = static_cast<char>(signo);
    [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals(QWidget *window)
{
    static_assert(std::tuple_size_v<decltype(previous_)> == kSignals.size());
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0) {
        fds_[0] = fds_[1] = -1;
        return;
    }
    int none = -1;
    if (!handlerSocket.compare_exchange_strong(none, fds_[0])) {
        // Another one is catching them.
        ::close(fds_[0]);
        ::close(fds_[1]);
        fds_[0] = fds_[1] = -1;
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fds_[1], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, window, [this, window] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(fds_[1], &byte, 1);
        window->close();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &previous_[i]);
}

TerminationSignals::~TerminationSignals()
{
    if (!catching())
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &previous_[i], nullptr);
    notifier_.reset();
    handlerSocket.store(-1);
    ::close(fds_[0]);
    ::close(fds_[1]);
}
