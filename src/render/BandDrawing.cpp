#include "render/BandDrawing.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#include "render/Cairo.h"
#include "render/ElementDrawing.h"
#include "render/Error.h"
#include "render/LayerDrawing.h"

namespace render {
namespace {

// About a megabyte of pixels per band: what a core's own cache holds beside the drawing's data.
constexpr std::size_t kBandBytes = std::size_t{1} << 20;
constexpr int kMinBandRows = 16;

// Runs body(k) for k in [0, threads), share 0 on the calling thread. The first failure stops
// the rest (they see `stop`) and is raised once all have ended. A share whose thread cannot be
// started runs on the calling thread after its own.
class Shares {
public:
    explicit Shares(unsigned threads) : threads_(std::max(1u, threads)) {}

    template <class Body>
    void run(const Body& body) {
        const auto guarded = [&](unsigned k) {
            try {
                body(k);
            } catch (...) {
                std::lock_guard lock(mutex_);
                if (!first_) first_ = std::current_exception();
                stop_ = true;
            }
        };
        std::vector<std::thread> helpers;
        std::vector<unsigned> inline_;
        for (unsigned k = 1; k < threads_; ++k) {
            try {
                helpers.emplace_back(guarded, k);
            } catch (const std::system_error&) {
                inline_.push_back(k);
            }
        }
        guarded(0);
        for (const unsigned k : inline_) guarded(k);
        for (auto& helper : helpers) helper.join();
        if (first_) std::rethrow_exception(first_);
    }
    bool stopped() const { return stop_.load(std::memory_order_relaxed); }
    void stop() { stop_ = true; }
    unsigned count() const { return threads_; }

private:
    unsigned threads_;
    std::mutex mutex_;
    std::exception_ptr first_;
    std::atomic<bool> stop_{false};
};

// Where an element may touch pixels: its measured box grown by what antialiasing and line ends
// reach beyond it and by what the glyphs of its texts may overhang, in whole pixels.
constexpr double kTouchMargin = 4.0;
constexpr int kMaxBandedSide = 32767;
struct PixelBox {
    // Columns and rows [x0, x1) × [y0, y1) of the frame, clamped to −1 … its size (≤ 32767).
    std::int16_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// One container's elements with the boxes they may touch, and for each band the positions of
// those that may show there, in drawing order.
struct Sorted {
    std::vector<const host::Element*> elements;
    std::vector<PixelBox> boxes;
    std::vector<std::vector<std::uint32_t>> bands;
};

PixelBox pixelBoxOf(const DeviceBox& box, double overhang, int width, int height) {
    const auto whole = [](double v, int low, int high) {
        return static_cast<std::int16_t>(std::isnan(v) ? low : std::clamp(v, static_cast<double>(low), static_cast<double>(high)));
    };
    const double m = kTouchMargin + (std::isfinite(overhang) ? std::min(overhang, 1e6) : 1e6);
    return {whole(std::floor(box.x0 - m), -1, width), whole(std::floor(box.y0 - m), -1, height),
            std::isnan(box.x1) ? static_cast<std::int16_t>(width) : whole(std::ceil(box.x1 + m), -1, width),
            std::isnan(box.y1) ? static_cast<std::int16_t>(height) : whole(std::ceil(box.y1 + m), -1, height)};
}

// The elements of a container that may show on the picture, in drawing order: those its spatial
// index finds in a picture of part of a big container, every element in one of most of it.
std::vector<const host::Element*> candidatesOf(const host::GraphicsContainer& container, const host::DisplayTransformation& t) {
    std::vector<const host::Element*> found;
    const Canvas frame(nullptr, t, Canvas::Mode::Draw);
    const host::Envelope& visible = t.visibleBounds();
    const double margin = frame.pixelsPerMapUnit() > 0 ? 4.0 / frame.pixelsPerMapUnit() : 0.0;
    const host::Envelope area = visible.isEmpty() ? visible
                                                  : host::Envelope(visible.xMin() - margin, visible.yMin() - margin,
                                                                   visible.xMax() + margin, visible.yMax() + margin);
    if (area.isEmpty() || !container.elementsWithin(area, frame.display(), found)) {
        found.clear();
        found.reserve(container.elementCount());
        for (const auto& element : container.elements()) found.push_back(element.get());
    }
    return found;
}

// Sorts the container's candidates into the bands where they may show, keeping their order:
// each thread measures a run of them (what drawing would cover, on a measuring canvas of the
// whole frame); elements that draw nothing on the picture get an empty box and no band.
void sortIntoBands(Sorted& sorted, const host::DisplayTransformation& t, int bandRows, int width, int height,
                   std::size_t count, Shares& shares) {
    const std::size_t n = sorted.elements.size();
    sorted.boxes.assign(n, PixelBox{});
    shares.run([&](unsigned k) {
        Canvas measure(nullptr, t, Canvas::Mode::Measure);
        const std::size_t end = n * (k + 1) / shares.count();
        for (std::size_t i = n * k / shares.count(); i < end && !shares.stopped(); ++i) {
            measure.clearMeasured();
            drawElement(measure, *sorted.elements[i]);
            if (measure.measured().empty) continue;  // draws nothing anywhere
            const PixelBox box = pixelBoxOf(measure.measured(), measure.measuredOverhang(), width, height);
            if (box.y1 <= 0 || box.y0 >= height || box.x1 <= 0 || box.x0 >= width) continue;  // off the picture
            sorted.boxes[i] = box;
        }
    });
    const auto bandOf = [&](int y) { return static_cast<std::size_t>(std::clamp(y, 0, height - 1) / bandRows); };
    std::vector<std::size_t> sizes(count, 0);
    for (const PixelBox& box : sorted.boxes) {
        if (box.y1 <= box.y0) continue;
        for (std::size_t b = bandOf(box.y0), last = bandOf(box.y1 - 1); b <= last; ++b) ++sizes[b];
    }
    sorted.bands.resize(count);
    for (std::size_t b = 0; b < count; ++b) sorted.bands[b].reserve(sizes[b]);
    for (std::size_t i = 0; i < n; ++i) {
        const PixelBox& box = sorted.boxes[i];
        if (box.y1 <= box.y0) continue;
        for (std::size_t b = bandOf(box.y0), last = bandOf(box.y1 - 1); b <= last; ++b) {
            sorted.bands[b].push_back(static_cast<std::uint32_t>(i));
        }
    }
}

// The band's elements less those that cannot show: every pixel they may touch is overwritten
// whole, later in the drawing, by an opaque bar of a chart that is drawn. Walking from the top
// of the drawing down, each element is first tested against the pixels the elements above it
// overwrite, and then adds its own. A map of a million charts hides all but a few per spot,
// and the pixels come out the same: what a hidden element would have drawn is painted over.
std::vector<const host::Element*> visibleElements(const Sorted& sorted, const std::vector<std::uint32_t>& band,
                                                  Canvas& occluder, OpaqueMask& mask, int top) {
    mask.clear();
    std::vector<bool> hidden(band.size(), false);
    std::size_t shown = 0;
    for (std::size_t k = band.size(); k-- > 0;) {
        const PixelBox& box = sorted.boxes[band[k]];
        if (mask.covers(std::max<int>(box.x0, 0), std::max(box.y0 - top, 0), std::min<int>(box.x1, mask.width()),
                        std::min(box.y1 - top, mask.rows()))) {
            hidden[k] = true;
            continue;
        }
        ++shown;
        drawElement(occluder, *sorted.elements[band[k]]);
    }
    std::vector<const host::Element*> elements;
    elements.reserve(shown);
    for (std::size_t k = 0; k < band.size(); ++k) {
        if (!hidden[k]) elements.push_back(sorted.elements[band[k]]);
    }
    return elements;
}

unsigned threadsFor(unsigned requested) {
    return requested > 0 ? requested : std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
}

}  // namespace

DeviceBox measureMap(const host::Map& map, const host::DisplayTransformation& t, unsigned requested) {
    const unsigned threads = threadsFor(requested);
    // The big containers are left out of the walk of the map (an empty list each) and measured
    // element by element in runs, one run per thread.
    Canvas::ContainerLists skipped;
    std::vector<const host::GraphicsContainer*> big;
    forEachDrawnContainer(map, [&](const host::GraphicsContainer& container) {
        if (container.elementCount() >= kBandedDrawingFrom && !skipped.count(&container)) {
            skipped[&container];
            big.push_back(&container);
        }
    });
    Canvas whole(nullptr, t, Canvas::Mode::Measure);
    whole.setElementLists(&skipped);
    drawMap(whole, map);
    DeviceBox box = whole.measured();
    Shares shares(threads);
    for (const host::GraphicsContainer* container : big) {
        std::vector<const host::Element*> all;
        all.reserve(container->elementCount());
        for (const auto& element : container->elements()) all.push_back(element.get());
        std::vector<DeviceBox> found(shares.count());
        shares.run([&](unsigned k) {
            Canvas measure(nullptr, t, Canvas::Mode::Measure);
            const std::size_t n = all.size(), end = n * (k + 1) / shares.count();
            for (std::size_t i = n * k / shares.count(); i < end; ++i) drawElement(measure, *all[i]);
            found[k] = measure.measured();
        });
        for (const DeviceBox& part : found) box.include(part);
    }
    return box;
}

void drawMapInBands(cairo_surface_t* surface, const host::Map& map, const host::DisplayTransformation& t,
                    const ProgressCallback& progress, unsigned requested) {
    const unsigned threads = threadsFor(requested);
    const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    if (!data || width < 1 || height < 1) raise(code::BadSize, "Plotlet.Render", "The picture has no pixels to draw on.");
    const std::size_t total = drawingWork(map);
    const auto drawOnOneCanvas = [&](const Canvas::ContainerLists* lists) {
        ContextPtr cr(cairo_create(surface));
        Canvas canvas(cr.get(), t);
        canvas.setElementLists(lists);
        canvas.setProgress(progress, total);
        drawMap(canvas, map);
        canvas.check("Drawing the map");
    };
    // Larger than any picture an export makes (the boxes of the bands are kept in 16 bits).
    if (width > kMaxBandedSide || height > kMaxBandedSide) return drawOnOneCanvas(nullptr);
    cairo_surface_flush(surface);
    const bool straight = format == CAIRO_FORMAT_ARGB32 || format == CAIRO_FORMAT_RGB24;

    const int bandRows = std::max(kMinBandRows, static_cast<int>(kBandBytes / static_cast<std::size_t>(stride)));
    const std::size_t count = static_cast<std::size_t>((height + bandRows - 1) / bandRows);
    std::unordered_map<const host::GraphicsContainer*, Sorted> sorted;
    std::size_t candidates = 0;
    forEachDrawnContainer(map, [&](const host::GraphicsContainer& container) {
        if (sorted.count(&container)) return;
        Sorted& one = sorted[&container];
        one.elements = candidatesOf(container, t);
        candidates += one.elements.size();
    });
    if (candidates < kBandedDrawingFrom) {
        // A picture of a small part of a big map: bands would cost more than they save.
        Canvas::ContainerLists lists;
        for (auto& [container, one] : sorted) lists[container] = std::move(one.elements);
        return drawOnOneCanvas(&lists);
    }
    {
        Shares shares(threads);
        for (auto& [container, one] : sorted) sortIntoBands(one, t, bandRows, width, height, count, shares);
    }
    std::atomic<std::size_t> nextBand{0}, done{0};
    const std::thread::id caller = std::this_thread::get_id();
    Shares shares(threads);
    shares.run([&](unsigned) {
        for (std::size_t b = nextBand++; b < count && !shares.stopped(); b = nextBand++) {
            const int top = static_cast<int>(b) * bandRows, bottom = std::min(height, top + bandRows);
            SurfacePtr band(cairo_image_surface_create_for_data(data + static_cast<std::ptrdiff_t>(top) * stride, format,
                                                                width, bottom - top, stride));
            checkSurface(band.get(), "Drawing the map");
            {
                ContextPtr cr(cairo_create(band.get()));
                Canvas::ContainerLists lists;
                {
                    // Occluders are drawn on a canvas of the band's frame whose pixels go nowhere.
                    SurfacePtr sink(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
                    ContextPtr sinkCr(cairo_create(sink.get()));
                    Canvas occluder(sinkCr.get(), t, {top, bottom}, nullptr);
                    OpaqueMask mask(width, bottom - top);
                    occluder.setOcclusionMask(&mask);
                    for (auto& [container, one] : sorted) {
                        std::vector<std::uint32_t>& positions = one.bands[b];
                        // Hidden elements are found only where bars are written straight into
                        // the pixels, as on the images of the formats below.
                        if (straight) {
                            lists[container] = visibleElements(one, positions, occluder, mask, top);
                            // What is passed over counts as done.
                            done += positions.size() - lists[container].size();
                        } else {
                            auto& all = lists[container];
                            for (const std::uint32_t i : positions) all.push_back(one.elements[i]);
                        }
                        std::vector<std::uint32_t>().swap(positions);
                    }
                }
                Canvas canvas(cr.get(), t, {top, bottom}, &lists);
                std::size_t reported = 0;
                canvas.setProgress(
                    [&, reported](std::size_t bandDone, std::size_t) mutable {
                        const std::size_t sum = done += bandDone - reported;
                        reported = bandDone;
                        if (shares.stopped()) return false;
                        if (progress && std::this_thread::get_id() == caller && !progress(std::min(sum, total), total)) {
                            shares.stop();
                            return false;
                        }
                        return true;
                    },
                    total);
                drawMap(canvas, map);
                canvas.check("Drawing the map");
            }
            cairo_surface_flush(band.get());
        }
    });
    cairo_surface_mark_dirty(surface);
}

}  // namespace render
