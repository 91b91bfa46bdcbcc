#pragma once
// Feature classes read from data files through GDAL. The features are loaded whole into the
// in-memory class (charts walk every feature several times; a file read once keeps that fast
// and the file free). The class remembers where it came from, so documents can name it and
// field deletion can go back to the file.
//
// Field types (host codes in brackets):
//   OGR Integer with the 16-bit subtype or the Boolean subtype   → short integer (0)
//   OGR Integer                                                  → integer (1)
//   OGR Real with the 32-bit float subtype                       → single (2)
//   OGR Real, and OGR Integer64                                  → double (3)
//   OGR String, and lists of any kind (as their text)            → text (4)
//   OGR Date, DateTime and Time                                  → date (5)
//   OGR Binary                                                   → left out (warning)
// Integer64 becomes a double because the host has no 64-bit integer type: every value up to
// ±2^53 is kept exactly (GeoPackages store every integer column as 64-bit, and their counts are
// far below that); larger ones keep the nearest double and the load reports a warning.
// Attribute values that are NaN or infinite load as null: they are no value, and charts and
// statistics treat nulls on purpose. Texts that are not valid UTF-8 get U+FFFD in place of the
// broken bytes (GDAL already recodes shapefiles from the code page their .cpg or DBF language
// driver id names).
//
// The object identifier is the GDAL feature id (shapefiles count from 0, GeoPackages from 1).
#include <memory>
#include <string>
#include <vector>

#include "host/FeatureClass.h"

namespace host::gdal {

class GdalFeatureClass final : public FeatureClass {
public:
    // Use openFeatureClass; public for makeFeatureClass.
    GdalFeatureClass(std::string name, GeometryType shapeType, std::vector<Field> attributeFields,
                     SpatialReferencePtr spatialReference, std::string oidName, std::string shapeName,
                     std::vector<std::string> sourceFieldNames);

    // Deletes the fields from the data file first (one change, see FieldDeletion.h), then from
    // memory; a refusal or failure leaves both as they were.
    void deleteFields(const std::vector<std::string>& names) override;
    // Whether deleteFields can change the source; `whyNot` says why not.
    bool canDeleteFields(std::string& whyNot) const;

    // The name of an attribute field in the data file (it differs when a name had to change to
    // stay unique, e.g. a column named like the identifier field).
    std::string sourceFieldName(int fieldIndex) const;
    // Conditions met while loading that did not stop it (values made null, texts repaired, GDAL
    // warnings), at most a few dozen.
    const std::vector<std::string>& warnings() const { return warnings_; }
    void addWarning(std::string text);

private:
    std::vector<std::string> sourceFieldNames_;  // per attribute field
    std::vector<std::string> warnings_;
};

using GdalFeatureClassPtr = std::shared_ptr<GdalFeatureClass>;

// The vector layers of a data file, in file order. Host errors as for openFeatureClass.
std::vector<std::string> layerNames(const std::string& path);

// Opens one layer of a data file (`layerName` empty: the first layer) and loads its features.
// `driver`, when given, must be the file's driver. Host errors name the file and the problem:
// policy refusals (see Policy.h), a missing (53) or unreadable file, a file GDAL cannot read as
// that format, no such layer, a layer without geometry or mixing points, lines and polygons,
// and failures while reading features (a corrupt record).
GdalFeatureClassPtr openFeatureClass(const std::string& path, const std::string& layerName = {},
                                     const std::string& driver = {});

// Every layer of a data file.
std::vector<GdalFeatureClassPtr> openAllFeatureClasses(const std::string& path);

}  // namespace host::gdal
