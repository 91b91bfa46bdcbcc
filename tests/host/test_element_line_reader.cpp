// The direct reader of element lines against the generic reading: whatever it takes it must
// read exactly as the generic path does (same objects, ids, object count), and whatever it does
// not take it must leave untouched, so the generic path reports today's fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <limits>
#include <random>

#include "host/Element.h"
#include "host/ElementLineReader.h"
#include "host/MapDocumentFile.h"
#include "host/MxDocument.h"
#include "host/Map.h"
#include "host/Layer.h"
#include "host/PropertySet.h"
#include "host/Symbol.h"
#include "runtime/Date.h"
#include "runtime/Error.h"
#include "support/JsonIds.h"

using namespace host;
using runtime::Variant;

namespace {

// What a document's reading holds when it reaches a chart line: the shared symbols of earlier
// lines, registered by id.
void earlierLines(PersistContext& c) {
    auto outline = std::make_shared<SimpleLineSymbol>();
    outline->setWidth(0.5);
    auto fill = std::make_shared<SimpleFillSymbol>();
    fill->setColor(RgbColor(0x00A0E6));
    fill->setOutline(outline);
    auto font = std::make_shared<TextSymbol>();
    font->setFont(FontSpec{"Arial Narrow", 6, false, true, false});
    auto earlierGroup = std::make_shared<GroupElement>();
    earlierGroup->setName("earlier");
    c.readObjects()[912] = fill;
    c.readObjects()[913] = outline;
    c.readObjects()[920] = font;
    c.readObjects()[907] = earlierGroup;
}

struct Reading {
    bool ok = false;
    std::string text;   // the object written back (or the refusal)
    std::vector<long> ids;
    std::size_t objects = 0;
};

std::string written(const runtime::ObjectPtr& o) {
    PersistContext w(PersistPurpose::Copy);
    return writeObject(o, w).dump();
}

void noteContext(Reading& r, PersistContext& c) {
    for (const auto& [id, o] : c.readObjects()) r.ids.push_back(id);
    std::sort(r.ids.begin(), r.ids.end());
    r.objects = c.objectCount();
}

Reading generic(const std::string& line, PersistLimits limits = {}) {
    PersistContext c(PersistPurpose::File, "map.pmx");
    c.setLimits(limits);
    earlierLines(c);
    Reading r;
    try {
        auto e = readObjectAs<Element>(Json::parse(line), c, "a graphics layer's element");
        if (!e) throw std::runtime_error("an empty element");
        r.text = written(e);
        r.ok = true;
    } catch (const runtime::Error& e) {
        r.text = e.description();
    } catch (const std::exception& e) {
        r.text = e.what();
    }
    noteContext(r, c);
    return r;
}

Reading direct(const std::string& line, PersistLimits limits = {}) {
    PersistContext c(PersistPurpose::File, "map.pmx");
    c.setLimits(limits);
    earlierLines(c);
    Reading r;
    if (auto o = readElementLineDirect(line, c)) {
        r.ok = true;
        r.text = written(o);
    }
    noteContext(r, c);
    return r;
}

// Reads the line both ways; true when the direct reader took it.
bool same(const std::string& line, PersistLimits limits = {}) {
    const Reading d = direct(line, limits);
    const Reading g = generic(line, limits);
    if (!d.ok) {
        // Given up without a trace.
        EXPECT_EQ(d.ids, (std::vector<long>{907, 912, 913, 920})) << line;
        EXPECT_EQ(d.objects, 0u) << line;
        return false;
    }
    EXPECT_TRUE(g.ok) << line << "\n generic: " << g.text;
    // Ids compared by the sharing they stand for: whether an object written back is numbered
    // depends on who else holds it, and the generic reading's context holds what it numbered.
    const auto sharing = [](const Reading& r) { return r.ok ? fixtures::withSharingOnly(Json::parse(r.text)).dump() : r.text; };
    EXPECT_EQ(sharing(d), sharing(g)) << line;
    EXPECT_EQ(d.ids, g.ids) << line;
    EXPECT_EQ(d.objects, g.objects) << line;
    return true;
}

std::string refused(const std::string& line, PersistLimits limits = {}) {
    EXPECT_FALSE(same(line, limits)) << line;
    const Reading g = generic(line, limits);
    EXPECT_FALSE(g.ok) << line;
    return g.text;
}

// A chart as the builder makes it, written as the document writer writes an element line:
// with ids on every object, or only on shared ones (`shared`: symbols shared inside the line).
std::string chartLine(bool withIds, bool shared = false) {
    PersistContext c(PersistPurpose::Copy);
    auto bars = std::make_shared<BarChartSymbol>();
    auto fill = std::make_shared<SimpleFillSymbol>();
    bars->addSymbol(fill);
    bars->addSymbol(shared ? fill : std::make_shared<SimpleFillSymbol>());
    bars->setValue(0, 1.0 / 3.0);
    bars->setValue(1, -2.5e-300);
    bars->setSize(45);
    bars->setAngle(12.5);
    bars->setOffset(1, -2);
    auto callout = std::make_shared<LineCallout>();
    callout->setAnchorPoint(XY{612345.125, -0.0});
    callout->setLeaderColor(RgbColor(0x123456));
    bars->setBackground(callout);
    auto marker = std::make_shared<MarkerElement>();
    marker->setGeometry(std::make_shared<Point>(612345.125, 187654.0625));
    marker->setSymbol(bars);
    marker->setName("Москва \"центр\"\n\t😀");
    auto data = std::make_shared<PropertySet>();
    data->setProperty("LayerName", "cities");
    data->setProperty("#Vmax#", 8.0);
    data->setProperty("n", Variant::null());
    data->setProperty("i", Variant(static_cast<std::int32_t>(-7)));
    data->setProperty("s", Variant(static_cast<std::int16_t>(300)));
    data->setProperty("f", Variant(2.5f));
    data->setProperty("b", Variant(true));
    data->setProperty("t", Variant(runtime::Date{45000.25}));
    data->setProperty("nan", std::numeric_limits<double>::quiet_NaN());
    data->setProperty("inf", -std::numeric_limits<double>::infinity());
    data->setProperty("o", Variant(std::make_shared<SimpleLineSymbol>()));
    marker->setCustomProperty(Variant(data));
    auto group = std::make_shared<GroupElement>();
    group->addElement(marker);
    auto font = std::make_shared<TextSymbol>();
    for (int k = 0; k < 2; ++k) {
        auto label = std::make_shared<TextElement>();
        label->setText("значение " + std::to_string(k));
        label->setSymbol(shared || k == 0 ? font : std::make_shared<TextSymbol>());
        label->setScaleText(k == 0);
        label->setGeometry(std::make_shared<Point>(1e-300 * k, 5e-324));
        group->addElement(label);
    }
    auto line = std::make_shared<LineElement>();
    auto polyline = std::make_shared<Polyline>();
    polyline->addPath({{0, 0}, {1, 1}, {2, 0}});
    polyline->addPath({{5, 5}, {6, 6}});
    line->setGeometry(polyline);
    auto lineSymbol = std::make_shared<SimpleLineSymbol>();
    lineSymbol->setStyle(SimpleLineStyle::Dash);
    line->setSymbol(lineSymbol);
    line->setLocked(true);
    group->addElement(line);
    auto area = std::make_shared<PolygonElement>();
    auto polygon = std::make_shared<Polygon>();
    polygon->addRing({{0, 0}, {10, 0}, {10, 10}, {0, 0}});
    area->setGeometry(polygon);
    auto areaFill = std::make_shared<SimpleFillSymbol>();
    areaFill->setStyle(SimpleFillStyle::Cross);
    areaFill->setOutline(shared ? lineSymbol : std::make_shared<SimpleLineSymbol>());
    area->setSymbol(areaFill);
    group->addElement(area);
    auto dot = std::make_shared<MarkerElement>();
    auto dotSymbol = std::make_shared<SimpleMarkerSymbol>();
    dotSymbol->setOutline(true);
    dotSymbol->setOutlineColor(RgbColor(0xFF0000));
    dotSymbol->setOutlineSize(2.25);
    dotSymbol->setStyle(SimpleMarkerStyle::Square);
    dot->setSymbol(dotSymbol);
    dot->setGeometry(std::make_shared<Point>());
    auto inner = std::make_shared<GroupElement>();
    inner->addElement(dot);
    group->addElement(inner);
    Json j = writeObject(group, c);
    if (!withIds) {
        std::function<void(Json&)> strip = [&](Json& x) {
            if (x.is_object()) x.erase("$id");
            if (x.is_structured())
                for (auto& item : x) strip(item);
        };
        strip(j);
    }
    return j.dump();
}

// The text of `j` with every object's members in reverse order.
std::string reversed(const Json& j) {
    if (j.is_object()) {
        std::vector<std::string> parts;
        for (auto it = j.begin(); it != j.end(); ++it) parts.push_back(Json(it.key()).dump() + ":" + reversed(it.value()));
        std::reverse(parts.begin(), parts.end());
        std::string out = "{";
        for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? "," : "") + parts[i];
        return out + "}";
    }
    if (j.is_array()) {
        std::string out = "[";
        for (std::size_t i = 0; i < j.size(); ++i) out += (i ? ", " : " ") + reversed(j[i]);
        return out + " ]";
    }
    return j.dump();
}

}  // namespace

TEST(ElementLineReader, ReadsEveryChartClassAsTheGenericReaderDoes) {
    // With ids, without them (single owners), members in reverse order and spaced out.
    EXPECT_TRUE(same(chartLine(true)));
    EXPECT_FALSE(same(chartLine(true, true)));  // symbols shared inside the line: generic
    const std::string noIds = chartLine(false);
    EXPECT_TRUE(same(noIds));
    EXPECT_TRUE(same(reversed(Json::parse(noIds))));
    EXPECT_TRUE(same(" \n" + reversed(Json::parse(noIds)) + "\t\r\n"));
    // Lines as the document writer writes them after the first chart: shared symbols by reference.
    EXPECT_TRUE(same(R"({"$class":"GroupElement","$id":23,"elements":[{"$class":"MarkerElement","$id":24,"custom":["o",{"$class":"PropertySet","$id":25,"properties":[["LayerName",["s","points"]],["#Vmin#",["d",0]],["a",["d",2.9797219438070344]]]}],"geometry":{"$class":"Point","xy":[11977.362429608282,42192.181968527046]},"name":"2","symbol":{"$class":"BarChartSymbol","$id":26,"background":{"$class":"LineCallout","$id":27,"anchor":[8693.883262941616,42192.181968527046],"gap":3,"leaderColor":{"rgb":0},"leaderWidth":0.5,"tolerance":36.93321675673539},"color":{"rgb":0},"display3D":false,"maxValue":99.9999898659522,"showAxes":false,"size":45,"spacing":0,"symbols":[{"$ref":912},{"$ref":912}],"thickness":0,"values":[2.9797219438070344,21.863797480360336],"verticalBars":true,"width":10}},{"$class":"TextElement","$id":28,"geometry":{"$class":"Point","xy":[10178.195762941616,42433.42773085048]},"symbol":{"$ref":920},"text":"3.0"}]})"));
}

TEST(ElementLineReader, AbsentAndNullMembersTakeTheGenericDefaults) {
    EXPECT_TRUE(same(R"({"$class":"TextElement"})"));
    EXPECT_TRUE(same(R"({"$class":"TextElement","name":null,"text":null,"geometry":null,"symbol":null,"custom":null,"locked":null,"scaleText":null})"));
    EXPECT_TRUE(same(R"({"$class":"TextElement","symbol":{"$class":"TextSymbol","font":{}}})"));
    EXPECT_TRUE(same(R"({"$class":"TextElement","symbol":{"$class":"TextSymbol","font":{"name":null,"size":null},"color":null,"angle":7,"hAlign":3,"vAlign":0}})"));
    EXPECT_TRUE(same(R"({"$class":"MarkerElement","symbol":{"$class":"BarChartSymbol","values":[],"symbols":[],"background":null,"color":{"transparency":300}}})"));
    EXPECT_TRUE(same(R"({"$class":"MarkerElement","symbol":{"$class":"SimpleMarkerSymbol"},"geometry":{"$class":"Point","empty":true}})"));
    EXPECT_TRUE(same(R"({"$class":"PolygonElement","symbol":{"$class":"SimpleFillSymbol","outline":null},"geometry":{"$class":"Polygon","rings":[]}})"));
    EXPECT_TRUE(same(R"({"$class":"LineElement","symbol":{"$class":"SimpleLineSymbol"},"geometry":{"$class":"Polyline","paths":[[]]}})"));
    EXPECT_TRUE(same(R"({"$class":"GroupElement","elements":[]})"));
    EXPECT_TRUE(same(R"({"$class":"MarkerElement","custom":["e"]})"));
    EXPECT_TRUE(same(R"({"$class":"MarkerElement","custom":["o",null]})"));
    // Members the generic reader requires: refused the generic way.
    EXPECT_NE(refused(R"({"$class":"GroupElement"})").find("lacks \"elements\""), std::string::npos);
    EXPECT_NE(refused(R"({"$class":"TextElement","symbol":{"$class":"TextSymbol"}})").find("lacks \"font\""), std::string::npos);
    refused(R"({"$class":"MarkerElement","symbol":{"$class":"BarChartSymbol","symbols":[]}})");
}

TEST(ElementLineReader, ReferencesOnlyToEarlierLinesAndIdsOnlyOnce) {
    // Backward to earlier lines: read directly, typed as the member requires.
    EXPECT_TRUE(same(R"({"$class":"TextElement","symbol":{"$ref":920}})"));
    EXPECT_TRUE(same(R"({"$class":"GroupElement","elements":[{"$ref":907}]})"));
    EXPECT_NE(refused(R"({"$class":"TextElement","symbol":{"$ref":912}})").find("does not fit there"), std::string::npos);
    // Unknown, forward and into the line itself: the generic path decides (by its own order).
    EXPECT_NE(refused(R"({"$class":"TextElement","symbol":{"$ref":99}})").find("points at nothing (99)"), std::string::npos);
    EXPECT_FALSE(same(R"({"$class":"GroupElement","elements":[{"$class":"TextElement","symbol":{"$class":"TextSymbol","$id":50,"font":{}}},{"$class":"TextElement","symbol":{"$ref":50}}]})"));
    EXPECT_NE(refused(R"({"$class":"GroupElement","$id":60,"elements":[{"$ref":60}]})").find("reference cycle"), std::string::npos);
    refused(R"({"$class":"GroupElement","elements":[{"$class":"TextElement","symbol":{"$ref":51}},{"$class":"TextElement","symbol":{"$class":"TextSymbol","$id":51,"font":{}}}]})");
    EXPECT_NE(refused(R"({"$class":"TextElement","symbol":{"$ref":"20"}})").find("whole number"), std::string::npos);
    // Ids: taken once, neither twice in a line nor again after an earlier line.
    EXPECT_TRUE(same(R"({"$class":"TextElement","$id":70,"geometry":{"$class":"Point","$id":71,"xy":[1,2]}})"));
    EXPECT_NE(refused(R"({"$class":"TextElement","$id":70,"geometry":{"$class":"Point","$id":70,"xy":[1,2]}})").find("two objects carry the id 70"),
              std::string::npos);
    EXPECT_NE(refused(R"({"$class":"TextElement","$id":920})").find("two objects carry the id 920"), std::string::npos);
    refused(R"({"$class":"TextElement","$id":1.5})");
    // A line that is a reference to an earlier element.
    EXPECT_TRUE(same(R"({"$ref":907})"));
    EXPECT_FALSE(same(R"({"$ref":912})"));
}

TEST(ElementLineReader, NumbersAndTextsAreExactlyTheJsonParsers) {
    for (const char* number : {"1e-300", "-0.0", "-0", "0", "5e-324", "2.2250738585072014e-308", "1.7976931348623157e308", "0.1",
                               "123456789012345678", "18446744073709551615", "-9223372036854775808", "1E5", "1.5e+3", "12345.678e-2",
                               "\"NaN\"", "\"Infinity\"", "\"-Infinity\"", "3.0000000000000000000000001"})
        same(std::string(R"({"$class":"TextElement","geometry":{"$class":"Point","xy":[)") + number + "," + number + "]}}");
    EXPECT_TRUE(same(R"({"$class":"TextElement","geometry":{"$class":"Point","xy":[1e-300,-0.0]}})"));
    for (const char* bad : {"01", "+1", ".5", "1.", "1e", "-", "1e400", "NaN", "\"nan\"", "0x10", "1,5"})
        refused(std::string(R"({"$class":"TextElement","geometry":{"$class":"Point","xy":[)") + bad + ",0]}}");
    // Whole numbers where they are required, in range.
    EXPECT_TRUE(same(R"({"$class":"LineElement","symbol":{"$class":"SimpleLineSymbol","style":5,"color":{"rgb":16777215,"transparency":-4}}})"));
    refused(R"({"$class":"LineElement","symbol":{"$class":"SimpleLineSymbol","style":6}})");
    refused(R"({"$class":"LineElement","symbol":{"$class":"SimpleLineSymbol","style":1.0}})");
    refused(R"({"$class":"LineElement","symbol":{"$class":"SimpleLineSymbol","color":{"rgb":16777216}}})");
    refused(R"({"$class":"MarkerElement","custom":["i2",32768]})");
    refused(R"({"$class":"MarkerElement","custom":["t",1e9]})");
    EXPECT_TRUE(same(R"({"$class":"MarkerElement","custom":["i4",-2147483648]})"));
    // Texts: escapes, surrogate pairs, other scripts; broken ones refused by the parser.
    EXPECT_TRUE(same(R"({"$class":"TextElement","text":"a\"b\\c\/d\b\f\n\r\t\u00e9\u0000\ud83d\ude00 Города"})"));
    EXPECT_TRUE(same("{\"$class\":\"TextElement\",\"text\":\"\xF0\x9F\x98\x80\xE2\x82\xAC\x7F\"}"));
    for (const char* bad : {R"("\ud800")", R"("\udc00")", R"("\ud800\u0041")", R"("\x")", R"("\u12")", "\"\xC0\xAF\"", "\"\xED\xA0\x80\"",
                            "\"\xF4\x90\x80\x80\"", "\"\xE2\x82\"", "\"a\nb\"", "\"abc"})
        refused(std::string(R"({"$class":"TextElement","text":)") + bad + "}");
}

TEST(ElementLineReader, LeavesEveryLimitAndFaultToTheGenericPath) {
    const std::string line = chartLine(false);
    // Lists and objects over the limits.
    PersistLimits shortLists;
    shortLists.maxArrayItems = 2;
    EXPECT_NE(refused(line, shortLists).find("too long"), std::string::npos);
    PersistLimits fewObjects;
    fewObjects.maxObjects = 5;
    EXPECT_NE(refused(line, fewObjects).find("holds more than 5 objects"), std::string::npos);
    // A long list within the limit.
    std::string values;
    for (int i = 0; i < 20000; ++i) values += (i ? "," : "") + std::to_string(i * 0.25);
    EXPECT_TRUE(same(R"({"$class":"MarkerElement","symbol":{"$class":"BarChartSymbol","symbols":[],"values":[)" + values + "]}}"));
    // Classes and members it does not know, duplicates, wrong types: the generic reader decides.
    EXPECT_FALSE(same(R"({"$class":"TextElement","note":1})"));
    EXPECT_FALSE(same(R"({"$class":"TextElement","text":"a","text":"b"})"));
    EXPECT_FALSE(same(R"({"text":"a","$class":"TextElement","$class":"LineElement"})"));
    EXPECT_FALSE(same(R"({"$class":"TextElement","text":"a","$class":"LineElement"})"));
    EXPECT_FALSE(same(R"({"$class":"TextElement","geometry":{"$class":"Point","$class":"Point","xy":[1,2]}})"));
    EXPECT_FALSE(same(R"({"$class":"MarkerElement","geometry":{"$class":"Multipoint","points":[[1,2]]}})"));
    EXPECT_NE(refused(R"({"$class":"Nothing"})").find("unknown object class"), std::string::npos);
    EXPECT_NE(refused(R"({"$class":"TextElement","geometry":{"$class":"TextSymbol","font":{}}})").find("does not fit there"), std::string::npos);
    EXPECT_NE(refused(R"({"$class":"TextSymbol","font":{}})").find("does not fit there"), std::string::npos);
    refused(R"({"$class":"TextElement","locked":1})");
    refused(R"({"$class":"TextElement","text":5})");
    refused(R"({"$class":"GroupElement","elements":[null]})");
    refused(R"({"$class":"MarkerElement","custom":["d"]})");
    refused(R"({"$class":"MarkerElement","custom":["x",1]})");
    // Class given after the other members: found all the same.
    EXPECT_TRUE(same(R"({"text":"a","geometry":{"xy":[1,2],"$class":"Point"},"$class":"TextElement"})"));
    // Every cut of a line is malformed, and never half-read.
    for (std::size_t n = 0; n < line.size(); ++n) refused(line.substr(0, n));
    EXPECT_FALSE(same(line + "x"));
    EXPECT_FALSE(same(line + line));
}

TEST(ElementLineReader, RandomlyDamagedLinesReadAsTheGenericReaderReadsThem) {
    // A small deterministic fuzz (the libFuzzer target does this at length).
    const std::string base = chartLine(false);
    std::mt19937 random(42);
    const std::string alphabet = "{}[]\":,0123456789.-eE\\u \"$ntrfabcxyzNI";
    int taken = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string line = base;
        const int edits = 1 + static_cast<int>(random() % 3);
        for (int k = 0; k < edits; ++k) {
            const std::size_t at = random() % line.size();
            switch (random() % 3) {
            case 0: line[at] = alphabet[random() % alphabet.size()]; break;
            case 1: line.erase(at, 1 + random() % 8); break;
            default: line.insert(at, 1, alphabet[random() % alphabet.size()]); break;
            }
        }
        taken += same(line) ? 1 : 0;
    }
    EXPECT_GT(taken, 30);  // many edits land in numbers and texts and still read
}

TEST(ElementLineReader, DocumentsReadTheSameWithAndWithoutIt) {
    auto doc = std::make_shared<MxDocument>();
    auto layer = doc->focusMap()->basicGraphicsLayer()->addLayer("charts", nullptr);
    auto font = std::make_shared<TextSymbol>();
    for (int i = 0; i < 50; ++i) {
        auto label = std::make_shared<TextElement>();
        label->setText("label " + std::to_string(i));
        label->setSymbol(font);
        label->setGeometry(std::make_shared<Point>(i * 0.1, -i / 3.0));
        layer->container().addElement(label);
    }
    const std::string text = mapDocumentToText(*doc, ".");
    const auto readBothWays = [](const std::string& t) {
        std::pair<std::string, std::string> out;
        for (bool on : {true, false}) {
            setDirectElementReading(on);
            std::string& result = on ? out.first : out.second;
            try {
                result = mapDocumentToText(*mapDocumentFromText(t, "m.pmx"), ".");
            } catch (const runtime::Error& e) {
                result = "refused: " + e.description();
            }
        }
        setDirectElementReading(true);
        return out;
    };
    auto [fast, slow] = readBothWays(text);
    EXPECT_EQ(fast, slow);
    EXPECT_EQ(fast, text);
    // Faults in later lines: the same message, naming the file.
    std::string twice = text;
    const std::size_t at = twice.rfind("\"$class\":\"Point\"");
    // The id of the shared font, given once more to the last point.
    const std::size_t fontId = text.find("\"$id\":", text.find("\"$class\":\"TextSymbol\"")) + 6;
    const std::string id = text.substr(fontId, text.find_first_not_of("0123456789", fontId) - fontId);
    twice.insert(at, "\"$id\":" + id + ",");
    std::tie(fast, slow) = readBothWays(twice);
    EXPECT_EQ(fast, slow);
    EXPECT_EQ(fast.rfind("refused: File m.pmx: two objects carry the id " + id, 0), 0u) << fast;
    std::string bad = text;
    bad.replace(bad.rfind("label 49"), 8, "label\x01");
    std::tie(fast, slow) = readBothWays(bad);
    EXPECT_EQ(fast, slow);
    EXPECT_EQ(fast.rfind("refused: File m.pmx: is not valid JSON", 0), 0u) << fast;
}

TEST(ElementLineReader, ReadsTheFuzzSeedsAndFindingsAsTheGenericReaderDoes) {
    int lines = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(PLOTLET_FUZZ_REGRESSIONS) / "element_line")) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        // The fuzz target's earlier objects are ids 1 to 5; these tests' are 907 to 920.
        std::string line = text.str();
        for (const auto& [from, to] : {std::pair<std::string, std::string>{"{\"$ref\":1}", "{\"$ref\":912}"}, {"{\"$ref\":2}", "{\"$ref\":913}"},
                                       {"{\"$ref\":3}", "{\"$ref\":920}"}, {"{\"$ref\":4}", "{\"$ref\":907}"}})
            for (std::size_t at = line.find(from); at != std::string::npos; at = line.find(from, at + to.size())) line.replace(at, from.size(), to);
        // The seeds (*.json) are lines the direct reader takes; findings may be anything.
        const bool taken = same(line);
        if (entry.path().extension() == ".json") {
            EXPECT_TRUE(taken) << entry.path();
        }
        ++lines;
    }
    EXPECT_GE(lines, 3);
}

// Large element lists are parsed on two threads and registered in order: the document read that
// way is the one read line by line, and a fault anywhere is reported as line by line, also where
// a line of the second half refers to an object first written in the first half.
TEST(ElementLineReader, ParallelReadingReadsAsLineByLine) {
    auto doc = std::make_shared<MxDocument>();
    auto layer = doc->focusMap()->basicGraphicsLayer()->addLayer("charts", nullptr);
    auto fill = std::make_shared<SimpleFillSymbol>();
    std::shared_ptr<TextSymbol> font;
    for (int i = 0; i < 400; ++i) {
        if (i == 150) font = std::make_shared<TextSymbol>();  // written in full in the first half
        auto group = std::make_shared<GroupElement>();
        auto chart = std::make_shared<BarChartSymbol>();
        chart->addSymbol(fill);
        chart->setValue(0, i * 0.37);
        auto marker = std::make_shared<MarkerElement>();
        marker->setSymbol(chart);
        marker->setName(std::to_string(i));
        marker->setGeometry(std::make_shared<Point>(i * 1.5, -i / 7.0));
        auto data = std::make_shared<PropertySet>();
        data->setProperty("a", Variant(i * 2.5));
        data->setProperty(i % 50 == 0 ? "c" : "b", Variant("x" + std::to_string(i)));
        marker->setCustomProperty(Variant(runtime::ObjectPtr(data)));
        group->addElement(marker);
        if (font) {
            auto label = std::make_shared<TextElement>();
            label->setText(std::to_string(i));
            label->setSymbol(font);
            label->setGeometry(std::make_shared<Point>(i * 1.5, 3.0));
            group->addElement(label);
        }
        layer->container().addElement(group);
    }
    const std::string text = mapDocumentToText(*doc, ".");
    const auto readThreeWays = [](const std::string& t, const MapDocumentLimits& limits = {}) {
        std::vector<std::string> out;
        for (int way = 0; way < 3; ++way) {
            setDirectElementReading(way != 0);
            setParallelElementReading(way == 2 ? 1 : std::numeric_limits<std::size_t>::max(), 70);
            try {
                out.push_back(mapDocumentToText(*mapDocumentFromText(t, "m.pmx", limits), "."));
            } catch (const runtime::Error& e) {
                out.push_back("refused: " + e.description());
            }
        }
        setDirectElementReading(true);
        setParallelElementReading(20'000);
        return out;
    };
    auto ways = readThreeWays(text);
    EXPECT_EQ(ways[0], text);
    EXPECT_EQ(ways[1], text);
    EXPECT_EQ(ways[2], text);

    // An id given twice, first in one half of a batch and again in the other.
    std::string twice = text;
    const std::size_t late = twice.find("\"name\":\"320\"");
    ASSERT_NE(late, std::string::npos);
    twice.insert(twice.find("\"$class\":\"Point\"", late), "\"$id\":77777,");
    const std::size_t early = twice.find("\"name\":\"280\"");
    twice.insert(twice.find("\"$class\":\"Point\"", early), "\"$id\":77777,");
    ways = readThreeWays(twice);
    EXPECT_EQ(ways[0].rfind("refused: File m.pmx: two objects carry the id 77777", 0), 0u) << ways[0];
    EXPECT_EQ(ways[1], ways[0]);
    EXPECT_EQ(ways[2], ways[0]);

    // Damage in the second half of a batch.
    std::string bad = text;
    bad.replace(bad.find("\"name\":\"390\""), 12, "\"name\":\"39\x01\"");
    ways = readThreeWays(bad);
    EXPECT_EQ(ways[0].rfind("refused: File m.pmx: is not valid JSON", 0), 0u) << ways[0];
    EXPECT_EQ(ways[1], ways[0]);
    EXPECT_EQ(ways[2], ways[0]);

    // The object limit met in the middle of a batch.
    MapDocumentLimits few;
    few.maxObjects = 2000;
    ways = readThreeWays(text, few);
    EXPECT_EQ(ways[0].rfind("refused: File m.pmx: holds more than", 0), 0u) << ways[0];
    EXPECT_EQ(ways[1], ways[0]);
    EXPECT_EQ(ways[2], ways[0]);
}

// Element lists laid out one element per line are taken line by line without a walk; each line
// is checked by its reader. Whatever the layout or the damage, the document reads (or is
// refused, with the same message) as when every list is walked first.
TEST(ElementLineReader, LinesTakenUnwalkedReadAsWalkedOnes) {
    auto doc = std::make_shared<MxDocument>();
    auto basic = doc->focusMap()->basicGraphicsLayer();
    auto layer = basic->addLayer("charts", nullptr);
    basic->addLayer("empty", nullptr);
    auto font = std::make_shared<TextSymbol>();
    for (int i = 0; i < 60; ++i) {
        auto group = std::make_shared<GroupElement>();
        auto label = std::make_shared<TextElement>();
        label->setText(std::to_string(i));
        label->setSymbol(font);
        label->setGeometry(std::make_shared<Point>(i * 1.5, 3.0));
        auto marker = std::make_shared<MarkerElement>();
        marker->setName("m" + std::to_string(i));
        marker->setGeometry(std::make_shared<Point>(i * 1.5, -i / 7.0));
        group->addElement(marker);
        group->addElement(label);
        (i % 3 ? layer : std::static_pointer_cast<GraphicsLayer>(basic))->container().addElement(group);
    }
    const std::string text = mapDocumentToText(*doc, ".");
    // Read with lines taken unwalked and with every list walked, each with the direct reader on
    // and off: the four must agree.
    const auto readEveryWay = [](const std::string& t, const MapDocumentLimits& limits = {}) {
        std::vector<std::string> out;
        for (int way = 0; way < 4; ++way) {
            setLineSplitting(way < 2);
            setDirectElementReading(way % 2 == 0);
            try {
                out.push_back(mapDocumentToText(*mapDocumentFromText(t, "m.pmx", limits), "."));
            } catch (const runtime::Error& e) {
                out.push_back("refused: " + e.description());
            }
        }
        setLineSplitting(true);
        setDirectElementReading(true);
        for (std::size_t way = 1; way < out.size(); ++way) EXPECT_EQ(out[way], out[0]) << "way " << way;
        return out[0];
    };
    // This program's own layout: every line but each list's last taken unwalked, none read again.
    const LineSplittingCounts before = lineSplittingCounts();
    EXPECT_EQ(mapDocumentToText(*mapDocumentFromText(text, "m.pmx"), "."), text);
    EXPECT_EQ(lineSplittingCounts().linesTaken - before.linesTaken, 60u - 2u);
    EXPECT_EQ(lineSplittingCounts().readAgain, before.readAgain);
    EXPECT_EQ(readEveryWay(text), text);

    const std::size_t line = text.find("\n{\"$class\":\"GroupElement\"", text.find("\"name\":\"m20\"")) + 1;
    const std::size_t lineEnd = text.find('\n', line);
    // An element over two lines, the first of which ends as an element's line does.
    std::string split = text;
    split.insert(text.find("},", line) + 2, "\n");
    EXPECT_EQ(readEveryWay(split), text);
    // Two elements on one line; line ends of another system; an element not at a line's start.
    std::string joined = text;
    joined.erase(lineEnd, 1);
    EXPECT_EQ(readEveryWay(joined), text);
    std::string crlf;
    for (char ch : text) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    EXPECT_EQ(readEveryWay(crlf), text);
    std::string indented = text;
    indented.insert(line, " ");
    EXPECT_EQ(readEveryWay(indented), text);

    // Damage the walk finds, in a line that is taken unwalked: refused as before.
    std::string colon = text;
    colon[text.find("\":", line)] = ';';
    EXPECT_EQ(readEveryWay(colon).rfind("refused: File m.pmx:", 0), 0u);
    std::string unbalanced = text;
    unbalanced.insert(lineEnd - 1, "}");
    EXPECT_EQ(readEveryWay(unbalanced).rfind("refused: File m.pmx:", 0), 0u);

    // Lines nested beyond what the direct reader takes, within and beyond what the walk allows.
    const auto nested = [&](int levels) {
        std::string value = R"(["d",1])";
        for (int k = 0; k < levels; ++k) value = R"(["o",{"$class":"PropertySet","properties":[["k",)" + value + "]]}]";
        std::string t = text;
        t.insert(line, R"({"$class":"TextElement","custom":)" + value + R"(,"text":"deep"},)" + "\n");
        return t;
    };
    EXPECT_NE(readEveryWay(nested(40)).find("deep"), std::string::npos);  // 160 deep: read the generic way
    EXPECT_EQ(readEveryWay(nested(70)).rfind("refused: File m.pmx:", 0), 0u);  // 280 deep: beyond the limit
    // Two maps, each with lists of its own: taken unwalked and read once.
    auto twoMaps = std::make_shared<MxDocument>();
    auto second = std::make_shared<Map>();
    twoMaps->setFocusMap(second);
    twoMaps->setFocusMap(twoMaps->maps().front());
    for (const MapPtr& map : twoMaps->maps()) {
        auto charts = map->basicGraphicsLayer()->addLayer("charts", nullptr);
        for (int i = 0; i < 5; ++i) {
            auto marker = std::make_shared<MarkerElement>();
            marker->setName("m" + std::to_string(i));
            marker->setGeometry(std::make_shared<Point>(i, 1));
            (i % 2 ? charts : std::static_pointer_cast<GraphicsLayer>(map->basicGraphicsLayer()))->container().addElement(marker);
        }
    }
    const std::string two = mapDocumentToText(*twoMaps, ".");
    const LineSplittingCounts beforeTwo = lineSplittingCounts();
    EXPECT_EQ(readEveryWay(two), two);
    EXPECT_EQ(lineSplittingCounts().readAgain, beforeTwo.readAgain);
    EXPECT_GT(lineSplittingCounts().linesTaken, beforeTwo.linesTaken);
    // Limits too tight for lines to be taken unwalked: every list walked.
    MapDocumentLimits shallow;
    shallow.maxDepth = 100;
    EXPECT_EQ(readEveryWay(text, shallow), text);
    EXPECT_EQ(readEveryWay(nested(30), shallow).rfind("refused: File m.pmx:", 0), 0u);
}
