#pragma once
// A form of the forms runtime shown as a Qt window: one widget per control of its declaration,
// at the declared position, inside its frame or tab page. Bound both ways: what a person does
// on a widget goes through ui::Driver, so it fires exactly the events the headless driver's
// actions fire; whatever changes a control (the person, or code in a handler) shows at once
// through the form's observer.
//
// Widgets are named after their controls ("TxtMaxValue", "OpChartPosition(5)"), so tests and
// scripts find them with findChild.
#include <functional>
#include <map>

#include <QPixmap>
#include <QWidget>

#include "runtime/Object.h"
#include "ui/Driver.h"
#include "ui/Form.h"

class QTabBar;

namespace desktop {

// Called around every user action on any form widget: the map view stops drawing before a
// handler may change the map and draws what it changed afterwards.
struct FormActionHooks {
    std::function<void()> before;
    std::function<void()> after;
};
void setFormActionHooks(FormActionHooks hooks);

// The pixmap of a picture object of the drawing library (buttons, list images); null when the
// object is none.
QPixmap pixmapOf(const runtime::ObjectPtr& picture);

class FormWidget : public QWidget, private ui::FormObserver {
    Q_OBJECT
public:
    explicit FormWidget(ui::Form& form, QWidget* parent = nullptr);
    ~FormWidget() override;

    ui::Form& form() const { return form_; }
    // The widget of a control, or nullptr (image lists, dialogs and menus have none).
    QWidget* widgetOf(const ui::Control& control) const;
    QWidget* widgetOf(std::string_view name, int index = -1) const;

    // Brings every widget in line with its control.
    void syncAll();

    // The window of a form, made on first use; it lives until the form unloads or closeAll().
    static FormWidget* windowFor(ui::Form& form);
    static FormWidget* existingWindow(const ui::Form& form);
    // Makes windows for the forms code has shown since the last call (a command's modeless
    // dialog) and shows them.
    static void showVisibleForms();
    // Closes every window; done before the plug-ins that own the forms go.
    static void closeAll();

signals:
    // The form was hidden or unloaded (a modal run ends).
    void formHidden();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void controlChanged(ui::Control& control, std::string_view property) override;
    void formChanged(ui::Form& form, std::string_view property) override;

    QWidget* create(ui::Control& control, QWidget* parent);
    QWidget* parentFor(const ui::Control& control) const;
    void sync(ui::Control& control);
    void syncVisibility(ui::Control& control);
    // Runs a user action through the driver with the hooks around it.
    void act(const std::function<bool(ui::Driver&)>& action);

    ui::Form& form_;
    std::map<const ui::Control*, QWidget*> widgets_;
    std::map<QObject*, ui::Control*> controlsByWidget_;
    bool syncing_ = false;
};

}  // namespace desktop
