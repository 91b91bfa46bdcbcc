#pragma once
// Owning wrappers for the GDAL objects this module creates, so that every early return and
// every host error releases them. None of them can be copied; moving hands the object on.
#include <memory>
#include <string>
#include <vector>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_priv.h>
#include <ogr_feature.h>
#include <ogr_geometry.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

namespace host::gdal {

struct DatasetCloser {
    void operator()(GDALDataset* dataset) const { GDALClose(GDALDataset::ToHandle(dataset)); }
};
// An open data source; closing flushes what an update wrote.
using DatasetHandle = std::unique_ptr<GDALDataset, DatasetCloser>;

struct FeatureDeleter {
    void operator()(OGRFeature* feature) const { OGRFeature::DestroyFeature(feature); }
};
using FeatureHandle = std::unique_ptr<OGRFeature, FeatureDeleter>;

struct GeometryDeleter {
    void operator()(OGRGeometry* geometry) const { OGRGeometryFactory::destroyGeometry(geometry); }
};
using GeometryHandle = std::unique_ptr<OGRGeometry, GeometryDeleter>;

struct SpatialReferenceReleaser {
    void operator()(OGRSpatialReference* srs) const { srs->Release(); }
};
// Spatial references are reference counted by GDAL; the handle holds one reference.
using SpatialReferenceHandle = std::unique_ptr<OGRSpatialReference, SpatialReferenceReleaser>;

struct CplFreer {
    void operator()(char* text) const { CPLFree(text); }
};
// A text GDAL allocated (WKT exports and the like).
using CplText = std::unique_ptr<char, CplFreer>;

// A NULL-terminated list of texts for GDAL's option and driver lists, owning its copies.
class StringList {
public:
    StringList() = default;
    StringList(std::initializer_list<std::string> items) {
        for (const auto& item : items) add(item);
    }
    StringList(const StringList&) = delete;
    StringList& operator=(const StringList&) = delete;
    ~StringList() { CSLDestroy(list_); }
    void add(const std::string& item) { list_ = CSLAddString(list_, item.c_str()); }
    // GDAL's view of the list (NULL when it is empty).
    char** get() const { return list_; }

private:
    char** list_ = nullptr;
};

// Collects the messages GDAL reports on this thread while it lives, instead of letting GDAL
// print them; failures become the text of our host errors, warnings become load warnings.
class ErrorCapture {
public:
    ErrorCapture();
    ~ErrorCapture();
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;

    bool failed() const { return !failures_.empty(); }
    // The failures joined by "; " (empty when there were none).
    std::string failureText() const;
    const std::vector<std::string>& warnings() const { return warnings_; }
    void clear() {
        failures_.clear();
        warnings_.clear();
    }
    void clearFailures() { failures_.clear(); }

private:
    static void CPL_STDCALL handle(CPLErr level, CPLErrorNum number, const char* message);
    std::vector<std::string> failures_, warnings_;
};

}  // namespace host::gdal
