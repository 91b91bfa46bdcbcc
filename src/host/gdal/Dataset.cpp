#include "host/gdal/Dataset.h"

#include "host/Error.h"
#include "host/gdal/Policy.h"

namespace host::gdal {

namespace {

// Default names of the coordinate columns of a CSV file (GDAL matches them without regard to
// case); a column named WKT is read as the geometry as well.
constexpr const char* csvXNames = "X_POSSIBLE_NAMES=x,lon,long,longitude,lng,easting,point_x,xcoord";
constexpr const char* csvYNames = "Y_POSSIBLE_NAMES=y,lat,latitude,northing,point_y,ycoord";

}  // namespace

DatasetHandle openDataset(const std::string& path, const std::string& driver, bool update, ErrorCapture& capture) {
    StringList drivers{driver};
    StringList options;
    if (driver == csvDriver) {
        options.add(csvXNames);
        options.add(csvYNames);
        options.add("AUTODETECT_TYPE=YES");
        options.add("AUTODETECT_SIZE_LIMIT=0");
        options.add("EMPTY_STRING_AS_NULL=YES");
    }
    const unsigned flags = GDAL_OF_VECTOR | (update ? GDAL_OF_UPDATE : GDAL_OF_READONLY);
    DatasetHandle ds(GDALDataset::Open(path.c_str(), flags, drivers.get(), options.get(), nullptr));
    if (!ds) {
        std::string why = capture.failureText();
        if (why.empty()) why = "GDAL does not recognise it";
        raiseHost(code::Unreadable, "Plotlet.DataSource", "File " + path + ": " + "cannot be read as a " + driver + " data source (" + why + ")");
    }
    return ds;
}

// The layer of that name, or the first when the name is empty.
OGRLayer* findLayer(GDALDataset& ds, const std::string& path, const std::string& layerName) {
    if (ds.GetLayerCount() == 0) raiseHost(code::NoSuchLayer, "Plotlet.DataSource", "File " + path + ": holds no vector layer");
    if (layerName.empty()) return ds.GetLayer(0);
    for (int i = 0; i < ds.GetLayerCount(); ++i) {
        OGRLayer* layer = ds.GetLayer(i);
        if (layer && layerName == layer->GetName()) return layer;
    }
    // Shapefiles are named after the file; a renamed file keeps working.
    if (ds.GetLayerCount() == 1 && std::string(ds.GetDriver()->GetDescription()) == shapefileDriver) return ds.GetLayer(0);
    raiseHost(code::NoSuchLayer, "Plotlet.DataSource", "File " + path + ": has no layer named \"" + layerName + "\"");
}

}  // namespace host::gdal
