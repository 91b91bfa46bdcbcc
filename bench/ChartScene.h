#pragma once
// A map of n points with five numeric fields and the chart builder ready to chart them, as the
// main dialog's settings would have it, for benchmarks of the builder and of what is done with
// its charts.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/ChartBuilder.h"
#include "engine/ChartData.h"
#include "engine/ModuleContext.h"
#include "host/Application.h"
#include "host/FeatureClass.h"
#include "host/Renderer.h"
#include "ui/Forms.h"

namespace bench_support {

constexpr int FieldCount = 5;

// `maxValue` 800 cuts a fifth of the bars (values run to 999), 1000 cuts none.
inline std::vector<ui::ControlDesign> settingsTable(const std::string& maxValue = "800") {
    using namespace ui;
    return {textBox("TxtMaxValue").text(maxValue),   textBox("TxtMinValue").text("5"),
            textBox("TxtNullValue").text("0"),       textBox("TxtSignNumber").text("3"),
            textBox("TxtChartWidth").text("4"),      textBox("TxtChartMarkerSize").text("24"),
            textBox("TxtLabelDistance").text("0"),   textBox("TxtMinLabelValue").text("0.1"),
            textBox("TxtFontName").text("Arial Narrow"), textBox("TxtFontSize").text("6"),
            comboBox("CmbKey").text("OBJECTID"),     comboBox("CmbOldChartLayer"),
            checkBox("ChkShowLeader").value(1),      checkBox("ChkLabelDiagramm").value(1),
            checkBox("ChkSaveLyrFile").value(0),     commonDialog("CommonDialog1")};
}

// A map of n points with five fields (or `fieldCount`, up to five, charted) of values 0..999
// (some above the maximum of 800).
struct ChartScene {
    explicit ChartScene(std::size_t n, int fieldCount = FieldCount, const std::string& maxValue = "800")
        : form("frmBench", "bench", 100, 100, settingsTable(maxValue)) {
        std::vector<host::Field> fields;
        for (int f = 0; f < FieldCount; ++f) fields.push_back({"F" + std::to_string(f), host::FieldType::Double});
        auto fc = host::makeFeatureClass("Points", host::GeometryType::Point, fields);
        fc->reserve(n);
        std::uint64_t seed = 12345;
        std::vector<runtime::Variant> row(FieldCount);
        for (std::size_t i = 0; i < n; ++i) {
            for (auto& v : row) {
                seed = seed * 6364136223846793005ull + 1442695040888963407ull;
                v = static_cast<double>((seed >> 33) % 1000);
            }
            fc->addFeature(std::make_shared<host::Point>(static_cast<double>(i % 1000) * 1000.0,
                                                         static_cast<double>(i / 1000) * 1000.0),
                           row);
        }
        layer = std::make_shared<host::FeatureLayer>();
        layer->setName("Points");
        layer->setFeatureClass(fc);
        auto renderer = std::make_shared<host::SimpleRenderer>();
        renderer->setSymbol(std::make_shared<host::SimpleMarkerSymbol>());
        layer->setRenderer(renderer);
        app = std::make_shared<host::Application>();
        document = std::make_shared<host::MxDocument>();
        app->setDocument(document);
        document->focusMap()->addLayer(layer);
        document->focusMap()->setMapScale(5'000'000);
        plotlet::SetEngineContext(document->focusMap(), document, app);
        plotlet::LoadMessagesFor("English");
        symbols = std::make_shared<host::BarChartSymbol>();
        for (int f = 0; f < fieldCount; ++f) {
            auto fill = std::make_shared<host::SimpleFillSymbol>();
            fill->setColor(host::RgbColor(static_cast<std::uint32_t>(0x203040 * (f + 1)) & 0xFFFFFFu));
            symbols->addSymbol(fill);
        }
        for (int f = 0; f < fieldCount; ++f) names.push_back("F" + std::to_string(f));
        form.show();
    }
    ~ChartScene() { plotlet::ClearEngineContext(); }

    void run(std::int16_t code, bool recreate) {
        plotlet::PlotletsGraphElement(plotlet::ChartDialog{form, initDir}, layer, code, false, recreate, names,
                                      symbols.get());
    }
    std::size_t charts() const {
        auto l = document->focusMap()->basicGraphicsLayer()->findLayerOrNull("Points_charts");
        return l ? l->container().elementCount() : 0;
    }

    ui::Form form;
    std::string initDir;
    host::FeatureLayerPtr layer;
    host::ApplicationPtr app;
    host::MxDocumentPtr document;
    std::shared_ptr<host::BarChartSymbol> symbols;
    std::vector<std::string> names;
};

}  // namespace bench_support
