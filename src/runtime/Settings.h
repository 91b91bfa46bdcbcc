#pragma once
// Process-wide settings of the language runtime. They stand in for the operating system's
// regional settings and clock so that tests and pictures can be reproduced.
#include <cstdint>
#include <optional>
#include <string>

namespace runtime {

// The decimal separator of the "system format": what number texts are written with and what
// text-to-number conversions accept. Default ".".
const std::string& decimalSeparator();
void setDecimalSeparator(std::string separator);

// When set, every random value comes from a generator seeded with this value at the moment of
// setting, so a run is reproducible. When not set, the generator is seeded from the clock.
std::optional<std::uint64_t> randomSeed();
void setRandomSeed(std::optional<std::uint64_t> seed);

// A pseudo-random double in [0, 1) from the runtime's generator.
double randomUnit();

// Restores the separator for the lifetime of the guard; tests use it for the comma case.
class DecimalSeparatorScope {
public:
    explicit DecimalSeparatorScope(std::string separator);
    ~DecimalSeparatorScope();
    DecimalSeparatorScope(const DecimalSeparatorScope&) = delete;
    DecimalSeparatorScope& operator=(const DecimalSeparatorScope&) = delete;

private:
    std::string previous_;
};

}  // namespace runtime
