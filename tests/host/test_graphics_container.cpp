#include <gtest/gtest.h>

#include "host/Error.h"
#include "host/GraphicsContainer.h"
#include "host/Map.h"

using namespace host;

namespace {

std::shared_ptr<MarkerElement> marker(const std::string& name) {
    auto e = std::make_shared<MarkerElement>();
    e->setName(name);
    e->setGeometry(std::make_shared<Point>(0, 0));
    return e;
}

std::shared_ptr<GroupElement> group(std::initializer_list<ElementPtr> members) {
    auto g = std::make_shared<GroupElement>();
    for (const auto& m : members) g->addElement(m);
    return g;
}

}  // namespace

TEST(GraphicsContainer, FindsTheFirstElementInDrawingOrder) {
    GraphicsContainer c;
    auto a = marker("A"), b1 = marker("B"), b2 = marker("B");
    c.addElement(a);
    c.addElement(b1);
    c.addElement(b2);
    EXPECT_EQ(c.findElementByName("B"), b1);
    c.deleteElement(b1.get());
    EXPECT_EQ(c.findElementByName("B"), b2);
    EXPECT_EQ(c.findElementByName("missing"), nullptr);
    EXPECT_EQ(c.elementCount(), 2u);
    EXPECT_EQ(c.elements().front(), a);
}

TEST(GraphicsContainer, GroupsMatchByTheirDirectMembersOnly) {
    GraphicsContainer c;
    auto chart = marker("Raleigh");
    auto label = std::make_shared<TextElement>();
    auto inner = marker("Nested");
    auto g = group({chart, label, group({inner})});
    c.addElement(g);
    EXPECT_EQ(c.findElementByName("Raleigh"), g);  // the group, not the member
    EXPECT_EQ(c.findElementByName("Nested"), nullptr);
    // A member renamed after the group was added is found once the container is told.
    chart->setName("Durham");
    c.updateElement(g.get());
    EXPECT_EQ(c.findElementByName("Durham"), g);
    EXPECT_EQ(c.findElementByName("Raleigh"), nullptr);
}

TEST(GraphicsContainer, MovingIntoAGroupTakesTheElementOffTheTopLevel) {
    GraphicsContainer c;
    auto chart = marker("K1");
    c.addElement(chart);
    auto g = std::make_shared<GroupElement>();
    c.moveElementIntoGroup(chart, g);
    EXPECT_EQ(c.elementCount(), 0u);
    ASSERT_EQ(g->elementCount(), 1u);
    c.addElement(g);
    EXPECT_EQ(c.findElementByName("K1"), g);
}

TEST(GraphicsContainer, RefusesDuplicatesAndStrangers) {
    GraphicsContainer c;
    auto a = marker("A");
    c.addElement(a);
    EXPECT_THROW(c.addElement(a), host::Error);
    auto stranger = marker("S");
    EXPECT_THROW(c.deleteElement(stranger.get()), host::Error);
    EXPECT_THROW(c.addElement(nullptr), runtime::Error);
}

TEST(Map, ElementsLeavingTheirLayerLeaveTheSelection) {
    Map map;
    auto layer = map.basicGraphicsLayer()->addLayer("Cities_charts", nullptr);
    auto a = marker("A"), b = marker("B");
    layer->container().addElement(a);
    layer->container().addElement(b);
    map.selectElement(a);
    map.selectElement(b);
    map.selectElement(a);  // selecting twice keeps one entry
    ASSERT_EQ(map.selectedElementCount(), 2u);
    layer->container().deleteElement(a.get());
    ASSERT_EQ(map.selectedElementCount(), 1u);
    EXPECT_EQ(map.selectedElement(0), b);
    map.basicGraphicsLayer()->deleteLayer("Cities_charts");
    EXPECT_EQ(map.selectedElementCount(), 0u);
    EXPECT_THROW(map.selectedElement(0), runtime::Error);
}

TEST(Map, ALargeSelectionKeepsItsOrderWhileItsElementsLeave) {
    // Every element selected, then deleted one by one as a user's "delete selected" does: each
    // step costs O(1) (the test would take minutes otherwise), and between steps the selection
    // is what is left, in the order it was made.
    Map map;
    auto layer = map.basicGraphicsLayer()->addLayer("Cities_charts", nullptr);
    constexpr int n = 200'000;
    std::vector<ElementPtr> all;
    for (int i = 0; i < n; ++i) {
        all.push_back(marker(std::to_string(i)));
        layer->container().addElement(all.back());
    }
    for (int i = n; i-- > 0;) map.selectElement(all[static_cast<std::size_t>(i)]);  // last first
    for (int i = 0; i < n; ++i) map.selectElement(all[static_cast<std::size_t>(i)]);  // already there
    ASSERT_EQ(map.selectedElementCount(), static_cast<std::size_t>(n));
    for (int i = 1; i < n; i += 2) {
        layer->container().deleteElement(all[static_cast<std::size_t>(i)].get());
        if (i == 99'999) {
            // The lower half of the odd ones gone: the selection still starts with the last.
            EXPECT_EQ(map.selectedElementCount(), static_cast<std::size_t>(n - 50'000));
            EXPECT_EQ(map.selectedElement(0), all[n - 1]);
            EXPECT_EQ(map.selectedElement(n - 50'001), all[0]);
            EXPECT_FALSE(map.isElementSelected(all[99'999].get()));
            EXPECT_TRUE(map.isElementSelected(all[100'001].get()));
        }
    }
    const std::vector<ElementPtr>& left = map.selectedElements();
    ASSERT_EQ(left.size(), static_cast<std::size_t>(n / 2));
    for (std::size_t k = 0; k < left.size(); ++k) ASSERT_EQ(left[k], all[n - 2 - 2 * k]) << k;
    map.unselectElement(all[0].get());
    EXPECT_EQ(map.selectedElements().back(), all[2]);
    map.unselectAllElements();
    EXPECT_EQ(map.selectedElementCount(), 0u);
    map.selectElement(all[0]);
    EXPECT_EQ(map.selectedElement(0), all[0]);
}

TEST(Map, CompositeGraphicsLayerNamesAreExact) {
    Map map;
    auto& basic = *map.basicGraphicsLayer();
    basic.addLayer("Cities_charts", nullptr);
    EXPECT_EQ(basic.findLayerOrNull("cities_charts"), nullptr);
    EXPECT_NE(basic.findLayerOrNull("Cities_charts"), nullptr);
    EXPECT_THROW(basic.addLayer("Cities_charts", nullptr), host::Error);
    EXPECT_THROW(basic.deleteLayer("cities_charts"), host::Error);
    EXPECT_EQ(map.activeGraphicsLayer(), map.basicGraphicsLayer());
}

TEST(Map, FeatureLayersAreListedDepthFirstThroughGroups) {
    Map map;
    auto inner = std::make_shared<GroupLayer>();
    auto deep = std::make_shared<FeatureLayer>();
    deep->setName("deep");
    inner->addLayer(deep);
    auto outer = std::make_shared<GroupLayer>();
    outer->addLayer(inner);
    auto top = std::make_shared<FeatureLayer>();
    top->setName("top");
    map.addLayer(outer);
    map.addLayer(top);  // added on top: index 0
    auto layers = map.featureLayers();
    ASSERT_EQ(layers.size(), 2u);
    EXPECT_EQ(layers[0]->name(), "top");
    EXPECT_EQ(layers[1]->name(), "deep");
    EXPECT_TRUE(map.deleteLayer(deep.get()));
    EXPECT_EQ(map.featureLayers().size(), 1u);
}
