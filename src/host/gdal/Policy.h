#pragma once
// What this host lets GDAL open. Map documents come from other people, so a data-source entry
// must not make GDAL reach the network, read a virtual file system, follow a VRT or any other
// indirection, or block on a device or a pipe. Only regular local files of four vector formats
// are opened, each with exactly its own driver.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace host::gdal {

// Host error codes of this module (0x80040000 + code).
namespace code {
inline constexpr int Refused = 200;       // a path or driver outside the policy
inline constexpr int Unreadable = 201;    // exists but cannot be opened or read
inline constexpr int NoSuchLayer = 202;
inline constexpr int NoGeometry = 203;
inline constexpr int ReadFailed = 204;    // GDAL failed while reading features
inline constexpr int SchemaRefused = 205; // a field cannot be deleted from the source
inline constexpr int QueryRefused = 206;  // a WHERE clause that is not a plain attribute filter
inline constexpr int TooLarge = 207;
inline constexpr int WriteFailed = 208;  // a derived data file could not be made
}  // namespace code

// GDAL short names of the drivers this host uses.
inline constexpr const char* shapefileDriver = "ESRI Shapefile";
inline constexpr const char* geoPackageDriver = "GPKG";
inline constexpr const char* geoJsonDriver = "GeoJSON";
inline constexpr const char* csvDriver = "CSV";
const std::vector<std::string>& allowedDrivers();

// Limits on what is read. Text formats are parsed whole in memory by GDAL, so they get less.
inline constexpr std::uintmax_t maxTextFileBytes = 1024ull * 1024 * 1024;         // GeoJSON, CSV
inline constexpr std::uintmax_t maxBinaryFileBytes = 16ull * 1024 * 1024 * 1024;  // GPKG, shapefile
inline constexpr std::uint64_t maxFeatures = 50'000'000;

// The driver for a file name by its extension (.shp/.dbf, .gpkg, .geojson/.json, .csv; any
// case), empty for other files.
std::string driverForPath(const std::filesystem::path& path);

// Refuses (host error Refused) a GDAL virtual file system path (/vsi...) or a URL, before the
// text is taken for a file name at all.
void refuseIndirection(const std::string& path);

// Checks `path` against the policy and returns the driver to open it with. `requestedDriver`
// (from a document; may be empty) must agree with the file's kind. Host errors: Refused for a
// /vsi path, a URL or connection string, a relative path, a driver outside the list, a file of
// another kind or anything but a regular file; 53 (file not found) for a missing file;
// Unreadable when it cannot be read; TooLarge beyond the size limits. Messages name the file.
std::string checkDataSource(const std::string& path, const std::string& requestedDriver = {});

// Whether a failure raised by checkDataSource or an open is a refusal by policy (as opposed to
// a file that is missing or broken).
bool isRefusal(int errorNumber);

}  // namespace host::gdal
