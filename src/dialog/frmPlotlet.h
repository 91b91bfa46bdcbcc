#pragma once
// frmPlotlet: the main dialog. Its controls hold the chart settings that the chart element
// builder reads while it runs; its members hold the host objects the command hands over, the
// layer collections behind the two layer lists and the fill symbols of the chart fields.
//
// The command owns one dialog: it shows it, hides it and shows it again with all its settings,
// and unloads it when it goes. Whatever the dialog runs (the chart engine, the field and
// graphics-file forms, the translations) gets the dialog or its language handed over; nothing
// below the dialog reaches back for it.
//
// The chart field list LstViewFields keeps these invariants after every command:
//   - row k (from 1) has its fill symbol at index k - 1 of pFieldsSymbolArray;
//   - row k's preview lies in ImageList1 under the key in its sub-item 5, which is "key"
//     followed by the field's position (sub-item 2); ImageList1 always keeps the placeholder
//     "dummy" as its first image, so row k's preview is image k + 1;
//   - a field is in exactly one of LstFields and LstViewFields.
//
// Handlers are public so that the later parts of the dialog (and tests) can run them as the
// controls do; the controls are wired to them in the constructor.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/LegendMapping.h"
#include "host/Application.h"
#include "host/Layer.h"
#include "host/PropertySet.h"
#include "host/Symbol.h"
#include "runtime/Collection.h"
#include "runtime/Variant.h"
#include "ui/Forms.h"

namespace render {
class DeviceContext;
}

namespace plotlet {

class frmPlotlet final : public ui::Form {
public:
    frmPlotlet();
    ~frmPlotlet() override;

    // --- members -----------------------------------------------------------------------------
    // Handed over by the command on every click; released by Hide and by unloading.
    host::ApplicationPtr m_pApp;
    host::MxDocumentPtr pMxDoc;
    host::MapPtr pMap;

    // The dialog's language: exactly "Русский" selects Russian, anything else English. Reading
    // it never re-applies the texts: only loading and the language box do.
    const std::string& Language() const { return language_; }
    void setLanguage(std::string language) { language_ = std::move(language); }

    // The point layers offered in CmbLayers (item n is row n - 1) and the graphics layers of the
    // map as PopulateGraphLayers last found them.
    runtime::Collection<host::FeatureLayerPtr> LayerColl;
    runtime::Collection<host::GraphicsLayerPtr> LayerGraphColl;
    // The folder the dialog's file choosers open in.
    std::string initDir;
    // One fill symbol per chart field in chart order; a bare bar chart symbol serves as the
    // symbol array. Created at start-up, released by unloading.
    std::shared_ptr<host::BarChartSymbol> pFieldsSymbolArray;
    // The symbols of the last loaded legend.
    std::shared_ptr<host::BarChartSymbol> pLegendSymbolArray;

    // The dialog's message list in the current language, entries 1 to 37; error 9 outside.
    static constexpr int MessageCount = 37;
    const std::string& Msg(int number) const;
    // Refills the message list in the language of Language().
    void FillMessageList();

    // --- the controls ------------------------------------------------------------------------
    // Page 0 (Main).
    ui::TabControl& SSTab;
    ui::ComboBox& CmbLayers;
    ui::CommandButton& CmdRefreshLayers;
    ui::ComboBox& CmbKey;
    ui::ListBox& LstFields;  // column 0 name, column 1 the field's position as text
    ui::ListView& LstViewFields;
    ui::CommandButton& CmdFieldsTo;
    ui::CommandButton& CmdFieldsBack;
    ui::CommandButton& CmdFieldsBackAll;
    ui::CommandButton& CmdRandomStyles;
    ui::CommandButton& CmdCancel;
    // Page 1 (Chart).
    ui::TextBox& TxtMaxValue;
    ui::TextBox& TxtMinValue;
    ui::TextBox& TxtMinValueMM;
    ui::TextBox& TxtChartMarkerSize;
    ui::TextBox& TxtChartMarkerSizeMM;
    ui::SpinButton& SpinBtnChartSize;
    ui::ToggleButton& TglBtnLockMin;
    ui::CommandButton& CmdCalcMax;
    ui::CommandButton& CmdCalcMin;
    ui::TextBox& TxtChartWidth;
    ui::TextBox& TxtOutlineWidth;
    ui::TextBox& TxtNullValue;
    ui::Frame& FrameChartPosition;
    ui::ComboBox& CmbOldChartLayer;
    ui::TextBox& TxtLabelDistance;
    ui::CheckBox& ChkShowLeader;
    ui::CheckBox& ChkLabelDiagramm;
    ui::TextBox& TxtMinLabelValue;
    ui::TextBox& TxtSignNumber;
    ui::TextBox& TxtFontName;
    ui::TextBox& TxtFontSize;
    ui::CommandButton& CmdFont;
    // Page 2 (Tools).
    ui::CheckBox& ChkLoadLegend;
    ui::TextBox& TxtLegendFile;
    ui::CommandButton& CmdLegendFileName;
    ui::CommandButton& CmdLoadLegend;
    ui::CheckBox& ChkAutoMapping;
    ui::CheckBox& ChkSkipPropPage;
    ui::CheckBox& ChkSaveLyrFile;
    ui::CommandButton& CmdSaveLegend;
    ui::CommandButton& CmdIdentityGraphics;
    ui::CommandButton& CmdRemoveLabels;
    ui::CommandButton& CmdLoadParam;
    ui::CommandButton& CmdSaveParam;
    ui::CommandButton& CmdLoadGraphicsLayerFromFile;
    ui::CommandButton& CmdSaveGraphicsLayerToFile;
    ui::CommandButton& CmdMultyFieldsDelete;
    ui::ComboBox& CmbLanguage;
    ui::CommandButton& CmdMailTo;
    ui::TextBox& TxtMailBody;
    // Never shown on the form.
    ui::ImageList& ImageList1;
    ui::CommonDialog& CommonDialog1;
    ui::Menu& mnuChangeSymbol;
    ui::Menu& mnuAllElements;
    ui::Menu& mnuSelectedElements;
    // Control arrays: CmdOK (0 OK, 1 Recreate), OpCreateDiagr (0 New, 1 Recreate), OpAllObjects
    // (0 all, 1 selected), OpChartPosition (0 to 14, see PlacementName), CmdUpDown (0 up, 1 down).
    ui::ControlArray CmdOK() const { return controlArray("CmdOK"); }
    ui::ControlArray OpCreateDiagr() const { return controlArray("OpCreateDiagr"); }
    ui::ControlArray OpAllObjects() const { return controlArray("OpAllObjects"); }
    ui::ControlArray OpChartPosition() const { return controlArray("OpChartPosition"); }
    ui::ControlArray CmdUpDown() const { return controlArray("CmdUpDown"); }

    // --- dialog model ------------------------------------------------------------------------
    // Brings the "selected" option up to date with the chosen layer's selection; no layer
    // chosen changes nothing.
    void ChekSelectedOnLayer();
    // The number of features in the layer's current selection.
    std::int32_t SelectedObjects(const host::FeatureLayerPtr& pLayer) const;
    // Refills LayerGraphColl and CmbOldChartLayer, leaving out the chart layer of the feature
    // layer named currFLayerName.
    void PopulateGraphLayers(const std::string& currFLayerName);
    // Removes every image of ImageList1 but the placeholder "dummy".
    void ClearFieldImages();

    void Form_Load();
    void Form_Unload();
    void CmdCancel_Click();
    void CmbLayers_Change();
    void CmdRefreshLayers_Click();
    void OpAllObjects_GotFocus();
    void CmbLanguage_Click();

    // --- size scaling ------------------------------------------------------------------------
    // The four conversions between the scale boxes; each reports a failure and yields 0.
    double CalcChartSize();
    double CalcMinMM();
    double CalcSizeMM();
    double CalcMinValueFromMM();
    // Writes the largest (max) or smallest statistic of the selected chart fields into
    // TxtMaxValue or TxtMinValue; 0 when no chart field is selected.
    void CalcMinMaxValue(bool max);

    void SpinBtnChartSize_Change();
    void TxtChartMarkerSize_Change();
    void TglBtnLockMin_Click();
    void TxtMaxValue_LostFocus();
    void TxtMinValue_LostFocus();
    void TxtMinValueMM_LostFocus();
    void TxtOutlineWidth_LostFocus();
    void CmdCalcMax_Click();
    void CmdCalcMin_Click();

    // --- colours, font, mail -----------------------------------------------------------------
    // Gives a new chart field row its random fill symbol, preview image and image key; false
    // after a reported failure.
    bool SetRandomColor(ui::ListItem& row, bool isNew);
    void CmdRandomStyles_Click();
    void CmdFont_Click();
    void CmdMailTo_Click();
    // Where CmdMailTo sends suggestions.
    static constexpr std::string_view FeedbackAddress = "plotlet-feedback@zorvex.example";

    // --- chart field list --------------------------------------------------------------------
    void CmdFieldsTo_Click();
    void LstFields_DblClick();
    void CmdFieldsBack_Click();
    void CmdFieldsBackAll_Click();
    void CmdUpDown_Click(int Index);
    void LstViewFields_DblClick();
    void LstViewFields_ColumnClick(ui::ColumnHeader& columnHeader);
    void LstViewFields_MouseUp(int button, int shift, float x, float y);
    // A copy of the two-dimensional array varItems with its rows sorted (stable bubble sort) on
    // column sortColumn; numbers compare numerically, texts as text. Failures inside leave the
    // rows as far as they got.
    static runtime::Variant Array2Sort(const runtime::Variant& varItems, std::uint8_t sortColumn, bool ascending);

    // --- legends (frmPlotletLegend.cpp) -------------------------------------------------------
    // The last loaded legend's fields and the mapping of the chart fields onto them; both stay
    // until the next load.
    LegendFieldList legendFieldList;
    FieldMappingList fieldMapping;
    // Saves the legend of the one chart selected on the map into a legend file.
    void CmdSaveLegend_Click();
    // Chooses the legend file (TxtLegendFile); a cancel leaves everything as it was.
    void CmdLegendFileName_Click();
    // Ticking ChkLoadLegend with no legend file named asks for one.
    void ChkLoadLegend_Click();
    // Gives each chart field the symbol of its legend field and the legend's order. A legend
    // that cannot be read is reported and changes nothing.
    void CmdLoadLegend_Click();
    // Shows the data attached to each selected chart, one box per chart.
    void CmdIdentityGraphics_Click();

    // --- field symbol menu and chart labels (frmPlotletLabels.cpp) ----------------------------
    // One symbol, chosen in the symbol selector starting from the first row's, for every chart
    // field row (or every selected one) that has a preview key; all of them share the object.
    void mnuAllElements_Click();
    void mnuSelectedElements_Click();
    // Removes the value labels (the text members) of the charts selected on the map, after a
    // question; anything that is not a chart is left as it is.
    void CmdRemoveLabels_Click();

    // --- multi-field delete (frmPlotletFieldDelete.cpp) --------------------------------------
    // Opens FrmMultyFieldsDelete on the chosen layer; after a delete the field lists offer only
    // the fields that are left.
    void CmdMultyFieldsDelete_Click();

    // --- create and placement (defined by the chart engine's side, frmPlotletCreate.cpp) -----
    void CmdOK_Click();
    void OpCreateDiagr_Click(int index);
    void OpChartPosition_Click(int index);
    // The name of a placement index in the current language; "" for 14 and unknown indexes.
    std::string PlacementName(int index) const;

    // --- parameter files and graphics files (frmPlotletParams.cpp) ----------------------------
    // The nineteen controls a parameter file holds, in the order they are written.
    static const std::array<const char*, 19> ParameterNames;
    // A new property set with the values of the nineteen controls; changes nothing.
    host::PropertySetPtr PopulateParameters() const;
    // Applies every property of the set to the control of its name, in the set's order, each
    // value raising the control's change handling. The whole set is checked first: a set that
    // names controls the dialog lacks or holds values their controls cannot take changes no
    // control and is reported ("PopulateControls ").
    void PopulateControls(const host::PropertySetPtr& set);
    // What keeps a set from applying as a whole: names that are no control of the dialog, and
    // "Name = value" for values their control cannot take. Both empty when it applies.
    struct ParameterProblems {
        std::vector<std::string> unknownNames;
        std::vector<std::string> unfitValues;
        bool empty() const { return unknownNames.empty() && unfitValues.empty(); }
    };
    ParameterProblems CheckParameters(const host::PropertySet& set) const;
    void CmdSaveParam_Click();
    void CmdLoadParam_Click();
    // Open the graphics file dialog in its save (1) or load (0) mode for the dialog's document.
    void CmdSaveGraphicsLayerToFile_Click();
    void CmdLoadGraphicsLayerFromFile_Click();

    // The location label Form_Load reports a start-up failure under; it differs between the two
    // plug-in modules ("frmPlotlet_FormLoad" in Plotlet_v8, "Form Plotlet Load" in Plotlet_v9).
    static std::string_view FormLoadLabel();

private:
    // Connects the legend commands to their controls.
    void wireLegendCommands();
    // Attaches the handlers of the parameter-file and graphics-file buttons.
    void wireFileCommands();
    // The text of the box that refuses a parameter file, in the dialog's language.
    std::string parameterRefusal(const std::string& path, const ParameterProblems& problems) const;
    // Applies the layer list after LayerColl was refilled.
    void fillLayerList();
    // The map's scale factor r: reference scale / map scale with a reference scale, else 1.
    double scaleFactor() const;
    // The scale boxes' recomputation after Vmax or Vmin changed, as the lock decides.
    void recomputeAfterValues();
    // Sets the chart engine's message table (one for the module) to this dialog's language
    // before the dialog runs the engine: another dialog may have set it to its own.
    void loadEngineMessages() const;
    // Preview of a fill symbol at the image list's size, gap 0.
    runtime::ObjectPtr previewPicture(const host::SymbolPtr& symbol) const;
    // Hands a width read from TxtOutlineWidth to the chart engine (whose width the field symbols
    // take too); a width below 0 or no number is error 380 and changes nothing.
    static void setOutlineWidth(double points);
    // A random fill with a black outline of the current outline width.
    host::SymbolPtr newFieldSymbol() const;
    // Detaches ImageList1 from the list view's icons and attaches it again.
    void detachImages();
    void attachImages();
    // Sets every row's large and small icon to the key in its sub-item 5.
    void rebindRowIcons();
    // The menu's commands: all rows, or only the selected ones.
    void changeRowSymbols(bool selectedOnly, std::string_view procedure);
    // Fills the field lists of the chosen layer again, keeping the chart fields that still
    // exist with their symbols and order, and the key field when it still exists.
    void refreshLayerFields();
    // Puts LstFields back into the layer's field order.
    void sortAvailableFields();
    void moveFieldsBack(bool all, std::string_view procedure);

    std::string language_;
    std::array<std::string, MessageCount> messages_{};
    // The dialog's device context (a screen's resolution), which previews are made compatible with.
    std::unique_ptr<render::DeviceContext> hDC_;
};

}  // namespace plotlet
