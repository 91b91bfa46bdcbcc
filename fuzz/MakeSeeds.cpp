// Writes the seed corpus of every fuzz target: FOLDER/<reader>/<file>, files the project's own
// writers make.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "fuzz/FuzzReaders.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: plotlet_fuzz_seeds FOLDER\n");
        return 1;
    }
    namespace fs = std::filesystem;
    for (const auto reader : plotlet::fuzz::allReaders()) {
        const fs::path folder = fs::path(argv[1]) / plotlet::fuzz::readerName(reader);
        fs::create_directories(folder);
        for (const auto& [name, bytes] : plotlet::fuzz::seeds(reader)) {
            std::ofstream out(folder / name, std::ios::binary);
            out << bytes;
        }
    }
    return 0;
}
