// frmPlotlet: the chart field list's symbol menu (one symbol for all or the selected chart
// fields) and the removal of value labels from the charts selected on the map.
#include <string>
#include <vector>

#include "dialog/frmPlotlet.h"
#include "engine/ElementData.h"
#include "errors/ErrorHandling.h"
#include "host/MxDocument.h"
#include "runtime/Error.h"
#include "runtime/Text.h"

namespace plotlet {

namespace EH = ErrorHandling;

namespace {

constexpr int KeySubItem = 5;  // the key of the row's preview image

// A chart is a group one of whose members carries attached data starting with "LayerName".
// Groups drawn by hand, or charts whose data another version wrote differently, are not
// charts to this command and stay as they are.
bool isChart(const host::GroupElement& group) {
    for (const host::ElementPtr& member : group.ownElements()) {
        std::vector<std::string> names;
        std::vector<runtime::Variant> values;
        if (GetElementData(member, names, values) && !names.empty() && runtime::upperCase(names.front()) == "LAYERNAME")
            return true;
    }
    return false;
}

// The first text member of the group, or nullptr.
const host::Element* firstTextMember(const host::GroupElement& group) {
    for (const host::ElementPtr& member : group.elements())
        if (dynamic_cast<const host::TextElement*>(member.get())) return member.get();
    return nullptr;
}

// Tells the container that holds the group at its top level (the basic graphics layer or one
// of its sub-layers) that the group changed, so finding by name sees its members as they are.
void updateHoldingContainer(host::CompositeGraphicsLayer& basic, const host::Element* group) {
    if (basic.container().contains(group)) {
        basic.container().updateElement(group);
        return;
    }
    for (const host::GraphicsLayerPtr& layer : basic.layers()) {
        if (layer && layer->container().contains(group)) {
            layer->container().updateElement(group);
            return;
        }
    }
}

}  // namespace

// --- the field list's symbol menu -----------------------------------------------------------

void frmPlotlet::mnuAllElements_Click() { changeRowSymbols(false, "mnuAllElements_Click "); }

void frmPlotlet::mnuSelectedElements_Click() { changeRowSymbols(true, "mnuSelectedElements_Click "); }

void frmPlotlet::changeRowSymbols(bool selectedOnly, std::string_view procedure) {
    EH::trapped(EH::ProcedureGuard{{.procedure = procedure}, 0, EH::ModeDialog}, [&](EH::ProcedureGuard& guard) {
        bool chosenYet = false;
        host::SymbolPtr chosen;
        for (int k = 1; k <= LstViewFields.itemCount(); ++k) {
            guard.line = 1;
            ui::ListItem& row = LstViewFields.item(k);
            if (selectedOnly && !row.selected()) continue;
            const std::string key = row.subItem(KeySubItem);
            if (key.empty()) continue;  // a row without a preview has no symbol to change
            const auto slot = static_cast<std::size_t>(k - 1);

            guard.line = 2;
            if (!chosenYet) {
                const host::SymbolPtr start =
                    pFieldsSymbolArray && slot < pFieldsSymbolArray->symbolCount() ? pFieldsSymbolArray->symbol(slot) : nullptr;
                if (!start) {
                    ui::msgBox(Msg(18));
                    return;
                }
                chosen = std::dynamic_pointer_cast<host::Symbol>(ui::shell().selectSymbol(start));
                if (!chosen) return;  // cancelled, or the selector refused the symbol
                chosenYet = true;
            }

            guard.line = 3;
            // The same object in every row: a later change of it shows in all of them.
            pFieldsSymbolArray->setSymbol(slot, chosen);
            detachImages();
            try {
                ImageList1.remove(k + 1);
                ImageList1.insert(k + 1, key, previewPicture(chosen));
            } catch (...) {
                attachImages();
                throw;
            }
            attachImages();
            rebindRowIcons();
        }
    });
}

// --- chart labels ---------------------------------------------------------------------------

void frmPlotlet::CmdRemoveLabels_Click() {
    hide();
    try {
        const host::MxDocumentPtr& document = runtime::required(pMxDoc);
        host::ActiveView& view = document->activeView();
        const host::MapPtr& map = runtime::required(document->focusMap());
        host::CompositeGraphicsLayer& basic = *runtime::required(map->basicGraphicsLayer());

        // The loop visits the selection as it was when counted, whatever the removal does to it.
        const std::vector<host::ElementPtr> selection = map->selectedElements();
        if (!selection.empty() && ui::msgBox(Msg(36), ui::mb::YesNo, Msg(37)) == ui::mb::No) {
            show();
            return;
        }

        for (const host::ElementPtr& element : selection) {
            if (!element) continue;
            if (const host::GeometryPtr& shape = element->geometry(); shape && !shape->isEmpty()) {
                const host::Envelope area = shape->envelope();
                view.partialRefresh(host::ViewDrawPhase::GraphicSelection, nullptr, &area);
            }
            auto group = std::dynamic_pointer_cast<host::GroupElement>(element);
            if (!group || !isChart(*group)) continue;
            bool changed = false;
            while (const host::Element* label = firstTextMember(*group)) {
                group->deleteElement(label);
                changed = true;
            }
            if (changed) updateHoldingContainer(basic, group.get());
        }
    } catch (...) {
        // The charts done so far keep their labels removed; the rest stay as they were.
    }
    show();
}

}  // namespace plotlet
