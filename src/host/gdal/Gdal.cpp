#include "host/gdal/Gdal.h"

#include <mutex>

#include <cpl_conv.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include "host/Error.h"
#include "host/Persistence.h"
#include "host/gdal/GdalFeatureClass.h"
#include "host/gdal/Policy.h"

namespace host::gdal {

void install() {
    static std::once_flag once;
    std::call_once(once, [] {
        GDALAllRegister();
        // Remote file systems (/vsicurl/ and the cloud ones built on it) accept only this name,
        // which no URL has; the policy refuses such paths anyway, this closes the door twice.
        CPLSetConfigOption("CPL_VSIL_CURL_ALLOWED_FILENAME", "/plotlet/no-network");
        CPLSetConfigOption("GDAL_HTTP_MAX_RETRY", "0");
        // Coordinate operations never fetch grids.
        OSRSetPROJEnableNetwork(FALSE);
        setDataSourceOpener(&openForDocument);
    });
}

FeatureClassPtr openForDocument(const DataSource& source, std::string& whyNot) {
    try {
        return openFeatureClass(source.path, source.layerName, source.driver);
    } catch (const runtime::Error& e) {
        if (isRefusal(e.number())) throw;
        whyNot = e.description();
        return nullptr;
    }
}

}  // namespace host::gdal
