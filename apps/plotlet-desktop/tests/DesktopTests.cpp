// The desktop map editor driven as a person drives it: mouse and keys on the real window and
// the real dialog widgets, boxes and file dialogs answered through the Qt shell. Each case is
// its own ctest entry (desktop_<case>), run on the offscreen platform.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeWidget>

#include <cairo.h>

#include "RenderScenes.h"
#include "host/Element.h"
#include "host/FeatureClass.h"
#include "host/Geometry.h"
#include "host/Layer.h"
#include "host/Symbol.h"
#include "plotlet-desktop/FormWidget.h"
#include "plotlet-desktop/MainWindow.h"
#include "plotlet-desktop/MapRenderer.h"
#include "plotlet-desktop/SymbolSelector.h"
#include "render/CairoDisplay.h"
#include "render/Export.h"
#include "render/LayerDrawing.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/ListView.h"
#include "ui/TextBox.h"
#include "ui/ToggleButton.h"
#include "ui/Form.h"

using desktop::FormWidget;
using desktop::MainWindow;
using desktop::MapCanvas;

namespace {

const QString kSampleMap = QStringLiteral(PLOTLET_EXAMPLES "/nc/nc.pmx");

QString qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The chart layer the plug-in draws the sample's charts into.
host::GraphicsLayerPtr chartLayer(const host::Map& map) {
    return map.basicGraphicsLayer() ? map.basicGraphicsLayer()->findLayerOrNull("county_points_charts") : nullptr;
}

// How many pixels differ between two frames inside a rectangle.
int changedPixels(const QImage& a, const QImage& b, const QRect& area) {
    int changed = 0;
    const QRect r = area.intersected(a.rect()).intersected(b.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) changed += a.pixel(x, y) != b.pixel(x, y);
    return changed;
}

}  // namespace

class DesktopTests : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opensTheSampleMapWithItsLayersAndCommand();
    void selectsFeaturesByRectangle();
    void drawsChartsThroughTheDialogWidgets();
    void draggedChartIsSavedAndKeptByRecreate();
    void arrowKeysMoveAndUndoBringsBack();
    void deletedElementsComeBackWithUndo();
    void dialogWidgetsMatchTheDeclarationInBothLanguages();
    void codeChangesShowAtOnceInTheWidgets();
    void messageBoxIsAnsweredThroughTheShell();
    void layerFileGoesThroughTheFileDialog();
    void symbolSelectorReturnsTheChosenSymbolOrNothing();
    void wheelZoomKeepsThePointUnderTheCursor();
    void zoomedViewDrawsWhatAFullDrawingDraws();
    void aViewOfManyChartsDrawsWhatOneCanvasDraws();
    void layerCheckBoxHidesTheLayer();
    void windowAndDialogPicturesInBothLanguages();
    void aNewViewCancelsTheDrawingInProgress();
    void exportsTheViewAsShown();
    void aTextReachingIntoTheViewFromOutsideIsDrawn();
    void closingAChangedMapAsksFirst();
    void parametersSavedAndLoadedThroughFileDialogs();

private:
    // A window with the sample map open and its first frame drawn.
    void openSample();
    FormWidget* openDialog();
    void clickWidget(QWidget* w);
    void chooseComboText(QComboBox* combo, const QString& text);
    void clickListRow(QListWidget* list, const QString& startsWith);
    void chooseChartFields(FormWidget* dialog);
    void drawCharts(FormWidget* dialog, bool selectedOnly);
    void dragOnCanvas(QPoint from, QPoint to);
    QRect pixelsOf(const host::Envelope& e) const;
    void waitFrame();
    void useTool(const char* name);

    std::unique_ptr<MainWindow> window_;
    MapCanvas* canvas_ = nullptr;
    std::unique_ptr<QTemporaryDir> dir_;
};

void DesktopTests::initTestCase() { render::install(); }

void DesktopTests::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    window_ = std::make_unique<MainWindow>(PLOTLET_PLUGIN_DIR);
    window_->resize(1100, 700);
    window_->show();
    canvas_ = window_->canvas();
    // A box no case expects would wait for an answer for ever: it is refused and fails the case.
    window_->shell()->setDialogWatcher([](QDialog& box) {
        const auto* message = qobject_cast<QMessageBox*>(&box);
        const QString text = message ? message->text() : box.windowTitle();
        box.reject();
        QFAIL(qPrintable("unexpected dialog: " + text));
    });
}

void DesktopTests::cleanup() {
    window_.reset();
    canvas_ = nullptr;
}

void DesktopTests::waitFrame() { QVERIFY(canvas_->waitUntilDrawn()); }

void DesktopTests::useTool(const char* name) {
    QAction* tool = window_->findChild<QAction*>(name);
    QVERIFY2(tool, name);
    tool->trigger();
}

void DesktopTests::openSample() {
    QVERIFY(window_->openPath(kSampleMap));
    QVERIFY(canvas_->waitUntilDrawn());
}

FormWidget* DesktopTests::openDialog() {
    QAction* command = window_->commandAction("Zorvex_Plotlet");
    if (!command) return nullptr;
    QWidget* button = window_->commandBar()->widgetForAction(command);
    QTest::mouseClick(button, Qt::LeftButton);
    ui::Form* form = ui::findForm("frmPlotlet");
    return form ? FormWidget::existingWindow(*form) : nullptr;
}

void DesktopTests::clickWidget(QWidget* w) {
    QVERIFY2(w, "no such widget");
    QVERIFY2(w->isVisible() && w->isEnabled(), qPrintable(w->objectName() + " cannot be clicked"));
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

void DesktopTests::chooseComboText(QComboBox* combo, const QString& text) {
    QVERIFY(combo);
    const int row = combo->findText(text);
    QVERIFY2(row >= 0, qPrintable(text + " is not offered"));
    combo->setFocus();
    // The keys a person presses on a closed drop-down list.
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < row; ++i) QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentText(), text);
}

void DesktopTests::clickListRow(QListWidget* list, const QString& startsWith) {
    QVERIFY(list);
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text().startsWith(startsWith)) {
            list->scrollToItem(list->item(i));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(i)).center());
            return;
        }
    }
    QFAIL(qPrintable(startsWith + " is not listed"));
}

void DesktopTests::chooseChartFields(FormWidget* dialog) {
    QVERIFY(dialog);
    chooseComboText(dialog->findChild<QComboBox*>("CmbLayers"), "county_points");
    auto* fields = dialog->findChild<QListWidget*>("LstFields");
    const ui::ListView& chartFields = dialog->form().listView("LstViewFields");
    for (const QString field : {"BIR74", "BIR79"}) {
        // The dialog keeps its chart fields while it is hidden and shown again.
        bool listed = false;
        for (int i = 1; i <= chartFields.itemCount(); ++i)
            listed = listed || qs(chartFields.item(i).text()) == field || qs(chartFields.item(i).subItem(1)) == field;
        if (listed) continue;
        clickListRow(fields, field);
        // The click went through the runtime, and the widget shows the runtime's selection.
        const ui::ListBox& list = dialog->form().listBox("LstFields");
        QCOMPARE(list.selectedRows().size(), std::size_t{1});
        for (int i = 0; i < fields->count(); ++i) QCOMPARE(fields->item(i)->isSelected(), list.selected(i));
        QVERIFY(qs(list.list(list.selectedRows().front())) == field);
        clickWidget(dialog->findChild<QPushButton*>("CmdFieldsTo"));
    }
    QCOMPARE(chartFields.itemCount(), 2);
}

void DesktopTests::drawCharts(FormWidget* dialog, bool selectedOnly) {
    chooseChartFields(dialog);
    if (selectedOnly) clickWidget(dialog->findChild<QRadioButton*>("OpAllObjects(1)"));
    clickWidget(dialog->findChild<QPushButton*>("CmdOK(0)"));
}

void DesktopTests::dragOnCanvas(QPoint from, QPoint to) {
    QTest::mousePress(canvas_, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 5; ++i) QTest::mouseMove(canvas_, from + (to - from) * i / 5);
    QTest::mouseRelease(canvas_, Qt::LeftButton, {}, to);
}

QRect DesktopTests::pixelsOf(const host::Envelope& e) const {
    return QRectF(canvas_->toPixel({e.xMin(), e.yMax()}), canvas_->toPixel({e.xMax(), e.yMin()})).toAlignedRect();
}

// ------------------------------------------------------------------------------------------------

void DesktopTests::opensTheSampleMapWithItsLayersAndCommand() {
    QAction* command = window_->commandAction("Zorvex_Plotlet");
    QVERIFY(command);
    QVERIFY(!command->icon().isNull());
    QVERIFY(!command->toolTip().isEmpty());
    // An empty map: the command says it has nothing to work on.
    QVERIFY(!command->isEnabled());
    openSample();
    QStringList names;
    for (int i = 0; i < window_->layerList()->topLevelItemCount(); ++i) names << window_->layerList()->topLevelItem(i)->text(0);
    QVERIFY(names.contains("county_points"));
    QVERIFY(names.contains("counties"));
    QVERIFY(command->isEnabled());
    // The counties are drawn: the middle of the view is not the white background.
    const QImage frame = canvas_->frameImage();
    if (qEnvironmentVariableIsSet("DESKTOP_TEST_PICTURES")) frame.save(qEnvironmentVariable("DESKTOP_TEST_PICTURES") + "/open.png");
    int coloured = 0;
    for (int x = 0; x < frame.width(); x += 7) coloured += frame.pixel(x, frame.height() / 2) != qRgb(255, 255, 255);
    QVERIFY(coloured > frame.width() / 7 / 3);
}

void DesktopTests::selectsFeaturesByRectangle() {
    openSample();
    useTool("SelectFeatures");
    const QRect box(canvas_->width() / 3, canvas_->height() / 3, canvas_->width() / 4, canvas_->height() / 4);
    dragOnCanvas(box.topLeft(), box.bottomRight());
    const host::FeatureLayerPtr points = canvas_->map()->findFeatureLayer("county_points");
    QVERIFY(points);
    // Exactly the points inside the rectangle.
    const host::FeatureClass& fc = *points->featureClass();
    const host::XY a = canvas_->toMap(box.topLeft()), b = canvas_->toMap(box.bottomRight());
    std::size_t inside = 0;
    for (std::size_t row = 0; row < fc.featureCount(); ++row) {
        const host::XY p = fc.pointAt(row);
        const bool in = p.x >= a.x && p.x <= b.x && p.y >= b.y && p.y <= a.y;
        inside += in;
        QCOMPARE(points->selectionSet()->contains(fc.oid(row)), in);
    }
    QVERIFY(inside > 0);
    QVERIFY(inside < fc.featureCount());
}

void DesktopTests::drawsChartsThroughTheDialogWidgets() {
    openSample();
    useTool("SelectFeatures");
    const QRect box(canvas_->width() / 4, 0, canvas_->width() / 3, canvas_->height());
    dragOnCanvas(box.topLeft(), box.bottomRight());
    const std::size_t selected = canvas_->map()->findFeatureLayer("county_points")->selectionCount();
    QVERIFY(selected > 0);
    waitFrame();
    const QImage before = canvas_->frameImage();

    FormWidget* dialog = openDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    drawCharts(dialog, true);
    waitFrame();
    const host::GraphicsLayerPtr charts = chartLayer(*canvas_->map());
    QVERIFY(charts);
    QCOMPARE(charts->container().elementCount(), selected);  // "selected only"
    // Every chart shows in the view: its pixels changed; far from the charts nothing did.
    const QImage after = canvas_->frameImage();
    if (qEnvironmentVariableIsSet("DESKTOP_TEST_PICTURES")) {
        before.save(qEnvironmentVariable("DESKTOP_TEST_PICTURES") + "/before.png");
        after.save(qEnvironmentVariable("DESKTOP_TEST_PICTURES") + "/after.png");
        dialog->grab().save(qEnvironmentVariable("DESKTOP_TEST_PICTURES") + "/dialog.png");

    }
    const host::Display& display = canvas_->document()->activeView().screenDisplay();
    for (const auto& chart : charts->container().elements()) {
        const QRect r = pixelsOf(chart->queryBounds(display));
        if (!canvas_->rect().contains(r)) continue;
        QVERIFY2(changedPixels(before, after, r) > r.width() * r.height() / 10, "a chart does not show");
    }
    const QRect farRight(canvas_->width() * 7 / 8, canvas_->height() / 2, 20, 20);
    QCOMPARE(changedPixels(before, after, farRight), 0);
}

void DesktopTests::draggedChartIsSavedAndKeptByRecreate() {
    openSample();
    FormWidget* dialog = openDialog();
    drawCharts(dialog, false);
    waitFrame();
    const host::GraphicsLayerPtr charts = chartLayer(*canvas_->map());
    QVERIFY(charts && charts->container().elementCount() > 10);
    // A chart well inside the view, dragged by the mouse with the element tool.
    const host::Display& display = canvas_->document()->activeView().screenDisplay();
    host::ElementPtr chart;
    for (const auto& e : charts->container().elements()) {
        const QRect r = pixelsOf(e->queryBounds(display));
        if (canvas_->rect().adjusted(150, 150, -150, -150).contains(r.center())) {
            chart = e;
            break;
        }
    }
    QVERIFY(chart);
    const auto* group = dynamic_cast<const host::GroupElement*>(chart.get());
    QVERIFY(group && group->elementCount() > 0);
    const std::string name = group->element(0)->name();
    useTool("SelectElements");
    const QPoint on = pixelsOf(chart->queryBounds(display)).center();
    QTest::mouseClick(canvas_, Qt::LeftButton, {}, on);
    QVERIFY(canvas_->map()->isElementSelected(chart.get()));
    const host::XY start = chart->geometry()->envelope().centre();
    dragOnCanvas(on, on + QPoint(60, 40));
    const host::XY moved = chart->geometry()->envelope().centre();
    const double u = canvas_->mapUnitsPerPixel();
    QVERIFY(std::abs(moved.x - start.x - 60 * u) < u);
    QVERIFY(std::abs(moved.y - start.y + 40 * u) < u);

    const QString saved = dir_->filePath("moved.pmx");
    QVERIFY(window_->saveAs(saved));
    QVERIFY(window_->openPath(saved));
    waitFrame();
    auto whereIs = [&](const host::Map& map) {
        const host::GraphicsLayerPtr layer = chartLayer(map);
        const host::ElementPtr e = layer ? layer->container().findElementByName(name) : nullptr;
        return e ? e->geometry()->envelope().centre() : host::XY{NAN, NAN};
    };
    host::XY reopened = whereIs(*canvas_->map());
    QVERIFY(std::abs(reopened.x - moved.x) < 1e-6 && std::abs(reopened.y - moved.y) < 1e-6);

    // Recreate at the old places: the dragged chart stays where it was put.
    dialog = openDialog();
    QVERIFY(dialog && dialog->isVisible());
    chooseChartFields(dialog);
    clickWidget(dialog->findChild<QRadioButton*>("OpCreateDiagr(1)"));
    auto* tabs = dialog->findChild<QTabBar*>();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    clickWidget(dialog->findChild<QRadioButton*>("OpChartPosition(5)"));
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    clickWidget(dialog->findChild<QPushButton*>("CmdOK(0)"));
    const host::XY recreated = whereIs(*canvas_->map());
    QVERIFY2(std::abs(recreated.x - moved.x) < 2 * u && std::abs(recreated.y - moved.y) < 2 * u,
             qPrintable(QStringLiteral("recreated at %1,%2; dragged to %3,%4").arg(recreated.x).arg(recreated.y).arg(moved.x).arg(moved.y)));
}

void DesktopTests::arrowKeysMoveAndUndoBringsBack() {
    openSample();
    drawCharts(openDialog(), false);
    waitFrame();
    const host::GraphicsLayerPtr charts = chartLayer(*canvas_->map());
    QVERIFY(charts);
    const host::ElementPtr chart = charts->container().elements().back();
    canvas_->map()->selectElement(chart);
    useTool("SelectElements");
    const host::XY start = chart->geometry()->envelope().centre();
    canvas_->setFocus();
    QTest::keyClick(canvas_, Qt::Key_Right);
    QTest::keyClick(canvas_, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(canvas_, Qt::Key_Up);
    const double u = canvas_->mapUnitsPerPixel();
    const host::XY moved = chart->geometry()->envelope().centre();
    QVERIFY(std::abs(moved.x - start.x - 11 * u) < 1e-6 * u + 1e-9);
    QVERIFY(std::abs(moved.y - start.y - 1 * u) < 1e-6 * u + 1e-9);
    // The key presses are one step to undo.
    canvas_->undoStack()->undo();
    const host::XY back = chart->geometry()->envelope().centre();
    QVERIFY(std::abs(back.x - start.x) < 1e-9 && std::abs(back.y - start.y) < 1e-9);
}

void DesktopTests::deletedElementsComeBackWithUndo() {
    openSample();
    drawCharts(openDialog(), false);
    waitFrame();
    const host::GraphicsLayerPtr charts = chartLayer(*canvas_->map());
    const std::size_t count = charts->container().elementCount();
    useTool("SelectElements");
    // Every chart in a rectangle over the whole view.
    dragOnCanvas(QPoint(1, 1), QPoint(canvas_->width() - 2, canvas_->height() - 2));
    const std::size_t selected = canvas_->map()->selectedElementCount();
    QVERIFY(selected > 0);
    canvas_->setFocus();
    QTest::keyClick(canvas_, Qt::Key_Delete);
    QCOMPARE(charts->container().elementCount(), count - selected);
    QCOMPARE(canvas_->map()->selectedElementCount(), std::size_t{0});
    canvas_->undoStack()->undo();
    QCOMPARE(charts->container().elementCount(), count);
}

void DesktopTests::dialogWidgetsMatchTheDeclarationInBothLanguages() {
    openSample();
    FormWidget* dialog = openDialog();
    QVERIFY(dialog);
    ui::Form& form = dialog->form();
    auto checkAll = [&] {
        for (const ui::Control* control : form.controls()) {
            const ui::ControlKind kind = control->kind();
            if (kind == ui::ControlKind::Menu || kind == ui::ControlKind::ImageList || kind == ui::ControlKind::CommonDialog) continue;
            QWidget* w = dialog->findChild<QWidget*>(qs(control->displayName()));
            QVERIFY2(w, qPrintable(qs(control->displayName()) + " has no widget"));
            const ui::Rect& r = control->rect();
            QCOMPARE(w->geometry(), QRect(r.left, r.top, r.width, r.height));
            QString shown;
            if (auto* b = qobject_cast<QAbstractButton*>(w)) shown = b->text();
            else if (auto* l = qobject_cast<QLabel*>(w)) shown = l->text();
            else if (auto* g = qobject_cast<QGroupBox*>(w)) shown = g->title();
            else continue;
            QCOMPARE(shown, qs(control->caption()));
        }
    };
    checkAll();
    const QString english = dialog->findChild<QPushButton*>("CmdOK(0)")->text();
    auto* tabs = dialog->findChild<QTabBar*>();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    chooseComboText(dialog->findChild<QComboBox*>("CmbLanguage"), QStringLiteral("Русский"));
    checkAll();
    const QString russian = dialog->findChild<QPushButton*>("CmdOK(0)")->text();
    QVERIFY(russian != english);
    QVERIFY(russian.contains(QRegularExpression("[А-Яа-я]")));
    QVERIFY(tabs->tabText(0).contains(QRegularExpression("[А-Яа-я]")));
}

void DesktopTests::codeChangesShowAtOnceInTheWidgets() {
    openSample();
    FormWidget* dialog = openDialog();
    QVERIFY(dialog);
    ui::Form& form = dialog->form();
    form.setValue("TxtMaxValue", runtime::Variant(std::string("123")));
    QCOMPARE(dialog->findChild<QLineEdit*>("TxtMaxValue")->text(), QStringLiteral("123"));
    form.control("CmdFieldsTo").setEnabled(false);
    QVERIFY(!dialog->findChild<QPushButton*>("CmdFieldsTo")->isEnabled());
    form.control("CmdFieldsTo").setEnabled(true);
    // Typing into the box runs the runtime's Change, as the headless driver's typing does.
    auto* edit = dialog->findChild<QLineEdit*>("TxtMaxValue");
    edit->selectAll();
    QTest::keyClicks(edit, "77");
    QCOMPARE(qs(form.textBox("TxtMaxValue").text()), QStringLiteral("77"));
}

void DesktopTests::messageBoxIsAnsweredThroughTheShell() {
    openSample();
    FormWidget* dialog = openDialog();
    QVERIFY(dialog);
    int answered = 0;
    window_->shell()->setDialogWatcher([&](QDialog& box) {
        auto* message = qobject_cast<QMessageBox*>(&box);
        QVERIFY(message);
        ++answered;
        QTest::mouseClick(message->buttons().front(), Qt::LeftButton);
    });
    // OK without chart fields: the plug-in says so in a box.
    clickWidget(dialog->findChild<QPushButton*>("CmdOK(0)"));
    QCOMPARE(answered, 1);
    QCOMPARE(window_->shell()->messages().size(), std::size_t{1});
    QVERIFY(!chartLayer(*canvas_->map()) || chartLayer(*canvas_->map())->container().elementCount() == 0);
}

void DesktopTests::layerFileGoesThroughTheFileDialog() {
    openSample();
    FormWidget* dialog = openDialog();
    QVERIFY(dialog);
    const QString path = dir_->filePath("charts.lyr");
    QString filters;
    window_->shell()->setDialogWatcher([&](QDialog& box) {
        if (auto* files = qobject_cast<QFileDialog*>(&box)) {
            filters = files->nameFilters().join(";;");
            auto* name = files->findChild<QLineEdit*>("fileNameEdit");
            QVERIFY(name);
            name->setText(path);
            static_cast<QDialog*>(files)->accept();  // as the Save button does
        } else if (auto* message = qobject_cast<QMessageBox*>(&box)) {
            QTest::mouseClick(message->defaultButton(), Qt::LeftButton);
        }
    });
    auto* tabs = dialog->findChild<QTabBar*>();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    clickWidget(dialog->findChild<QCheckBox*>("ChkSaveLyrFile"));
    QVERIFY(dialog->form().checkBox("ChkSaveLyrFile").checked());
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    drawCharts(dialog, false);
    QVERIFY2(filters.contains("(*.lyr)"), qPrintable(filters));
    QVERIFY(QFileInfo::exists(path));
}

void DesktopTests::symbolSelectorReturnsTheChosenSymbolOrNothing() {
    auto symbol = std::make_shared<host::SimpleFillSymbol>();
    symbol->setColor(host::RgbColor::fromRgb(10, 20, 30));
    desktop::QtShell shell;
    shell.setDialogWatcher([](QDialog& dialog) {
        auto* selector = qobject_cast<desktop::SymbolSelector*>(&dialog);
        QVERIFY(selector);
        selector->setFillColor(QColor(200, 100, 50));
        selector->setOutlineColor(QColor(0, 0, 255));
        auto* width = selector->findChild<QDoubleSpinBox*>("OutlineWidth");
        width->setValue(2.5);
        selector->accept();
    });
    const auto chosen = std::dynamic_pointer_cast<host::FillSymbol>(shell.selectSymbol(symbol));
    QVERIFY(chosen);
    QVERIFY(chosen != symbol);
    QCOMPARE(chosen->color().red(), 200);
    QCOMPARE(chosen->color().blue(), 50);
    QCOMPARE(chosen->outline()->color().blue(), 255);
    QCOMPARE(chosen->outline()->width(), 2.5);
    QCOMPARE(symbol->color().red(), 10);  // the symbol given is left alone
    shell.setDialogWatcher([](QDialog& dialog) { dialog.reject(); });
    QVERIFY(!shell.selectSymbol(symbol));
    // Not a fill symbol: the selector refuses it.
    QVERIFY(!shell.selectSymbol(std::make_shared<host::SimpleLineSymbol>()));
}

void DesktopTests::wheelZoomKeepsThePointUnderTheCursor() {
    openSample();
    const QPoint at(canvas_->width() / 3, canvas_->height() / 4);
    const host::XY before = canvas_->toMap(at);
    const double scale = canvas_->mapScale();
    QWheelEvent wheel(at, canvas_->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas_, &wheel);
    QVERIFY(canvas_->mapScale() < scale);
    const host::XY after = canvas_->toMap(at);
    QVERIFY(std::abs(after.x - before.x) < 1e-6 * canvas_->mapScale());
    QVERIFY(std::abs(after.y - before.y) < 1e-6 * canvas_->mapScale());
    // The plug-in measures at the view's scale.
    QCOMPARE(canvas_->map()->mapScale(), canvas_->mapScale());
    waitFrame();
}

void DesktopTests::zoomedViewDrawsWhatAFullDrawingDraws() {
    openSample();
    drawCharts(openDialog(), false);
    waitFrame();
    // Zoom in twice at a corner so charts stand across the view's edges.
    canvas_->zoomAt(3.0, QPointF(canvas_->width() * 0.4, canvas_->height() * 0.5));
    waitFrame();
    const QImage indexed = canvas_->frameImage().convertToFormat(QImage::Format_RGB32);
    // The same view drawn without any index, by the code every picture is drawn with.
    host::DisplayTransformation t = canvas_->document()->activeView().screenDisplay().displayTransformation();
    t.setVisibleBounds(canvas_->visibleExtent());
    const render::SurfacePtr plain = render::renderImage(*canvas_->map(), t);
    cairo_surface_t* s = plain.get();
    const QImage full = QImage(cairo_image_surface_get_data(s), cairo_image_surface_get_width(s), cairo_image_surface_get_height(s),
                               cairo_image_surface_get_stride(s), QImage::Format_ARGB32_Premultiplied)
                            .convertToFormat(QImage::Format_RGB32);
    QCOMPARE(full.size(), indexed.size());
    QCOMPARE(changedPixels(full, indexed, full.rect()), 0);
}

void DesktopTests::aViewOfManyChartsDrawsWhatOneCanvasDraws() {
    // Enough charts that the whole view is drawn in bands on every core, passing over covered
    // charts, with a selected one highlighted on top.
    const host::MapPtr map = bench_support::chartElementMap(30'000, 900.0);
    const auto& container = map->basicGraphicsLayer()->layers().front()->container();
    map->selectElement(container.elements().back());
    host::DisplayTransformation t;
    t.setDeviceFrame({0, 0, 900, 700});
    t.setResolution(96);
    t.setReferenceScale(map->referenceScale());
    const double side = bench_support::kExtent * 0.8;
    t.setVisibleBounds(host::Envelope(0, 0, side, side * 700 / 900));
    render::CairoDisplay display(900, 700, 96);
    display.displayTransformation() = t;
    desktop::ViewIndex index;
    index.update(*map, display);
    QImage banded(900, 700, QImage::Format_ARGB32_Premultiplied);
    QImage single(900, 700, QImage::Format_ARGB32_Premultiplied);
    const auto drawOn = [](QImage& image, auto draw) {
        cairo_surface_t* surface = cairo_image_surface_create_for_data(image.bits(), CAIRO_FORMAT_ARGB32, image.width(),
                                                                       image.height(), static_cast<int>(image.bytesPerLine()));
        cairo_t* cr = cairo_create(surface);
        draw(cr);
        cairo_destroy(cr);
        cairo_surface_finish(surface);
        cairo_surface_destroy(surface);
    };
    drawOn(banded, [&](cairo_t* cr) { desktop::drawMapView(cr, *map, t, index); });
    drawOn(single, [&](cairo_t* cr) {
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        render::Canvas canvas(cr, t);
        render::drawMap(canvas, *map);
        render::drawElementSelection(canvas, *map);
    });
    QCOMPARE(changedPixels(single, banded, single.rect()), 0);
    QImage white(900, 700, QImage::Format_ARGB32_Premultiplied);
    white.fill(Qt::white);
    QVERIFY(changedPixels(single, white, single.rect()) > 900 * 700 / 2);
}

void DesktopTests::layerCheckBoxHidesTheLayer() {
    openSample();
    const QImage shown = canvas_->frameImage();
    QTreeWidget* list = window_->layerList();
    QTreeWidgetItem* counties = list->findItems("counties", Qt::MatchExactly).value(0);
    QVERIFY(counties);
    counties->setCheckState(0, Qt::Unchecked);
    waitFrame();
    QVERIFY(changedPixels(shown, canvas_->frameImage(), canvas_->rect()) > canvas_->width() * canvas_->height() / 10);
    QVERIFY(window_->commandAction("Zorvex_Plotlet")->isEnabled());
}

// The pictures of the README: with DESKTOP_SCREENSHOTS=DIR they are written there
// (scripts/desktop-screenshots.sh); without, the same run checks that they show something.
void DesktopTests::windowAndDialogPicturesInBothLanguages() {
    const QString out = qEnvironmentVariable("DESKTOP_SCREENSHOTS");
    window_->resize(1280, 760);
    openSample();
    FormWidget* dialog = openDialog();
    QVERIFY(dialog);
    chooseChartFields(dialog);
    chooseComboText(dialog->findChild<QComboBox*>("CmbKey"), "NAME");
    // Both chart fields picked in the list, then the maximum of their values taken as the scale's.
    auto* chartFields = dialog->findChild<QTreeWidget*>("LstViewFields");
    QVERIFY(chartFields);
    for (int i = 0; i < 2; ++i) {
        const QRect row = chartFields->visualItemRect(chartFields->topLevelItem(i));
        QTest::mouseClick(chartFields->viewport(), Qt::LeftButton, i > 0 ? Qt::ControlModifier : Qt::NoModifier, row.center());
    }
    auto* tabs = dialog->findChild<QTabBar*>();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    if (dialog->form().toggleButton("TglBtnLockMin").value()) clickWidget(dialog->findChild<QPushButton*>("TglBtnLockMin"));
    clickWidget(dialog->findChild<QPushButton*>("CmdCalcMax"));
    QVERIFY(dialog->findChild<QLineEdit*>("TxtMaxValue")->text().toDouble() > 1000);
    clickWidget(dialog->findChild<QRadioButton*>("OpChartPosition(2)"));
    if (!dialog->form().checkBox("ChkLabelDiagramm").checked()) clickWidget(dialog->findChild<QCheckBox*>("ChkLabelDiagramm"));
    const QPixmap chartTab = dialog->grab();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    const QPixmap english = dialog->grab();
    clickWidget(dialog->findChild<QPushButton*>("CmdOK(0)"));
    waitFrame();
    QVERIFY(chartLayer(*canvas_->map()) && chartLayer(*canvas_->map())->container().elementCount() == 100);
    const QPixmap map = window_->grab();

    dialog = openDialog();
    QVERIFY(dialog && dialog->isVisible());
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    chooseComboText(dialog->findChild<QComboBox*>("CmbLanguage"), QStringLiteral("Русский"));
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    const QPixmap russian = dialog->grab();
    QVERIFY(english.toImage() != russian.toImage());
    QCOMPARE(map.size(), window_->size());
    if (!out.isEmpty()) {
        QVERIFY(map.save(out + "/desktop-map.png"));
        QVERIFY(english.save(out + "/desktop-dialog-en.png"));
        QVERIFY(chartTab.save(out + "/desktop-dialog-chart-en.png"));
        QVERIFY(russian.save(out + "/desktop-dialog-ru.png"));
    }
}

void DesktopTests::aNewViewCancelsTheDrawingInProgress() {
    // A map heavy enough that drawing it takes a while: 60,000 markers.
    auto document = std::make_shared<host::MxDocument>();
    auto layer = document->focusMap()->basicGraphicsLayer()->addLayer("markers", nullptr);
    auto symbol = std::make_shared<host::SimpleMarkerSymbol>();
    symbol->setSize(8);
    for (int i = 0; i < 60'000; ++i) {
        auto marker = std::make_shared<host::MarkerElement>();
        marker->setGeometry(std::make_shared<host::Point>(i % 300 * 10.0, i / 300 * 10.0));
        marker->setSymbol(symbol);
        layer->container().addElement(marker);
    }
    canvas_->setDocument(document);
    // Five zooms in a row, each while the one before is being drawn: only the last view is shown.
    for (int i = 0; i < 5; ++i) canvas_->zoomAt(1.5, QPointF(canvas_->width() * 0.3, canvas_->height() * 0.6));
    const quint64 framesBefore = canvas_->frameCount();
    QVERIFY(canvas_->waitUntilDrawn());
    QCOMPARE(canvas_->frameCount(), framesBefore + 1);
    // The drawings of the views passed over were stopped, not finished and thrown away.
    QVERIFY(canvas_->interruptedCount() >= 4);
    const host::Envelope shown = canvas_->frameExtent(), view = canvas_->visibleExtent();
    QCOMPARE(shown.xMin(), view.xMin());
    QCOMPARE(shown.yMax(), view.yMax());
    // The markers show (the last frame is a real drawing, not an empty one).
    const QImage frame = canvas_->frameImage();
    int drawn = 0;
    for (int y = 0; y < frame.height(); y += 5)
        for (int x = 0; x < frame.width(); x += 5) drawn += frame.pixel(x, y) != qRgb(255, 255, 255);
    QVERIFY(drawn > 100);
    canvas_->setDocument(nullptr);
}

void DesktopTests::exportsTheViewAsShown() {
    openSample();
    canvas_->zoomAt(2.0, QPointF(canvas_->width() * 0.6, canvas_->height() * 0.4));
    waitFrame();
    const QString path = dir_->filePath("view.png");
    QVERIFY(window_->exportView(path));
    const QImage exported = QImage(path).convertToFormat(QImage::Format_RGB32);
    const QImage shown = canvas_->frameImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(exported.width(), shown.width());
    QVERIFY(std::abs(exported.height() - shown.height()) <= 1);
    // The same drawing: hardly a pixel differs (rounding of the extent to whole pixels aside).
    const QRect common(0, 0, shown.width(), std::min(shown.height(), exported.height()));
    QVERIFY(changedPixels(exported, shown, common) < common.width() * common.height() / 100);
    // A refused picture name is reported, and nothing is written.
    int boxes = 0;
    window_->shell()->setDialogWatcher([&](QDialog& box) {
        ++boxes;
        box.reject();
    });
    QVERIFY(!window_->exportView(dir_->filePath("view.bmp")));
    QCOMPARE(boxes, 1);
    QVERIFY(!QFileInfo::exists(dir_->filePath("view.bmp")));
}

// The view finds elements by their geometry; what they draw beyond it must still show when the
// geometry lies outside the view: a long text anchored left of the view, among small markers.
void DesktopTests::aTextReachingIntoTheViewFromOutsideIsDrawn() {
    auto document = std::make_shared<host::MxDocument>();
    const host::MapPtr& map = document->focusMap();
    auto layer = map->basicGraphicsLayer()->addLayer("notes", nullptr);
    auto marker = std::make_shared<host::SimpleMarkerSymbol>();
    marker->setSize(4);
    for (int i = 0; i < 400; ++i) {
        auto e = std::make_shared<host::MarkerElement>();
        e->setGeometry(std::make_shared<host::Point>(i % 20 * 50.0, i / 20 * 50.0));
        e->setSymbol(marker);
        layer->container().addElement(e);
    }
    auto textSymbol = std::make_shared<host::TextSymbol>();
    textSymbol->setSize(40);
    textSymbol->setColor(host::RgbColor::fromRgb(200, 0, 0));
    auto text = std::make_shared<host::TextElement>();
    text->setText("A long note that runs far to the right of where it is anchored");
    text->setSymbol(textSymbol);
    text->setGeometry(std::make_shared<host::Point>(100, 500));
    layer->container().addElement(text);
    canvas_->setDocument(document);
    // The view starts right of the text's anchor.
    canvas_->zoomToExtent(host::Envelope(300, 300, 800, 700));
    waitFrame();
    const QImage indexed = canvas_->frameImage().convertToFormat(QImage::Format_RGB32);
    host::DisplayTransformation t = canvas_->document()->activeView().screenDisplay().displayTransformation();
    t.setVisibleBounds(canvas_->visibleExtent());
    const render::SurfacePtr plain = render::renderImage(*map, t);
    cairo_surface_t* s = plain.get();
    const QImage full = QImage(cairo_image_surface_get_data(s), cairo_image_surface_get_width(s), cairo_image_surface_get_height(s),
                               cairo_image_surface_get_stride(s), QImage::Format_ARGB32_Premultiplied)
                            .convertToFormat(QImage::Format_RGB32);
    int red = 0;
    for (int y = 0; y < full.height(); ++y)
        for (int x = 0; x < full.width(); ++x) red += qRed(full.pixel(x, y)) > 150 && qGreen(full.pixel(x, y)) < 80;
    QVERIFY2(red > 200, "the text should reach into the view");
    QCOMPARE(changedPixels(full, indexed, full.rect()), 0);
    canvas_->setDocument(nullptr);
}

void DesktopTests::closingAChangedMapAsksFirst() {
    openSample();
    QVERIFY(!window_->isModified());
    drawCharts(openDialog(), false);
    QVERIFY(window_->isModified());
    QStringList asked;
    int answer = 0;  // 0 Cancel, then No
    window_->shell()->setDialogWatcher([&](QDialog& box) {
        auto* message = qobject_cast<QMessageBox*>(&box);
        QVERIFY(message);
        asked << message->text();
        QTest::mouseClick(message->button(answer == 0 ? QMessageBox::Cancel : QMessageBox::No), Qt::LeftButton);
    });
    QVERIFY(!window_->close());  // Cancel: the window stays, with its charts
    QCOMPARE(asked.size(), 1);
    QVERIFY(window_->isVisible());
    QVERIFY(chartLayer(*canvas_->map())->container().elementCount() > 0);
    answer = 1;
    QVERIFY(window_->close());  // No: closed without saving
    QCOMPARE(asked.size(), 2);
    // A saved map closes without a question.
    window_->show();
    QVERIFY(window_->saveAs(dir_->filePath("saved.pmx")));
    QVERIFY(window_->close());
    QCOMPARE(asked.size(), 2);
}

void DesktopTests::parametersSavedAndLoadedThroughFileDialogs() {
    openSample();
    FormWidget* dialog = openDialog();
    QVERIFY(dialog);
    chooseChartFields(dialog);
    const QString path = dir_->filePath("settings.par");
    QStringList filters;
    QString proposed;
    window_->shell()->setDialogWatcher([&](QDialog& box) {
        auto* files = qobject_cast<QFileDialog*>(&box);
        if (!files) {
            box.reject();
            QFAIL("only file dialogs are expected");
        }
        filters << files->nameFilters().join(";;");
        auto* name = files->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(name);
        proposed = name->text();
        name->setText(path);
        static_cast<QDialog*>(files)->accept();  // as the Save or Open button does
    });
    auto* tabs = dialog->findChild<QTabBar*>();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    auto* maxBox = dialog->findChild<QLineEdit*>("TxtMaxValue");
    const QString saved = maxBox->text();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    clickWidget(dialog->findChild<QPushButton*>("CmdSaveParam"));
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(proposed, QStringLiteral("county_points.par"));
    // Another maximum typed, then the file loaded: the box shows the saved value again.
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    maxBox->setFocus();
    maxBox->selectAll();
    QTest::keyClicks(maxBox, "4242");
    QCOMPARE(qs(dialog->form().textBox("TxtMaxValue").text()), QStringLiteral("4242"));
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    clickWidget(dialog->findChild<QPushButton*>("CmdLoadParam"));
    QCOMPARE(filters.size(), 2);
    QVERIFY2(filters.front().contains("(*.par)"), qPrintable(filters.front()));
    QCOMPARE(maxBox->text(), saved);
}

QTEST_MAIN(DesktopTests)
#include "DesktopTests.moc"
