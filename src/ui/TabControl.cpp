#include "ui/TabControl.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "ui/UiError.h"

namespace ui {

using runtime::Variant;

TabControl::TabControl(Form& form, const ControlDesign& design) : Control(form, design) { resetKindState(); }

void TabControl::resetKindState() {
    pages_.clear();
    const int count = std::max(1, design().tabs);
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(i);
        pages_.push_back({at < design().tabCaptions.size() ? design().tabCaptions[at] : "Tab " + std::to_string(i), {}});
    }
    tab_ = std::clamp(design().value, 0, count - 1);
}

const TabControl::Page& TabControl::page(int tab) const {
    if (tab < 0 || tab >= tabs()) raiseUi(err::InvalidPropertyValue);
    return pages_[static_cast<std::size_t>(tab)];
}

void TabControl::setTab(int tab) {
    page(tab);
    if (tab == tab_) return;
    const int previous = tab_;
    tab_ = tab;
    changed("Tab");
    onClick.fire(previous);
}

const std::string& TabControl::tabCaption(int tab) const { return page(tab).caption; }

void TabControl::setTabCaption(int tab, std::string caption) {
    page(tab);
    pages_[static_cast<std::size_t>(tab)].caption = std::move(caption);
    changed("Caption");
}

const std::string& TabControl::tabToolTip(int tab) const { return page(tab).toolTip; }

void TabControl::setTabToolTip(int tab, std::string toolTip) {
    page(tab);
    pages_[static_cast<std::size_t>(tab)].toolTip = std::move(toolTip);
    changed("ToolTipText");
}

std::optional<Variant> TabControl::getKindProperty(std::string_view upperName) const {
    if (upperName == "TAB") return Variant(static_cast<std::int16_t>(tab_));
    if (upperName == "TABS") return Variant(static_cast<std::int16_t>(tabs()));
    return std::nullopt;
}

bool TabControl::setKindProperty(std::string_view upperName, const Variant& value) {
    if (upperName == "TAB") {
        setTab(property::toInt(value, 0, tabs() - 1));
        return true;
    }
    if (upperName == "TABS") raiseUi(err::PropertyReadOnly, "Tabs");
    return false;
}

void TabControl::describe(nlohmann::json& out) const {
    out["tab"] = tab_;
    nlohmann::json pages = nlohmann::json::array();
    for (const Page& p : pages_) pages.push_back({{"caption", p.caption}, {"toolTip", p.toolTip}});
    out["pages"] = std::move(pages);
}

}  // namespace ui
