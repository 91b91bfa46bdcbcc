// The spatial index of a graphics container and of a feature class: a view must be given every
// element (row) that draws within it, in drawing order, at any scale, and stay right while
// elements are added, moved, deleted and cleared.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "host/FeatureClass.h"
#include "host/GraphicsContainer.h"

namespace {

using namespace host;

constexpr double kSide = 100'000.0;

struct Scene {
    GraphicsContainer container;
    std::mt19937 random{42};
    std::shared_ptr<SimpleMarkerSymbol> small = std::make_shared<SimpleMarkerSymbol>();
    std::shared_ptr<SimpleMarkerSymbol> big = std::make_shared<SimpleMarkerSymbol>();
    std::shared_ptr<TextSymbol> label = std::make_shared<TextSymbol>();
    std::shared_ptr<SimpleLineSymbol> line = std::make_shared<SimpleLineSymbol>();
    Scene() {
        small->setSize(4);
        big->setSize(40);
        big->setOffset(30, -20);  // drawn well away from its point
        label->setSize(9);
    }
    XY place() {
        std::uniform_real_distribution<double> at(0, kSide);
        return {at(random), at(random)};
    }
    // A chart-like group (marker and a long label beside it), or a lone marker, or a line.
    ElementPtr make(std::size_t i) {
        const XY p = place();
        switch (i % 4) {
        case 0: {
            auto group = std::make_shared<GroupElement>();
            auto m = std::make_shared<MarkerElement>();
            m->setGeometry(std::make_shared<Point>(p));
            m->setSymbol(big);
            auto t = std::make_shared<TextElement>();
            t->setGeometry(std::make_shared<Point>(p.x, p.y + 100));
            t->setText(std::string(1 + i % 40, 'W'));
            t->setSymbol(label);
            group->addElement(m);
            group->addElement(t);
            return group;
        }
        case 1: {
            auto line = std::make_shared<LineElement>();
            Polyline shape;
            shape.addPath({p, {p.x + 3000, p.y - 2000}});
            line->setGeometry(std::make_shared<Polyline>(shape));
            line->setSymbol(this->line);
            return line;
        }
        default: {
            auto m = std::make_shared<MarkerElement>();
            m->setGeometry(std::make_shared<Point>(p));
            m->setSymbol(i % 4 == 2 ? small : big);
            return m;
        }
        }
    }
    void add(std::size_t n) {
        const std::size_t first = container.elementCount();
        for (std::size_t i = 0; i < n; ++i) container.addElement(make(first + i));
    }
};

bool meets(const Envelope& a, const Envelope& b) {
    return !a.isEmpty() && !b.isEmpty() && a.xMin() <= b.xMax() && b.xMin() <= a.xMax() && a.yMin() <= b.yMax() &&
           b.yMin() <= a.yMax();
}

// Every element drawing within `area` is found, and what is found comes in drawing order and
// is a small part of the container for a small view.
void expectFindsWhatDraws(const GraphicsContainer& container, const Envelope& area, const Display& display,
                          const char* step) {
    std::vector<const Element*> found;
    ASSERT_TRUE(container.elementsWithin(area, display, found)) << step;
    std::vector<const Element*> order;
    for (const auto& e : container.elements()) order.push_back(e.get());
    std::size_t at = 0, expected = 0;
    for (const Element* e : found) {
        const auto it = std::find(order.begin() + static_cast<std::ptrdiff_t>(at), order.end(), e);
        ASSERT_NE(it, order.end()) << step << ": not in the container, or out of drawing order";
        at = static_cast<std::size_t>(it - order.begin()) + 1;
    }
    for (const Element* e : order) {
        if (!meets(e->queryBounds(display), area)) continue;
        ++expected;
        EXPECT_NE(std::find(found.begin(), found.end(), e), found.end()) << step << ": an element drawing in the view was missed";
    }
    // Found by boxes that are generous at other scales than the build's, but far from all.
    EXPECT_LT(found.size(), std::max<std::size_t>(expected * 8, 50)) << step;
    EXPECT_LT(found.size(), order.size() / 4) << step;
}

TEST(ElementIndex, FindsEveryElementDrawingInAViewAtAnyScale) {
    Scene scene;
    scene.add(6000);
    const Envelope view(40'000, 40'000, 50'000, 50'000);
    const PlainDisplay built(500'000, 0);
    // The first small view builds the index at its scale; later views at other scales (the
    // drawings reach further or less far) and with a reference scale use it as built.
    expectFindsWhatDraws(scene.container, view, built, "built");
    expectFindsWhatDraws(scene.container, view, PlainDisplay(50'000, 0), "zoomed in");
    expectFindsWhatDraws(scene.container, Envelope(10'000, 60'000, 12'000, 61'000), PlainDisplay(5'000'000, 0), "zoomed out");
    expectFindsWhatDraws(scene.container, view, PlainDisplay(2'000'000, 250'000), "reference scale");
}

TEST(ElementIndex, StaysRightAsElementsComeMoveAndGo) {
    Scene scene;
    scene.add(5000);
    const PlainDisplay display(500'000, 0);
    const Envelope view(20'000, 20'000, 35'000, 35'000);
    expectFindsWhatDraws(scene.container, view, display, "built");

    // Moved into the view and told so, as the plug-in and the desktop do.
    std::vector<ElementPtr> all = scene.container.elementsSnapshot();
    for (std::size_t i = 0; i < 300; ++i) {
        const ElementPtr& e = all[i * 7];
        const Envelope before = e->geometry()->envelope();
        e->move(27'000 - before.xMin(), 27'000 - before.yMin());
        scene.container.updateElement(e.get());
    }
    expectFindsWhatDraws(scene.container, view, display, "moved in");
    for (std::size_t i = 0; i < 300; ++i) {
        const ElementPtr& e = all[i * 7];
        e->move(-20'000, 50'000);
        scene.container.updateElement(e.get());
    }
    expectFindsWhatDraws(scene.container, view, display, "moved out");

    // Deleted ones are never handed out (they may be gone from memory).
    for (std::size_t i = 0; i < 2000; ++i) scene.container.deleteElement(all[i].get());
    all.clear();
    expectFindsWhatDraws(scene.container, view, display, "deleted");

    // Added after the build: found at once, and after enough of them the index is rebuilt.
    scene.add(1000);
    expectFindsWhatDraws(scene.container, view, display, "a few added");
    scene.add(9000);
    expectFindsWhatDraws(scene.container, view, display, "many added");

    scene.container.deleteAllElements();
    std::vector<const Element*> found;
    EXPECT_TRUE(scene.container.elementsWithin(view, display, found));
    EXPECT_TRUE(found.empty());
    scene.add(3000);
    expectFindsWhatDraws(scene.container, view, display, "after clearing");
}

TEST(ElementIndex, ABroadViewOfAnUnindexedContainerWalksEverything) {
    Scene scene;
    scene.add(5000);
    const PlainDisplay display(500'000, 0);
    std::vector<const Element*> found;
    // Most elements show: cheaper to walk them than to build an index.
    EXPECT_FALSE(scene.container.elementsWithin(Envelope(-1000, -1000, kSide + 1000, kSide + 1000), display, found));
    EXPECT_TRUE(found.empty());
    // A small container is always walked.
    Scene few;
    few.add(100);
    EXPECT_FALSE(few.container.elementsWithin(Envelope(0, 0, 10, 10), display, found));
    // Once built, broad views are answered by the index too.
    EXPECT_TRUE(scene.container.elementsWithin(Envelope(0, 0, 1000, 1000), display, found));
    EXPECT_TRUE(scene.container.elementsWithin(Envelope(-1000, -1000, kSide + 1000, kSide + 1000), display, found));
    EXPECT_EQ(found.size(), 5000u);
}

TEST(FeatureRowIndex, FindsTheRowsUnderAViewAsRowsAreAddedAndMoved) {
    auto fc = makeFeatureClass("Points", GeometryType::Point, std::vector<Field>{{"V", FieldType::Double}});
    std::mt19937 random(3);
    std::uniform_real_distribution<double> at(0, kSide);
    const auto addRows = [&](std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) fc->addFeature(std::make_shared<Point>(at(random), at(random)), {runtime::Variant(1.0)});
    };
    const auto scan = [&](const Envelope& area) {
        std::vector<std::size_t> rows;
        for (std::size_t row = 0; row < fc->featureCount(); ++row) {
            const XY p = fc->pointAt(row);
            if (p.x >= area.xMin() && p.x <= area.xMax() && p.y >= area.yMin() && p.y <= area.yMax()) rows.push_back(row);
        }
        return rows;
    };
    addRows(20'000);
    const Envelope view(30'000, 30'000, 40'000, 42'000);
    std::vector<std::size_t> rows;
    EXPECT_FALSE(fc->rowsWithin(Envelope(0, 0, kSide, kSide), rows));
    ASSERT_TRUE(fc->rowsWithin(view, rows));
    EXPECT_EQ(rows, scan(view));
    addRows(500);  // looked at one by one
    ASSERT_TRUE(fc->rowsWithin(view, rows));
    EXPECT_EQ(rows, scan(view));
    addRows(10'000);  // enough for a rebuild
    ASSERT_TRUE(fc->rowsWithin(view, rows));
    EXPECT_EQ(rows, scan(view));
    // A shape changed through its value moves the row.
    fc->setValue(5, 1, runtime::Variant(std::make_shared<Point>(35'000.0, 35'000.0)));
    ASSERT_TRUE(fc->rowsWithin(view, rows));
    EXPECT_EQ(rows, scan(view));
    EXPECT_NE(std::find(rows.begin(), rows.end(), 5u), rows.end());
}

}  // namespace
