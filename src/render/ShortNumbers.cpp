#include "render/ShortNumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "host/Element.h"
#include "host/Symbol.h"
#include "runtime/Text.h"

namespace render {

namespace {

// Thousand, million, billion, trillion.
constexpr const char* kEnglishUnits[] = {"k", "M", "B", "T"};
constexpr const char* kRussianUnits[] = {" тыс.", " млн", " млрд", " трлн"};
constexpr int kLargestUnit = 4;

int wholeDigits(double magnitude) {
    int digits = 1;
    for (double m = std::floor(magnitude); m >= 10 && digits < 16; m /= 10) ++digits;
    return digits;
}

std::string shortForm(double value, int significant, bool russian) {
    const double magnitude = std::fabs(value);
    int unit = std::clamp(static_cast<int>(std::floor(std::log10(magnitude) / 3)), 1, kLargestUnit);
    double scaled = 0, rounded = 0;
    int decimals = 0;
    for (int pass = 0; pass < 2; ++pass) {
        scaled = value / std::pow(1000.0, unit);
        decimals = std::max(0, significant - wholeDigits(std::fabs(scaled)));
        const double step = std::pow(10.0, decimals);
        rounded = std::round(scaled * step) / step;
        // 999.96k rounds to 1000k: that is 1M.
        if (std::fabs(rounded) < 1000 || unit == kLargestUnit) break;
        ++unit;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, rounded);
    std::string text = buffer;
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    if (text == "-0") text = "0";
    if (russian) std::replace(text.begin(), text.end(), '.', ',');
    return text + (russian ? kRussianUnits : kEnglishUnits)[unit - 1];
}

struct Label {
    host::TextElement* element;
    std::vector<std::string> forms;  // the full text, then ever narrower short forms
    std::size_t level = 0;
    host::Envelope box;
};

// Labels side by side with less than about a quarter of a letter's height between them read as
// one number ("15701875"): they crowd as much as labels that overlap.
bool crowds(const host::Envelope& a, const host::Envelope& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const double clearance = std::min(a.height(), b.height()) / 8;
    return a.xMin() - clearance < b.xMax() + clearance && b.xMin() - clearance < a.xMax() + clearance &&
           a.yMin() < b.yMax() && b.yMin() < a.yMax();
}

bool isChart(const host::GroupElement& group) {
    for (const host::ElementPtr& member : group.ownElements()) {
        const auto* marker = dynamic_cast<const host::MarkerElement*>(member.get());
        if (marker && dynamic_cast<const host::BarChartSymbol*>(marker->symbol().get())) return true;
    }
    return false;
}

// The label's forms, each kept only when narrower than the one before it.
Label labelOf(host::TextElement& element, const host::Display& display, bool russian) {
    Label label{&element, {element.text()}, 0, element.queryBounds(display)};
    double value = 0;
    if (!labelNumber(element.text(), value)) return label;
    double width = label.box.width();
    for (std::string& form : shortNumberForms(value, russian)) {
        element.setText(form);
        const double w = element.queryBounds(display).width();
        if (w < width) {
            width = w;
            label.forms.push_back(std::move(form));
        }
    }
    element.setText(label.forms.front());
    return label;
}

std::size_t overlappingPairs(const std::vector<Label>& labels, std::vector<bool>* crowded) {
    std::size_t pairs = 0;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        for (std::size_t j = i + 1; j < labels.size(); ++j) {
            if (!crowds(labels[i].box, labels[j].box)) continue;
            ++pairs;
            if (crowded) (*crowded)[i] = (*crowded)[j] = true;
        }
    }
    return pairs;
}

}  // namespace

std::vector<std::string> shortNumberForms(double value, bool russian) {
    std::vector<std::string> forms;
    if (!std::isfinite(value) || std::fabs(value) < 1000) return forms;
    for (int significant : {3, 2}) {
        std::string form = shortForm(value, significant, russian);
        if (std::find(forms.begin(), forms.end(), form) == forms.end()) forms.push_back(std::move(form));
    }
    return forms;
}

bool labelNumber(const std::string& text, double& value) {
    const std::string t = runtime::trim(text);
    if (t.empty()) return false;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    return ec == std::errc() && end == t.data() + t.size();
}

LabelShortening shortenCrowdedLabels(host::GraphicsContainer& container, const host::Display& display, bool russian) {
    LabelShortening result;
    std::vector<Label> labels;
    std::vector<bool> crowded;
    for (const host::ElementPtr& element : container.elements()) {
        auto* group = dynamic_cast<host::GroupElement*>(element.get());
        if (!group || !isChart(*group)) continue;
        labels.clear();
        for (const host::ElementPtr& member : group->elements()) {
            if (auto* text = dynamic_cast<host::TextElement*>(member.get())) labels.push_back(labelOf(*text, display, russian));
        }
        if (labels.empty()) continue;
        ++result.charts;
        // Every label of an overlapping pair one step shorter at a time, so that the two read
        // alike, until no pair overlaps or no label of one has a shorter form.
        for (;;) {
            crowded.assign(labels.size(), false);
            if (overlappingPairs(labels, &crowded) == 0) break;
            bool shorter = false;
            for (std::size_t i = 0; i < labels.size(); ++i) {
                Label& label = labels[i];
                if (!crowded[i] || label.level + 1 >= label.forms.size()) continue;
                ++label.level;
                label.element->setText(label.forms[label.level]);
                label.box = label.element->queryBounds(display);
                shorter = true;
            }
            if (!shorter) break;
        }
        result.crowded += overlappingPairs(labels, nullptr);
        for (const Label& label : labels) result.shortened += label.level > 0 ? 1 : 0;
        // The labels were made elements to be changed: kept compactly again once done.
        labels.clear();
        group->compactLabels();
    }
    return result;
}

}  // namespace render
