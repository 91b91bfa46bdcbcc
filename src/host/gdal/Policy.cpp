#include "host/gdal/Policy.h"

#include <algorithm>
#include <cctype>
#include <sys/stat.h>
#include <unistd.h>

#include "host/Error.h"
#include "runtime/Error.h"

namespace host::gdal {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    raiseHost(code::Refused, "Plotlet.DataSource", "File " + path + ": " + why);
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace

const std::vector<std::string>& allowedDrivers() {
    static const std::vector<std::string> list{shapefileDriver, geoPackageDriver, geoJsonDriver, csvDriver};
    return list;
}

std::string driverForPath(const fs::path& path) {
    const std::string ext = lower(path.extension().string());
    if (ext == ".shp" || ext == ".dbf") return shapefileDriver;
    if (ext == ".gpkg") return geoPackageDriver;
    if (ext == ".geojson" || ext == ".json") return geoJsonDriver;
    if (ext == ".csv") return csvDriver;
    return {};
}

bool isRefusal(int errorNumber) { return errorNumber == hostErrorBase + code::Refused; }

void refuseIndirection(const std::string& path) {
    // GDAL reads its own prefixes as file systems and URLs; neither is a plain local file,
    // whatever follows.
    const std::string low = lower(path);
    if (low.rfind("/vsi", 0) == 0) refuse(path, "virtual file systems (/vsi...) are not opened");
    if (low.find("://") != std::string::npos) refuse(path, "URLs are not opened; only local files are");
}

std::string checkDataSource(const std::string& path, const std::string& requestedDriver) {
    if (path.empty()) refuse("(no name)", "a data source needs a file name");
    refuseIndirection(path);
    const fs::path p(path);
    if (!p.is_absolute()) refuse(path, "a data source must be named by a full path");
    if (!requestedDriver.empty() &&
        std::find(allowedDrivers().begin(), allowedDrivers().end(), requestedDriver) == allowedDrivers().end())
        refuse(path, "the driver \"" + requestedDriver + "\" is not allowed (only Shapefile, GeoPackage, GeoJSON and CSV are)");
    const std::string driver = driverForPath(p);
    if (driver.empty())
        refuse(path, "not a kind of data file Plotlet reads (.shp, .gpkg, .geojson, .json or .csv)");
    if (!requestedDriver.empty() && requestedDriver != driver)
        refuse(path, "the document names the driver \"" + requestedDriver + "\" for a file of kind " + driver);

    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);  // follows links: the target is what GDAL reads
    if (st.type() == fs::file_type::not_found)
        raiseRuntime(runtime::err::FileNotFound, "Plotlet.DataSource", "File " + path + ": the file does not exist");
    if (ec) raiseHost(code::Unreadable, "Plotlet.DataSource", "File " + path + ": cannot be examined (" + ec.message() + ")");
    if (st.type() == fs::file_type::directory) refuse(path, "this is a folder, not a data file");
    if (st.type() != fs::file_type::regular) refuse(path, "not a regular file (devices, pipes and sockets are not opened)");
    if (::access(path.c_str(), R_OK) != 0)
        raiseHost(code::Unreadable, "Plotlet.DataSource", "File " + path + ": cannot be read (no permission)");
    const auto size = fs::file_size(p, ec);
    if (ec) raiseHost(code::Unreadable, "Plotlet.DataSource", "File " + path + ": cannot be read (" + ec.message() + ")");
    const bool text = driver == geoJsonDriver || driver == csvDriver;
    const std::uintmax_t limit = text ? maxTextFileBytes : maxBinaryFileBytes;
    if (size > limit)
        raiseHost(code::TooLarge, "Plotlet.DataSource",
                  "File " + path + ": is too large (" + std::to_string(size) + " bytes; at most " + std::to_string(limit) + " are read)");
    if (size == 0) raiseHost(code::Unreadable, "Plotlet.DataSource", "File " + path + ": the file is empty");
    return driver;
}

}  // namespace host::gdal
