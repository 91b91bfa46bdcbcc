// `plotlet draw`: the plug-in's main job from the command line. Opens a map document (or a data
// file as a new map), loads the plug-in, clicks its command and works the dialog through the
// forms runtime as a person would (layer, key, chart fields, scale, placement, labels, layer
// file), presses OK, then saves the map document and, on request, draws it into a picture.
//
// The dialog's boxes go to standard error (in the dialog's language); questions get the safe
// answer unless --yes. Any box during OK means the run did not do what was asked: nothing is
// saved, the exit code says so, and an existing output document stays as it was.

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/MapDocumentFile.h"
#include "host/TaskProgress.h"
#include "host/gdal/AttributeQuery.h"
#include "host/gdal/DocumentOpen.h"
#include "host/gdal/Gdal.h"
#include "plotlet/DialogActions.h"
#include "plotlet/DrawSupport.h"
#include "plotlet/LegendOption.h"
#include "plotlet/ProgressLine.h"
#include "plotlet/Subcommands.h"
#include "runtime/Error.h"
#include "runtime/Settings.h"
#include "runtime/Text.h"
#include "ui/ComboBox.h"
#include "ui/Driver.h"
#include "ui/Form.h"
#include "ui/ListBox.h"
#include "ui/ListView.h"
#include "ui/ToggleButton.h"

namespace plotlet::cli {

namespace {

struct Options {
    std::string input;
    std::string layer;
    std::string fields;
    std::string key;
    std::string selected;
    bool recreate = false;
    std::string placement;
    std::string oldLayer;
    std::vector<std::string> sets;
    std::string lang;
    std::string lyr;
    std::string save;
    std::string out;
    int width = 2000;
    double dpi = 96;
    std::optional<std::uint64_t> seed;
    bool yes = false;
    std::string legend;
    std::vector<std::string> pairs;
};

// A user-facing failure of the run: the message and the exit code.
struct RunFailure {
    std::string message;
    int code;
};

[[noreturn]] void fail(std::string message, int code = UsageError) { throw RunFailure{std::move(message), code}; }

bool isInteger(const std::string& text) {
    return !text.empty() && std::all_of(text.begin() + (text[0] == '-' ? 1 : 0), text.end(),
                                        [](char c) { return c >= '0' && c <= '9'; }) &&
           text != "-";
}

// The dialog's row of placement buttons for a code or name.
int placementIndex(const std::string& text, bool recreate) {
    static const std::map<std::string, int> names = {
        {"CENTER", 0},    {"CENTRE", 0},     {"E", 1},         {"RIGHT", 1},     {"NE", 2},
        {"NE-CIRCLE", 3}, {"N", 4},          {"TOP", 4},       {"OLD", 5},       {"NW", 6},
        {"NW-CIRCLE", 7}, {"W", 8},          {"LEFT", 8},      {"SW-CIRCLE", 9}, {"SW", 10},
        {"S", 11},        {"BOTTOM", 11},    {"SE-CIRCLE", 12}, {"SE", 13},      {"OVER-OLD", 14},
    };
    int index = -1;
    if (isInteger(text)) {
        const int code = std::stoi(text);
        if (code == -1) index = 5;
        else if (code == -2) index = 14;
        else if (code >= 0 && code <= 13 && code != 5) index = code;
        else fail("--placement " + text + ": codes are 0 to 13 (5 excepted), -1 (old place) and -2 (over old charts)");
    } else {
        auto it = names.find(runtime::upperCase(text));
        if (it == names.end())
            fail("--placement " + text + ": use a code or one of center, e, ne, ne-circle, n, nw, nw-circle, w, "
                 "sw-circle, sw, s, se-circle, se, old, over-old");
        index = it->second;
    }
    if ((index == 5 || index == 14) && !recreate) fail("--placement " + text + " keeps old charts: it needs --recreate");
    return index;
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> parts;
    for (const std::string& part : runtime::split(text, ",")) {
        const std::string trimmed = runtime::trim(part);
        if (!trimmed.empty()) parts.push_back(trimmed);
    }
    return parts;
}

// Selects the features --selected names: a list of object identifiers or an attribute query.
std::size_t applySelection(const host::FeatureLayerPtr& layer, const std::string& selected) {
    std::vector<std::int64_t> oids;
    const std::vector<std::string> parts = splitList(selected);
    const bool identifiers = !parts.empty() && std::all_of(parts.begin(), parts.end(), isInteger);
    if (identifiers) {
        for (const std::string& p : parts) oids.push_back(std::stoll(p));
    } else {
        try {
            oids = host::gdal::selectWhere(*layer->featureClass(), selected);
        } catch (const runtime::Error& e) {
            fail("--selected: " + e.description(), InputError);
        }
    }
    layer->selectionSet()->clear();
    for (std::int64_t oid : oids) {
        if (layer->featureClass()->rowOfOid(oid)) layer->selectionSet()->add(oid);
    }
    return layer->selectionSet()->count();
}

// Does what a user does with a control to give it a value (as `plotlet dialog --set`).
void setControl(ui::Form& form, const std::string& assignment) {
    bool done = false;
    try {
        done = applySetting(form, assignment);
    } catch (const std::invalid_argument& e) {
        fail("--set " + assignment + ": " + e.what());
    } catch (const ui::ActionRefused& e) {
        fail("--set " + assignment + ": " + e.what());
    }
    if (!done) fail("--set " + assignment + ": the dialog did not take it", PluginFailed);
}

int findListRow(const ui::ListBox& list, const std::string& text) {
    for (int row = 0; row < list.listCount(); ++row) {
        if (runtime::equalsIgnoreCase(list.list(row, 0), text)) return row;
    }
    return -1;
}

// The progress of a large layer's charts on a terminal, and the messages of the status bar's
// progressor (the layer file being written).
class TerminalProgress {
public:
    TerminalProgress(std::ostream& err, host::StepProgressor& progressor) : err_(err), line_(err), progressor_(progressor) {
        host::setTaskProgressObserver([this](const host::TaskProgress& p) {
            if (p.total < 10000) return;  // small layers are done before a line would help
            line_.show(p.task, p.done, p.total);
            if (p.finished) line_.finish();
        });
        progressor_.setObserver([this](const host::StepProgressor::State& s) {
            if (s.visible && s.message != shownMessage_) {
                line_.finish();
                err_ << s.message << '\n';
                err_.flush();
            }
            shownMessage_ = s.visible ? s.message : std::string();
        });
    }
    ~TerminalProgress() {
        host::setTaskProgressObserver({});
        progressor_.setObserver({});
    }
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

private:
    std::ostream& err_;
    ProgressLine line_;
    host::StepProgressor& progressor_;
    std::string shownMessage_;
};

int draw(Context& context, const Options& options) {
    const std::vector<std::string> fields = splitList(options.fields);
    if (fields.empty()) fail("--fields: name at least one field");
    if (!options.oldLayer.empty() && !options.recreate) fail("--old-layer needs --recreate");
    const int placement = options.placement.empty() ? -1 : placementIndex(options.placement, options.recreate);
    if (placement == 14 && options.oldLayer.empty()) fail("--placement over-old needs --old-layer");
    std::string language;
    if (!options.lang.empty()) {
        const std::string l = runtime::lowerCase(options.lang);
        if (l == "ru") language = "Русский";
        else if (l == "en") language = "English";
        else fail("--lang " + options.lang + ": use ru or en");
    }
    std::vector<FieldPairOption> pairs;
    try {
        pairs = parseFieldPairs(options.pairs);
    } catch (const std::invalid_argument& e) {
        fail(e.what());
    }
    if (!pairs.empty() && options.legend.empty()) fail("--pair needs --legend");
    std::optional<PictureRequest> picture;
    try {
        if (!options.out.empty()) picture = pictureRequest(options.out, options.width, options.dpi);
    } catch (const std::invalid_argument& e) {
        fail(e.what());
    }

    // The map, measured and drawn with the cairo display's fonts.
    host::gdal::install();
    useCairoDisplay();
    auto application = std::make_shared<host::Application>();
    try {
        host::gdal::openInApplication(*application, options.input);
    } catch (const runtime::Error& e) {
        fail(e.description(), InputError);
    }
    const host::MxDocumentPtr document = application->document();
    const host::MapPtr map = document->focusMap();
    const host::FeatureLayerPtr layer = map->findFeatureLayer(options.layer);
    if (!layer) fail("the map has no layer " + options.layer, InputError);
    if (!layer->featureClass()) fail("the data of layer " + options.layer + " cannot be read: " + layer->brokenReason(), InputError);
    if (!options.selected.empty() && applySelection(layer, options.selected) == 0)
        fail("--selected " + options.selected + ": no feature of " + options.layer + " is selected; nothing drawn", InputError);

    // The plug-in, its command and its dialog. A seed makes the random field colours repeatable.
    if (options.seed) runtime::setRandomSeed(options.seed);
    context.shell->setQuestionDefault(options.yes ? ui::QuestionDefault::Accept : ui::QuestionDefault::Decline);
    std::shared_ptr<host::ICommand> command;
    try {
        command = createPlotletCommand(context);
    } catch (const std::exception& e) {
        fail(e.what(), PluginLoadFailure);
    }
    command->OnCreate(application);
    if (!command->Enabled()) fail("the map holds no layer", InputError);
    ui::Form* dialog = openPlotletDialog(*command, application);
    if (!dialog) fail("the command did not open its dialog", PluginFailed);
    ui::Driver user(*dialog);
    auto require = [&](bool done, const std::string& what) {
        if (!done) fail(what, PluginFailed);
    };

    if (!language.empty()) require(user.chooseComboText("CmbLanguage", language), "the dialog refused the language");
    if (!dialog->comboBox("CmbLayers").text().empty() || dialog->comboBox("CmbLayers").findRow(options.layer) >= 0) {
        if (dialog->comboBox("CmbLayers").findRow(options.layer) < 0)
            fail("layer " + options.layer + " is not a point layer; the dialog offers only point layers", InputError);
    }
    require(user.chooseComboText("CmbLayers", options.layer), "the dialog did not take the layer " + options.layer);
    if (!options.key.empty()) {
        if (dialog->comboBox("CmbKey").findRow(options.key) < 0)
            fail("--key " + options.key + ": layer " + options.layer + " has no such field", InputError);
        require(user.chooseComboText("CmbKey", options.key), "the dialog did not take the key " + options.key);
    }
    for (const std::string& field : fields) {
        const int row = findListRow(dialog->listBox("LstFields"), field);
        if (row < 0) fail("--fields: " + field + " is not a numeric field of " + options.layer + " (or is named twice)", InputError);
        require(user.selectListRows("LstFields", {row}), "the dialog did not take the field " + field);
        require(user.click("CmdFieldsTo"), "the dialog did not move the field " + field);
    }
    if (!options.selected.empty()) require(user.chooseOption("OpAllObjects", 1), "the dialog did not take the selection");
    if (options.recreate) require(user.chooseOption("OpCreateDiagr", 1), "the dialog did not switch to Recreate");
    if (!options.oldLayer.empty())
        require(user.chooseComboText("CmbOldChartLayer", options.oldLayer),
                "--old-layer " + options.oldLayer + ": the map has no such graphics layer besides the layer's own");
    if (placement >= 0) require(user.chooseOption("OpChartPosition", placement), "the dialog refused the placement");

    bool maxGiven = false;
    for (const std::string& assignment : options.sets) {
        setControl(*dialog, assignment);
        if (runtime::upperCase(runtime::trim(assignment.substr(0, assignment.find('=')))) == "TXTMAXVALUE") maxGiven = true;
    }
    // The legend's colours and order win over any colours the fields were given before.
    if (!options.legend.empty()) {
        try {
            const std::vector<std::string> unpaired = applyLegend(context, *dialog, options.legend, pairs);
            if (!unpaired.empty()) {
                context.err << "plotlet: note: no legend field for";
                for (const std::string& f : unpaired) context.err << ' ' << f;
                context.err << " (drawn black; pair them with --pair FIELD=LEGEND_FIELD)\n";
            }
        } catch (const CommandFailure& f) {
            fail(f.message, f.code);
        }
    }
    if (!maxGiven) {
        // As the dialog's max button does: the largest value of the chart fields. With the scale
        // unlocked the chart size stays as it is and the largest value gets it; locked, the size
        // would grow with the maximum until no chart fits on the map.
        if (dialog->toggleButton("TglBtnLockMin").value())
            require(user.pressToggle("TglBtnLockMin"), "the dialog did not unlock the scale");
        const int items = dialog->listView("LstViewFields").itemCount();
        for (int i = 1; i <= items; ++i) require(user.clickListViewItem("LstViewFields", i, i > 1), "cannot pick the chart fields");
        require(user.click("CmdCalcMax"), "the dialog could not take the maximum");
    }
    if (!options.lyr.empty()) {
        require(user.setChecked("ChkSaveLyrFile", true), "the dialog did not take the layer-file switch");
        context.shell->chooseFile(std::filesystem::absolute(options.lyr).string());
    }

    // OK, and whether it did its work without a word.
    const std::size_t before = context.shell->transcript().size();
    const bool terminal = messagesGoToTerminal(context);
    std::optional<TerminalProgress> progress;
    if (terminal) progress.emplace(context.err, application->statusBar().progressBar());
    require(user.click("CmdOK", 0), "OK failed");
    progress.reset();
    const auto& transcript = context.shell->transcript();
    for (std::size_t i = before; i < transcript.size(); ++i) {
        if (transcript[i].kind == "message")
            fail("the dialog stopped with a message (below); nothing was saved", PluginFailed);
    }
    const host::GraphicsLayerPtr charts = map->basicGraphicsLayer()->findLayerOrNull(options.layer + "_charts");
    const std::size_t chartCount = charts ? charts->container().elementCount() : 0;

    // The results.
    if (terminal && chartCount >= 10000) context.err << "Saving " << options.save << '\n';
    try {
        host::writeMapDocument(*document, options.save);
    } catch (const runtime::Error& e) {
        fail(e.description(), InputError);
    }
    context.out << "charts: " << chartCount << " on graphics layer " << options.layer << "_charts\n";
    context.out << "map document: " << std::filesystem::absolute(options.save).string() << '\n';
    if (!options.lyr.empty() && std::filesystem::exists(options.lyr))
        context.out << "layer file: " << std::filesystem::absolute(options.lyr).string() << '\n';
    if (picture) {
        if (terminal && chartCount >= 10000) context.err << "Drawing " << picture->path << '\n';
        try {
            drawPicture(*document, *picture);
        } catch (const std::exception& e) {
            fail(std::string("the map document was saved, but the picture was not: ") + e.what(), InputError);
        }
        context.out << "picture: " << std::filesystem::absolute(picture->path).string() << '\n';
    }
    return Ok;
}

}  // namespace

void addDrawSubcommand(CLI::App& app, Context& context) {
    auto o = std::make_shared<Options>();
    CLI::App* sub = app.add_subcommand("draw", "Draw bar charts beside the features of a point layer and save the map");
    sub->add_option("MAP_OR_DATA", o->input, "A map document (.pmx) or a data file that becomes a new map")->required();
    sub->add_option("--layer", o->layer, "The point layer to chart")->required();
    sub->add_option("--fields", o->fields, "The chart fields, comma-separated, in bar order")->required();
    sub->add_option("--key", o->key, "The key field that names each chart (default: the object identifier)");
    sub->add_option("--selected", o->selected,
                    "Only these features: object identifiers (1,5,9) or an attribute query (\"BIR74 > 1000\")");
    sub->add_flag("--recreate", o->recreate, "Recreate the layer's charts instead of drawing them anew");
    sub->add_option("--placement", o->placement,
                    "Where the chart stands: 0-13 or center, e, ne, ne-circle, n, nw, nw-circle, w, sw-circle, sw, s, "
                    "se-circle, se; with --recreate also -1/old and -2/over-old (default: the dialog's, e)");
    sub->add_option("--old-layer", o->oldLayer, "The graphics layer of the old charts for --placement over-old");
    sub->add_option("--set", o->sets, "Set a dialog control as a user would, e.g. TxtMaxValue=120 or ChkShowLeader=0")
        ->type_name("CONTROL=VALUE");
    sub->add_option("--lang", o->lang, "The dialog's language: ru or en");
    sub->add_option("--lyr", o->lyr, "Also write a layer file whose chart renderer draws the same charts");
    sub->add_option("--save", o->save, "The map document to write (written only when the run succeeds)")->required();
    sub->add_option("--out", o->out, "Also draw the map into a picture (.png, .svg or .pdf)");
    sub->add_option("--width", o->width, "Width of the picture in pixels (default 2000; the height follows the map)");
    sub->add_option("--dpi", o->dpi, "Resolution of the picture (default 96)");
    sub->add_option("--seed", o->seed, "Seed of the random field colours, so a run can be repeated exactly");
    sub->add_flag("--yes", o->yes, "Answer the dialog's questions with yes (default: the safe answer)");
    sub->add_option("--legend", o->legend,
                    "Colour and order the chart fields from a legend (.leg) or a layer file drawing charts (.lyr)");
    sub->add_option("--pair", o->pairs, "Pair a chart field with a legend field that automatic mapping cannot pair")
        ->type_name("CHART=LEGEND");
    sub->callback([&context, o] {
        try {
            context.exitCode = draw(context, *o);
        } catch (const RunFailure& f) {
            context.err << "plotlet: error: " << f.message << '\n';
            context.exitCode = f.code;
        }
    });
}

}  // namespace plotlet::cli
