#include "render/BandDrawing.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
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
// A box this close to a band may still colour the band's edge rows (antialiasing, round caps).
constexpr double kNearBand = 2.0;

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

using BandLists = std::vector<Canvas::ContainerLists>;

// Sorts the container's elements into the bands where they may show, keeping their order: each
// thread measures a run of them (what drawing would cover, on a measuring canvas of the whole
// frame), and the runs are joined in order.
void sortIntoBands(const host::GraphicsContainer& container, const host::DisplayTransformation& t, int bandRows,
                   int height, BandLists& bands, Shares& shares) {
    std::vector<const host::Element*> all;
    all.reserve(container.elementCount());
    for (const auto& element : container.elements()) all.push_back(element.get());
    const std::size_t n = all.size(), count = bands.size();
    std::vector<std::vector<std::vector<const host::Element*>>> found(shares.count(),
                                                                      std::vector<std::vector<const host::Element*>>(count));
    shares.run([&](unsigned k) {
        Canvas measure(nullptr, t, Canvas::Mode::Measure);
        auto& mine = found[k];
        const std::size_t end = n * (k + 1) / shares.count();
        for (std::size_t i = n * k / shares.count(); i < end && !shares.stopped(); ++i) {
            measure.clearMeasured();
            drawElement(measure, *all[i]);
            const DeviceBox& box = measure.measured();
            if (box.empty) continue;  // draws nothing anywhere
            const double y0 = box.y0 - kNearBand, y1 = box.y1 + kNearBand;
            if (y1 < 0 || y0 >= height) continue;  // above or below the picture (NaN goes on)
            const auto bandOf = [&](double y) {
                if (!(y >= 0)) return std::size_t{0};  // NaN too: every band
                return std::min(count - 1, static_cast<std::size_t>(std::min(y, static_cast<double>(height)) / bandRows));
            };
            const std::size_t first = bandOf(y0);
            const std::size_t last = std::isnan(y1) ? count - 1 : bandOf(y1);
            for (std::size_t b = first; b <= last; ++b) mine[b].push_back(all[i]);
        }
    });
    for (std::size_t b = 0; b < count; ++b) {
        std::size_t size = 0;
        for (const auto& share : found) size += share[b].size();
        auto& list = bands[b][&container];
        list.reserve(size);
        for (auto& share : found) {
            list.insert(list.end(), share[b].begin(), share[b].end());
            std::vector<const host::Element*>().swap(share[b]);
        }
    }
}

}  // namespace

void drawMapInBands(cairo_surface_t* surface, const host::Map& map, const host::DisplayTransformation& t,
                    const ProgressCallback& progress, unsigned threads) {
    if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    if (!data || width < 1 || height < 1) raise(code::BadSize, "Plotlet.Render", "The picture has no pixels to draw on.");
    cairo_surface_flush(surface);

    const int bandRows = std::max(kMinBandRows, static_cast<int>(kBandBytes / static_cast<std::size_t>(stride)));
    const std::size_t count = static_cast<std::size_t>((height + bandRows - 1) / bandRows);
    BandLists bands(count);
    {
        Shares shares(threads);
        forEachDrawnContainer(map, [&](const host::GraphicsContainer& container) {
            if (!bands[0].count(&container)) sortIntoBands(container, t, bandRows, height, bands, shares);
        });
    }

    const std::size_t total = drawingWork(map);
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
                Canvas canvas(cr.get(), t, {top, bottom}, &bands[b]);
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
            // What the band drew is no longer needed: the memory of its lists goes back now.
            Canvas::ContainerLists().swap(bands[b]);
        }
    });
    cairo_surface_mark_dirty(surface);
}

}  // namespace render
