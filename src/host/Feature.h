#pragma once
// Features, cursors over them, selection sets and the query filter of a search.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/FeatureClass.h"
#include "runtime/Object.h"
#include "runtime/Variant.h"

namespace host {

// One row of a feature class, as a cursor hands it out.
class Feature final : public runtime::Object {
public:
    Feature(std::shared_ptr<const FeatureClass> featureClass, std::size_t row);
    std::string className() const override { return "Feature"; }

    std::int64_t oid() const { return class_->oid(row_); }
    // A fresh geometry of the feature.
    GeometryPtr shape() const { return class_->shape(row_); }
    // The value at a field position (see FeatureClass::value); error 9 outside the fields.
    runtime::Variant value(int fieldIndex) const { return class_->value(row_, fieldIndex); }
    const FeatureClass& featureClass() const { return *class_; }
    int fieldCount() const { return class_->fieldCount(); }
    int findField(const std::string& name) const { return class_->findField(name); }
    std::size_t row() const { return row_; }

private:
    std::shared_ptr<const FeatureClass> class_;
    std::size_t row_;
};

using FeaturePtr = std::shared_ptr<Feature>;

// The filter of a search: the object identifiers to keep (none: all rows). Attribute queries
// are evaluated where the data comes from (see host/gdal) and arrive here as identifiers.
struct QueryFilter {
    std::optional<std::vector<std::int64_t>> oids;
};

class FeatureCursor {
public:
    // Over all rows, or over the given rows in order.
    explicit FeatureCursor(std::shared_ptr<const FeatureClass> featureClass);
    FeatureCursor(std::shared_ptr<const FeatureClass> featureClass, std::vector<std::size_t> rows);

    // The next feature, or empty when the cursor is exhausted.
    FeaturePtr nextFeature();
    // Row index of the next feature without making a Feature object (fast paths).
    std::optional<std::size_t> nextRow();
    const FeatureClass& featureClass() const { return *class_; }
    const std::shared_ptr<const FeatureClass>& featureClassPtr() const { return class_; }

private:
    std::shared_ptr<const FeatureClass> class_;
    std::optional<std::vector<std::size_t>> rows_;
    std::size_t position_ = 0;
};

using FeatureCursorPtr = std::shared_ptr<FeatureCursor>;

// Selected features of a layer, by object identifier, kept in ascending order.
class SelectionSet final : public runtime::Object {
public:
    explicit SelectionSet(std::shared_ptr<const FeatureClass> featureClass);
    std::string className() const override { return "SelectionSet"; }

    std::size_t count() const { return oids_.size(); }
    bool contains(std::int64_t oid) const;
    void add(std::int64_t oid);
    void addList(const std::vector<std::int64_t>& oids);
    void remove(std::int64_t oid);
    void clear() { oids_.clear(); }
    const std::vector<std::int64_t>& oids() const { return oids_; }
    // Selected features (ascending identifier), narrowed by the filter when it has identifiers.
    // Identifiers that no longer exist in the class are skipped.
    FeatureCursorPtr search(const QueryFilter* filter) const;
    void setFeatureClass(std::shared_ptr<const FeatureClass> featureClass) { class_ = std::move(featureClass); }

private:
    std::shared_ptr<const FeatureClass> class_;
    std::vector<std::int64_t> oids_;
};

using SelectionSetPtr = std::shared_ptr<SelectionSet>;

// Statistics of one field over a cursor; nulls are skipped. Over no rows every figure is 0.
struct StatisticsResults {
    std::int32_t count = 0;
    double minimum = 0.0, maximum = 0.0, sum = 0.0, mean = 0.0;
    double standardDeviation = 0.0;  // of the population
};

class DataStatistics {
public:
    void setField(std::string name) { field_ = std::move(name); }
    void setCursor(FeatureCursorPtr cursor) { cursor_ = std::move(cursor); }
    // Walks the cursor. A missing field or a field that is not numeric is a host error.
    StatisticsResults statistics();

private:
    std::string field_;
    FeatureCursorPtr cursor_;
};

}  // namespace host
