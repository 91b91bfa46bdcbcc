#include "fieldtools/FrmRelaFields.h"

#include <utility>

#include "i18n/TranslatePlotlet.h"
#include "runtime/Text.h"

namespace plotlet {

namespace {

constexpr int FormWidth = 640, FormHeight = 400;

std::vector<ui::ControlDesign> relaFieldsTable() {
    using namespace ui;
    return {
        label("LblFields1").at(8, 8, 200, 20).caption("selected fields"),
        listBox("LstFields").at(8, 30, 200, 300).columnCount(1),
        label("LblFields2").at(216, 8, 200, 20).caption("Saved legend fields"),
        listBox("LstFieldsOld").at(216, 30, 200, 300).columnCount(1),
        commandButton("CmdAuto").at(424, 30, 40, 26).caption("A>").tip("AutoRelation"),
        commandButton("CmdFieldRelationON").at(424, 64, 40, 26).caption(">"),
        commandButton("CmdFieldRelationOFF").at(424, 98, 40, 26).caption("<"),
        commandButton("CmdFieldsOffAll").at(424, 132, 40, 26).caption("<<"),
        label("Label3").at(472, 8, 160, 20).caption("Relation"),
        listBox("LstFieldsRel").at(472, 30, 160, 300).columnCount(1),
        commandButton("CmdOK").at(552, 360, 80, 30).caption("OK"),
    };
}

bool namesMatch(const std::string& a, const std::string& b) {
    return runtime::upperCase(FrmRelaFields::SimpleName(a)) == runtime::upperCase(FrmRelaFields::SimpleName(b));
}

int listNumber(const ui::ListBox& list, int row, int column) { return runtime::Variant(list.list(row, column)).toInt32(); }

void fillList(ui::ListBox& list, const LegendFieldList& rows) {
    list.clear();
    for (const LegendField& f : rows) {
        list.addItem(f.name);
        list.setList(list.listCount() - 1, 1, std::to_string(f.index));
    }
}

}  // namespace

FrmRelaFields::FrmRelaFields()
    : Form("FrmRelaFields", "Select fields", FormWidth, FormHeight, relaFieldsTable()),
      LblFields1(label("LblFields1")),
      LblFields2(label("LblFields2")),
      Label3(label("Label3")),
      LstFields(listBox("LstFields")),
      LstFieldsOld(listBox("LstFieldsOld")),
      LstFieldsRel(listBox("LstFieldsRel")),
      CmdAuto(commandButton("CmdAuto")),
      CmdFieldRelationON(commandButton("CmdFieldRelationON")),
      CmdFieldRelationOFF(commandButton("CmdFieldRelationOFF")),
      CmdFieldsOffAll(commandButton("CmdFieldsOffAll")),
      CmdOK(commandButton("CmdOK")) {
    onLoad = [this] { Form_Load(); };
    CmdAuto.onClick = [this] { CmdAuto_Click(); };
    CmdFieldRelationON.onClick = [this] { CmdFieldRelationON_Click(); };
    CmdFieldRelationOFF.onClick = [this] { CmdFieldRelationOFF_Click(); };
    CmdFieldsOffAll.onClick = [this] { CmdFieldsOffAll_Click(); };
    CmdOK.onClick = [this] { CmdOK_Click(); };
}

void FrmRelaFields::fillLists() {
    fillList(LstFields, aFlds);
    fillList(LstFieldsOld, aFldsOld);
}

void FrmRelaFields::Form_Load() {
    fillLists();
    LstFieldsRel.setColumnCount(3);
    TranslatePlotlet::TranslateRelaFields(*this, Language);
}

void FrmRelaFields::PopulateArrays(const LegendFieldList& flds, const LegendFieldList& fldsOld) {
    aFlds = flds;
    aFldsOld = fldsOld;
    if (isLoaded()) fillLists();
    else load();
}

std::string FrmRelaFields::SimpleName(const std::string& fldName) {
    const std::size_t dot = fldName.find('.');
    return dot == std::string::npos ? fldName : fldName.substr(dot + 1);
}

void FrmRelaFields::showPairs() {
    LstFieldsRel.clear();
    for (const FieldPair& p : pairs_) {
        LstFieldsRel.addItem(p.text);
        const int row = LstFieldsRel.listCount() - 1;
        LstFieldsRel.setList(row, 1, std::to_string(p.chartIndex));
        LstFieldsRel.setList(row, 2, std::to_string(p.legendIndex));
    }
}

void FrmRelaFields::addPair(int chartRow, int legendRow) {
    pairs_.push_back({LstFields.list(chartRow, 0) + "<->" + LstFieldsOld.list(legendRow, 0), listNumber(LstFields, chartRow, 1),
                      listNumber(LstFieldsOld, legendRow, 1)});
    showPairs();
}

std::int16_t FrmRelaFields::AutoMapping(bool NewFieldsOrder) {
    std::int16_t count = -1;
    std::vector<int> matched;
    auto tryPair = [&](int i, int j) {
        if (!namesMatch(LstFields.list(i, 0), LstFieldsOld.list(j, 0))) return;
        addPair(i, j);
        matched.push_back(listNumber(LstFields, i, 1));
        ++count;
    };
    if (NewFieldsOrder) {
        for (int i = 0; i < LstFields.listCount(); ++i)
            for (int j = 0; j < LstFieldsOld.listCount(); ++j) tryPair(i, j);
    } else {
        for (int j = 0; j < LstFieldsOld.listCount(); ++j)
            for (int i = 0; i < LstFields.listCount(); ++i) tryPair(i, j);
    }
    for (int index : matched) {
        for (int i = 0; i < LstFields.listCount(); ++i) {
            if (listNumber(LstFields, i, 1) == index) {
                LstFields.removeItem(i);
                break;
            }
        }
    }
    return count;
}

void FrmRelaFields::GetMappingArray(std::vector<FieldPair>& pairs) const {
    if (LstFieldsRel.listCount() == 0) return;
    std::vector<FieldPair> rows;
    for (int r = 0; r < LstFieldsRel.listCount(); ++r)
        rows.push_back({LstFieldsRel.list(r, 0), listNumber(LstFieldsRel, r, 1), listNumber(LstFieldsRel, r, 2)});
    pairs = std::move(rows);
}

bool FrmRelaFields::aSort(runtime::Variant& arr, long RowNum, bool TextComp) {
    long lb = 0, ub = 0;
    if (arr.isArray()) {
        lb = arr.array().lowerBound(1);
        ub = arr.array().upperBound(1);
    }
    if (RowNum > ub || RowNum < lb) {
        ui::msgBox("Номер колонки ( " + std::to_string(RowNum) + " ) < " + std::to_string(lb) + " или " + ">" + std::to_string(ub),
                   ui::mb::OKOnly, "aSort");
        return false;
    }
    runtime::Array& a = arr.array();
    const long first = a.lowerBound(2), last = a.upperBound(2);
    auto key = [&](long j) {
        const runtime::Variant& v = a.at(RowNum, j);
        return TextComp ? runtime::Variant(runtime::upperCase(v.toString())) : v;
    };
    for (long i = first + 1; i <= last; ++i) {
        for (long j = last; j >= i; --j) {
            if (runtime::compareValues(key(j - 1), key(j)) > 0) {
                for (long c = lb; c <= ub; ++c) std::swap(a.at(c, j - 1), a.at(c, j));
            }
        }
    }
    return true;
}

void FrmRelaFields::CmdAuto_Click() { AutoMapping(true); }

void FrmRelaFields::CmdFieldRelationON_Click() {
    const std::vector<int> chart = LstFields.selectedRows();
    if (chart.empty()) return;
    const std::vector<int> legend = LstFieldsOld.selectedRows();
    if (legend.empty()) return;
    addPair(chart.front(), legend.front());
    LstFields.removeItem(chart.front());
}

void FrmRelaFields::CmdFieldRelationOFF_Click() {
    const std::vector<int> selected = LstFieldsRel.selectedRows();
    if (selected.empty()) return;
    const int k = selected.front();
    const int chartIndex = listNumber(LstFieldsRel, k, 1);
    for (const LegendField& f : aFlds) {
        if (f.index != chartIndex) continue;
        LstFields.addItem(f.name);
        LstFields.setList(LstFields.listCount() - 1, 1, std::to_string(f.index));
        break;
    }
    runtime::Variant rows = LstFields.columnArray();
    if (aSort(rows, 1, true)) LstFields.setColumnArray(rows);
    LstFieldsRel.removeItem(k);
    pairs_.erase(pairs_.begin() + k);
}

void FrmRelaFields::CmdFieldsOffAll_Click() {
    fillLists();
    LstFieldsRel.clear();
    pairs_.clear();
}

void FrmRelaFields::CmdOK_Click() { hide(); }

}  // namespace plotlet
