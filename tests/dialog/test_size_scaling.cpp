// Size scaling: the start-up values with and without a reference scale, the cascades of a typed
// value, the lock and the spin button, the values taken from the data, and the failures of the
// conversions.
#include "dialog/DialogFixture.h"

#include "engine/ModuleContext.h"
#include "runtime/Settings.h"

using namespace dialogtest;

class SizeScaling : public DialogTest {
protected:
    plotlet::frmPlotlet& openTowns(double referenceScale = 0, double mapScale = 100000) {
        map()->addLayer(makeTowns());
        map()->setMapScale(mapScale);
        map()->setReferenceScale(referenceScale);
        return open();
    }
    // P, Pmm, Smin, Vmin, Vmax as the boxes show them, and the spin button's value.
    struct Boxes {
        std::string p, pmm, smin, vmin, vmax;
        int spin;
        friend bool operator==(const Boxes&, const Boxes&) = default;
        friend std::ostream& operator<<(std::ostream& os, const Boxes& b) {
            return os << "P=" << b.p << " Pmm=" << b.pmm << " Smin=" << b.smin << " Vmin=" << b.vmin << " Vmax=" << b.vmax
                      << " spin=" << b.spin;
        }
    };
    Boxes boxes() const {
        const plotlet::frmPlotlet& d = dialog();
        return {d.TxtChartMarkerSize.text(), d.TxtChartMarkerSizeMM.text(), d.TxtMinValueMM.text(), d.TxtMinValue.text(),
                d.TxtMaxValue.text(), d.SpinBtnChartSize.value()};
    }
    void unlock() { ASSERT_TRUE(user().pressToggle("TglBtnLockMin")); }
};

TEST_F(SizeScaling, StartsWithTheLockOnAndTheSizeOfEightOverAHalf) {
    plotlet::frmPlotlet& d = openTowns();
    EXPECT_EQ(boxes(), (Boxes{"45", "15.9", "1", "0.5", "8", 45}));
    EXPECT_TRUE(d.TglBtnLockMin.value());
    EXPECT_FALSE(d.TxtChartMarkerSize.enabled());
    EXPECT_FALSE(d.SpinBtnChartSize.enabled());
    EXPECT_EQ(d.TglBtnLockMin.picture()->className(), "Picture");
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(SizeScaling, AReferenceScaleOfHalfTheMapScaleDoublesThePoints) {
    openTowns(50000, 100000);
    EXPECT_EQ(boxes(), (Boxes{"91", "16.1", "1", "0.5", "8", 91}));
}

TEST_F(SizeScaling, StartUpFillsTheMillimetresEvenWhenTheSizeEqualsItsDesignValue) {
    // r = 0.9449 gives P = 48, the box's design text; Pmm must still follow the map.
    openTowns(9449, 10000);
    EXPECT_EQ(boxes(), (Boxes{"48", "16", "1", "0.5", "8", 48}));
}

TEST_F(SizeScaling, ATypedValueRecomputesTheSizeWhenTheBoxIsLeft) {
    plotlet::frmPlotlet& d = openTowns();
    ASSERT_TRUE(user().enterText("TxtMaxValue", "16"));
    EXPECT_EQ(d.TxtChartMarkerSize.text(), "45");  // nothing until the box is left
    ASSERT_TRUE(user().pressTab());
    EXPECT_EQ(boxes(), (Boxes{"91", "32.1", "1", "0.5", "16", 91}));

    // A comma and a point read alike.
    ASSERT_TRUE(user().typeText("TxtMaxValue", "8"));
    ASSERT_TRUE(user().typeText("TxtMinValue", "0,25"));
    const Boxes comma = boxes();
    ASSERT_TRUE(user().typeText("TxtMinValue", "0.25"));
    EXPECT_EQ(boxes().p, comma.p);
    EXPECT_EQ(comma.p, "91");

    ASSERT_TRUE(user().typeText("TxtMinValueMM", "2"));
    EXPECT_EQ(boxes(), (Boxes{"181", "63.9", "2", "0.25", "8", 181}));
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(SizeScaling, TheLockSwitchesWhichQuantityFollowsAndChangesNoNumber) {
    plotlet::frmPlotlet& d = openTowns();
    unlock();
    EXPECT_EQ(boxes(), (Boxes{"45", "15.9", "1", "0.5", "8", 45}));
    EXPECT_TRUE(d.TxtChartMarkerSize.enabled());
    EXPECT_TRUE(d.SpinBtnChartSize.enabled());
    const runtime::ObjectPtr unlocked = d.TglBtnLockMin.picture();

    // Lock off: P is typed, Pmm, the spin button and Smin follow.
    ASSERT_TRUE(user().typeText("TxtChartMarkerSize", "90"));
    EXPECT_EQ(boxes(), (Boxes{"90", "31.8", "1.984", "0.5", "8", 90}));
    // The spin button steps P.
    ASSERT_TRUE(user().spinUp("SpinBtnChartSize"));
    EXPECT_EQ(boxes(), (Boxes{"91", "32.1", "2.006", "0.5", "8", 91}));
    // Smin typed: Vmin follows.
    ASSERT_TRUE(user().typeText("TxtMinValueMM", "2"));
    EXPECT_EQ(boxes(), (Boxes{"91", "32.1", "2", "0.4983992386", "8", 91}));
    // Vmax typed: Smin follows.
    ASSERT_TRUE(user().typeText("TxtMaxValue", "10"));
    EXPECT_EQ(boxes(), (Boxes{"91", "32.1", "1.6", "0.4983992386", "10", 91}));

    // Back on: the boxes are disabled, nothing is recomputed.
    ASSERT_TRUE(user().pressToggle("TglBtnLockMin"));
    EXPECT_EQ(boxes(), (Boxes{"91", "32.1", "1.6", "0.4983992386", "10", 91}));
    EXPECT_FALSE(d.TxtChartMarkerSize.enabled());
    EXPECT_FALSE(d.SpinBtnChartSize.enabled());
    EXPECT_NE(d.TglBtnLockMin.picture(), unlocked);
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(SizeScaling, ZeroValuesGiveZeroWithoutAReport) {
    openTowns();
    ASSERT_TRUE(user().typeText("TxtMinValue", "0"));
    // P = 0 is beyond the spin button's bounds: the button keeps its value instead of pushing 1
    // back into the box.
    EXPECT_EQ(boxes(), (Boxes{"0", "0", "1", "0", "8", 45}));

    ASSERT_TRUE(user().typeText("TxtMinValue", "0.5"));
    unlock();
    ASSERT_TRUE(user().typeText("TxtMaxValue", "0"));
    EXPECT_EQ(boxes().smin, "0");
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(SizeScaling, ADivisionByAZeroSizeIsReportedAndGivesZero) {
    openTowns();
    unlock();
    ASSERT_TRUE(user().typeText("TxtChartMarkerSize", "0"));
    EXPECT_TRUE(shell.messages().empty());
    ASSERT_TRUE(user().typeText("TxtMinValueMM", "1"));

    ASSERT_EQ(errorBoxes().size(), 1u);
    const std::string text = errorBoxes()[0].text;  // a copy: the list is a temporary
    EXPECT_NE(text.find("\tCalcMinValueFromMM Line : 1\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\n\t11\r\n"), std::string::npos);
    EXPECT_NE(text.find("Division by zero"), std::string::npos);
    EXPECT_EQ(boxes().vmin, "0");
}

TEST_F(SizeScaling, ABoxThatHoldsNoNumberIsReportedByTheConversion) {
    openTowns();
    ASSERT_TRUE(user().typeText("TxtMaxValue", "many"));
    ASSERT_EQ(errorBoxes().size(), 1u);
    EXPECT_NE(errorBoxes()[0].text.find("\tCalcChartSize Line : 1\r\n"), std::string::npos);
    EXPECT_NE(errorBoxes()[0].text.find("\r\n\t13\r\n"), std::string::npos);
    EXPECT_EQ(boxes().p, "0");
}

TEST_F(SizeScaling, ASizeBeyondTheSpinButtonSkipsOnlyThatStep) {
    openTowns();
    unlock();
    ASSERT_TRUE(user().typeText("TxtChartMarkerSize", "40000"));
    EXPECT_EQ(boxes(), (Boxes{"40000", "14111.1", "881.944", "0.5", "8", 45}));
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(SizeScaling, TheOutlineWidthIsReadIntoTheEngineAndWrittenBack) {
    plotlet::frmPlotlet& d = openTowns();
    ASSERT_TRUE(user().typeText("TxtOutlineWidth", "0,75"));
    EXPECT_EQ(d.TxtOutlineWidth.text(), "0.75");
    EXPECT_DOUBLE_EQ(plotlet::OutlineWidth(), 0.75);
    chart({1});
    auto fill = std::dynamic_pointer_cast<host::FillSymbol>(d.pFieldsSymbolArray->symbol(0));
    EXPECT_DOUBLE_EQ(fill->outline()->width(), 0.75);

    // Not a number, or not a width: both stay as they are, silently.
    ASSERT_TRUE(user().typeText("TxtOutlineWidth", "thin"));
    ASSERT_TRUE(user().typeText("TxtOutlineWidth", "-1"));
    EXPECT_EQ(d.TxtOutlineWidth.text(), "-1");
    EXPECT_DOUBLE_EQ(plotlet::OutlineWidth(), 0.75);

    // Written in the system's number form.
    runtime::DecimalSeparatorScope comma(",");
    ASSERT_TRUE(user().typeText("TxtOutlineWidth", "0.5"));
    EXPECT_EQ(d.TxtOutlineWidth.text(), "0,5");
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(SizeScaling, TheValuesComeFromTheSelectedChartFields) {
    plotlet::frmPlotlet& d = openTowns();
    chart({1, 2, 3});  // POP1990, POP2000, AREA
    selectChartRows({1, 2});

    ASSERT_TRUE(user().click("CmdCalcMax"));
    EXPECT_EQ(d.TxtMaxValue.text(), "120");
    EXPECT_EQ(d.TxtChartMarkerSize.text(), "680");
    ASSERT_TRUE(user().click("CmdCalcMin"));
    EXPECT_EQ(d.TxtMinValue.text(), "-2");
    ASSERT_TRUE(user().typeText("TxtMinValue", "0.5"));

    // Over the layer's selection when "selected" is chosen.
    for (std::int64_t oid : {3, 4}) d.LayerColl.item(1)->selectionSet()->add(oid);
    ASSERT_TRUE(user().click("CmdCalcMax"));  // the button sees the new selection first
    ASSERT_TRUE(user().chooseOption("OpAllObjects", 1));
    ASSERT_TRUE(user().click("CmdCalcMax"));
    EXPECT_EQ(d.TxtMaxValue.text(), "30");
    EXPECT_EQ(d.TxtChartMarkerSize.text(), "170");

    // Lock off: the button recomputes Smin instead.
    unlock();
    ASSERT_TRUE(user().click("CmdCalcMin"));
    EXPECT_EQ(d.TxtMinValue.text(), "3");
    EXPECT_EQ(d.TxtMinValueMM.text(), "5.997");  // 3/30 * 170/72 * 25.4, three decimals

    // No chart field selected: 0.
    selectChartRows({});
    ASSERT_TRUE(user().click("CmdCalcMax"));
    EXPECT_EQ(d.TxtMaxValue.text(), "0");
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(SizeScaling, TheConversionsFollowTheMapsCurrentScale) {
    plotlet::frmPlotlet& d = openTowns(100000, 100000);
    EXPECT_EQ(d.TxtChartMarkerSize.text(), "45");
    map()->setMapScale(200000);  // zoomed out: charts drawn at the reference scale shrink
    ASSERT_TRUE(user().typeText("TxtMaxValue", "8"));
    EXPECT_EQ(d.TxtChartMarkerSize.text(), "91");
    EXPECT_DOUBLE_EQ(d.CalcSizeMM(), 16.1);
}
