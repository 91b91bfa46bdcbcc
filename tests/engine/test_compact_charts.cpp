// Charts kept compactly: what many charts share (the keys of their data, the field and label
// symbols) must not let a change made through one chart show in another, and a saved and
// reopened map holds the same charts.
#include "ChartDialogFixture.h"
#include "engine/ElementData.h"
#include "host/MapDocumentFile.h"
#include "host/PropertySet.h"
#include "support/TempFolder.h"

using namespace plotlet;
using engine_test::BuilderTest;
using runtime::Variant;

namespace {

host::PropertySetPtr dataOf(const std::shared_ptr<host::MarkerElement>& marker) {
    return marker->customProperty().as<host::PropertySet>();
}

}  // namespace

TEST_F(BuilderTest, ChangingOneChartLeavesTheOthersAlone) {
    run();
    const auto groups = charts();
    ASSERT_EQ(groups.size(), 3u);
    auto first = dataOf(markerOf(groups[0])), second = dataOf(markerOf(groups[1]));
    ASSERT_TRUE(first && second);

    // The data: a new key, a renamed (removed and added) key, a cleared set.
    first->setProperty("Extra", 1.0);
    first->removeProperty("#Vmax#");
    EXPECT_FALSE(second->isPropertyPresent("Extra"));
    EXPECT_TRUE(second->isPropertyPresent("#Vmax#"));
    EXPECT_EQ(second->count(), 6u);
    first->clear();
    EXPECT_EQ(second->items()[5].first, "C");
    EXPECT_EQ(second->getProperty("layername"), Variant("Towns"));

    // The chart symbol and its leader are the chart's own; the bar fills are the field's.
    symbolOf(groups[0])->setValue(0, 99);
    symbolOf(groups[0])->background()->setLeaderWidth(7);
    EXPECT_EQ(symbolOf(groups[1])->value(0), 3);
    EXPECT_EQ(symbolOf(groups[1])->background()->leaderWidth(), 0.5);
    EXPECT_EQ(symbolOf(groups[1])->symbol(0), fields->symbol(0));
}

TEST_F(BuilderTest, FieldsNamedTwiceStillGiveOneKeyEach) {
    // A field charted twice: the data holds its key once, as when set name by name.
    run(1, false, false, {"A", "B", "A"});
    const auto groups = charts();
    ASSERT_EQ(groups.size(), 3u);
    std::vector<std::string> names;
    std::vector<Variant> values;
    ASSERT_TRUE(GetElementData(markerOf(groups[0]), names, values));
    EXPECT_EQ(names, (std::vector<std::string>{"LayerName", "#Vmax#", "#Vmin#", "A", "B"}));
}

TEST_F(BuilderTest, ReopenedMapHoldsTheSameCharts) {
    run();
    testing_support::TempFolder folder;
    const std::string path = (folder / "charts.pmx").string();
    host::writeMapDocument(*document, path);
    const host::MxDocumentPtr back = host::readMapDocument(path);
    auto layer = back->focusMap()->basicGraphicsLayer()->findLayerOrNull("Towns_charts");
    ASSERT_TRUE(layer);
    const auto saved = charts();
    ASSERT_EQ(layer->container().elementCount(), saved.size());
    std::size_t i = 0;
    for (const auto& e : layer->container().elements()) {
        auto group = std::dynamic_pointer_cast<host::GroupElement>(e);
        ASSERT_TRUE(group);
        ASSERT_EQ(group->elementCount(), saved[i]->elementCount());
        for (std::size_t k = 0; k < group->elementCount(); ++k) {
            const auto& a = saved[i]->element(k);
            const auto& b = group->element(k);
            EXPECT_EQ(a->className(), b->className());
            EXPECT_EQ(a->name(), b->name());
            EXPECT_EQ(a->geometry()->envelope(), b->geometry()->envelope());
            auto ta = std::dynamic_pointer_cast<host::TextElement>(a);
            if (ta) EXPECT_EQ(ta->text(), std::dynamic_pointer_cast<host::TextElement>(b)->text());
        }
        std::vector<std::string> names, namesBack;
        std::vector<Variant> values, valuesBack;
        ASSERT_TRUE(GetElementData(saved[i]->element(0), names, values));
        ASSERT_TRUE(GetElementData(group->element(0), namesBack, valuesBack));
        EXPECT_EQ(names, namesBack);
        EXPECT_EQ(values, valuesBack);
        ++i;
    }
}
