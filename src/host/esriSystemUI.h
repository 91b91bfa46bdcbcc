#pragma once
// The host's system and user-interface library (second generation): the command interface,
// the plug-in contract, host errors and property sets.
#include "host/ICommand.h"
#include "host/PluginApi.h"
#include "host/Error.h"
#include "host/PropertySet.h"
