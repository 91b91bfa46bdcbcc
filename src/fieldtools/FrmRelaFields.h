#pragma once
// FrmRelaFields: pairs the chart fields of the main dialog with the fields of a loaded legend,
// automatically by simplified name (case and a table prefix ignored) or pair by pair. It is
// made fresh for every legend load (MapLegendFields) and shown modally until OK.
//
// Lists: LstFields the chart fields not yet paired (name, index), LstFieldsOld every legend
// field (name, index; never shortened: one legend field may serve several chart fields),
// LstFieldsRel the pairs ("chart<->legend", chart index, legend index). While the dialog is
// shown, LstFields holds exactly the chart fields without a pair.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/LegendFiles.h"
#include "runtime/Variant.h"
#include "ui/Forms.h"

namespace plotlet {

// One pair of LstFieldsRel.
struct FieldPair {
    std::string text;  // chart field name + "<->" + legend field name
    int chartIndex = 0;
    int legendIndex = 0;
    friend bool operator==(const FieldPair&, const FieldPair&) = default;
};

class FrmRelaFields final : public ui::Form {
public:
    FrmRelaFields();

    // The chart field array (name, own index) and the legend field list (name, symbol index).
    LegendFieldList aFlds;
    LegendFieldList aFldsOld;
    // The opener's language ("Русский", anything else English), applied when the form loads.
    std::string Language = "English";

    ui::Label& LblFields1;
    ui::Label& LblFields2;
    ui::Label& Label3;
    ui::ListBox& LstFields;
    ui::ListBox& LstFieldsOld;
    ui::ListBox& LstFieldsRel;
    ui::CommandButton& CmdAuto;
    ui::CommandButton& CmdFieldRelationON;
    ui::CommandButton& CmdFieldRelationOFF;
    ui::CommandButton& CmdFieldsOffAll;
    ui::CommandButton& CmdOK;

    // Sets both arrays and loads the form (the lists filled from them).
    void PopulateArrays(const LegendFieldList& flds, const LegendFieldList& fldsOld);
    // Pairs every chart field of LstFields with every legend field of the same simplified name
    // (legend order outside when newFieldsOrder is false, so pairs come in legend order), then
    // takes the paired chart fields out of LstFields. The number of pairs added minus one.
    std::int16_t AutoMapping(bool NewFieldsOrder);
    // The pairs LstFieldsRel shows; `pairs` is left as it was when it shows none.
    void GetMappingArray(std::vector<FieldPair>& pairs) const;
    // Everything after the first "." (Cities.POP1990 gives POP1990, a.b.c gives b.c).
    static std::string SimpleName(const std::string& fldName);
    // Sorts the rows of a (column, row) array by the values in column RowNum, upper-cased text
    // when TextComp; equal values keep their order. A RowNum outside the columns shows its
    // message (title "aSort") and gives false.
    static bool aSort(runtime::Variant& arr, long RowNum, bool TextComp);

    void Form_Load();
    void CmdAuto_Click();
    void CmdFieldRelationON_Click();
    void CmdFieldRelationOFF_Click();
    void CmdFieldsOffAll_Click();
    void CmdOK_Click();

    // The pair list as the pairing commands keep it (empty: unset, or one empty pair).
    const std::vector<FieldPair>& pairs() const { return pairs_; }

private:
    void fillLists();
    void addPair(int chartRow, int legendRow);
    void showPairs();

    std::vector<FieldPair> pairs_;
};

}  // namespace plotlet
