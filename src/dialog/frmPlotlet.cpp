// frmPlotlet: construction and wiring, the dialog model (start-up, hide, unload, the layer and
// key lists, the selection check, the graphics-layer list) and the language switch. Size
// scaling is in frmPlotletScale.cpp, the chart field list and its symbols in
// frmPlotletFields.cpp, create and placement in frmPlotletCreate.cpp.
#include "dialog/frmPlotlet.h"
#include "dialog/PlacementOptions.h"

#include <cmath>

#include "resources/ModuleIdentity.h"
#include "dialog/frmPlotletDesign.h"
#include "engine/ChartData.h"
#include "engine/DocumentPaths.h"
#include "engine/Layers.h"
#include "engine/ModuleContext.h"
#include "errors/ErrorHandling.h"
#include "graphics_io/FrmOpenSaveGraphLayer.h"
#include "i18n/TranslatePlotlet.h"
#include "preview/basDrawSymbol.h"
#include "preview/basMakeSymbols.h"
#include "render/DeviceContext.h"
#include "runtime/Error.h"
#include "runtime/NumberText.h"
#include "runtime/Text.h"

namespace plotlet {

namespace EH = ErrorHandling;

namespace {

// The image list's first image, which no command removes: row k's preview is image k + 1.
constexpr const char* PlaceholderKey = "dummy";

EH::ProcedureGuard dialogGuard(std::string_view procedure) {
    return EH::ProcedureGuard{{.procedure = procedure}, 0, EH::ModeDialog};
}

}  // namespace

frmPlotlet::frmPlotlet()
    : Form("frmPlotlet", design::FormCaption, design::FormWidth, design::FormHeight, design::frmPlotletTable()),
      SSTab(tabControl("SSTab")),
      CmbLayers(comboBox("CmbLayers")),
      CmdRefreshLayers(commandButton("CmdRefreshLayers")),
      CmbKey(comboBox("CmbKey")),
      LstFields(listBox("LstFields")),
      LstViewFields(listView("LstViewFields")),
      CmdFieldsTo(commandButton("CmdFieldsTo")),
      CmdFieldsBack(commandButton("CmdFieldsBack")),
      CmdFieldsBackAll(commandButton("CmdFieldsBackAll")),
      CmdRandomStyles(commandButton("CmdRandomStyles")),
      CmdCancel(commandButton("CmdCancel")),
      TxtMaxValue(textBox("TxtMaxValue")),
      TxtMinValue(textBox("TxtMinValue")),
      TxtMinValueMM(textBox("TxtMinValueMM")),
      TxtChartMarkerSize(textBox("TxtChartMarkerSize")),
      TxtChartMarkerSizeMM(textBox("TxtChartMarkerSizeMM")),
      SpinBtnChartSize(spinButton("SpinBtnChartSize")),
      TglBtnLockMin(toggleButton("TglBtnLockMin")),
      CmdCalcMax(commandButton("CmdCalcMax")),
      CmdCalcMin(commandButton("CmdCalcMin")),
      TxtChartWidth(textBox("TxtChartWidth")),
      TxtOutlineWidth(textBox("TxtOutlineWidth")),
      TxtNullValue(textBox("TxtNullValue")),
      FrameChartPosition(frame("FrameChartPosition")),
      CmbOldChartLayer(comboBox("CmbOldChartLayer")),
      TxtLabelDistance(textBox("TxtLabelDistance")),
      ChkShowLeader(checkBox("ChkShowLeader")),
      ChkLabelDiagramm(checkBox("ChkLabelDiagramm")),
      TxtMinLabelValue(textBox("TxtMinLabelValue")),
      TxtSignNumber(textBox("TxtSignNumber")),
      TxtFontName(textBox("TxtFontName")),
      TxtFontSize(textBox("TxtFontSize")),
      CmdFont(commandButton("CmdFont")),
      ChkLoadLegend(checkBox("ChkLoadLegend")),
      TxtLegendFile(textBox("TxtLegendFile")),
      CmdLegendFileName(commandButton("CmdLegendFileName")),
      CmdLoadLegend(commandButton("CmdLoadLegend")),
      ChkAutoMapping(checkBox("ChkAutoMapping")),
      ChkSkipPropPage(checkBox("ChkSkipPropPage")),
      ChkSaveLyrFile(checkBox("ChkSaveLyrFile")),
      CmdSaveLegend(commandButton("CmdSaveLegend")),
      CmdIdentityGraphics(commandButton("CmdIdentityGraphics")),
      CmdRemoveLabels(commandButton("CmdRemoveLabels")),
      CmdLoadParam(commandButton("CmdLoadParam")),
      CmdSaveParam(commandButton("CmdSaveParam")),
      CmdLoadGraphicsLayerFromFile(commandButton("CmdLoadGraphicsLayerFromFile")),
      CmdSaveGraphicsLayerToFile(commandButton("CmdSaveGraphicsLayerToFile")),
      CmdMultyFieldsDelete(commandButton("CmdMultyFieldsDelete")),
      CmbLanguage(comboBox("CmbLanguage")),
      CmdMailTo(commandButton("CmdMailTo")),
      TxtMailBody(textBox("TxtMailBody")),
      ImageList1(imageList("ImageList1")),
      CommonDialog1(commonDialog("CommonDialog1")),
      mnuChangeSymbol(menu("mnuChangeSymbol")),
      mnuAllElements(menu("mnuAllElements")),
      mnuSelectedElements(menu("mnuSelectedElements")),
      hDC_(std::make_unique<render::DeviceContext>()) {
    // Messages are readable before the first load (the layer change at start-up reads one).
    FillMessageList();

    onLoad = [this] { Form_Load(); };
    onUnload = [this] { Form_Unload(); };

    // Dialog model.
    CmdCancel.onClick = [this] { CmdCancel_Click(); };
    CmbLayers.onChange = [this] { CmbLayers_Change(); };
    CmbLayers.onClick = [this] { ChekSelectedOnLayer(); };
    CmbLayers.onGotFocus = [this] { ChekSelectedOnLayer(); };
    CmdRefreshLayers.onClick = [this] { CmdRefreshLayers_Click(); };
    for (ui::Control* option : OpAllObjects().members()) option->onGotFocus = [this] { OpAllObjects_GotFocus(); };
    CmbLanguage.onClick = [this] { CmbLanguage_Click(); };

    // Size scaling.
    SpinBtnChartSize.onChange = [this] { SpinBtnChartSize_Change(); };
    TxtChartMarkerSize.onChange = [this] { TxtChartMarkerSize_Change(); };
    TglBtnLockMin.onClick = [this] { TglBtnLockMin_Click(); };
    TxtMaxValue.onLostFocus = [this] { TxtMaxValue_LostFocus(); };
    TxtMinValue.onLostFocus = [this] { TxtMinValue_LostFocus(); };
    TxtMinValueMM.onLostFocus = [this] { TxtMinValueMM_LostFocus(); };
    TxtOutlineWidth.onLostFocus = [this] { TxtOutlineWidth_LostFocus(); };
    CmdCalcMax.onClick = [this] { CmdCalcMax_Click(); };
    CmdCalcMin.onClick = [this] { CmdCalcMin_Click(); };

    // Colours, font, mail.
    CmdRandomStyles.onClick = [this] { CmdRandomStyles_Click(); };
    CmdFont.onClick = [this] { CmdFont_Click(); };
    CmdMailTo.onClick = [this] { CmdMailTo_Click(); };

    // Chart field list.
    CmdFieldsTo.onClick = [this] { CmdFieldsTo_Click(); };
    LstFields.onDblClick = [this] { LstFields_DblClick(); };
    CmdFieldsBack.onClick = [this] { CmdFieldsBack_Click(); };
    CmdFieldsBackAll.onClick = [this] { CmdFieldsBackAll_Click(); };
    CmdUpDown().onClick([this](int index) { CmdUpDown_Click(index); });
    LstViewFields.onDblClick = [this] { LstViewFields_DblClick(); };
    LstViewFields.onColumnClick = [this](ui::ColumnHeader& header) { LstViewFields_ColumnClick(header); };
    LstViewFields.onMouseUp = [this](int button, int shift, float x, float y) { LstViewFields_MouseUp(button, shift, x, y); };

    // Symbol menu, labels, field delete.
    mnuAllElements.onClick = [this] { mnuAllElements_Click(); };
    mnuSelectedElements.onClick = [this] { mnuSelectedElements_Click(); };
    CmdRemoveLabels.onClick = [this] { CmdRemoveLabels_Click(); };
    CmdMultyFieldsDelete.onClick = [this] { CmdMultyFieldsDelete_Click(); };

    // Create and placement.
    CmdOK().onClick([this](int) { CmdOK_Click(); });
    OpCreateDiagr().onClick([this](int index) { OpCreateDiagr_Click(index); });
    OpChartPosition().onClick([this](int index) { OpChartPosition_Click(index); });

    wireLegendCommands();
    // Parameter and graphics files.
    wireFileCommands();
}

frmPlotlet::~frmPlotlet() = default;

std::string_view frmPlotlet::FormLoadLabel() { return thisModule().startupFailureLabel; }

// --- messages -------------------------------------------------------------------------------

const std::string& frmPlotlet::Msg(int number) const {
    if (number < 1 || number > MessageCount) runtime::raise(runtime::err::SubscriptOutOfRange);
    return messages_[static_cast<std::size_t>(number - 1)];
}

void frmPlotlet::FillMessageList() {
    for (int n = 1; n <= MessageCount; ++n)
        messages_[static_cast<std::size_t>(n - 1)] = TranslatePlotlet::MainFormMessage(n, language_);
}

// --- start-up, hide, unload -----------------------------------------------------------------

void frmPlotlet::Form_Load() {
    EH::trapped(dialogGuard(FormLoadLabel()), [this](EH::ProcedureGuard& guard) {
        // The placeholder is the image list's design content: it comes back with every load.
        if (ImageList1.indexOfKey(PlaceholderKey) == 0) ImageList1.add(PlaceholderKey, previewPicture(nullptr));

        guard.line = 1;
        SetEngineContext(pMap, pMxDoc, m_pApp);

        guard.line = 2;
        pFieldsSymbolArray = std::make_shared<host::BarChartSymbol>();

        guard.line = 3;
        LayerColl = GetMapLayers(true);
        CmbLayers.clear();
        for (const host::FeatureLayerPtr& layer : LayerColl) CmbLayers.addItem(layer->name());

        guard.line = 4;
        if (LayerColl.count() >= 1) {
            CmbLayers.setListIndex(0);  // fills the key and field lists
            PopulateGraphLayers(CmbLayers.text());
        }

        guard.line = 5;
        SSTab.setTab(0);

        guard.line = 6;
        setOutlineWidth(runtime::parseDecimal(TxtOutlineWidth.text()));

        guard.line = 7;
        initDir = GetDocumentPath(true);

        guard.line = 8;
        // The box offers exactly its two languages; any Language but "Русский" chooses English
        // (a text the list does not hold must not stop the start-up).
        const int row = CmbLanguage.findRow(TranslatePlotlet::IsRussian(language_) ? TranslatePlotlet::Russian
                                                                                   : TranslatePlotlet::English);
        if (CmbLanguage.listIndex() == row) CmbLanguage_Click();
        else CmbLanguage.setListIndex(row);

        guard.line = 9;
        if (TglBtnLockMin.value()) TglBtnLockMin_Click();
        else TglBtnLockMin.setValue(true);

        guard.line = 10;
        TxtMaxValue.setText("8");
        TxtMinValue.setText("0.5");
        TxtMinValueMM.setText("1");

        guard.line = 11;
        const std::string size = runtime::numberText(CalcChartSize(), ".");
        // The box's change handling fills the size in millimetres and the spin button; it must
        // run even when the design text happens to equal the computed one.
        if (TxtChartMarkerSize.text() == size) TxtChartMarkerSize_Change();
        else TxtChartMarkerSize.setText(size);
    });
}

void frmPlotlet::CmdCancel_Click() {
    // Hidden, the dialog keeps its settings and fields but lets go of the host's objects; the
    // command hands them over again with the next click.
    m_pApp.reset();
    pMxDoc.reset();
    pMap.reset();
    hide();
}

void frmPlotlet::Form_Unload() {
    // The graphics file dialog works on this dialog's document: it goes with it.
    ReleaseGraphLayerDialog();
    m_pApp.reset();
    pMxDoc.reset();
    pMap.reset();
    ClearEngineContext();
    pFieldsSymbolArray.reset();
    pLegendSymbolArray.reset();
    legendFieldList.clear();
    fieldMapping.clear();
    LayerColl.clear();
    LayerGraphColl.clear();
}

// --- layers ---------------------------------------------------------------------------------

void frmPlotlet::CmbLayers_Change() {
    EH::trapped(dialogGuard("CmbLayers_Change "), [this](EH::ProcedureGuard& guard) {
        guard.line = 1;
        const int row = CmbLayers.listIndex();
        if (row < 0 || static_cast<std::size_t>(row) + 1 > LayerColl.count()) return;

        guard.line = 2;
        const host::FeatureLayerPtr& layer = LayerColl.item(static_cast<std::size_t>(row) + 1);
        const host::FeatureClassPtr& featureClass = layer->featureClass();
        if (!featureClass) runtime::raise(runtime::err::ObjectNotSet);

        guard.line = 3;
        LstFields.clear();
        detachImages();
        LstViewFields.clearItems();
        if (pFieldsSymbolArray) pFieldsSymbolArray->clearSymbols();
        ClearFieldImages();
        attachImages();

        guard.line = 4;
        CmbKey.clear();
        for (const host::Field& field : featureClass->fields()) {
            const int type = static_cast<int>(field.type);
            if (type < 0 || type > static_cast<int>(host::FieldType::OID)) continue;
            CmbKey.addItem(field.name);
            if (field.type == host::FieldType::OID) CmbKey.setListIndex(CmbKey.listCount() - 1);
        }

        guard.line = 5;
        std::vector<runtime::Variant> cells;
        int rows = 0;
        const std::vector<host::Field>& fields = featureClass->fields();
        for (std::size_t p = 0; p < fields.size(); ++p) {
            if (!host::isNumeric(fields[p].type) && fields[p].type != host::FieldType::OID) continue;
            cells.emplace_back(fields[p].name);
            cells.emplace_back(std::to_string(p));
            ++rows;
        }
        if (rows > 0) {
            LstFields.setListArray(runtime::Array::fromItems({0, 0}, {rows - 1, 1}, std::move(cells)));
            LstFields.setSelected(0, true);
        }

        guard.line = 6;
        ChekSelectedOnLayer();

        guard.line = 7;
        // The new layer's own chart layer is never an old chart layer to offer.
        PopulateGraphLayers(CmbLayers.text());
    });
}

void frmPlotlet::ClearFieldImages() {
    while (ImageList1.count() >= 2) {
        int found = 0;
        for (int i = 1; i <= ImageList1.count() && found == 0; ++i)
            if (ImageList1.item(i).key != PlaceholderKey) found = i;
        if (found == 0) break;
        ImageList1.remove(found);
    }
}

void frmPlotlet::CmdRefreshLayers_Click() {
    const std::string remembered = CmbLayers.text();
    LayerColl = GetMapLayers(true);
    CmbLayers.clear();
    int noted = -1;
    for (const host::FeatureLayerPtr& layer : LayerColl) {
        CmbLayers.addItem(layer->name());
        if (layer->name() == remembered) noted = CmbLayers.listCount() - 1;
    }
    if (LayerColl.count() > 0) CmbLayers.setListIndex(noted > 0 ? noted : 0);
    PopulateGraphLayers(CmbLayers.text());
}

void frmPlotlet::PopulateGraphLayers(const std::string& currFLayerName) {
    EH::trapped(dialogGuard("PopulateGraphLayers "), [&](EH::ProcedureGuard& guard) {
        guard.line = 1;
        LayerGraphColl = GetGraphicLayers();
        CmbOldChartLayer.clear();
        guard.line = 2;
        const std::string chartLayer = runtime::upperCase(currFLayerName + "_charts");
        for (const host::GraphicsLayerPtr& layer : LayerGraphColl)
            if (runtime::upperCase(layer->name()) != chartLayer) CmbOldChartLayer.addItem(layer->name());
        guard.line = 3;
        if (CmbOldChartLayer.listCount() > 0) CmbOldChartLayer.setListIndex(0);
    });
}

// --- selection ------------------------------------------------------------------------------

void frmPlotlet::ChekSelectedOnLayer() {
    const int row = CmbLayers.listIndex();
    if (row < 0 || static_cast<std::size_t>(row) + 1 > LayerColl.count()) return;
    const std::int32_t n = SelectedObjects(LayerColl.item(static_cast<std::size_t>(row) + 1));
    auto& selected = OpAllObjects().itemAs<ui::OptionButton>(1);
    if (n < 1) {
        OpAllObjects().itemAs<ui::OptionButton>(0).setValue(true);
        selected.setEnabled(false);
        selected.setCaption(Msg(34));
    } else {
        selected.setEnabled(true);
        selected.setCaption(Msg(34) + " (" + std::to_string(n) + ")");
    }
}

std::int32_t frmPlotlet::SelectedObjects(const host::FeatureLayerPtr& pLayer) const {
    if (!pLayer) runtime::raise(runtime::err::ObjectNotSet);
    return static_cast<std::int32_t>(pLayer->selectionCount());
}

void frmPlotlet::OpAllObjects_GotFocus() { ChekSelectedOnLayer(); }

// --- language -------------------------------------------------------------------------------

void frmPlotlet::CmbLanguage_Click() {
    language_ = CmbLanguage.text();
    TranslatePlotlet::TranslateMainForm(*this, language_);
    FillMessageList();
    LoadMessagesFor(language_);
    // The translation writes the design captions; the selected count and the placement name
    // the dialog adds to them come back in the new language.
    ChekSelectedOnLayer();
    const ui::ControlArray positions = OpChartPosition();
    for (int i = 0; i <= OverOldChartsIndex; ++i)
        if (positions.contains(i) && positions.itemAs<ui::OptionButton>(i).value()) OpChartPosition_Click(i);
}

// --- helpers shared by the parts ------------------------------------------------------------

void frmPlotlet::loadEngineMessages() const {
    // The language box, not Language(): a click of the command hands the dialog a language
    // without showing it, and the engine speaks as the dialog's texts do.
    LoadMessagesFor(CmbLanguage.text());
}

runtime::ObjectPtr frmPlotlet::previewPicture(const host::SymbolPtr& symbol) const {
    render::BitmapHandle bitmap;
    return basDrawSymbol::CreatePictureFromSymbol(hDC_.get(), bitmap, symbol, ImageList1.imageWidth(),
                                                  ImageList1.imageHeight(), 0);
}

void frmPlotlet::setOutlineWidth(double points) {
    if (!(points >= 0) || !std::isfinite(points)) runtime::raise(380);
    SetOutlineWidth(points);
}

host::SymbolPtr frmPlotlet::newFieldSymbol() const { return basMakeSymbols::MakeFillSymbol(-1, 0); }

void frmPlotlet::detachImages() {
    LstViewFields.setIcons(nullptr);
    LstViewFields.setSmallIcons(nullptr);
}

void frmPlotlet::attachImages() {
    LstViewFields.setIcons(&ImageList1);
    LstViewFields.setSmallIcons(&ImageList1);
}

void frmPlotlet::rebindRowIcons() {
    for (int k = 1; k <= LstViewFields.itemCount(); ++k) {
        ui::ListItem& row = LstViewFields.item(k);
        const std::string key = row.subItem(5);
        row.setIcon(key);
        row.setSmallIcon(key);
    }
}

}  // namespace plotlet
