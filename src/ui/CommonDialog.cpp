#include "ui/CommonDialog.h"

#include <nlohmann/json.hpp>

#include "ui/Shell.h"
#include "ui/UiError.h"

namespace ui {

using runtime::Variant;

CommonDialog::CommonDialog(Form& form, const ControlDesign& design) : Control(form, design) { resetKindState(); }

void CommonDialog::resetKindState() {
    dialogTitle_ = design().caption;
    filter_.clear();
    fileName_.clear();
    initDir_.clear();
    fontName_.clear();
    filterIndex_ = 0;
    flags_ = 0;
    cancelError_ = false;
    fontSize_ = 8.0f;
    fontBold_ = fontItalic_ = false;
}

void CommonDialog::showOpen() { showFile(false); }

void CommonDialog::showSave() { showFile(true); }

void CommonDialog::showFile(bool save) {
    FileDialogRequest request;
    request.save = save;
    request.title = dialogTitle_;
    request.filter = filter_;
    request.filterIndex = filterIndex_ < 1 ? 1 : filterIndex_;
    request.fileName = fileName_;
    request.initDir = initDir_;
    request.flags = flags_;
    // Keep the shell alive while its dialog runs, even if a handler installs another one.
    const std::shared_ptr<Shell> current = currentShell();
    const auto result = current->fileDialog(request);
    if (!result) return cancelled();
    fileName_ = result->fileName;
    filterIndex_ = result->filterIndex;
}

void CommonDialog::showFont() {
    FontRequest request;
    request.name = fontName_;
    request.size = fontSize_;
    request.bold = fontBold_;
    request.italic = fontItalic_;
    request.flags = flags_;
    const std::shared_ptr<Shell> current = currentShell();
    const auto result = current->fontDialog(request);
    if (!result) return cancelled();
    fontName_ = result->name;
    fontSize_ = static_cast<float>(result->size);
    fontBold_ = result->bold;
    fontItalic_ = result->italic;
}

void CommonDialog::cancelled() const {
    if (cancelError_) raiseUi(err::DialogCancelled);
}

std::optional<Variant> CommonDialog::getKindProperty(std::string_view upperName) const {
    if (upperName == "DIALOGTITLE") return Variant(dialogTitle_);
    if (upperName == "FILTER") return Variant(filter_);
    if (upperName == "FILTERINDEX") return Variant(static_cast<std::int16_t>(filterIndex_));
    if (upperName == "FILENAME") return Variant(fileName_);
    if (upperName == "INITDIR") return Variant(initDir_);
    if (upperName == "FLAGS") return Variant(static_cast<std::int32_t>(flags_));
    if (upperName == "CANCELERROR") return Variant(cancelError_);
    if (upperName == "FONTNAME") return Variant(fontName_);
    if (upperName == "FONTSIZE") return Variant(fontSize_);
    if (upperName == "FONTBOLD") return Variant(fontBold_);
    if (upperName == "FONTITALIC") return Variant(fontItalic_);
    return std::nullopt;
}

bool CommonDialog::setKindProperty(std::string_view upperName, const Variant& value) {
    if (upperName == "DIALOGTITLE") setDialogTitle(value.toString());
    else if (upperName == "FILTER") setFilter(value.toString());
    else if (upperName == "FILTERINDEX") setFilterIndex(property::toInt(value, 0, 32767));
    else if (upperName == "FILENAME") setFileName(value.toString());
    else if (upperName == "INITDIR") setInitDir(value.toString());
    else if (upperName == "FLAGS") setFlags(value.toInt32());
    else if (upperName == "CANCELERROR") setCancelError(property::toBool(value));
    else if (upperName == "FONTNAME") setFontName(value.toString());
    else if (upperName == "FONTSIZE") setFontSize(value.toSingle());
    else if (upperName == "FONTBOLD") setFontBold(property::toBool(value));
    else if (upperName == "FONTITALIC") setFontItalic(property::toBool(value));
    else return false;
    return true;
}

void CommonDialog::describe(nlohmann::json& out) const {
    out["dialogTitle"] = dialogTitle_;
    out["filter"] = filter_;
    out["filterIndex"] = filterIndex_;
    out["fileName"] = fileName_;
    out["initDir"] = initDir_;
    out["flags"] = flags_;
    out["cancelError"] = cancelError_;
    out["font"] = {{"name", fontName_}, {"size", fontSize_}, {"bold", fontBold_}, {"italic", fontItalic_}};
}

}  // namespace ui
