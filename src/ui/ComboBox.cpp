#include "ui/ComboBox.h"

#include <nlohmann/json.hpp>

#include "runtime/Text.h"
#include "ui/UiError.h"

namespace ui {

using runtime::Variant;

ComboBox::ComboBox(Form& form, const ControlDesign& design) : Control(form, design) { resetKindState(); }

void ComboBox::resetKindState() {
    items_ = design().items;
    listIndex_ = -1;
    text_ = style() == DropDownList ? std::string() : design().caption;
    if (const int row = findRow(design().caption); row >= 0 && !design().caption.empty()) {
        listIndex_ = row;
        text_ = items_[static_cast<std::size_t>(row)];
    }
}

const std::string& ComboBox::list(int row) const {
    if (row < 0 || row >= listCount()) raiseUi(err::InvalidPropertyArrayIndex);
    return items_[static_cast<std::size_t>(row)];
}

void ComboBox::setList(int row, std::string text) {
    if (row < 0 || row >= listCount()) raiseUi(err::InvalidPropertyArrayIndex);
    items_[static_cast<std::size_t>(row)] = std::move(text);
    changed("List");
    if (row == listIndex_) apply(items_[static_cast<std::size_t>(row)], row);
}

void ComboBox::addItem(std::string text, int row) {
    if (row == -1) row = listCount();
    if (row < 0 || row > listCount()) raiseUi(err::InvalidCall);
    items_.insert(items_.begin() + row, std::move(text));
    if (listIndex_ >= row) ++listIndex_;
    changed("List");
}

void ComboBox::removeItem(int row) {
    if (row < 0 || row >= listCount()) raiseUi(err::InvalidCall);
    items_.erase(items_.begin() + row);
    changed("List");
    if (row == listIndex_) {
        apply(style() == DropDownList ? std::string() : text_, -1);
    } else if (listIndex_ > row) {
        --listIndex_;
    }
}

void ComboBox::clear() {
    items_.clear();
    changed("List");
    apply(std::string(), -1);
}

int ComboBox::findRow(std::string_view text) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (runtime::equalsIgnoreCase(items_[i], text)) return static_cast<int>(i);
    return -1;
}

void ComboBox::setListIndex(int row) {
    if (row < -1 || row >= listCount()) raiseUi(err::InvalidPropertyValue);
    if (row == listIndex_) return;
    apply(row < 0 ? std::string() : items_[static_cast<std::size_t>(row)], row);
}

void ComboBox::setText(std::string text) {
    const int row = findRow(text);
    if (row >= 0) {
        apply(items_[static_cast<std::size_t>(row)], row);
    } else if (style() == DropDownList && !text.empty()) {
        raiseUi(err::PropertyReadOnly, "Text");
    } else {
        apply(std::move(text), -1);
    }
}

void ComboBox::apply(std::string text, int row) {
    const bool textChanged = text != text_;
    const bool rowChanged = row != listIndex_;
    text_ = std::move(text);
    listIndex_ = row;
    if (textChanged) changed("Text");
    if (rowChanged) changed("ListIndex");
    if (textChanged) onChange.fire();
    if (rowChanged && row >= 0) onClick.fire();
}

std::optional<Variant> ComboBox::getKindProperty(std::string_view upperName) const {
    if (upperName == "TEXT") return Variant(text_);
    if (upperName == "LISTINDEX") return Variant(static_cast<std::int32_t>(listIndex_));
    if (upperName == "LISTCOUNT") return Variant(static_cast<std::int32_t>(listCount()));
    if (upperName == "STYLE") return Variant(static_cast<std::int16_t>(style()));
    return std::nullopt;
}

bool ComboBox::setKindProperty(std::string_view upperName, const Variant& value) {
    if (upperName == "TEXT") {
        setText(value.isNull() ? std::string() : value.toString());
        return true;
    }
    if (upperName == "LISTINDEX") {
        setListIndex(property::toInt(value, -1, listCount() - 1));
        return true;
    }
    if (upperName == "LISTCOUNT" || upperName == "STYLE") raiseUi(err::PropertyReadOnly, upperName == "STYLE" ? "Style" : "ListCount");
    return false;
}

void ComboBox::describe(nlohmann::json& out) const {
    out["text"] = text_;
    out["listIndex"] = listIndex_;
    out["items"] = items_;
}

}  // namespace ui
