#include <tools/soundserver/pulseserver.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace soundserver {

namespace {

constexpr char kSinkName[] = "solbena_null";
constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(5);
constexpr auto kPoll = std::chrono::milliseconds(10);
// parec hands over blocks this long, which bounds the error of a sample's time.
constexpr char kRecordLatencyMs[] = "5";

// Starts `argv` with this process's environment changed by `env` (an empty value removes the
// variable); its standard output goes to `out` (or nowhere), its standard error nowhere.
pid_t spawn(const std::vector<std::string> &argv, const std::map<std::string, std::string> &env,
            int out = -1)
{
    std::vector<std::string> vars;
    for (char **e = environ; *e != nullptr; ++e) {
        const std::string var = *e;
        if (env.count(var.substr(0, var.find('='))) == 0)
            vars.push_back(var);
    }
    for (const auto &[name, value] : env)
        if (!value.empty())
            vars.push_back(name + "=" + value);
    std::vector<char *> envp;
    for (std::string &v : vars)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char *> argp;
    for (std::string &a : args)
        argp.push_back(a.data());
    argp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (out >= 0)
        posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
}

// Waits for `pid` to end, at most `timeout`; true if it ended (and was reaped).
bool reap(pid_t pid, Clock::duration timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (true) {
        const pid_t done = waitpid(pid, nullptr, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD))
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kPoll);
    }
}

bool connects(const std::string &socketPath)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    const bool ok = connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

} // namespace

PulseServer::PulseServer() = default;

PulseServer::~PulseServer()
{
    stop();
}

std::string PulseServer::address() const
{
    return "unix:" + folder_.filePath(QStringLiteral("native")).toStdString();
}

std::string PulseServer::monitor()
{
    return std::string(kSinkName) + ".monitor";
}

bool PulseServer::start(std::string *error)
{
    stop();
    const std::string home = folder_.path().toStdString();
    const std::string socketPath = folder_.filePath(QStringLiteral("native")).toStdString();
    ::unlink(socketPath.c_str());
    // Everything the daemon keeps goes to the private folder, and it looks for no session bus.
    const std::map<std::string, std::string> env{{"HOME", home},
                                                 {"XDG_RUNTIME_DIR", home},
                                                 {"PULSE_RUNTIME_PATH", home},
                                                 {"XDG_CONFIG_HOME", home},
                                                 {"PULSE_STATE_PATH", home},
                                                 {"DISPLAY", ""},
                                                 {"DBUS_SESSION_BUS_ADDRESS", "disabled:"},
                                                 {"PULSE_SERVER", ""}};
    pid_ = spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                  "--system=no", "--disable-shm=yes", "--log-target=stderr", "-L",
                  std::string("module-null-sink sink_name=") + kSinkName, "-L",
                  "module-native-protocol-unix auth-anonymous=1 socket=" + socketPath},
                 env);
    if (pid_ < 0) {
        if (error)
            *error = "cannot start pulseaudio (is Debian's pulseaudio installed?)";
        return false;
    }
    const auto deadline = Clock::now() + kStartTimeout;
    while (!connects(socketPath)) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_ || Clock::now() >= deadline) {
            if (error)
                *error = "pulseaudio did not come up (is Debian's pulseaudio installed?)";
            pid_ = -1;
            stop();
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

void PulseServer::stop()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    if (!reap(pid_, kStopTimeout))
        kill();
    pid_ = -1;
}

void PulseServer::kill()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    reap(pid_, kStopTimeout);
    pid_ = -1;
}

void PulseServer::useInThisProcess() const
{
    setenv("PULSE_SERVER", address().c_str(), 1);
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
}

std::string PulseServer::pactl(const std::vector<std::string> &args) const
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return {};
    std::vector<std::string> argv{"pactl", "--server=" + address()};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = spawn(argv, {{"LC_ALL", "C.UTF-8"}}, pipeFds[1]);
    close(pipeFds[1]);
    std::string out;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    if (pid > 0)
        reap(pid, kStopTimeout);
    return out;
}

MonitorRecorder::~MonitorRecorder()
{
    stop();
}

bool MonitorRecorder::start(std::string *error)
{
    stop();
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    pid_ = spawn({"parec", "--server=" + server_.address(), "--device=" + PulseServer::monitor(),
                  "--raw", "--format=s16le", "--channels=1", "--rate=" + std::to_string(kRate),
                  "--latency-msec=" + std::string(kRecordLatencyMs)},
                 {}, pipeFds[1]);
    close(pipeFds[1]);
    if (pid_ < 0) {
        close(pipeFds[0]);
        if (error)
            *error = "cannot start parec (is Debian's pulseaudio-utils installed?)";
        return false;
    }
    fd_ = pipeFds[0];
    // Samples of an earlier recording are kept; only new ones tell that this one flows. They come
    // once the sink has played what it rendered ahead while nobody listened.
    const std::size_t before = size();
    reader_ = std::thread([this] { read(fd_); });
    const auto deadline = Clock::now() + kStartTimeout;
    while (size() == before) {
        if (Clock::now() >= deadline) {
            if (error)
                *error = "parec records nothing";
            stop();
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

void MonitorRecorder::stop()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        if (!reap(pid_, kStopTimeout)) {
            ::kill(pid_, SIGKILL);
            reap(pid_, kStopTimeout);
        }
        pid_ = -1;
    }
    if (reader_.joinable())
        reader_.join();
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

void MonitorRecorder::read(int fd)
{
    char buffer[4096];
    std::size_t odd = 0; // a byte of a sample split between two reads
    char carry = 0;
    ssize_t n;
    while ((n = ::read(fd, buffer + odd, sizeof buffer - odd)) > 0) {
        const auto now = Clock::now();
        if (odd)
            buffer[0] = carry;
        const std::size_t bytes = odd + static_cast<std::size_t>(n);
        const std::size_t count = bytes / 2;
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < count; ++i)
            samples_.push_back(static_cast<std::int16_t>(
                static_cast<std::uint8_t>(buffer[2 * i]) |
                static_cast<std::uint16_t>(static_cast<std::uint8_t>(buffer[2 * i + 1]) << 8)));
        arrivals_.emplace_back(samples_.size(), now);
        odd = bytes % 2;
        carry = buffer[bytes - 1];
    }
}

std::size_t MonitorRecorder::size() const
{
    std::lock_guard lock(mutex_);
    return samples_.size();
}

std::vector<std::int16_t> MonitorRecorder::samples(std::size_t from) const
{
    std::lock_guard lock(mutex_);
    if (from >= samples_.size())
        return {};
    return {samples_.begin() + static_cast<std::ptrdiff_t>(from), samples_.end()};
}

long MonitorRecorder::firstLoud(std::size_t from, int threshold) const
{
    std::lock_guard lock(mutex_);
    for (std::size_t i = from; i < samples_.size(); ++i)
        if (std::abs(samples_[i]) >= threshold)
            return static_cast<long>(i);
    return -1;
}

Clock::time_point MonitorRecorder::timeOf(std::size_t index) const
{
    std::lock_guard lock(mutex_);
    for (const auto &[count, when] : arrivals_)
        if (count > index)
            return when - std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                              static_cast<double>(count - index) / kRate));
    return Clock::now();
}

} // namespace soundserver
