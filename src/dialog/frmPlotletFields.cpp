// frmPlotlet: the chart field list and its symbols. Fields move between LstFields and
// LstViewFields, are ordered, and get fill symbols with preview images; every command leaves
// row k with symbol k - 1 of pFieldsSymbolArray and image k + 1 of ImageList1 under the key in
// its sub-item 5. Also the label font and the feedback mail.
#include <utility>
#include <vector>

#include "dialog/MailTo.h"
#include "dialog/frmPlotlet.h"
#include "errors/ErrorHandling.h"
#include "runtime/Error.h"
#include "runtime/NumberText.h"
#include "runtime/Text.h"

namespace plotlet {

namespace EH = ErrorHandling;

namespace {

constexpr int KeySubItem = 5;    // the key of the row's preview image
constexpr int NameSubItem = 1;   // the field's name
constexpr int PlaceSubItem = 2;  // the field's position in the layer, as text
constexpr int RightButton = 2;

EH::ProcedureGuard dialogGuard(std::string_view procedure) {
    return EH::ProcedureGuard{{.procedure = procedure}, 0, EH::ModeDialog};
}

// Runs `action` when the scope ends, also after a failure; its own failure is swallowed, the
// scope's failure being the one worth reporting.
template <class F>
class Finally {
public:
    explicit Finally(F action) : action_(std::move(action)) {}
    ~Finally() {
        try {
            action_();
        } catch (...) {
        }
    }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    F action_;
};

// Everything a row of the chart field list holds, to take it out and put it back elsewhere.
struct RowContent {
    std::string key, text, tag;
    std::vector<std::string> subItems;  // sub-items 1 .. columns - 1
    bool selected = false;
};

RowContent takeRow(const ui::ListView& list, int index) {
    const ui::ListItem& row = list.item(index);
    RowContent content{row.key(), row.text(), row.tag(), {}, row.selected()};
    for (int s = 1; s < list.columnCount(); ++s) content.subItems.push_back(row.subItem(s));
    return content;
}

// Inserts the row without icons: the caller binds the icons once the image list is attached.
void putRow(ui::ListView& list, int index, const RowContent& content) {
    ui::ListItem& row = list.addItem(index, content.key, content.text);
    for (std::size_t s = 0; s < content.subItems.size(); ++s) row.setSubItem(static_cast<int>(s) + 1, content.subItems[s]);
    row.setTag(content.tag);
    row.setSelected(content.selected);
}

}  // namespace

// --- colours --------------------------------------------------------------------------------

bool frmPlotlet::SetRandomColor(ui::ListItem& row, bool /*isNew: the field list always adds*/) {
    return EH::trapped(
        dialogGuard("SetRandomColor "),
        [&](EH::ProcedureGuard& guard) {
            guard.line = 1;
            const std::string key = "key" + row.subItem(PlaceSubItem);
            guard.line = 2;
            const host::SymbolPtr symbol = newFieldSymbol();
            pFieldsSymbolArray->addSymbol(symbol);
            guard.line = 3;
            ImageList1.add(key, previewPicture(symbol));
            guard.line = 4;
            row.setIcon(key);
            row.setSmallIcon(key);
            row.setSubItem(KeySubItem, key);
            return true;
        },
        false);
}

void frmPlotlet::CmdRandomStyles_Click() {
    EH::trapped(dialogGuard("CmdRandomStyles_Click "), [this](EH::ProcedureGuard& guard) {
        guard.line = 1;
        detachImages();
        Finally reattach([this] { attachImages(); });
        guard.line = 2;
        try {
            ClearFieldImages();
        } catch (...) {
            // Whatever could not be removed stays; the new previews follow it.
        }
        guard.line = 3;
        pFieldsSymbolArray->clearSymbols();
        guard.line = 4;
        for (int k = 1; k <= LstViewFields.itemCount(); ++k) {
            const host::SymbolPtr symbol = newFieldSymbol();
            pFieldsSymbolArray->addSymbol(symbol);
            ImageList1.add(LstViewFields.item(k).subItem(KeySubItem), previewPicture(symbol));
        }
        guard.line = 5;
        attachImages();
        rebindRowIcons();
    });
}

// --- font and mail --------------------------------------------------------------------------

void frmPlotlet::CmdFont_Click() {
    try {
        CommonDialog1.setFontName(TxtFontName.text());
        // A size that is not a number ends the command before the dialog opens.
        CommonDialog1.setFontSize(runtime::Variant(TxtFontSize.text()).toSingle());
        CommonDialog1.setFontBold(false);
        CommonDialog1.setFontItalic(false);
        CommonDialog1.setCancelError(true);
        CommonDialog1.setFlags(0x10003);  // screen and printer fonts, only fonts that exist
        CommonDialog1.showFont();
        TxtFontName.setText(CommonDialog1.fontName());
        TxtFontSize.setText(runtime::singleText(CommonDialog1.fontSize()));
    } catch (...) {
        // Cancelled, or no usable size: the boxes stay as they were.
    }
}

void frmPlotlet::CmdMailTo_Click() {
    // The body is what the user typed: encoded, it cannot add parameters to the address or
    // break out of it.
    const std::string url = MailToUrl(FeedbackAddress, "Plotlet", TxtMailBody.text());
    if (ui::shell().openUrl(url) <= 32) ui::msgBox("Auto method failed.");
}

// --- moving fields --------------------------------------------------------------------------

void frmPlotlet::CmdFieldsTo_Click() {
    try {
        std::vector<std::string> moved;
        for (int i = 0; i < LstFields.listCount(); ++i) {
            if (!LstFields.selected(i)) continue;
            ui::ListItem& row = LstViewFields.addItem();
            row.setSubItem(NameSubItem, LstFields.list(i, 0));
            row.setSubItem(PlaceSubItem, LstFields.list(i, 1));
            SetRandomColor(row, true);
            moved.push_back(LstFields.list(i, 1));
        }
        for (const std::string& place : moved) {
            for (int i = 0; i < LstFields.listCount(); ++i) {
                if (LstFields.list(i, 1) == place) {
                    LstFields.removeItem(i);
                    break;
                }
            }
        }
    } catch (...) {
        // Ends where it got to, without a message.
    }
}

void frmPlotlet::LstFields_DblClick() { CmdFieldsTo_Click(); }

void frmPlotlet::CmdFieldsBack_Click() {
    if (LstViewFields.selectedItem() == nullptr) return;
    moveFieldsBack(false, "CmdFieldsBack_Click ");
}

void frmPlotlet::CmdFieldsBackAll_Click() { moveFieldsBack(true, "CmdFieldsBackAll_Click "); }

void frmPlotlet::moveFieldsBack(bool all, std::string_view procedure) {
    EH::trapped(dialogGuard(procedure), [&](EH::ProcedureGuard& guard) {
        guard.line = 1;
        auto kept = std::make_shared<host::BarChartSymbol>();

        guard.line = 2;
        std::vector<std::string> keys;
        for (int k = 1; k <= LstViewFields.itemCount(); ++k) {
            const ui::ListItem& row = LstViewFields.item(k);
            if (all || row.selected()) {
                keys.push_back(row.subItem(KeySubItem));
                LstFields.addItem(row.subItem(NameSubItem));
                LstFields.setList(LstFields.listCount() - 1, 1, row.subItem(PlaceSubItem));
            } else {
                kept->addSymbol(pFieldsSymbolArray->symbol(static_cast<std::size_t>(k - 1)));
            }
        }

        guard.line = 3;
        detachImages();
        Finally reattach([this] { attachImages(); });
        for (const std::string& key : keys) {
            for (int k = 1; k <= LstViewFields.itemCount(); ++k) {
                if (LstViewFields.item(k).subItem(KeySubItem) == key) {
                    LstViewFields.removeItem(k);
                    break;
                }
            }
            if (const int image = ImageList1.indexOfKey(key); image > 0) ImageList1.remove(image);
        }
        attachImages();
        rebindRowIcons();

        guard.line = 4;
        pFieldsSymbolArray = kept;

        guard.line = 5;
        sortAvailableFields();
    });
}

void frmPlotlet::sortAvailableFields() {
    if (LstFields.listCount() == 0) return;
    runtime::Variant rows = LstFields.listArray();
    runtime::Array& cells = rows.array();
    for (long r = cells.lowerBound(1); r <= cells.upperBound(1); ++r)
        cells.at(r, 1) = runtime::val(cells.at(r, 1).toString());
    LstFields.setListArray(Array2Sort(rows, 1, true));
}

// --- ordering -------------------------------------------------------------------------------

void frmPlotlet::CmdUpDown_Click(int Index) {
    EH::trapped(dialogGuard("CmdUpDown_Click "), [&](EH::ProcedureGuard& guard) {
        guard.line = 1;
        const ui::ListItem* selected = LstViewFields.selectedItem();
        if (selected == nullptr) return;
        const int k = selected->index();

        guard.line = 2;
        int partner = 0;
        if (Index == 1) {
            if (k >= LstViewFields.itemCount()) return;
            partner = k + 1;
        } else {
            if (k <= 1) return;
            partner = k - 1;
        }
        const int upper = std::min(k, partner), lower = std::max(k, partner);

        guard.line = 3;
        detachImages();
        Finally reattach([this] { attachImages(); });
        const RowContent upperRow = takeRow(LstViewFields, upper), lowerRow = takeRow(LstViewFields, lower);
        LstViewFields.removeItem(lower);
        LstViewFields.removeItem(upper);
        putRow(LstViewFields, upper, lowerRow);
        putRow(LstViewFields, lower, upperRow);

        pFieldsSymbolArray->swapSymbols(static_cast<std::size_t>(upper - 1), static_cast<std::size_t>(lower - 1));

        const ui::ListImage upperImage = ImageList1.item(upper + 1), lowerImage = ImageList1.item(lower + 1);
        ImageList1.remove(lower + 1);
        ImageList1.remove(upper + 1);
        ImageList1.insert(upper + 1, lowerImage.key, lowerImage.picture);
        ImageList1.insert(lower + 1, upperImage.key, upperImage.picture);
        attachImages();
        rebindRowIcons();

        guard.line = 4;
        for (int row = 1; row <= LstViewFields.itemCount(); ++row) LstViewFields.item(row).setSelected(row == partner);
    });
}

// --- one field's symbol, headers, menu ------------------------------------------------------

void frmPlotlet::LstViewFields_DblClick() {
    EH::trapped(dialogGuard("LstViewFields_DblClick "), [this](EH::ProcedureGuard& guard) {
        guard.line = 1;
        ui::ListItem* row = LstViewFields.selectedItem();
        if (row == nullptr || row->subItem(KeySubItem).empty()) return;
        const int k = row->index();

        guard.line = 2;
        const auto slot = static_cast<std::size_t>(k - 1);
        const host::SymbolPtr symbol = slot < pFieldsSymbolArray->symbolCount() ? pFieldsSymbolArray->symbol(slot) : nullptr;
        if (!symbol) {
            ui::msgBox(Msg(18));
            return;
        }

        guard.line = 3;
        const auto chosen = std::dynamic_pointer_cast<host::Symbol>(ui::shell().selectSymbol(symbol));
        if (!chosen) return;

        guard.line = 4;
        pFieldsSymbolArray->setSymbol(slot, chosen);
        detachImages();
        Finally reattach([this] { attachImages(); });
        ImageList1.remove(k + 1);
        ImageList1.insert(k + 1, row->subItem(KeySubItem), previewPicture(chosen));
        attachImages();
        rebindRowIcons();
    });
}

void frmPlotlet::LstViewFields_ColumnClick(ui::ColumnHeader& columnHeader) {
    // The position and key columns are for the program; a click hides them.
    if (columnHeader.index() == 3 || columnHeader.index() > 4) columnHeader.setWidth(0);
}

void frmPlotlet::LstViewFields_MouseUp(int button, int /*shift*/, float /*x*/, float /*y*/) {
    if (button == RightButton) popupMenu("mnuChangeSymbol");
}

// --- sorting --------------------------------------------------------------------------------

runtime::Variant frmPlotlet::Array2Sort(const runtime::Variant& varItems, std::uint8_t sortColumn, bool ascending) {
    runtime::Variant result = varItems;
    try {
        runtime::Array& rows = result.array();
        const long first = rows.lowerBound(1), last = rows.upperBound(1);
        const long firstColumn = rows.lowerBound(2), lastColumn = rows.upperBound(2);
        // Each pass carries the largest (or smallest) remaining row to the end of the unsorted
        // part; a pass without an exchange means the rows are in order.
        for (long end = last; end > first; --end) {
            bool exchanged = false;
            for (long j = first; j < end; ++j) {
                try {
                    const auto order = runtime::compareValues(rows.at(j, sortColumn), rows.at(j + 1, sortColumn));
                    if (ascending ? order > 0 : order < 0) {
                        for (long c = firstColumn; c <= lastColumn; ++c) std::swap(rows.at(j, c), rows.at(j + 1, c));
                        exchanged = true;
                    }
                } catch (...) {
                    // A pair that cannot be compared stays as it is.
                }
            }
            if (!exchanged) break;
        }
    } catch (...) {
        // Not a two-dimensional array: returned as it came.
    }
    return result;
}

}  // namespace plotlet
