#pragma once
// The map view of the desktop host: the focus map drawn by the cairo display on a render thread
// (a new pan or zoom cancels a drawing in progress, so the window never waits for it), with
// pan, zoom, feature and element selection, and moving and deleting of graphic elements with
// undo.
//
// The map model is not guarded by locks: every change to it happens on the user-interface
// thread after stopRendering() (the host's commands, the forms and the editing tools call it),
// and while a plug-in handler runs (freeze()) no drawing starts, since the handler may be in
// the middle of a change when it shows a message box.
#include <atomic>
#include <memory>
#include <thread>

#include <QImage>
#include <QPointer>
#include <QUndoStack>
#include <QWidget>

#include "host/MxDocument.h"
#include "plotlet-desktop/MapRenderer.h"
#include "render/CairoDisplay.h"

namespace desktop {

class MapCanvas : public QWidget {
    Q_OBJECT
public:
    enum class Tool { Pan, ZoomIn, SelectFeatures, SelectElements };

    explicit MapCanvas(QWidget* parent = nullptr);
    ~MapCanvas() override;

    // Shows the document's focus map, fitted to the window; the undo history starts afresh.
    void setDocument(host::MxDocumentPtr document);
    const host::MxDocumentPtr& document() const { return document_; }
    host::Map* map() const;

    void setTool(Tool tool) { tool_ = tool; }
    Tool tool() const { return tool_; }

    // --- the view -------------------------------------------------------------------------------
    double mapScale() const { return scale_; }
    host::Envelope visibleExtent() const;
    void zoomToExtent(const host::Envelope& extent);
    void zoomToFullExtent();
    // Zooms by `factor` (> 1 in) keeping the map point under `anchor` (widget pixels) in place.
    void zoomAt(double factor, QPointF anchor);
    void panByPixels(QPointF delta);
    host::XY toMap(QPointF pixel) const;
    QPointF toPixel(host::XY point) const;
    // Map units per pixel at the current scale.
    double mapUnitsPerPixel() const;

    // --- drawing --------------------------------------------------------------------------------
    // Draws again; `mapChanged` also rebuilds the spatial indexes (elements were added, moved or
    // removed).
    void refresh(bool mapChanged = false);
    // Cancels a drawing in progress and waits for the render thread to let go of the map.
    void stopRendering();
    // No drawing starts while frozen (nested); the last unfreeze draws what was asked meanwhile.
    void freeze();
    void unfreeze();
    bool isRendering() const { return thread_.joinable() && !done_->load(); }
    // Frames finished so far, and the last one (the view when it was drawn).
    quint64 frameCount() const { return frames_; }
    const QImage& frameImage() const { return frame_; }
    // Drawings stopped part-way because a newer view (or a change of the map) came first.
    quint64 interruptedCount() const { return interrupted_->load(); }
    // The part of the map the frame shows.
    const host::Envelope& frameExtent() const { return frameView_.visibleBounds(); }
    // Runs the event loop until the view as it stands now is drawn and shown; false on timeout
    // (or when the last drawing was cancelled and none follows, which would be a fault).
    bool waitUntilDrawn(int timeoutMs = 30000);
    // Draws the current view at once on this thread (export of the view, screenshots).
    QImage renderNow();

    // --- selection and editing --------------------------------------------------------------------
    // Features of visible feature layers in the rectangle (a click: within a few pixels of the
    // point); `add` keeps the previous selection.
    void selectFeatures(const QRectF& pixels, bool add);
    // Graphic elements of shown graphics layers: a click picks the topmost under the point, a
    // rectangle every element whose drawing lies wholly inside it.
    void selectElements(const QRectF& pixels, bool add);
    void clearSelection();
    // The topmost shown element under the pixel, or nothing.
    host::ElementPtr elementAt(QPointF pixel) const;
    // Moves the selected elements by map units (undoable).
    void moveSelectedElements(double dx, double dy);
    // Deletes the selected elements from their graphics layers (undoable).
    void deleteSelectedElements();
    QUndoStack* undoStack() { return &undo_; }

signals:
    void cursorMoved(double x, double y);
    void viewChanged(double scale);
    void frameShown();
    // The map's content or selection changed (the host asks its commands again).
    void mapEdited();
    // The plug-in refreshed the view after changing the map.
    void redrawnAfterChange();
    void fileDropped(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    host::DisplayTransformation viewTransformation() const;
    // Hands the view to the map (scale and extent), so the plug-in measures at this view, and to
    // the display the canvas measures on.
    void applyViewToMap();
    // The screen display of the document takes the canvas's size (the plug-in measures on it).
    // It reads the map's full extent, which walks every element: done on resize and open only.
    void applyFrameToScreenDisplay();
    void startRender();
    void viewWasChanged();
    std::vector<host::ElementPtr> shownElementsIn(const host::Envelope& area) const;

    host::MxDocumentPtr document_;
    std::shared_ptr<int> listenerToken_;
    host::XY centre_{0, 0};
    double scale_ = 10000;
    double dpi_ = 96;
    Tool tool_ = Tool::SelectElements;

    QImage frame_;
    host::DisplayTransformation frameView_;
    quint64 frames_ = 0;
    quint64 generation_ = 0;
    quint64 shownGeneration_ = 0;
    std::thread thread_;
    std::shared_ptr<std::atomic<bool>> cancel_ = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<bool>> done_ = std::make_shared<std::atomic<bool>>(true);
    std::shared_ptr<std::atomic<quint64>> interrupted_ = std::make_shared<std::atomic<quint64>>(0);
    ViewIndex index_;
    // The display of the current view: hit tests and outlines measure on it.
    render::CairoDisplay display_;
    int frozen_ = 0;
    bool pending_ = false;
    bool pendingIndex_ = false;

    // Mouse gesture in progress.
    enum class Drag { None, Pan, Box, Move } drag_ = Drag::None;
    QPointF pressPos_, lastPos_;
    Qt::KeyboardModifiers pressModifiers_;

    QUndoStack undo_;
};

}  // namespace desktop
