#pragma once

// The command line, read before the application object exists: --help and --version print their
// text and end the run, so they need no display and write no settings. Every other argument
// is ignored.

#include <optional>
#include <string>

// The text to print before ending with exit code 0, or nothing to start the program.
std::optional<std::string> commandLineAnswer(int argc, const char *const argv[]);
