// The command-line host; all its logic is in plotlet::cli::run.
#include <iostream>
#include <string>
#include <vector>

#include "plotlet/Cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    plotlet::cli::setFreeMapsAtExit(true);
    return plotlet::cli::run(std::move(args), std::cout, std::cerr);
}
