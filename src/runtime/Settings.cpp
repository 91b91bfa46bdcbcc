#include "runtime/Settings.h"

#include <chrono>
#include <mutex>
#include <random>

namespace runtime {
namespace {

struct State {
    std::mutex mutex;
    std::string separator = ".";
    std::optional<std::uint64_t> seed;
    std::mt19937_64 generator{static_cast<std::uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count())};
};

State& state() {
    static State s;
    return s;
}

}  // namespace

const std::string& decimalSeparator() {
    // Read without the lock: the separator changes only in set-up code and tests.
    return state().separator;
}

void setDecimalSeparator(std::string separator) {
    std::lock_guard lock(state().mutex);
    state().separator = separator.empty() ? std::string(".") : std::move(separator);
}

std::optional<std::uint64_t> randomSeed() {
    std::lock_guard lock(state().mutex);
    return state().seed;
}

void setRandomSeed(std::optional<std::uint64_t> seed) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.seed = seed;
    s.generator.seed(seed ? *seed
                          : static_cast<std::uint64_t>(
                                std::chrono::steady_clock::now().time_since_epoch().count()));
}

double randomUnit() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return std::uniform_real_distribution<double>(0.0, 1.0)(s.generator);
}

DecimalSeparatorScope::DecimalSeparatorScope(std::string separator)
    : previous_(decimalSeparator()) {
    setDecimalSeparator(std::move(separator));
}

DecimalSeparatorScope::~DecimalSeparatorScope() { setDecimalSeparator(previous_); }

}  // namespace runtime
