#pragma once
// The property-set file: one host property set with everything it holds, written whole to one
// file. Legend (.leg), parameter (.par) and graphics (.obj) files are such files.
#include <string>

#include "host/PropertySet.h"

namespace plotlet {

// Writes the set to the path, replacing any file of that name atomically (a failure leaves the
// old file as it was). Failures (an unwritable path, an object that cannot be saved) go to the
// caller as host errors naming the file.
void SavePropertySetToFile(const host::PropertySetPtr& set, const std::string& path);

// The set stored in the file, or empty after a reported failure ("LoadPropertySetFromFile "):
// a missing, unreadable, oversized, malformed or foreign file never changes anything else.
host::PropertySetPtr LoadPropertySetFromFile(const std::string& path);

}  // namespace plotlet
