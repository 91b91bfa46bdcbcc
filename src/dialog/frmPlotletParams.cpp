// frmPlotlet: parameter files (the nineteen chart settings saved to and restored from a *.par
// file) and the buttons that open the graphics file dialog.
#include <algorithm>

#include "dialog/frmPlotlet.h"
#include "engine/DocumentPaths.h"
#include "engine/PropertySetFiles.h"
#include "errors/ErrorHandling.h"
#include "graphics_io/FrmOpenSaveGraphLayer.h"
#include "i18n/TranslatePlotlet.h"
#include "runtime/Error.h"
#include "runtime/Text.h"

namespace plotlet {

namespace EH = ErrorHandling;

namespace {

EH::ProcedureGuard dialogGuard(std::string_view procedure) {
    return EH::ProcedureGuard{{.procedure = procedure}, 0, EH::ModeDialog};
}

// A value as the refusal names it: texts quoted, the rest as the runtime prints them.
std::string shownValue(const runtime::Variant& value) {
    if (value.isString()) return "\"" + value.stringValue() + "\"";
    if (value.isEmpty() || value.isNull() || value.isObject() || value.isArray()) return "(" + value.typeName() + ")";
    return value.toString();
}

bool convertsToBool(const runtime::Variant& value) {
    try {
        (void)value.toBool();
        return true;
    } catch (const runtime::Error&) {
        return false;
    }
}

bool convertsToText(const runtime::Variant& value) {
    return !value.isNull() && !value.isObject() && !value.isArray();
}

}  // namespace

const std::array<const char*, 19> frmPlotlet::ParameterNames = {
    "TxtMinValue",      "TxtMaxValue",   "ChkAutoMapping", "ChkSkipPropPage",    "ChkSaveLyrFile",
    "OpChartPosition",  "TxtLabelDistance", "ChkLabelDiagramm", "TxtMinLabelValue", "TxtSignNumber",
    "TxtFontName",      "TxtFontSize",   "TxtChartWidth",  "TxtOutlineWidth",    "TxtChartMarkerSize",
    "ChkShowLeader",    "TxtMinValueMM", "TglBtnLockMin",  "TxtNullValue"};

void frmPlotlet::wireFileCommands() {
    CmdSaveParam.onClick = [this] { CmdSaveParam_Click(); };
    CmdLoadParam.onClick = [this] { CmdLoadParam_Click(); };
    CmdSaveGraphicsLayerToFile.onClick = [this] { CmdSaveGraphicsLayerToFile_Click(); };
    CmdLoadGraphicsLayerFromFile.onClick = [this] { CmdLoadGraphicsLayerFromFile_Click(); };
}

// --- the property set ---------------------------------------------------------------------------

host::PropertySetPtr frmPlotlet::PopulateParameters() const {
    auto set = std::make_shared<host::PropertySet>();
    for (const char* name : ParameterNames) {
        if (isControlArray(name)) {
            // The option group: the index of the button that is on, or no value when none is.
            runtime::Variant on;
            for (ui::Control* member : controlArray(name).members()) {
                if (auto* option = member->as<ui::OptionButton>(); option && option->value()) {
                    on = runtime::Variant(static_cast<std::int16_t>(member->index()));
                    break;
                }
            }
            set->setProperty(name, on);
            continue;
        }
        ui::Control& c = control(name);
        if (auto* text = c.as<ui::TextBox>()) set->setProperty(name, text->text());
        else if (auto* check = c.as<ui::CheckBox>()) set->setProperty(name, runtime::Variant(check->value() != 0).toString());
        else if (auto* toggle = c.as<ui::ToggleButton>()) set->setProperty(name, runtime::Variant(toggle->value()).toString());
    }
    return set;
}

frmPlotlet::ParameterProblems frmPlotlet::CheckParameters(const host::PropertySet& set) const {
    ParameterProblems problems;
    for (const auto& [name, value] : set.items()) {
        if (!hasControl(name)) {
            problems.unknownNames.push_back(name);
            continue;
        }
        bool fits = true;
        if (isControlArray(name)) {
            // The member at the value's index; one that is no option button is passed over.
            try {
                fits = findControl(name, value.toInt16()) != nullptr;
            } catch (const runtime::Error&) {
                fits = false;
            }
        } else {
            const ui::Control& c = control(name);
            if (c.is<ui::TextBox>() || c.is<ui::Label>() || c.is<ui::Frame>()) fits = convertsToText(value);
            else if (c.is<ui::CheckBox>() || c.is<ui::OptionButton>() || c.is<ui::ToggleButton>()) fits = convertsToBool(value);
        }
        if (!fits) problems.unfitValues.push_back(name + " = " + shownValue(value));
    }
    return problems;
}

void frmPlotlet::PopulateControls(const host::PropertySetPtr& set) {
    EH::trapped(dialogGuard("PopulateControls "), [&](EH::ProcedureGuard& guard) {
        guard.line = 1;
        if (!set) runtime::raise(runtime::err::ObjectNotSet);

        // Checked as a whole first: a set that cannot apply completely must not apply in part.
        guard.line = 2;
        const ParameterProblems problems = CheckParameters(*set);
        if (!problems.empty()) runtime::raise(5, "Plotlet", parameterRefusal({}, problems));

        guard.line = 3;
        for (const auto& [name, value] : set->items()) {
            if (isControlArray(name)) {
                if (auto* option = findControl(name, value.toInt16()); option && option->is<ui::OptionButton>())
                    option->as<ui::OptionButton>()->setValue(true);
                continue;
            }
            ui::Control& c = control(name);
            if (auto* text = c.as<ui::TextBox>()) text->setText(value.toString());
            else if (c.is<ui::Label>() || c.is<ui::Frame>()) c.setCaption(value.toString());
            else if (auto* check = c.as<ui::CheckBox>()) check->setChecked(value.toBool());
            else if (auto* option = c.as<ui::OptionButton>()) option->setValue(value.toBool());
            else if (auto* toggle = c.as<ui::ToggleButton>()) toggle->setValue(value.toBool());
            else ui::msgBox(Msg(17));
        }
    });
}

std::string frmPlotlet::parameterRefusal(const std::string& path, const ParameterProblems& problems) const {
    const bool russian = TranslatePlotlet::IsRussian(language_);
    std::string text;
    if (!path.empty())
        text = (russian ? "Файл параметров " : "Parameter file ") + path +
               (russian ? " не загружен, ничего не изменено." : " was not loaded; nothing was changed.");
    auto list = [](const std::vector<std::string>& items) {
        std::string joined;
        for (const std::string& item : items) joined += (joined.empty() ? "" : ", ") + item;
        return joined;
    };
    if (!problems.unknownNames.empty()) {
        if (!text.empty()) text += runtime::CRLF;
        text += (russian ? "В диалоге нет элементов с именами: " : "The dialog has no controls named: ") +
                list(problems.unknownNames);
    }
    if (!problems.unfitValues.empty()) {
        if (!text.empty()) text += runtime::CRLF;
        text += (russian ? "Значения, которые элемент не может принять: " : "Values their controls cannot take: ") +
                list(problems.unfitValues);
    }
    return text;
}

// --- the buttons --------------------------------------------------------------------------------

void frmPlotlet::CmdSaveParam_Click() {
    EH::trapped(dialogGuard("CmdSaveParam_Click "), [this](EH::ProcedureGuard& guard) {
        guard.line = 1;
        PrepareFileChooser(CommonDialog1, Msg(7), 1, CmbLayers.text() + ".par", Msg(16), initDir);

        guard.line = 2;
        try {
            CommonDialog1.showSave();
        } catch (const runtime::Error& e) {
            // A cancel keeps the remembered folder: the proposed name carries none.
            if (e.number() == runtime::err::DialogCancelled) return;
            throw;
        }
        initDir = FolderOfChosenFile(CommonDialog1.fileName());

        guard.line = 3;
        SavePropertySetToFile(PopulateParameters(), CommonDialog1.fileName());
    });
}

void frmPlotlet::CmdLoadParam_Click() {
    EH::trapped(dialogGuard("CmdLoadParam_Click "), [this](EH::ProcedureGuard& guard) {
        guard.line = 1;
        PrepareFileChooser(CommonDialog1, Msg(7), 1, CmbLayers.text() + ".par", Msg(8), initDir);

        guard.line = 2;
        try {
            CommonDialog1.showOpen();
        } catch (const runtime::Error& e) {
            if (e.number() == runtime::err::DialogCancelled) return;
            throw;
        }
        const std::string path = CommonDialog1.fileName();
        initDir = FolderOfChosenFile(path);

        guard.line = 3;
        const host::PropertySetPtr set = LoadPropertySetFromFile(path);
        // A file naming controls this dialog lacks (another program's, or a damaged one) is
        // refused whole, with the names, before any control changes.
        if (set) {
            const ParameterProblems problems = CheckParameters(*set);
            if (!problems.empty()) {
                ui::msgBox(parameterRefusal(path, problems), ui::mb::OKOnly + ui::mb::Exclamation, Msg(8));
                return;
            }
        }
        guard.line = 4;
        PopulateControls(set);
    });
}

void frmPlotlet::CmdSaveGraphicsLayerToFile_Click() {
    EH::trapped(dialogGuard("CmdSaveGraphicsLayerToFile_Click "), [this](EH::ProcedureGuard&) {
        FrmOpenSaveGraphLayer& form = GraphLayerDialog();
        // Layout, layer list and captions are made while the form loads; a form left loaded by
        // the other mode would show that mode's buttons and an old list of layers.
        form.unload();
        form.pMxDoc = pMxDoc;
        form.WorkMode = 1;
        form.Language = language_;
        form.showModal();
    });
}

void frmPlotlet::CmdLoadGraphicsLayerFromFile_Click() {
    EH::trapped(dialogGuard("CmdLoadGraphicsLayerFromFile_Click "), [this](EH::ProcedureGuard&) {
        FrmOpenSaveGraphLayer& form = GraphLayerDialog();
        form.unload();
        form.pMxDoc = pMxDoc;
        form.WorkMode = 0;
        form.Language = language_;
        loadEngineMessages();  // loading may create the graphics layer, which the engine tells about
        form.showModal();
    });
}

}  // namespace plotlet
