#pragma once
// Attribute queries ("POP > 1000 AND NAME LIKE 'A%'") for selecting features, evaluated against
// the layer's data file. The clause must be a plain attribute filter in OGR's SQL dialect:
// field names, literals, comparisons, LIKE, IN, BETWEEN, IS NULL, arithmetic and OGR's few
// scalar functions. It is compiled by OGR's own expression parser and evaluated feature by
// feature, never handed to a database engine, so a clause cannot reach other tables, run
// statements or call database functions.
#include <cstdint>
#include <string>
#include <vector>

#include "host/FeatureClass.h"

namespace host::gdal {

// The object identifiers of the features matching `where`, ascending. Host errors: QueryRefused
// for an empty clause, one that does not compile (the message quotes OGR's reason) or a class
// without a data file; the data-source errors of openFeatureClass when the file cannot be read.
std::vector<std::int64_t> selectWhere(const FeatureClass& featureClass, const std::string& where);

}  // namespace host::gdal
