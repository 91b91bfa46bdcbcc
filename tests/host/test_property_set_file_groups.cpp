// Property-set files whose values are groups of many elements (graphics files): written member
// by member and read member by member, with shared objects kept shared, files in the whole-tree
// layout still read, and damaged member lists refused whole.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "host/Element.h"
#include "host/ElementLineReader.h"
#include "host/Error.h"
#include "host/Geometry.h"
#include "host/Persistence.h"
#include "host/PropertySet.h"
#include "host/PropertySetFile.h"
#include "host/Symbol.h"
#include "host/TaskProgress.h"
#include "support/TempFolder.h"

using namespace host;
using runtime::Variant;

namespace {

// Three markers sharing one symbol, and a group of two texts, all in one group; then a scale.
PropertySet graphicsSet(std::shared_ptr<SimpleMarkerSymbol>& shared) {
    shared = std::make_shared<SimpleMarkerSymbol>();
    shared->setSize(7);
    auto group = std::make_shared<GroupElement>();
    for (int i = 0; i < 3; ++i) {
        auto marker = std::make_shared<MarkerElement>();
        marker->setName("chart " + std::to_string(i));
        marker->setGeometry(std::make_shared<Point>(i, 2 * i));
        marker->setSymbol(shared);
        auto data = std::make_shared<PropertySet>();
        data->setProperty("LayerName", Variant("Towns"));
        marker->setCustomProperty(Variant(runtime::ObjectPtr(data)));
        group->addElement(marker);
    }
    auto inner = std::make_shared<GroupElement>();
    for (const char* t : {"12", "7.5"}) {
        auto text = std::make_shared<TextElement>();
        text->setText(t);
        text->setGeometry(std::make_shared<Point>(1, 1));
        inner->addElement(text);
    }
    group->addElement(inner);
    PropertySet set;
    set.setProperty("Graphics", Variant(runtime::ObjectPtr(group)));
    set.setProperty("Scale", Variant(50000.0));
    return set;
}

void expectSameGraphics(const PropertySet& back) {
    ASSERT_EQ(back.count(), 2u);
    EXPECT_EQ(back.items()[0].first, "Graphics");
    EXPECT_EQ(back.getProperty("Scale"), Variant(50000.0));
    auto group = back.getProperty("Graphics").as<GroupElement>();
    ASSERT_TRUE(group);
    ASSERT_EQ(group->elementCount(), 4u);
    auto m0 = std::dynamic_pointer_cast<MarkerElement>(group->element(0));
    auto m2 = std::dynamic_pointer_cast<MarkerElement>(group->element(2));
    ASSERT_TRUE(m0 && m2);
    EXPECT_EQ(m2->name(), "chart 2");
    EXPECT_EQ(m0->symbol(), m2->symbol());  // still one symbol
    EXPECT_EQ(m0->symbol()->size(), 7);
    EXPECT_EQ(m0->customProperty().as<PropertySet>()->getProperty("LayerName"), Variant("Towns"));
    auto inner = std::dynamic_pointer_cast<GroupElement>(group->element(3));
    ASSERT_TRUE(inner);
    EXPECT_EQ(std::dynamic_pointer_cast<TextElement>(inner->element(1))->text(), "7.5");
}

TEST(PropertySetFileGroups, RoundTripKeepsMembersNestingAndSharedSymbols) {
    std::shared_ptr<SimpleMarkerSymbol> shared;
    const PropertySet set = graphicsSet(shared);
    const std::string text = propertySetToText(set);
    // One member per line: a reader can take them one at a time.
    EXPECT_GE(std::count(text.begin(), text.end(), '\n'), 5);
    expectSameGraphics(*propertySetFromText(text, "charts.obj"));
    // Members read straight from their text come back as the general reader makes them.
    setDirectElementReading(false);
    const std::string general = propertySetToText(*propertySetFromText(text, "charts.obj"));
    setDirectElementReading(true);
    EXPECT_EQ(propertySetToText(*propertySetFromText(text, "charts.obj")), general);
    EXPECT_EQ(general, text);
}

TEST(PropertySetFileGroups, TheWholeTreeLayoutIsReadToo) {
    std::shared_ptr<SimpleMarkerSymbol> shared;
    const PropertySet set = graphicsSet(shared);
    PersistContext context(PersistPurpose::File);
    Json doc = makeTaggedDocument(propertySetFormat, propertySetVersion);
    doc["propertySet"] = writeObject(static_cast<const runtime::Object&>(set), context);
    expectSameGraphics(*propertySetFromText(doc.dump(), "tree.obj"));
    expectSameGraphics(*propertySetFromText(doc.dump(2), "indented.obj"));
}

TEST(PropertySetFileGroups, DamagedMemberListsAreRefusedWhole) {
    std::shared_ptr<SimpleMarkerSymbol> shared;
    const std::string text = propertySetToText(graphicsSet(shared));
    const std::size_t second = text.find("chart 1");
    ASSERT_NE(second, std::string::npos);
    for (std::size_t cut : {second, second + 40, text.size() - 10}) {
        SCOPED_TRACE(cut);
        EXPECT_THROW(propertySetFromText(text.substr(0, cut), "cut.obj"), runtime::Error);
    }
    // A member that refers to an object no earlier part of the file defines.
    std::string dangling = text;
    const std::size_t ref = dangling.find("{\"$ref\":");
    ASSERT_NE(ref, std::string::npos);
    dangling.replace(ref, 9, "{\"$ref\":999");
    EXPECT_THROW(propertySetFromText(dangling, "dangling.obj"), runtime::Error);
    // A member that is no element.
    std::string foreign = text;
    foreign.replace(foreign.find("\"MarkerElement\""), 15, "\"RgbColor\"");
    EXPECT_THROW(propertySetFromText(foreign, "foreign.obj"), runtime::Error);
}

// Whatever limits reading is given, writing with the same limits refuses the file exactly when
// reading it would, and a refused write leaves the file that was there.
TEST(PropertySetFileGroups, WritingRefusesExactlyWhatReadingWouldRefuse) {
    std::shared_ptr<SimpleMarkerSymbol> shared;
    PropertySet set = graphicsSet(shared);
    // A group three levels down inside the graphics, so that nesting is decided inside a member.
    auto deep = std::make_shared<GroupElement>(), deeper = std::make_shared<GroupElement>();
    auto text = std::make_shared<TextElement>();
    text->setText("deep");
    text->setGeometry(std::make_shared<Point>(5, 5));
    deeper->addElement(text);
    deep->addElement(deeper);
    set.getProperty("Graphics").as<GroupElement>()->addElement(deep);

    testing_support::TempFolder dir;
    const std::string path = (dir / "limits.obj").string();
    writePropertySetFile(set, path);
    const auto bytes = [&] {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const std::string written = bytes();
    const auto refuses = [](const auto& work) {
        try {
            work();
            return false;
        } catch (const runtime::Error&) {
            return true;
        }
    };
    const auto agree = [&](const PropertySetFileLimits& limits) {
        const bool readingRefuses = refuses([&] { readPropertySetFile(path, limits); });
        const bool writingRefuses = refuses([&] { writePropertySetFile(set, path, limits); });
        EXPECT_EQ(writingRefuses, readingRefuses);
        EXPECT_EQ(bytes(), written);
        return writingRefuses;
    };
    int refused = 0, accepted = 0;
    for (std::size_t depth = 1; depth <= 16; ++depth) {
        SCOPED_TRACE("depth " + std::to_string(depth));
        PropertySetFileLimits limits;
        limits.persist.maxDepth = depth;
        (agree(limits) ? refused : accepted)++;
    }
    for (std::size_t objects = 1; objects <= 30; ++objects) {
        SCOPED_TRACE("objects " + std::to_string(objects));
        PropertySetFileLimits limits;
        limits.persist.maxObjects = objects;
        (agree(limits) ? refused : accepted)++;
    }
    for (std::size_t items = 1; items <= 6; ++items) {
        SCOPED_TRACE("items " + std::to_string(items));
        PropertySetFileLimits limits;
        limits.persist.maxArrayItems = items;
        (agree(limits) ? refused : accepted)++;
    }
    for (std::size_t size : {written.size() - 1, written.size()}) {
        SCOPED_TRACE("bytes " + std::to_string(size));
        PropertySetFileLimits limits;
        limits.maxBytes = size;
        (agree(limits) ? refused : accepted)++;
    }
    // Every limit was met on both sides of its bound.
    EXPECT_GT(refused, 4);
    EXPECT_GT(accepted, 4);
    PropertySetFileLimits few;
    few.persist.maxObjects = 3;
    try {
        writePropertySetFile(set, path, few);
        ADD_FAILURE() << "written";
    } catch (const runtime::Error& e) {
        EXPECT_NE(e.description().find(path), std::string::npos) << e.description();
        EXPECT_NE(e.description().find("more than 3 objects, more than reading accepts"), std::string::npos) << e.description();
    }
}

TEST(PropertySetFileGroups, LongGroupsReportProgressAndItsEnd) {
    auto group = std::make_shared<GroupElement>();
    for (int i = 0; i < 70000; ++i) {
        auto e = std::make_shared<TextElement>();
        e->setGeometry(std::make_shared<Point>(i, 0));
        group->addElement(e);
    }
    PropertySet set;
    set.setProperty("Graphics", Variant(runtime::ObjectPtr(group)));
    std::vector<TaskProgress> seen;
    setTaskProgressObserver([&](const TaskProgress& p) { seen.push_back(p); });
    const std::string text = propertySetToText(set);
    auto back = propertySetFromText(text, "long.obj");
    setTaskProgressObserver({});
    EXPECT_EQ(back->getProperty("Graphics").as<GroupElement>()->elementCount(), 70000u);
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen[0].task, "Writing the file");
    EXPECT_EQ(seen[0].done, 65536u);
    EXPECT_EQ(seen.back().task, "Reading the file");
    EXPECT_TRUE(seen.back().finished);
    EXPECT_EQ(seen.back().done, 70000u);
}

}  // namespace
