#pragma once
// Switching the GDAL data sources on. Hosts (the command-line host, tests, benchmarks) call
// install() once before they open documents or data files; nothing happens behind their back
// at static initialisation.
#include <string>

#include "host/FeatureClass.h"

namespace host::gdal {

// Registers GDAL's drivers, closes every network path GDAL has (remote virtual file systems,
// PROJ's grid downloads) and installs openForDocument as the host's data-source opener.
// Calling it again does nothing more.
void install();

// The data-source opener of documents and layer files. A source that is missing, unreadable or
// broken gives an empty result with `whyNot` set (the layer opens broken and keeps its entry);
// a source outside the policy (Policy.h) is a host error, so the whole document is refused.
FeatureClassPtr openForDocument(const DataSource& source, std::string& whyNot);

}  // namespace host::gdal
