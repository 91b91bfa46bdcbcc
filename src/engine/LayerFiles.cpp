#include "engine/LayerFiles.h"

#include "engine/ChartData.h"
#include "engine/DocumentPaths.h"
#include "engine/ModuleContext.h"
#include "host/LayerFile.h"
#include "host/Renderer.h"
#include "runtime/Error.h"
#include "ui/CommonDialog.h"
#include "ui/Form.h"

namespace plotlet {

namespace EH = ErrorHandling;

host::FeatureLayerPtr SaveChartLayerFile(ChartDialog dialog, const host::FeatureLayerPtr& layer,
                                         const std::vector<std::string>& fieldNames,
                                         const host::BarChartSymbolPtr& chartSymbol, double chartMarkerSize,
                                         std::optional<EH::CaughtError>& failure) {
    dialog.form.hide();
    const ui::ShowAgain showAgain(dialog.form);
    if (!layer || !chartSymbol) runtime::raise(runtime::err::ObjectNotSet);
    auto copy = std::dynamic_pointer_cast<host::FeatureLayer>(CloneObject(layer));
    if (!copy) runtime::raise(runtime::err::TypeMismatch);
    auto renderer = std::make_shared<host::ChartRenderer>();
    // The symbol of the last chart stays on the map with its leader: the renderer gets a copy.
    auto symbol = std::dynamic_pointer_cast<host::BarChartSymbol>(chartSymbol->cloneSymbol());
    symbol->setBackground(nullptr);
    symbol->setSize(chartMarkerSize);
    renderer->setChartSymbol(symbol);
    for (const std::string& name : fieldNames) renderer->addField(name, "");
    renderer->setUseOverposter(false);
    renderer->createLegend();
    renderer->setLabel("Label");
    copy->setRenderer(renderer);
    SaveLayerFileAs(dialog, copy, layer->name(), failure);
    return copy;
}

void SaveLayerFileAs(ChartDialog dialog, const host::LayerPtr& layer, const std::string& name,
                     std::optional<EH::CaughtError>& failure) {
    std::string path;
    try {
        ui::CommonDialog& cd = dialog.form.commonDialog("CommonDialog1");
        PrepareFileChooser(cd, Message(23), 1, name + ".lyr", Message(21), dialog.initDir);
        cd.showSave();
        path = cd.fileName();
        dialog.initDir = FolderOfChosenFile(path);
    } catch (...) {
        // Cancelled (or no dialog to ask with): nothing is written.
        return;
    }

    host::StepProgressor* progressor = nullptr;
    try {
        if (const host::ApplicationPtr& app = engineContext().m_pApp) progressor = &app->statusBar().progressBar();
        if (progressor) {
            progressor->setPosition(progressor->state().minRange);
            progressor->setMessage("Saving Layerfile(s)");
            progressor->show();
            progressor->step();
        }
    } catch (...) {
    }
    try {
        WriteLayerFile(path, layer);
    } catch (...) {
        failure = EH::describeCurrent();
    }
    if (progressor) {
        progressor->setPosition(progressor->state().maxRange);
        progressor->hide();
    }
}

void WriteLayerFile(const std::string& path, const host::LayerPtr& layer) {
    if (!layer) runtime::raise(runtime::err::ObjectNotSet);
    host::writeLayerFile(path, layer);
}

}  // namespace plotlet
