#include "fieldtools/FrmMultyFieldsDelete.h"

#include "errors/ErrorHandling.h"
#include "i18n/TranslatePlotlet.h"
#include "runtime/Error.h"

namespace plotlet {

namespace EH = ErrorHandling;

namespace {

constexpr const char* FormName = "FrmMultyFieldsDelete";

std::vector<ui::ControlDesign> frmMultyFieldsDeleteTable() {
    using namespace ui;
    return {
        label("LblLayerName").at(8, 8, 284, 18).caption("Layer"),
        listBox("LstFields").at(8, 30, 284, 260).multiSelect(ListBox::ExtendedSelect),
        commandButton("CmdDel").at(8, 298, 136, 26).caption("Delete"),
        commandButton("CmdCancel").at(156, 298, 136, 26).caption("Cancel"),
    };
}

bool isRequired(const host::Field& field) {
    return field.type == host::FieldType::OID || field.type == host::FieldType::Geometry;
}

}  // namespace

FrmMultyFieldsDelete::FrmMultyFieldsDelete()
    : Form(FormName, "Multi-Fields Delete", 300, 332, frmMultyFieldsDeleteTable()),
      LstFields(listBox("LstFields")),
      LblLayerName(label("LblLayerName")),
      CmdDel(commandButton("CmdDel")),
      CmdCancel(commandButton("CmdCancel")) {
    onLoad = [this] { Form_Load(); };
    CmdDel.onClick = [this] { CmdDel_Click(); };
    CmdCancel.onClick = [this] { CmdCancel_Click(); };
}

std::string FrmMultyFieldsDelete::Message(int number, const std::string& language) {
    const bool ru = TranslatePlotlet::IsRussian(language);
    switch (number) {
    case 1:
        return ru ? "Обязательные поля слоя удалить нельзя: " : "Required fields of the layer cannot be deleted: ";
    case 2:
        return ru ? ". Ни одно поле не удалено." : ". No field was deleted.";
    default:
        runtime::raise(runtime::err::SubscriptOutOfRange);
    }
}

void FrmMultyFieldsDelete::Form_Load() {
    TranslatePlotlet::TranslateMultyFieldsDelete(*this, Language);
    EH::trapped(EH::ProcedureGuard{{.procedure = "Form_Load ", .module = FormName}}, [this](EH::ProcedureGuard& guard) {
        guard.line = 1;
        runtime::required(pFClass);
        LstFields.clear();
        // Every field, the required ones included: the list shows the table as it is.
        for (const host::Field& field : pFClass->fields()) LstFields.addItem(field.name);
    });
}

void FrmMultyFieldsDelete::CmdDel_Click() {
    EH::ProcedureGuard guard{{.procedure = "CmdDel_Click ", .module = FormName}};
    try {
        guard.line = 1;
        runtime::required(pFClass);
        std::vector<std::string> names;
        std::string required;
        for (int row = 0; row < LstFields.listCount(); ++row) {
            if (!LstFields.selected(row)) continue;
            const std::string name = LstFields.list(row, 0);
            const int index = pFClass->findField(name);
            if (index >= 0 && isRequired(pFClass->field(index))) required += (required.empty() ? "" : ", ") + name;
            names.push_back(name);
        }

        guard.line = 2;
        if (!required.empty()) {
            // The identifier and the shape hold every feature's identity and location: the user
            // is told, and the dialog stays open for another choice.
            ui::msgBox(Message(1, Language) + required + Message(2, Language), ui::mb::OKOnly + ui::mb::Exclamation,
                       caption());
            return;
        }

        guard.line = 3;
        // One change of the data source: every field or none.
        if (!names.empty()) pFClass->deleteFields(names);
    } catch (...) {
        guard.report();
    }
    unload();
}

void FrmMultyFieldsDelete::CmdCancel_Click() { unload(); }

}  // namespace plotlet
