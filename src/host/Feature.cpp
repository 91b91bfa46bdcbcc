#include "host/Feature.h"

#include <algorithm>
#include <cmath>

#include "host/Error.h"

namespace host {

Feature::Feature(std::shared_ptr<const FeatureClass> featureClass, std::size_t row)
    : class_(std::move(featureClass)), row_(row) {}

FeatureCursor::FeatureCursor(std::shared_ptr<const FeatureClass> featureClass) : class_(std::move(featureClass)) {}

FeatureCursor::FeatureCursor(std::shared_ptr<const FeatureClass> featureClass, std::vector<std::size_t> rows)
    : class_(std::move(featureClass)), rows_(std::move(rows)) {}

std::optional<std::size_t> FeatureCursor::nextRow() {
    if (!class_) return std::nullopt;
    if (rows_) {
        if (position_ >= rows_->size()) return std::nullopt;
        return (*rows_)[position_++];
    }
    if (position_ >= class_->featureCount()) return std::nullopt;
    return position_++;
}

FeaturePtr FeatureCursor::nextFeature() {
    auto row = nextRow();
    if (!row) return nullptr;
    return std::make_shared<Feature>(class_, *row);
}

SelectionSet::SelectionSet(std::shared_ptr<const FeatureClass> featureClass) : class_(std::move(featureClass)) {}

bool SelectionSet::contains(std::int64_t oid) const { return std::binary_search(oids_.begin(), oids_.end(), oid); }

void SelectionSet::add(std::int64_t oid) {
    auto it = std::lower_bound(oids_.begin(), oids_.end(), oid);
    if (it == oids_.end() || *it != oid) oids_.insert(it, oid);
}

void SelectionSet::addList(const std::vector<std::int64_t>& oids) {
    oids_.insert(oids_.end(), oids.begin(), oids.end());
    std::sort(oids_.begin(), oids_.end());
    oids_.erase(std::unique(oids_.begin(), oids_.end()), oids_.end());
}

void SelectionSet::remove(std::int64_t oid) {
    auto it = std::lower_bound(oids_.begin(), oids_.end(), oid);
    if (it != oids_.end() && *it == oid) oids_.erase(it);
}

FeatureCursorPtr SelectionSet::search(const QueryFilter* filter) const {
    std::vector<std::size_t> rows;
    if (class_) {
        rows.reserve(oids_.size());
        for (auto oid : oids_) {
            if (filter && filter->oids && std::find(filter->oids->begin(), filter->oids->end(), oid) == filter->oids->end())
                continue;
            if (auto row = class_->rowOfOid(oid)) rows.push_back(*row);
        }
    }
    return std::make_shared<FeatureCursor>(class_, std::move(rows));
}

StatisticsResults DataStatistics::statistics() {
    StatisticsResults r;
    if (!cursor_) raiseRuntime(runtime::err::ObjectNotSet, "DataStatistics.Statistics", runtime::standardDescription(91));
    const FeatureClass& fc = cursor_->featureClass();
    const int index = fc.findField(field_);
    if (index < 0) raiseHost(50, "DataStatistics.Statistics", "The field \"" + field_ + "\" does not exist.");
    const FieldType type = fc.field(index).type;
    if (!isNumeric(type) && type != FieldType::OID)
        raiseHost(51, "DataStatistics.Statistics", "The field \"" + field_ + "\" is not numeric.");
    // Welford's running mean and variance: stable over a million rows.
    double mean = 0.0, m2 = 0.0;
    bool first = true;
    while (auto row = cursor_->nextRow()) {
        const runtime::Variant v = fc.value(*row, index);
        if (v.isNull()) continue;
        const double x = v.toDouble();
        if (std::isnan(x)) continue;
        ++r.count;
        if (first) {
            r.minimum = r.maximum = x;
            first = false;
        } else {
            r.minimum = std::min(r.minimum, x);
            r.maximum = std::max(r.maximum, x);
        }
        r.sum += x;
        const double delta = x - mean;
        mean += delta / r.count;
        m2 += delta * (x - mean);
    }
    if (r.count > 0) {
        r.mean = r.sum / r.count;
        r.standardDeviation = std::sqrt(m2 / r.count);
    }
    return r;
}

}  // namespace host
