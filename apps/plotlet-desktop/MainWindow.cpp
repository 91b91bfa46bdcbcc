#include "plotlet-desktop/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "host/CommandBitmaps.h"
#include "host/Error.h"
#include "host/MapDocumentFile.h"
#include "host/TaskProgress.h"
#include "host/gdal/DocumentOpen.h"
#include "host/gdal/Gdal.h"
#include "plotlet-desktop/FormWidget.h"
#include "render/Export.h"

namespace desktop {

namespace {

QString qs(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Layers are told apart in the list by their address; the list is rebuilt from the map whenever
// the map may have changed, so no address outlives its layer there.
constexpr int LayerRole = Qt::UserRole + 1;

QString scaleText(double scale) { return QStringLiteral("1:%L1").arg(scale, 0, 'f', 0); }

}  // namespace

MainWindow::MainWindow(std::filesystem::path pluginFolder, QWidget* parent) : QMainWindow(parent) {
    setObjectName("PlotletDesktop");
    setWindowTitle("Plotlet");
    resize(1200, 800);
    // Layers of documents are read through GDAL.
    host::gdal::install();
    application_ = std::make_shared<host::Application>();
    shell_ = std::make_shared<QtShell>(this);
    ui::setShell(shell_);

    canvas_ = new MapCanvas(this);
    canvas_->setObjectName("MapCanvas");
    setCentralWidget(canvas_);

    auto* dock = new QDockWidget(tr("Layers"), this);
    dock->setObjectName("LayersDock");
    auto* panel = new QWidget(dock);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(2, 2, 2, 2);
    layers_ = new QTreeWidget(panel);
    layers_->setObjectName("LayerList");
    layers_->setHeaderHidden(true);
    column->addWidget(layers_);
    auto* row = new QHBoxLayout;
    auto* up = new QToolButton(panel);
    up->setArrowType(Qt::UpArrow);
    up->setToolTip(tr("Move the layer up"));
    auto* down = new QToolButton(panel);
    down->setArrowType(Qt::DownArrow);
    down->setToolTip(tr("Move the layer down"));
    auto* zoom = new QToolButton(panel);
    zoom->setText(tr("Zoom to layer"));
    row->addWidget(up);
    row->addWidget(down);
    row->addWidget(zoom);
    row->addStretch();
    column->addLayout(row);
    dock->setWidget(panel);
    addDockWidget(Qt::LeftDockWidgetArea, dock);
    connect(layers_, &QTreeWidget::itemChanged, this, &MainWindow::layerItemChanged);
    connect(up, &QToolButton::clicked, this, [this] { moveLayer(-1); });
    connect(down, &QToolButton::clicked, this, [this] { moveLayer(1); });
    connect(zoom, &QToolButton::clicked, this, &MainWindow::zoomToSelectedLayer);

    scaleLabel_ = new QLabel(this);
    positionLabel_ = new QLabel(this);
    progressLabel_ = new QLabel(this);
    progress_ = new QProgressBar(this);
    progress_->setMaximumWidth(200);
    progress_->hide();
    statusBar()->addWidget(progressLabel_, 1);
    statusBar()->addPermanentWidget(progress_);
    statusBar()->addPermanentWidget(positionLabel_);
    statusBar()->addPermanentWidget(scaleLabel_);
    connect(canvas_, &MapCanvas::viewChanged, this, [this](double scale) { scaleLabel_->setText(scaleText(scale)); });
    connect(canvas_, &MapCanvas::cursorMoved, this, [this](double x, double y) {
        positionLabel_->setText(QStringLiteral("%1, %2").arg(x, 0, 'f', 2).arg(y, 0, 'f', 2));
    });
    connect(canvas_, &MapCanvas::mapEdited, this, &MainWindow::updateCommands);
    connect(canvas_, &MapCanvas::fileDropped, this, [this](const QString& path) {
        if (maybeSave()) openPath(path);
    });
    connect(canvas_, &MapCanvas::mapEdited, this, [this] { modified_ = true; });
    connect(canvas_, &MapCanvas::redrawnAfterChange, this, [this] { modified_ = true; });

    // The plug-in's progressor and the host's long tasks show in the status bar; a repaint, not
    // an event loop, so nothing else runs while the plug-in works.
    application_->statusBar().progressBar().setObserver([this](const host::StepProgressor::State& s) {
        progress_->setVisible(s.visible);
        progress_->setRange(static_cast<int>(s.minRange), static_cast<int>(std::max(s.minRange + 1, s.maxRange)));
        progress_->setValue(static_cast<int>(s.position));
        progressLabel_->setText(qs(s.message));
        progress_->repaint();
        progressLabel_->repaint();
    });
    host::setTaskProgressObserver([this](const host::TaskProgress& p) {
        progress_->setVisible(!p.finished);
        progress_->setRange(0, p.total > 0 ? 1000 : 0);
        progress_->setValue(p.total > 0 ? static_cast<int>(1000.0 * static_cast<double>(p.done) / static_cast<double>(p.total)) : 0);
        progressLabel_->setText(p.finished ? QString() : qs(p.task));
        progress_->repaint();
        progressLabel_->repaint();
    });

    setFormActionHooks({[this] { canvas_->freeze(); },
                        [this] {
                            canvas_->unfreeze();
                            updateLayerList();
                            updateCommands();
                        }});

    buildActions();
    loadPlugins(pluginFolder.empty() ? host::defaultPluginFolder() : pluginFolder);
    documentChanged();
}

MainWindow::~MainWindow() {
    canvas_->stopRendering();
    setFormActionHooks({});
    host::setTaskProgressObserver({});
    application_->statusBar().progressBar().setObserver({});
    // The forms belong to the plug-ins: their windows go first, then the commands (which
    // unload their dialogs), then the modules.
    FormWidget::closeAll();
    commands_.clear();
    if (ui::currentShell() == shell_) ui::setShell(nullptr);
}

void MainWindow::buildActions() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* open = file->addAction(tr("&Open…"), this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("Open a map or a data file"), QString(),
                                                          tr("Maps and data (*.pmx *.gpkg *.shp *.geojson *.json *.csv);;All files (*)"));
        if (!path.isEmpty() && maybeSave()) openPath(path);
    });
    open->setShortcut(QKeySequence::Open);
    QAction* saveAction = file->addAction(tr("&Save"), this, [this] { save(); });
    saveAction->setShortcut(QKeySequence::Save);
    file->addAction(tr("Save &As…"), this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Save the map"), QString(), tr("Plotlet maps (*.pmx)"));
        if (!path.isEmpty()) saveAs(path.endsWith(".pmx", Qt::CaseInsensitive) ? path : path + ".pmx");
    });
    file->addAction(tr("&Export View…"), this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Export the view"), QString(),
                                                          tr("PNG picture (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)"));
        if (!path.isEmpty()) exportView(path);
    });
    file->addSeparator();
    file->addAction(tr("&Quit"), this, &QWidget::close)->setShortcut(QKeySequence::Quit);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* undo = canvas_->undoStack()->createUndoAction(this, tr("&Undo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = canvas_->undoStack()->createRedoAction(this, tr("&Redo"));
    redo->setShortcut(QKeySequence::Redo);
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    QAction* del = edit->addAction(tr("&Delete Selected Elements"), canvas_, &MapCanvas::deleteSelectedElements);
    del->setObjectName("DeleteElements");
    edit->addAction(tr("&Clear Selection"), canvas_, &MapCanvas::clearSelection);

    QToolBar* tools = addToolBar(tr("Tools"));
    tools->setObjectName("ToolsBar");
    auto* group = new QActionGroup(this);
    const std::pair<const char*, MapCanvas::Tool> toolList[] = {
        {QT_TR_NOOP("Pan"), MapCanvas::Tool::Pan},
        {QT_TR_NOOP("Zoom In"), MapCanvas::Tool::ZoomIn},
        {QT_TR_NOOP("Select Features"), MapCanvas::Tool::SelectFeatures},
        {QT_TR_NOOP("Select Elements"), MapCanvas::Tool::SelectElements},
    };
    QMenu* view = menuBar()->addMenu(tr("&View"));
    for (const auto& [caption, tool] : toolList) {
        QAction* a = tools->addAction(tr(caption));
        a->setObjectName(QString(caption).remove(' '));
        a->setCheckable(true);
        group->addAction(a);
        const MapCanvas::Tool t = tool;
        connect(a, &QAction::triggered, this, [this, t] { canvas_->setTool(t); });
        if (tool == canvas_->tool()) a->setChecked(true);
    }
    tools->addSeparator();
    QAction* full = tools->addAction(tr("Full Extent"), canvas_, &MapCanvas::zoomToFullExtent);
    full->setObjectName("FullExtent");
    view->addAction(full);
    view->addAction(tr("Zoom In"), this, [this] { canvas_->zoomAt(2.0, canvas_->rect().center()); })->setShortcut(QKeySequence::ZoomIn);
    view->addAction(tr("Zoom Out"), this, [this] { canvas_->zoomAt(0.5, canvas_->rect().center()); })->setShortcut(QKeySequence::ZoomOut);
    view->addAction(tr("Zoom to Layer"), this, &MainWindow::zoomToSelectedLayer);
    tools->addAction(undo);
    tools->addAction(del);

    commandBar_ = addToolBar(tr("Plug-ins"));
    commandBar_->setObjectName("PluginBar");
    commandBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

void MainWindow::loadPlugins(const std::filesystem::path& folder) {
    loader_.loadFolder(folder);
    QStringList problems;
    for (const host::PluginProblem& p : loader_.problems()) problems << qs(p.message());
    for (const host::PluginModule& module : loader_.modules()) {
        std::shared_ptr<host::ICommand> command;
        try {
            command = module.createCommand();
            if (!command) continue;
            command->OnCreate(application_);
        } catch (const std::exception& e) {
            problems << qs(module.file().string()) + ": " + QString::fromUtf8(e.what());
            continue;
        }
        const std::size_t index = commands_.size();
        auto* action = new QAction(this);
        try {
            action->setObjectName(qs(command->Name()));
            // Both modules offer the same command; the caption tells them apart on the bar.
            action->setText(qs(command->Caption()) + " (" + qs(module.moduleName()) + ")");
            action->setToolTip(qs(command->Tooltip()));
            if (auto message = command->Message()) action->setStatusTip(qs(*message));
            const std::vector<unsigned char> bytes = host::commandBitmapBytes(command->Bitmap());
            QPixmap pixmap;
            if (!bytes.empty() && pixmap.loadFromData(bytes.data(), static_cast<uint>(bytes.size()))) action->setIcon(QIcon(pixmap));
        } catch (const std::exception&) {
            // A command that cannot describe itself still gets its button.
        }
        connect(action, &QAction::triggered, this, [this, index] { runCommand(index); });
        commandBar_->addAction(action);
        commands_.push_back({command, action});
    }
    if (!problems.isEmpty()) progressLabel_->setText(tr("Plug-ins refused: ") + problems.join("; "));
    if (commands_.empty()) progressLabel_->setText(tr("No plug-in commands were loaded from ") + qs(folder.string()));
}

QAction* MainWindow::commandAction(const QString& name) const {
    for (const Command& c : commands_) {
        if (c.action->objectName() == name) return c.action;
    }
    return nullptr;
}

void MainWindow::updateCommands() {
    for (const Command& c : commands_) {
        bool enabled = false;
        try {
            enabled = c.command->Enabled();
        } catch (...) {
            enabled = false;  // a command that cannot say is not enabled
        }
        c.action->setEnabled(enabled);
    }
}

void MainWindow::runCommand(std::size_t index) {
    if (index >= commands_.size()) return;
    canvas_->freeze();
    try {
        commands_[index].command->OnClick();
    } catch (const std::exception& e) {
        showError(tr("Plug-in command"), QString::fromUtf8(e.what()));
    }
    canvas_->unfreeze();
    FormWidget::showVisibleForms();
    updateLayerList();
    updateCommands();
}

bool MainWindow::openPath(const QString& path) {
    canvas_->stopRendering();
    try {
        host::gdal::openInApplication(*application_, path.toStdString());
    } catch (const std::exception& e) {
        showError(tr("Open"), QString::fromUtf8(e.what()));
        canvas_->refresh();
        return false;
    }
    documentChanged();
    modified_ = false;
    return true;
}

void MainWindow::documentChanged() {
    canvas_->setDocument(application_->document());
    const host::MxDocumentPtr& doc = application_->document();
    setWindowTitle(doc && !doc->path().empty() ? qs(doc->title()) + " — Plotlet" : QStringLiteral("Plotlet"));
    updateLayerList();
    updateCommands();
    scaleLabel_->setText(scaleText(canvas_->mapScale()));
}

bool MainWindow::save() {
    const host::MxDocumentPtr& doc = application_->document();
    if (!doc) return false;
    if (doc->path().empty() || !host::isMapDocumentPath(doc->path())) {
        const QString path = QFileDialog::getSaveFileName(this, tr("Save the map"), QString(), tr("Plotlet maps (*.pmx)"));
        if (path.isEmpty()) return false;
        return saveAs(path.endsWith(".pmx", Qt::CaseInsensitive) ? path : path + ".pmx");
    }
    return saveAs(qs(doc->path()));
}

bool MainWindow::saveAs(const QString& path) {
    const host::MxDocumentPtr& doc = application_->document();
    if (!doc) return false;
    canvas_->stopRendering();
    bool saved = false;
    try {
        host::writeMapDocument(*doc, path.toStdString());
        doc->setPath(std::filesystem::absolute(path.toStdString()).string());
        canvas_->undoStack()->setClean();
        setWindowTitle(qs(doc->title()) + " — Plotlet");
        modified_ = false;
        saved = true;
    } catch (const std::exception& e) {
        showError(tr("Save"), QString::fromUtf8(e.what()));
    }
    canvas_->refresh();
    return saved;
}

bool MainWindow::exportView(const QString& path) {
    const host::MxDocumentPtr& doc = application_->document();
    if (!doc) return false;
    canvas_->stopRendering();
    bool done = false;
    try {
        render::ExportOptions options;
        options.extent = canvas_->visibleExtent();
        options.width = std::max(1, canvas_->width());
        options.dpi = 96;
        render::exportDocument(*doc, path.toStdString(), options);
        done = true;
    } catch (const std::exception& e) {
        showError(tr("Export"), QString::fromUtf8(e.what()));
    }
    canvas_->refresh();
    return done;
}

void MainWindow::showError(const QString& title, const QString& text) {
    ui::MessageBoxRequest request;
    request.text = text.toStdString();
    request.title = title.toStdString();
    request.icon = ui::mb::Critical;
    shell_->messageBox(request);
}

bool MainWindow::maybeSave() {
    if (!modified_ || !application_->document()) return true;
    const host::MxDocumentPtr& doc = application_->document();
    ui::MessageBoxRequest request;
    request.text = (tr("Save the changes to the map") +
                    (doc->path().empty() ? QString() : QStringLiteral(" ") + qs(doc->title())) + "?")
                       .toStdString();
    request.buttons = ui::mb::YesNoCancel;
    request.icon = ui::mb::Question;
    switch (shell_->messageBox(request)) {
        case ui::mb::Yes: return save();
        case ui::mb::No: return true;
        default: return false;
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    canvas_->stopRendering();
    FormWidget::closeAll();
    event->accept();
}

// ------------------------------------------------------------------------------------------------
// The layer list

void MainWindow::updateLayerList() {
    updatingLayers_ = true;
    layers_->clear();
    host::Map* map = canvas_->map();
    if (map) {
        std::function<void(const host::LayerPtr&, QTreeWidgetItem*)> add = [&](const host::LayerPtr& layer, QTreeWidgetItem* parent) {
            if (!layer) return;
            auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(layers_);
            item->setText(0, qs(layer->name()));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, layer->visible() ? Qt::Checked : Qt::Unchecked);
            item->setData(0, LayerRole, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(layer.get())));
            if (const auto* group = dynamic_cast<const host::GroupLayer*>(layer.get())) {
                for (const auto& child : group->layers()) add(child, item);
            }
            if (const auto* features = dynamic_cast<const host::FeatureLayer*>(layer.get()); features && !features->valid()) {
                item->setToolTip(0, qs(features->brokenReason()));
                item->setForeground(0, Qt::gray);
            }
        };
        for (const auto& layer : map->layers()) add(layer, nullptr);
        if (const auto& basic = map->basicGraphicsLayer()) {
            auto* item = new QTreeWidgetItem(layers_);
            item->setText(0, qs(basic->name().empty() ? "Basic Graphics Layer" : basic->name()));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, basic->visible() ? Qt::Checked : Qt::Unchecked);
            item->setData(0, LayerRole, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(basic.get())));
            for (const auto& sub : basic->layers()) {
                auto* child = new QTreeWidgetItem(item);
                child->setText(0, qs(sub->name()) + QStringLiteral("  (%1)").arg(sub->container().elementCount()));
                child->setFlags(child->flags() | Qt::ItemIsUserCheckable);
                child->setCheckState(0, sub->visible() ? Qt::Checked : Qt::Unchecked);
                child->setData(0, LayerRole, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(sub.get())));
            }
        }
        layers_->expandAll();
    }
    updatingLayers_ = false;
}

namespace {

host::Layer* findLayer(const host::Map& map, quintptr address) {
    std::function<host::Layer*(const host::LayerPtr&)> walk = [&](const host::LayerPtr& layer) -> host::Layer* {
        if (!layer) return nullptr;
        if (reinterpret_cast<quintptr>(layer.get()) == address) return layer.get();
        if (const auto* group = dynamic_cast<const host::GroupLayer*>(layer.get())) {
            for (const auto& child : group->layers()) {
                if (host::Layer* found = walk(child)) return found;
            }
        }
        return nullptr;
    };
    for (const auto& layer : map.layers()) {
        if (host::Layer* found = walk(layer)) return found;
    }
    if (const auto& basic = map.basicGraphicsLayer()) {
        if (reinterpret_cast<quintptr>(basic.get()) == address) return basic.get();
        for (const auto& sub : basic->layers()) {
            if (reinterpret_cast<quintptr>(sub.get()) == address) return sub.get();
        }
    }
    return nullptr;
}

}  // namespace

void MainWindow::layerItemChanged(QTreeWidgetItem* item) {
    if (updatingLayers_ || !canvas_->map()) return;
    host::Layer* layer = findLayer(*canvas_->map(), item->data(0, LayerRole).value<quintptr>());
    if (!layer) return;
    const bool visible = item->checkState(0) == Qt::Checked;
    if (layer->visible() == visible) return;
    canvas_->stopRendering();
    layer->setVisible(visible);
    canvas_->refresh();
    updateCommands();
}

void MainWindow::moveLayer(int direction) {
    host::Map* map = canvas_->map();
    QTreeWidgetItem* item = layers_->currentItem();
    if (!map || !item || item->parent()) return;
    host::Layer* layer = findLayer(*map, item->data(0, LayerRole).value<quintptr>());
    const auto& list = map->layers();
    const auto it = std::find_if(list.begin(), list.end(), [&](const host::LayerPtr& l) { return l.get() == layer; });
    if (it == list.end()) return;
    const auto from = static_cast<std::size_t>(it - list.begin());
    const long to = static_cast<long>(from) + direction;
    if (to < 0 || to >= static_cast<long>(list.size())) return;
    canvas_->stopRendering();
    const host::LayerPtr keep = *it;
    map->deleteLayer(keep.get());
    map->insertLayer(static_cast<std::size_t>(to), keep);
    updateLayerList();
    for (int i = 0; i < layers_->topLevelItemCount(); ++i) {
        if (layers_->topLevelItem(i)->data(0, LayerRole).value<quintptr>() == reinterpret_cast<quintptr>(keep.get()))
            layers_->setCurrentItem(layers_->topLevelItem(i));
    }
    canvas_->refresh();
}

void MainWindow::zoomToSelectedLayer() {
    host::Map* map = canvas_->map();
    QTreeWidgetItem* item = layers_->currentItem();
    if (!map || !item) return;
    canvas_->stopRendering();
    if (host::Layer* layer = findLayer(*map, item->data(0, LayerRole).value<quintptr>())) {
        host::Envelope e = layer->extent();
        if (!e.isEmpty()) {
            e.expand(std::max(e.width(), e.height()) * 0.03);
            canvas_->zoomToExtent(e);
        }
    }
    canvas_->refresh();
}

}  // namespace desktop
