#include "host/MapDocumentFile.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <cctype>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "host/AtomicFile.h"
#include "host/ElementLineReader.h"
#include "host/ElementText.h"
#include "host/Error.h"
#include "host/JsonScanner.h"
#include "host/Persistence.h"
#include "host/TaskProgress.h"

namespace host {
namespace fs = std::filesystem;

namespace {

// ---- element positions ---------------------------------------------------------------------------

struct ElementPosition {
    const GraphicsLayer* layer;  // the basic graphics layer itself, or one of its sub-layers
    std::vector<std::size_t> path;
};

// Where the selected elements stand, each at its first place in drawing order: a walk of the
// layers that notes only the selected (a map of a million charts has millions of elements, a
// selection mostly a few) and ends once all are placed. A member shared by several groups keeps
// its first place; a group that holds groups is walked once (sharing at every level would make
// the walk exponential), a group of plain elements at each of its places (a walk of its own
// members, no deeper).
Json writeSelection(const Map& map) {
    Json list = Json::array();
    if (map.selectedElementCount() == 0) return list;
    std::unordered_map<const Element*, std::optional<ElementPosition>> wanted;
    for (const auto& e : map.selectedElements()) wanted.emplace(e.get(), std::nullopt);
    std::size_t left = wanted.size();
    std::unordered_set<const GroupElement*> walkedNested;
    std::vector<std::size_t> path;
    // `group`: the elements are that group's own, among which its compact labels (never
    // selected) keep their places.
    const auto walk = [&](const auto& self, const GraphicsLayer* layer, const auto& elements,
                          const GroupElement* group) -> void {
        std::size_t i = 0;
        for (const ElementPtr& element : elements) {
            if (left == 0) return;
            while (group && group->compactLabelAt(i)) ++i;
            path.push_back(i++);
            if (const auto it = wanted.find(element.get()); it != wanted.end() && !it->second) {
                it->second = ElementPosition{layer, path};
                --left;
            }
            if (const auto* sub = element ? elementAs<GroupElement>(*element) : nullptr) {
                if (sub->flat() || walkedNested.insert(sub).second) self(self, layer, sub->ownElements(), sub);
            }
            path.pop_back();
        }
    };
    const auto& basic = map.basicGraphicsLayer();
    walk(walk, basic.get(), basic->container().elements(), nullptr);
    for (const auto& sub : basic->layers()) walk(walk, sub.get(), sub->container().elements(), nullptr);
    for (const auto& e : map.selectedElements()) {
        const auto& place = wanted.at(e.get());
        if (!place) continue;  // not on the map: nothing to select after reading
        Json layer = place->layer == basic.get() ? Json(nullptr) : Json(place->layer->name());
        list.push_back({{"layer", layer}, {"path", place->path}});
    }
    return list;
}

// The elements the selected positions of a document name. Each layer's list is indexed once
// (a list has no places to go to, and a million charts may all be selected); a group's compact
// label becomes an element of its own only when it is selected.
class SelectedPositions {
public:
    explicit SelectedPositions(const Map& map) : map_(map) {}

    ElementPtr resolve(const Json& entry, PersistContext& c) {
        if (!entry.is_object() || !entry.contains("path") || !entry["path"].is_array() || entry["path"].empty())
            c.fail("a selected element must name its layer and a non-empty position path");
        const auto& basic = map_.basicGraphicsLayer();
        GraphicsLayerPtr layer = basic;
        const Json& name = entry.contains("layer") ? entry["layer"] : Json(nullptr);
        if (name.is_string()) {
            layer = basic->findLayerOrNull(name.get<std::string>());
            if (!layer)
                c.fail("a selected element is in graphics layer \"" + name.get<std::string>() + "\", which the map does not have");
        } else if (!name.is_null()) {
            c.fail("a selected element's layer must be a name or null");
        }
        const auto [places, fresh] = layers_.try_emplace(layer.get());
        if (fresh) {
            places->second.reserve(layer->container().elementCount());
            for (const ElementPtr& e : layer->container().elements()) places->second.push_back(&e);
        }
        const auto outside = [&] {
            c.fail("a selected element's position " + entry["path"].dump() + " is not on graphics layer " + layer->name());
        };
        const ElementPtr* element = nullptr;
        const GroupElement* group = nullptr;
        for (const auto& step : entry["path"]) {
            if (!step.is_number_unsigned()) outside();
            const std::size_t at = step.get<std::size_t>();
            if (!element) {
                if (at >= places->second.size()) outside();
                element = places->second[at];
            } else {
                if (!group || at >= group->elementCount()) outside();
                element = &ownOrLabel(*group, at);
            }
            group = *element ? elementAs<GroupElement>(**element) : nullptr;
        }
        return *element;
    }

private:
    static const ElementPtr& ownOrLabel(const GroupElement& group, std::size_t at) {
        if (group.compactLabelCount() == 0 || group.compactLabelAt(at)) return group.element(at);
        std::size_t own = at;
        for (std::size_t i = 0; i < at; ++i) own -= group.compactLabelAt(i) ? 1 : 0;
        return group.ownElements()[own];
    }

    const Map& map_;
    std::unordered_map<const GraphicsLayer*, std::vector<const ElementPtr*>> layers_;
};

// ---- reading element lists one element at a time ----------------------------------------------

// An element list's leading lines that were taken as its items without being walked, and how
// deeply each may nest objects and lists (as the walk would have allowed at their place).
struct UnwalkedLines {
    std::size_t count = 0;
    std::size_t nesting = 0;
};
// Where the elements of every graphics layer stand in a document's text. A document of a
// million charts would otherwise be one JSON tree of tens of millions of values; this way the
// rest of the document is parsed as a whole and each element on its own.
struct ElementRanges {
    std::vector<std::pair<std::size_t, std::size_t>> basic;              // the basic graphics layer's own
    std::vector<std::vector<std::pair<std::size_t, std::size_t>>> subs;  // each sub-layer's, in order
    UnwalkedLines basicUnwalked;
    std::vector<UnwalkedLines> subsUnwalked;
};

// Thrown when a line taken as an element without being walked is not one element after all:
// the document is then read again, every list walked.
struct LinesNotAsLaidOut {};

// Walks one line taken unwalked as the split would have walked it at its place: one value,
// nested no deeper than allowed there, that fills the line.
class LineWalk : public JsonScanner {
public:
    LineWalk(std::string_view line, std::size_t nesting) : JsonScanner(line, nesting) {}
    bool wholeValue() { return value(0) && p_ == t_.size(); }
};

class DocumentSplitter : public JsonScanner {
public:
    // `lines`: element lists laid out one element per line, as this program writes them, are
    // taken line by line without walking each element (see cutLines); their readers check them.
    DocumentSplitter(std::string_view text, std::size_t maxDepth, MappedFile* file, bool lines)
        : JsonScanner(text, maxDepth), file_(file), lines_(lines) {}

    // False when the text is not what this writer writes in the places it looks at (malformed,
    // too deep, a list twice): the caller then parses the whole text, which reports the fault.
    bool split(std::string& skeleton, std::vector<ElementRanges>& maps) {
        // A member given twice would leave the parser and this split at odds: give up then.
        bool seenMaps = false;
        if (!object(0, [&](const std::string& key, int depth) {
                if (key != "maps" || peek() != '[') return value(depth);
                if (seenMaps) return false;
                seenMaps = true;
                return array(depth, [&](int d) {
                    if (peek() != '{') return value(d);
                    maps.emplace_back();
                    bool seenBasic = false;
                    return object(d, [&](const std::string& mapKey, int md) {
                        if (mapKey != "basicGraphics" || peek() != '{') return value(md);
                        if (seenBasic) return false;
                        seenBasic = true;
                        return graphicsLayer(md, maps.back(), true);
                    });
                });
            }))
            return false;
        if (!atEnd()) return false;
        skeleton = this->skeleton();
        return true;
    }

private:
    // An element list: each item's text is noted and the list's content cut from the skeleton.
    bool elementList(int depth, Ranges& out, UnwalkedLines& unwalked, bool& seen) {
        if (seen || peek() != '[') return false;
        seen = true;
        // Lines the direct reader takes nest no deeper than directLineNesting: taken unwalked
        // only where the walk would allow that much.
        const std::size_t nesting = maxDepth_ > static_cast<std::size_t>(depth) + 1 ? maxDepth_ - depth - 1 : 0;
        if (!lines_ || nesting < directLineNesting) return cutList(depth, out);
        unwalked.nesting = nesting;
        return cutLines(depth, out, "{\"$class\":\"GraphicsLayer\"", unwalked.count);
    }
    bool graphicsLayer(int depth, ElementRanges& map, bool composite) {
        bool seenElements = false, seenLayers = false;
        Ranges* own = composite ? &map.basic : &map.subs.back();
        UnwalkedLines* unwalked = composite ? &map.basicUnwalked : &map.subsUnwalked.back();
        return object(depth, [&](const std::string& key, int d) {
            if (key == "elements") return elementList(d, *own, *unwalked, seenElements);
            if (composite && key == "layers" && peek() == '[') {
                if (seenLayers) return false;
                seenLayers = true;
                return array(d, [&](int ld) {
                    if (peek() != '{') return value(ld);
                    map.subs.emplace_back();
                    map.subsUnwalked.emplace_back();
                    return graphicsLayer(ld, map, false);
                });
            }
            return value(d);
        });
    }
    void itemScanned(std::size_t offset) override {
        if (file_) file_->release(offset);
    }

    MappedFile* file_;
    bool lines_;
};

// How far saving or reading the elements has got, for hosts that show it: a document of a
// hundred thousand charts takes seconds either way.
class ElementProgress {
public:
    ElementProgress(std::string task, std::size_t total) : progress_{std::move(task), 0, total, false} {}
    ~ElementProgress() {
        progress_.finished = true;
        if (progress_.total) reportTaskProgress(progress_);
    }
    ElementProgress(const ElementProgress&) = delete;
    ElementProgress& operator=(const ElementProgress&) = delete;
    void step() {
        if ((++progress_.done & 0x3FF) == 0) reportTaskProgress(progress_);
    }

private:
    TaskProgress progress_;
};

std::size_t elementCount(const GraphicsLayer& layer) {
    std::size_t n = layer.container().elementCount();
    if (auto composite = dynamic_cast<const CompositeGraphicsLayer*>(&layer))
        for (const auto& sub : composite->layers()) n += elementCount(*sub);
    return n;
}

// Where a read stands: the text (perhaps a mapped file, released behind the reader) and the
// limits of one piece.
struct ReadSource {
    std::string_view text;
    MappedFile* file;
    const MapDocumentLimits& limits;
};

// One element line read as today: straight into objects when the direct reader knows it,
// otherwise the generic way, which names any fault.
// `unwalked`: the nesting the line may have when the split took it without walking it (0 when it
// was walked).
void readElementLine(GraphicsLayer& layer, const ReadSource& source, std::size_t begin, std::size_t end, PersistContext& c,
                     ElementProgress& progress, bool direct, std::size_t unwalked) {
    if (end - begin > source.limits.maxElementBytes)
        c.fail("holds an element of " + std::to_string(end - begin) + " bytes; at most " + std::to_string(source.limits.maxElementBytes) +
               " are read");
    ElementPtr e;
    if (direct) e = std::static_pointer_cast<Element>(readElementLineDirect(source.text.substr(begin, end - begin), c));
    if (e) {
        if (source.file) source.file->release(end);
    } else {
        // The split already bounded the nesting of this text (walking it now when it did not);
        // only the spelling is left to check.
        if (unwalked && !LineWalk(source.text.substr(begin, end - begin), unwalked).wholeValue()) throw LinesNotAsLaidOut{};
        Json j;
        try {
            j = Json::parse(source.text.data() + begin, source.text.data() + end);
            if (source.file) source.file->release(end);
        } catch (const Json::exception& ex) {
            c.fail("is not valid JSON (" + std::string(ex.what()) + ")");
        }
        e = readObjectAs<Element>(j, c, "a graphics layer's element");
    }
    if (!e) c.fail("graphics layer " + layer.name() + " holds an empty element");
    if (layer.container().contains(e.get())) c.fail("graphics layer " + layer.name() + " holds one element twice");
    layer.container().addElement(e);
    progress.step();
}

std::atomic<std::size_t> parallelReadingFrom{20'000};
std::atomic<bool> lineSplitting{true};
std::atomic<std::size_t> linesTaken{0}, readAgain{0};
std::atomic<std::size_t> parallelBatch{1u << 15};

// Lines [from, to) parsed by the direct reader without touching the context, until the first it
// gives up on: those parsed, in order. Ids of earlier lines of the run resolve through `pending`.
std::vector<ParsedElementLine> parseRun(const ReadSource& source, const std::vector<std::pair<std::size_t, std::size_t>>& ranges,
                                        std::size_t from, std::size_t to, const PersistContext& c) {
    std::vector<ParsedElementLine> parsed;
    parsed.reserve(to - from);
    PendingIds pending;
    ReadSharing sharing;
    for (std::size_t i = from; i < to; ++i) {
        const auto [begin, end] = ranges[i];
        ParsedElementLine line;
        if (end - begin > source.limits.maxElementBytes ||
            !parseElementLine(source.text.substr(begin, end - begin), c, sharing, &pending, line))
            break;
        for (const auto& [id, object] : line.ids) pending.emplace(id, object);
        parsed.push_back(std::move(line));
    }
    return parsed;
}

void readElementList(GraphicsLayer& layer, const ReadSource& source, const std::vector<std::pair<std::size_t, std::size_t>>& ranges,
                     const UnwalkedLines& unwalked, PersistContext& c, ElementProgress& progress) {
    if (ranges.size() > c.limits().maxArrayItems) c.fail("graphics layer " + layer.name() + " holds too many elements");
    layer.container().reserve(ranges.size());
    const bool direct = directElementReading();
    // Lines the direct reader takes need no walk: they nest less deeply than the split allowed.
    const auto readLine = [&](std::size_t i) {
        readElementLine(layer, source, ranges[i].first, ranges[i].second, c, progress, direct,
                        i < unwalked.count ? unwalked.nesting : 0);
    };
    std::size_t next = 0;
    // A large list is parsed on two threads, a batch at a time: each thread parses half of the
    // batch without changing the context, then the lines are registered and added in order, so
    // ids, limits and every message come out as if read one after another. Where a thread gave
    // up (a line the direct reader does not know, a reference to an id of the other half, a
    // fault) the rest of the batch is read one line at a time as usual.
    if (direct && ranges.size() >= parallelReadingFrom.load() && std::thread::hardware_concurrency() > 1) {
        // The first lines one by one: the symbols every chart shares come with the first chart.
        const std::size_t head = std::min<std::size_t>(ranges.size(), 64);
        for (; next < head; ++next) readLine(next);
        const std::size_t batch = parallelBatch.load();
        while (next < ranges.size()) {
            const std::size_t to = std::min(ranges.size(), next + batch);
            const std::size_t middle = next + (to - next) / 2;
            std::vector<ParsedElementLine> second;
            std::exception_ptr failed;
            std::thread helper([&] {
                try {
                    second = parseRun(source, ranges, middle, to, c);
                } catch (...) {
                    failed = std::current_exception();  // out of memory: the lines are read here instead
                }
            });
            std::vector<ParsedElementLine> first;
            try {
                first = parseRun(source, ranges, next, middle, c);
            } catch (...) {
                helper.join();
                throw;
            }
            helper.join();
            if (failed) second.clear();
            // Registered and added in order; from the first line that cannot be, one by one.
            auto add = [&](std::vector<ParsedElementLine>& lines, std::size_t start, std::size_t stop) {
                std::size_t i = start;
                for (ParsedElementLine& line : lines) {
                    if (!registerElementLine(line, c)) break;
                    if (source.file) source.file->release(ranges[i].second);
                    layer.container().addElement(std::move(line.element));
                    progress.step();
                    ++i;
                }
                lines.clear();
                for (; i < stop; ++i) readLine(i);
            };
            add(first, next, middle);
            add(second, middle, to);
            next = to;
        }
        return;
    }
    for (; next < ranges.size(); ++next) readLine(next);
}

// ---- maps ------------------------------------------------------------------------------------------

// Pieces of text written to a file on a thread of their own, in order, while the next piece is
// made: writing a document of a million charts is as much the system copying it into its page
// cache as making it. At most two pieces wait. A failed write is raised, as it was raised, at
// the next piece handed over or at finish(); the pieces after it are dropped.
class WriteBehind {
public:
    explicit WriteBehind(AtomicFileWriter& file) : file_(file) {}
    ~WriteBehind() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // Takes the piece (leaving `text` empty, with room for the next one).
    void hand(std::string& text) {
        if (!thread_.joinable() && !alone_) {
            try {
                thread_ = std::thread([this] { run(); });
            } catch (const std::system_error&) {
                alone_ = true;  // no thread to be had: written here, as before
            }
        }
        if (alone_) {
            file_.write(text.data(), text.size());
            text.clear();
            return;
        }
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return pending_.size() < 2 || failed_; });
        if (failed_) std::rethrow_exception(failed_);
        pending_.push_back(std::move(text));
        text = spare_.empty() ? std::string() : std::move(spare_.back());
        if (!spare_.empty()) spare_.pop_back();
        text.clear();
        lock.unlock();
        changed_.notify_all();
    }
    // Waits until every piece is written.
    void finish() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return (pending_.empty() && !writing_) || failed_; });
        if (failed_) std::rethrow_exception(failed_);
    }

private:
    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return !pending_.empty() || stopping_; });
            if (stopping_ || failed_) return;  // a save given up drops what waits
            std::string text = std::move(pending_.front());
            pending_.pop_front();
            writing_ = true;
            lock.unlock();
            std::exception_ptr error;
            try {
                file_.write(text.data(), text.size());
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            writing_ = false;
            if (error) failed_ = error;
            else if (spare_.size() < 2) spare_.push_back(std::move(text));
            changed_.notify_all();
            if (failed_) return;
        }
    }

    AtomicFileWriter& file_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> pending_;
    std::vector<std::string> spare_;
    bool writing_ = false, stopping_ = false, alone_ = false;
    std::exception_ptr failed_;
    std::thread thread_;
};

// Where a document's text goes: into the temporary file of an atomic write a few megabytes at a
// time (so saving never holds the whole text), or into one string. It also refuses, before they
// are written, the pieces that reading would refuse.
class DocumentOut {
public:
    DocumentOut(PersistContext& context, const MapDocumentLimits& limits, AtomicFileWriter* file)
        : c_(context), limits_(limits), file_(file),
          // An element of a graphics sub-layer sits seven levels down (document, maps, map, basic
          // graphics, layers, sub-layer, elements); a map's head less deep.
          checks_(context, limits.maxDepth, limits.maxListItems, limits.maxObjects, 7) {}

    DocumentOut& operator+=(std::string_view text) {
        buffer_ += text;
        if (file_ && buffer_.size() >= flushBytes) flush();
        return *this;
    }
    // Text outside the element lists: the reader parses all of it as one tree.
    void head(std::string_view text) {
        outside_ += text.size();
        if (outside_ > limits_.maxTextOutsideElements)
            c_.fail("its layers and maps outside the graphics elements take more than " +
                    std::to_string(limits_.maxTextOutsideElements) + " bytes, more than reading accepts");
        *this += text;
    }
    // `j` dumped without its closing brace, so more members can follow.
    void headOpen(const Json& j, int indent = -1) {
        check(j);
        std::string text = dump(j, indent);
        text.pop_back();
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        head(text);
    }
    // Written as text straight away, checked on the way.
    void element(const ElementPtr& e) {
        const std::size_t start = buffer_.size();
        appendElementText(buffer_, e, c_, checks_);
        const std::size_t size = buffer_.size() - start;
        if (size > limits_.maxElementBytes)
            c_.fail("an element takes " + std::to_string(size) + " bytes; reading accepts at most " +
                    std::to_string(limits_.maxElementBytes));
        checks_.objectsWithinLimit();
        if (file_ && buffer_.size() >= flushBytes) flush();
    }
    void flush() {
        if (!file_ || buffer_.empty()) return;
        if (!behind_) behind_.emplace(*file_);
        behind_->hand(buffer_);
    }
    // The last text written out and every piece on the disk's way.
    void finish() {
        flush();
        if (behind_) behind_->finish();
    }
    std::string& text() { return buffer_; }

private:
    static constexpr std::size_t flushBytes = 4u << 20;

    static std::string dump(const Json& j, int indent) {
        // Names and values from data files may hold bytes that are not UTF-8 (a damaged file, a
        // wrong code page): they are written as U+FFFD instead of failing the save.
        return j.dump(indent, ' ', false, Json::error_handler_t::replace);
    }
    // What the reader counts and bounds: objects in all, items of one list, nesting.
    void check(const Json& j) {
        checks_.shape(j, 1);
        checks_.objectsWithinLimit();
    }

    PersistContext& c_;
    const MapDocumentLimits& limits_;
    AtomicFileWriter* file_;
    std::string buffer_;
    std::size_t outside_ = 0;
    WriteLimits checks_;  // counts objects as the reader does: every object written in full
    std::optional<WriteBehind> behind_;
};

// A graphics layer with its elements, one element per line. The elements are turned into JSON
// and text one at a time, so a layer of a million charts never exists as one JSON tree; the
// identities come out in the order a whole-tree write gives them.
void appendGraphicsLayer(DocumentOut& out, const GraphicsLayer& layer, PersistContext& c, ElementProgress& progress,
                         const MapDocumentLimits& limits, const std::function<void()>* elementsBegin) {
    c.setOmitGraphicsContent(true);
    const Json head = writeObject(layer, c);
    c.setOmitGraphicsContent(false);
    out.headOpen(head);
    out += ",\"elements\":[";
    // The basic graphics layer's head is the last one of the map: the rest is elements.
    if (elementsBegin && *elementsBegin) (*elementsBegin)();
    if (layer.container().elementCount() > limits.maxListItems)
        c.fail("graphics layer " + layer.name() + " holds " + std::to_string(layer.container().elementCount()) +
               " elements; reading accepts at most " + std::to_string(limits.maxListItems));
    bool first = true;
    for (const auto& e : layer.container().elements()) {
        out += first ? "\n" : ",\n";
        first = false;
        out.element(e);
        progress.step();
    }
    out += "]";
    if (auto composite = dynamic_cast<const CompositeGraphicsLayer*>(&layer)) {
        out += ",\"layers\":[";
        first = true;
        for (const auto& sub : composite->layers()) {
            out += first ? "\n" : ",\n";
            first = false;
            appendGraphicsLayer(out, *sub, c, progress, limits, nullptr);
        }
        out += "]";
    }
    out += "}";
}

void appendMap(DocumentOut& out, const Map& map, PersistContext& c, const MapDocumentLimits& limits,
               const std::function<void()>* elementsBegin) {
    Json j = Json::object();
    j["name"] = map.name();
    if (map.mapScale() > 0) j["mapScale"] = writeDouble(map.mapScale());
    j["referenceScale"] = writeDouble(map.referenceScale());
    j["spatialReference"] = writeObject(map.spatialReference(), c);
    j["extent"] = map.extent().isEmpty() ? Json(nullptr) : writeObject(std::make_shared<Envelope>(map.extent()), c);
    Json layers = Json::array();
    for (const auto& l : map.layers()) layers.push_back(writeObject(l, c));
    j["layers"] = std::move(layers);
    const GraphicsLayerPtr active = map.activeGraphicsLayer();
    j["activeGraphicsLayer"] = active == map.basicGraphicsLayer() ? Json(nullptr) : Json(active->name());
    j["selectedElements"] = writeSelection(map);
    out.headOpen(j, 1);
    out += ",\n \"basicGraphics\": ";
    ElementProgress progress(savingMapDocumentTask, elementCount(*map.basicGraphicsLayer()));
    appendGraphicsLayer(out, *map.basicGraphicsLayer(), c, progress, limits, elementsBegin);
    out += "\n}";
}

const Json& member(const Json& j, const char* key, PersistContext& c, const char* what) {
    auto it = j.find(key);
    if (it == j.end()) c.fail(std::string(what) + " lacks \"" + key + "\"");
    return *it;
}

void readMap(Map& map, const Json& j, PersistContext& c, const ElementRanges* ranges, const ReadSource& source) {
    if (!j.is_object()) c.fail("a map must be a JSON object");
    if (auto n = j.find("name"); n != j.end()) {
        if (!n->is_string()) c.fail("a map's name must be a text");
        map.setName(n->get<std::string>());
    }
    if (j.contains("mapScale")) {
        const double s = readDouble(j["mapScale"], c, "the map scale");
        if (!(s > 0) || !std::isfinite(s)) c.fail("the map scale must be a positive number");
        map.setMapScale(s);
    }
    if (j.contains("referenceScale")) {
        const double s = readDouble(j["referenceScale"], c, "the reference scale");
        if (!(s >= 0) || !std::isfinite(s)) c.fail("the reference scale must be 0 or a positive number");
        map.setReferenceScale(s);
    }
    if (j.contains("spatialReference")) map.setSpatialReference(readObjectAs<SpatialReference>(j["spatialReference"], c, "the map's coordinate system"));
    if (j.contains("extent") && !j["extent"].is_null()) {
        auto e = readObjectAs<Envelope>(j["extent"], c, "the map's extent");
        if (e) map.setExtent(*e);
    }
    const Json& layers = member(j, "layers", c, "a map");
    if (!layers.is_array()) c.fail("a map's layers must be a list");
    for (const auto& jl : layers) {
        auto layer = readObjectAs<Layer>(jl, c, "a map layer");
        if (!layer) c.fail("a map holds an empty layer");
        map.insertLayer(map.layerCount(), layer);
    }
    if (j.contains("basicGraphics") && !j["basicGraphics"].is_null()) {
        auto basic = readObjectAs<CompositeGraphicsLayer>(j["basicGraphics"], c, "the basic graphics layer");
        map.setBasicGraphicsLayer(basic);
    }
    if (ranges) {
        const auto& basic = map.basicGraphicsLayer();
        if (ranges->subs.size() != basic->layerCount()) c.fail("the graphics layers do not match their element lists");
        std::size_t total = ranges->basic.size();
        for (const auto& sub : ranges->subs) total += sub.size();
        ElementProgress progress("Reading the map document", total);
        readElementList(*basic, source, ranges->basic, ranges->basicUnwalked, c, progress);
        for (std::size_t i = 0; i < ranges->subs.size(); ++i)
            readElementList(*basic->layer(i), source, ranges->subs[i], ranges->subsUnwalked[i], c, progress);
    }
    // Graphics layers name the feature layer they belong to; the map's layers are known now.
    for (const auto& [graphics, name] : c.pendingAssociations()) {
        if (auto fl = map.findFeatureLayer(name)) graphics->setAssociatedLayer(fl);
    }
    c.pendingAssociations().clear();
    if (j.contains("activeGraphicsLayer") && !j["activeGraphicsLayer"].is_null()) {
        const Json& name = j["activeGraphicsLayer"];
        if (!name.is_string()) c.fail("the active graphics layer must be named by a text");
        auto layer = map.basicGraphicsLayer()->findLayerOrNull(name.get<std::string>());
        if (!layer) c.fail("the active graphics layer \"" + name.get<std::string>() + "\" does not exist");
        map.setActiveGraphicsLayer(layer);
    }
    if (j.contains("selectedElements")) {
        const Json& list = j["selectedElements"];
        if (!list.is_array()) c.fail("the selected elements must be a list");
        SelectedPositions positions(map);
        for (const auto& entry : list) map.selectElement(positions.resolve(entry, c));
    }
}

std::string absolute(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    return (ec ? fs::path(path) : p).lexically_normal().string();
}

}  // namespace

namespace {

PersistLimits persistLimits(const MapDocumentLimits& limits) {
    PersistLimits l;
    l.maxDepth = limits.maxDepth;
    l.maxObjects = limits.maxObjects;
    l.maxArrayItems = limits.maxListItems;
    return l;
}

void writeDocument(DocumentOut& out, const MxDocument& document, PersistContext& context, const MapDocumentLimits& limits,
                   const std::function<void()>* elementsBegin = nullptr) {
    std::size_t focus = 0;
    for (std::size_t i = 0; i < document.maps().size(); ++i) {
        if (document.maps()[i] == document.focusMap()) focus = i;
    }
    // The few top-level members by hand, so that the maps can be written piece by piece.
    out.head("{\"format\": \"" + std::string(mapDocumentFormat) + "\", \"version\": " + std::to_string(mapDocumentVersion) +
             ", \"focusMap\": " + std::to_string(focus) + ",\n\"maps\": [\n");
    for (std::size_t i = 0; i < document.maps().size(); ++i) {
        if (i) out += ",\n";
        appendMap(out, *document.maps()[i], context, limits, i + 1 == document.maps().size() ? elementsBegin : nullptr);
    }
    out += "\n]}\n";
}

// `lines`: element lists laid out as this program writes them are split line by line, each line
// checked by its reader (see DocumentSplitter).
MxDocumentPtr readDocumentOnce(std::string_view text, MappedFile* file, const std::string& path, const MapDocumentLimits& limits,
                               bool lines) {
    const std::string full = absolute(path);
    PersistContext context(PersistPurpose::File, path, fs::path(full).parent_path());
    context.setLimits(persistLimits(limits));
    std::string skeleton;
    std::vector<ElementRanges> ranges;
    bool split = lines && DocumentSplitter(text, limits.maxDepth, file, true).split(skeleton, ranges);
    const bool linesTakenUnwalked = split;
    if (!split) {
        // Every list walked: the split as it always was, which decides what a damaged file is told.
        skeleton.clear();
        ranges.clear();
        if (file) file->releaseAll();
        split = DocumentSplitter(text, limits.maxDepth, file, false).split(skeleton, ranges);
    } else {
        for (const ElementRanges& map : ranges) {
            linesTaken += map.basicUnwalked.count;
            for (const UnwalkedLines& sub : map.subsUnwalked) linesTaken += sub.count;
        }
    }
    // What is parsed as one tree: the document without its element lists, or all of it when the
    // lists were not found where this writer puts them (a hand-edited or damaged file).
    const std::size_t whole = split ? skeleton.size() : text.size();
    if (whole > limits.maxTextOutsideElements)
        context.fail(split ? "holds " + std::to_string(whole) + " bytes outside its graphics elements; at most " +
                                 std::to_string(limits.maxTextOutsideElements) + " are read"
                           : "is not laid out as a map document (its element lists cannot be found) and too large (" +
                                 std::to_string(whole) + " bytes) to be read as a whole");
    const Json doc = readTaggedDocument(split ? skeleton : std::string(text), mapDocumentFormat, mapDocumentVersion, context);
    std::string().swap(skeleton);
    if (file) file->releaseAll();
    const ReadSource source{text, file, limits};
    auto document = std::make_shared<MxDocument>();
    try {
        const Json& maps = member(doc, "maps", context, "the document");
        if (!maps.is_array() || maps.empty()) context.fail("the document holds no map");
        std::vector<MapPtr> read;
        for (const auto& jm : maps) {
            MapPtr map = read.empty() ? document->focusMap() : std::make_shared<Map>();
            const std::size_t index = read.size();
            readMap(*map, jm, context, split && index < ranges.size() ? &ranges[index] : nullptr, source);
            read.push_back(map);
        }
        // Every list the split found was read, and so every line taken unwalked was checked:
        // a split that found lists of maps the skeleton does not have guessed wrong somewhere.
        if (linesTakenUnwalked && ranges.size() > read.size()) throw LinesNotAsLaidOut{};
        std::size_t focus = 0;
        if (doc.contains("focusMap")) {
            const Json& f = doc["focusMap"];
            if (!f.is_number_unsigned() || f.get<std::size_t>() >= read.size()) context.fail("the focus map is not one of its maps");
            focus = f.get<std::size_t>();
        }
        for (const auto& m : read) document->setFocusMap(m);  // adds the others in order
        document->setFocusMap(read[focus]);
    } catch (const host::Error&) {
        throw;
    } catch (const runtime::Error& e) {
        context.fail("is unusable: " + e.description());
    } catch (const Json::exception& e) {
        context.fail(std::string("is unusable: ") + e.what());
    }
    document->setPath(full);
    return document;
}

// Lines taken unwalked are only a guess at where a list's elements stand: a line may be part
// of one, or lie past the list's end (the skeleton then lacks what follows). A reading that got
// through checked every line it took, so its guess was the walk's split; any other reading is
// done again with every list walked, which decides what the document holds or is told.
MxDocumentPtr readDocument(std::string_view text, MappedFile* file, const std::string& path, const MapDocumentLimits& limits) {
    if (lineSplitting.load()) {
        try {
            return readDocumentOnce(text, file, path, limits, true);
        } catch (...) {
            ++readAgain;
            if (file) file->releaseAll();
        }
    }
    return readDocumentOnce(text, file, path, limits, false);
}

}  // namespace

std::string mapDocumentToText(const MxDocument& document, const fs::path& baseDir, const MapDocumentLimits& limits) {
    PersistContext context(PersistPurpose::File, document.path(), baseDir);
    DocumentOut out(context, limits, nullptr);
    writeDocument(out, document, context, limits);
    return std::move(out.text());
}

MxDocumentPtr mapDocumentFromText(std::string_view text, const std::string& path, const MapDocumentLimits& limits) {
    return readDocument(text, nullptr, path, limits);
}

void writeMapDocument(const MxDocument& document, const std::string& path, const MapDocumentLimits& limits) {
    writeMapDocument(document, path, limits, {});
}

void writeMapDocument(const MxDocument& document, const std::string& path, const MapDocumentLimits& limits,
                      const std::function<void()>& elementsBegin) {
    // Element by element into the temporary file: a failure on the way (an object that cannot
    // be saved, a full disk) removes it and leaves the old file as it was.
    AtomicFileWriter file(path);
    try {
        PersistContext context(PersistPurpose::File, document.path(), fs::path(absolute(path)).parent_path());
        DocumentOut out(context, limits, &file);
        writeDocument(out, document, context, limits, &elementsBegin);
        out.finish();
    } catch (const runtime::Error& e) {
        if (e.source() == "Plotlet.File") throw;  // the file's own fault, named already
        raiseHost(101, "Plotlet.MapDocument", "File " + path + ": cannot be written: " + e.description());
    } catch (const Json::exception& e) {
        raiseHost(101, "Plotlet.MapDocument", "File " + path + ": cannot be written: " + e.what());
    }
    file.commit();
}

MxDocumentPtr readMapDocument(const std::string& path, const MapDocumentLimits& limits) {
    MappedFile file(path);
    return readDocument(file.text(), &file, path, limits);
}

void setLineSplitting(bool on) { lineSplitting.store(on); }

LineSplittingCounts lineSplittingCounts() { return {linesTaken.load(), readAgain.load()}; }

void setParallelElementReading(std::size_t fromElements, std::size_t batch) {
    parallelReadingFrom.store(fromElements);
    parallelBatch.store(std::max<std::size_t>(batch, 2));
}

bool isMapDocumentPath(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return ext == mapDocumentExtension;
}

}  // namespace host
