#include "plotlet/Suggest.h"

#include <algorithm>

#include "runtime/Text.h"

namespace plotlet::cli {

namespace {

// Edit distance between the case-folded texts, counted in bytes: close enough for names.
std::size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string closestName(const std::string& wanted, const std::vector<std::string>& candidates) {
    const std::string w = runtime::lowerCase(wanted);
    std::string best;
    std::size_t bestDistance = std::max<std::size_t>(2, w.size() / 3) + 1;
    for (const std::string& candidate : candidates) {
        const std::string c = runtime::lowerCase(candidate);
        std::size_t d = distance(w, c);
        // A name given as a part of a longer one ("COUNTY" for "COUNTY_PTS") is close too.
        if (w.size() >= 3 && c.find(w) != std::string::npos) d = std::min<std::size_t>(d, 1);
        if (d < bestDistance) {
            bestDistance = d;
            best = candidate;
        }
    }
    return best;
}

std::string didYouMean(const std::string& wanted, const std::vector<std::string>& candidates) {
    const std::string name = closestName(wanted, candidates);
    return name.empty() ? std::string() : " (did you mean " + name + "?)";
}

std::string listOf(const std::vector<std::string>& names, const std::string& none) {
    if (names.empty()) return none;
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
    return out;
}

}  // namespace plotlet::cli
