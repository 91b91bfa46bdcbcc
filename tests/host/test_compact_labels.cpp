// A chart's labels kept compactly in its group: walked, measured, moved, saved and selected as
// the text elements they stand for.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "host/Display.h"
#include "host/Element.h"
#include "host/ElementText.h"
#include "host/MapDocumentFile.h"
#include "host/MxDocument.h"
#include "host/Persistence.h"
#include "host/Symbol.h"
#include "support/TempFolder.h"

using namespace host;

namespace {

std::shared_ptr<TextElement> label(const std::string& text, double x, double y, TextSymbolPtr symbol) {
    auto t = std::make_shared<TextElement>();
    t->setText(text);
    t->setPoint({x, y});
    t->setSymbol(std::move(symbol));
    return t;
}

std::shared_ptr<TextSymbol> font(double size) {
    auto s = std::make_shared<TextSymbol>();
    s->setFont(FontSpec{"DejaVu Sans", size, false, false, false});
    s->setVerticalAlignment(3);
    return s;
}

std::shared_ptr<LineElement> breakMark(double x, double y) {
    auto line = std::make_shared<Polyline>();
    line->addPath({{x, y}, {x + 2, y + 1}, {x + 4, y}});
    auto e = std::make_shared<LineElement>();
    e->setGeometry(line);
    e->setSymbol(std::make_shared<SimpleLineSymbol>());
    return e;
}

std::shared_ptr<MarkerElement> marker(double x, double y) {
    auto m = std::make_shared<MarkerElement>();
    m->setPoint({x, y});
    m->setSymbol(std::make_shared<SimpleMarkerSymbol>());
    m->setName("chart");
    return m;
}

// What a walk sees of a group: each member's class, text, bounds and place.
std::string seen(const GroupElement& group, const Display& display) {
    std::ostringstream out;
    out.precision(17);
    group.forEachMember([&](const Element& m) {
        const Envelope b = m.queryBounds(display);
        out << m.className() << ' ' << m.name() << ' ' << m.locked() << ' ';
        if (const auto* t = elementAs<TextElement>(m)) out << t->text() << ' ' << t->scaleText() << ' ' << t->symbol().get() << ' ';
        out << b.xMin() << ' ' << b.yMin() << ' ' << b.xMax() << ' ' << b.yMax() << '\n';
    });
    const Envelope e = group.extent(), q = group.queryBounds(display);
    out << e.xMin() << ' ' << e.yMax() << ' ' << q.xMin() << ' ' << q.yMax();
    return out.str();
}

std::string written(const std::vector<ElementPtr>& elements) {
    PersistContext c(PersistPurpose::File);
    WriteLimits limits(c, 256, 10'000'000, 200'000'000, 7);
    std::string text;
    for (const auto& e : elements) {
        appendElementText(text, e, c, limits);
        text += '\n';
    }
    return text;
}

}  // namespace

// Labels of the group's first label symbol, with nothing else set, are kept compactly wherever
// they stand among the other members; the rest stay elements. Every walk, measure and write
// sees the same members in the same order as before, and as after they are made elements again.
TEST(CompactLabels, AreSeenWalkedAndWrittenAsTheElementsTheyStandFor) {
    PlainDisplay display(2000, 0);
    auto small = font(6), large = font(9);
    auto shared = label("shared", 5, 5, small);
    auto other = std::make_shared<GroupElement>();
    other->addElement(shared);

    auto g = std::make_shared<GroupElement>();
    g->addElement(marker(0, 0));
    g->addElement(label("12", 1, 10, small));
    g->addElement(breakMark(1, 8));
    g->addElement(label("9.3", 3, 12, small));
    auto named = label("named", 4, 1, small);
    named->setName("n");
    g->addElement(named);
    auto locked = label("locked", 4, 2, small);
    locked->setLocked(true);
    g->addElement(locked);
    auto unscaled = label("unscaled", 4, 3, small);
    unscaled->setScaleText(false);
    g->addElement(unscaled);
    g->addElement(label("other symbol", 4, 4, large));
    g->addElement(label("sixteen bytes...", 4, 5, small));
    g->addElement(shared);
    g->addElement(label("", 7, 7, small));
    g->addElement(label("123 456 789,012", 8, 1, small));
    named.reset();
    locked.reset();
    unscaled.reset();

    const std::string seenBefore = seen(*g, display);
    const std::string writtenBefore = written({g, other});
    g->compactLabels();
    EXPECT_EQ(g->compactLabelCount(), 4u);  // "12", "9.3", "" and "123 456 789,012" (15 bytes, the most)
    EXPECT_EQ(g->compactLabelSymbol(), small);
    EXPECT_EQ(g->elementCount(), 12u);
    EXPECT_TRUE(g->compactLabelAt(1) && g->compactLabelAt(3) && g->compactLabelAt(10) && g->compactLabelAt(11));
    EXPECT_FALSE(g->compactLabelAt(2) || g->compactLabelAt(9));
    EXPECT_EQ(seen(*g, display), seenBefore);
    EXPECT_EQ(written({g, other}), writtenBefore);

    // Moved with the group; then made elements again, in their places.
    g->move(10, -1);
    const std::string seenMoved = seen(*g, display);
    ASSERT_EQ(g->elements().size(), 12u);
    EXPECT_EQ(g->compactLabelCount(), 0u);
    EXPECT_EQ(seen(*g, display), seenMoved);
    const auto* eleven = elementAs<TextElement>(*g->element(11));
    ASSERT_TRUE(eleven);
    EXPECT_EQ(eleven->text(), "123 456 789,012");
    EXPECT_EQ(static_cast<const Point&>(*eleven->geometry()).xy().x, 18);
    EXPECT_EQ(g->element(9), shared);
    g->move(-10, 1);
    EXPECT_EQ(written({g, other}), writtenBefore);

    // Members of their own leave with the labels after them keeping their places.
    g->compactLabels();
    EXPECT_EQ(g->compactLabelCount(), 4u);
    const auto breakMarkOf = g->ownElements()[1];
    const auto first = g->ownElements()[0];
    EXPECT_TRUE(g->deleteElement(breakMarkOf.get()));
    EXPECT_TRUE(g->deleteElement(first.get()));
    EXPECT_FALSE(g->deleteElement(first.get()));
    std::vector<std::string> texts;
    g->forEachMember([&](const Element& m) {
        const auto* t = elementAs<TextElement>(m);
        texts.push_back(t ? t->text() : m.className());
    });
    EXPECT_EQ(texts, (std::vector<std::string>{"12", "9.3", "named", "locked", "unscaled", "other symbol",
                                               "sixteen bytes...", "shared", "", "123 456 789,012"}));
    EXPECT_TRUE(g->compactLabelAt(0) && g->compactLabelAt(1) && g->compactLabelAt(8) && g->compactLabelAt(9));
    g->addElement(first);
    g->addElement(breakMarkOf);

    // A member taken twice makes the group a tree too; once it is held once again, the group
    // may keep its labels compactly again.
    g->addElement(first);
    EXPECT_EQ(g->compactLabelCount(), 0u);
    EXPECT_FALSE(g->flat());
    EXPECT_TRUE(g->deleteElement(first.get()));
    EXPECT_EQ(g->element(10), breakMarkOf);
    EXPECT_TRUE(g->deleteElement(breakMarkOf.get()));
    g->addElement(breakMarkOf);
    ASSERT_TRUE(g->flat());
    g->compactLabels();
    ASSERT_EQ(g->compactLabelCount(), 4u);

    // A group that takes a group no longer keeps labels compactly: it is walked as a tree.
    g->addElement(other);
    EXPECT_EQ(g->compactLabelCount(), 0u);
    ASSERT_EQ(g->elementCount(), 13u);
    EXPECT_EQ(g->element(10), first);
    EXPECT_EQ(g->element(11), breakMarkOf);
}

// The most members a group keeps labels compactly among: 64. A member of its own at the last
// place leaves; a 65th member makes the labels elements again.
TEST(CompactLabels, FillAGroupToItsLastPlace) {
    auto symbol = font(6);
    auto g = std::make_shared<GroupElement>();
    for (int i = 0; i < 63; ++i) g->addElement(label(std::to_string(i), i, 0, symbol));
    auto last = marker(0, 0);
    g->addElement(last);
    g->compactLabels();
    ASSERT_EQ(g->compactLabelCount(), 63u);
    EXPECT_TRUE(g->compactLabelAt(62));
    EXPECT_FALSE(g->compactLabelAt(63));
    EXPECT_TRUE(g->deleteElement(last.get()));
    EXPECT_EQ(g->elementCount(), 63u);
    g->addElement(last);
    EXPECT_EQ(g->compactLabelCount(), 63u);
    g->addElement(marker(1, 1));
    EXPECT_EQ(g->compactLabelCount(), 0u);
    ASSERT_EQ(g->elementCount(), 65u);
    EXPECT_EQ(elementAs<TextElement>(*g->element(62))->text(), "62");
    EXPECT_EQ(g->element(63), last);
}

// A label's symbol held by the labels alone is numbered as it would be were each label its own
// holder: without an id for one label, with one for two.
TEST(CompactLabels, NumberTheirSymbolAsTheirElementsWould) {
    for (int labels : {1, 2}) {
        auto g = std::make_shared<GroupElement>();
        g->addElement(marker(0, 0));
        auto symbol = font(6);
        for (int i = 0; i < labels; ++i) g->addElement(label(std::to_string(i), i, 1, symbol));
        symbol.reset();
        const std::string before = written({g});
        g->compactLabels();
        ASSERT_EQ(g->compactLabelCount(), static_cast<std::size_t>(labels));
        EXPECT_EQ(written({g}), before) << labels << " labels";
        EXPECT_EQ(before.find("\"TextSymbol\",\"$id\"") != std::string::npos, labels == 2) << before;
    }
}

// A group that holds a chart group twice walks it as a tree: the chart's compact labels are
// seen once and move once.
TEST(CompactLabels, MoveOnceInsideATreeOfGroups) {
    PlainDisplay display(2000, 0);
    auto chart = std::make_shared<GroupElement>();
    chart->addElement(marker(0, 0));
    chart->addElement(label("7", 2, 3, font(6)));
    chart->compactLabels();
    ASSERT_EQ(chart->compactLabelCount(), 1u);
    auto outer = std::make_shared<GroupElement>();
    outer->addElement(chart);
    outer->addElement(chart);
    ASSERT_FALSE(outer->flat());
    int texts = 0;
    outer->visitMembers([&](const Element& m) { texts += isElement<TextElement>(m) && m.isView(); });
    EXPECT_EQ(texts, 1);
    outer->move(5, 5);
    const auto* moved = elementAs<TextElement>(*chart->element(1));
    ASSERT_TRUE(moved);
    EXPECT_EQ(static_cast<const Point&>(*moved->geometry()).xy().x, 7);
    EXPECT_EQ(static_cast<const Point&>(*moved->geometry()).xy().y, 8);
}

// A saved selection names members by their place among all of the group's members. A selected
// label is saved as held twice and read back as an element of its own; one named by a place
// only (a document written elsewhere) becomes one when the selection is read.
TEST(CompactLabels, KeepTheirPlacesInASavedSelection) {
    testing_support::TempFolder folder;
    auto doc = std::make_shared<MxDocument>();
    const MapPtr& map = doc->focusMap();
    auto layer = map->basicGraphicsLayer()->addLayer("charts", nullptr);
    auto symbol = font(6);
    for (int i = 0; i < 3; ++i) {
        auto g = std::make_shared<GroupElement>();
        g->addElement(label("a", i, 1, symbol));
        g->addElement(marker(i, 0));
        g->addElement(label("b", i, 2, symbol));
        g->addElement(breakMark(i, 3));
        g->addElement(label("c", i, 4, symbol));
        g->compactLabels();
        layer->container().addElement(g);
    }
    {
        const auto charts = layer->container().elementsSnapshot();
        const auto& second = static_cast<const GroupElement&>(*charts[1]);
        const auto& third = static_cast<const GroupElement&>(*charts[2]);
        map->selectElement(third.ownElements()[1]);  // the break mark, at place 3
        map->selectElement(second.element(2));       // label "b"
        map->selectElement(third.ownElements()[0]);  // the marker, at place 1
    }
    const std::string path = (folder / "map.pmx").string();
    writeMapDocument(*doc, path);

    const auto check = [&](const std::string& file, std::size_t compactInSecond) {
        auto back = readMapDocument(file);
        const auto& selected = back->focusMap()->selectedElements();
        ASSERT_EQ(selected.size(), 3u);
        EXPECT_TRUE(isElement<LineElement>(*selected[0]));
        const auto* b = elementAs<TextElement>(*selected[1]);
        ASSERT_TRUE(b);
        EXPECT_EQ(b->text(), "b");
        EXPECT_TRUE(isElement<MarkerElement>(*selected[2]));
        const auto read = back->focusMap()->basicGraphicsLayer()->findLayerOrNull("charts")->container().elementsSnapshot();
        ASSERT_EQ(read.size(), 3u);
        const auto& first = static_cast<const GroupElement&>(*read[0]);
        const auto& second = static_cast<const GroupElement&>(*read[1]);
        const auto& third = static_cast<const GroupElement&>(*read[2]);
        EXPECT_EQ(first.compactLabelCount(), 3u);
        EXPECT_EQ(second.compactLabelCount(), compactInSecond);
        EXPECT_EQ(third.compactLabelCount(), 3u);
        EXPECT_EQ(third.ownElements()[1], selected[0]);
        EXPECT_EQ(third.ownElements()[0], selected[2]);
        EXPECT_EQ(second.element(2), selected[1]);
    };
    check(path, 2);

    std::string text;
    {
        std::ifstream in(path);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string marked = "{\"$class\":\"TextElement\",\"$id\":";
    const std::size_t at = text.find(marked);
    ASSERT_NE(at, std::string::npos);
    const std::size_t comma = text.find(',', at + marked.size());
    const std::size_t id = at + marked.size() - std::string("\"$id\":").size();
    text.erase(id, comma + 1 - id);
    const std::string unmarked = (folder / "unmarked.pmx").string();
    std::ofstream(unmarked) << text;
    check(unmarked, 0);
}
