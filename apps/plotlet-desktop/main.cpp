// plotlet-desktop: the Qt map editor that hosts the Plotlet plug-in modules.
//   plotlet-desktop [MAP_OR_DATA_FILE] [--plugins DIR]
#include <QApplication>
#include <QCommandLineParser>

#include "plotlet-desktop/MainWindow.h"
#include "render/CairoDisplay.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Plotlet");
    QCommandLineParser parser;
    parser.setApplicationDescription("Plotlet desktop map editor");
    parser.addHelpOption();
    parser.addPositionalArgument("file", "A map document (*.pmx) or a data file to open.");
    QCommandLineOption plugins("plugins", "Load the plug-in modules from DIR.", "DIR");
    parser.addOption(plugins);
    parser.process(app);
    // Charts are measured with the fonts they are drawn with.
    render::install();
    desktop::MainWindow window(parser.value(plugins).toStdString());
    window.show();
    if (!parser.positionalArguments().isEmpty()) window.openPath(parser.positionalArguments().front());
    return QApplication::exec();
}
