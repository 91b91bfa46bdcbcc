#include <gtest/gtest.h>

#include "SampleForm.h"

using namespace ui;

TEST(LayoutCheck, TheSampleFormIsLaidOutCleanly) {
    uitest::SampleForm form;
    const auto issues = checkLayout(form);
    EXPECT_TRUE(issues.empty()) << layoutReport(issues);
}

TEST(LayoutCheck, FindsOverlappingSiblingsAndControlsOutsideTheirContainer) {
    const std::vector<ControlDesign> table = {
        tabControl("SSTab").at(0, 0, 300, 200).pages({"a", "b"}),
        textBox("TxtA").in("SSTab", 0).at(10, 30, 100, 20),
        textBox("TxtB").in("SSTab", 0).at(100, 40, 100, 20),   // overlaps TxtA on the same page
        textBox("TxtC").in("SSTab", 1).at(10, 30, 100, 20),    // same place, other page: fine
        label("LblStrip").in("SSTab", 1).at(10, 5, 50, 15),    // on the tab strip
        frame("Frame1").at(0, 210, 150, 80),
        checkBox("ChkX").in("Frame1").at(100, 10, 60, 18),     // sticks out of the frame
        commandButton("CmdOK").at(150, 210, 80, 24),           // touches Frame1's edge: fine
        commandButton("CmdCancel").at(250, 280, 80, 24),       // below the form
        imageList("ImageList1"),                               // never drawn
        commonDialog("CommonDialog1"),
    };
    const auto issues = checkLayout(table, 320, 300);
    ASSERT_EQ(issues.size(), 4u) << layoutReport(issues);

    EXPECT_EQ(issues[0].kind, LayoutIssue::Kind::OutsideContainer);
    EXPECT_EQ(issues[0].control, "LblStrip");
    EXPECT_EQ(issues[1].control, "ChkX");
    EXPECT_EQ(issues[1].other, "Frame1");
    EXPECT_EQ(issues[1].message, "ChkX (100, 10, 60 x 18) is not inside Frame1 (0, 0, 150 x 80)");
    EXPECT_EQ(issues[2].control, "CmdCancel");
    EXPECT_EQ(issues[3].kind, LayoutIssue::Kind::Overlap);
    EXPECT_EQ(issues[3].control, "TxtA");
    EXPECT_EQ(issues[3].other, "TxtB");
}
