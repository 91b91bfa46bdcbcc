#pragma once
// A combo box: a list of text rows and a text. Style 0 (drop-down combo) lets the text be any
// text; style 2 (drop-down list) only one of the rows.
//
// Events, whatever the cause (code, the user's choice, removing or clearing rows):
//   Change  whenever Text changes;
//   Click   whenever ListIndex moves to a (different) row, after Change.
// Setting Text to a row's text (compared without regard to case) chooses that row; setting
// ListIndex shows the row's text (or "" for -1).
#include <string>
#include <vector>

#include "ui/Control.h"

namespace ui {

class ComboBox final : public Control {
public:
    static constexpr int DropDownCombo = 0, DropDownList = 2;

    ComboBox(Form& form, const ControlDesign& design);

    bool canTakeFocus() const override { return true; }
    std::string_view defaultProperty() const override { return "Text"; }

    int style() const { return design().style; }

    int listCount() const { return static_cast<int>(items_.size()); }
    // Error 381 outside 0..listCount-1.
    const std::string& list(int row) const;
    void setList(int row, std::string text);
    // Appends, or inserts before `row` (0..listCount); error 5 for another row.
    void addItem(std::string text, int row = -1);
    // Error 5 outside 0..listCount-1. Removing the chosen row leaves no row chosen.
    void removeItem(int row);
    void clear();
    // The first row with this text (without regard to case), or -1.
    int findRow(std::string_view text) const;

    int listIndex() const { return listIndex_; }
    // -1..listCount-1, else error 380.
    void setListIndex(int row);

    const std::string& text() const { return text_; }
    // Style 2: a text that is no row's text raises error 383 ("" chooses no row).
    void setText(std::string text);

    Event<> onChange;
    Event<> onClick;

private:
    std::optional<runtime::Variant> getKindProperty(std::string_view upperName) const override;
    bool setKindProperty(std::string_view upperName, const runtime::Variant& value) override;
    void describe(nlohmann::json& out) const override;
    void resetKindState() override;
    // Applies a new state and fires Change and Click as the state changed.
    void apply(std::string text, int row);

    std::vector<std::string> items_;
    int listIndex_;
    std::string text_;
};

}  // namespace ui
