// `plotlet dialog MAP`: the plug-in's main dialog without a desktop. The map (a .pmx document
// or a data file opened as a new map) goes into an application; the command of a loaded module
// is created with it and clicked, and the dialog it shows is driven with the settings and clicks
// of the command line, in their order, as a user would; `--dump` then prints every control.
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "host/Application.h"
#include "host/gdal/DocumentOpen.h"
#include "host/gdal/Gdal.h"
#include "plotlet/DialogActions.h"
#include "plotlet/DrawSupport.h"
#include "plotlet/Subcommands.h"
#include "runtime/Error.h"
#include "ui/Driver.h"
#include "ui/Form.h"

namespace plotlet::cli {

namespace {

struct Options {
    std::string path;
    std::string language;
    std::string module;
    bool dump = false;
    bool json = false;
    bool controls = false;
    // Filled from the parse order, so settings and clicks keep the order they were given in.
    struct Action {
        bool click;
        std::string text;
    };
    std::vector<Action> actions;
};

int runDialog(Context& context, const Options& options) {
    host::gdal::install();
    auto application = std::make_shared<host::Application>();
    try {
        host::gdal::openInApplication(*application, options.path);
    } catch (const runtime::Error& e) {
        context.err << "plotlet: error: " << e.description() << '\n';
        return InputError;
    } catch (const std::exception& e) {
        context.err << "plotlet: error: " << options.path << ": " << e.what() << '\n';
        return InputError;
    }

    std::shared_ptr<host::ICommand> command;
    try {
        command = createPlotletCommand(context, options.module);
    } catch (const std::exception& e) {
        context.err << "plotlet: error: " << e.what() << '\n';
        return PluginLoadFailure;
    }

    // A person cannot click a disabled command.
    command->OnCreate(application);
    if (!command->Enabled()) {
        context.err << "plotlet: error: the command is disabled on " << options.path << ": the map holds no layer\n";
        return InputError;
    }
    // Failures that escape a handler are the plug-in's to show: in a box, as on a desktop.
    ui::Form* dialog = openPlotletDialog(*command, application);
    if (!dialog) {
        context.err << "plotlet: error: the command showed no dialog\n";
        return InternalError;
    }

    int code = Ok;
    std::vector<Options::Action> actions = options.actions;
    if (!options.language.empty()) {
        // The language box, as a user switches it, before anything else.
        const std::string language = options.language == "ru" ? "Русский" : "English";
        actions.insert(actions.begin(), {false, "CmbLanguage=" + language});
    }
    for (const Options::Action& action : actions) {
        try {
            const bool ok = action.click ? applyClick(*dialog, action.text) : applySetting(*dialog, action.text);
            if (!ok) context.err << "plotlet: warning: " << (action.click ? "--click " : "--set ") << action.text
                                 << ": a handler failed (see the boxes below)\n";
        } catch (const ui::ActionRefused& e) {
            context.err << "plotlet: error: " << (action.click ? "--click " : "--set ") << action.text << ": " << e.what() << '\n';
            code = UsageError;
            break;
        } catch (const std::invalid_argument& e) {
            context.err << "plotlet: error: " << (action.click ? "--click " : "--set ") << action.text << ": " << e.what() << '\n';
            code = UsageError;
            break;
        }
    }

    if (options.controls) context.out << controlsText(*dialog);
    if (options.dump) {
        if (options.json) context.out << dumpJson(*dialog).dump(2) << '\n';
        else context.out << dumpText(*dialog);
    }
    return code;
}

}  // namespace

void addDialogSubcommand(CLI::App& app, Context& context) {
    auto options = std::make_shared<Options>();
    CLI::App* sub = app.add_subcommand(
        "dialog", "Open a map (.pmx) or a data file, click the Plotlet command and drive its dialog: settings and clicks "
                  "in the order given, as a user would make them");
    sub->add_option("MAP", options->path, "The map document or data file")->required();
    sub->add_option("--lang", options->language, "Switch the dialog's language box first")
        ->check(CLI::IsMember({"ru", "en"}));
    CLI::Option* set = sub->add_option("--set", "CONTROL=VALUE: type into a text box, tick a check box (1/0), choose a "
                                                "combo row by its text, an option of a group by its index (Name=5), "
                                                "list rows by name (comma-separated)")
                           ->type_name("CONTROL=VALUE")
                           ->allow_extra_args(false)
                           ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    CLI::Option* click = sub->add_option("--click", "CONTROL or CONTROL(index): press a button, check box, option, "
                                                    "toggle or menu item")
                             ->type_name("CONTROL")
                             ->allow_extra_args(false)
                             ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    sub->add_option("--module", options->module, "The plug-in module to use (default: the first loaded)");
    sub->add_flag("--dump", options->dump, "Print every control: kind, name, caption, text or value, state");
    sub->add_flag("--json", options->json, "Dump as JSON");
    sub->add_flag("--controls", options->controls,
                  "List every control --set can set: NAME=current value, its kind, and whether it is disabled now");
    sub->callback([&context, options, sub, set, click] {
        // Settings and clicks in command-line order: each occurrence takes the next value.
        std::size_t nextSet = 0, nextClick = 0;
        for (const CLI::Option* option : sub->parse_order()) {
            if (option == set) options->actions.push_back({false, set->results().at(nextSet++)});
            else if (option == click) options->actions.push_back({true, click->results().at(nextClick++)});
        }
        context.exitCode = runDialog(context, *options);
    });
}

}  // namespace plotlet::cli
