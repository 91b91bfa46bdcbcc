// Files made to hurt: groups nested deep and shared at every level cost linear time wherever
// they are walked, references to an object still being read (cycles) are refused, and dates
// beyond the date type are refused rather than overflowing.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "host/Application.h"
#include "host/Element.h"
#include "host/Error.h"
#include "host/MapDocumentFile.h"
#include "host/Persistence.h"
#include "host/PropertySet.h"
#include "host/PropertySetFile.h"
#include "host/gdal/DocumentOpen.h"
#include "host/gdal/GdalFixtures.h"
#include "runtime/Date.h"
#include "support/RunCli.h"
#include "support/RuntimeErrors.h"
#include "support/TempFolder.h"

using namespace host;
using testing_support::descriptionOf;

namespace {

// A group `depth` levels deep where every level holds the level below twice and one marker of
// its own: 2^depth paths through 2·depth distinct elements. Walking the paths never ends.
std::shared_ptr<GroupElement> sharedTower(int depth) {
    std::shared_ptr<GroupElement> below;
    for (int level = 0; level < depth; ++level) {
        auto group = std::make_shared<GroupElement>();
        auto marker = std::make_shared<MarkerElement>();
        marker->setGeometry(std::make_shared<Point>(level, -level));
        marker->setSymbol(std::make_shared<SimpleMarkerSymbol>());
        marker->setName("m" + std::to_string(level));
        group->addElement(marker);
        if (below) {
            group->addElement(below);
            group->addElement(below);
        }
        below = group;
    }
    return below;
}

// The same depth as a plain chain: each group holds only the one below.
std::shared_ptr<GroupElement> chain(int depth) {
    auto leaf = std::make_shared<MarkerElement>();
    leaf->setGeometry(std::make_shared<Point>(3, 4));
    std::shared_ptr<Element> below = leaf;
    for (int level = 0; level < depth; ++level) {
        auto group = std::make_shared<GroupElement>();
        group->addElement(below);
        below = group;
    }
    return std::static_pointer_cast<GroupElement>(below);
}

Envelope envelopeOf(const Element& e) { return e.geometry()->envelope(); }

}  // namespace

TEST(GroupNesting, DeepAndSharedGroupsAreWalkedInLinearTime) {
    const auto chained = chain(100);
    EXPECT_EQ(envelopeOf(*chained).xMin(), 3);
    EXPECT_EQ(envelopeOf(*chained).yMax(), 4);

    const auto tower = sharedTower(60);
    const Envelope e = envelopeOf(*tower);
    EXPECT_EQ(e.xMin(), 0);
    EXPECT_EQ(e.xMax(), 59);
    EXPECT_EQ(e.yMin(), -59);
    PlainDisplay display(1000, 0);
    EXPECT_FALSE(tower->queryBounds(display).isEmpty());

    int visited = 0;
    tower->visitMembers([&](const Element&) { ++visited; });
    EXPECT_EQ(visited, 60 + 59);  // every marker and every group below the top, once

    // A shared member moves once, not once per path to it.
    tower->move(10, 0);
    EXPECT_EQ(envelopeOf(*tower).xMin(), 10);
    EXPECT_EQ(envelopeOf(*tower).xMax(), 69);

    GraphicsLayer layer;
    layer.container().addElement(tower);
    EXPECT_EQ(layer.extent().xMax(), 69);
}

TEST(GroupNesting, ACycleCannotBeMade) {
    auto outer = std::make_shared<GroupElement>();
    auto middle = std::make_shared<GroupElement>();
    auto inner = std::make_shared<GroupElement>();
    outer->addElement(middle);
    middle->addElement(inner);
    EXPECT_NE(descriptionOf([&] { inner->addElement(outer); }).find("belongs to"), std::string::npos);
    EXPECT_NE(descriptionOf([&] { middle->addElement(middle); }).find("itself"), std::string::npos);
    EXPECT_EQ(inner->elementCount(), 0u);
    EXPECT_TRUE(outer->contains(*inner));
    EXPECT_FALSE(inner->contains(*outer));
}

TEST(GroupNesting, SharedGroupsSaveAndReadInLinearTime) {
    testing_support::TempFolder folder;
    PropertySet set;
    set.setProperty("Graphics", runtime::Variant(runtime::ObjectPtr(sharedTower(60))));
    const std::string path = (folder / "tower.obj").string();
    writePropertySetFile(set, path);
    const auto back = readPropertySetFile(path);
    const auto tower = std::dynamic_pointer_cast<GroupElement>(back->getProperty("Graphics").objectValue());
    ASSERT_TRUE(tower);
    // Sharing survives: the two members below the top are one object.
    ASSERT_EQ(tower->elementCount(), 3u);
    EXPECT_EQ(tower->element(1), tower->element(2));
    EXPECT_EQ(envelopeOf(*tower).xMax(), 59);

    // inspect shows the shared group once and refers to it afterwards.
    const auto r = testing_support::runCli({"inspect", path});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_LT(r.out.size(), 20'000u);
    EXPECT_NE(r.out.find("    [1]  GroupElement  #1  3 elements\n"), std::string::npos) << r.out.substr(0, 400);
    EXPECT_NE(r.out.find("    [2]  GroupElement  (the same as #1)\n"), std::string::npos);
    const auto j = testing_support::runCli({"inspect", path, "--json"});
    ASSERT_EQ(j.code, 0) << j.err;
    const auto doc = nlohmann::json::parse(j.out);
    EXPECT_EQ(doc["properties"][0]["children"][2]["sameAs"], 1);
}

TEST(GroupNesting, AMapWithASharedTowerOpensSavesAndDraws) {
    gdal::install();
    fixtures::TempDir dir;
    const std::string data = dir.file("cities.gpkg");
    fixtures::makeLayer(data, "GPKG", "cities", wkbPoint, 32119, {{"NAME", OFTString}}, {{"POINT (1 1)", {"A"}}});
    auto doc = gdal::newDocumentFromDataFile(data);
    const auto& map = doc->focusMap();
    const auto tower = sharedTower(40);
    map->basicGraphicsLayer()->container().addElement(tower);
    map->selectElement(tower->element(1));
    // The bottom marker, shared along 2^39 paths, is saved at its first; one that is not on the
    // map is left out.
    ElementPtr bottom = tower;
    while (const auto group = std::dynamic_pointer_cast<GroupElement>(bottom)) bottom = group->element(group->elementCount() - 1);
    ASSERT_EQ(bottom->name(), "m0");
    map->selectElement(bottom);
    map->selectElement(std::make_shared<MarkerElement>());
    const std::string path = dir.file("tower.pmx");
    writeMapDocument(*doc, path);
    const auto back = readMapDocument(path);
    ASSERT_EQ(back->focusMap()->selectedElementCount(), 2u);
    const auto below = std::dynamic_pointer_cast<GroupElement>(back->focusMap()->selectedElement(0));
    ASSERT_TRUE(below);
    EXPECT_EQ(below->element(0)->name(), "m38");
    EXPECT_EQ(back->focusMap()->selectedElement(1)->name(), "m0");
    EXPECT_EQ(back->focusMap()->basicGraphicsLayer()->extent().xMax(), 39);

    const std::string png = dir.file("tower.png");
    const auto r = testing_support::runCli({"render", path, "-o", png, "--width", "200"});
    EXPECT_EQ(r.code, 0) << r.err;
}

TEST(ReferenceCycles, AReferenceToAnObjectStillBeingReadIsRefused) {
    // A group whose member is the group itself, a set holding itself and a deeper cycle through
    // an element's attached data.
    const std::vector<std::string> bodies{
        R"({"$class":"GroupElement","$id":2,"elements":[{"$ref":2}]})",
        R"({"$class":"PropertySet","$id":2,"properties":[["self",["o",{"$ref":2}]]]})",
        R"({"$class":"GroupElement","$id":2,"elements":[{"$class":"MarkerElement","$id":3,
            "custom":["o",{"$class":"PropertySet","$id":4,"properties":[["up",["o",{"$ref":2}]]]}]}]})",
        R"({"$class":"GroupElement","$id":2,"elements":[{"$class":"MarkerElement","$id":3,
            "custom":["o",{"$class":"PropertySet","$id":4,"properties":[["file",["o",{"$ref":1}]]]}]}]})",
        R"({"$class":"GroupElement","$id":2,"elements":[{"$class":"GroupElement","$id":3,"elements":[{"$ref":2}]}]})",
    };
    for (const auto& body : bodies) {
        const std::string text = R"({"format":"plotlet.propertyset","version":1,"propertySet":{"$class":"PropertySet","$id":1,
            "properties":[["X",["o",)" + body + "]]]}}";
        const std::string message = descriptionOf([&] { propertySetFromText(text, "loop.obj"); });
        EXPECT_NE(message.find("File loop.obj: "), std::string::npos) << message;
        EXPECT_NE(message.find("reference cycle"), std::string::npos) << message;
    }
    // A reference to a finished object is sharing, not a cycle.
    const std::string shared = R"({"format":"plotlet.propertyset","version":1,"propertySet":{"$class":"PropertySet","$id":1,
        "properties":[["A",["o",{"$class":"PropertySet","$id":2,"properties":[]}]],["B",["o",{"$ref":2}]]]}})";
    const auto set = propertySetFromText(shared, "shared.obj");
    EXPECT_EQ(set->getProperty("A").objectValue(), set->getProperty("B").objectValue());
}

TEST(ReferenceCycles, ASetHoldingItselfIsNotSavedAsAFileThatCannotBeRead) {
    testing_support::TempFolder folder;
    auto set = std::make_shared<PropertySet>();
    auto inner = std::make_shared<PropertySet>();
    set->setProperty("Inner", runtime::Variant(runtime::ObjectPtr(inner)));
    inner->setProperty("Outer", runtime::Variant(runtime::ObjectPtr(set)));
    const std::string path = (folder / "loop.par").string();
    const std::string message = descriptionOf([&] { writePropertySetFile(*set, path); });
    EXPECT_NE(message.find("a cycle"), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(path));
    inner->setProperty("Outer", runtime::Variant());  // the cycle would keep both alive
}

TEST(ReferenceCycles, AMapDocumentWithACycleIsRefusedAndTheOpenMapStays) {
    gdal::install();
    fixtures::TempDir dir;
    const std::string data = dir.file("cities.gpkg");
    fixtures::makeLayer(data, "GPKG", "cities", wkbPoint, 32119, {{"NAME", OFTString}}, {{"POINT (1 1)", {"A"}}});
    auto doc = gdal::newDocumentFromDataFile(data);
    auto group = std::make_shared<GroupElement>();
    auto marker = std::make_shared<MarkerElement>();
    marker->setGeometry(std::make_shared<Point>(1, 1));
    group->addElement(marker);
    doc->focusMap()->basicGraphicsLayer()->container().addElement(group);
    std::string text = mapDocumentToText(*doc, dir.path());
    // The marker becomes a reference to the group holding it.
    auto j = nlohmann::json::parse(text);
    auto& elements = j["maps"][0]["basicGraphics"]["elements"];
    ASSERT_EQ(elements.size(), 1u) << j["maps"][0]["basicGraphics"].dump().substr(0, 300);
    elements[0]["elements"][0] = {{"$ref", elements[0]["$id"]}};
    const std::string path = dir.file("loop.pmx");
    fixtures::writeText(path, j.dump());

    Application app;
    gdal::openInApplication(app, data);
    const MxDocumentPtr open = app.document();
    const std::string message = descriptionOf([&] { gdal::openInApplication(app, path); });
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_NE(message.find("reference cycle"), std::string::npos) << message;
    EXPECT_EQ(app.document(), open);
}

TEST(DateValues, DatesBeyondTheDateTypeAreRefused) {
    auto fileWith = [](const std::string& serial) {
        return R"({"format":"plotlet.propertyset","version":1,"propertySet":{"$class":"PropertySet","$id":1,
            "properties":[["When",["t",)" + serial + "]]]}}";
    };
    for (const std::string serial : {"1e300", "-1e300", "9.3e18", "2958466", "-657435", "\"NaN\"", "\"Infinity\""}) {
        const std::string message = descriptionOf([&] { propertySetFromText(fileWith(serial), "dates.par"); });
        EXPECT_NE(message.find("File dates.par: a date value is outside the years 100 to 9999"), std::string::npos)
            << serial << ": " << message;
    }
    // The first and the last day of the range read, and print as the dates they are.
    EXPECT_EQ(propertySetFromText(fileWith("-657434"), "d.par")->getProperty("When").dateValue().text(), "0100-01-01");
    EXPECT_EQ(propertySetFromText(fileWith("2958465.5"), "d.par")->getProperty("When").dateValue().text(), "9999-12-31 12:00:00");
    // A date made in memory beyond the range prints as no date instead of overflowing.
    EXPECT_EQ(runtime::Date{1e300}.text(), "(no date)");
}

TEST(InvalidText, NamesAndValuesThatAreNotUtf8AreSavedReplaced) {
    // A damaged GeoJSON whose layer name GDAL reads with a stray byte, and a text value with one.
    gdal::install();
    fixtures::TempDir dir;
    const std::string data = dir.file("bad.geojson");
    fixtures::writeText(data, "{\"type\":\"Featun\",\"featuresome\x92ry\":{\"type\":\"Point\",\"coordinates\":[-78.6,35.8]}}]");
    auto doc = gdal::newDocumentFromDataFile(data);
    auto marker = std::make_shared<MarkerElement>();
    marker->setGeometry(std::make_shared<Point>(1, 1));
    marker->setName("caf\xe9");
    doc->focusMap()->basicGraphicsLayer()->container().addElement(marker);
    const std::string path = dir.file("bad.pmx");
    writeMapDocument(*doc, path);
    const auto back = readMapDocument(path);
    const auto& elements = back->focusMap()->basicGraphicsLayer()->container().elements();
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(elements.front()->name(), "caf\xEF\xBF\xBD");
}
