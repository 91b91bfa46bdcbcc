#include "ui/ListBox.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "ui/UiError.h"

namespace ui {

using runtime::Array;
using runtime::Variant;

namespace {

std::string cellText(const Variant& value) { return value.isNull() || value.isEmpty() ? std::string() : value.toString(); }

}  // namespace

ListBox::ListBox(Form& form, const ControlDesign& design) : Control(form, design) { resetKindState(); }

void ListBox::resetKindState() {
    rows_.clear();
    for (const std::string& item : design().items) rows_.push_back({{item}, false});
    columnCount_ = std::max(1, design().columnCount);
    listIndex_ = -1;
}

const ListBox::Row& ListBox::row(int index) const {
    if (index < 0 || index >= listCount()) raiseUi(err::InvalidPropertyArrayIndex);
    return rows_[static_cast<std::size_t>(index)];
}

int ListBox::width() const {
    std::size_t widest = static_cast<std::size_t>(columnCount_);
    for (const Row& r : rows_) widest = std::max(widest, r.cells.size());
    return static_cast<int>(widest);
}

void ListBox::setColumnCount(int columns) {
    if (columns < 1) raiseUi(err::InvalidPropertyValue);
    if (columnCount_ == columns) return;
    columnCount_ = columns;
    changed("ColumnCount");
}

std::string ListBox::list(int rowIndex, int column) const {
    const Row& r = row(rowIndex);
    if (column < 0) raiseUi(err::InvalidPropertyArrayIndex);
    return static_cast<std::size_t>(column) < r.cells.size() ? r.cells[static_cast<std::size_t>(column)] : std::string();
}

void ListBox::setList(int rowIndex, int column, std::string text) {
    row(rowIndex);
    if (column < 0) raiseUi(err::InvalidPropertyArrayIndex);
    auto& cells = rows_[static_cast<std::size_t>(rowIndex)].cells;
    if (cells.size() <= static_cast<std::size_t>(column)) cells.resize(static_cast<std::size_t>(column) + 1);
    cells[static_cast<std::size_t>(column)] = std::move(text);
    changed("List");
}

void ListBox::addItem(std::string text, int rowIndex) {
    if (rowIndex == -1) rowIndex = listCount();
    if (rowIndex < 0 || rowIndex > listCount()) raiseUi(err::InvalidCall);
    rows_.insert(rows_.begin() + rowIndex, Row{{std::move(text)}, false});
    if (listIndex_ >= rowIndex) ++listIndex_;
    changed("List");
}

void ListBox::removeItem(int rowIndex) {
    if (rowIndex < 0 || rowIndex >= listCount()) raiseUi(err::InvalidCall);
    const std::vector<int> before = selection();
    const bool wasSelected = rows_[static_cast<std::size_t>(rowIndex)].selected;
    rows_.erase(rows_.begin() + rowIndex);
    changed("List");
    int newIndex = listIndex_;
    if (listIndex_ == rowIndex) newIndex = -1;
    else if (listIndex_ > rowIndex) newIndex = --listIndex_;
    if (wasSelected || newIndex != listIndex_) apply(newIndex, before);
}

void ListBox::clear() { replaceRows({}); }

bool ListBox::selected(int rowIndex) const { return row(rowIndex).selected; }

void ListBox::setSelected(int rowIndex, bool value) {
    row(rowIndex);
    if (multiSelect() == SingleSelect) {
        if (value) setListIndex(rowIndex);
        else if (rowIndex == listIndex_) setListIndex(-1);
        return;
    }
    Row& r = rows_[static_cast<std::size_t>(rowIndex)];
    if (r.selected == value) return;
    r.selected = value;
    changed("Selected");
    onChange.fire();
}

std::vector<int> ListBox::selectedRows() const {
    std::vector<int> result;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].selected) result.push_back(static_cast<int>(i));
    return result;
}

void ListBox::setSelection(const std::vector<int>& rows) {
    for (int r : rows) row(r);
    if (multiSelect() == SingleSelect) {
        if (rows.size() > 1) raiseUi(err::InvalidCall);
        setListIndex(rows.empty() ? -1 : rows.front());
        return;
    }
    const std::vector<int> before = selection();
    for (Row& r : rows_) r.selected = false;
    for (int r : rows) rows_[static_cast<std::size_t>(r)].selected = true;
    if (selection() == before) return;
    changed("Selected");
    onChange.fire();
}

void ListBox::setListIndex(int rowIndex) {
    if (rowIndex < -1 || rowIndex >= listCount()) raiseUi(err::InvalidPropertyValue);
    if (rowIndex == listIndex_) return;
    apply(rowIndex, selection());
}

void ListBox::apply(int newIndex, const std::vector<int>& previousSelection) {
    const bool indexChanged = newIndex != listIndex_;
    listIndex_ = newIndex;
    if (multiSelect() == SingleSelect)
        for (std::size_t i = 0; i < rows_.size(); ++i) rows_[i].selected = static_cast<int>(i) == newIndex;
    const bool selectionChanged = selection() != previousSelection;
    if (indexChanged) changed("ListIndex");
    if (selectionChanged) {
        changed("Selected");
        onChange.fire();
    }
    if (indexChanged && newIndex >= 0) onClick.fire();
}

std::string ListBox::text() const { return listIndex_ < 0 ? std::string() : list(listIndex_, 0); }

Variant ListBox::listArray() const {
    if (rows_.empty()) return Variant::null();
    const int columns = width();
    Array array(0, listCount() - 1, 0, columns - 1);
    for (int r = 0; r < listCount(); ++r)
        for (int c = 0; c < columns; ++c) array.at(r, c) = Variant(list(r, c));
    return Variant(std::move(array));
}

Variant ListBox::columnArray() const {
    if (rows_.empty()) return Variant::null();
    const int columns = width();
    Array array(0, columns - 1, 0, listCount() - 1);
    for (int r = 0; r < listCount(); ++r)
        for (int c = 0; c < columns; ++c) array.at(c, r) = Variant(list(r, c));
    return Variant(std::move(array));
}

void ListBox::setListArray(const Variant& value) {
    if (!value.isArray()) raiseUi(err::TypeMismatch);
    const Array& array = value.array();
    std::vector<Row> rows;
    if (array.dimensions() == 1) {
        for (long r = array.lowerBound(1); r <= array.upperBound(1); ++r) rows.push_back({{cellText(array.at(r))}, false});
    } else if (array.dimensions() == 2) {
        for (long r = array.lowerBound(1); r <= array.upperBound(1); ++r) {
            Row row;
            for (long c = array.lowerBound(2); c <= array.upperBound(2); ++c) row.cells.push_back(cellText(array.at(r, c)));
            rows.push_back(std::move(row));
        }
    } else {
        raiseUi(err::TypeMismatch);
    }
    replaceRows(std::move(rows));
}

void ListBox::setColumnArray(const Variant& value) {
    if (!value.isArray()) raiseUi(err::TypeMismatch);
    const Array& array = value.array();
    std::vector<Row> rows;
    if (array.dimensions() == 1) {
        Row row;
        for (long c = array.lowerBound(1); c <= array.upperBound(1); ++c) row.cells.push_back(cellText(array.at(c)));
        rows.push_back(std::move(row));
    } else if (array.dimensions() == 2) {
        for (long r = array.lowerBound(2); r <= array.upperBound(2); ++r) {
            Row row;
            for (long c = array.lowerBound(1); c <= array.upperBound(1); ++c) row.cells.push_back(cellText(array.at(c, r)));
            rows.push_back(std::move(row));
        }
    } else {
        raiseUi(err::TypeMismatch);
    }
    replaceRows(std::move(rows));
}

void ListBox::replaceRows(std::vector<Row> rows) {
    const std::vector<int> before = selection();
    rows_ = std::move(rows);
    changed("List");
    apply(-1, before);
}

std::optional<Variant> ListBox::getKindProperty(std::string_view upperName) const {
    if (upperName == "LISTINDEX") return Variant(static_cast<std::int32_t>(listIndex_));
    if (upperName == "LISTCOUNT") return Variant(static_cast<std::int32_t>(listCount()));
    if (upperName == "COLUMNCOUNT") return Variant(static_cast<std::int32_t>(columnCount_));
    if (upperName == "MULTISELECT") return Variant(static_cast<std::int16_t>(multiSelect()));
    if (upperName == "TEXT") return Variant(text());
    if (upperName == "LIST") return listArray();
    if (upperName == "COLUMN") return columnArray();
    return std::nullopt;
}

bool ListBox::setKindProperty(std::string_view upperName, const Variant& value) {
    if (upperName == "LISTINDEX") {
        setListIndex(property::toInt(value, -1, listCount() - 1));
    } else if (upperName == "COLUMNCOUNT") {
        setColumnCount(property::toInt(value, 1, 1 << 16));
    } else if (upperName == "TEXT") {
        // Choosing a row by its text, as a user types it; a text no row has is refused.
        const std::string wanted = cellText(value);
        int found = -1;
        for (int r = 0; r < listCount() && found < 0; ++r)
            if (list(r, 0) == wanted) found = r;
        if (found < 0 && !wanted.empty()) raiseUi(err::InvalidPropertyValue);
        setListIndex(found);
    } else if (upperName == "LIST") {
        setListArray(value);
    } else if (upperName == "COLUMN") {
        setColumnArray(value);
    } else if (upperName == "LISTCOUNT") {
        raiseUi(err::PropertyReadOnly, "ListCount");
    } else if (upperName == "MULTISELECT") {
        raiseUi(err::PropertyReadOnly, "MultiSelect");
    } else {
        return false;
    }
    return true;
}

void ListBox::describe(nlohmann::json& out) const {
    out["listIndex"] = listIndex_;
    out["columnCount"] = columnCount_;
    nlohmann::json rows = nlohmann::json::array();
    for (const Row& r : rows_) rows.push_back(r.cells);
    out["rows"] = std::move(rows);
    out["selected"] = selectedRows();
}

}  // namespace ui
