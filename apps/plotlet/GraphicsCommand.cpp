// `plotlet graphics save|load`: graphics files (*.obj) through the plug-in's graphics file
// dialog, as a user works it: the main dialog's save or load button opens the form, the layer is
// chosen in its list (or a new layer named), the file picked with its browse button, and OK
// pressed. The form's questions are answered from the options: an existing output file is
// replaced (naming it is the request), saved map parameters are restored only with
// --restore-parameters.
//
// Exit codes: 2 for a file the form refuses (or a missing one, a layer the map lacks), 5 when
// the form reports a failure; nothing is saved then.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "host/MapDocumentFile.h"
#include "host/TaskProgress.h"
#include "host/gdal/DocumentOpen.h"
#include "host/gdal/Gdal.h"
#include "plotlet/DrawSupport.h"
#include "plotlet/ProgressLine.h"
#include "plotlet/Subcommands.h"
#include "runtime/Error.h"
#include "ui/Driver.h"
#include "ui/Form.h"
#include "ui/ListBox.h"

namespace plotlet::cli {

namespace {

namespace fs = std::filesystem;

struct Options {
    std::string map;
    std::string layer;
    std::string newLayer;
    std::string file;  // --out of save, FILE of load
    std::string save;
    bool restore = false;
};

struct RunFailure {
    std::string message;
    int code;
};

[[noreturn]] void fail(std::string message, int code) { throw RunFailure{std::move(message), code}; }

constexpr const char* FormName = "FrmOpenSaveGraphLayer";

int rowOf(const ui::ListBox& list, const std::string& text) {
    for (int row = 0; row < list.listCount(); ++row)
        if (list.list(row) == text) return row;
    return -1;
}

// The map with the plug-in's main dialog open on it.
struct Session {
    host::ApplicationPtr application;
    std::shared_ptr<host::ICommand> command;
    ui::Form* dialog = nullptr;
};

Session open(Context& context, const std::string& path) {
    Session s;
    host::gdal::install();
    useCairoDisplay();
    s.application = std::make_shared<host::Application>();
    try {
        host::gdal::openInApplication(*s.application, path);
    } catch (const runtime::Error& e) {
        fail(e.description(), InputError);
    }
    try {
        s.command = createPlotletCommand(context);
    } catch (const std::exception& e) {
        fail(e.what(), PluginLoadFailure);
    }
    s.dialog = openPlotletDialog(*s.command, s.application);
    if (!s.dialog) fail("the command did not open its dialog (the map holds no layer?)", PluginFailed);
    return s;
}

// Presses the main dialog's button; `work` acts on the graphics form while it is shown. Returns
// the boxes shown from then on.
std::vector<ui::ShellEvent> pressAndWork(Context& context, Session& s, const char* button,
                                         std::function<void(ui::Form&, ui::Driver&)> work) {
    std::optional<RunFailure> inside;
    bool shown = false;
    context.shell->onModal(FormName, [&](ui::Form& form) {
        shown = true;
        ui::Driver user(form);
        try {
            work(form, user);
        } catch (const RunFailure& f) {
            inside = f;
        }
    });
    const std::size_t before = context.shell->transcript().size();
    std::optional<TaskProgressLine> progress;
    if (messagesGoToTerminal(context)) progress.emplace(context.err);
    if (!ui::Driver(*s.dialog).click(button)) fail(std::string("the dialog did not take ") + button, PluginFailed);
    progress.reset();
    if (inside) throw *inside;
    if (!shown) fail("the graphics file dialog did not open", PluginFailed);
    const auto& t = context.shell->transcript();
    std::vector<ui::ShellEvent> boxes;
    for (std::size_t i = before; i < t.size(); ++i)
        if (t[i].kind == "message") boxes.push_back(t[i]);
    return boxes;
}

// What the boxes after OK say: an error report is a failure (5); a warning that stops the form
// is a refused file or name (2); success is the form's closing plain OK box.
void judge(const std::vector<ui::ShellEvent>& boxes, const std::string& what) {
    // A file the form cannot read is reported twice: the reader's error report, then the
    // form's own refusal. The refusal decides.
    for (const ui::ShellEvent& b : boxes)
        if (b.icon == ui::mb::Exclamation && b.buttons == ui::mb::OKOnly && b.title != "Unexpected Program Error")
            fail(what + " was refused (the message is below); nothing was saved", InputError);
    for (const ui::ShellEvent& b : boxes)
        if (b.title == "Unexpected Program Error") fail(what + " failed (the report is below); nothing was saved", PluginFailed);
    if (boxes.empty() || boxes.back().icon != ui::mb::NoIcon || boxes.back().buttons != ui::mb::OKOnly)
        fail(what + " did not finish (the messages are below); nothing was saved", PluginFailed);
}

int save(Context& context, const Options& o) {
    Session s = open(context, o.map);
    const std::string out = fs::absolute(o.file).string();
    const auto boxes = pressAndWork(context, s, "CmdSaveGraphicsLayerToFile", [&](ui::Form& form, ui::Driver& user) {
        const int row = rowOf(form.listBox("LstGLayers"), o.layer);
        if (row < 0) fail("the map has no graphics layer " + o.layer, InputError);
        if (!user.clickListRow("LstGLayers", row)) fail("the dialog did not take the layer " + o.layer, PluginFailed);
        context.shell->chooseFile(out);
        if (!user.click("CmdFileName")) fail("the dialog did not take the file name", PluginFailed);
        if (fs::exists(out)) context.shell->answerMessage(ui::mb::Yes);
        user.click("CmdOK");
    });
    judge(boxes, "saving " + o.layer + " to " + o.file);
    context.out << "graphics file: " << out << '\n';
    return Ok;
}

int load(Context& context, const Options& o) {
    if (o.layer.empty() == o.newLayer.empty()) fail("name the target with either --layer or --new-layer", UsageError);
    if (!fs::is_regular_file(o.file)) fail(o.file + ": no such file", InputError);
    Session s = open(context, o.map);
    const std::string file = fs::absolute(o.file).string();
    context.shell->setQuestionDefault(o.restore ? ui::QuestionDefault::Accept : ui::QuestionDefault::Decline);
    const auto boxes = pressAndWork(context, s, "CmdLoadGraphicsLayerFromFile", [&](ui::Form& form, ui::Driver& user) {
        if (!o.layer.empty()) {
            const int row = rowOf(form.listBox("LstGLayers"), o.layer);
            if (row < 0) fail("the map has no graphics layer " + o.layer + " (--new-layer makes one)", InputError);
            if (!user.clickListRow("LstGLayers", row)) fail("the dialog did not take the layer " + o.layer, PluginFailed);
        } else {
            if (!user.setChecked("ChkNewGLayer", true)) fail("the dialog did not take a new layer", PluginFailed);
            const std::size_t before = context.shell->transcript().size();
            // Typed and left, so that the form checks the name as it does for a user.
            if (!user.typeText("TxtNewGLayerName", o.newLayer)) fail("the dialog did not take the name", PluginFailed);
            if (context.shell->transcript().size() != before)
                fail("--new-layer " + o.newLayer + ": the map has a graphics layer of that name (use --layer)", InputError);
        }
        context.shell->chooseFile(file);
        if (!user.click("CmdFileName")) fail("the dialog did not take the file name", PluginFailed);
        user.click("CmdOK");
    });
    judge(boxes, "loading " + o.file);
    try {
        host::writeMapDocument(*s.application->document(), o.save);
    } catch (const runtime::Error& e) {
        fail(e.description(), InputError);
    }
    const std::string target = o.layer.empty() ? o.newLayer : o.layer;
    const host::GraphicsLayerPtr layer = s.application->document()->focusMap()->basicGraphicsLayer()->findLayerOrNull(target);
    context.out << "elements: " << (layer ? layer->container().elementCount() : 0) << " on graphics layer " << target << '\n';
    context.out << "map document: " << fs::absolute(o.save).string() << '\n';
    return Ok;
}

template <class Work>
void guarded(Context& context, Work&& work) {
    try {
        context.exitCode = work();
    } catch (const RunFailure& f) {
        context.err << "plotlet: error: " << f.message << '\n';
        context.exitCode = f.code;
    }
}

}  // namespace

void addGraphicsSubcommand(CLI::App& app, Context& context) {
    CLI::App* graphics = app.add_subcommand("graphics", "Save a graphics layer to a graphics file (.obj) or load one into a map");
    graphics->require_subcommand(1);

    auto s = std::make_shared<Options>();
    CLI::App* saveCmd = graphics->add_subcommand("save", "Write every element of a graphics layer, with the map's scales, to a file");
    saveCmd->add_option("MAP", s->map, "A map document (.pmx) or a data file")->required();
    saveCmd->add_option("--layer", s->layer, "The graphics layer to save")->required();
    saveCmd->add_option("--out", s->file, "The graphics file to write (replaced when it exists)")->required();
    saveCmd->callback([&context, s] { guarded(context, [&] { return save(context, *s); }); });

    auto l = std::make_shared<Options>();
    CLI::App* loadCmd = graphics->add_subcommand("load", "Add the elements of a graphics file to a graphics layer and save the map");
    loadCmd->add_option("MAP", l->map, "A map document (.pmx) or a data file")->required();
    loadCmd->add_option("FILE", l->file, "The graphics file (.obj)")->required();
    loadCmd->add_option("--layer", l->layer, "An existing graphics layer to add the elements to");
    loadCmd->add_option("--new-layer", l->newLayer, "A new graphics layer to make for the elements");
    loadCmd->add_flag("--restore-parameters", l->restore,
                      "Set the map's scales and coordinate system back to the saved ones where they differ");
    loadCmd->add_option("--save", l->save, "The map document to write (written only when the load succeeds)")->required();
    loadCmd->callback([&context, l] { guarded(context, [&] { return load(context, *l); }); });
}

}  // namespace plotlet::cli
