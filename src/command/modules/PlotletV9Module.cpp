// Entry point of the Plotlet_v9 plug-in module (placeholder until the plug-in loader lands).
extern "C" __attribute__((visibility("default"))) int plotlet_plugin_abi() { return 1; }
