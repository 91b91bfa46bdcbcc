#pragma once
// A map for the chart engine's tests: an application with its document and focus map holding a
// point layer "Towns" (fields NAME, A, B, C), the engine's module context set to them, and a
// headless shell that records every box.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/ChartData.h"
#include "engine/ModuleContext.h"
#include "runtime/Error.h"
#include "host/Application.h"
#include "host/FeatureClass.h"
#include "host/Layer.h"
#include "host/Map.h"
#include "host/Renderer.h"
#include "support/ShellScopes.h"

namespace engine_test {

inline host::FeatureLayerPtr pointLayer(const std::string& name, host::FeatureClassPtr featureClass, double markerSize = 8.0) {
    auto layer = std::make_shared<host::FeatureLayer>();
    layer->setName(name);
    layer->setFeatureClass(std::move(featureClass));
    auto renderer = std::make_shared<host::SimpleRenderer>();
    auto marker = std::make_shared<host::SimpleMarkerSymbol>();
    marker->setSize(markerSize);
    renderer->setSymbol(marker);
    layer->setRenderer(renderer);
    return layer;
}

// Rows of (x, y, NAME, A, B, C); a NaN stands for null.
struct TownRow {
    double x, y;
    std::string name;
    double a, b, c;
};

inline host::FeatureClassPtr townsClass(const std::vector<TownRow>& rows) {
    auto fc = host::makeFeatureClass("Towns", host::GeometryType::Point,
                                     std::vector<host::Field>{{"NAME", host::FieldType::String},
                                                              {"A", host::FieldType::Double},
                                                              {"B", host::FieldType::Double},
                                                              {"C", host::FieldType::Double}});
    auto v = [](double d) { return d != d ? runtime::Variant::null() : runtime::Variant(d); };
    for (const TownRow& r : rows) {
        fc->addFeature(std::make_shared<host::Point>(r.x, r.y), {runtime::Variant(r.name), v(r.a), v(r.b), v(r.c)});
    }
    return fc;
}

class EngineTest : public ::testing::Test {
protected:
    EngineTest() {
        app = std::make_shared<host::Application>();
        document = std::make_shared<host::MxDocument>();
        app->setDocument(document);
        map = document->focusMap();
        map->setMapScale(100000.0);
        map->setExtent(host::Envelope(0, 0, 10000, 10000));
        towns = pointLayer("Towns", townsClass({{1000, 1000, "Raleigh", 5, 2, 1},
                                                {5000, 5000, "Durham", 3, 8, 4},
                                                {8000, 2000, "Cary", 1, 1, 7}}));
        map->addLayer(towns);
        plotlet::SetEngineContext(map, document, app);
        plotlet::LoadMessagesFor("English");
    }
    ~EngineTest() override { plotlet::ClearEngineContext(); }

    testing_support::HeadlessScope shell;
    host::ApplicationPtr app;
    host::MxDocumentPtr document;
    host::MapPtr map;
    host::FeatureLayerPtr towns;
};

}  // namespace engine_test
