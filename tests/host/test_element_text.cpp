// Elements written straight as text against the JSON-tree writer: the same objects, ids, sharing
// and refusals; and objects with a single holder written without ids.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include <nlohmann/json.hpp>

#include "host/Element.h"
#include "host/ElementText.h"
#include "host/Error.h"
#include "host/Persistence.h"
#include "host/PropertySet.h"
#include "host/Symbol.h"
#include "runtime/Date.h"
#include "support/RuntimeErrors.h"

using namespace host;
using testing_support::descriptionOf;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

std::shared_ptr<Point> at(double x, double y) { return std::make_shared<Point>(x, y); }

template <class E>
std::shared_ptr<E> placed(std::shared_ptr<E> e, GeometryPtr g) {
    e->setGeometry(std::move(g));
    return e;
}

std::shared_ptr<Polyline> line(std::initializer_list<std::vector<XY>> paths) {
    auto l = std::make_shared<Polyline>();
    for (const auto& p : paths) l->addPath(p);
    return l;
}

// Every element class, every value kind, odd numbers and texts, shared and single-held objects.
std::vector<ElementPtr> variedElements() {
    std::vector<ElementPtr> out;
    auto outline = std::make_shared<SimpleLineSymbol>();
    outline->setWidth(0.4);
    auto fillA = std::make_shared<SimpleFillSymbol>(), fillB = std::make_shared<SimpleFillSymbol>();
    fillA->setOutline(outline);
    fillB->setColor(RgbColor::fromRgb(10, 200, 30));
    auto font = std::make_shared<TextSymbol>();
    font->setFont(FontSpec{"DejaVu \"Sans\"", 9.5, true, false, true});
    font->setAngle(-12.25);
    font->setHorizontalAlignment(1);

    // A chart as the plug-in builds it: group, marker with data and leader, labels.
    auto chart = std::make_shared<GroupElement>();
    auto marker = placed(std::make_shared<MarkerElement>(), at(68271.92294461899, 54494.14806032167));
    auto bars = std::make_shared<BarChartSymbol>();
    bars->setValues({22.044062204069668, 0.1, -0.0, 1e-7, 1e300, 9007199254740992.0, nan, inf, -inf, 3});
    bars->addSymbol(fillA);
    bars->addSymbol(fillB);
    bars->addSymbol(std::make_shared<SimpleFillSymbol>());  // one of its own
    auto callout = std::make_shared<LineCallout>();
    callout->setAnchorPoint(XY{1.5, -2.75});
    callout->setLeaderTolerance(36.93321675673539);
    bars->setBackground(callout);
    bars->setOffset(3, -4);
    bars->setMaxValue(99.9907828509209);
    marker->setSymbol(bars);
    auto data = std::make_shared<PropertySet>();
    data->setProperty("LayerName", runtime::Variant("points"));
    data->setProperty("#Vmax#", runtime::Variant(80.94304566778267));
    data->setProperty("empty", runtime::Variant());
    data->setProperty("null", runtime::Variant::null());
    data->setProperty("yes", runtime::Variant(true));
    data->setProperty("short", runtime::Variant(std::int16_t{-32768}));
    data->setProperty("long", runtime::Variant(std::int32_t{2147483647}));
    data->setProperty("single", runtime::Variant(0.1f));
    data->setProperty("singleNaN", runtime::Variant(std::numeric_limits<float>::quiet_NaN()));
    data->setProperty("minusZero", runtime::Variant(-0.0));
    data->setProperty("plusInf", runtime::Variant(inf));
    data->setProperty("huge", runtime::Variant(-1.7976931348623157e308));
    data->setProperty("tiny", runtime::Variant(5e-324));
    data->setProperty("date", runtime::Variant(runtime::Date{45000.75}));
    data->setProperty("text \"quoted\" \\ \n\t\x01", runtime::Variant("Москва \xff\xfe broken"));
    data->setProperty("array", runtime::Variant(runtime::Array::fromItems({0}, {2}, {runtime::Variant(1.5), runtime::Variant("x"),
                                                                                  runtime::Variant(fillB)})));
    data->setProperty("symbol", runtime::Variant(fillA));  // shared with the bars
    auto inner = std::make_shared<PropertySet>();
    inner->setProperty("deeper", runtime::Variant(std::int32_t{7}));
    data->setProperty("set", runtime::Variant(inner));
    marker->setCustomProperty(runtime::Variant(data));
    marker->setName("3 \x80 not UTF-8");
    chart->addElement(marker);
    for (const char* label : {"22", "59", "x\"y"}) {
        auto text = placed(std::make_shared<TextElement>(), at(66472.75627795231, 56279.0549640489));
        text->setText(label);
        text->setSymbol(font);
        chart->addElement(text);
    }
    out.push_back(chart);

    // Plain elements with the optional members set.
    auto simple = std::make_shared<SimpleMarkerSymbol>();
    simple->setOutline(true);
    simple->setOutlineColor(RgbColor::fromRgb(1, 2, 3));
    simple->setAngle(45);
    simple->setStyle(SimpleMarkerStyle::Diamond);
    auto point = placed(std::make_shared<MarkerElement>(), at(-0.0, 2.5));
    point->setSymbol(simple);
    point->setLocked(true);
    out.push_back(point);
    auto emptyPoint = placed(std::make_shared<MarkerElement>(), std::make_shared<Point>());
    out.push_back(emptyPoint);  // no symbol either
    auto unscaled = placed(std::make_shared<TextElement>(), at(1, 1));
    unscaled->setScaleText(false);
    unscaled->setSymbol(font);
    unscaled->setName("Примечание");
    unscaled->setCustomProperty(runtime::Variant("just a text"));
    out.push_back(unscaled);

    // A geometry held by two elements (numbered before the custom data of its element, which is
    // shared as well), an empty one, a polygon, and classes this writer hands on.
    auto sharedLine = line({{{0, 0}, {1, 1.5}}, {{2, 2}, {3, 3}, {4, 4}}});
    auto sharedData = std::make_shared<PropertySet>();
    sharedData->setProperty("k", runtime::Variant(1.0));
    auto lineA = placed(std::make_shared<LineElement>(), sharedLine);
    lineA->setSymbol(outline);
    lineA->setCustomProperty(runtime::Variant(sharedData));
    auto lineB = placed(std::make_shared<LineElement>(), sharedLine);
    lineB->setCustomProperty(runtime::Variant(sharedData));
    out.push_back(lineA);
    out.push_back(lineB);
    out.push_back(placed(std::make_shared<LineElement>(), std::make_shared<Polyline>()));
    auto ring = std::make_shared<Polygon>();
    ring->addRing({{0, 0}, {0, 1}, {1, 1}, {0, 0}});
    auto polygon = placed(std::make_shared<PolygonElement>(), ring);
    polygon->setSymbol(fillB);
    out.push_back(polygon);
    auto markerFill = std::make_shared<MarkerFillSymbol>();
    markerFill->setMarkerSymbol(simple);
    markerFill->setOutline(outline);
    auto hatched = placed(std::make_shared<PolygonElement>(), std::make_shared<Polygon>());
    hatched->setSymbol(markerFill);
    out.push_back(hatched);
    auto multi = std::make_shared<Multipoint>();
    multi->addPoint({5, 6});
    out.push_back(placed(std::make_shared<MarkerElement>(), multi));

    // Groups in groups, an empty one, an element in two groups, a chart whose callout is shared
    // (numbered after the bar symbols, written before them).
    auto outer = std::make_shared<GroupElement>(), middle = std::make_shared<GroupElement>();
    middle->addElement(std::make_shared<GroupElement>());
    middle->addElement(point);
    outer->addElement(middle);
    outer->setName("outer");
    outer->setLocked(true);
    outer->setCustomProperty(runtime::Variant(inner));
    out.push_back(outer);
    auto twin = std::make_shared<BarChartSymbol>();
    auto ownFill = std::make_shared<SimpleFillSymbol>();
    twin->addSymbol(ownFill);
    twin->addSymbol(ownFill);
    twin->setBackground(callout);
    auto twinMarker = placed(std::make_shared<MarkerElement>(), at(7, 8));
    twinMarker->setSymbol(twin);
    out.push_back(twinMarker);
    auto chartless = placed(std::make_shared<MarkerElement>(), at(9, 9));
    auto bare = std::make_shared<BarChartSymbol>();
    bare->addSymbol(std::make_shared<SimpleMarkerSymbol>());
    chartless->setSymbol(bare);  // no values, no callout
    out.push_back(chartless);
    auto sameBars = std::make_shared<BarChartSymbol>();
    sameBars->shareSymbols(*bare);  // one list of bar symbols for two charts
    auto sameMarker = placed(std::make_shared<MarkerElement>(), at(10, 10));
    sameMarker->setSymbol(sameBars);
    out.push_back(sameMarker);
    return out;
}

std::string directText(const std::vector<ElementPtr>& elements, PersistContext& c, WriteLimits& limits) {
    std::string text = "[";
    for (const auto& e : elements) {
        if (text.size() > 1) text += ",\n";
        appendElementText(text, e, c, limits);
    }
    return text + "]";
}

Json genericJson(const std::vector<ElementPtr>& elements, PersistContext& c) {
    Json list = Json::array();
    for (const auto& e : elements) list.push_back(writeObject(e, c));
    return list;
}

// The objects a list of written elements reads back as, written by the tree writer.
std::string readBack(const Json& list) {
    PersistContext in(PersistPurpose::File, "test");
    std::vector<ElementPtr> read;
    for (const auto& j : list) read.push_back(readObjectAs<Element>(j, in, "an element"));
    PersistContext out(PersistPurpose::File);
    return genericJson(read, out).dump(-1, ' ', false, Json::error_handler_t::replace);
}

WriteLimits generous(PersistContext& c) { return WriteLimits(c, 256, 10'000'000, 200'000'000, 7); }


}  // namespace

TEST(ElementText, ReadsBackAsTheTreeWriterWrites) {
    const auto elements = variedElements();
    PersistContext direct(PersistPurpose::File);
    auto limits = generous(direct);
    const std::string text = directText(elements, direct, limits);
    PersistContext tree(PersistPurpose::File);
    const Json generic = genericJson(elements, tree);

    // The same members, ids and references (numbers compared by value, NaN as its text, bytes
    // that are not UTF-8 replaced in both)...
    const Json parsed = Json::parse(text);
    const std::string genericText = generic.dump(-1, ' ', false, Json::error_handler_t::replace);
    EXPECT_TRUE(parsed == Json::parse(genericText)) << text << "\n" << genericText;
    // ...and the same objects after reading, down to the sign of zero and the bits of a double.
    EXPECT_EQ(readBack(parsed), readBack(generic));
    EXPECT_NE(text.find("-0.0"), std::string::npos);
    EXPECT_NE(text.find("\"NaN\""), std::string::npos);
    EXPECT_NE(text.find("\xEF\xBF\xBD"), std::string::npos) << "bytes that are not UTF-8 become U+FFFD";
    EXPECT_EQ(text.find('\xff'), std::string::npos);
    EXPECT_EQ(direct.writtenIds().size(), tree.writtenIds().size());
}

TEST(ElementText, AChartLineIsTheTreeWritersText) {
    // Members in the order of their keys, numbers as the tree writer spells these.
    auto chart = std::make_shared<GroupElement>();
    auto marker = placed(std::make_shared<MarkerElement>(), at(100.5, -20));
    auto bars = std::make_shared<BarChartSymbol>();
    bars->setValues({1.25, 40, 0});
    auto fill = std::make_shared<SimpleFillSymbol>();
    bars->addSymbol(fill);
    bars->addSymbol(fill);
    bars->setBackground(std::make_shared<LineCallout>());
    marker->setSymbol(bars);
    auto data = std::make_shared<PropertySet>();
    data->setProperty("a", runtime::Variant(1.25));
    marker->setCustomProperty(runtime::Variant(data));
    chart->addElement(marker);
    auto label = placed(std::make_shared<TextElement>(), at(1, 2));
    label->setText("1.25");
    label->setSymbol(std::make_shared<TextSymbol>());
    chart->addElement(label);
    const std::vector<ElementPtr> elements{chart};
    PersistContext direct(PersistPurpose::File), tree(PersistPurpose::File);
    auto limits = generous(direct);
    EXPECT_EQ(directText(elements, direct, limits), genericJson(elements, tree).dump());
}

TEST(ElementText, RefusesWhatTheTreeCheckRefuses) {
    // A nesting of groups, long lists and many objects against tight limits: the direct writer
    // fails exactly where checking the tree fails, with the same message.
    std::vector<ElementPtr> elements = variedElements();
    ElementPtr deep = elements.front();
    for (int i = 0; i < 6; ++i) {
        auto g = std::make_shared<GroupElement>();
        g->addElement(deep);
        deep = g;
    }
    elements.push_back(deep);
    for (std::size_t depth = 8; depth <= 30; ++depth) {
        for (std::size_t items : {2u, 3u, 4u, 10u, 100u}) {
            for (std::size_t objects : {5u, 40u, 1000u}) {
                SCOPED_TRACE(std::to_string(depth) + " levels, " + std::to_string(items) + " items, " + std::to_string(objects) +
                             " objects");
                for (const auto& e : elements) {
                    PersistContext direct(PersistPurpose::File), tree(PersistPurpose::File);
                    WriteLimits directLimits(direct, depth, items, objects, 7), treeLimits(tree, depth, items, objects, 7);
                    std::string text;
                    const std::string a = descriptionOf([&] {
                        appendElementText(text, e, direct, directLimits);
                        directLimits.objectsWithinLimit();
                    });
                    const std::string b = descriptionOf([&] {
                        treeLimits.shape(writeObject(e, tree), 1);
                        treeLimits.objectsWithinLimit();
                    });
                    // Both refuse or neither; which limit is met first may differ in order.
                    EXPECT_EQ(a.empty(), b.empty()) << a << " | " << b;
                }
            }
        }
    }
}

TEST(SoleHeldObjects, AreWrittenWithoutIdsAndSharedOnesKeepTheirSharing) {
    auto fill = std::make_shared<SimpleFillSymbol>();
    auto font = std::make_shared<TextSymbol>();
    std::vector<ElementPtr> elements;
    for (int i = 0; i < 2; ++i) {
        auto marker = placed(std::make_shared<MarkerElement>(), at(i, i));
        auto bars = std::make_shared<BarChartSymbol>();
        bars->addSymbol(fill);
        bars->setBackground(std::make_shared<LineCallout>());
        marker->setSymbol(bars);
        auto data = std::make_shared<PropertySet>();
        data->setProperty("v", runtime::Variant(1.0 * i));
        marker->setCustomProperty(runtime::Variant(data));
        auto label = placed(std::make_shared<TextElement>(), at(i, i));
        label->setSymbol(font);
        auto chart = std::make_shared<GroupElement>();
        chart->addElement(marker);
        chart->addElement(label);
        elements.push_back(chart);
    }
    for (const bool direct : {false, true}) {
        SCOPED_TRACE(direct ? "direct" : "tree");
        PersistContext out(PersistPurpose::File);
        auto limits = generous(out);
        const Json written = direct ? Json::parse(directText(elements, out, limits)) : genericJson(elements, out);
        // Numbered: the two shared symbols, once each.
        EXPECT_EQ(out.writtenIds().size(), 2u);
        const std::string text = written.dump();
        for (const char* cls : {"GroupElement", "MarkerElement", "BarChartSymbol", "LineCallout", "PropertySet", "TextElement"}) {
            const auto pos = text.find(std::string("{\"$class\":\"") + cls + "\"");
            ASSERT_NE(pos, std::string::npos) << cls;
            EXPECT_NE(text.compare(pos + 12 + std::string(cls).size(), 7, ",\"$id\":"), 0) << cls << " carries an id";
        }
        PersistContext in(PersistPurpose::File, "test");
        std::vector<std::shared_ptr<GroupElement>> read;
        for (const auto& j : written) read.push_back(readObjectAs<GroupElement>(j, in, "a chart"));
        auto bars = [&](int i) { return std::static_pointer_cast<BarChartSymbol>(std::static_pointer_cast<MarkerElement>(read[i]->element(0))->symbol()); };
        auto label = [&](int i) { return std::static_pointer_cast<TextElement>(read[i]->element(1)); };
        EXPECT_EQ(bars(0)->symbol(0), bars(1)->symbol(0));
        EXPECT_EQ(label(0)->symbol(), label(1)->symbol());
        EXPECT_NE(bars(0), bars(1));
        EXPECT_NE(bars(0)->background(), bars(1)->background());
    }
}

TEST(SoleHeldObjects, SymbolsOfAListSeveralChartsShareAreNumbered) {
    // One list of field symbols for all charts of a run, the list alone holding the symbols:
    // each is met once per chart, so it is written once, then referred to.
    std::vector<ElementPtr> elements;
    std::shared_ptr<BarChartSymbol> first;
    for (int i = 0; i < 3; ++i) {
        auto bars = std::make_shared<BarChartSymbol>();
        if (first) {
            bars->shareSymbols(*first);
        } else {
            auto fill = std::make_shared<SimpleFillSymbol>();
            fill->setOutline(std::make_shared<SimpleLineSymbol>());
            bars->addSymbol(fill);
            bars->addSymbol(std::make_shared<SimpleFillSymbol>());
            first = bars;
        }
        auto marker = placed(std::make_shared<MarkerElement>(), at(i, i));
        marker->setSymbol(bars);
        elements.push_back(marker);
    }
    ASSERT_TRUE(first->symbolsShared());
    ASSERT_EQ(first->symbol(0).use_count(), 1);
    first.reset();
    for (const bool direct : {false, true}) {
        SCOPED_TRACE(direct ? "direct" : "tree");
        PersistContext out(PersistPurpose::File);
        auto limits = generous(out);
        const Json written = direct ? Json::parse(directText(elements, out, limits)) : genericJson(elements, out);
        EXPECT_EQ(out.writtenIds().size(), 2u) << written.dump();
        EXPECT_TRUE(written[2]["symbol"]["symbols"][0].contains("$ref")) << written.dump();
        PersistContext in(PersistPurpose::File, "test");
        std::vector<std::shared_ptr<MarkerElement>> read;
        for (const auto& j : written) read.push_back(readObjectAs<MarkerElement>(j, in, "a marker"));
        auto bars = [&](int i) { return std::static_pointer_cast<BarChartSymbol>(read[i]->symbol()); };
        EXPECT_EQ(bars(0)->symbol(0), bars(2)->symbol(0));
        EXPECT_EQ(bars(0)->symbol(1), bars(1)->symbol(1));
    }
}

TEST(SoleHeldObjects, AnElementHeldTwiceIsWrittenOnceThenReferred) {
    // Held by two groups: numbered, then a reference; read back, one element in both.
    auto shared = placed(std::make_shared<MarkerElement>(), at(1, 2));
    auto a = std::make_shared<GroupElement>(), b = std::make_shared<GroupElement>();
    a->addElement(shared);
    b->addElement(shared);
    shared.reset();  // the groups are its only holders now
    PersistContext out(PersistPurpose::File);
    auto limits = generous(out);
    const Json written = Json::parse(directText({a, b}, out, limits));
    EXPECT_TRUE(written[1]["elements"][0].contains("$ref"));
    PersistContext in(PersistPurpose::File, "test");
    auto ra = readObjectAs<GroupElement>(written[0], in, "a"), rb = readObjectAs<GroupElement>(written[1], in, "b");
    EXPECT_EQ(ra->element(0), rb->element(0));
}
