#pragma once
// Checks a form's table for layout mistakes, so that each dialog can assert in its tests that
// nothing overlaps and nothing sticks out:
//   - two siblings (same container, same tab page) whose rectangles overlap (touching edges
//     are fine);
//   - a control not wholly inside its container: the form's client area, a frame, or a page of
//     the tab control, whose pages start tabStripHeight pixels below its top edge.
// Image lists, common dialogs and menus are never drawn on the form and are not checked.
// Controls hidden at design time are checked too, since code may show them.
#include <string>
#include <vector>

#include "ui/ControlDesign.h"

namespace ui {

class Form;

struct LayoutIssue {
    enum class Kind { Overlap, OutsideContainer };
    Kind kind;
    std::string control;  // display name, "Name(3)"
    std::string other;    // the overlapping sibling, or the container ("" for the form)
    std::string message;
};

inline constexpr int tabStripHeight = 24;

std::vector<LayoutIssue> checkLayout(const std::vector<ControlDesign>& table, int formWidth, int formHeight);
std::vector<LayoutIssue> checkLayout(const Form& form);

// The issues' messages, one per line ("" when there are none), for test failure output.
std::string layoutReport(const std::vector<LayoutIssue>& issues);

}  // namespace ui
