// Colours and symbols for new chart fields.
#include <gtest/gtest.h>

#include <set>

#include "engine/ModuleContext.h"
#include "preview/basMakeSymbols.h"
#include "runtime/Settings.h"

namespace {

using namespace plotlet::basMakeSymbols;

class MakeSymbols : public ::testing::Test {
protected:
    void TearDown() override {
        plotlet::SetOutlineWidth(0.5);
        runtime::setRandomSeed(20261208);
    }
};

TEST_F(MakeSymbols, RandomColoursAreNeverBlackAndDifferOneAfterTheOther) {
    std::set<std::uint32_t> seen;
    std::uint32_t previous = 0;
    for (int i = 0; i < 10'000; ++i) {
        const std::uint32_t v = MakeRandomColor()->rgb();
        EXPECT_GE(v, 1u);
        EXPECT_LE(v, 0xFFFFFFu);
        EXPECT_NE(v, previous) << "two fields coloured in a row get different colours";
        previous = v;
        seen.insert(v);
    }
    EXPECT_GT(seen.size(), 9'900u);
}

TEST_F(MakeSymbols, RandomColoursRepeatWithTheRuntimeSeed) {
    runtime::setRandomSeed(5);
    const std::uint32_t a = MakeRandomColor()->rgb(), b = MakeRandomColor()->rgb();
    runtime::setRandomSeed(5);
    EXPECT_EQ(MakeRandomColor()->rgb(), a);
    EXPECT_EQ(MakeRandomColor()->rgb(), b);
}

TEST_F(MakeSymbols, ColoursTheHostRefusesBecomeBlack) {
    EXPECT_EQ(MakeColor(0x123456)->rgb(), 0x123456u);
    EXPECT_EQ(MakeColor(0xFFFFFF)->rgb(), 0xFFFFFFu);
    EXPECT_EQ(MakeColor(0x1000000)->rgb(), 0u);
    EXPECT_EQ(MakeColor(-5)->rgb(), 0u);
    EXPECT_EQ(MakeColor(0x1'0000'0001)->rgb(), 0u);
}

TEST_F(MakeSymbols, FillSymbolsTakeTheCurrentOutlineWidth) {
    EXPECT_EQ(plotlet::OutlineWidth(), 0.5);
    auto dialogDefault = MakeFillSymbol(-1, 0);
    EXPECT_EQ(dialogDefault->style(), host::SimpleFillStyle::Solid);
    EXPECT_NE(dialogDefault->color().rgb(), 0u);
    ASSERT_TRUE(dialogDefault->outline());
    EXPECT_EQ(dialogDefault->outline()->color().rgb(), 0u);
    EXPECT_EQ(dialogDefault->outline()->width(), 0.5);
    EXPECT_EQ(std::static_pointer_cast<host::SimpleLineSymbol>(dialogDefault->outline())->style(), host::SimpleLineStyle::Solid);

    plotlet::SetOutlineWidth(1.25);  // the dialog's outline-width box, through the engine
    auto later = MakeFillSymbol(0x00FF00, -1);
    EXPECT_EQ(later->color().rgb(), 0x00FF00u);
    EXPECT_EQ(later->outline()->width(), 1.25);
    EXPECT_EQ(dialogDefault->outline()->width(), 0.5) << "symbols made earlier keep their width";
    EXPECT_EQ(MakeLineSymbol(0x0000FF)->width(), 1.25);
    EXPECT_EQ(MakeLineSymbol(0x0000FF)->color().rgb(), 0x0000FFu);
}

}  // namespace
