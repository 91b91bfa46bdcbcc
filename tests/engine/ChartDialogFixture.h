#pragma once
// A stand-in for the main dialog's chart settings: the controls the builder reads, by their
// names, with the dialog's start values, and an initDir. Tests of the builder that need no other
// part of the dialog run against it.
#include <string>
#include <vector>

#include "EngineFixture.h"
#include "engine/ChartBuilder.h"
#include "engine/Placement.h"
#include "host/LayerFile.h"
#include "support/TempFolder.h"
#include "ui/Forms.h"

namespace engine_test {

inline std::vector<ui::ControlDesign> chartSettingsTable() {
    using namespace ui;
    return {
        textBox("TxtMaxValue").text("8"),
        textBox("TxtMinValue").text("0.5"),
        textBox("TxtNullValue").text("0"),
        textBox("TxtSignNumber").text("3"),
        textBox("TxtChartWidth").text("10"),
        textBox("TxtChartMarkerSize").text("45"),
        textBox("TxtLabelDistance").text("0"),
        textBox("TxtMinLabelValue").text("0.1"),
        textBox("TxtFontName").text("Arial Narrow"),
        textBox("TxtFontSize").text("6"),
        comboBox("CmbKey").text("NAME"),
        comboBox("CmbOldChartLayer"),
        checkBox("ChkShowLeader").value(1),
        checkBox("ChkLabelDiagramm").value(1),
        checkBox("ChkSaveLyrFile").value(0),
        commonDialog("CommonDialog1"),
    };
}

class ChartSettingsForm : public ui::Form {
public:
    ChartSettingsForm() : Form("frmChartSettings", "Chart settings", 300, 200, chartSettingsTable()) {}
    std::string initDir;
    plotlet::ChartDialog dialog() { return {*this, initDir}; }
    void set(const std::string& control, const runtime::Variant& value) { setValue(control, value); }
};

class BuilderTest : public EngineTest {
protected:
    BuilderTest() {
        fields = std::make_shared<host::BarChartSymbol>();
        for (std::uint32_t colour : {0x0000FFu, 0x00FF00u, 0xFF0000u}) {
            auto fill = std::make_shared<host::SimpleFillSymbol>();
            fill->setColor(host::RgbColor(colour));
            fields->addSymbol(fill);
        }
        form.show();
    }

    void run(std::int16_t code = 1, bool recreate = false, bool selectedOnly = false,
             std::vector<std::string> names = {"A", "B", "C"}, const host::FeatureLayerPtr& layer = nullptr) {
        plotlet::PlotletsGraphElement(form.dialog(), layer ? layer : towns, code, selectedOnly, recreate, names,
                                      fields.get());
    }

    host::GraphicsLayerPtr chartLayer(const std::string& name = "Towns_charts") const {
        return map->basicGraphicsLayer()->findLayerOrNull(name);
    }

    std::vector<std::shared_ptr<host::GroupElement>> charts(const std::string& name = "Towns_charts") const {
        std::vector<std::shared_ptr<host::GroupElement>> out;
        if (auto layer = chartLayer(name)) {
            for (const auto& e : layer->container().elements()) out.push_back(std::dynamic_pointer_cast<host::GroupElement>(e));
        }
        return out;
    }

    static std::shared_ptr<host::MarkerElement> markerOf(const std::shared_ptr<host::GroupElement>& g) {
        return std::dynamic_pointer_cast<host::MarkerElement>(g->element(0));
    }
    static std::shared_ptr<host::BarChartSymbol> symbolOf(const std::shared_ptr<host::GroupElement>& g) {
        return std::dynamic_pointer_cast<host::BarChartSymbol>(markerOf(g)->symbol());
    }
    template <class T>
    static std::vector<std::shared_ptr<T>> membersOf(const std::shared_ptr<host::GroupElement>& g) {
        std::vector<std::shared_ptr<T>> out;
        for (const auto& m : g->elements()) {
            if (auto t = std::dynamic_pointer_cast<T>(m)) out.push_back(t);
        }
        return out;
    }
    std::shared_ptr<host::GroupElement> chartNamed(const std::string& key, const std::string& layer = "Towns_charts") const {
        return std::dynamic_pointer_cast<host::GroupElement>(chartLayer(layer)->container().findElementByName(key));
    }
    host::Envelope boundsWithoutLeader(const std::shared_ptr<host::GroupElement>& g) const {
        auto symbol = std::dynamic_pointer_cast<host::BarChartSymbol>(symbolOf(g)->cloneSymbol());
        symbol->setBackground(nullptr);
        host::MarkerElement probe;
        probe.setGeometry(markerOf(g)->geometry());
        probe.setSymbol(symbol);
        return probe.queryBounds(document->activeView().screenDisplay());
    }
    double pointsToMap(double points) const { return document->activeView().screenDisplay().mapUnitsPerPoint() * points; }
    void setValue(std::size_t row, const std::string& field, double v) {
        towns->featureClass()->setValue(row, towns->featureClass()->findField(field),
                                        v != v ? runtime::Variant::null() : runtime::Variant(v));
    }

    std::shared_ptr<host::BarChartSymbol> fields;
    ChartSettingsForm form;
};

}  // namespace engine_test
