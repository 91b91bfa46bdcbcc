#include "plotlet/Cli.h"

#include <algorithm>
#include <exception>
#include <ostream>
#include <sstream>
#include <string>

#include <CLI/CLI.hpp>

#include "plotlet/Context.h"
#include "plotlet/Subcommands.h"
#include "plotlet/Suggest.h"

#ifndef PLOTLET_VERSION
#define PLOTLET_VERSION "0.0.0"
#endif

namespace plotlet::cli {

namespace {

constexpr const char* ExitCodeHelp =
    "Exit codes:\n"
    "  0  success\n"
    "  1  usage error (unknown subcommand or option, bad argument)\n"
    "  2  input error (a file or folder named on the command line is missing or unreadable)\n"
    "  3  plug-in load failure (a module was refused, or no command could be created)\n"
    "  4  internal error of the host\n"
    "  5  the plug-in reported a failure or stopped with a message (nothing was saved)\n"
    "\n"
    "Data goes to standard output, messages to standard error.";

int parseAndRun(CLI::App& app, std::vector<std::string> args, Context& context) {
    try {
        // CLI11 takes the arguments last to first.
        std::reverse(args.begin(), args.end());
        app.parse(std::move(args));
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, context.out, context.err);
        return code == 0 ? Ok : UsageError;
    } catch (const std::exception& e) {
        context.err << "plotlet: internal error: " << e.what() << '\n';
        return InternalError;
    } catch (...) {
        context.err << "plotlet: internal error\n";
        return InternalError;
    }
    return context.exitCode;
}

}  // namespace

int run(std::vector<std::string> args, std::ostream& out, std::ostream& err) {
    Context context(out, err);
    const ui::ShellScope shellScope(context.shell);

    CLI::App app("Plotlet: bar charts beside the features of a map, run from the command line.", "plotlet");
    app.set_version_flag("--version", std::string("plotlet ") + PLOTLET_VERSION);
    app.footer(ExitCodeHelp);
    app.require_subcommand(1);
    app.fallthrough();  // global options may also follow the subcommand
    app.add_option_function<std::string>(
           "--plugins", [&context](const std::string& dir) { context.pluginFolder = dir; },
           "Folder of the plug-in modules (default: ../plugins beside the program, else the build's folder)")
        ->type_name("DIR");

    for (AddSubcommand add : subcommands) add(app, context);

    // A mistyped subcommand reaches the parser as a stray argument, and it would only say that
    // a subcommand is required: name the word and what it may have meant.
    std::vector<std::string> names;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) names.push_back(sub->get_name());
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--plugins") {
            ++i;
            continue;
        }
        if (word.empty() || word[0] == '-') continue;
        if (std::find(names.begin(), names.end(), word) == names.end()) {
            err << "plotlet: error: unknown subcommand " << word << didYouMean(word, names) << "; the subcommands: " << listOf(names)
                << '\n';
            return UsageError;
        }
        break;
    }

    const int code = parseAndRun(app, std::move(args), context);
    // Symbols the host chose in the selector for the user (draw --colors) were asked for on the
    // command line; everything else the plug-in showed is passed on.
    std::string shown;
    std::istringstream lines(context.shell->transcriptText());
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("symbol ", 0) == 0 && line.find("(default)") == std::string::npos) continue;
        shown += line + '\n';
    }
    if (!shown.empty()) err << "plotlet: the plug-in showed:\n" << shown;
    return code;
}

namespace {
bool& freeMapsAtExit() {
    static bool on = false;
    return on;
}
}  // namespace

void setFreeMapsAtExit(bool on) { freeMapsAtExit() = on; }

void keepUntilExit(std::shared_ptr<const void> object) {
    if (!freeMapsAtExit() || !object) return;
    static auto* const kept = new std::vector<std::shared_ptr<const void>>();  // never freed, by intent
    kept->push_back(std::move(object));
}

}  // namespace plotlet::cli
