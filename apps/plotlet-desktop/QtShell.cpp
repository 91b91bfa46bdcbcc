#include "plotlet-desktop/QtShell.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QFontDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "host/Symbol.h"
#include "plotlet-desktop/FormWidget.h"
#include "plotlet-desktop/SymbolSelector.h"
#include "ui/Form.h"

namespace desktop {

namespace {

QString qs(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

struct ButtonChoice {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<ButtonChoice> buttonsOf(int set) {
    using B = QMessageBox;
    switch (set) {
        case ui::mb::OKCancel: return {{B::Ok, ui::mb::OK}, {B::Cancel, ui::mb::Cancel}};
        case ui::mb::AbortRetryIgnore: return {{B::Abort, ui::mb::Abort}, {B::Retry, ui::mb::Retry}, {B::Ignore, ui::mb::Ignore}};
        case ui::mb::YesNoCancel: return {{B::Yes, ui::mb::Yes}, {B::No, ui::mb::No}, {B::Cancel, ui::mb::Cancel}};
        case ui::mb::YesNo: return {{B::Yes, ui::mb::Yes}, {B::No, ui::mb::No}};
        case ui::mb::RetryCancel: return {{B::Retry, ui::mb::Retry}, {B::Cancel, ui::mb::Cancel}};
        default: return {{B::Ok, ui::mb::OK}};
    }
}

QMessageBox::Icon iconOf(int icon) {
    switch (icon) {
        case ui::mb::Critical: return QMessageBox::Critical;
        case ui::mb::Question: return QMessageBox::Question;
        case ui::mb::Exclamation: return QMessageBox::Warning;
        case ui::mb::Information: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

}  // namespace

std::vector<std::string> QtShell::qtFilters(const std::string& filter) {
    std::vector<std::string> parts, out;
    std::string part;
    for (char c : filter) {
        if (c == '|') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty() || !parts.empty()) parts.push_back(part);
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns = parts[i + 1];
        for (char& c : patterns) {
            if (c == ';') c = ' ';
        }
        out.push_back(parts[i] + " (" + patterns + ")");
    }
    if (parts.size() % 2 == 1 && !parts.back().empty()) out.push_back(parts.back());
    return out;
}

int QtShell::exec(QDialog& dialog) {
    if (watcher_) {
        QPointer<QDialog> guard(&dialog);
        DialogWatcher watcher = watcher_;
        QTimer::singleShot(0, &dialog, [guard, watcher] {
            if (guard) watcher(*guard);
        });
    }
    return dialog.exec();
}

int QtShell::messageBox(const ui::MessageBoxRequest& request) {
    messages_.push_back(request.text);
    QMessageBox box(window_ && window_->isVisible() ? window_ : nullptr);
    box.setWindowTitle(qs(request.title.empty() ? applicationTitle() : request.title));
    box.setText(qs(request.text));
    box.setIcon(iconOf(request.icon));
    const std::vector<ButtonChoice> choices = buttonsOf(request.buttons);
    std::vector<QAbstractButton*> buttons;
    for (const ButtonChoice& s : choices) buttons.push_back(box.addButton(s.button));
    const std::size_t def = std::min<std::size_t>(static_cast<std::size_t>(std::max(0, request.defaultButton)), choices.size() - 1);
    box.setDefaultButton(static_cast<QPushButton*>(buttons[def]));
    // The close box answers Cancel where there is one, else the default.
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].answer == ui::mb::Cancel) box.setEscapeButton(buttons[i]);
    }
    exec(box);
    QAbstractButton* clicked = box.clickedButton();
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (buttons[i] == clicked) return choices[i].answer;
    }
    for (const ButtonChoice& s : choices) {
        if (s.answer == ui::mb::Cancel) return ui::mb::Cancel;
    }
    return choices[def].answer;
}

std::optional<ui::FileDialogResult> QtShell::fileDialog(const ui::FileDialogRequest& request) {
    QFileDialog dialog(window_ && window_->isVisible() ? window_ : nullptr, qs(request.title));
    // Qt's own dialog on every platform: the same widgets for users, tests and scripts.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    constexpr int OverwritePrompt = 0x2, FileMustExist = 0x1000;
    dialog.setFileMode(request.save ? QFileDialog::AnyFile
                                    : (request.flags & FileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (request.save && !(request.flags & OverwritePrompt)) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    QStringList filters;
    for (const std::string& f : qtFilters(request.filter)) filters << qs(f);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = std::clamp(request.filterIndex, 1, static_cast<int>(filters.size()));
        dialog.selectNameFilter(filters[index - 1]);
    }
    if (!request.initDir.empty()) dialog.setDirectory(qs(request.initDir));
    if (!request.fileName.empty()) dialog.selectFile(qs(request.fileName));
    if (exec(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    ui::FileDialogResult result;
    result.fileName = dialog.selectedFiles().front().toStdString();
    result.filterIndex = std::max(1, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1);
    return result;
}

std::optional<ui::FontResult> QtShell::fontDialog(const ui::FontRequest& request) {
    QFont initial(qs(request.name));
    initial.setPointSizeF(request.size > 0 ? request.size : 8.0);
    initial.setBold(request.bold);
    initial.setItalic(request.italic);
    QFontDialog dialog(initial, window_ && window_->isVisible() ? window_ : nullptr);
    dialog.setOption(QFontDialog::DontUseNativeDialog, true);
    if (exec(dialog) != QDialog::Accepted) return std::nullopt;
    const QFont font = dialog.selectedFont();
    ui::FontResult result;
    result.name = font.family().toStdString();
    result.size = font.pointSizeF() > 0 ? font.pointSizeF() : request.size;
    result.bold = font.bold();
    result.italic = font.italic();
    return result;
}

runtime::ObjectPtr QtShell::selectSymbol(const runtime::ObjectPtr& symbol) {
    const auto fill = std::dynamic_pointer_cast<host::FillSymbol>(symbol);
    if (!fill) return nullptr;  // the selector edits fill symbols only
    SymbolSelector dialog(*fill, window_ && window_->isVisible() ? window_ : nullptr);
    if (exec(dialog) != QDialog::Accepted) return nullptr;
    return dialog.chosenSymbol();
}

void QtShell::beep() { QApplication::beep(); }

int QtShell::openUrl(const std::string& url) {
    return QDesktopServices::openUrl(QUrl(qs(url))) ? 42 : 2;
}

int QtShell::popupMenu(const std::vector<std::string>& captions) {
    QMenu menu;
    for (const std::string& caption : captions) menu.addAction(qs(caption));
    QAction* chosen = menu.exec(QCursor::pos());
    return chosen ? static_cast<int>(menu.actions().indexOf(chosen)) : -1;
}

void QtShell::runModal(ui::Form& form) {
    FormWidget* window = FormWidget::windowFor(form);
    if (!form.isVisible()) return;
    QEventLoop loop;
    QObject::connect(window, &FormWidget::formHidden, &loop, &QEventLoop::quit);
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    window->raise();
    if (modalWatcher_) {
        QPointer<FormWidget> guard(window);
        ModalWatcher watcher = modalWatcher_;
        QTimer::singleShot(0, window, [guard, watcher] {
            if (guard) watcher(*guard);
        });
    }
    if (form.isVisible()) loop.exec();
    if (FormWidget* still = FormWidget::existingWindow(form)) {
        still->setWindowModality(Qt::NonModal);
        still->hide();
    }
}

}  // namespace desktop
