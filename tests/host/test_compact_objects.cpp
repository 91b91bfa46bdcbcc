// The host's objects in their compact form behave as before: property sets sharing their list
// of names, texts shared between copies of a value, names and data kept apart from an element,
// the container's index by name pointing at its own entries.
#include <gtest/gtest.h>

#include <cmath>

#include "host/Element.h"
#include "host/Error.h"
#include "host/GraphicsContainer.h"
#include "host/Persistence.h"
#include "host/PropertySet.h"
#include "host/Symbol.h"
#include "runtime/Error.h"
#include "runtime/Variant.h"

using runtime::Variant;

TEST(CompactPropertySet, SharedNamesAreCopiedBeforeAnyChange) {
    auto names = std::make_shared<const host::PropertySet::NameList>(host::PropertySet::NameList{"LayerName", "A"});
    host::PropertySet one, two;
    one.assignShared(names, {Variant("L"), Variant(1.0)});
    two.assignShared(names, {Variant("L"), Variant(2.0)});

    two.setProperty("a", 5.0);  // an existing name: its value only, its case kept
    two.setProperty("B", 3.0);
    EXPECT_EQ(one.count(), 2u);
    EXPECT_EQ(two.items()[1].first, "A");
    EXPECT_EQ(two.getProperty("A"), Variant(5.0));
    EXPECT_EQ(one.getProperty("A"), Variant(1.0));

    one.removeProperty("LAYERNAME");
    EXPECT_EQ(*names, (host::PropertySet::NameList{"LayerName", "A"}));
    EXPECT_TRUE(two.isPropertyPresent("LayerName"));
    two.clear();
    EXPECT_EQ(two.count(), 0u);
    EXPECT_EQ(one.items()[0].first, "A");

    host::PropertySet three;
    EXPECT_THROW(three.assignShared(names, {Variant(1.0)}), host::Error);
}

TEST(CompactPropertySet, ItemsReadAsNamesAndValues) {
    host::PropertySet set;
    set.setProperties({"X", "Y"}, {Variant(1.0), Variant("two")});
    std::vector<std::pair<std::string, Variant>> copied;
    for (const auto& item : set.items()) copied.push_back(item);
    std::vector<std::string> names;
    for (const auto& [name, value] : set.items()) names.push_back(name + "=" + value.toString());
    EXPECT_EQ(copied, (std::vector<std::pair<std::string, Variant>>{{"X", 1.0}, {"Y", "two"}}));
    EXPECT_EQ(names, (std::vector<std::string>{"X=1", "Y=two"}));
    EXPECT_FALSE(host::PropertySet::distinctNames({"Feld", "FELD"}));
    EXPECT_FALSE(host::PropertySet::distinctNames({"поле", "ПОЛЕ"}));
    EXPECT_TRUE(host::PropertySet::distinctNames({"A", "B"}));
}

TEST(CompactVariant, CopiesOfATextStayIndependentValues) {
    Variant a(std::string(40, 'x'));
    Variant b = a;
    b = Variant("other");
    EXPECT_EQ(a.stringValue(), std::string(40, 'x'));
    EXPECT_EQ(Variant("same"), Variant(std::string("same")));
    EXPECT_NE(Variant("same"), Variant("Same"));
    EXPECT_EQ(Variant("").stringValue(), "");
    EXPECT_TRUE(Variant("").isString());
    EXPECT_EQ(sizeof(Variant), 16u);
}

TEST(CompactVariant, ObjectsArraysAndTextsHeldThroughAPointerCopyAsValues) {
    auto set = std::make_shared<host::PropertySet>();
    Variant object(set);
    Variant copy = object;
    EXPECT_EQ(copy.objectValue(), set);  // the same object, not a copy of it
    EXPECT_EQ(copy, object);
    copy = Variant(std::make_shared<host::PropertySet>());
    EXPECT_NE(copy, object);
    EXPECT_EQ(object.as<host::PropertySet>(), set);

    const Variant nothing{runtime::ObjectPtr()};
    EXPECT_TRUE(nothing.isNothing());
    EXPECT_EQ(Variant(nothing).objectValue(), nullptr);
    EXPECT_EQ(nothing, Variant(runtime::ObjectPtr()));

    Variant array(runtime::Array::fromList({1.0, "two"}));
    Variant arrayCopy = array;
    arrayCopy.array().at(0) = 5.0;
    EXPECT_EQ(array.array().at(0), Variant(1.0));
    arrayCopy = array;
    EXPECT_EQ(arrayCopy, array);

    // A value of another kind replaces a text or an object, which then goes once.
    Variant text(std::string(30, 't'));
    Variant moved = std::move(text);
    EXPECT_EQ(moved.stringValue(), std::string(30, 't'));
    moved = object;
    moved = 2.0;
    EXPECT_EQ(set.use_count(), 2);  // `set` and `object`: the values replaced let go of it
    EXPECT_EQ(moved, Variant(2.0));
}

TEST(CompactSymbols, BarValuesAndTheLeaderAnchorKeepTheirMeaning) {
    host::BarChartSymbol bars;
    bars.setValue(2, 7.5);  // grows with zeros
    EXPECT_EQ(bars.valueList(), (std::vector<double>{0, 0, 7.5}));
    bars.setValues({1, 2});
    EXPECT_EQ(bars.valueCount(), 2u);
    EXPECT_THROW(bars.value(2), runtime::Error);
    bars.setBackground(std::make_shared<host::LineCallout>());
    auto clone = std::static_pointer_cast<host::BarChartSymbol>(bars.cloneSymbol());
    clone->setValue(0, 9);
    EXPECT_EQ(bars.valueList(), (std::vector<double>{1, 2}));
    EXPECT_EQ(clone->valueList(), (std::vector<double>{9, 2}));
    bars.clearValues();
    EXPECT_EQ(bars.valueCount(), 0u);
    EXPECT_TRUE(bars.values().empty());

    host::LineCallout& callout = *clone->background();
    EXPECT_FALSE(callout.anchorPoint());
    callout.setAnchorPoint(host::XY{-0.0, 3});
    ASSERT_TRUE(callout.anchorPoint());
    EXPECT_EQ(*callout.anchorPoint(), (host::XY{-0.0, 3}));
    EXPECT_FALSE(bars.background()->anchorPoint());  // the clone's callout is its own
    callout.setAnchorPoint(host::XY{std::nan(""), 3});
    EXPECT_FALSE(callout.anchorPoint());
    callout.setAnchorPoint(host::XY{1, 2});
    callout.setAnchorPoint(std::nullopt);
    EXPECT_FALSE(callout.anchorPoint());
}

TEST(CompactElement, NameAndDataAreKeptOnlyWhenSet) {
    host::TextElement text;
    EXPECT_EQ(text.name(), "");
    EXPECT_TRUE(text.customProperty().isEmpty());
    EXPECT_TRUE(text.scaleText());
    text.setName("Raleigh");
    text.setCustomProperty(Variant(3.0));
    EXPECT_EQ(text.name(), "Raleigh");
    EXPECT_EQ(text.customProperty(), Variant(3.0));
    text.setName("");
    text.setCustomProperty(Variant());
    EXPECT_EQ(text.name(), "");
    EXPECT_TRUE(text.customProperty().isEmpty());
    text.setScaleText(false);
    text.setLocked(true);
    EXPECT_FALSE(text.scaleText());
    EXPECT_TRUE(text.locked());
}

TEST(CompactContainerIndex, NamesStayFoundWhileTheIndexGrows) {
    host::GraphicsContainer container;
    auto named = [](const std::string& name) {
        auto e = std::make_shared<host::MarkerElement>();
        e->setName(name);
        return e;
    };
    auto first = named("first");
    container.addElement(first);
    // Enough further names to rehash the index by name several times.
    std::vector<host::ElementPtr> others;
    for (int i = 0; i < 5000; ++i) {
        others.push_back(named("n" + std::to_string(i)));
        container.addElement(others.back());
    }
    auto again = named("first");
    container.addElement(again);
    EXPECT_EQ(container.findElementByName("first"), first);
    container.deleteElement(first.get());
    EXPECT_EQ(container.findElementByName("first"), again);
    container.deleteElement(again.get());
    EXPECT_EQ(container.findElementByName("first"), nullptr);
    for (int i = 0; i < 5000; i += 2) container.deleteElement(others[static_cast<std::size_t>(i)].get());
    EXPECT_EQ(container.findElementByName("n4999"), others[4999]);
    EXPECT_EQ(container.findElementByName("n4998"), nullptr);
    others[4999]->setName("renamed");
    container.updateElement(others[4999].get());
    EXPECT_EQ(container.findElementByName("renamed"), others[4999]);
    EXPECT_EQ(container.findElementByName("n4999"), nullptr);
}

TEST(CompactSymbols, ChartsShareTheirFieldSymbolListUntilOneChanges) {
    host::BarChartSymbol fields;
    auto red = std::make_shared<host::SimpleFillSymbol>(), blue = std::make_shared<host::SimpleFillSymbol>();
    fields.addSymbol(red);
    fields.addSymbol(blue);
    host::BarChartSymbol a, b;
    a.shareSymbols(fields);
    b.shareSymbols(fields);
    EXPECT_EQ(&a.symbols(), &b.symbols());
    // A change to one list (the dialog's, a chart's) leaves the others as they were.
    fields.setSymbol(0, blue);
    EXPECT_EQ(a.symbol(0), red);
    EXPECT_EQ(fields.symbol(0), blue);
    a.removeSymbol(1);
    EXPECT_EQ(a.symbolCount(), 1u);
    EXPECT_EQ(b.symbolCount(), 2u);
    EXPECT_EQ(b.symbol(1), blue);
    auto copy = std::static_pointer_cast<host::BarChartSymbol>(b.cloneSymbol());
    copy->swapSymbols(0, 1);
    EXPECT_EQ(b.symbol(0), red);
    EXPECT_EQ(copy->symbol(0), blue);
    b.clearSymbols();
    EXPECT_EQ(b.symbolCount(), 0u);
    EXPECT_THROW(b.symbol(0), runtime::Error);
    EXPECT_EQ(copy->symbolCount(), 2u);
}

TEST(CompactElement, AMarkerOrTextKeepsItsOwnCopyOfItsPoint) {
    auto given = std::make_shared<host::Point>(10.0, 20.0);
    host::TextElement text;
    text.setGeometry(given);
    given->putCoords(99.0, 99.0);  // the caller's point is the caller's
    auto at = [](const host::Element& e) { return static_cast<const host::Point&>(*e.geometry()).xy(); };
    EXPECT_EQ(at(text), (host::XY{10.0, 20.0}));
    text.move(1.0, -1.0);
    EXPECT_EQ(at(text), (host::XY{11.0, 19.0}));
    EXPECT_EQ(given->xy(), (host::XY{99.0, 99.0}));
    // Another element given this one's point gets its own as well.
    host::MarkerElement marker;
    marker.setGeometry(text.geometry());
    text.move(5.0, 5.0);
    EXPECT_EQ(at(marker), (host::XY{11.0, 19.0}));
    // Any other geometry is held as given; an empty point stays empty.
    auto line = std::make_shared<host::Polyline>();
    line->addSegment({0, 0}, {1, 1});
    marker.setGeometry(line);
    EXPECT_EQ(marker.geometry(), line);
    marker.setGeometry(std::make_shared<host::Point>());
    EXPECT_TRUE(marker.geometry()->isEmpty());
    marker.setGeometry(nullptr);
    EXPECT_EQ(marker.geometry(), nullptr);
}

TEST(CompactSymbols, ChartsReadWithTheSameFieldSymbolsShareOneList) {
    auto red = std::make_shared<host::SimpleFillSymbol>(), blue = std::make_shared<host::SimpleFillSymbol>();
    auto group = std::make_shared<host::GroupElement>();
    for (int k = 0; k < 3; ++k) {
        auto chart = std::make_shared<host::BarChartSymbol>();
        chart->addSymbol(red);
        chart->addSymbol(k == 2 ? red : blue);  // the third chart's list differs
        auto marker = std::make_shared<host::MarkerElement>();
        marker->setSymbol(chart);
        group->addElement(marker);
    }
    const auto copy = host::copyObjectAs(group);
    ASSERT_TRUE(copy);
    auto chartOf = [&](std::size_t k) {
        return std::static_pointer_cast<host::BarChartSymbol>(std::static_pointer_cast<host::MarkerElement>(copy->element(k))->symbol());
    };
    EXPECT_EQ(&chartOf(0)->symbols(), &chartOf(1)->symbols());
    EXPECT_NE(&chartOf(1)->symbols(), &chartOf(2)->symbols());
    EXPECT_EQ(chartOf(2)->symbol(0), chartOf(2)->symbol(1));
    EXPECT_NE(chartOf(0)->symbol(0), chartOf(0)->symbol(1));
    chartOf(1)->setSymbol(0, chartOf(1)->symbol(1));
    EXPECT_NE(chartOf(0)->symbol(0), chartOf(0)->symbol(1));
}

TEST(CompactPropertySet, SetsReadOneAfterAnotherShareTheirNamesAndEqualTexts) {
    auto group = std::make_shared<host::GroupElement>();
    for (int k = 0; k < 3; ++k) {
        auto data = std::make_shared<host::PropertySet>();
        data->setProperty("LayerName", Variant(std::string(k == 2 ? "roads" : "points")));
        data->setProperty("a", Variant(k * 1.5));
        auto marker = std::make_shared<host::MarkerElement>();
        marker->setCustomProperty(Variant(runtime::ObjectPtr(data)));
        group->addElement(marker);
    }
    const auto copy = host::copyObjectAs(group);
    ASSERT_TRUE(copy);
    auto dataOf = [&](std::size_t k) { return copy->element(k)->customProperty().as<host::PropertySet>(); };
    std::vector<std::string> names0, names1;
    std::vector<Variant> values0, values1;
    dataOf(0)->getAllProperties(names0, values0);
    dataOf(1)->getAllProperties(names1, values1);
    EXPECT_EQ(names0, (std::vector<std::string>{"LayerName", "a"}));
    EXPECT_EQ(names1, names0);
    EXPECT_EQ(&dataOf(0)->getProperty("LayerName").stringValue(), &dataOf(1)->getProperty("LayerName").stringValue());
    EXPECT_EQ(dataOf(2)->getProperty("LayerName"), Variant(std::string("roads")));
    EXPECT_EQ(dataOf(1)->getProperty("a"), Variant(1.5));
    // A change to one set's value leaves the others as they were.
    dataOf(0)->setProperty("LayerName", Variant(std::string("other")));
    EXPECT_EQ(dataOf(1)->getProperty("LayerName"), Variant(std::string("points")));
}

// The casts by type alone give what dynamic casts give, for the classes they try first, for
// the ones they leave to the dynamic cast, and for nothing.
TEST(CompactCasts, GiveWhatDynamicCastsGive) {
    using namespace host;
    const std::vector<runtime::ObjectPtr> objects{std::make_shared<TextElement>(),     std::make_shared<MarkerElement>(),
                                                  std::make_shared<GroupElement>(),    std::make_shared<LineElement>(),
                                                  std::make_shared<Point>(1, 2),       std::make_shared<Polyline>(),
                                                  std::make_shared<BarChartSymbol>(),  std::make_shared<SimpleFillSymbol>(),
                                                  std::make_shared<PropertySet>(),     std::make_shared<PolygonElement>(),
                                                  nullptr};
    for (const runtime::ObjectPtr& o : objects) {
        EXPECT_EQ((runtime::objectCast<Element, TextElement, GroupElement>(o)), std::dynamic_pointer_cast<Element>(o));
        EXPECT_EQ((runtime::objectCast<Geometry, Point>(o)), std::dynamic_pointer_cast<Geometry>(o));
        EXPECT_EQ((runtime::objectCast<MarkerSymbol, BarChartSymbol>(o)), std::dynamic_pointer_cast<MarkerSymbol>(o));
        EXPECT_EQ((runtime::objectCast<Symbol, SimpleFillSymbol, BarChartSymbol>(o)), std::dynamic_pointer_cast<Symbol>(o));
        EXPECT_EQ(runtime::exactCast<Point>(o.get()), dynamic_cast<const Point*>(o.get()));
        EXPECT_EQ(runtime::exactCast<GroupElement>(o.get()), dynamic_cast<const GroupElement*>(o.get()));
        // A chart symbol's Object base is not where the symbol array starts: the cast must adjust.
        EXPECT_EQ(runtime::exactCast<BarChartSymbol>(o.get()), dynamic_cast<const BarChartSymbol*>(o.get()));
        // An element's kind names its class.
        if (const auto* e = dynamic_cast<const Element*>(o.get())) {
            EXPECT_EQ(elementAs<MarkerElement>(*e), dynamic_cast<const MarkerElement*>(e));
            EXPECT_EQ(elementAs<TextElement>(*e), dynamic_cast<const TextElement*>(e));
            EXPECT_EQ(elementAs<LineElement>(*e), dynamic_cast<const LineElement*>(e));
            EXPECT_EQ(elementAs<PolygonElement>(*e), dynamic_cast<const PolygonElement*>(e));
            EXPECT_EQ(isElement<GroupElement>(*e), dynamic_cast<const GroupElement*>(e) != nullptr);
        }
    }
    // Handed over, an object moves into the cast: its count stays where it was.
    const auto text = std::make_shared<TextElement>();
    runtime::ObjectPtr held = text;
    const std::shared_ptr<Element> element = runtime::objectCast<Element, MarkerElement, TextElement>(std::move(held));
    EXPECT_FALSE(held);
    EXPECT_EQ(element.get(), text.get());
    EXPECT_EQ(text.use_count(), 2);
}
