#pragma once
// The host's command interface: what a toolbar command tells the host about itself and what
// the host calls on it. Members keep the host's names and order.
//
// A command lives in a plug-in module; the host reaches it only through this interface and
// through the module's factory (PluginApi.h). Queries may throw: the host treats a throwing
// query as a failed query (a command that cannot say whether it is enabled is not enabled).
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/Object.h"

namespace host {

class ICommand {
public:
    virtual ~ICommand();

    // Handle of the command's picture (non-zero), or 0 when there is none.
    virtual std::int32_t Bitmap() = 0;
    virtual std::string Caption() = 0;
    virtual std::string Category() = 0;
    virtual bool Checked() = 0;
    // Asked again and again; the host enables the command's button only while true.
    virtual bool Enabled() = 0;
    virtual std::int32_t HelpContextID() = 0;
    // No value stands for the null text.
    virtual std::optional<std::string> HelpFile() = 0;
    virtual std::optional<std::string> Message() = 0;
    virtual std::string Name() = 0;
    virtual void OnClick() = 0;
    // Called once after creation with the host application object.
    virtual void OnCreate(runtime::ObjectPtr hook) = 0;
    virtual std::string Tooltip() = 0;

protected:
    ICommand() = default;
    ICommand(const ICommand&) = default;
    ICommand& operator=(const ICommand&) = default;
};

}  // namespace host
