#pragma once
// A list box of rows with several columns, one or several of which can be selected.
// Rows count from 0. Each row holds texts, column 0 first; a row may hold more columns than
// ColumnCount shows.
//
// The whole content can be read and replaced as a two-dimensional runtime::Array, in two
// layouts as the original runtime had them:
//   List    (row, column)  - arr(r, c) is column c of row r;
//   Column  (column, row)  - arr(c, r) is column c of row r.
// A one-dimensional array assigned to List gives one row per element (column 0); assigned to
// Column it gives a single row whose columns are the elements. Reading an empty list gives
// Null; otherwise an array 0..rows-1 by 0..columns-1 (columns = the larger of ColumnCount and
// the widest row), missing cells "". Cells are texts: numbers come back as their text, Null as "".
//
// Events: Click when ListIndex moves to a (different) row, from code or the user; Change when the
// set of selected rows changes (replacing, clearing or removing selected rows included), fired
// before Click; DblClick only from the user.
// In single-selection mode the selected row is the ListIndex row.
#include <string>
#include <vector>

#include "runtime/Variant.h"
#include "ui/Control.h"

namespace ui {

class ListBox final : public Control {
public:
    static constexpr int SingleSelect = 0, MultiSelect = 1, ExtendedSelect = 2;

    ListBox(Form& form, const ControlDesign& design);

    bool canTakeFocus() const override { return true; }
    std::string_view defaultProperty() const override { return "Text"; }

    int multiSelect() const { return design().multiSelect; }
    int listCount() const { return static_cast<int>(rows_.size()); }
    int columnCount() const { return columnCount_; }
    // At least 1, else error 380.
    void setColumnCount(int columns);

    // Error 381 for a row outside 0..listCount-1 or a negative column; a column the row does
    // not hold reads "".
    std::string list(int row, int column = 0) const;
    void setList(int row, int column, std::string text);
    // Appends a row with `text` in column 0, or inserts it before `row` (0..listCount); error 5
    // for another row.
    void addItem(std::string text, int row = -1);
    // Error 5 outside 0..listCount-1.
    void removeItem(int row);
    void clear();

    // Error 381 outside 0..listCount-1.
    bool selected(int row) const;
    void setSelected(int row, bool selected);
    std::vector<int> selectedRows() const;
    // Makes exactly these rows selected, firing Change once if that changed anything. In single
    // selection at most one row may be given (error 5); it becomes the ListIndex row.
    void setSelection(const std::vector<int>& rows);

    int listIndex() const { return listIndex_; }
    // -1..listCount-1, else error 380.
    void setListIndex(int row);
    // Column 0 of the ListIndex row; "" when no row is current.
    std::string text() const;

    runtime::Variant listArray() const;
    runtime::Variant columnArray() const;
    // Error 13 when the value is not an array of one or two dimensions.
    void setListArray(const runtime::Variant& value);
    void setColumnArray(const runtime::Variant& value);

    Event<> onClick;
    Event<> onChange;
    Event<> onDblClick;

private:
    struct Row {
        std::vector<std::string> cells;
        bool selected = false;
    };

    std::optional<runtime::Variant> getKindProperty(std::string_view upperName) const override;
    bool setKindProperty(std::string_view upperName, const runtime::Variant& value) override;
    void describe(nlohmann::json& out) const override;
    void resetKindState() override;

    const Row& row(int index) const;
    int width() const;
    std::vector<int> selection() const { return selectedRows(); }
    void replaceRows(std::vector<Row> rows);
    // Applies a new ListIndex and selection and fires Change and Click as they changed.
    void apply(int newIndex, const std::vector<int>& previousSelection);

    std::vector<Row> rows_;
    int columnCount_;
    int listIndex_;
};

}  // namespace ui
