#include "dialog/frmPlotletDesign.h"

#include <algorithm>
#include <string>

#include "dialog/DialogPictures.h"
#include "ui/ListBox.h"

namespace plotlet::design {

namespace {

// Sizes shared by the pages, so rows line up.
constexpr int BoxHeight = 22;
constexpr int ButtonHeight = 26;
constexpr int IconButton = 28;  // square buttons that show a picture instead of a caption

ui::ControlBuilder iconButton(const std::string& name, const char* picture, int index = -1) {
    ui::ControlBuilder b = ui::commandButton(name, index);
    b.picture(TryLoadDialogPicture(picture));
    return b;
}

// The fifteen placement buttons. The compass positions are laid out around the centre button
// as they lie around the marker, with the circle positions on the inner diagonal; the frame's
// caption names the chosen one, so these need no captions of their own (and stay the same in
// both languages). 5 (old placement) and 14 (over old charts) carry captions and are enabled
// only in Recreate mode.
void addPlacement(std::vector<ui::ControlDesign>& t) {
    struct Cell {
        int index, column, row;
    };
    constexpr Cell compass[] = {
        {6, 0, 0},  {4, 2, 0}, {2, 4, 0},                //  NW   N   NE
        {7, 1, 1},  {3, 3, 1},                           //   NWc   NEc
        {8, 0, 2},  {0, 2, 2}, {1, 4, 2},                //  W  centre E
        {9, 1, 3},  {12, 3, 3},                          //   SWc   SEc
        {10, 0, 4}, {11, 2, 4}, {13, 4, 4},              //  SW   S   SE
    };
    constexpr int left = 96, top = 46, step = 24, side = 20;
    for (const Cell& c : compass) {
        ui::ControlBuilder b = ui::optionButton("OpChartPosition", c.index);
        b.in("FrameChartPosition").at(left + c.column * step, top + c.row * step, side, side);
        if (c.index == 1) b.value(1);
        t.push_back(b);
    }
    t.push_back(ui::optionButton("OpChartPosition", 5).in("FrameChartPosition").at(12, 172, 250, 20)
                    .caption("Old placement").disabled());
    t.push_back(ui::optionButton("OpChartPosition", 14).in("FrameChartPosition").at(12, 198, 250, 20)
                    .caption("Over old charts on Layer").disabled());
}

}  // namespace

std::vector<ui::ControlDesign> frmPlotletTable() {
    using namespace ui;
    std::vector<ControlDesign> t = {
        tabControl("SSTab").at(4, 4, FormWidth - 8, FormHeight - 8).pages({"Main", "Chart", "Tools"}),

        // --- page 0, Main: layer, key, the two field lists, features, mode, OK and Hide --------
        label("LblLayers").in("SSTab", 0).at(8, 34, 48, 18).caption("Layer"),
        comboBox("CmbLayers").in("SSTab", 0).at(60, 32, 330, BoxHeight).dropDownList(),
        iconButton("CmdRefreshLayers", "BTN_REFRESH").in("SSTab", 0).at(394, 30, IconButton, ButtonHeight)
            .tip("refresh layers"),
        label("LblKey").in("SSTab", 0).at(436, 34, 48, 18).caption("Key"),
        comboBox("CmbKey").in("SSTab", 0).at(488, 32, 196, BoxHeight).dropDownList(),

        listBox("LstFields").in("SSTab", 0).at(8, 66, 240, 268).columnCount(2).multiSelect(ListBox::ExtendedSelect),
        commandButton("CmdFieldsTo").in("SSTab", 0).at(256, 110, 40, ButtonHeight).caption(">"),
        commandButton("CmdFieldsBack").in("SSTab", 0).at(256, 142, 40, ButtonHeight).caption("<"),
        commandButton("CmdFieldsBackAll").in("SSTab", 0).at(256, 174, 40, ButtonHeight).caption("<<"),
        commandButton("CmdRandomStyles").in("SSTab", 0).at(256, 230, 40, ButtonHeight).caption("R")
            .tip("random colors"),
        listView("LstViewFields")
            .in("SSTab", 0)
            .at(304, 66, 346, 268)
            .multiSelect()
            .headers({{"", "Symbol", 56},
                      {"Fields", "Fields", 110},
                      {"FieldsID", "", 36},
                      {"FieldsOld", "Legend fields", 100},
                      {"FIDOld", "", 36},
                      {"SymbolID", "", 0}})
            .imageLists("ImageList1", "ImageList1"),
        iconButton("CmdUpDown", "BTN_UP", 0).in("SSTab", 0).at(656, 150, IconButton, ButtonHeight),
        iconButton("CmdUpDown", "BTN_DOWN", 1).in("SSTab", 0).at(656, 182, IconButton, ButtonHeight),

        frame("Frame7").in("SSTab", 0).at(8, 344, 260, 52).caption("Features"),
        optionButton("OpAllObjects", 0).in("Frame7").at(10, 22, 70, 20).caption("all").value(1),
        optionButton("OpAllObjects", 1).in("Frame7").at(88, 22, 164, 20).caption("selected"),
        frame("Frame1").in("SSTab", 0).at(276, 344, 184, 52),
        optionButton("OpCreateDiagr", 0).in("Frame1").at(8, 22, 80, 20).caption("New").value(1),
        optionButton("OpCreateDiagr", 1).in("Frame1").at(92, 22, 86, 20).caption("Recreate"),
        commandButton("CmdOK", 0).in("SSTab", 0).at(564, 344, 120, ButtonHeight).caption("OK").tip("create new charts"),
        commandButton("CmdCancel").in("SSTab", 0).at(564, 374, 120, ButtonHeight).caption("Hide"),
        // Recreating is chosen with OpCreateDiagr and started with OK; this second OK button
        // stays out of sight so that one button does one thing.
        commandButton("CmdOK", 1).in("SSTab", 0).at(564, 404, 120, ButtonHeight).caption("Recreate")
            .tip("refresh charts").hidden(),

        // --- page 1, Chart: scale, bars, labels and font; placement -------------------------
        frame("Frame2").in("SSTab", 1).at(8, 30, 330, 156),
        label("LblMaxValue").in("Frame2").at(8, 20, 168, 18).caption("Max value modulo"),
        textBox("TxtMaxValue").in("Frame2").at(180, 18, 70, BoxHeight).text("20"),
        iconButton("CmdCalcMax", "BTN_CALCMAX").in("Frame2").at(254, 16, IconButton, ButtonHeight),
        label("LblMinValue").in("Frame2").at(8, 50, 168, 18).caption("Min value modulo"),
        textBox("TxtMinValue").in("Frame2").at(180, 48, 70, BoxHeight).text("0.1"),
        iconButton("CmdCalcMin", "BTN_CALCMIN").in("Frame2").at(254, 46, IconButton, ButtonHeight),
        label("LblMinValueMM").in("Frame2").at(8, 80, 168, 18).caption("On the map"),
        textBox("TxtMinValueMM").in("Frame2").at(180, 78, 70, BoxHeight).text("1"),
        label("LblMinValueMMUnit").in("Frame2").at(254, 80, 28, 18).caption("mm"),
        label("LblChartMarkerSize").in("Frame2").at(8, 110, 168, 18).caption("Chart size"),
        textBox("TxtChartMarkerSize").in("Frame2").at(180, 108, 52, BoxHeight).text("48"),
        spinButton("SpinBtnChartSize").in("Frame2").at(232, 108, 18, BoxHeight).bounds(1, 999999999).value(48),
        textBox("TxtChartMarkerSizeMM").in("Frame2").at(254, 108, 44, BoxHeight).text("16.9").locked(),
        label("LblChartMarkerSizeMMUnit").in("Frame2").at(300, 110, 26, 18).caption("mm"),
        toggleButton("TglBtnLockMin").in("Frame2").at(180, 130, IconButton, 24).tip("Lock scale")
            .picture(TryLoadDialogPicture("UNLOCKED")),

        frame("Frame4").in("SSTab", 1).at(8, 192, 330, 96),
        label("LblCharWidth").in("Frame4").at(8, 20, 168, 18).caption("Bars width"),
        textBox("TxtChartWidth").in("Frame4").at(180, 18, 70, BoxHeight).text("10"),
        label("Label4").in("Frame4").at(8, 44, 168, 18).caption("Outline width"),
        textBox("TxtOutlineWidth").in("Frame4").at(180, 42, 70, BoxHeight).text("0.5"),
        label("LblNullValue").in("Frame4").at(8, 68, 168, 18).caption("NULL ="),
        textBox("TxtNullValue").in("Frame4").at(180, 66, 70, BoxHeight).text("0"),

        frame("FrameLabelDiagramm").in("SSTab", 1).at(8, 294, 330, 136),
        checkBox("ChkLabelDiagramm").in("FrameLabelDiagramm").at(8, 18, 220, 20).caption("label charts").value(1),
        label("LblMinLabelValue").in("FrameLabelDiagramm").at(8, 46, 216, 18).caption("No label for value less then"),
        textBox("TxtMinLabelValue").in("FrameLabelDiagramm").at(228, 44, 60, BoxHeight).text("0.1"),
        label("LblSignNumber").in("FrameLabelDiagramm").at(8, 74, 216, 18).caption("number of signs"),
        textBox("TxtSignNumber").in("FrameLabelDiagramm").at(228, 72, 60, BoxHeight).text("3"),
        label("LblFontName").in("FrameLabelDiagramm").at(8, 102, 60, 18).caption("Font"),
        textBox("TxtFontName").in("FrameLabelDiagramm").at(72, 100, 150, BoxHeight).text("Arial Narrow"),
        textBox("TxtFontSize").in("FrameLabelDiagramm").at(226, 100, 40, BoxHeight).text("6"),
        commandButton("CmdFont").in("FrameLabelDiagramm").at(270, 98, 32, ButtonHeight).caption("...").tip("select font"),

        frame("FrameChartPosition").in("SSTab", 1).at(346, 30, 338, 320).caption("placement about marker"),
        label("Label2").in("FrameChartPosition").at(12, 22, 160, 18).caption("chart placement"),
        // An older name label of the placement, superseded by the frame's caption.
        label("LblChartPosition").in("FrameChartPosition").at(220, 90, 110, 18).caption("W (left)").hidden(),
        comboBox("CmbOldChartLayer").in("FrameChartPosition").at(32, 222, 290, BoxHeight).dropDownList().disabled(),
        label("Label1").in("FrameChartPosition").at(12, 258, 150, 18).caption("Distance from marker"),
        textBox("TxtLabelDistance").in("FrameChartPosition").at(166, 256, 70, BoxHeight).text("0"),
        label("Label3").in("FrameChartPosition").at(240, 258, 84, 18).caption("map Units"),
        checkBox("ChkShowLeader").in("FrameChartPosition").at(12, 288, 200, 20).caption("Show leader").value(1),

        // --- page 2, Tools: legend, parameters, graphics files, field delete, language, mail -
        frame("Frame5").in("SSTab", 2).at(8, 30, 676, 150),
        checkBox("ChkLoadLegend").in("Frame5").at(8, 20, 110, 20).caption("*.leg, *.lyr"),
        textBox("TxtLegendFile").in("Frame5").at(122, 19, 480, BoxHeight),
        commandButton("CmdLegendFileName").in("Frame5").at(606, 17, 32, ButtonHeight).caption("..."),
        commandButton("CmdLoadLegend").in("Frame5").at(8, 50, 180, ButtonHeight).caption("Load legend"),
        checkBox("ChkAutoMapping").in("Frame5").at(200, 53, 240, 20).caption("Auto fields mapping"),
        checkBox("ChkSkipPropPage").in("Frame5").at(8, 86, 260, 20).caption("Skip charts tuning"),
        checkBox("ChkSaveLyrFile").in("Frame5").at(280, 86, 240, 20).caption("Save legend to *.lyr"),
        iconButton("CmdSaveLegend", "BTN_SAVELEGEND").in("Frame5").at(8, 114, IconButton, ButtonHeight)
            .tip("Save legend from graphic element"),
        iconButton("CmdIdentityGraphics", "BTN_IDENTIFY").in("Frame5").at(40, 114, IconButton, ButtonHeight)
            .tip("Identity"),
        iconButton("CmdRemoveLabels", "BTN_REMOVELABELS").in("Frame5").at(72, 114, IconButton, ButtonHeight)
            .tip("Remove charts labels"),

        frame("Frame6").in("SSTab", 2).at(8, 186, 676, 52),
        iconButton("CmdLoadParam", "BTN_LOADPARAM").in("Frame6").at(8, 18, IconButton, ButtonHeight)
            .tip("Load parameters"),
        iconButton("CmdSaveParam", "BTN_SAVEPARAM").in("Frame6").at(40, 18, IconButton, ButtonHeight)
            .tip("Save parameters"),
        iconButton("CmdLoadGraphicsLayerFromFile", "BTN_LOADGRAPHICS").in("Frame6").at(84, 18, IconButton, ButtonHeight)
            .tip("Load annotation from file"),
        iconButton("CmdSaveGraphicsLayerToFile", "BTN_SAVEGRAPHICS").in("Frame6").at(116, 18, IconButton, ButtonHeight)
            .tip("Save annotation to file"),
        iconButton("CmdMultyFieldsDelete", "BTN_FIELDSDELETE").in("Frame6").at(160, 18, IconButton, ButtonHeight)
            .tip("Multy Fields Delete"),

        comboBox("CmbLanguage").in("SSTab", 2).at(8, 252, 140, BoxHeight).dropDownList().items({"Русский", "English"}),
        commandButton("CmdMailTo").in("SSTab", 2).at(8, 286, 330, ButtonHeight).caption("E-mail your suggestions"),
        textBox("TxtMailBody").in("SSTab", 2).at(8, 318, 676, 110),

        // --- never drawn on the form ---------------------------------------------------------
        imageList("ImageList1").imageSize(16, 16),
        commonDialog("CommonDialog1"),
        menu("mnuChangeSymbol").caption("Change symbol").hidden(),
        menu("mnuAllElements").in("mnuChangeSymbol").caption("All Elements"),
        menu("mnuSelectedElements").in("mnuChangeSymbol").caption("SelectedElements"),
    };
    // The placement buttons belong after the frame's label, in tab order and in dumps.
    std::vector<ControlDesign> placement;
    addPlacement(placement);
    auto at = std::find_if(t.begin(), t.end(), [](const ControlDesign& d) { return d.name == "LblChartPosition"; });
    t.insert(at, placement.begin(), placement.end());
    return t;
}

}  // namespace plotlet::design
