#pragma once
// The command-line host's logic, apart from main() so tests run it in-process.
#include <iosfwd>
#include <memory>
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
    PluginFailed = 5,       // the plug-in reported a failure or stopped with a message: nothing saved
};

// Runs one command line. `args` are the arguments after the program name. Data goes to `out`,
// messages for the user (warnings, errors) go to `err`. Returns the exit code.
int run(std::vector<std::string> args, std::ostream& out, std::ostream& err);

// A process that ends after one command (main) leaves the maps it built to the system to take
// back: freeing a million charts one object at a time takes seconds. Off by default, so tests
// running commands in-process free everything as usual.
void setFreeMapsAtExit(bool on);
// With that on, `object` stays alive until the process ends (reachable, so leak checkers do not
// count it); otherwise this does nothing and the caller's reference goes as usual.
void keepUntilExit(std::shared_ptr<const void> object);

}  // namespace plotlet::cli
