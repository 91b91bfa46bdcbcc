#pragma once
// A tab control (the original runtime's SSTab): a row of tab pages, one shown at a time.
// Controls lie on a page by naming the tab control as their container with a tab page number.
// Caption and ToolTipText read and write the texts of the current tab, as the original control
// did; tabCaption(i) and friends reach any tab. Setting Tab to another page fires
// Click(previousTab), from code or from the user. Tab numbers outside 0..tabs-1 raise error 380.
#include <string>
#include <vector>

#include "ui/Control.h"

namespace ui {

class TabControl final : public Control {
public:
    TabControl(Form& form, const ControlDesign& design);

    bool hasCaption() const override { return true; }
    bool canTakeFocus() const override { return true; }
    std::string_view defaultProperty() const override { return "Tab"; }

    int tabs() const { return static_cast<int>(pages_.size()); }
    int tab() const { return tab_; }
    void setTab(int tab);

    const std::string& tabCaption(int tab) const;
    void setTabCaption(int tab, std::string caption);
    const std::string& tabToolTip(int tab) const;
    void setTabToolTip(int tab, std::string toolTip);

    std::string caption() const override { return tabCaption(tab_); }
    void setCaption(std::string caption) override { setTabCaption(tab_, std::move(caption)); }
    std::string toolTipText() const override { return tabToolTip(tab_); }
    void setToolTipText(std::string toolTip) override { setTabToolTip(tab_, std::move(toolTip)); }

    Event<int> onClick;  // the tab shown before

private:
    struct Page {
        std::string caption;
        std::string toolTip;
    };

    std::optional<runtime::Variant> getKindProperty(std::string_view upperName) const override;
    bool setKindProperty(std::string_view upperName, const runtime::Variant& value) override;
    void describe(nlohmann::json& out) const override;
    void resetKindState() override;
    const Page& page(int tab) const;

    std::vector<Page> pages_;
    int tab_ = 0;
};

}  // namespace ui
