#pragma once
// The common dialog control: a never-visible control whose Show methods open the Shell's file and
// font dialogs with its properties and store the user's answer back into them.
//
// On OK: ShowOpen/ShowSave set FileName and FilterIndex, ShowFont sets FontName, FontSize,
// FontBold and FontItalic. On cancel every property stays as it was; with CancelError on, the
// Show method then raises runtime error 32755 "Cancel was selected.", which the calling
// procedure traps.
#include <string>

#include "ui/Control.h"

namespace ui {

class CommonDialog final : public Control {
public:
    CommonDialog(Form& form, const ControlDesign& design);

    bool hasToolTip() const override { return false; }

    const std::string& dialogTitle() const { return dialogTitle_; }
    void setDialogTitle(std::string title) { dialogTitle_ = std::move(title); }
    const std::string& filter() const { return filter_; }
    void setFilter(std::string filter) { filter_ = std::move(filter); }
    int filterIndex() const { return filterIndex_; }
    void setFilterIndex(int index) { filterIndex_ = index; }
    const std::string& fileName() const { return fileName_; }
    void setFileName(std::string fileName) { fileName_ = std::move(fileName); }
    const std::string& initDir() const { return initDir_; }
    void setInitDir(std::string dir) { initDir_ = std::move(dir); }
    int flags() const { return flags_; }
    void setFlags(int flags) { flags_ = flags; }
    bool cancelError() const { return cancelError_; }
    void setCancelError(bool on) { cancelError_ = on; }

    const std::string& fontName() const { return fontName_; }
    void setFontName(std::string name) { fontName_ = std::move(name); }
    float fontSize() const { return fontSize_; }
    void setFontSize(float size) { fontSize_ = size; }
    bool fontBold() const { return fontBold_; }
    void setFontBold(bool bold) { fontBold_ = bold; }
    bool fontItalic() const { return fontItalic_; }
    void setFontItalic(bool italic) { fontItalic_ = italic; }

    void showOpen();
    void showSave();
    void showFont();

private:
    std::optional<runtime::Variant> getKindProperty(std::string_view upperName) const override;
    bool setKindProperty(std::string_view upperName, const runtime::Variant& value) override;
    void describe(nlohmann::json& out) const override;
    void resetKindState() override;
    void showFile(bool save);
    void cancelled() const;

    std::string dialogTitle_, filter_, fileName_, initDir_, fontName_;
    int filterIndex_ = 0;
    int flags_ = 0;
    bool cancelError_ = false;
    float fontSize_ = 8.0f;
    bool fontBold_ = false, fontItalic_ = false;
};

}  // namespace ui
