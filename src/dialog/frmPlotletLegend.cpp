// frmPlotlet: the legend commands. A legend is saved from the one chart selected on the map, a
// legend (or a layer file's chart renderer) is loaded onto the chart field list so that each
// field takes the symbol of the legend field paired with it and the legend's order, and the
// data attached to the selected charts is shown.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "dialog/frmPlotlet.h"
#include "engine/DocumentPaths.h"
#include "engine/ElementData.h"
#include "engine/LegendFiles.h"
#include "errors/ErrorHandling.h"
#include "host/Element.h"
#include "host/Map.h"
#include "host/MxDocument.h"
#include "preview/basMakeSymbols.h"
#include "runtime/Error.h"
#include "ui/Form.h"

namespace plotlet {

namespace EH = ErrorHandling;

namespace {

constexpr int NameSubItem = 1;
constexpr int LegendFieldSubItem = 3;
constexpr int LegendIndexSubItem = 4;
constexpr int KeySubItem = 5;

bool hasData(const host::ElementPtr& element) {
    std::vector<std::string> names;
    std::vector<runtime::Variant> values;
    return GetElementData(element, names, values);
}

// A value of the attached data as text; a value that has none reads as its kind.
std::string valueText(const runtime::Variant& value) {
    try {
        return value.toString();
    } catch (...) {
        return "<" + value.typeName() + ">";
    }
}

}  // namespace

void frmPlotlet::wireLegendCommands() {
    CmdSaveLegend.onClick = [this] { CmdSaveLegend_Click(); };
    CmdLegendFileName.onClick = [this] { CmdLegendFileName_Click(); };
    ChkLoadLegend.onClick = [this] { ChkLoadLegend_Click(); };
    CmdLoadLegend.onClick = [this] { CmdLoadLegend_Click(); };
    CmdIdentityGraphics.onClick = [this] { CmdIdentityGraphics_Click(); };
}

void frmPlotlet::ChkLoadLegend_Click() {
    if (ChkLoadLegend.checked() && TxtLegendFile.text().empty()) CmdLegendFileName_Click();
}

void frmPlotlet::CmdLegendFileName_Click() {
    try {
        PrepareFileChooser(CommonDialog1, Msg(3), 2, CmbLayers.text() + ".lyr", Msg(4), initDir);
        CommonDialog1.showOpen();
        const std::string path = CommonDialog1.fileName();
        initDir = FolderOfChosenFile(path);
        TxtLegendFile.setText(path);
    } catch (...) {
        // Cancelled: the file and the folder stay as they were.
    }
}

void frmPlotlet::CmdSaveLegend_Click() {
    hide();
    ui::ShowAgain showAgain(*this);
    std::optional<EH::CaughtError> failure;
    try {
        const host::MapPtr map = runtime::required(pMxDoc)->focusMap();
        if (map->selectedElementCount() > 1) {
            ui::msgBox(Msg(13), ui::mb::OKOnly, Msg(14));
            return;
        }

        std::string path;
        try {
            PrepareFileChooser(CommonDialog1, Msg(15), 1, CmbLayers.text() + "_Legend.leg", Msg(14), initDir);
            CommonDialog1.showSave();
            path = CommonDialog1.fileName();
            initDir = FolderOfChosenFile(path);
        } catch (const runtime::Error& e) {
            if (e.number() == runtime::err::DialogCancelled) return;
            throw;
        }

        host::ElementPtr chart;
        try {
            const host::ElementPtr element = map->selectedElement(0);
            if (auto group = std::dynamic_pointer_cast<host::GroupElement>(element)) {
                for (std::size_t j = 0; j < group->elementCount(); ++j) {
                    const host::ElementPtr& member = group->element(j);
                    if (hasData(member)) {
                        if (std::dynamic_pointer_cast<host::MarkerElement>(member)) chart = member;
                        break;
                    }
                    if (j + 1 == group->elementCount()) ui::msgBox(Msg(2), ui::mb::OKOnly, Msg(1) + "1");
                }
            } else {
                if (!hasData(element)) ui::msgBox("Нет прикрепленных данных", ui::mb::OKOnly, "инфо# 1");
                if (std::dynamic_pointer_cast<host::MarkerElement>(element)) chart = element;
            }
        } catch (...) {
            // Nothing selected: told as for an element without data, and reported below.
            failure = EH::describeCurrent();
            ui::msgBox("Нет прикрепленных данных", ui::mb::OKOnly, "инфо# 1");
        }

        bool written = false;
        if (chart) {
            try {
                host::PropertySetPtr values;
                loadEngineMessages();
                written = SaveLegendFromMarkerElement(chart, path, values);
            } catch (...) {
                failure = EH::describeCurrent();
            }
        }
        if (TxtLegendFile.text().empty()) TxtLegendFile.setText(path);
        if (written) ui::msgBox("Сохранено в файл " + path);
    } catch (...) {
        failure = EH::describeCurrent();
    }
    if (failure) ui::msgBox(failure->description);
}

void frmPlotlet::CmdLoadLegend_Click() {
    EH::ProcedureGuard guard{{.procedure = "CmdLoadLegend_Click "}, 0, EH::ModeDialog};
    try {
        guard.line = 1;
        try {
            PrepareFileChooser(CommonDialog1, Msg(3), 2, CmbLayers.text() + ".lyr", Msg(4), initDir);
            CommonDialog1.showOpen();
            initDir = FolderOfChosenFile(CommonDialog1.fileName());
        } catch (const runtime::Error& e) {
            if (e.number() == runtime::err::DialogCancelled) return;
            throw;
        }

        guard.line = 2;
        TxtLegendFile.setText(CommonDialog1.fileName());
        const std::string path = TxtLegendFile.text();
        guard.line = 3;
        if (!std::filesystem::exists(path)) {
            ui::msgBox(Msg(5) + path + Msg(6));
            return;
        }

        // The legend is read whole before anything of the dialog changes: a legend that cannot
        // be read is reported and leaves the fields, their symbols and their order as they were.
        guard.line = 4;
        auto legendSymbols = std::make_shared<host::BarChartSymbol>();
        LegendFieldList legend;
        guard.line = 5;
        LegendFieldList chartFields;
        for (int k = 1; k <= LstViewFields.itemCount(); ++k)
            chartFields.push_back({LstViewFields.item(k).subItem(NameSubItem), static_cast<std::int16_t>(k - 1)});
        guard.line = 6;
        LoadLegendFile(path, legend, legendSymbols);
        // A legend without fields (a layer file that draws no charts, which was just said, or a
        // file of another kind) would turn every field black: the fields stay as they are.
        if (legend.empty()) return;
        pLegendSymbolArray = legendSymbols;
        legendFieldList = legend;

        guard.line = 7;
        FieldMappingList mapping = MapLegendFields(chartFields, legendFieldList, ChkAutoMapping.checked(), false, language_);
        // Fields in legend order first, the unpaired after them in their list order.
        std::stable_sort(mapping.begin(), mapping.end(),
                         [](const FieldMapping& a, const FieldMapping& b) { return a.symbolIndex < b.symbolIndex; });
        fieldMapping = mapping;

        // The new rows, symbols and previews are made before the list is touched.
        guard.line = 8;
        struct NewRow {
            std::string key, text;
            std::vector<std::string> subItems;
            host::SymbolPtr symbol;
            runtime::ObjectPtr picture;
        };
        std::vector<NewRow> rows;
        std::vector<bool> taken(static_cast<std::size_t>(LstViewFields.itemCount()), false);
        const std::size_t n = pLegendSymbolArray->symbolCount();
        for (const FieldMapping& m : mapping) {
            for (int k = 1; k <= LstViewFields.itemCount(); ++k) {
                const ui::ListItem& item = LstViewFields.item(k);
                if (taken[static_cast<std::size_t>(k - 1)] || item.subItem(NameSubItem) != m.chartField) continue;
                taken[static_cast<std::size_t>(k - 1)] = true;
                NewRow row{item.key(), item.text(), {}, nullptr, nullptr};
                for (int s = 1; s < LstViewFields.columnCount(); ++s) row.subItems.push_back(item.subItem(s));
                row.subItems[LegendFieldSubItem - 1] = m.legendField;
                row.subItems[LegendIndexSubItem - 1] = std::to_string(m.symbolIndex);
                row.symbol = m.symbolIndex >= 0 && static_cast<std::size_t>(m.symbolIndex) < n
                                 ? pLegendSymbolArray->symbol(static_cast<std::size_t>(m.symbolIndex))
                                 : host::SymbolPtr(basMakeSymbols::MakeFillSymbol(0, 0));
                row.picture = previewPicture(row.symbol);
                rows.push_back(std::move(row));
                break;
            }
        }

        guard.line = 9;
        detachImages();
        LstViewFields.clearItems();
        ClearFieldImages();
        pFieldsSymbolArray->clearSymbols();
        for (const NewRow& row : rows) {
            ui::ListItem& item = LstViewFields.addItem(LstViewFields.itemCount() + 1, row.key, row.text);
            for (std::size_t s = 0; s < row.subItems.size(); ++s) item.setSubItem(static_cast<int>(s) + 1, row.subItems[s]);
            pFieldsSymbolArray->addSymbol(row.symbol);
            ImageList1.add(row.subItems[KeySubItem - 1], row.picture);
        }
        guard.line = 12;
        attachImages();
        rebindRowIcons();
    } catch (...) {
        try {
            attachImages();
        } catch (...) {
        }
        guard.report();
    }
}

void frmPlotlet::CmdIdentityGraphics_Click() {
    hide();
    ui::ShowAgain showAgain(*this);
    try {
        host::ActiveView& view = runtime::required(pMxDoc)->activeView();
        const host::MapPtr map = pMxDoc->focusMap();
        const std::vector<host::ElementPtr> selection = map->selectedElements();
        for (std::size_t i = 0; i < selection.size(); ++i) {
            const host::ElementPtr& element = selection[i];
            // The chart being reported stands out while its box is shown.
            if (element->geometry()) {
                const host::Envelope area = element->geometry()->envelope();
                view.partialRefresh(host::ViewDrawPhase::GraphicSelection, element, &area);
            }
            const std::string number = std::to_string(i + 1);
            host::ElementPtr reported;
            if (auto group = std::dynamic_pointer_cast<host::GroupElement>(element)) {
                for (std::size_t j = 0; j < group->elementCount(); ++j) {
                    if (hasData(group->element(j))) {
                        reported = group->element(j);
                        break;
                    }
                    if (j + 1 == group->elementCount()) ui::msgBox(Msg(2), ui::mb::OKOnly, Msg(1) + number);
                }
            } else if (hasData(element)) {
                reported = element;
            } else {
                ui::msgBox(Msg(2), ui::mb::OKOnly, Msg(1) + number);
            }
            if (!reported) continue;

            std::vector<std::string> names;
            std::vector<runtime::Variant> values;
            GetElementData(reported, names, values);
            std::string text;
            for (std::size_t k = 0; k < names.size(); ++k) text += names[k] + " = " + valueText(values[k]) + "\r\n";
            const std::string title = Msg(1) + number + " Key= " + reported->name();
            const bool last = i + 1 == selection.size();
            const int answer = ui::msgBox(text, last ? ui::mb::OKOnly : ui::mb::RetryCancel, title);
            if (!last && answer == ui::mb::Cancel) break;
        }
    } catch (...) {
        // Nothing to tell: the dialog comes back.
    }
}

}  // namespace plotlet
