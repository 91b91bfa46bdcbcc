#pragma once
// Value labels that fit: a label whose number would overlap the label of a neighbouring bar of
// the same chart (or come so close that the two read as one number) is rewritten in a short form (12.3k, 1.2M; in Russian "12,3 тыс.", "1,2 млн"),
// as a person editing the label's text would. Labels that fit keep the text the dialog gave
// them, and the charts stay the chart elements they were: their attached data, bars and leaders
// do not change, so Recreate and label removal work on them as before.
#include <cstddef>
#include <string>
#include <vector>

#include "host/Display.h"
#include "host/GraphicsContainer.h"

namespace render {

// The short forms of a number, most precise first: three significant digits, then two (at
// least the whole part of the shortened number), trailing zeros dropped. English: 12.3k,
// 12k, 1.23M, 1.2B, 4.5T; Russian (decimal comma): "12,3 тыс.", "1,23 млн", "1,2 млрд",
// "4,5 трлн". Empty for numbers under a thousand in size and for infinities and NaN.
std::vector<std::string> shortNumberForms(double value, bool russian);

// The number a label shows, when its whole text is one ("12345", "-12.5", "1E+15").
bool labelNumber(const std::string& text, double& value);

struct LabelShortening {
    std::size_t charts = 0;     // charts with value labels
    std::size_t shortened = 0;  // labels given a short form
    std::size_t crowded = 0;    // pairs of labels of one chart that overlap still, short forms and all
};

// Shortens, chart by chart, the labels that overlap the label of another bar of their chart or
// stand closer to it than a quarter of their height,
// measured on `display` (the charts' own drawing scale): each label of an overlapping pair takes
// its next shorter form, until the pair is clear or no shorter form is left. A short form is
// taken only when it is narrower than the text it replaces.
LabelShortening shortenCrowdedLabels(host::GraphicsContainer& container, const host::Display& display, bool russian);

}  // namespace render
