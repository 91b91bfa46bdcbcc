#include "ui/LayoutCheck.h"

#include <map>

#include "ui/Control.h"
#include "ui/Form.h"

namespace ui {

namespace {

bool isDrawn(ControlKind kind) {
    return kind != ControlKind::ImageList && kind != ControlKind::CommonDialog && kind != ControlKind::Menu;
}

bool overlap(const Rect& a, const Rect& b) {
    return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

std::string rectText(const Rect& r) {
    // Appended piece by piece: GCC 12 warns falsely about "(" + std::to_string(...).
    std::string text(1, '(');
    text.append(std::to_string(r.left)).append(", ").append(std::to_string(r.top)).append(", ");
    text.append(std::to_string(r.width)).append(" x ").append(std::to_string(r.height)).append(")");
    return text;
}

}  // namespace

std::vector<LayoutIssue> checkLayout(const std::vector<ControlDesign>& table, int formWidth, int formHeight) {
    std::vector<LayoutIssue> issues;
    std::map<std::string, const ControlDesign*> containers;
    for (const ControlDesign& row : table)
        if (row.index < 0) containers[property::upperName(row.name)] = &row;

    std::vector<const ControlDesign*> drawn;
    for (const ControlDesign& row : table)
        if (isDrawn(row.kind)) drawn.push_back(&row);

    for (const ControlDesign* row : drawn) {
        Rect area{0, 0, formWidth, formHeight};
        std::string where = "the form";
        if (!row->container.empty()) {
            const auto found = containers.find(property::upperName(row->container));
            if (found == containers.end()) {
                issues.push_back({LayoutIssue::Kind::OutsideContainer, row->displayName(), row->container,
                                  row->displayName() + " lies in '" + row->container + "', which the form does not have"});
                continue;
            }
            const Rect& c = found->second->rect;
            const int top = found->second->kind == ControlKind::TabControl ? tabStripHeight : 0;
            area = {0, top, c.width, c.height - top};
            where = found->second->kind == ControlKind::TabControl
                        ? row->container + " page " + std::to_string(row->tabPage)
                        : row->container;
        }
        const Rect& r = row->rect;
        if (r.left < area.left || r.top < area.top || r.right() > area.right() || r.bottom() > area.bottom())
            issues.push_back({LayoutIssue::Kind::OutsideContainer, row->displayName(), row->container,
                              row->displayName() + " " + rectText(r) + " is not inside " + where + " " + rectText(area)});
    }

    for (std::size_t i = 0; i < drawn.size(); ++i) {
        for (std::size_t j = i + 1; j < drawn.size(); ++j) {
            const ControlDesign& a = *drawn[i];
            const ControlDesign& b = *drawn[j];
            if (property::upperName(a.container) != property::upperName(b.container) || a.tabPage != b.tabPage) continue;
            if (!overlap(a.rect, b.rect)) continue;
            issues.push_back({LayoutIssue::Kind::Overlap, a.displayName(), b.displayName(),
                              a.displayName() + " " + rectText(a.rect) + " overlaps " + b.displayName() + " " +
                                  rectText(b.rect)});
        }
    }
    return issues;
}

std::vector<LayoutIssue> checkLayout(const Form& form) { return checkLayout(form.table(), form.width(), form.height()); }

std::string layoutReport(const std::vector<LayoutIssue>& issues) {
    std::string out;
    for (const LayoutIssue& issue : issues) out += issue.message + "\n";
    return out;
}

}  // namespace ui
