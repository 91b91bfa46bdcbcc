#pragma once
// The command-line host's logic, apart from main() so tests run it in-process.
#include <iosfwd>
#include <string>
#include <vector>

namespace plotlet::cli {

// Exit codes, also listed in `plotlet --help`.
enum ExitCode : int {
    Ok = 0,
    UsageError = 1,         // unknown subcommand or option, missing or malformed argument
    InputError = 2,         // a file or folder named on the command line is missing or unreadable
    PluginLoadFailure = 3,  // a plug-in module was refused or no command could be created
    InternalError = 4,      // an unexpected failure of the host itself
};

// Runs one command line. `args` are the arguments after the program name. Data goes to `out`,
// messages for the user (warnings, errors) go to `err`. Returns the exit code.
int run(std::vector<std::string> args, std::ostream& out, std::ostream& err);

}  // namespace plotlet::cli
