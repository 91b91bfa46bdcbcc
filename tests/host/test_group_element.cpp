#include <gtest/gtest.h>

#include <vector>

#include "host/Element.h"
#include "host/GraphicsContainer.h"

using namespace host;

namespace {

std::shared_ptr<MarkerElement> markerAt(double x, double y) {
    auto e = std::make_shared<MarkerElement>();
    e->setGeometry(std::make_shared<Point>(x, y));
    return e;
}

Envelope extentOf(const GroupElement& g) {
    const GeometryPtr& geometry = g.geometry();
    return geometry ? geometry->envelope() : Envelope();
}

void expectExtent(const GroupElement& g, double x0, double y0, double x1, double y1) {
    const Envelope e = extentOf(g);
    ASSERT_FALSE(e.isEmpty());
    EXPECT_DOUBLE_EQ(e.xMin(), x0);
    EXPECT_DOUBLE_EQ(e.yMin(), y0);
    EXPECT_DOUBLE_EQ(e.xMax(), x1);
    EXPECT_DOUBLE_EQ(e.yMax(), y1);
}

std::vector<const Element*> walk(const GroupElement& g) {
    std::vector<const Element*> seen;
    g.forEachMember([&](const Element& m) { seen.push_back(&m); });
    return seen;
}

}  // namespace

// The extent is kept between calls, yet follows every way the members can change: through the
// group, through the container, and behind the group's back.
TEST(GroupElement, ExtentFollowsEveryChangeOfItsMembers) {
    auto a = markerAt(0, 0), b = markerAt(10, 5);
    auto g = std::make_shared<GroupElement>();
    g->addElement(a);
    g->addElement(b);
    expectExtent(*g, 0, 0, 10, 5);
    // Asked again unchanged: the same geometry, not a new one per call.
    const Geometry* first = g->geometry().get();
    EXPECT_EQ(g->geometry().get(), first);

    g->move(1, 2);
    expectExtent(*g, 1, 2, 11, 7);

    // A member moved on its own, and one given a new geometry.
    a->move(-1, -2);
    expectExtent(*g, 0, 0, 11, 7);
    b->setGeometry(std::make_shared<Point>(20, 30));
    expectExtent(*g, 0, 0, 20, 30);
    // The point itself moved in place.
    b->geometry()->move(5, 0);
    expectExtent(*g, 0, 0, 25, 30);

    // A geometry handed out earlier keeps what it said (a caller may hold it).
    const GeometryPtr held = g->geometry();
    a->move(100, 100);
    expectExtent(*g, 25, 30, 100, 100);
    EXPECT_DOUBLE_EQ(held->envelope().xMin(), 0);

    // Members added and deleted; the container's update of a moved group.
    auto c = markerAt(-50, -50);
    g->addElement(c);
    expectExtent(*g, -50, -50, 100, 100);
    EXPECT_TRUE(g->deleteElement(c.get()));
    expectExtent(*g, 25, 30, 100, 100);
    GraphicsContainer container;
    container.addElement(g);
    g->move(-25, -30);
    container.updateElement(g.get());
    expectExtent(*g, 0, 0, 75, 70);
    g->clearElements();
    EXPECT_TRUE(extentOf(*g).isEmpty());
}

// Groups of plain distinct members are walked directly; a member held twice, a member group
// or a shared member deep down still go through the general walk, each element once.
TEST(GroupElement, WalksEachMemberOnceHoweverTheGroupChanges) {
    auto a = markerAt(0, 0), b = markerAt(1, 1), c = markerAt(2, 2);
    GroupElement g;
    g.addElement(a);
    g.addElement(b);
    EXPECT_TRUE(g.flat());
    EXPECT_EQ(walk(g), (std::vector<const Element*>{a.get(), b.get()}));

    g.addElement(a);  // the same member twice
    EXPECT_FALSE(g.flat());
    EXPECT_EQ(walk(g), (std::vector<const Element*>{a.get(), b.get()}));
    EXPECT_TRUE(g.deleteElement(a.get()));  // the first of the two goes
    EXPECT_TRUE(g.flat());
    EXPECT_EQ(walk(g), (std::vector<const Element*>{b.get(), a.get()}));

    auto inner = std::make_shared<GroupElement>();
    inner->addElement(c);
    inner->addElement(b);
    g.addElement(inner);
    EXPECT_FALSE(g.flat());
    EXPECT_EQ(walk(g), (std::vector<const Element*>{b.get(), a.get(), inner.get(), c.get()}));
    expectExtent(g, 0, 0, 2, 2);  // through the member group to its members
    g.move(1, 0);                 // b, held twice, moves once
    EXPECT_DOUBLE_EQ(b->geometry()->envelope().xMin(), 2);
    EXPECT_DOUBLE_EQ(c->geometry()->envelope().xMin(), 3);

    EXPECT_TRUE(g.deleteElement(inner.get()));
    EXPECT_TRUE(g.flat());
    g.clearElements();
    EXPECT_TRUE(g.flat());
    EXPECT_TRUE(walk(g).empty());
}
