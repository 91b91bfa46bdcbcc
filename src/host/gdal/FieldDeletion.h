#pragma once
// Deleting attribute fields from a data file. Deleting changes data a user keeps, so it is one
// change of the file, all fields or none, whenever the process stops: the file (a shapefile's
// .dbf) is copied into a hidden folder beside it, changed there (a GeoPackage in one
// transaction), flushed to the disk and renamed over the original. Readers see the old file or
// the new one, never a half-changed one nor a GeoPackage with a hot journal. A shapefile keeps
// its code page: the .cpg goes with the copy, and the table's header, field names included,
// keeps its bytes.
// CSV files are not rewritten (GDAL would re-quote and re-format every value), nor are files
// without write permission (read-only is honoured even for a superuser).
#include <string>
#include <vector>

#include "host/FeatureClass.h"

namespace host::gdal {

// Whether fields of the source can be deleted; `whyNot` says why not. An in-memory class (no
// path) always can.
bool canDeleteSourceFields(const DataSource& source, std::string& whyNot);

// Deletes the fields, named as the data file names them, from the source's layer. Host error
// SchemaRefused naming the file when the source cannot be changed or GDAL fails; the file is
// then as it was.
void deleteSourceFields(const DataSource& source, const std::vector<std::string>& sourceFieldNames);

}  // namespace host::gdal
