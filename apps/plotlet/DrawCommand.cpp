// `plotlet draw`: the plug-in's main job from the command line. Opens a map document (or a data
// file as a new map), loads the plug-in, clicks its command and works the dialog through the
// forms runtime as a person would (layer, key, chart fields, scale, placement, labels, layer
// file), presses OK, then saves the map document and, on request, draws it into a picture.
//
// The dialog's boxes go to standard error (in the dialog's language); questions get the safe
// answer unless --yes. Any box during OK means the run did not do what was asked: nothing is
// saved, the exit code says so, and an existing output document stays as it was.

#include <algorithm>
#include <atomic>
#include <charconv>
#include <limits>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "dialog/PlacementOptions.h"
#include "engine/Placement.h"
#include "host/MapDocumentFile.h"
#include "host/Symbol.h"
#include "runtime/NumberText.h"
#include "host/TaskProgress.h"
#include "host/gdal/AttributeQuery.h"
#include "host/gdal/DocumentOpen.h"
#include "host/gdal/Gdal.h"
#include "host/gdal/GdalFeatureClass.h"
#include "plotlet/Arrange.h"
#include "plotlet/DerivedPointsOffer.h"
#include "plotlet/DialogActions.h"
#include "plotlet/DrawSupport.h"
#include "plotlet/LegendOption.h"
#include "plotlet/ParameterFiles.h"
#include "plotlet/PictureDecorations.h"
#include "plotlet/ProgressLine.h"
#include "plotlet/Subcommands.h"
#include "plotlet/Suggest.h"
#include "runtime/Error.h"
#include "runtime/Settings.h"
#include "runtime/Text.h"
#include "ui/ComboBox.h"
#include "ui/Driver.h"
#include "ui/Form.h"
#include "ui/ListBox.h"
#include "ui/ListView.h"
#include "ui/TextBox.h"
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
    std::string params;
    std::string saveParams;
    std::string save;
    std::string out;
    int width = 2000;
    double dpi = 96;
    std::string seed;
    bool yes = false;
    bool arrange = false;
    bool shortNumbers = false;
    std::string legend;
    std::vector<std::string> pairs;
    // The chart's scale and look, in a user's words.
    std::optional<double> max, min, minMm, size, barWidth, fontSize;
    std::optional<bool> labels, leaders;
    std::string colors;
    std::string palette = "okabe-ito";
    DecorationOptions decorations;
};

// The title of the plug-in's report of an unexpected failure.
constexpr std::string_view ErrorReportTitle = "Unexpected Program Error";

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

// A whole number of the option, or a usage error naming the option when it is none or lies
// outside [low, high] (never a silent saturation).
template <class Integer>
Integer wholeNumber(const std::string& option, const std::string& text, Integer low, Integer high) {
    Integer value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool negativeForUnsigned = ec == std::errc::invalid_argument && low == 0 && text.size() > 1 && text[0] == '-' && isInteger(text);
    if (ec == std::errc::result_out_of_range || negativeForUnsigned || (ec == std::errc() && end == text.data() + text.size() && (value < low || value > high)))
        fail(option + " " + text + ": out of range (" + std::to_string(low) + " to " + std::to_string(high) + ")");
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) fail(option + " " + text + ": not a whole number");
    return value;
}

// The dialog's member of the placement group for a code or name.
int placementIndex(const std::string& text, bool recreate) {
    static const std::map<std::string, int> names = {
        {"CENTER", 0},    {"CENTRE", 0},     {"E", 1},          {"RIGHT", 1},     {"NE", 2},
        {"NE-CIRCLE", 3}, {"N", 4},          {"TOP", 4},        {"OLD", OldPlacementIndex}, {"NW", 6},
        {"NW-CIRCLE", 7}, {"W", 8},          {"LEFT", 8},       {"SW-CIRCLE", 9}, {"SW", 10},
        {"S", 11},        {"BOTTOM", 11},    {"SE-CIRCLE", 12}, {"SE", 13},       {"OVER-OLD", OverOldChartsIndex},
    };
    const std::string codes = "codes are 0 to " + std::to_string(LastPlacementIndex) + " (" + std::to_string(OldPlacementIndex) +
                              " excepted), -1 (old place) and -2 (over old charts)";
    int index = -1;
    if (isInteger(text)) {
        const auto code = wholeNumber<long long>("--placement", text, std::numeric_limits<long long>::min(),
                                                 std::numeric_limits<long long>::max());
        if (code == PlacementOldPlace) index = OldPlacementIndex;
        else if (code == PlacementOverOldCharts) index = OverOldChartsIndex;
        else if (code >= 0 && code <= LastPlacementIndex && code != OldPlacementIndex) index = static_cast<int>(code);
        else fail("--placement " + text + ": " + codes);
    } else {
        auto it = names.find(runtime::upperCase(text));
        if (it == names.end())
            fail("--placement " + text + ": use a code or one of center, e, ne, ne-circle, n, nw, nw-circle, w, "
                 "sw-circle, sw, s, se-circle, se, old, over-old");
        index = it->second;
    }
    if ((index == OldPlacementIndex || index == OverOldChartsIndex) && !recreate)
        fail("--placement " + text + " keeps old charts: it needs --recreate");
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
std::size_t applySelection(const host::FeatureLayerPtr& layer, const std::string& selected, std::ostream& err) {
    std::vector<std::int64_t> oids;
    const std::vector<std::string> parts = splitList(selected);
    const bool identifiers = !parts.empty() && std::all_of(parts.begin(), parts.end(), isInteger);
    if (identifiers) {
        for (const std::string& p : parts)
            oids.push_back(wholeNumber<std::int64_t>("--selected", p, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()));
    } else {
        try {
            oids = host::gdal::selectWhere(*layer->featureClass(), selected);
        } catch (const runtime::Error& e) {
            fail("--selected: " + e.description(), InputError);
        }
    }
    layer->selectionSet()->clear();
    std::vector<std::string> missing;
    for (std::int64_t oid : oids) {
        if (layer->featureClass()->rowOfOid(oid)) layer->selectionSet()->add(oid);
        else missing.push_back(std::to_string(oid));
    }
    if (!missing.empty())
        err << "plotlet: warning: --selected: " << layer->name() << " has no feature " << listOf(missing) << '\n';
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

const char* shapeWord(host::GeometryType type) {
    switch (type) {
    case host::GeometryType::Point: return "point";
    case host::GeometryType::Multipoint: return "multipoint";
    case host::GeometryType::Polyline: return "line";
    case host::GeometryType::Polygon: return "polygon";
    default: return "shapeless";
    }
}

// The layers a user may name: every feature layer, and those the dialog charts (readable point
// layers).
std::vector<std::string> featureLayerNames(const host::Map& map, bool pointsOnly) {
    std::vector<std::string> names;
    for (const host::FeatureLayerPtr& l : map.featureLayers()) {
        if (!pointsOnly || (l->featureClass() && l->featureClass()->shapeType() == host::GeometryType::Point))
            names.push_back(l->name());
    }
    return names;
}

std::vector<std::string> comboRows(const ui::ComboBox& combo) {
    std::vector<std::string> rows;
    for (int row = 0; row < combo.listCount(); ++row) rows.push_back(combo.list(row));
    return rows;
}

// The layer the user named, or a failure that says what the map holds instead.
host::FeatureLayerPtr chartableLayer(const host::Map& map, const std::string& name) {
    const std::vector<std::string> points = featureLayerNames(map, true);
    const host::FeatureLayerPtr layer = map.findFeatureLayer(name);
    if (!layer) {
        const std::vector<std::string> all = featureLayerNames(map, false);
        fail("the map has no layer " + name + didYouMean(name, all) + "; its point layers: " + listOf(points), InputError);
    }
    if (!layer->featureClass()) fail("the data of layer " + name + " cannot be read: " + layer->brokenReason(), InputError);
    const host::GeometryType type = layer->featureClass()->shapeType();
    // Polygons and lines are charted through their derived points (chartDerivedPoints).
    if (type != host::GeometryType::Point && type != host::GeometryType::Polygon && type != host::GeometryType::Polyline) {
        std::string message = "layer " + name + " is a " + shapeWord(type) + " layer; charts stand beside single points";
        if (type == host::GeometryType::Multipoint) message += " (a multipoint layer can be split into points, e.g. with ogr2ogr -explodecollections)";
        fail(message + "; the map's point layers: " + listOf(points), InputError);
    }
    return layer;
}

// The numeric fields the dialog offers for charts, with their types, for messages.
std::string numericFieldList(const ui::ListBox& list, const host::FeatureClass& fc) {
    std::vector<std::string> fields;
    for (int row = 0; row < list.listCount(); ++row) {
        const std::string name = list.list(row, 0);
        const int index = fc.findField(name);
        fields.push_back(index >= 0 ? name + " (" + host::fieldTypeName(fc.field(index).type) + ")" : name);
    }
    return listOf(fields);
}

std::vector<std::string> listRows(const ui::ListBox& list) {
    std::vector<std::string> rows;
    for (int row = 0; row < list.listCount(); ++row) rows.push_back(list.list(row, 0));
    return rows;
}

// The key the old charts of a Recreate were made with: the field among the dialog's keys whose
// values name the most old charts (a chart is named by its feature's key value). Empty when
// there are no named old charts to tell by; a failure when no field or more than one fits.
std::string keyOfOldCharts(const host::Map& map, const std::string& chartLayer, const host::FeatureClass& fc,
                           const ui::ComboBox& keys) {
    const host::GraphicsLayerPtr old = map.basicGraphicsLayer()->findLayerOrNull(chartLayer);
    if (!old) return {};
    std::unordered_set<std::string> names;
    for (const host::ElementPtr& chart : old->container().elements()) {
        // A chart is a group whose marker carries the name.
        if (!chart->name().empty()) names.insert(chart->name());
        if (const auto group = std::dynamic_pointer_cast<host::GroupElement>(chart))
            for (const host::ElementPtr& member : group->ownElements())
                if (!member->name().empty()) names.insert(member->name());
    }
    if (names.empty()) return {};
    std::vector<std::string> best;
    std::size_t bestCount = 0;
    for (int row = 0; row < keys.listCount(); ++row) {
        const int index = fc.findField(keys.list(row));
        if (index < 0) continue;
        std::unordered_set<std::string> matched;
        for (std::size_t r = 0; r < fc.featureCount() && matched.size() < names.size(); ++r) {
            const runtime::Variant value = fc.value(r, index);
            if (value.isNull()) continue;
            std::string text = value.toString();
            if (names.count(text)) matched.insert(std::move(text));
        }
        if (matched.size() > bestCount) {
            bestCount = matched.size();
            best = {keys.list(row)};
        } else if (matched.size() == bestCount && bestCount > 0) {
            best.push_back(keys.list(row));
        }
    }
    if (best.empty())
        fail("--recreate: the old charts on " + chartLayer + " are named by no field of the layer; give --key", UsageError);
    if (best.size() > 1)
        fail("--recreate: the old charts on " + chartLayer + " may have been made with any of the keys " + listOf(best) +
                 "; give --key",
             UsageError);
    return best.front();
}

// Features the charts are made for that have no location (no shape or an empty one): the
// plug-in draws no chart for them.
std::size_t featuresWithoutLocation(const host::FeatureLayer& layer, bool selectedOnly) {
    const host::FeatureClass& fc = *layer.featureClass();
    const bool points = fc.shapeType() == host::GeometryType::Point;
    auto unlocated = [&](std::size_t row) {
        if (points) {
            const host::XY p = fc.pointAt(row);
            return std::isnan(p.x) || std::isnan(p.y);
        }
        const host::GeometryPtr shape = fc.shape(row);
        return !shape || shape->isEmpty();
    };
    std::size_t count = 0;
    if (selectedOnly) {
        for (std::int64_t oid : layer.selectionSet()->oids())
            if (auto row = fc.rowOfOid(oid); row && unlocated(*row)) ++count;
    } else {
        for (std::size_t row = 0; row < fc.featureCount(); ++row)
            if (unlocated(row)) ++count;
    }
    return count;
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
    TerminalProgress(std::ostream& err, host::StepProgressor& progressor) : err_(err), tasks_(err), progressor_(progressor) {
        progressor_.setObserver([this](const host::StepProgressor::State& s) {
            if (s.visible && s.message != shownMessage_) {
                tasks_.line().finish();
                err_ << s.message << '\n';
                err_.flush();
            }
            shownMessage_ = s.visible ? s.message : std::string();
        });
    }
    ~TerminalProgress() { progressor_.setObserver({}); }
    // The host's task reports on this line again (after someone else listened for a while).
    void observeTasks() { tasks_.observe(); }
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

private:
    std::ostream& err_;
    TaskProgressLine tasks_;
    host::StepProgressor& progressor_;
    std::string shownMessage_;
};

// Saving the map document and drawing its picture at once show one progress line: the two
// counts added up, under a lock (they come from two threads).
class SaveAndDrawProgress {
public:
    explicit SaveAndDrawProgress(std::ostream& err) : line_(err) {}
    void saving(std::size_t done, std::size_t total) { update(saving_, done, total); }
    void drawing(std::size_t done, std::size_t total) { update(drawing_, done, total); }
    void finish() {
        const std::lock_guard<std::mutex> lock(mutex_);
        line_.finish();
    }

private:
    struct Count {
        std::size_t done = 0, total = 0;
    };
    void update(Count& count, std::size_t done, std::size_t total) {
        const std::lock_guard<std::mutex> lock(mutex_);
        count = {done, total};
        // Once both have told their size, so the total does not grow under the reader's eyes.
        if (saving_.total && drawing_.total)
            line_.show("plotlet: saving and drawing", saving_.done + drawing_.done, saving_.total + drawing_.total);
    }

    std::mutex mutex_;
    ProgressLine line_;
    Count saving_, drawing_;
};

// The picture drawn on a second thread while the map document is saved: both only read the map.
// What either fills in lazily, and why the two never write the same thing at once:
// - holder counts: saving writes an object that one pointer holds without an id. Drawing copies
//   no pointer of the elements it draws (a marker measures its chart through a plain pointer)
//   and starts only once the map's head is written (layers, whose renderers it does copy), so
//   the ids come out as when the picture is drawn afterwards; a stray copy would only add an id.
// - the map's reference scale, set for the drawing while it lasts (MapScaleAsReference): saving
//   reads it with the map's head, before the drawing starts.
// - a group's envelope (GroupElement::geometry), the container's spatial index, marker stamps,
//   glyph runs, fonts and a feature class's oid index: filled by drawing only; saving walks the
//   element lists and asks a group for its members, never for its envelope. A big picture is
//   drawn in bands on threads of its own (render/BandDrawing.h); they share only the locked
//   font tables and row index, and keep their stamps and glyph copies each.
// - the ids and kept objects of the save (PersistContext): the save's own.
// - progress: one line, locked (SaveAndDrawProgress); task reports other than the save's are not
//   shown meanwhile.
// The picture goes to a temporary file beside it and takes its name only when both succeeded:
// a failed save leaves no picture, as when the picture was drawn after it.
class DrawingBesideSaving {
public:
    DrawingBesideSaving(host::MxDocument& document, const PictureRequest& request, SaveAndDrawProgress* progress)
        : document_(document), request_(request), target_(request.path), progress_(progress) {
        const std::filesystem::path p(target_);
        request_.path = (p.parent_path() / ("." + p.filename().string() + ".drawing" + p.extension().string())).string();
    }
    ~DrawingBesideSaving() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        std::error_code ignored;
        std::filesystem::remove(request_.path, ignored);
    }
    DrawingBesideSaving(const DrawingBesideSaving&) = delete;
    DrawingBesideSaving& operator=(const DrawingBesideSaving&) = delete;

    void start() {
        if (thread_.joinable()) return;
        thread_ = std::thread([this] {
            try {
                drawPicture(document_, request_, [this](std::size_t done, std::size_t total) {
                    if (progress_) progress_->drawing(done, total);
                    return !stop_.load();
                });
            } catch (const std::exception& e) {
                failure_ = e.what();
            } catch (...) {
                failure_ = "the drawing failed";
            }
        });
    }
    // After the save: waits for the picture and gives it its name. What went wrong, or "".
    std::string finish() {
        start();  // a document without a map never reached its elements
        thread_.join();
        if (failure_.empty()) {
            std::error_code ec;
            std::filesystem::rename(request_.path, target_, ec);
            if (ec) failure_ = "File " + target_ + ": cannot be written: " + ec.message();
        }
        // Messages name the picture, not the temporary file it was drawn into.
        const std::string temporary = std::filesystem::path(request_.path).filename().string();
        const std::string name = std::filesystem::path(target_).filename().string();
        for (auto at = failure_.find(temporary); at != std::string::npos; at = failure_.find(temporary, at + name.size()))
            failure_.replace(at, temporary.size(), name);
        return failure_;
    }

private:
    host::MxDocument& document_;
    PictureRequest request_;
    std::string target_;
    SaveAndDrawProgress* progress_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::string failure_;
};

// Colours by name or as #RRGGBB.
std::optional<host::RgbColor> parseColor(const std::string& text) {
    static const std::map<std::string, std::uint32_t> names = {
        {"black", 0x000000},  {"white", 0xFFFFFF},  {"grey", 0x808080},   {"gray", 0x808080},    {"red", 0xE41A1C},
        {"green", 0x2CA02C},  {"blue", 0x1F77B4},   {"orange", 0xFF7F0E}, {"yellow", 0xFFD92F},  {"purple", 0x9467BD},
        {"brown", 0x8C564B},  {"pink", 0xE377C2},   {"cyan", 0x17BECF},   {"magenta", 0xD62AD0}, {"navy", 0x000080},
        {"teal", 0x008080},   {"olive", 0x808000},  {"maroon", 0x800000}, {"lime", 0x32CD32},    {"skyblue", 0x56B4E9},
        {"vermillion", 0xD55E00}};
    std::uint32_t rgb = 0;
    const std::string t = runtime::lowerCase(runtime::trim(text));
    if (t.size() == 7 && t[0] == '#' && t.find_first_not_of("0123456789abcdef", 1) == std::string::npos) {
        rgb = static_cast<std::uint32_t>(std::stoul(t.substr(1), nullptr, 16));
    } else if (auto it = names.find(t); it != names.end()) {
        rgb = it->second;
    } else {
        return std::nullopt;
    }
    return host::RgbColor::fromRgb(static_cast<int>(rgb >> 16), static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>(rgb & 0xFF));
}

// The colour-blind-safe palette of Okabe and Ito, black left out (bars have black outlines).
constexpr std::uint32_t OkabeIto[] = {0xE69F00, 0x56B4E9, 0x009E73, 0xF0E442, 0x0072B2, 0xD55E00, 0xCC79A7, 0x999999};

// The field colours the options ask for, one per field; empty: the dialog's own random colours.
std::vector<host::RgbColor> fieldColors(const Options& options, std::size_t fieldCount) {
    std::vector<host::RgbColor> colors;
    if (!options.colors.empty()) {
        for (const std::string& name : splitList(options.colors)) {
            const auto color = parseColor(name);
            if (!color) fail("--colors: " + name + " is no colour; use a name (red, orange, skyblue, ...) or #RRGGBB");
            colors.push_back(*color);
        }
        if (colors.size() != fieldCount)
            fail("--colors: " + std::to_string(colors.size()) + " colours for " + std::to_string(fieldCount) +
                 " fields; give one per field");
        return colors;
    }
    const std::string palette = runtime::lowerCase(options.palette);
    if (palette == "random") return colors;
    if (palette != "okabe-ito") fail("--palette " + options.palette + ": use okabe-ito (colour-blind safe) or random");
    for (std::size_t k = 0; k < fieldCount; ++k) {
        const std::uint32_t rgb = OkabeIto[k % std::size(OkabeIto)];
        colors.push_back(host::RgbColor::fromRgb(static_cast<int>(rgb >> 16), static_cast<int>((rgb >> 8) & 0xFF),
                                                 static_cast<int>(rgb & 0xFF)));
    }
    return colors;
}

bool setsControl(const Options& options, std::string_view control) {
    for (const std::string& assignment : options.sets)
        if (runtime::equalsIgnoreCase(runtime::trim(assignment.substr(0, assignment.find('='))), control)) return true;
    return false;
}

int draw(Context& context, Options options) {
    const std::vector<std::string> fields = splitList(options.fields);
    if (fields.empty()) fail("--fields: name at least one field");
    if (!options.oldLayer.empty() && !options.recreate) fail("--old-layer needs --recreate");
    const int placement = options.placement.empty() ? -1 : placementIndex(options.placement, options.recreate);
    if (options.min && options.minMm && options.size)
        fail("--min, --min-mm and --size: give at most two of them; the dialog makes the third follow");
    const std::vector<host::RgbColor> colors = fieldColors(options, fields.size());
    std::optional<std::uint64_t> seed;
    if (!options.seed.empty()) seed = wholeNumber<std::uint64_t>("--seed", options.seed, 0, std::numeric_limits<std::uint64_t>::max());
    if (placement == OverOldChartsIndex && options.oldLayer.empty()) fail("--placement over-old needs --old-layer");
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
    // Each chart keeps the layer's name and its extremes beside the field values, under these
    // keys: a chart field of the same name would overwrite them.
    for (const std::string& field : fields) {
        for (const char* reserved : {"LayerName", "#Vmax#", "#Vmin#"})
            if (runtime::equalsIgnoreCase(field, reserved))
                fail("--fields: " + field + " cannot be a chart field: each chart keeps " + reserved +
                         " under that name; rename the field in the data first",
                     InputError);
    }
    {
        // A map document under a picture's name would fool whoever opens it.
        const std::string extension = runtime::lowerCase(std::filesystem::path(options.save).extension().string());
        if (extension == ".png" || extension == ".svg" || extension == ".pdf" || extension == ".jpg" || extension == ".jpeg")
            fail("--save " + options.save + ": that is a picture's name; save the map document as .pmx and draw the picture with --out");
    }
    std::optional<PictureRequest> picture;
    try {
        if (!options.out.empty()) picture = pictureRequest(options.out, options.width, options.dpi);
        if (picture) picture->decorations = decorationsOf(options.decorations, options.lang);
    } catch (const std::invalid_argument& e) {
        fail(e.what());
    }

    // The map, measured and drawn with the cairo display's fonts.
    host::gdal::install();
    useCairoDisplay();
    auto application = std::make_shared<host::Application>();
    const struct KeepApplication {
        std::shared_ptr<host::Application> application;
        ~KeepApplication() { keepUntilExit(application); }
    } keepApplication{application};
    // Reading, charting, saving and drawing a large layer each take seconds: on a terminal
    // their progress shows.
    const bool terminal = messagesGoToTerminal(context);
    std::optional<TerminalProgress> progress;
    if (terminal) progress.emplace(context.err, application->statusBar().progressBar());
    try {
        host::gdal::openInApplication(*application, options.input);
    } catch (const runtime::Error& e) {
        fail(e.description(), InputError);
    }
    const host::MxDocumentPtr document = application->document();
    const host::MapPtr map = document->focusMap();
    host::FeatureLayerPtr layer = chartableLayer(*map, options.layer);
    if (layer->featureClass()->shapeType() != host::GeometryType::Point) {
        // Beside the map document that will name them, so that it reopens with them.
        const std::string documentPath = options.save.empty() ? options.input : options.save;
        try {
            layer = chartDerivedPoints(context, *map, layer, std::filesystem::absolute(documentPath).parent_path().string(), options.yes);
        } catch (const DerivedPointsRefusal& r) {
            fail(r.message, r.code);
        }
        options.layer = layer->name();
    }
    // What reading the data changed (values read as null, numbers beyond what a double holds).
    if (auto gdal = std::dynamic_pointer_cast<const host::gdal::GdalFeatureClass>(layer->featureClass()))
        for (const std::string& warning : gdal->warnings()) context.err << "plotlet: warning: " << options.layer << ": " << warning << '\n';
    if (!options.selected.empty() && applySelection(layer, options.selected, context.err) == 0)
        fail("--selected " + options.selected + ": no feature of " + options.layer + " is selected; nothing drawn", InputError);

    // The plug-in, its command and its dialog. A seed makes the random field colours repeatable.
    if (seed) runtime::setRandomSeed(seed);
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
    // A parameter file comes before the other options, which then override what it set.
    bool maxFromParams = false;
    if (!options.params.empty()) {
        try {
            maxFromParams = loadParameterFile(context, *dialog, options.params);
        } catch (const ParameterFileFailure& f) {
            fail(f.message, f.code);
        }
    }
    if (dialog->comboBox("CmbLayers").findRow(options.layer) < 0)
        fail("layer " + options.layer + " is not offered by the dialog; it offers: " + listOf(comboRows(dialog->comboBox("CmbLayers"))),
             InputError);
    require(user.chooseComboText("CmbLayers", options.layer), "the dialog did not take the layer " + options.layer);
    std::string key = options.key;
    if (key.empty() && options.recreate) {
        // Without the key the old charts were made with, no old chart would be found again and
        // every chart would be doubled.
        const std::string oldCharts = placement == OverOldChartsIndex ? options.oldLayer : options.layer + "_charts";
        key = keyOfOldCharts(*map, oldCharts, *layer->featureClass(), dialog->comboBox("CmbKey"));
        if (!key.empty() && key != dialog->comboBox("CmbKey").text())
            context.err << "plotlet: note: --recreate takes the key " << key << ", by which the old charts on " << oldCharts
                        << " were named\n";
    }
    if (!key.empty()) {
        const ui::ComboBox& keys = dialog->comboBox("CmbKey");
        if (keys.findRow(key) < 0)
            fail("--key " + key + ": layer " + options.layer + " has no such field" + didYouMean(key, comboRows(keys)) +
                     "; its fields: " + listOf(comboRows(keys)),
                 InputError);
        require(user.chooseComboText("CmbKey", key), "the dialog did not take the key " + key);
    }
    const std::string offeredFields = numericFieldList(dialog->listBox("LstFields"), *layer->featureClass());
    const std::vector<std::string> offeredNames = listRows(dialog->listBox("LstFields"));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string& field = fields[i];
        for (std::size_t j = 0; j < i; ++j)
            if (runtime::equalsIgnoreCase(fields[j], field)) fail("--fields: " + field + " is named twice");
        const int row = findListRow(dialog->listBox("LstFields"), field);
        if (row < 0) {
            const int index = layer->featureClass()->findField(field);
            const std::string what = index >= 0 ? " is not a numeric field of " + options.layer + " (it is a " +
                                                      host::fieldTypeName(layer->featureClass()->field(index).type) + " field)"
                                                : " is no field of " + options.layer + didYouMean(field, offeredNames);
            fail("--fields: " + field + what + "; the numeric fields of " + options.layer + ": " + offeredFields, InputError);
        }
        require(user.selectListRows("LstFields", {row}), "the dialog did not take the field " + field);
        require(user.click("CmdFieldsTo"), "the dialog did not move the field " + field);
    }
    if (!options.selected.empty()) require(user.chooseOption("OpAllObjects", 1), "the dialog did not take the selection");
    if (options.recreate) require(user.chooseOption("OpCreateDiagr", 1), "the dialog did not switch to Recreate");
    if (!options.oldLayer.empty()) {
        const std::vector<std::string> offered = comboRows(dialog->comboBox("CmbOldChartLayer"));
        if (dialog->comboBox("CmbOldChartLayer").findRow(options.oldLayer) < 0)
            fail("--old-layer " + options.oldLayer + ": the map has no such graphics layer besides the layer's own" +
                     didYouMean(options.oldLayer, offered) + "; its graphics layers: " + listOf(offered),
                 InputError);
        require(user.chooseComboText("CmbOldChartLayer", options.oldLayer), "the dialog did not take --old-layer " + options.oldLayer);
    }
    if (placement >= 0) require(user.chooseOption("OpChartPosition", placement), "the dialog refused the placement");

    // The chart's scale, as a person sets it: the lock off, so that the chart size holds while
    // the values change; the largest value (typed, or the max button's); the smallest; then the
    // size, or the millimetres of the smallest bar with the lock on, so that the size follows.
    auto type = [&](const char* box, double value) {
        require(user.typeText(box, runtime::numberText(value)), std::string("the dialog did not take ") + box);
    };
    // A parameter file that holds the maximum holds the whole scale: without scale options it
    // stays as the file set it, lock included.
    const bool scaleFromParams = maxFromParams && !options.max && !options.min && !options.size && !options.minMm;
    if (!scaleFromParams && dialog->toggleButton("TglBtnLockMin").value())
        require(user.pressToggle("TglBtnLockMin"), "the dialog did not unlock the scale");
    if (options.max) {
        type("TxtMaxValue", *options.max);
    } else if (!setsControl(options, "TxtMaxValue") && !maxFromParams) {
        // As the dialog's max button does: the largest value of the chart fields.
        const int items = dialog->listView("LstViewFields").itemCount();
        for (int i = 1; i <= items; ++i) require(user.clickListViewItem("LstViewFields", i, i > 1), "cannot pick the chart fields");
        require(user.click("CmdCalcMax"), "the dialog could not take the maximum");
    }
    if (options.min) type("TxtMinValue", *options.min);
    if (options.size) type("TxtChartMarkerSize", *options.size);
    if (options.minMm) {
        if (!options.size) require(user.pressToggle("TglBtnLockMin"), "the dialog did not lock the scale");
        type("TxtMinValueMM", *options.minMm);
    }

    // The chart's look.
    if (options.barWidth) type("TxtChartWidth", *options.barWidth);
    if (options.fontSize) type("TxtFontSize", *options.fontSize);
    if (options.labels) require(user.setChecked("ChkLabelDiagramm", *options.labels), "the dialog did not take --labels");
    if (options.leaders) require(user.setChecked("ChkShowLeader", *options.leaders), "the dialog did not take --leaders");

    // Field colours through the dialog's symbol selector, one field after the other.
    const double outlineWidth = runtime::parseDecimal(dialog->textBox("TxtOutlineWidth").text());
    for (std::size_t k = 0; k < colors.size(); ++k) {
        auto outline = std::make_shared<host::SimpleLineSymbol>();
        outline->setColor(host::RgbColor::fromRgb(0, 0, 0));
        outline->setWidth(outlineWidth);
        auto fill = std::make_shared<host::SimpleFillSymbol>();
        fill->setColor(colors[k]);
        fill->setStyle(host::SimpleFillStyle::Solid);
        fill->setOutline(outline);
        context.shell->chooseSymbol(fill);
        const int item = static_cast<int>(k) + 1;
        require(user.clickListViewItem("LstViewFields", item) && user.doubleClickListViewItem("LstViewFields", item),
                "the dialog did not take the colour of " + fields[k]);
    }

    // A legend's fills and order win over the colours above.
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

    // Everything else, as given.
    for (const std::string& assignment : options.sets) setControl(*dialog, assignment);
    if (!options.lyr.empty()) {
        require(user.setChecked("ChkSaveLyrFile", true), "the dialog did not take the layer-file switch");
        context.shell->chooseFile(std::filesystem::absolute(options.lyr).string());
    }

    // OK, and whether it did its work without a word.
    const std::size_t before = context.shell->transcript().size();
    require(user.click("CmdOK", 0), "OK failed");
    const auto& transcript = context.shell->transcript();
    // The plug-in's error report, shown at any step, means the run cannot be trusted; a box
    // during OK that does more than inform means OK stopped without doing its work.
    for (const ui::ShellEvent& event : transcript) {
        if (event.kind == "message" && event.title == ErrorReportTitle)
            fail("the plug-in showed its error report (below); nothing was saved", PluginFailed);
    }
    for (std::size_t i = before; i < transcript.size(); ++i) {
        if (transcript[i].kind == "message" && transcript[i].icon != ui::mb::Information)
            fail("the dialog stopped with a message (below); nothing was saved", PluginFailed);
    }
    if (!options.saveParams.empty()) {
        try {
            saveParameterFile(context, *dialog, options.saveParams);
        } catch (const ParameterFileFailure& f) {
            fail(f.message, f.code);
        }
    }
    if (const std::size_t unlocated = featuresWithoutLocation(*layer, !options.selected.empty()))
        context.err << "plotlet: note: " << unlocated << (unlocated == 1 ? " feature" : " features") << " of " << options.layer
                    << " without a location (no geometry) got no chart\n";
    const host::GraphicsLayerPtr charts = map->basicGraphicsLayer()->findLayerOrNull(options.layer + "_charts");
    const std::size_t chartCount = charts ? charts->container().elementCount() : 0;
    // The labels as the dialog made them, shortened where they crowd; then the charts, with the
    // labels they will be drawn with, moved apart.
    if (options.shortNumbers && charts) shortenCrowdedLabels(context, *document, *charts, language == "Русский");
    if (options.arrange && charts) arrangeGraphicsLayer(context, *document, *charts, {});

    // The results: the map document saved and, on request, the picture drawn at the same time.
    const bool showProgress = terminal && chartCount >= 10000;
    std::optional<SaveAndDrawProgress> both;
    std::optional<DrawingBesideSaving> drawing;
    if (picture) {
        if (showProgress) {
            context.err << "Saving " << options.save << " and drawing " << picture->path << '\n';
            both.emplace(context.err);
            // The save's own progress goes to the shared line until the drawing is done.
            host::setTaskProgressObserver([&both](const host::TaskProgress& p) {
                if (p.task == host::savingMapDocumentTask) both->saving(p.done, p.total);
            });
        }
        drawing.emplace(*document, *picture, both ? &*both : nullptr);
    } else if (showProgress) {
        context.err << "Saving " << options.save << '\n';
    }
    try {
        if (drawing) host::writeMapDocument(*document, options.save, {}, [&drawing] { drawing->start(); });
        else host::writeMapDocument(*document, options.save);
    } catch (const runtime::Error& e) {
        drawing.reset();  // stopped; its picture is not kept
        if (both) both->finish();
        if (progress) progress->observeTasks();
        fail(e.description(), InputError);
    }
    // The drawing ends before anything is printed, so the progress line is not cut by the results.
    const std::string pictureFailure = drawing ? drawing->finish() : std::string();
    if (both) both->finish();
    if (progress) progress->observeTasks();
    context.out << "charts: " << chartCount << " on graphics layer " << options.layer << "_charts\n";
    context.out << "map document: " << std::filesystem::absolute(options.save).string() << '\n';
    if (!options.lyr.empty() && std::filesystem::exists(options.lyr))
        context.out << "layer file: " << std::filesystem::absolute(options.lyr).string() << '\n';
    if (drawing) {
        if (!pictureFailure.empty()) fail("the map document was saved, but the picture was not: " + pictureFailure, InputError);
        context.out << "picture: " << std::filesystem::absolute(picture->path).string() << '\n';
    }
    return Ok;
}

}  // namespace

void addDrawSubcommand(CLI::App& app, Context& context) {
    auto o = std::make_shared<Options>();
    CLI::App* sub = app.add_subcommand("draw", "Draw bar charts beside the features of a point layer and save the map");
    sub->add_option("MAP_OR_DATA", o->input, "A map document (.pmx) or a data file that becomes a new map")->required();
    sub->add_option("--layer", o->layer, "The point layer to chart (a polygon or line layer is charted through its points, see --yes)")->required();
    sub->add_option("--fields", o->fields, "The chart fields, comma-separated, in bar order")->required();
    sub->add_option("--key", o->key, "The key field that names each chart (default: the object identifier)");
    sub->add_option("--selected", o->selected,
                    "Only these features: object identifiers (1,5,9) or an attribute query (\"BIR74 > 1000\")");
    sub->add_flag("--recreate", o->recreate, "Recreate the layer's charts instead of drawing them anew");
    sub->add_option("--placement", o->placement,
                    "Where the chart stands: 0-13 or center, e, ne, ne-circle, n, nw, nw-circle, w, sw-circle, sw, s, "
                    "se-circle, se; with --recreate also -1/old and -2/over-old (default: the dialog's, e)");
    sub->add_option("--old-layer", o->oldLayer, "The graphics layer of the old charts for --placement over-old");
    sub->add_option("--max", o->max, "The value that gets the full chart size (default: the largest of the chart fields)")
        ->check(CLI::PositiveNumber);
    sub->add_option("--min", o->min, "The smallest value drawn as it is; smaller ones get the smallest bar")
        ->check(CLI::NonNegativeNumber);
    sub->add_option("--min-mm", o->minMm, "Height of the smallest bar in millimetres (the chart size follows unless --size)")
        ->check(CLI::NonNegativeNumber);
    sub->add_option("--size", o->size, "Chart size (height of the full bar) in points")->check(CLI::PositiveNumber);
    sub->add_option("--bar-width", o->barWidth, "Width of a bar in points")->check(CLI::PositiveNumber);
    sub->add_option("--font-size", o->fontSize, "Size of the value labels in points")->check(CLI::PositiveNumber);
    // Each pair excludes itself, so the order on the line cannot decide.
    sub->add_flag_callback("--labels", [o] { o->labels = true; }, "Label the bars with their values (the dialog's default)")
        ->excludes(sub->add_flag_callback("--no-labels", [o] { o->labels = false; }, "Draw the bars without value labels"));
    sub->add_flag_callback("--leaders", [o] { o->leaders = true; }, "Draw a leader from each feature to its chart (the dialog's default)")
        ->excludes(sub->add_flag_callback("--no-leaders", [o] { o->leaders = false; }, "Draw no leaders"));
    sub->add_option("--colors", o->colors, "Bar colours, one per field: names or #RRGGBB (wins over --palette)")
        ->type_name("C1,C2,...");
    sub->add_option("--palette", o->palette,
                    "okabe-ito (colour-blind safe, the default) or random (the dialog's random colours; see --seed)");
    sub->add_option("--set", o->sets, "Set a dialog control as a user would, e.g. TxtMaxValue=120 or ChkShowLeader=0")
        ->type_name("CONTROL=VALUE");
    sub->add_option("--lang", o->lang, "The dialog's language: ru or en");
    sub->add_option("--lyr", o->lyr, "Also write a layer file whose chart renderer draws the same charts");
    sub->add_option("--params", o->params, "Load a parameter file (.par) into the dialog before the other options");
    sub->add_option("--save-params", o->saveParams, "Also write the dialog's settings to a parameter file (.par)");
    sub->add_option("--save", o->save, "The map document to write (written only when the run succeeds)")->required();
    sub->add_option("--out", o->out, "Also draw the map into a picture (.png, .svg or .pdf)");
    sub->add_option("--width", o->width, "Width of the picture in pixels (default 2000; the height follows the map)");
    sub->add_option("--dpi", o->dpi, "Resolution of the picture (default 96)");
    addDecorationOptions(*sub, o->decorations);
    sub->add_option("--seed", o->seed, "Seed of the random field colours (--palette random), so a run can be repeated exactly")
        ->type_name("N");
    sub->add_flag("--arrange", o->arrange, "Move the charts so that none covers another chart or another feature's marker");
    addShortNumbersOption(*sub, o->shortNumbers);
    sub->add_flag("--yes", o->yes, "Answer the dialog's questions with yes (default: the safe answer), and accept charting a polygon or line layer through its points");
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
        } catch (const ui::ActionRefused& e) {
            // What a person could not do in the dialog either: the request cannot be met.
            context.err << "plotlet: error: the dialog refused: " << e.what() << '\n';
            context.exitCode = InputError;
        }
    });
}

}  // namespace plotlet::cli
