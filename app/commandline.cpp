#include <app/commandline.h>

#include <string_view>

namespace {

constexpr std::string_view kHelp = "--help";
constexpr std::string_view kVersion = "--version";

std::string programName(const char *argv0)
{
    const std::string_view path = argv0 ? argv0 : "solbena";
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace

std::optional<std::string> commandLineAnswer(int argc, const char *const argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i] ? argv[i] : "";
        if (arg == kVersion)
            return std::string("ソルベナ (solbena) " SOLBENA_VERSION "\n");
        if (arg == kHelp)
            return "Usage: " + programName(argc > 0 ? argv[0] : nullptr) +
                   " [--help] [--version]\n"
                   "\n"
                   "ソルベナ: a Japanese route bus seen from the side. Wind its destination sign\n"
                   "with the arrow keys, work its doors from the floating control panel, and\n"
                   "right-click the bus for the signboard's menu.\n"
                   "\n"
                   "Its settings are kept in <program name>.ini beside the program, or in\n"
                   "$XDG_CONFIG_HOME/solbena/ (~/.config/solbena/) when that folder is read-only.\n"
                   "\n"
                   "  --help     show this help and exit\n"
                   "  --version  show the version and exit\n";
    }
    return std::nullopt;
}
