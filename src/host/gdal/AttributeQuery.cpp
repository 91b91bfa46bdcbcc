#include "host/gdal/AttributeQuery.h"

#include <algorithm>

#include "host/Error.h"
#include "host/gdal/Dataset.h"
#include "host/gdal/Handles.h"
#include "host/gdal/Policy.h"

namespace host::gdal {

namespace {

[[noreturn]] void refuse(const std::string& what) { raiseHost(code::QueryRefused, "Plotlet.Query", what); }

}  // namespace

std::vector<std::int64_t> selectWhere(const FeatureClass& featureClass, const std::string& where) {
    const DataSource& ds = featureClass.dataSource();
    if (ds.path.empty()) refuse("The layer " + featureClass.name() + " has no data file to query.");
    if (where.find_first_not_of(" \t\r\n") == std::string::npos) refuse("The query is empty.");
    if (where.find(';') != std::string::npos) refuse("The query \"" + where + "\" holds a \";\"; only one attribute filter is allowed.");
    const std::string driver = checkDataSource(ds.path, ds.driver);

    ErrorCapture capture;
    DatasetHandle dataset = openDataset(ds.path, driver, false, capture);
    OGRLayer* layer = findLayer(*dataset, ds.path, ds.layerName);

    OGRFeatureQuery query;
    capture.clear();
    if (query.Compile(layer->GetLayerDefn(), where.c_str(), TRUE, nullptr) != OGRERR_NONE) {
        std::string why = capture.failureText();
        refuse("The query \"" + where + "\" is not a plain attribute filter of layer " + featureClass.name() +
               (why.empty() ? "." : " (" + why + ")."));
    }
    std::vector<std::int64_t> oids;
    layer->ResetReading();
    for (;;) {
        FeatureHandle feature(layer->GetNextFeature());
        if (!feature) break;
        if (query.Evaluate(feature.get())) oids.push_back(feature->GetFID());
    }
    if (capture.failed())
        raiseHost(code::ReadFailed, "Plotlet.Query", "File " + ds.path + ": the query \"" + where + "\" failed (" + capture.failureText() + ")");
    std::sort(oids.begin(), oids.end());
    return oids;
}

}  // namespace host::gdal
