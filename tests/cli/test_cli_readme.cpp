// The README's command lines: every one that uses the bundled sample runs as written (from a
// folder holding a copy of the sample, so nothing of the repository changes), and every one
// with a placeholder name says so.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "support/RunCli.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

struct CommandLine {
    std::string text;     // without the program and the trailing comment
    std::string comment;  // the trailing comment, or the comment line just above
};

// The `build/bin/plotlet` lines of the README's sh blocks, continuation lines joined.
std::vector<CommandLine> readmeCommands() {
    std::ifstream in(fs::path(PLOTLET_EXAMPLES).parent_path() / "README.md");
    std::vector<CommandLine> commands;
    bool inBlock = false;
    std::string pending, lastComment;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("```", 0) == 0) {
            inBlock = !inBlock;
            continue;
        }
        if (!inBlock) continue;
        if (!pending.empty()) {
            pending += " " + line;
        } else if (line.rfind("# ", 0) == 0) {
            lastComment = line;
            continue;
        } else if (line.rfind("build/bin/plotlet ", 0) == 0) {  // not plotlet-desktop, another program
            pending = line;
        } else {
            continue;
        }
        if (!pending.empty() && pending.back() == '\\') {
            pending.pop_back();
            continue;
        }
        CommandLine command;
        std::smatch comment;
        if (std::regex_search(pending, comment, std::regex(R"(\s#\s.*$)"))) {
            command.comment = comment.str();
            pending = pending.substr(0, static_cast<std::size_t>(comment.position()));
        } else {
            command.comment = lastComment;
        }
        command.text = pending.substr(std::string("build/bin/plotlet").size());
        commands.push_back(command);
        pending.clear();
        lastComment.clear();
    }
    return commands;
}

// Words as the shell splits them (double quotes only, as the README uses).
std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::string word;
    bool quoted = false, any = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (any || !word.empty()) out.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
        }
    }
    if (any || !word.empty()) out.push_back(word);
    return out;
}

bool usesTheSample(const std::string& text) {
    return text.find("examples/nc/") != std::string::npos || text.find("out/nc-") != std::string::npos;
}

class CurrentFolder {
public:
    explicit CurrentFolder(const fs::path& folder) : previous_(fs::current_path()) { fs::current_path(folder); }
    ~CurrentFolder() { fs::current_path(previous_); }

private:
    fs::path previous_;
};

}  // namespace

TEST(Readme, SampleExamplesRunAsWrittenAndPlaceholdersSaySo) {
    const std::vector<CommandLine> commands = readmeCommands();
    ASSERT_GE(commands.size(), 10u);
    testing_support::TempFolder folder;
    fs::create_directories(folder / "examples" / "nc");
    fs::create_directories(folder / "out");
    for (const char* name : {"nc.pmx", "nc.gpkg"}) folder.copy(fs::path(PLOTLET_EXAMPLES) / "nc" / name, std::string("examples/nc/") + name);
    const CurrentFolder here(folder.path());
    int ran = 0;
    for (const CommandLine& command : commands) {
        SCOPED_TRACE(command.text);
        if (usesTheSample(command.text)) {
            std::vector<std::string> args{"--plugins", PLOTLET_PLUGIN_DIR};
            for (const std::string& word : words(command.text)) args.push_back(word);
            const auto r = testing_support::runCli(args);
            EXPECT_EQ(r.code, 0) << r.err;
            ++ran;
        } else {
            // A file or map named in the line that is not the sample must be marked as the reader's.
            const bool placeholder = std::regex_search(command.text, std::regex(R"((\.gpkg|\.shp|\.par|\bMAP\b))"));
            if (placeholder) {
                EXPECT_TRUE(std::regex_search(command.comment, std::regex("[Yy]our|placeholder"))) << "comment: " << command.comment;
            }
        }
    }
    EXPECT_GE(ran, 8);
    EXPECT_TRUE(fs::exists(folder / "out" / "nc-charts.png"));
    EXPECT_TRUE(fs::exists(folder / "out" / "nc-large.lyr"));
}
