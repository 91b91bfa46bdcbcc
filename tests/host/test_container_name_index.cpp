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

// The index by name is built on the first lookup: whatever happened before (renames told or
// not yet told, removals, members moved into groups) and after must find what a walk in
// drawing order finds.
TEST(GraphicsContainerNameIndex, ALateIndexAgreesWithAWalk) {
    for (const int firstLookup : {0, 150, 400}) {
        GraphicsContainer c;
        std::vector<std::shared_ptr<MarkerElement>> all;  // in the order added
        std::vector<ElementPtr> top;                     // the container's top level, in order
        std::mt19937 random(static_cast<unsigned>(11 + firstLookup));
        const auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
        auto walk = [&](const std::string& name) -> ElementPtr {
            for (const auto& e : top) {
                if (auto group = std::dynamic_pointer_cast<GroupElement>(e)) {
                    for (const auto& m : group->elements())
                        if (m->name() == name) return e;
                } else if (e->name() == name) {
                    return e;
                }
            }
            return nullptr;
        };
        for (int step = 0; step < 500; ++step) {
            const std::size_t what = pick(10);
            if (what < 5 || top.empty()) {
                all.push_back(named("n" + std::to_string(pick(40))));
                top.push_back(all.back());
                c.addElement(all.back());
            } else if (what < 7) {
                const std::size_t i = pick(top.size());
                c.deleteElement(top[i].get());
                top.erase(top.begin() + static_cast<std::ptrdiff_t>(i));
            } else if (what < 9) {
                const std::size_t i = pick(top.size());
                if (!std::dynamic_pointer_cast<GroupElement>(top[i])) {
                    top[i]->setName("n" + std::to_string(pick(40)));
                    c.updateElement(top[i].get());
                }
            } else {
                const std::size_t i = pick(top.size());
                if (std::dynamic_pointer_cast<GroupElement>(top[i])) continue;
                auto group = std::make_shared<GroupElement>();
                const ElementPtr member = top[i];
                top.erase(top.begin() + static_cast<std::ptrdiff_t>(i));
                c.moveElementIntoGroup(member, group);
                c.addElement(group);
                top.push_back(group);
            }
            if (step >= firstLookup) {
                const std::string name = "n" + std::to_string(pick(40));
                ASSERT_EQ(c.findElementByName(name), walk(name)) << "step " << step << ", " << name;
            }
        }
        for (int k = 0; k < 40; ++k) ASSERT_EQ(c.findElementByName("n" + std::to_string(k)), walk("n" + std::to_string(k)));
    }
}
