#pragma once
// FrmOpenSaveGraphLayer: writes every element of one graphics layer of the map, with the map's
// scale, reference scale and coordinate system and the layer's reference scale, to a graphics
// file (*.obj), and loads such a file into an existing or a new graphics layer, offering to
// restore the saved map parameters where they differ from the map's.
//
// The form is one instance per plug-in module (GraphLayerDialog()). The main dialog sets pMxDoc,
// WorkMode and Language before each showing; CmdCancel unloads it, which releases pMxDoc.
//
// A graphics file from someone else is read whole and checked before anything changes: a file
// that is not a graphics file, lacks one of its values or is truncated adds no element, creates
// no layer and changes no map parameter.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "host/MxDocument.h"
#include "ui/Forms.h"

namespace plotlet {

class FrmOpenSaveGraphLayer final : public ui::Form {
public:
    FrmOpenSaveGraphLayer();
    ~FrmOpenSaveGraphLayer() override;

    // 1 saves, any other value loads.
    std::int16_t WorkMode = 0;
    host::MxDocumentPtr pMxDoc;
    // The opener's language ("Русский", anything else English), applied when the form loads.
    std::string Language = "English";

    // The names the file holds, in the order loading walks them, and their captions' message
    // numbers (14 to 18).
    static const std::array<const char*, 5> PropertyNames;

    // The form's message list in its language, entries 1 to 28; error 9 outside.
    static constexpr int MessageCount = 28;
    const std::string& Msg(int number) const;
    // Refills the list in Language.
    void FillMessageList();

    ui::Label& LblLayers;
    ui::ListBox& LstGLayers;
    ui::CheckBox& ChkNewGLayer;
    ui::TextBox& TxtNewGLayerName;
    ui::Label& LblFileName;
    ui::TextBox& TxtFileName;
    ui::CommandButton& CmdFileName;
    ui::CommandButton& CmdOK;
    ui::CommandButton& CmdCancel;
    ui::CommonDialog& CmnDialog;

    // Writes the graphics layer named sGLName to the file; bSelected changes nothing (every
    // element is written). False after a reported failure; an existing file then stays as it was.
    bool SaveGraphics(const std::string& sGLName, const std::string& sFileName, bool bSelected);
    // Loads the file into the graphics layer named sToLayer, creating it when the map has none
    // of that name. False when the file was refused (with the form's warning) or a failure was
    // reported; nothing was added then.
    bool LoadGraphics(const std::string& sToLayer, const std::string& sFileName);

    void Form_Load();
    void Form_Unload();
    void ChkNewGLayer_Click();
    void TxtNewGLayerName_LostFocus();
    void CmdFileName_Click();
    void CmdOK_Click();
    void CmdCancel_Click();

private:
    std::array<std::string, MessageCount> messages_{};
};

// The module's single graphics file dialog, created when first asked for.
FrmOpenSaveGraphLayer& GraphLayerDialog();
FrmOpenSaveGraphLayer* ExistingGraphLayerDialog();
// Unloads and destroys it (with the main dialog, when the command goes).
void ReleaseGraphLayerDialog();

}  // namespace plotlet
