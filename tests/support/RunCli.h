#pragma once
// Runs the command-line host in-process and keeps its exit code and both streams.
#include <sstream>
#include <string>
#include <vector>

#include "plotlet/Cli.h"

namespace testing_support {

struct CliResult {
    int code = -1;
    std::string out, err;
};

inline CliResult runCli(std::vector<std::string> args) {
    std::ostringstream out, err;
    CliResult result;
    result.code = plotlet::cli::run(std::move(args), out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

}  // namespace testing_support
