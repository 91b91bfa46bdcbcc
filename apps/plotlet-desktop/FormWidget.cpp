#include "plotlet-desktop/FormWidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cairo.h>

#include "render/Picture.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/CommandButton.h"
#include "ui/Frame.h"
#include "ui/ImageList.h"
#include "ui/Label.h"
#include "ui/ListBox.h"
#include "ui/ListView.h"
#include "ui/OptionButton.h"
#include "ui/SpinButton.h"
#include "ui/TabControl.h"
#include "ui/TextBox.h"
#include "ui/ToggleButton.h"

namespace desktop {

namespace {

FormActionHooks& hooks() {
    static FormActionHooks instance;
    return instance;
}

std::map<const ui::Form*, QPointer<FormWidget>>& windows() {
    static std::map<const ui::Form*, QPointer<FormWidget>> instance;
    return instance;
}

QString qs(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The height of the tab strip of a tab control; pages' controls are placed below it by their
// declaration.
constexpr int kTabStrip = 24;

class SpinWidget : public QWidget {
public:
    explicit SpinWidget(QWidget* parent) : QWidget(parent) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        up = new QToolButton(this);
        down = new QToolButton(this);
        up->setArrowType(Qt::UpArrow);
        down->setArrowType(Qt::DownArrow);
        for (QToolButton* b : {up, down}) {
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
            b->setAutoRepeat(true);
            layout->addWidget(b);
        }
    }
    QToolButton* up;
    QToolButton* down;
};

class TabWidget : public QWidget {
public:
    explicit TabWidget(QWidget* parent) : QWidget(parent) {
        bar = new QTabBar(this);
        bar->setDrawBase(true);
        bar->setExpanding(false);
        bar->move(0, 0);
        page = new QFrame(this);
        page->setFrameShape(QFrame::StyledPanel);
        page->lower();
    }
    void resizeEvent(QResizeEvent*) override {
        bar->resize(width(), kTabStrip);
        page->setGeometry(0, kTabStrip - 1, width(), height() - kTabStrip + 1);
    }
    QTabBar* bar;
    QFrame* page;
};

}  // namespace

void setFormActionHooks(FormActionHooks h) { hooks() = std::move(h); }

QPixmap pixmapOf(const runtime::ObjectPtr& object) {
    const auto picture = std::dynamic_pointer_cast<render::Picture>(object);
    if (!picture || !picture->bitmap()) return {};
    cairo_surface_t* surface = picture->bitmap()->surface();
    if (!surface) return {};
    cairo_surface_flush(surface);
    const int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const bool alpha = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32;
    const QImage image(cairo_image_surface_get_data(surface), w, h, stride,
                       alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    return QPixmap::fromImage(image.copy());
}

FormWidget* FormWidget::existingWindow(const ui::Form& form) {
    const auto found = windows().find(&form);
    return found == windows().end() ? nullptr : found->second.data();
}

FormWidget* FormWidget::windowFor(ui::Form& form) {
    if (FormWidget* existing = existingWindow(form)) return existing;
    auto* window = new FormWidget(form);
    windows()[&form] = window;
    return window;
}

void FormWidget::showVisibleForms() {
    for (ui::Form* form : ui::allForms()) {
        if (!form->isVisible() || form->isModal()) continue;
        FormWidget* window = windowFor(*form);
        if (!window->isVisible()) {
            window->show();
            window->raise();
            window->activateWindow();
        }
    }
}

void FormWidget::closeAll() {
    auto all = windows();
    windows().clear();
    for (auto& [form, window] : all) delete window.data();
}

FormWidget::FormWidget(ui::Form& form, QWidget* parent) : QWidget(parent, Qt::Dialog), form_(form) {
    setObjectName(qs(form.name()));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(form.width(), form.height());
    setWindowTitle(qs(form.caption()));
    for (ui::Control* control : form.controls()) {
        if (QWidget* w = create(*control, parentFor(*control))) {
            w->setObjectName(qs(control->displayName()));
            widgets_[control] = w;
            controlsByWidget_[w] = control;
        }
    }
    form.addObserver(this);
    syncAll();
}

FormWidget::~FormWidget() {
    form_.removeObserver(this);
    const auto found = windows().find(&form_);
    if (found != windows().end() && found->second == this) windows().erase(found);
}

QWidget* FormWidget::widgetOf(const ui::Control& control) const {
    const auto found = widgets_.find(&control);
    return found == widgets_.end() ? nullptr : found->second;
}

QWidget* FormWidget::widgetOf(std::string_view name, int index) const {
    ui::Control* control = form_.findControl(name, index);
    return control ? widgetOf(*control) : nullptr;
}

QWidget* FormWidget::parentFor(const ui::Control& control) const {
    ui::Control* container = form_.findContainer(control);
    if (!container) return const_cast<FormWidget*>(this);
    QWidget* w = widgetOf(*container);
    if (auto* tabs = dynamic_cast<TabWidget*>(w)) return tabs;
    return w ? w : const_cast<FormWidget*>(this);
}

QWidget* FormWidget::create(ui::Control& control, QWidget* parent) {
    using K = ui::ControlKind;
    QWidget* w = nullptr;
    const std::string name = control.name();
    const int index = control.index();
    switch (control.kind()) {
        case K::Label: {
            auto* label = new QLabel(parent);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            w = label;
            break;
        }
        case K::Frame:
            w = new QGroupBox(parent);
            break;
        case K::CommandButton: {
            auto* b = new QPushButton(parent);
            connect(b, &QPushButton::clicked, this, [this, name, index] { act([&](ui::Driver& d) { return d.click(name, index); }); });
            w = b;
            break;
        }
        case K::CheckBox: {
            auto* b = new QCheckBox(parent);
            connect(b, &QCheckBox::clicked, this, [this, name, index] { act([&](ui::Driver& d) { return d.click(name, index); }); });
            w = b;
            break;
        }
        case K::OptionButton: {
            auto* b = new QRadioButton(parent);
            b->setAutoExclusive(false);
            connect(b, &QRadioButton::clicked, this, [this, name, index] { act([&](ui::Driver& d) { return d.chooseOption(name, index); }); });
            w = b;
            break;
        }
        case K::ToggleButton: {
            auto* b = new QPushButton(parent);
            b->setCheckable(true);
            connect(b, &QPushButton::clicked, this, [this, name, index] { act([&](ui::Driver& d) { return d.pressToggle(name, index); }); });
            w = b;
            break;
        }
        case K::TextBox: {
            auto* e = new QLineEdit(parent);
            connect(e, &QLineEdit::textEdited, this, [this, name, index](const QString& text) {
                const std::string t = text.toStdString();
                act([&](ui::Driver& d) { return d.enterText(name, t, index); });
            });
            w = e;
            break;
        }
        case K::ComboBox: {
            auto* c = new QComboBox(parent);
            c->setEditable(control.as<ui::ComboBox>()->style() != ui::ComboBox::DropDownList);
            connect(c, qOverload<int>(&QComboBox::activated), this,
                    [this, name, index](int row) { act([&](ui::Driver& d) { return d.chooseComboRow(name, row, index); }); });
            if (c->isEditable()) {
                connect(c->lineEdit(), &QLineEdit::textEdited, this, [this, name, index](const QString& text) {
                    const std::string t = text.toStdString();
                    act([&](ui::Driver& d) {
                        // The runtime's combo box takes typed text through its Text property.
                        d.focus(name, index);
                        d.form().comboBox(name, index).setText(t);
                        return true;
                    });
                });
            }
            w = c;
            break;
        }
        case K::ListBox: {
            auto* l = new QListWidget(parent);
            // Rows are chosen through the runtime only (clicks reach it through the event
            // filter); the widget shows the runtime's selection.
            l->setSelectionMode(QAbstractItemView::NoSelection);
            l->viewport()->installEventFilter(this);
            controlsByWidget_[l->viewport()] = &control;
            w = l;
            break;
        }
        case K::ListView: {
            auto* t = new QTreeWidget(parent);
            t->setRootIsDecorated(false);
            t->setSelectionMode(QAbstractItemView::NoSelection);
            t->setUniformRowHeights(true);
            t->viewport()->installEventFilter(this);
            controlsByWidget_[t->viewport()] = &control;
            connect(t->header(), &QHeaderView::sectionClicked, this, [this, name](int column) {
                act([&](ui::Driver& d) { return d.clickColumnHeader(name, column + 1); });
            });
            t->header()->setSectionsClickable(true);
            w = t;
            break;
        }
        case K::SpinButton: {
            auto* s = new SpinWidget(parent);
            connect(s->up, &QToolButton::clicked, this, [this, name, index] { act([&](ui::Driver& d) { return d.spinUp(name, index); }); });
            connect(s->down, &QToolButton::clicked, this,
                    [this, name, index] { act([&](ui::Driver& d) { return d.spinDown(name, index); }); });
            w = s;
            break;
        }
        case K::TabControl: {
            auto* t = new TabWidget(parent);
            const auto& tabs = *control.as<ui::TabControl>();
            for (int i = 0; i < tabs.tabs(); ++i) t->bar->addTab(qs(tabs.tabCaption(i)));
            connect(t->bar, &QTabBar::tabBarClicked, this, [this, name](int tab) {
                if (tab >= 0) act([&](ui::Driver& d) { return d.pickTab(name, tab); });
            });
            w = t;
            break;
        }
        case K::Menu:
        case K::ImageList:
        case K::CommonDialog:
            return nullptr;
    }
    if (control.canTakeFocus()) {
        w->setFocusPolicy(Qt::StrongFocus);
        w->installEventFilter(this);
    }
    return w;
}

void FormWidget::act(const std::function<bool(ui::Driver&)>& action) {
    if (syncing_) return;
    if (hooks().before) hooks().before();
    try {
        ui::Driver driver(form_);
        action(driver);
    } catch (const ui::ActionRefused&) {
        QApplication::beep();
    } catch (const std::exception& e) {
        ui::Driver::reportError(e);
    }
    // The runtime may have refused what the widget already shows.
    if (existingWindow(form_) == this) syncAll();
    if (hooks().after) hooks().after();
    showVisibleForms();
}

bool FormWidget::eventFilter(QObject* watched, QEvent* event) {
    const auto found = controlsByWidget_.find(watched);
    if (found == controlsByWidget_.end() || syncing_) return QWidget::eventFilter(watched, event);
    ui::Control& control = *found->second;
    const std::string name = control.name();
    const int index = control.index();
    if (event->type() == QEvent::FocusIn) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if ((reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) &&
            form_.activeControl() != &control && control.isUsable()) {
            act([&](ui::Driver& d) { return d.focus(name, index); });
        }
        return false;
    }
    const bool press = event->type() == QEvent::MouseButtonPress;
    const bool twice = event->type() == QEvent::MouseButtonDblClick;
    if (!press && !twice) return QWidget::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    const bool ctrl = mouse->modifiers() & Qt::ControlModifier;
    if (auto* list = dynamic_cast<QListWidget*>(widgetOf(control))) {
        const QModelIndex at = list->indexAt(mouse->position().toPoint());
        if (!at.isValid()) return true;
        const int row = at.row();
        if (twice) act([&](ui::Driver& d) { return d.doubleClickListRow(name, row, index); });
        else act([&](ui::Driver& d) { return d.clickListRow(name, row, ctrl, index); });
        return true;
    }
    if (auto* tree = dynamic_cast<QTreeWidget*>(widgetOf(control))) {
        const QModelIndex at = tree->indexAt(mouse->position().toPoint());
        const int item = at.isValid() ? at.row() + 1 : 0;
        if (twice) {
            if (item > 0) act([&](ui::Driver& d) { return d.doubleClickListViewItem(name, item); });
        } else if (mouse->button() == Qt::RightButton) {
            if (item > 0) act([&](ui::Driver& d) { return d.rightClickListViewItem(name, item); });
            else act([&](ui::Driver& d) { return d.rightClickListView(name); });
        } else if (item > 0) {
            act([&](ui::Driver& d) { return d.clickListViewItem(name, item, ctrl); });
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FormWidget::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (form_.isVisible()) act([](ui::Driver& d) { return d.close(); });
}

// ------------------------------------------------------------------------------------------------
// Runtime → widgets

void FormWidget::controlChanged(ui::Control& control, std::string_view property) {
    sync(control);
    if (control.kind() == ui::ControlKind::TabControl && property != "Caption") {
        for (ui::Control* child : form_.controlsIn(control.name())) syncVisibility(*child);
    }
    if (control.kind() == ui::ControlKind::ImageList) {
        // Images of list views bound to this list.
        for (ui::Control* c : form_.controls()) {
            if (c->kind() == ui::ControlKind::ListView) sync(*c);
        }
    }
}

void FormWidget::formChanged(ui::Form& form, std::string_view property) {
    if (property == "Caption") {
        setWindowTitle(qs(form.caption()));
    } else if (property == "Visible" || property == "Loaded") {
        if (!form.isVisible()) {
            hide();
            emit formHidden();
        } else if (!form.isModal()) {
            show();
            raise();
        }
    } else if (property == "Focus") {
        if (ui::Control* active = form.activeControl()) {
            if (QWidget* w = widgetOf(*active)) {
                syncing_ = true;
                w->setFocus(Qt::OtherFocusReason);
                syncing_ = false;
            }
        }
    }
}

void FormWidget::syncAll() {
    for (ui::Control* control : form_.controls()) sync(*control);
}

void FormWidget::syncVisibility(ui::Control& control) {
    QWidget* w = widgetOf(control);
    if (!w) return;
    bool shown = control.visible();
    if (ui::Control* container = form_.findContainer(control)) {
        if (const auto* tabs = container->as<ui::TabControl>()) shown = shown && control.tabPage() == tabs->tab();
    }
    w->setVisible(shown);
}

void FormWidget::sync(ui::Control& control) {
    QWidget* w = widgetOf(control);
    if (!w) return;
    syncing_ = true;
    const QSignalBlocker blocker(w);
    // Declared positions are relative to the container, as the widget's parent is.
    const ui::Rect& r = control.rect();
    w->setGeometry(r.left, r.top, std::max(1, r.width), std::max(1, r.height));
    w->setEnabled(control.enabled());
    if (control.hasToolTip()) w->setToolTip(qs(control.toolTipText()));
    syncVisibility(control);
    using K = ui::ControlKind;
    switch (control.kind()) {
        case K::Label:
            static_cast<QLabel*>(w)->setText(qs(control.caption()));
            break;
        case K::Frame:
            static_cast<QGroupBox*>(w)->setTitle(qs(control.caption()));
            break;
        case K::CommandButton: {
            auto* b = static_cast<QPushButton*>(w);
            b->setText(qs(control.caption()));
            const QPixmap pixmap = pixmapOf(control.as<ui::CommandButton>()->picture());
            b->setIcon(pixmap.isNull() ? QIcon() : QIcon(pixmap));
            if (!pixmap.isNull()) b->setIconSize(pixmap.size());
            break;
        }
        case K::CheckBox: {
            auto* b = static_cast<QCheckBox*>(w);
            b->setText(qs(control.caption()));
            const int v = control.as<ui::CheckBox>()->value();
            b->setTristate(v == ui::CheckBox::Grayed);
            b->setCheckState(v == ui::CheckBox::Checked ? Qt::Checked : v == ui::CheckBox::Grayed ? Qt::PartiallyChecked : Qt::Unchecked);
            break;
        }
        case K::OptionButton: {
            auto* b = static_cast<QRadioButton*>(w);
            b->setText(qs(control.caption()));
            b->setChecked(control.as<ui::OptionButton>()->value());
            break;
        }
        case K::ToggleButton: {
            auto* b = static_cast<QPushButton*>(w);
            const auto& t = *control.as<ui::ToggleButton>();
            b->setText(qs(control.caption()));
            b->setChecked(t.value());
            const QPixmap pixmap = pixmapOf(t.picture());
            b->setIcon(pixmap.isNull() ? QIcon() : QIcon(pixmap));
            if (!pixmap.isNull()) b->setIconSize(pixmap.size());
            break;
        }
        case K::TextBox: {
            auto* e = static_cast<QLineEdit*>(w);
            const auto& t = *control.as<ui::TextBox>();
            const QString text = qs(t.text());
            if (e->text() != text) e->setText(text);
            e->setReadOnly(t.locked());
            break;
        }
        case K::ComboBox: {
            auto* c = static_cast<QComboBox*>(w);
            const auto& box = *control.as<ui::ComboBox>();
            QStringList rows;
            for (int i = 0; i < box.listCount(); ++i) rows << qs(box.list(i));
            QStringList shown;
            for (int i = 0; i < c->count(); ++i) shown << c->itemText(i);
            if (rows != shown) {
                c->clear();
                c->addItems(rows);
            }
            c->setCurrentIndex(box.listIndex());
            if (c->isEditable()) {
                if (c->currentText() != qs(box.text())) c->setEditText(qs(box.text()));
            }
            break;
        }
        case K::ListBox: {
            auto* l = static_cast<QListWidget*>(w);
            const auto& box = *control.as<ui::ListBox>();
            if (l->count() != box.listCount()) {
                l->clear();
                for (int i = 0; i < box.listCount(); ++i) l->addItem(QString());
            }
            for (int i = 0; i < box.listCount(); ++i) {
                QString text = qs(box.list(i, 0));
                for (int c = 1; c < box.columnCount(); ++c) text += QStringLiteral("    ") + qs(box.list(i, c));
                QListWidgetItem* item = l->item(i);
                if (item->text() != text) item->setText(text);
                // Through the selection model: the view itself takes no selection from users.
                l->selectionModel()->select(l->model()->index(i, 0), box.selected(i) ? QItemSelectionModel::Select
                                                                                       : QItemSelectionModel::Deselect);
            }
            break;
        }
        case K::ListView: {
            auto* t = static_cast<QTreeWidget*>(w);
            const auto& view = *control.as<ui::ListView>();
            const int columns = std::max(1, view.columnCount());
            t->setColumnCount(columns);
            QStringList headers;
            for (int c = 1; c <= view.columnCount(); ++c) headers << qs(view.column(c).text());
            if (view.columnCount() > 0) {
                t->setHeaderLabels(headers);
                t->setHeaderHidden(false);
                for (int c = 1; c <= view.columnCount(); ++c) t->setColumnWidth(c - 1, view.column(c).width());
            } else {
                t->setHeaderHidden(true);
            }
            t->clear();
            QSize iconSize;
            for (int i = 1; i <= view.itemCount(); ++i) {
                const ui::ListItem& item = view.item(i);
                auto* row = new QTreeWidgetItem(t);
                row->setText(0, qs(item.text()));
                for (int c = 1; c < columns; ++c) row->setText(c, qs(item.subItem(c)));
                runtime::ObjectPtr picture = view.smallIconPicture(item);
                if (!picture) picture = view.iconPicture(item);
                const QPixmap pixmap = pixmapOf(picture);
                if (!pixmap.isNull()) {
                    row->setIcon(0, QIcon(pixmap));
                    iconSize = iconSize.expandedTo(pixmap.size());
                }
                if (item.selected())
                    t->selectionModel()->select(t->model()->index(i - 1, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
            }
            if (iconSize.isValid()) t->setIconSize(iconSize);
            break;
        }
        case K::SpinButton:
            break;
        case K::TabControl: {
            auto* tabs = static_cast<TabWidget*>(w);
            const auto& t = *control.as<ui::TabControl>();
            for (int i = 0; i < t.tabs() && i < tabs->bar->count(); ++i) {
                tabs->bar->setTabText(i, qs(t.tabCaption(i)));
                tabs->bar->setTabToolTip(i, qs(t.tabToolTip(i)));
            }
            tabs->bar->setCurrentIndex(t.tab());
            break;
        }
        case K::Menu:
        case K::ImageList:
        case K::CommonDialog:
            break;
    }
    syncing_ = false;
}

}  // namespace desktop
