#pragma once
// The desktop map editor's window: the map view, the layer list, the tools, the plug-in
// commands on their toolbar, the status bar (scale, cursor position, the plug-in's progressor),
// and opening, saving and exporting documents.
#include <filesystem>
#include <memory>
#include <vector>

#include <QMainWindow>

#include "host/Application.h"
#include "host/ICommand.h"
#include "host/PluginLoader.h"
#include "plotlet-desktop/MapCanvas.h"
#include "plotlet-desktop/QtShell.h"

class QAction;
class QLabel;
class QProgressBar;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace desktop {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Loads the plug-ins of `pluginFolder` (empty: the host's default folder).
    explicit MainWindow(std::filesystem::path pluginFolder = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Opens a map document or a data file; false (after telling the user) when it cannot be read,
    // the open map then stays as it was.
    bool openPath(const QString& path);
    // Saves to the document's file, or asks for one; false when nothing was saved.
    bool save();
    bool saveAs(const QString& path);
    // The view as a PNG, SVG or PDF picture (by the extension).
    bool exportView(const QString& path);
    // Asks whether to save a changed map before it goes (Yes saves, No drops the changes);
    // false when the user cancels or the save fails.
    bool maybeSave();
    // Whether the map changed since it was opened or saved (edits, selections, plug-in runs).
    bool isModified() const { return modified_; }

    MapCanvas* canvas() const { return canvas_; }
    QTreeWidget* layerList() const { return layers_; }
    const host::ApplicationPtr& application() const { return application_; }
    const std::shared_ptr<QtShell>& shell() const { return shell_; }
    // The toolbar button of a plug-in command, by the command's name ("Zorvex_Plotlet").
    QAction* commandAction(const QString& name) const;
    QToolBar* commandBar() const { return commandBar_; }
    const host::PluginLoader& plugins() const { return loader_; }

    // Asks every command again whether it is enabled.
    void updateCommands();
    // The layer list again from the map.
    void updateLayerList();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildActions();
    void loadPlugins(const std::filesystem::path& folder);
    void runCommand(std::size_t index);
    void documentChanged();
    void showStatus();
    void layerItemChanged(QTreeWidgetItem* item);
    void moveLayer(int direction);
    void zoomToSelectedLayer();
    void showError(const QString& title, const QString& text);

    host::ApplicationPtr application_;
    std::shared_ptr<QtShell> shell_;
    host::PluginLoader loader_;
    struct Command {
        std::shared_ptr<host::ICommand> command;
        QAction* action = nullptr;
    };
    std::vector<Command> commands_;

    MapCanvas* canvas_ = nullptr;
    QTreeWidget* layers_ = nullptr;
    QToolBar* commandBar_ = nullptr;
    QLabel* scaleLabel_ = nullptr;
    QLabel* positionLabel_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    bool updatingLayers_ = false;
    bool modified_ = false;
};

}  // namespace desktop
