// `plotlet fields delete DATA_OR_MAP`: the dialog's multi-field delete from the command line.
// The layer is chosen in the dialog, its delete button opens the field list, the fields are
// selected there and deleted, as a user does it. Deleting changes the user's data file, so the
// subcommand asks first on a terminal, and needs --yes elsewhere; the dialog itself asks
// nothing. A refused delete (a required field, a CSV or read-only source) changes nothing and
// exits 2.
#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "host/gdal/DocumentOpen.h"
#include "host/gdal/Gdal.h"
#include "host/gdal/GdalFeatureClass.h"
#include "plotlet/DialogActions.h"
#include "plotlet/DrawSupport.h"
#include "plotlet/ProgressLine.h"
#include "plotlet/Subcommands.h"
#include "runtime/Error.h"
#include "runtime/Text.h"
#include "ui/ComboBox.h"
#include "ui/Driver.h"
#include "ui/Form.h"

namespace plotlet::cli {

namespace {

struct Options {
    std::string input;
    std::string layer;
    std::string fields;
    bool yes = false;
    std::string module;
};

struct RunFailure {
    std::string message;
    int code;
};

[[noreturn]] void fail(std::string message, int code) { throw RunFailure{std::move(message), code}; }

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
    return text;
}

int deleteFields(Context& context, const Options& options) {
    std::vector<std::string> wanted;
    for (const std::string& part : runtime::split(options.fields, ","))
        if (const std::string name = runtime::trim(part); !name.empty()) wanted.push_back(name);
    if (wanted.empty()) fail("--fields: name at least one field", UsageError);

    host::gdal::install();
    auto application = std::make_shared<host::Application>();
    try {
        host::gdal::openInApplication(*application, options.input);
    } catch (const runtime::Error& e) {
        fail(e.description(), InputError);
    }
    const host::FeatureLayerPtr layer = application->document()->focusMap()->findFeatureLayer(options.layer);
    if (!layer) fail("the map has no layer " + options.layer, InputError);
    const host::FeatureClassPtr featureClass = layer->featureClass();
    if (!featureClass) fail("the data of layer " + options.layer + " cannot be read: " + layer->brokenReason(), InputError);

    // The fields as the layer names them; a name given twice counts once.
    std::vector<std::string> names;
    for (const std::string& name : wanted) {
        const int index = featureClass->findField(name);
        if (index < 0) fail("--fields: layer " + options.layer + " has no field " + name, InputError);
        const std::string& actual = featureClass->field(index).name;
        if (std::find(names.begin(), names.end(), actual) == names.end()) names.push_back(actual);
    }
    const std::string source = featureClass->dataSource().path;
    if (const auto* gdalClass = dynamic_cast<const host::gdal::GdalFeatureClass*>(featureClass.get())) {
        std::string whyNot;
        if (!gdalClass->canDeleteFields(whyNot)) fail(source + ": fields cannot be deleted: " + whyNot, InputError);
    }

    if (!options.yes) {
        if (!::isatty(STDIN_FILENO))
            fail("deleting fields changes " + (source.empty() ? std::string("the data") : source) +
                     ": confirm with --yes when not running on a terminal",
                 UsageError);
        if (!confirmOnTerminal(context, std::string(names.size() == 1 ? "Delete the field " : "Delete the fields ") +
                                            joined(names) + " of layer " + options.layer + " from " + source + "?"))
            fail("nothing deleted", UsageError);
    }

    std::shared_ptr<host::ICommand> command;
    try {
        command = createPlotletCommand(context, options.module);
    } catch (const std::exception& e) {
        fail(e.what(), PluginLoadFailure);
    }
    ui::Form* dialog = openPlotletDialog(*command, application);
    if (!dialog) fail("the command did not open its dialog", PluginFailed);
    ui::Driver user(*dialog);
    if (dialog->comboBox("CmbLayers").findRow(options.layer) < 0)
        fail("layer " + options.layer + " is not a point layer; the dialog offers only point layers", InputError);
    if (!user.chooseComboText("CmbLayers", options.layer)) fail("the dialog did not take the layer " + options.layer, PluginFailed);

    // In the delete dialog: the fields selected, then Delete.
    bool pressed = false;
    std::string problem;
    context.shell->onModal("FrmMultyFieldsDelete", [&](ui::Form& form) {
        try {
            if (applySetting(form, "LstFields=" + joined(names))) pressed = ui::Driver(form).click("CmdDel");
        } catch (const std::exception& e) {
            problem = e.what();
        }
    });
    const std::size_t before = context.shell->transcript().size();
    if (!user.pickTab("SSTab", 2) || !user.click("CmdMultyFieldsDelete")) fail("the dialog could not delete fields", PluginFailed);
    if (!problem.empty()) fail("the delete dialog: " + problem, InternalError);

    bool gone = true;
    for (const std::string& name : names) gone = gone && featureClass->findField(name) < 0;
    if (!gone) {
        bool boxShown = false;
        const auto& transcript = context.shell->transcript();
        for (std::size_t i = before; i < transcript.size(); ++i) boxShown = boxShown || transcript[i].kind == "message";
        if (boxShown) fail("the delete was refused (below); nothing was changed", InputError);
        fail(pressed ? "the fields are still there after the delete" : "the delete dialog did not open", InternalError);
    }
    context.out << "deleted: " << joined(names) << '\n';
    context.out << "layer: " << options.layer << (source.empty() ? "" : " (" + source + ")") << '\n';
    return Ok;
}

}  // namespace

void addFieldsSubcommand(CLI::App& app, Context& context) {
    CLI::App* fields = app.add_subcommand("fields", "Work on the attribute fields of a layer's data");
    fields->require_subcommand(1);
    auto o = std::make_shared<Options>();
    CLI::App* sub = fields->add_subcommand(
        "delete", "Delete attribute fields from a layer's data file, all in one change (GeoPackage, Shapefile, GeoJSON)");
    sub->add_option("DATA_OR_MAP", o->input, "A data file, or a map document (.pmx) holding the layer")->required();
    sub->add_option("--layer", o->layer, "The point layer whose fields are deleted")->required();
    sub->add_option("--fields", o->fields, "The fields to delete, comma-separated")->required();
    sub->add_flag("--yes", o->yes, "Delete without asking (needed when not running on a terminal)");
    sub->add_option("--module", o->module, "The plug-in module to use (default: the first loaded)");
    sub->callback([&context, o] {
        try {
            context.exitCode = deleteFields(context, *o);
        } catch (const RunFailure& f) {
            context.err << "plotlet: error: " << f.message << '\n';
            context.exitCode = f.code;
        }
    });
}

}  // namespace plotlet::cli
