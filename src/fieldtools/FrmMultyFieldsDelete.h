#pragma once
// FrmMultyFieldsDelete: the modal dialog that deletes several attribute fields of a layer at
// once. The opener sets pFClass and the layer's name in LblLayerName and shows it modally; the
// dialog lists every field of the class (the identifier and the shape too, so the user sees
// the whole table) and deletes the selected ones in one change of the data source.
//
// Deleting is all or nothing: a selection holding a required field (the identifier or the
// shape) is refused with a message and deletes nothing, and a data source that refuses the
// change keeps every field. The dialog is made for each opening.
#include <string>
#include <vector>

#include "host/FeatureClass.h"
#include "ui/Forms.h"

namespace plotlet {

class FrmMultyFieldsDelete final : public ui::Form {
public:
    FrmMultyFieldsDelete();

    // The feature class whose fields are listed and deleted; set before showing.
    host::FeatureClassPtr pFClass;
    // The opener's language ("Русский", anything else English); set before showing.
    std::string Language = "English";

    ui::ListBox& LstFields;  // multi-select, the field names in field order
    ui::Label& LblLayerName;
    ui::CommandButton& CmdDel;
    ui::CommandButton& CmdCancel;

    void Form_Load();
    void CmdDel_Click();
    void CmdCancel_Click();

    // The form's own messages in `language` ("Русский" or anything else for English):
    // 1 the required fields refused (followed by their names), 2 the end of that message.
    static std::string Message(int number, const std::string& language);
};

}  // namespace plotlet
