#include "plotlet-desktop/MapCanvas.h"

#include <algorithm>
#include <cmath>

#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QUndoCommand>
#include <QWheelEvent>

#include <cairo.h>

#include "host/Error.h"
#include "host/Feature.h"
#include "host/FeatureClass.h"
#include "host/Geometry.h"
#include "host/Layer.h"
#include "render/CairoDisplay.h"
#include "render/Error.h"

namespace desktop {

namespace {

constexpr double kInchMetres = 0.0254;
constexpr int kClickTolerance = 3;  // pixels

bool insideRing(const std::vector<host::XY>& ring, host::XY p) {
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const host::XY& a = ring[i];
        const host::XY& b = ring[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside;
}

bool polygonContains(const host::Polygon& polygon, host::XY p) {
    bool inside = false;  // even-odd over every ring, as the polygon is drawn
    for (const auto& ring : polygon.rings()) {
        if (ring.size() >= 3 && insideRing(ring, p)) inside = !inside;
    }
    return inside;
}

host::GraphicsLayer* containerLayerOf(const host::Map& map, const host::Element* element) {
    for (const ContainerRef& ref : graphicsContainers(map)) {
        if (ref.layer->container().contains(element)) return ref.layer;
    }
    return nullptr;
}

class MoveElements final : public QUndoCommand {
public:
    MoveElements(MapCanvas& canvas, std::vector<host::ElementPtr> elements, double dx, double dy)
        : QUndoCommand(QObject::tr("Move elements")), canvas_(canvas), elements_(std::move(elements)), dx_(dx), dy_(dy) {}
    void redo() override { shift(dx_, dy_); }
    void undo() override { shift(-dx_, -dy_); }
    // Arrow-key steps on the same elements join into one undo step.
    int id() const override { return 1; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* o = static_cast<const MoveElements*>(other);
        if (o->elements_ != elements_) return false;
        dx_ += o->dx_;
        dy_ += o->dy_;
        return true;
    }

private:
    void shift(double dx, double dy) {
        canvas_.stopRendering();
        for (const auto& e : elements_) {
            e->move(dx, dy);
            // The host's spatial index of the element's layer learns the new place.
            if (const host::Map* map = canvas_.map()) {
                if (host::GraphicsLayer* layer = containerLayerOf(*map, e.get())) layer->container().updateElement(e.get());
            }
        }
        canvas_.refresh(true);
        emit canvas_.mapEdited();
    }
    MapCanvas& canvas_;
    std::vector<host::ElementPtr> elements_;
    double dx_, dy_;
};

class DeleteElements final : public QUndoCommand {
public:
    struct Entry {
        std::weak_ptr<runtime::Object> layer;  // the graphics layer the element was in
        host::ElementPtr element;
    };
    DeleteElements(MapCanvas& canvas, std::vector<Entry> entries)
        : QUndoCommand(QObject::tr("Delete elements")), canvas_(canvas), entries_(std::move(entries)) {}
    void redo() override {
        canvas_.stopRendering();
        for (const Entry& e : entries_) {
            if (auto layer = std::dynamic_pointer_cast<host::GraphicsLayer>(e.layer.lock())) {
                if (layer->container().contains(e.element.get())) layer->container().deleteElement(e.element.get());
            }
        }
        canvas_.refresh(true);
        emit canvas_.mapEdited();
    }
    void undo() override {
        canvas_.stopRendering();
        for (const Entry& e : entries_) {
            if (auto layer = std::dynamic_pointer_cast<host::GraphicsLayer>(e.layer.lock())) {
                if (!layer->container().contains(e.element.get())) layer->container().addElement(e.element);
            }
        }
        canvas_.refresh(true);
        emit canvas_.mapEdited();
    }

private:
    MapCanvas& canvas_;
    std::vector<Entry> entries_;
};

}  // namespace

MapCanvas::MapCanvas(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAcceptDrops(true);
    setMinimumSize(200, 150);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

MapCanvas::~MapCanvas() { stopRendering(); }

host::Map* MapCanvas::map() const { return document_ ? document_->focusMap().get() : nullptr; }

void MapCanvas::setDocument(host::MxDocumentPtr document) {
    stopRendering();
    undo_.clear();
    document_ = std::move(document);
    index_.invalidate();
    frame_ = QImage();
    listenerToken_ = std::make_shared<int>(0);
    if (!document_) {
        update();
        return;
    }
    // The plug-in refreshes the view after it changed the map; the token drops the listener of
    // a document this canvas no longer shows.
    std::weak_ptr<int> token = listenerToken_;
    QPointer<MapCanvas> self(this);
    document_->activeView().addRefreshListener([token, self](const host::RefreshEvent&) {
        if (token.expired() || !self) return;
        // The plug-in is still running: the drawing starts when it is done (unfreeze), or from
        // the event loop when it refreshed outside a command.
        self->pending_ = true;
        self->pendingIndex_ = true;
        emit self->redrawnAfterChange();
        if (self->frozen_ == 0) {
            QTimer::singleShot(0, self, [self, token] {
                if (self && !token.expired() && self->pending_ && self->frozen_ == 0) {
                    self->pending_ = false;
                    self->startRender();
                }
            });
        }
    });
    applyFrameToScreenDisplay();
    host::Map* m = map();
    host::Envelope extent = m ? m->extent() : host::Envelope();
    if (extent.isEmpty() && m) extent = m->fullExtent();
    if (!extent.isEmpty()) zoomToExtent(extent);
    else viewWasChanged();
}

// ------------------------------------------------------------------------------------------------
// The view

double MapCanvas::mapUnitsPerPixel() const {
    const host::Map* m = map();
    const double metres = m && m->spatialReference() ? m->spatialReference()->metresPerUnit() : 1.0;
    return scale_ * kInchMetres / dpi_ / (metres > 0 ? metres : 1.0);
}

host::Envelope MapCanvas::visibleExtent() const {
    const double u = mapUnitsPerPixel();
    const double hw = width() * u / 2, hh = height() * u / 2;
    return {centre_.x - hw, centre_.y - hh, centre_.x + hw, centre_.y + hh};
}

host::XY MapCanvas::toMap(QPointF pixel) const {
    const double u = mapUnitsPerPixel();
    return {centre_.x + (pixel.x() - width() / 2.0) * u, centre_.y - (pixel.y() - height() / 2.0) * u};
}

QPointF MapCanvas::toPixel(host::XY p) const {
    const double u = mapUnitsPerPixel();
    return {width() / 2.0 + (p.x - centre_.x) / u, height() / 2.0 - (p.y - centre_.y) / u};
}

void MapCanvas::zoomToExtent(const host::Envelope& extent) {
    if (extent.isEmpty()) return;
    centre_ = extent.centre();
    const host::Map* m = map();
    const double metres = m && m->spatialReference() ? m->spatialReference()->metresPerUnit() : 1.0;
    const double w = std::max(extent.width(), 1e-9), h = std::max(extent.height(), 1e-9);
    const double perPixel = std::max(w / std::max(1, width()), h / std::max(1, height()));
    scale_ = perPixel * metres * dpi_ / kInchMetres;
    if (!(scale_ > 0) || !std::isfinite(scale_)) scale_ = 10000;
    viewWasChanged();
}

void MapCanvas::zoomToFullExtent() {
    if (const host::Map* m = map()) {
        host::Envelope full = m->fullExtent();
        if (!full.isEmpty()) {
            full.expand(std::max(full.width(), full.height()) * 0.03);
            zoomToExtent(full);
        }
    }
}

void MapCanvas::zoomAt(double factor, QPointF anchor) {
    if (!(factor > 0)) return;
    const host::XY fixed = toMap(anchor);
    scale_ = std::clamp(scale_ / factor, 1.0, 1e10);
    // Keep `fixed` under the anchor.
    const double u = mapUnitsPerPixel();
    centre_ = {fixed.x - (anchor.x() - width() / 2.0) * u, fixed.y + (anchor.y() - height() / 2.0) * u};
    viewWasChanged();
}

void MapCanvas::panByPixels(QPointF delta) {
    const double u = mapUnitsPerPixel();
    centre_.x -= delta.x() * u;
    centre_.y += delta.y() * u;
    viewWasChanged();
}

host::DisplayTransformation MapCanvas::viewTransformation() const {
    host::DisplayTransformation t;
    const host::Map* m = map();
    t.setMetresPerUnit(m && m->spatialReference() ? m->spatialReference()->metresPerUnit() : 1.0);
    t.setReferenceScale(m ? m->referenceScale() : 0.0);
    t.setResolution(dpi_);
    t.setDeviceFrame({0, 0, std::max(1, width()), std::max(1, height())});
    t.setVisibleBounds(visibleExtent());
    return t;
}

void MapCanvas::applyViewToMap() {
    display_.displayTransformation() = viewTransformation();
    host::Map* m = map();
    if (!m) return;
    m->setMapScale(scale_);
    m->setExtent(visibleExtent());
}

void MapCanvas::applyFrameToScreenDisplay() {
    if (!map()) return;
    host::DisplayTransformation& t = document_->activeView().screenDisplay().displayTransformation();
    t.setDeviceFrame({0, 0, std::max(1, width()), std::max(1, height())});
    t.setResolution(dpi_);
}

void MapCanvas::viewWasChanged() {
    emit viewChanged(scale_);
    refresh(false);
    update();
}

// ------------------------------------------------------------------------------------------------
// Drawing

void MapCanvas::refresh(bool mapChanged) {
    if (mapChanged) pendingIndex_ = true;
    if (frozen_ > 0) {
        pending_ = true;
        return;
    }
    startRender();
}

void MapCanvas::freeze() {
    // A drawing cut short here is drawn again when the last freeze ends.
    if (isRendering()) pending_ = true;
    stopRendering();
    ++frozen_;
}

void MapCanvas::unfreeze() {
    if (frozen_ > 0) --frozen_;
    if (frozen_ == 0 && pending_) {
        pending_ = false;
        startRender();
    }
}

void MapCanvas::stopRendering() {
    if (thread_.joinable()) {
        cancel_->store(true);
        thread_.join();
    }
}

void MapCanvas::startRender() {
    stopRendering();
    pending_ = false;
    if (!document_ || !map()) {
        update();
        return;
    }
    applyViewToMap();
    if (pendingIndex_) {
        index_.invalidate();
        pendingIndex_ = false;
    }
    const host::DisplayTransformation view = viewTransformation();
    const quint64 generation = ++generation_;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    done_ = std::make_shared<std::atomic<bool>>(false);
    host::MxDocumentPtr document = document_;
    QPointer<MapCanvas> self(this);
    auto cancel = cancel_;
    auto done = done_;
    auto interrupted = interrupted_;
    ViewIndex* index = &index_;
    thread_ = std::thread([self, document, view, generation, cancel, done, interrupted, index] {
        const host::Map& map = *document->focusMap();
        const host::DeviceFrame& f = view.deviceFrame();
        QImage image(f.width(), f.height(), QImage::Format_ARGB32_Premultiplied);
        bool finished = false;
        try {
            render::CairoDisplay display(f.width(), f.height(), view.resolution());
            display.displayTransformation() = view;
            index->update(map, display);
            cairo_surface_t* surface = cairo_image_surface_create_for_data(image.bits(), CAIRO_FORMAT_ARGB32, f.width(),
                                                                           f.height(), static_cast<int>(image.bytesPerLine()));
            cairo_t* cr = cairo_create(surface);
            try {
                drawMapView(cr, map, view, *index, [cancel](std::size_t, std::size_t) { return !cancel->load(); });
                finished = true;
            } catch (const host::Error&) {
                // Cancelled (a newer view is on its way), or a drawing failure.
                if (cancel->load()) ++*interrupted;
            }
            cairo_destroy(cr);
            cairo_surface_finish(surface);
            cairo_surface_destroy(surface);
        } catch (const std::exception&) {
        }
        done->store(true);
        // A drawing that failed shows what it drew before the failure.
        (void)finished;
        if (cancel->load()) return;
        QMetaObject::invokeMethod(
            self.data(),
            [self, image, view, generation] {
                if (!self || generation != self->generation_) return;
                self->frame_ = image;
                self->frameView_ = view;
                self->shownGeneration_ = generation;
                ++self->frames_;
                self->update();
                emit self->frameShown();
            },
            Qt::QueuedConnection);
    });
}

bool MapCanvas::waitUntilDrawn(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (pending_ || frozen_ > 0 || shownGeneration_ != generation_) {
        if (timer.elapsed() > timeoutMs) return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

QImage MapCanvas::renderNow() {
    stopRendering();
    QImage image(std::max(1, width()), std::max(1, height()), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    if (!map()) return image;
    applyViewToMap();
    const host::DisplayTransformation view = viewTransformation();
    render::CairoDisplay display(image.width(), image.height(), view.resolution());
    display.displayTransformation() = view;
    if (pendingIndex_) {
        index_.invalidate();
        pendingIndex_ = false;
    }
    index_.update(*map(), display);
    cairo_surface_t* surface = cairo_image_surface_create_for_data(image.bits(), CAIRO_FORMAT_ARGB32, image.width(),
                                                                   image.height(), static_cast<int>(image.bytesPerLine()));
    cairo_t* cr = cairo_create(surface);
    drawMapView(cr, *map(), view, index_);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    return image;
}

void MapCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!frame_.isNull()) {
        // The last frame where its extent lies in the current view: panning and zooming show at
        // once, the new drawing follows.
        const host::Envelope& e = frameView_.visibleBounds();
        const QPointF a = toPixel({e.xMin(), e.yMax()});
        const QPointF b = toPixel({e.xMax(), e.yMin()});
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(QRectF(a, b), frame_);
    }
    if (drag_ == Drag::Box) {
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.setBrush(QColor(0, 120, 215, 40));
        painter.drawRect(QRectF(pressPos_, lastPos_).normalized());
    } else if (drag_ == Drag::Move && map()) {
        // Outlines of the selected elements where they would land.
        painter.setPen(QPen(QColor(0, 120, 215), 1, Qt::DashLine));
        const QPointF d = lastPos_ - pressPos_;
        const host::Display& display = display_;
        for (const auto& element : map()->selectedElements()) {
            const host::Envelope b = element->queryBounds(display);
            if (b.isEmpty()) continue;
            painter.drawRect(QRectF(toPixel({b.xMin(), b.yMax()}) + d, toPixel({b.xMax(), b.yMin()}) + d));
        }
    }
}

void MapCanvas::resizeEvent(QResizeEvent*) {
    stopRendering();
    applyFrameToScreenDisplay();
    viewWasChanged();
}

// ------------------------------------------------------------------------------------------------
// Selection and editing

std::vector<host::ElementPtr> MapCanvas::shownElementsIn(const host::Envelope& area) const {
    std::vector<host::ElementPtr> out, part;
    if (!map()) return out;
    for (const ContainerRef& ref : graphicsContainers(*map())) {
        if (!ref.shown) continue;
        index_.candidates(ref.layer->container(), area, display_, part);
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

host::ElementPtr MapCanvas::elementAt(QPointF pixel) const {
    if (!map()) return nullptr;
    const host::XY p = toMap(pixel);
    const double tol = kClickTolerance * mapUnitsPerPixel();
    const host::Envelope probe(p.x - tol, p.y - tol, p.x + tol, p.y + tol);
    const host::Display& display = display_;
    const std::vector<host::ElementPtr> candidates = shownElementsIn(probe);
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
        host::Envelope b = (*it)->queryBounds(display);
        if (b.isEmpty()) continue;
        b.expand(tol);
        if (b.contains(p)) return *it;
    }
    return nullptr;
}

void MapCanvas::selectElements(const QRectF& pixels, bool add) {
    host::Map* m = map();
    if (!m) return;
    stopRendering();
    applyViewToMap();
    if (index_.stale() || pendingIndex_) {
        index_.invalidate();
        pendingIndex_ = false;
        index_.update(*m, display_);
    }
    if (!add) m->unselectAllElements();
    if (pixels.width() < kClickTolerance && pixels.height() < kClickTolerance) {
        if (host::ElementPtr hit = elementAt(pixels.center())) {
            if (add && m->isElementSelected(hit.get())) m->unselectElement(hit.get());
            else if (!m->isElementSelected(hit.get())) m->selectElement(hit);
        }
    } else {
        const host::XY a = toMap(pixels.topLeft()), b = toMap(pixels.bottomRight());
        const host::Envelope area(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
        const host::Display& display = display_;
        for (const host::ElementPtr& e : shownElementsIn(area)) {
            const host::Envelope bounds = e->queryBounds(display);
            if (bounds.isEmpty() || m->isElementSelected(e.get())) continue;
            if (bounds.xMin() >= area.xMin() && bounds.xMax() <= area.xMax() && bounds.yMin() >= area.yMin() &&
                bounds.yMax() <= area.yMax())
                m->selectElement(e);
        }
    }
    refresh(false);
    emit mapEdited();
}

void MapCanvas::selectFeatures(const QRectF& pixels, bool add) {
    host::Map* m = map();
    if (!m) return;
    stopRendering();
    const bool click = pixels.width() < kClickTolerance && pixels.height() < kClickTolerance;
    const double tol = kClickTolerance * mapUnitsPerPixel();
    host::XY a = toMap(pixels.topLeft()), b = toMap(pixels.bottomRight());
    if (click) {
        const host::XY c = toMap(pixels.center());
        a = {c.x - tol, c.y + tol};
        b = {c.x + tol, c.y - tol};
    }
    const host::Envelope area(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
    const host::XY point = toMap(pixels.center());
    for (const host::FeatureLayerPtr& layer : m->featureLayers()) {
        if (!add) layer->selectionSet()->clear();
        if (!layer->visible() || !layer->valid()) continue;
        const host::FeatureClass& fc = *layer->featureClass();
        const bool points = fc.shapeType() == host::GeometryType::Point;
        for (std::size_t row = 0; row < fc.featureCount(); ++row) {
            bool hit = false;
            if (points) {
                hit = area.contains(fc.pointAt(row));
            } else if (const host::GeometryPtr shape = fc.shape(row)) {
                const host::Envelope e = shape->envelope();
                if (e.isEmpty() || e.xMax() < area.xMin() || e.xMin() > area.xMax() || e.yMax() < area.yMin() ||
                    e.yMin() > area.yMax())
                    continue;
                if (!click) hit = true;
                else if (const auto* polygon = dynamic_cast<const host::Polygon*>(shape.get())) hit = polygonContains(*polygon, point);
                else hit = true;
            }
            if (hit && !layer->selectionSet()->contains(fc.oid(row))) layer->selectionSet()->add(fc.oid(row));
        }
    }
    refresh(false);
    emit mapEdited();
}

void MapCanvas::clearSelection() {
    host::Map* m = map();
    if (!m) return;
    stopRendering();
    m->unselectAllElements();
    for (const auto& layer : m->featureLayers()) layer->selectionSet()->clear();
    refresh(false);
    emit mapEdited();
}

void MapCanvas::moveSelectedElements(double dx, double dy) {
    host::Map* m = map();
    if (!m || m->selectedElementCount() == 0 || (dx == 0 && dy == 0)) return;
    std::vector<host::ElementPtr> movable;
    for (const auto& e : m->selectedElements()) {
        if (!e->locked()) movable.push_back(e);
    }
    if (movable.empty()) return;
    undo_.push(new MoveElements(*this, std::move(movable), dx, dy));
}

void MapCanvas::deleteSelectedElements() {
    host::Map* m = map();
    if (!m || m->selectedElementCount() == 0) return;
    stopRendering();
    std::vector<DeleteElements::Entry> entries;
    for (const auto& e : m->selectedElements()) {
        host::GraphicsLayer* layer = containerLayerOf(*m, e.get());
        if (layer) entries.push_back({layer->shared_from_this(), e});
    }
    if (!entries.empty()) undo_.push(new DeleteElements(*this, std::move(entries)));
}

// ------------------------------------------------------------------------------------------------
// Mouse and keys

void MapCanvas::mousePressEvent(QMouseEvent* event) {
    pressPos_ = lastPos_ = event->position();
    pressModifiers_ = event->modifiers();
    if (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && tool_ == Tool::Pan)) {
        drag_ = Drag::Pan;
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    if (tool_ == Tool::SelectElements && map()) {
        stopRendering();
        applyViewToMap();
        const host::ElementPtr hit = elementAt(pressPos_);
        if (hit && map()->isElementSelected(hit.get()) && !(pressModifiers_ & Qt::ShiftModifier)) {
            // The outlines drawn while dragging measure the elements (and fill their caches):
            // no drawing runs meanwhile.
            drag_ = Drag::Move;
            pending_ = true;
            freeze();
            return;
        }
        refresh(false);
    }
    drag_ = Drag::Box;
}

void MapCanvas::mouseMoveEvent(QMouseEvent* event) {
    const host::XY p = toMap(event->position());
    emit cursorMoved(p.x, p.y);
    if (drag_ == Drag::None) return;
    const QPointF previous = lastPos_;
    lastPos_ = event->position();
    if (drag_ == Drag::Pan) {
        // Moves the view at once over the last frame; the drawing follows on release.
        const double u = mapUnitsPerPixel();
        centre_.x -= (lastPos_.x() - previous.x()) * u;
        centre_.y += (lastPos_.y() - previous.y()) * u;
        emit viewChanged(scale_);
    }
    update();
}

void MapCanvas::mouseReleaseEvent(QMouseEvent* event) {
    const Drag drag = drag_;
    drag_ = Drag::None;
    lastPos_ = event->position();
    unsetCursor();
    const QRectF box = QRectF(pressPos_, lastPos_).normalized();
    const bool add = pressModifiers_ & Qt::ShiftModifier;
    switch (drag) {
        case Drag::Pan:
            viewWasChanged();
            break;
        case Drag::Move: {
            const QPointF d = lastPos_ - pressPos_;
            if (std::abs(d.x()) + std::abs(d.y()) >= 1) {
                const double u = mapUnitsPerPixel();
                moveSelectedElements(d.x() * u, -d.y() * u);
            }
            unfreeze();
            update();
            break;
        }
        case Drag::Box:
            if (tool_ == Tool::ZoomIn) {
                if (box.width() < kClickTolerance || box.height() < kClickTolerance) zoomAt(2.0, box.center());
                else {
                    const host::XY a = toMap(box.topLeft()), b = toMap(box.bottomRight());
                    zoomToExtent(host::Envelope(a.x, b.y, b.x, a.y));
                }
            } else if (tool_ == Tool::SelectFeatures) {
                selectFeatures(box, add);
            } else if (tool_ == Tool::SelectElements) {
                selectElements(box, add);
            }
            update();
            break;
        case Drag::None:
            break;
    }
}

void MapCanvas::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0) return;
    zoomAt(std::pow(1.25, steps), event->position());
    event->accept();
}

void MapCanvas::keyPressEvent(QKeyEvent* event) {
    int dx = 0, dy = 0;
    switch (event->key()) {
        case Qt::Key_Left: dx = -1; break;
        case Qt::Key_Right: dx = 1; break;
        case Qt::Key_Up: dy = -1; break;
        case Qt::Key_Down: dy = 1; break;
        case Qt::Key_Delete:
            deleteSelectedElements();
            return;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            zoomAt(2.0, rect().center());
            return;
        case Qt::Key_Minus:
            zoomAt(0.5, rect().center());
            return;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    host::Map* m = map();
    if (tool_ == Tool::SelectElements && m && m->selectedElementCount() > 0) {
        // A pixel a press, ten with Shift, as desktop map editors nudge graphics.
        const double step = ((event->modifiers() & Qt::ShiftModifier) ? 10 : 1) * mapUnitsPerPixel();
        moveSelectedElements(dx * step, -dy * step);
    } else {
        panByPixels(QPointF(-dx * width() / 4.0, -dy * height() / 4.0));
    }
}

void MapCanvas::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MapCanvas::dropEvent(QDropEvent* event) {
    const auto urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile()) emit fileDropped(urls.front().toLocalFile());
}

}  // namespace desktop
