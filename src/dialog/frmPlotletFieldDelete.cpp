// frmPlotlet: opening the multi-field delete dialog on the chosen layer, and bringing the
// dialog's field lists up to date with what the delete left.
#include <memory>
#include <string>
#include <vector>

#include "dialog/frmPlotlet.h"
#include "errors/ErrorHandling.h"
#include "fieldtools/FrmMultyFieldsDelete.h"
#include "runtime/Error.h"

namespace plotlet {

namespace EH = ErrorHandling;

namespace {

constexpr int NameSubItem = 1;
constexpr int KeySubItem = 5;

std::vector<std::string> fieldNames(const host::FeatureClass& featureClass) {
    std::vector<std::string> names;
    for (const host::Field& field : featureClass.fields()) names.push_back(field.name);
    return names;
}

}  // namespace

void frmPlotlet::CmdMultyFieldsDelete_Click() {
    std::vector<std::string> before;
    host::FeatureClassPtr featureClass;
    const bool shown = EH::trapped(
        EH::ProcedureGuard{{.procedure = "CmdMultyFieldsDelete_Click"}, 0, EH::ModeDialog},
        [&](EH::ProcedureGuard& guard) {
            guard.line = 1;
            const int row = CmbLayers.listIndex();
            if (row < 0) runtime::raise(runtime::err::SubscriptOutOfRange);
            const host::FeatureLayerPtr& layer = runtime::required(LayerColl.item(static_cast<std::size_t>(row) + 1));
            featureClass = runtime::required(layer->featureClass());

            guard.line = 2;
            auto dialog = std::make_unique<FrmMultyFieldsDelete>();
            dialog->pFClass = featureClass;
            dialog->Language = language_;
            dialog->LblLayerName.setCaption(CmbLayers.text());
            before = fieldNames(*featureClass);

            guard.line = 3;
            dialog->showModal();
            dialog->unload();
            return true;
        },
        false);
    // The lists must not offer a field that is gone: choosing it would fail later.
    if (shown && featureClass && fieldNames(*featureClass) != before) refreshLayerFields();
}

void frmPlotlet::refreshLayerFields() {
    EH::trapped(EH::ProcedureGuard{{.procedure = "refreshLayerFields "}, 0, EH::ModeDialog}, [this](EH::ProcedureGuard& guard) {
        // What the user had set up: the key and the chart fields, in bar order, with their
        // symbols and whatever else their rows hold (a legend field mapped to them).
        guard.line = 1;
        struct ChartRow {
            std::string name;
            host::SymbolPtr symbol;
            std::vector<std::string> subItems;
            bool selected;
        };
        std::vector<ChartRow> rows;
        for (int k = 1; k <= LstViewFields.itemCount(); ++k) {
            const ui::ListItem& row = LstViewFields.item(k);
            ChartRow kept{row.subItem(NameSubItem), nullptr, {}, row.selected()};
            const auto slot = static_cast<std::size_t>(k - 1);
            if (pFieldsSymbolArray && slot < pFieldsSymbolArray->symbolCount()) kept.symbol = pFieldsSymbolArray->symbol(slot);
            for (int s = 1; s < LstViewFields.columnCount(); ++s) kept.subItems.push_back(row.subItem(s));
            rows.push_back(std::move(kept));
        }
        const std::string key = CmbKey.text();

        guard.line = 2;
        CmbLayers_Change();  // the lists as the layer now is
        if (const int keyRow = CmbKey.findRow(key); keyRow >= 0) CmbKey.setListIndex(keyRow);

        guard.line = 3;
        // Each chart field that is left goes back to the end of the chart list as the move
        // button takes it, then gets its own symbol and row texts again.
        for (const ChartRow& kept : rows) {
            int available = -1;
            for (int i = 0; i < LstFields.listCount() && available < 0; ++i)
                if (LstFields.list(i, 0) == kept.name) available = i;
            if (available < 0) continue;  // deleted
            for (int i = 0; i < LstFields.listCount(); ++i) LstFields.setSelected(i, i == available);
            const int count = LstViewFields.itemCount();
            CmdFieldsTo_Click();
            if (LstViewFields.itemCount() != count + 1) continue;
            const int k = count + 1;
            ui::ListItem& row = LstViewFields.item(k);
            // The position and preview key are the new row's; the rest is the old row's.
            for (std::size_t s = 0; s < kept.subItems.size(); ++s) {
                const int sub = static_cast<int>(s) + 1;
                if (sub != NameSubItem && sub != 2 && sub != KeySubItem) row.setSubItem(sub, kept.subItems[s]);
            }
            row.setSelected(kept.selected);
            if (kept.symbol && !row.subItem(KeySubItem).empty()) {
                pFieldsSymbolArray->setSymbol(static_cast<std::size_t>(k - 1), kept.symbol);
                detachImages();
                try {
                    ImageList1.remove(k + 1);
                    ImageList1.insert(k + 1, row.subItem(KeySubItem), previewPicture(kept.symbol));
                } catch (...) {
                    attachImages();
                    throw;
                }
                attachImages();
                rebindRowIcons();
            }
        }
    });
}

}  // namespace plotlet
