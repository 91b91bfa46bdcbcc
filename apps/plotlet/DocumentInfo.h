#pragma once
// What `plotlet info` reports about a map document or a data file: per map its coordinate
// system and scales, its layers (kind, geometry, features, selection, fields with their types,
// data source, why a layer is broken) and its graphics layers with their element counts.
#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

#include "host/MxDocument.h"

namespace plotlet::cli {

// The report as JSON (the shape `--json` prints).
nlohmann::json documentInfo(const host::MxDocument& document, const std::string& path, bool isDataFile);
// The same report as indented text for people.
std::string documentInfoText(const nlohmann::json& info);

// Opens `path` (a .pmx document or a data file), writes the report to `out` and returns Ok; on
// bad input writes "plotlet: error: <message naming the file>" to `err` and returns InputError.
int printDocumentInfo(const std::string& path, bool json, std::ostream& out, std::ostream& err);

}  // namespace plotlet::cli
