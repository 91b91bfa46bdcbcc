#pragma once
// ClsPlotlet: the plug-in's only public class, the toolbar command the host creates. It tells
// the host its texts and picture, is enabled while the focus map holds a layer, and on a click
// hands the document, map, application and language to its main dialog and shows it.
//
// Failure handling follows the host's command conventions: Enabled lets a host failure reach
// the host; OnClick reports every failure in a plain box of its own; creation and Bitmap
// report through ErrorHandling with the module name "clsPlotlet".
#include <memory>
#include <optional>
#include <string>

#include "resources/ResPicture.h"
#include "host/Application.h"
#include "host/ICommand.h"

namespace plotlet {

class frmPlotlet;

class ClsPlotlet final : public host::ICommand {
public:
    static constexpr const char* NameText = "Zorvex_Plotlet";
    static constexpr const char* CategoryText = "Zorvex";
    static constexpr const char* CaptionText = "Plotlet(eng)";
    static constexpr const char* TooltipText = "Plotlet on GraphicsLayer";

    // Class_Initialize: loads the bitmap 101 and sets Language to "English".
    ClsPlotlet();
    // Class_Terminate: releases the application and the picture, unloads the dialog.
    ~ClsPlotlet() override;
    ClsPlotlet(const ClsPlotlet&) = delete;
    ClsPlotlet& operator=(const ClsPlotlet&) = delete;

    // The hook received in OnCreate.
    host::ApplicationPtr m_pApp;
    // The dialog's language, handed to it on every click.
    std::string Language;

    std::int32_t Bitmap() override;
    std::string Caption() override { return CaptionText; }
    std::string Category() override { return CategoryText; }
    bool Checked() override { return false; }
    bool Enabled() override;
    std::int32_t HelpContextID() override { return 0; }
    std::optional<std::string> HelpFile() override { return std::nullopt; }
    std::optional<std::string> Message() override { return std::nullopt; }
    std::string Name() override { return NameText; }
    void OnClick() override;
    void OnCreate(runtime::ObjectPtr hook) override;
    std::string Tooltip() override { return TooltipText; }

    // The command's main dialog, or nullptr before the first click. Made on the first click,
    // shown again by every later one, unloaded and destroyed with the command.
    frmPlotlet* dialog() const;

private:
    std::optional<ResPicture> picture_;
    std::unique_ptr<frmPlotlet> dialog_;
};

}  // namespace plotlet
