#include "graphics_io/FrmOpenSaveGraphLayer.h"

#include <cmath>
#include <filesystem>
#include <unordered_set>
#include <vector>

#include "engine/Layers.h"
#include "engine/PropertySetFiles.h"
#include "errors/ErrorHandling.h"
#include "host/Element.h"
#include "host/Map.h"
#include "host/PropertySet.h"
#include "host/SpatialReference.h"
#include "host/TaskProgress.h"
#include "i18n/TranslatePlotlet.h"
#include "runtime/Error.h"
#include "runtime/Text.h"

namespace plotlet {

namespace EH = ErrorHandling;

namespace {

constexpr std::string_view FormName = "frmOpenSaveGraphLayer";

EH::ProcedureGuard formGuard(std::string_view procedure) {
    return EH::ProcedureGuard{{.procedure = procedure, .module = FormName}, 0, EH::ModeDialog};
}

std::vector<ui::ControlDesign> formTable() {
    using namespace ui;
    return {
        label("LblLayers").at(12, 10, 300, 18).caption("Annotation layer"),
        listBox("LstGLayers").at(12, 30, 300, 150),
        checkBox("ChkNewGLayer").at(12, 188, 120, 20).caption("new layer"),
        textBox("TxtNewGLayerName").at(136, 187, 176, 22).disabled(),
        label("LblFileName").at(12, 220, 40, 18).caption("File"),
        textBox("TxtFileName").at(56, 218, 220, 22).disabled(),
        commandButton("CmdFileName").at(280, 216, 32, 26).caption("..."),
        commandButton("CmdOK").at(112, 254, 96, 26).caption("OK"),
        commandButton("CmdCancel").at(216, 254, 96, 26).caption("Cancel"),
        commonDialog("CmnDialog"),
    };
}

std::unique_ptr<FrmOpenSaveGraphLayer>& instance() {
    static std::unique_ptr<FrmOpenSaveGraphLayer> form;
    return form;
}

// Elements added between two progress reports: often enough for a line on a terminal, rarely
// enough to cost nothing.
constexpr std::size_t ProgressStep = 1u << 16;

// A saved scale: a finite number, 0 or more; anything else is no usable value.
bool usableScale(const runtime::Variant& value, double& out) {
    if (!value.isNumeric()) return false;
    out = value.toDouble();
    return std::isfinite(out) && out >= 0;
}

}  // namespace

const std::array<const char*, 5> FrmOpenSaveGraphLayer::PropertyNames = {
    "Graphics", "SpatialReference", "Scale", "ReferenceScale", "GraphicsLayerReferenceScale"};

FrmOpenSaveGraphLayer& GraphLayerDialog() {
    if (!instance()) instance() = std::make_unique<FrmOpenSaveGraphLayer>();
    return *instance();
}

FrmOpenSaveGraphLayer* ExistingGraphLayerDialog() { return instance().get(); }

void ReleaseGraphLayerDialog() {
    std::unique_ptr<FrmOpenSaveGraphLayer> form = std::move(instance());
    if (form) form->unload();
}

FrmOpenSaveGraphLayer::FrmOpenSaveGraphLayer()
    : Form("FrmOpenSaveGraphLayer", "Annotation layers (load-save)", 324, 292, formTable()),
      LblLayers(label("LblLayers")),
      LstGLayers(listBox("LstGLayers")),
      ChkNewGLayer(checkBox("ChkNewGLayer")),
      TxtNewGLayerName(textBox("TxtNewGLayerName")),
      LblFileName(label("LblFileName")),
      TxtFileName(textBox("TxtFileName")),
      CmdFileName(commandButton("CmdFileName")),
      CmdOK(commandButton("CmdOK")),
      CmdCancel(commandButton("CmdCancel")),
      CmnDialog(commonDialog("CmnDialog")) {
    FillMessageList();
    onLoad = [this] { Form_Load(); };
    onUnload = [this] { Form_Unload(); };
    ChkNewGLayer.onClick = [this] { ChkNewGLayer_Click(); };
    TxtNewGLayerName.onLostFocus = [this] { TxtNewGLayerName_LostFocus(); };
    CmdFileName.onClick = [this] { CmdFileName_Click(); };
    CmdOK.onClick = [this] { CmdOK_Click(); };
    CmdCancel.onClick = [this] { CmdCancel_Click(); };
}

FrmOpenSaveGraphLayer::~FrmOpenSaveGraphLayer() = default;

const std::string& FrmOpenSaveGraphLayer::Msg(int number) const {
    if (number < 1 || number > MessageCount) runtime::raise(runtime::err::SubscriptOutOfRange);
    return messages_[static_cast<std::size_t>(number - 1)];
}

void FrmOpenSaveGraphLayer::FillMessageList() {
    for (int n = 1; n <= MessageCount; ++n)
        messages_[static_cast<std::size_t>(n - 1)] = TranslatePlotlet::OpenSaveGraphLayerMessage(n, Language);
}

// --- load and unload ------------------------------------------------------------------------------

void FrmOpenSaveGraphLayer::Form_Load() {
    EH::trapped(formGuard("Form_Load "), [this](EH::ProcedureGuard& guard) {
        guard.line = 1;
        TranslatePlotlet::TranslateOpenSaveGraphLayer(*this, Language);
        FillMessageList();

        guard.line = 2;
        LstGLayers.clear();
        for (const host::GraphicsLayerPtr& layer : GetGraphicLayers()) LstGLayers.addItem(layer->name());

        guard.line = 3;
        CmdCancel.setCaption(Msg(28));

        guard.line = 4;
        const bool save = WorkMode == 1;
        CmdOK.setCaption(Msg(save ? 12 : 13));
        TxtNewGLayerName.setVisible(!save);
        ChkNewGLayer.setVisible(!save);
        LblFileName.setVisible(true);
        TxtFileName.setVisible(true);
        TxtFileName.setEnabled(false);
    });
}

void FrmOpenSaveGraphLayer::Form_Unload() { pMxDoc.reset(); }

// --- controls -------------------------------------------------------------------------------------

void FrmOpenSaveGraphLayer::ChkNewGLayer_Click() {
    const bool ticked = ChkNewGLayer.checked();
    TxtNewGLayerName.setEnabled(ticked);
    LstGLayers.setEnabled(!ticked);
}

void FrmOpenSaveGraphLayer::TxtNewGLayerName_LostFocus() {
    for (int row = 0; row < LstGLayers.listCount(); ++row) {
        if (LstGLayers.list(row) != TxtNewGLayerName.text()) continue;
        ui::msgBox(Msg(26), ui::mb::OKOnly + ui::mb::Exclamation, Msg(27));
        if (isVisible() && TxtNewGLayerName.isUsable()) TxtNewGLayerName.setFocus();
    }
}

void FrmOpenSaveGraphLayer::CmdFileName_Click() {
    EH::trapped(formGuard("CmdFileName_Click "), [this](EH::ProcedureGuard& guard) {
        guard.line = 1;
        CmnDialog.setFileName(LstGLayers.text());
        CmnDialog.setFilter(Msg(1));
        CmnDialog.setFilterIndex(1);
        CmnDialog.setInitDir({});
        // A cancelled choice leaves the file box as it was: the name proposed to the dialog is
        // the layer's, which must not become a file name nobody chose.
        CmnDialog.setCancelError(true);
        guard.line = 2;
        try {
            if (WorkMode == 1) CmnDialog.showSave();
            else CmnDialog.showOpen();
        } catch (const runtime::Error& e) {
            if (e.number() == runtime::err::DialogCancelled) return;
            throw;
        }
        guard.line = 3;
        TxtFileName.setText(CmnDialog.fileName());
    });
}

void FrmOpenSaveGraphLayer::CmdOK_Click() {
    EH::trapped(formGuard("CmdOK_Click "), [this](EH::ProcedureGuard& guard) {
        guard.line = 1;
        const std::string file = TxtFileName.text();
        if (WorkMode == 1) {
            const std::vector<int> rows = LstGLayers.selectedRows();
            if (rows.empty()) {
                ui::msgBox(Msg(2));
                return;
            }
            const std::string layer = LstGLayers.list(rows.front());
            guard.line = 2;
            if (file.empty()) {
                ui::msgBox(Msg(3));
                return;
            }
            guard.line = 3;
            if (std::filesystem::exists(file) &&
                ui::msgBox(Msg(4) + file + Msg(5), ui::mb::YesNo + ui::mb::Exclamation, Msg(6)) == ui::mb::No)
                return;
            guard.line = 4;
            // Success is said only after a save that wrote the file.
            if (SaveGraphics(layer, file, false)) ui::msgBox(Msg(11));
            return;
        }

        std::string target;
        if (!ChkNewGLayer.checked()) {
            const std::vector<int> rows = LstGLayers.selectedRows();
            if (rows.empty()) {
                ui::msgBox(Msg(7));
                return;
            }
            target = LstGLayers.list(rows.front());
        } else {
            target = TxtNewGLayerName.text();
            if (target.empty()) {
                ui::msgBox(Msg(8));
                return;
            }
        }
        guard.line = 5;
        if (file.empty()) {
            ui::msgBox(Msg(3));
            return;
        }
        guard.line = 6;
        if (!std::filesystem::exists(file)) {
            ui::msgBox(Msg(4) + file + Msg(9), ui::mb::OKCancel + ui::mb::Exclamation, Msg(10));
            return;
        }
        guard.line = 7;
        // Only a load that added the elements is a success.
        if (LoadGraphics(target, file)) ui::msgBox(Msg(11));
    });
}

void FrmOpenSaveGraphLayer::CmdCancel_Click() { unload(); }

// --- saving and loading ---------------------------------------------------------------------------

bool FrmOpenSaveGraphLayer::SaveGraphics(const std::string& sGLName, const std::string& sFileName, bool /*bSelected*/) {
    return EH::trapped(
        formGuard("SaveGraphics "),
        [&](EH::ProcedureGuard& guard) {
            guard.line = 1;
            const host::MapPtr& map = runtime::required(runtime::required(pMxDoc)->focusMap());
            const host::GraphicsLayerPtr layer = map->basicGraphicsLayer()->findLayer(sGLName);

            guard.line = 2;
            // The elements stay in the layer: the group only lists them for the file.
            auto group = std::make_shared<host::GroupElement>();
            for (const host::ElementPtr& element : layer->container().elements()) group->addElement(element);

            guard.line = 3;
            auto set = std::make_shared<host::PropertySet>();
            set->setProperty("Graphics", runtime::Variant(runtime::ObjectPtr(group)));
            set->setProperty("Scale", map->mapScale());
            set->setProperty("SpatialReference", runtime::Variant(runtime::ObjectPtr(map->spatialReference())));
            set->setProperty("ReferenceScale", map->referenceScale());
            set->setProperty("GraphicsLayerReferenceScale", layer->referenceScale());

            guard.line = 4;
            SavePropertySetToFile(set, sFileName);
            return true;
        },
        false);
}

bool FrmOpenSaveGraphLayer::LoadGraphics(const std::string& sToLayer, const std::string& sFileName) {
    return EH::trapped(
        formGuard("LoadGraphics "),
        [&](EH::ProcedureGuard& guard) {
            guard.line = 1;
            const host::MapPtr& map = runtime::required(runtime::required(pMxDoc)->focusMap());
            host::GraphicsLayerPtr target = map->basicGraphicsLayer()->findLayerOrNull(sToLayer);

            // The file is read and checked whole before the map changes, so a refused file
            // leaves no new empty layer behind either.
            guard.line = 2;
            const host::PropertySetPtr set = LoadPropertySetFromFile(sFileName);
            if (!set) {
                ui::msgBox(Msg(24) + sFileName + Msg(25), ui::mb::OKOnly + ui::mb::Exclamation, Msg(20));
                return false;
            }

            guard.line = 3;
            const std::vector<std::string> names(PropertyNames.begin(), PropertyNames.end());
            const std::vector<runtime::Variant> values = set->getProperties(names);
            std::array<bool, 5> missing{}, differs{};
            std::shared_ptr<host::GroupElement> group;
            host::SpatialReferencePtr savedReference;
            std::array<double, 5> saved{};
            for (std::size_t i = 0; i < values.size(); ++i) {
                const runtime::Variant& value = values[i];
                if (value.isEmpty()) {
                    missing[i] = true;
                    continue;
                }
                switch (i) {
                case 0:
                    group = value.isObject() ? std::dynamic_pointer_cast<host::GroupElement>(value.objectValue()) : nullptr;
                    missing[0] = !group;
                    break;
                case 1:
                    savedReference = value.isObject() ? std::dynamic_pointer_cast<host::SpatialReference>(value.objectValue()) : nullptr;
                    if (!savedReference) missing[1] = true;
                    else differs[1] = savedReference->name() != map->spatialReference()->name();
                    break;
                default: {
                    // A value that is no scale cannot be restored: it counts as missing.
                    if (!usableScale(value, saved[i])) {
                        missing[i] = true;
                        break;
                    }
                    const double current = i == 2   ? map->mapScale()
                                           : i == 3 ? map->referenceScale()
                                                    : (target ? target->referenceScale() : 0.0);
                    // A map scale of 0 was a map without one: nothing to restore.
                    differs[i] = current != saved[i] && !(i == 2 && saved[i] == 0);
                    break;
                }
                }
            }

            guard.line = 4;
            // The same element twice would be added twice to one layer, which the container
            // refuses half way: such a group is no usable content.
            if (!missing[0]) {
                std::unordered_set<const host::Element*> seen;
                seen.reserve(group->elementCount());
                for (const host::ElementPtr& member : group->ownElements())
                    if (!member || !seen.insert(member.get()).second) missing[0] = true;
            }
            if (missing[0]) {
                ui::msgBox(Msg(19), ui::mb::OKOnly + ui::mb::Exclamation, Msg(20));
                return false;
            }

            guard.line = 5;
            for (int i = 1; i <= 4; ++i) {
                if (!missing[static_cast<std::size_t>(i)]) continue;
                ui::msgBox(Msg(21) + Msg(14 + i), ui::mb::OKOnly + ui::mb::Exclamation, Msg(20));
                return false;
            }

            guard.line = 6;
            bool restore = false;
            if (differs[1] || differs[2] || differs[3] || differs[4]) {
                std::string text = Msg(22) + std::string(runtime::CRLF);
                for (int i = 1; i <= 4; ++i)
                    if (differs[static_cast<std::size_t>(i)]) text += Msg(14 + i) + std::string(runtime::CRLF);
                text += std::string(runtime::CRLF) + Msg(23);
                restore = ui::msgBox(text, ui::mb::YesNo + ui::mb::Exclamation, Msg(20)) == ui::mb::Yes;
            }

            guard.line = 7;
            if (!target) {
                target = CreateGraphicLayer(sToLayer, nullptr, false);
                if (!target) return false;  // the engine showed why
            }
            if (restore) {
                if (differs[1]) map->setSpatialReference(savedReference);
                if (differs[2]) map->setMapScale(saved[2]);
                if (differs[3]) map->setReferenceScale(saved[3]);
                if (differs[4]) target->setReferenceScale(saved[4]);
            }

            guard.line = 8;
            const std::size_t count = group->elementCount();
            host::GraphicsContainer& container = target->container();
            container.reserve(count);
            for (std::size_t i = 0; i < count; ++i) {
                container.addElement(group->element(i));
                if ((i + 1) % ProgressStep == 0) host::reportTaskProgress({"Loading graphics", i + 1, count, false});
            }
            host::reportTaskProgress({"Loading graphics", count, count, true});

            guard.line = 9;
            pMxDoc->activeView().partialRefresh(host::ViewDrawPhase::Graphics, nullptr, nullptr);
            return true;
        },
        false);
}

}  // namespace plotlet
