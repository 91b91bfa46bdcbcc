// Create and recreate: the mode and placement choices of the main dialog and its OK button,
// which checks the selection and the chart fields and hands the layer, the placement code, the
// selected-only flag, the mode, the field names and their fill symbols to the chart engine.
#include <vector>

#include "dialog/PlacementOptions.h"
#include "dialog/frmPlotlet.h"
#include "engine/ChartBuilder.h"
#include "engine/ChartData.h"
#include "engine/ChartDialog.h"
#include "engine/Placement.h"
#include "ui/Forms.h"

namespace plotlet {

namespace {

// Entries of the dialog's message list; the placement names start at 20.
constexpr int MsgNoSelectedFeatures = 9;
constexpr int MsgNoChartFields = 10;
constexpr int MsgPlacementPrefix = 19;
constexpr int MsgFirstPlacementName = 20;
constexpr int MsgOnlyRecreateOnOldPlace = 35;

bool isOn(const ui::ControlArray& options, int index) {
    return options.contains(index) && options.itemAs<ui::OptionButton>(index).value();
}

}  // namespace

std::string frmPlotlet::PlacementName(int index) const {
    if (index < 0 || index > 13) return {};
    return Msg(MsgFirstPlacementName + index);
}

void frmPlotlet::OpChartPosition_Click(int index) {
    FrameChartPosition.setCaption(Msg(MsgPlacementPrefix) + PlacementName(index));
}

void frmPlotlet::OpCreateDiagr_Click(int index) {
    const ui::ControlArray positions = OpChartPosition();
    const bool recreate = index != 0;
    positions[OldPlacementIndex].setEnabled(recreate);
    positions[OverOldChartsIndex].setEnabled(recreate);
    CmbOldChartLayer.setEnabled(recreate);
    if (recreate) return;
    if (isOn(positions, OldPlacementIndex) || isOn(positions, OverOldChartsIndex)) {
        ui::msgBox(Msg(MsgOnlyRecreateOnOldPlace), ui::mb::OKOnly + ui::mb::Exclamation);
        positions.itemAs<ui::OptionButton>(1).setValue(true);
    }
}

void frmPlotlet::CmdOK_Click() {
    // 1. The chosen layer; with no layer (an empty map) there is nothing to do.
    const int row = CmbLayers.listIndex();
    if (row < 0 || static_cast<std::size_t>(row) >= LayerColl.count()) return;
    const host::FeatureLayerPtr layer = LayerColl.item(static_cast<std::size_t>(row) + 1);

    // 2.–3. The selection: a cleared selection has switched the dialog to all features.
    ChekSelectedOnLayer();
    const bool selectedOnly = !isOn(OpAllObjects(), 0);
    if (selectedOnly && SelectedObjects(layer) == 0) {
        ui::msgBox(Msg(MsgNoSelectedFeatures) + layer->name());
        return;
    }

    // 4. The first placement button that is on.
    const ui::ControlArray positions = OpChartPosition();
    int placement = 0;
    for (int i = 0; i < positions.count(); ++i) {
        if (isOn(positions, i)) {
            placement = i;
            break;
        }
    }

    // 5.–6. The chart fields in row order.
    if (LstViewFields.itemCount() == 0) {
        ui::msgBox(Msg(MsgNoChartFields));
        return;
    }
    std::vector<std::string> fieldNames;
    fieldNames.reserve(static_cast<std::size_t>(LstViewFields.itemCount()));
    for (int k = 1; k <= LstViewFields.itemCount(); ++k) fieldNames.push_back(LstViewFields.item(k).subItem(1));

    // 7.–8. The placement code of the mode, and the run.
    const bool recreate = !isOn(OpCreateDiagr(), 0);
    std::int16_t code = static_cast<std::int16_t>(placement);
    if (!recreate) {
        if (placement == OldPlacementIndex) code = 0;
    } else {
        if (placement == OldPlacementIndex) code = PlacementOldPlace;
        if (code == OverOldChartsIndex) code = PlacementOverOldCharts;
    }
    loadEngineMessages();
    PlotletsGraphElement(ChartDialog{*this, initDir}, layer, code, selectedOnly, recreate, fieldNames,
                         pFieldsSymbolArray.get());
}

}  // namespace plotlet
