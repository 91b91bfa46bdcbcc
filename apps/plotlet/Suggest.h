#pragma once
// Helping a user who mistyped a name: the known name it is closest to, and the list of what
// there is, for the messages of the command line.
#include <string>
#include <vector>

namespace plotlet::cli {

// The candidate closest to `wanted` when it is close enough to be a slip of the keys (case
// ignored, a few letters wrong, missing or extra); empty otherwise.
std::string closestName(const std::string& wanted, const std::vector<std::string>& candidates);

// " (did you mean NAME?)" for the closest candidate, or nothing.
std::string didYouMean(const std::string& wanted, const std::vector<std::string>& candidates);

// "a, b, c", or `none` when the list is empty.
std::string listOf(const std::vector<std::string>& names, const std::string& none = "none");

}  // namespace plotlet::cli
