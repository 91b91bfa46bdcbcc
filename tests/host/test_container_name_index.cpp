// The graphics container's name index when one name is carried by many elements (every chart
// group carries the empty name of its labels): removals anywhere keep first-match order, and
// re-indexing an element puts it back in its place.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "host/GraphicsContainer.h"

using namespace host;

namespace {

std::shared_ptr<MarkerElement> named(const std::string& name) {
    auto e = std::make_shared<MarkerElement>();
    e->setName(name);
    return e;
}

}  // namespace

TEST(GraphicsContainerNameIndex, FirstMatchSurvivesRemovalsInAnyOrder) {
    GraphicsContainer c;
    c.reserve(2000);
    std::vector<std::shared_ptr<MarkerElement>> all;
    for (int i = 0; i < 2000; ++i) {
        all.push_back(named(i % 3 == 0 ? "K" : ""));
        c.addElement(all.back());
    }
    std::vector<std::size_t> order(all.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::mt19937 random(7);
    std::shuffle(order.begin(), order.end(), random);
    std::vector<bool> gone(all.size(), false);
    auto firstLive = [&](const std::string& name) -> ElementPtr {
        for (std::size_t i = 0; i < all.size(); ++i)
            if (!gone[i] && all[i]->name() == name) return all[i];
        return nullptr;
    };
    for (std::size_t step = 0; step < order.size(); ++step) {
        c.deleteElement(all[order[step]].get());
        gone[order[step]] = true;
        if (step % 97 == 0 || step + 5 > order.size()) {
            ASSERT_EQ(c.findElementByName(""), firstLive("")) << step;
            ASSERT_EQ(c.findElementByName("K"), firstLive("K")) << step;
        }
    }
    EXPECT_EQ(c.elementCount(), 0u);
    EXPECT_EQ(c.findElementByName(""), nullptr);
}

TEST(GraphicsContainerNameIndex, RenamingKeepsTheDrawingOrder) {
    GraphicsContainer c;
    auto a = named("A"), b = named("B"), d = named("A");
    c.addElement(a);
    c.addElement(b);
    c.addElement(d);
    b->setName("A");
    c.updateElement(b.get());  // b now carries A, between a and d
    c.deleteElement(a.get());
    EXPECT_EQ(c.findElementByName("A"), b);
    c.updateElement(b.get());  // nothing changed: still in its place
    EXPECT_EQ(c.findElementByName("A"), b);
    c.deleteElement(b.get());
    EXPECT_EQ(c.findElementByName("A"), d);
    EXPECT_EQ(c.findElementByName("B"), nullptr);
}
