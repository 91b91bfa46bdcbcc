#include "preview/basDrawSymbol.h"

#include <exception>

#include "host/Error.h"
#include "render/SymbolPreview.h"
#include "runtime/HookSlot.h"

namespace plotlet::basDrawSymbol {
namespace {

runtime::HookSlot<FailureObserver>& observer() {
    static runtime::HookSlot<FailureObserver> slot;
    return slot;
}

// The failure a procedure absorbs, told to the observer.
void absorb(const char* source) {
    const FailureObserver o = observer().get();
    if (!o) return;
    try {
        throw;
    } catch (const runtime::Error& e) {
        o(e);
    } catch (const std::exception& e) {
        o(runtime::Error(runtime::err::InvalidCall, source, e.what()));
    } catch (...) {
        o(runtime::Error(runtime::err::InvalidCall, source, runtime::standardDescription(runtime::err::InvalidCall)));
    }
}

[[noreturn]] void raiseAt(std::int32_t number, const char* source, const char* description) {
    throw host::Error(number, source, description);
}

}  // namespace

void SetFailureObserver(FailureObserver o) { observer().set(std::move(o)); }

render::PicturePtr CreatePictureFromSymbol(render::DeviceContext* dc, render::BitmapHandle& bitmap, const host::SymbolPtr& symbol,
                                           int width, int height, int gap) {
    try {
        const std::unique_ptr<render::DeviceContext> memory = render::DeviceContext::createCompatible(dc);
        bitmap = memory->createCompatibleBitmap(width, height);
        if (!bitmap) raiseAt(runtime::err::InvalidCall, "basDrawSymbol.CreatePictureFromSymbol", "Could not create the bitmap.");
        const render::BitmapHandle old = memory->selectObject(bitmap);
        DrawToDC(memory.get(), width, height, symbol, gap);  // a failed drawing still makes a picture
        memory->selectObject(old);
        return BitmapToPicture(bitmap);
    } catch (...) {
        absorb("basDrawSymbol.CreatePictureFromSymbol");
        return nullptr;
    }
}

bool DrawToDC(render::DeviceContext* dc, int width, int height, const host::SymbolPtr& symbol, int gap) {
    if (!dc) return false;
    try {
        if (!Clear(dc, 0xFFFFFF, 0, 0, width, height)) {
            raiseAt(errClearFailed, "basDrawSymbol.DrawToDC", "Could not clear the Device Context.");
        }
        const host::Envelope envelope(gap, gap, width - gap, height - gap);
        const auto transformation = CreateTransFromDC(dc, width, height);
        const auto shape = CreateSymbolShape(symbol, envelope);
        if (!transformation || !shape) {
            raiseAt(errNoTransformationOrGeometry, "basDrawSymbol.DrawToDC",
                    "Could not create required Transformation or Geometry for this draw operation.");
        }
        render::drawSymbol(*dc, *transformation, *symbol, *shape);
        return true;
    } catch (...) {
        absorb("basDrawSymbol.DrawToDC");
        return false;
    }
}

bool Clear(render::DeviceContext* dc, std::int64_t color, int left, int top, int right, int bottom) {
    try {
        const std::unique_ptr<render::SolidBrush> brush = render::createSolidBrush(color);
        if (!brush) raiseAt(errBrushFailed, "basDrawSymbol.Clear", "Could not create GDI Brush.");
        if (!render::fillRect(dc, {left, top, right, bottom}, *brush)) {
            raiseAt(runtime::err::InvalidCall, "basDrawSymbol.Clear", "The device context has nothing to fill.");
        }
        return true;
    } catch (...) {
        absorb("basDrawSymbol.Clear");
        return false;
    }
}

std::shared_ptr<host::DisplayTransformation> CreateTransFromDC(render::DeviceContext* dc, int width, int height) {
    try {
        const host::Envelope envelope(0, 0, width, height);
        const host::DeviceFrame frame{0, 0, width, height};
        const int dpi = dc ? dc->deviceCaps(render::caps::LogPixelsY) : 0;
        if (dpi == 0) {
            raiseAt(errNoResolution, "basDrawSymbol.CreateTransFromDC", "Could not retrieve Resolution from device context.");
        }
        auto transformation = std::make_shared<host::DisplayTransformation>();
        transformation->setVisibleBounds(envelope);
        transformation->setBounds(envelope);
        transformation->setDeviceFrame(frame);
        transformation->setResolution(dpi);
        return transformation;
    } catch (...) {
        absorb("basDrawSymbol.CreateTransFromDC");
        return nullptr;
    }
}

host::GeometryPtr CreateSymbolShape(const host::SymbolPtr& symbol, const host::Envelope& envelope) {
    try {
        if (!symbol || envelope.isEmpty()) return nullptr;
        if (std::dynamic_pointer_cast<host::MarkerSymbol>(symbol)) return std::make_shared<host::Point>(envelope.centre());
        if (std::dynamic_pointer_cast<host::LineSymbol>(symbol) || std::dynamic_pointer_cast<host::TextSymbol>(symbol)) {
            auto line = std::make_shared<host::Polyline>();
            line->addSegment(envelope.lowerLeft(), {envelope.xMax(), envelope.yMax()});
            return line;
        }
        return std::make_shared<host::Envelope>(envelope);
    } catch (...) {
        absorb("basDrawSymbol.CreateSymbolShape");
        return nullptr;
    }
}

render::PicturePtr BitmapToPicture(render::BitmapHandle bitmap) { return std::make_shared<render::Picture>(std::move(bitmap)); }

}  // namespace plotlet::basDrawSymbol
