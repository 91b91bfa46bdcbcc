// Layers and graphics layers: the layers offered for charts and the chart graphics layers.
#include "EngineFixture.h"
#include "engine/Layers.h"
#include "host/GraphicsContainer.h"

using namespace plotlet;
using engine_test::EngineTest;

namespace {

host::FeatureLayerPtr layerOf(const std::string& name, host::GeometryType type) {
    auto fc = host::makeFeatureClass(name, type, std::vector<host::Field>{});
    auto layer = std::make_shared<host::FeatureLayer>();
    layer->setName(name);
    layer->setFeatureClass(fc);
    return layer;
}

std::vector<std::string> names(const runtime::Collection<host::FeatureLayerPtr>& c) {
    std::vector<std::string> out;
    for (const auto& l : c) out.push_back(l->name());
    return out;
}

}  // namespace

TEST_F(EngineTest, GetMapLayersWalksGroupsInDrawingOrder) {
    auto outer = std::make_shared<host::GroupLayer>();
    outer->setName("Outer");
    auto inner = std::make_shared<host::GroupLayer>();
    inner->setName("Inner");
    inner->addLayer(layerOf("Wells", host::GeometryType::Point));
    inner->addLayer(layerOf("Roads", host::GeometryType::Polyline));
    outer->addLayer(inner);
    outer->addLayer(layerOf("Stations", host::GeometryType::Multipoint));
    map->addLayer(outer);  // on top, above Towns
    auto broken = std::make_shared<host::FeatureLayer>();
    broken->setName("Broken");
    map->addLayer(broken);

    EXPECT_EQ(names(GetMapLayers(true)), (std::vector<std::string>{"Wells", "Towns"}));
    EXPECT_EQ(names(GetMapLayers(false)), (std::vector<std::string>{"Wells", "Roads", "Stations", "Towns"}));
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(EngineTest, GetMapLayersWithoutAMapReportsAndGivesWhatItHas) {
    ClearEngineContext();
    EXPECT_EQ(GetMapLayers(true).count(), 0u);
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_NE(shell.messages()[0].text.find("GetMapLayers Plotlet_v8_2 Line : 1"), std::string::npos);
}

TEST_F(EngineTest, GraphicsLayersAreFoundByExactName) {
    EXPECT_EQ(GetGraphicLayers().count(), 0u);
    EXPECT_FALSE(GraphicLayerExists("Towns_charts"));
    EXPECT_FALSE(DeleteGraphicLayer("Towns_charts"));

    host::GraphicsLayerPtr charts = CreateGraphicLayer(ChartLayerName("Towns"), towns, true);
    ASSERT_TRUE(charts);
    EXPECT_EQ(charts->name(), "Towns_charts");
    EXPECT_EQ(charts->associatedLayer(), towns);
    EXPECT_EQ(map->activeGraphicsLayer(), charts);
    auto loose = CreateGraphicLayer("Loose", nullptr, false);
    ASSERT_TRUE(loose);
    EXPECT_EQ(map->activeGraphicsLayer(), charts);

    EXPECT_TRUE(GraphicLayerExists("Towns_charts"));
    EXPECT_FALSE(GraphicLayerExists("towns_charts"));
    EXPECT_EQ(GetGraphicLayers().count(), 2u);
    EXPECT_EQ(GetGraphicLayers().item(2), loose);

    EXPECT_FALSE(DeleteGraphicLayer("TOWNS_CHARTS"));
    EXPECT_TRUE(DeleteGraphicLayer("Towns_charts"));
    EXPECT_FALSE(GraphicLayerExists("Towns_charts"));
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(EngineTest, CreateGraphicLayerShowsWhyItFailed) {
    ASSERT_TRUE(CreateGraphicLayer("Towns_charts", towns, true));
    EXPECT_EQ(CreateGraphicLayer("Towns_charts", towns, true), nullptr);  // the name is taken
    ASSERT_EQ(shell.messages().size(), 1u);
    const ui::ShellEvent& box = shell.messages()[0];
    EXPECT_EQ(box.icon, ui::mb::Exclamation);
    EXPECT_NE(box.text.find("\r\nAnnotation layer not created Towns_charts"), std::string::npos);
    EXPECT_NE(box.text.find("exists"), std::string::npos);
}

TEST_F(EngineTest, FindElementByNameSeesGroupsByTheirDirectMembers) {
    auto layer = CreateGraphicLayer("G", nullptr, false);
    auto named = [](const std::string& n) {
        auto e = std::make_shared<host::MarkerElement>();
        e->setName(n);
        return e;
    };
    auto chart = named("Raleigh");
    auto group = std::make_shared<host::GroupElement>();
    group->addElement(chart);
    group->addElement(std::make_shared<host::TextElement>());
    auto nested = std::make_shared<host::GroupElement>();
    nested->addElement(named("Deep"));
    group->addElement(nested);
    auto plain = named("Raleigh");
    layer->container().addElement(group);
    layer->container().addElement(plain);

    EXPECT_EQ(FindElementByName("Raleigh", layer), group);  // first in drawing order, the group itself
    EXPECT_EQ(FindElementByName("Deep", layer), nullptr);
    layer->container().deleteElement(group.get());
    EXPECT_EQ(FindElementByName("Raleigh", layer), plain);
    EXPECT_THROW(FindElementByName("x", nullptr), runtime::Error);
}
