// Charts in a saved map document: the attached data comes back in order with every chart, and
// Recreate at the old place works on the reopened map.
#include "ChartDialogFixture.h"
#include "engine/ElementData.h"
#include "host/MapDocumentFile.h"
#include "host/gdal/Gdal.h"

using namespace plotlet;
using runtime::Variant;

namespace {

struct OpenMap {
    explicit OpenMap(const std::string& path) : document(host::readMapDocument(path)) {
        app->setDocument(document);
        SetEngineContext(document->focusMap(), document, app);
    }
    ~OpenMap() { ClearEngineContext(); }
    host::ApplicationPtr app = std::make_shared<host::Application>();
    host::MxDocumentPtr document;
};

host::Envelope chartBox(const host::ElementPtr& chart, const host::Display& display) {
    auto marker = std::dynamic_pointer_cast<host::MarkerElement>(std::dynamic_pointer_cast<host::GroupElement>(chart)->element(0));
    auto symbol = std::dynamic_pointer_cast<host::BarChartSymbol>(marker->symbol()->cloneSymbol());
    symbol->setBackground(nullptr);
    host::MarkerElement probe;
    probe.setGeometry(marker->geometry());
    probe.setSymbol(symbol);
    return probe.queryBounds(display);
}

}  // namespace

TEST(SavedCharts, SurviveSavingAndRecreateOnTheReopenedMap) {
    host::gdal::install();
    testing_support::HeadlessScope shell;
    testing_support::TempFolder folder;
    const auto sample = folder.copy(std::string(PLOTLET_EXAMPLES) + "/nc/nc.gpkg", "nc.gpkg");
    folder.copy(std::string(PLOTLET_EXAMPLES) + "/nc/nc.pmx", "nc.pmx");
    const std::string saved = (folder / "charts.pmx").string();
    auto fills = std::make_shared<host::BarChartSymbol>();
    fills->addSymbol(std::make_shared<host::SimpleFillSymbol>());
    fills->addSymbol(std::make_shared<host::SimpleFillSymbol>());
    engine_test::ChartSettingsForm form;
    form.show();
    form.set("TxtMaxValue", "20000");
    form.set("TxtMinValue", "100");
    form.set("CmbKey", "NAME");
    const std::vector<std::string> fields{"BIR74", "BIR79"};

    std::vector<host::Envelope> before;
    {
        OpenMap map((folder / "nc.pmx").string());
        auto points = map.document->focusMap()->findFeatureLayer("county_points");
        ASSERT_TRUE(points);
        PlotletsGraphElement(form.dialog(), points, 13, false, false, fields, fills.get());
        auto layer = map.document->focusMap()->basicGraphicsLayer()->findLayer("county_points_charts");
        ASSERT_EQ(layer->container().elementCount(), 100u);
        for (const auto& chart : layer->container().elements())
            before.push_back(chartBox(chart, map.document->activeView().screenDisplay()));
        host::writeMapDocument(*map.document, saved);
    }
    {
        OpenMap map(saved);
        auto layer = map.document->focusMap()->basicGraphicsLayer()->findLayer("county_points_charts");
        ASSERT_EQ(layer->container().elementCount(), 100u);
        auto chart = std::dynamic_pointer_cast<host::GroupElement>(layer->container().findElementByName("Ashe"));
        ASSERT_TRUE(chart);
        std::vector<std::string> names;
        std::vector<Variant> values;
        ASSERT_TRUE(GetElementData(chart->element(0), names, values));
        EXPECT_EQ(names, (std::vector<std::string>{"LayerName", "#Vmax#", "#Vmin#", "BIR74", "BIR79"}));
        EXPECT_EQ(values[0], Variant("county_points"));
        EXPECT_EQ(values[3].toDouble(), 1091);  // Ashe county's births of 1974

        // New values and a new scale; the charts stay where they stood.
        form.set("TxtMaxValue", "5000");
        auto points = map.document->focusMap()->findFeatureLayer("county_points");
        PlotletsGraphElement(form.dialog(), points, PlacementOldPlace, false, true, {"BIR79", "BIR74"}, fills.get());
        ASSERT_EQ(layer->container().elementCount(), 100u);
        const host::Display& display = map.document->activeView().screenDisplay();
        std::size_t i = 0;
        for (const auto& c : layer->container().elements()) {
            const host::Envelope box = chartBox(c, display);
            EXPECT_NEAR(box.xMin(), before[i].xMin(), 1e-6) << i;  // all bars positive: the base stays too
            EXPECT_NEAR(box.yMin(), before[i].yMin(), 1e-6) << i;
            ++i;
        }
    }
    EXPECT_TRUE(shell.messages().empty()) << shell.shell->transcriptText();
}
