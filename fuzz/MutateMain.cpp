// A plain mutation driver for machines without clang's libFuzzer (or builds without coverage):
// it mutates the seeds and corpus files of one reader for a set time and feeds each mutant to
// the reader. A fault (feed() aborts), a crash or a mutant that takes longer than the time limit
// leaves the input in FINDINGS and ends the run with status 1.
//   plotlet_mutate READER SECONDS FINDINGS [CORPUS_DIR...]
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "fuzz/FuzzReaders.h"

namespace {

namespace fs = std::filesystem;

// The input being fed, for the signal handlers: written out as the finding.
const std::string* current = nullptr;
int findingFd = -1;

extern "C" void keepFinding(int signal) {
    if (current && findingFd >= 0) {
        (void)::write(findingFd, current->data(), current->size());
        ::fsync(findingFd);
    }
    const char* what = signal == SIGALRM ? "plotlet_mutate: an input took too long\n" : "plotlet_mutate: an input crashed the reader\n";
    (void)::write(2, what, std::strlen(what));
    ::signal(signal == SIGALRM ? SIGABRT : signal, SIG_DFL);
    ::raise(signal == SIGALRM ? SIGABRT : signal);
}

// Texts that matter to the formats: structure, references, numbers at the edges of their types.
const std::vector<std::string> tokens{"{", "}", "[", "]", "\"", ",", ":", "null", "true", "{\"$ref\":1}", "{\"$ref\":2}",
                                      "\"$id\":1", "1e308", "-1e308", "1e-320", "9223372036854775807",
                                      "-9223372036854775808", "18446744073709551615", "2147483648", "-1", "0",
                                      "\"NaN\"", "\"Infinity\"", "[\"t\",1e300]", "[\"o\",null]", "\"GroupElement\"",
                                      "\"PropertySet\"", "\"elements\":[", "\\u0000", "POINT (1e308 1e308)", "\n"};

std::string mutate(std::string s, const std::vector<std::string>& pool, std::mt19937_64& rng) {
    auto pick = [&](std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(rng() % n); };
    const int steps = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < steps; ++i) {
        const std::size_t at = pick(s.size() + 1);
        switch (rng() % 7) {
        case 0:
            if (!s.empty()) s[pick(s.size())] ^= static_cast<char>(1u << (rng() % 8));
            break;
        case 1:
            if (!s.empty()) s[pick(s.size())] = static_cast<char>(rng());
            break;
        case 2: s.insert(at, tokens[pick(tokens.size())]); break;
        case 3: s.erase(at, 1 + pick(64)); break;
        case 4: s.resize(pick(s.size() + 1)); break;
        case 5: {  // a piece of the input again (deeper nesting, repeated members)
            const std::size_t from = pick(s.size()), length = 1 + pick(256);
            s.insert(at, s.substr(from, length));
            break;
        }
        default: {  // a piece of another input
            const std::string& other = pool[pick(pool.size())];
            if (!other.empty()) s.insert(at, other.substr(pick(other.size()), 1 + pick(512)));
        }
        }
    }
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: plotlet_mutate READER SECONDS FINDINGS [CORPUS_DIR...]\n");
        return 2;
    }
    using plotlet::fuzz::Reader;
    const Reader* chosen = nullptr;
    for (const Reader& r : plotlet::fuzz::allReaders()) {
        if (std::strcmp(plotlet::fuzz::readerName(r), argv[1]) == 0) chosen = &r;
    }
    if (!chosen) {
        std::fprintf(stderr, "plotlet_mutate: no reader named %s\n", argv[1]);
        return 2;
    }
    const Reader reader = *chosen;
    const double seconds = std::atof(argv[2]);
    fs::create_directories(argv[3]);
    std::vector<std::string> pool;
    for (const auto& seed : plotlet::fuzz::seeds(reader)) pool.push_back(seed.second);
    for (int i = 4; i < argc; ++i) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(argv[i], ec)) {
            if (!e.is_regular_file()) continue;
            std::ifstream in(e.path(), std::ios::binary);
            pool.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    std::random_device device;
    const unsigned long long seed = (static_cast<unsigned long long>(device()) << 32) ^ device();
    std::mt19937_64 rng(seed);
    const std::string findingPath = (fs::path(argv[3]) / ("finding-" + std::to_string(seed))).string();
    findingFd = ::open(findingPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGALRM}) ::signal(sig, keepFinding);

    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    unsigned long long executions = 0, refused = 0;
    while (std::chrono::steady_clock::now() < end) {
        const std::string input = mutate(pool[static_cast<std::size_t>(rng() % pool.size())], pool, rng);
        current = &input;
        ::alarm(10);
        if (!plotlet::fuzz::feed(reader, input).read) ++refused;
        ::alarm(0);
        current = nullptr;
        ++executions;
    }
    ::close(findingFd);
    ::unlink(findingPath.c_str());
    std::printf("plotlet_mutate %s: %llu executions in %.0f s (%llu refused), no fault\n", argv[1], executions, seconds, refused);
    return 0;
}
