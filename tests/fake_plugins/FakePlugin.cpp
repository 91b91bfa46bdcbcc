// Modules the loader tests feed to the host, one build of this file per FAKE_KIND:
//   1 a well-formed module with a trivial command
//   2 a shared object without the plug-in factory
//   3 a module built for another plug-in interface version
//   4 a module whose factory throws
//   5 a module whose factory returns no descriptor
#include <stdexcept>

#include "host/ICommand.h"
#include "host/PluginApi.h"

#if FAKE_KIND == 2
extern "C" __attribute__((visibility("default"))) int fake_plugin_something_else() { return 42; }
#else
namespace {

class FakeCommand final : public host::ICommand {
public:
    std::int32_t Bitmap() override { return 0; }
    std::string Caption() override { return "Fake"; }
    std::string Category() override { return "Testing"; }
    bool Checked() override { return false; }
    bool Enabled() override { return true; }
    std::int32_t HelpContextID() override { return 0; }
    std::optional<std::string> HelpFile() override { return std::nullopt; }
    std::optional<std::string> Message() override { return std::nullopt; }
    std::string Name() override { return "Testing_Fake"; }
    void OnClick() override {}
    void OnCreate(runtime::ObjectPtr) override {}
    std::string Tooltip() override { return "A fake command"; }
};

[[maybe_unused]] host::ICommand* create() { return new FakeCommand(); }
[[maybe_unused]] const char* label() { return "Fake Load"; }

}  // namespace

#if FAKE_KIND == 4
PLOTLET_PLUGIN_EXPORT const host::PluginDescriptor* plotlet_plugin_descriptor() {
    throw std::runtime_error("fake factory refuses");
}
#elif FAKE_KIND == 5
PLOTLET_PLUGIN_EXPORT const host::PluginDescriptor* plotlet_plugin_descriptor() noexcept { return nullptr; }
#else
PLOTLET_PLUGIN_EXPORT const host::PluginDescriptor* plotlet_plugin_descriptor() noexcept {
    static const host::PluginDescriptor descriptor{
        FAKE_KIND == 3 ? 999u : host::PluginAbiVersion, sizeof(host::PluginDescriptor),
        "{00000000-FA6E-4000-8000-000000000001}", "FakePlugin", "Testing", &create, &label};
    return &descriptor;
}
#endif
#endif
