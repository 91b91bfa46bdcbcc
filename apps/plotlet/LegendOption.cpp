#include "plotlet/LegendOption.h"

#include <filesystem>
#include <stdexcept>

#include "runtime/Text.h"
#include "ui/Driver.h"
#include "ui/Form.h"
#include "ui/ListBox.h"
#include "ui/ListView.h"

namespace plotlet::cli {

namespace {

constexpr int NameSubItem = 1;
constexpr int LegendFieldSubItem = 3;

int findRow(const ui::ListBox& list, const std::string& name) {
    for (int r = 0; r < list.listCount(); ++r)
        if (runtime::equalsIgnoreCase(list.list(r, 0), name)) return r;
    return -1;
}

std::string rowNames(const ui::ListBox& list) {
    std::string names;
    for (int r = 0; r < list.listCount(); ++r) names += (r ? ", " : "") + list.list(r, 0);
    return names.empty() ? "none" : names;
}

// What the user does in the mapping dialog: undo an automatic pair of each named chart field,
// pair it by hand, confirm. Problems are collected, not thrown: the dialog must be confirmed.
void pairByHand(ui::Form& form, const std::vector<FieldPairOption>& pairs, std::vector<std::string>& problems) {
    ui::Driver user(form);
    ui::ListBox& chart = form.listBox("LstFields");
    ui::ListBox& legend = form.listBox("LstFieldsOld");
    ui::ListBox& related = form.listBox("LstFieldsRel");
    for (const FieldPairOption& p : pairs) {
        const std::string prefix = runtime::upperCase(p.chart + "<->");
        for (int r = related.listCount() - 1; r >= 0; --r) {
            if (!runtime::upperCase(related.list(r, 0)).starts_with(prefix)) continue;
            user.clickListRow("LstFieldsRel", r);
            user.click("CmdFieldRelationOFF");
        }
        const int i = findRow(chart, p.chart);
        const int j = findRow(legend, p.legend);
        if (i < 0) problems.push_back("--pair " + p.chart + "=" + p.legend + ": " + p.chart + " is not a chart field, or is paired twice");
        if (j < 0) problems.push_back("--pair " + p.chart + "=" + p.legend + ": the legend has no field " + p.legend + " (it has " + rowNames(legend) + ")");
        if (i < 0 || j < 0) continue;
        user.clickListRow("LstFields", i);
        user.clickListRow("LstFieldsOld", j);
        user.click("CmdFieldRelationON");
    }
    user.click("CmdOK");
}

}  // namespace

std::vector<FieldPairOption> parseFieldPairs(const std::vector<std::string>& pairs) {
    std::vector<FieldPairOption> parsed;
    for (const std::string& text : pairs) {
        const std::size_t eq = text.find('=');
        const std::string chart = runtime::trim(text.substr(0, eq));
        const std::string legend = eq == std::string::npos ? std::string() : runtime::trim(text.substr(eq + 1));
        if (chart.empty() || legend.empty()) throw std::invalid_argument("--pair " + text + ": write CHART_FIELD=LEGEND_FIELD");
        parsed.push_back({chart, legend});
    }
    return parsed;
}

std::vector<std::string> applyLegend(Context& context, ui::Form& dialog, const std::string& file,
                                     const std::vector<FieldPairOption>& pairs) {
    const std::string path = std::filesystem::absolute(file).string();
    const std::string ending = runtime::lowerCase(std::filesystem::path(path).extension().string());
    if (ending != ".leg" && ending != ".lyr") throw CommandFailure{"--legend " + file + ": a legend is a .leg or a .lyr file", UsageError};
    if (!std::filesystem::is_regular_file(path)) throw CommandFailure{"--legend " + file + ": no such file", InputError};
    ui::Driver user(dialog);
    user.pickTab("SSTab", 2);
    // Without pairs the mapping dialog is needed only when some field stays unpaired; with
    // them it is always shown, so a pair can replace an automatic one.
    if (!user.setChecked("ChkAutoMapping", pairs.empty())) throw CommandFailure{"the dialog did not take the mapping switch", PluginFailed};
    std::vector<std::string> problems;
    if (!pairs.empty()) context.shell->onModal("FrmRelaFields", [&](ui::Form& form) { pairByHand(form, pairs, problems); });

    context.shell->chooseFile(path);
    const std::size_t before = context.shell->transcript().size();
    const bool clicked = user.click("CmdLoadLegend");
    const auto& transcript = context.shell->transcript();
    for (std::size_t i = before; i < transcript.size(); ++i) {
        if (transcript[i].kind == "message")
            throw CommandFailure{"--legend " + file + ": the legend was refused (below); nothing was drawn", InputError};
    }
    if (!clicked) throw CommandFailure{"the dialog could not load the legend", PluginFailed};
    if (!problems.empty()) {
        std::string message = problems.front();
        for (std::size_t k = 1; k < problems.size(); ++k) message += "\n" + problems[k];
        throw CommandFailure{message, InputError};
    }

    std::vector<std::string> unpaired;
    const ui::ListView& fields = dialog.listView("LstViewFields");
    for (int k = 1; k <= fields.itemCount(); ++k) {
        if (fields.item(k).subItem(LegendFieldSubItem).empty()) unpaired.push_back(fields.item(k).subItem(NameSubItem));
    }
    user.pickTab("SSTab", 0);
    return unpaired;
}

}  // namespace plotlet::cli
