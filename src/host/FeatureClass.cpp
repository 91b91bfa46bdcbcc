#include "host/FeatureClass.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>

#include "host/Error.h"
#include "host/PropertySet.h"
#include "host/SpatialIndex.h"
#include "runtime/NumberText.h"

namespace host {

const char* fieldTypeName(FieldType type) {
    switch (type) {
    case FieldType::SmallInteger: return "Short Integer";
    case FieldType::Integer: return "Long Integer";
    case FieldType::Single: return "Float";
    case FieldType::Double: return "Double";
    case FieldType::String: return "Text";
    case FieldType::Date: return "Date";
    case FieldType::OID: return "Object ID";
    case FieldType::Geometry: return "Geometry";
    }
    return "Unknown";
}

// ---- columns ---------------------------------------------------------------------------------

class FeatureClass::Column {
public:
    virtual ~Column() = default;
    virtual runtime::Variant get(std::size_t row) const = 0;
    virtual void set(std::size_t row, const runtime::Variant& v) = 0;
    virtual void append(const runtime::Variant& v) = 0;
    virtual void reserve(std::size_t n) = 0;
    virtual void appendBatch(BatchColumn& batch, std::size_t rows) = 0;
};

namespace {

template <class T>
class NumberColumn final : public FeatureClass::Column {
public:
    runtime::Variant get(std::size_t row) const override {
        if (nulls_[row]) return runtime::Variant::null();
        return runtime::Variant(values_[row]);
    }
    void set(std::size_t row, const runtime::Variant& v) override {
        if (v.isNull()) {
            nulls_[row] = 1;
            values_[row] = T{};
            return;
        }
        values_[row] = convert(v);
        nulls_[row] = 0;
    }
    void append(const runtime::Variant& v) override {
        values_.push_back(T{});
        nulls_.push_back(1);
        set(values_.size() - 1, v);
    }
    void reserve(std::size_t n) override {
        values_.reserve(n);
        nulls_.reserve(n);
    }
    void appendBatch(BatchColumn& batch, std::size_t rows) override {
        values_.reserve(values_.size() + rows);
        for (std::size_t i = 0; i < rows; ++i) values_.push_back(batch.nulls[i] ? T{} : static_cast<T>(batch.numbers[i]));
        nulls_.insert(nulls_.end(), batch.nulls.begin(), batch.nulls.begin() + static_cast<std::ptrdiff_t>(rows));
    }

private:
    static T convert(const runtime::Variant& v) {
        if constexpr (std::is_same_v<T, std::int16_t>) return v.toInt16();
        else if constexpr (std::is_same_v<T, std::int32_t>) return v.toInt32();
        else if constexpr (std::is_same_v<T, float>) {
            // Data sources may hold values a single cannot: keep NaN/inf rather than fail the load.
            const double d = v.toDouble();
            return static_cast<float>(d);
        } else return v.toDouble();
    }
    std::vector<T> values_;
    std::vector<std::uint8_t> nulls_;
};

class StringColumn final : public FeatureClass::Column {
public:
    runtime::Variant get(std::size_t row) const override {
        if (nulls_[row]) return runtime::Variant::null();
        return runtime::Variant(values_[row]);
    }
    void set(std::size_t row, const runtime::Variant& v) override {
        if (v.isNull()) {
            nulls_[row] = 1;
            values_[row].clear();
            return;
        }
        values_[row] = v.toString();
        nulls_[row] = 0;
    }
    void append(const runtime::Variant& v) override {
        values_.emplace_back();
        nulls_.push_back(1);
        set(values_.size() - 1, v);
    }
    void reserve(std::size_t n) override {
        values_.reserve(n);
        nulls_.reserve(n);
    }
    void appendBatch(BatchColumn& batch, std::size_t rows) override {
        values_.reserve(values_.size() + rows);
        for (std::size_t i = 0; i < rows; ++i) {
            values_.push_back(batch.nulls[i] ? std::string() : std::move(batch.texts[i]));
        }
        nulls_.insert(nulls_.end(), batch.nulls.begin(), batch.nulls.begin() + static_cast<std::ptrdiff_t>(rows));
    }

private:
    std::vector<std::string> values_;
    std::vector<std::uint8_t> nulls_;
};

class DateColumn final : public FeatureClass::Column {
public:
    runtime::Variant get(std::size_t row) const override {
        if (std::isnan(values_[row])) return runtime::Variant::null();
        return runtime::Variant(runtime::Date{values_[row]});
    }
    void set(std::size_t row, const runtime::Variant& v) override {
        values_[row] = v.isNull() ? std::nan("") : v.toDate().serial;
    }
    void append(const runtime::Variant& v) override {
        values_.push_back(std::nan(""));
        set(values_.size() - 1, v);
    }
    void reserve(std::size_t n) override { values_.reserve(n); }
    void appendBatch(BatchColumn& batch, std::size_t rows) override {
        values_.reserve(values_.size() + rows);
        for (std::size_t i = 0; i < rows; ++i) values_.push_back(batch.nulls[i] ? std::nan("") : batch.numbers[i]);
    }

private:
    std::vector<double> values_;
};

std::unique_ptr<FeatureClass::Column> makeColumn(FieldType type) {
    switch (type) {
    case FieldType::SmallInteger: return std::make_unique<NumberColumn<std::int16_t>>();
    case FieldType::Integer: return std::make_unique<NumberColumn<std::int32_t>>();
    case FieldType::Single: return std::make_unique<NumberColumn<float>>();
    case FieldType::Double: return std::make_unique<NumberColumn<double>>();
    case FieldType::String: return std::make_unique<StringColumn>();
    case FieldType::Date: return std::make_unique<DateColumn>();
    default: raiseHost(40, "FeatureClass", "An attribute field cannot be of the object-identifier or geometry type.");
    }
}

struct Registry {
    std::mutex mutex;
    std::unordered_map<std::uint64_t, std::weak_ptr<FeatureClass>> classes;
};

Registry& registry() {
    static Registry r;
    return r;
}

std::atomic<std::uint64_t> nextInstanceId{1};

bool fits(GeometryType classType, const Geometry& g) {
    return g.geometryType() == classType;
}

}  // namespace

void registerFeatureClass(const FeatureClassPtr& featureClass) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.classes[featureClass->instanceId()] = featureClass;
}

std::shared_ptr<FeatureClass> FeatureClass::findInstance(std::uint64_t id) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.classes.find(id);
    return it == r.classes.end() ? nullptr : it->second.lock();
}

FeatureClass::FeatureClass(std::string name, GeometryType shapeType, std::vector<Field> attributeFields,
                           SpatialReferencePtr spatialReference, std::string oidName, std::string shapeName)
    : name_(std::move(name)), shapeType_(shapeType),
      spatialReference_(spatialReference ? std::move(spatialReference) : std::make_shared<SpatialReference>()),
      instanceId_(nextInstanceId++), rowIndex_(std::make_unique<RowIndex>()) {
    fields_.push_back(Field{std::move(oidName), FieldType::OID, {}, 0, false});
    fields_.push_back(Field{std::move(shapeName), FieldType::Geometry, {}, 0, true});
    for (auto& f : attributeFields) {
        if (f.name.empty()) raiseHost(41, "FeatureClass", "A field without a name cannot be added.");
        if (findField(f.name) >= 0) raiseHost(42, "FeatureClass", "The field \"" + f.name + "\" appears twice.");
        columns_.push_back(makeColumn(f.type));
        fields_.push_back(std::move(f));
    }
}

// The rows indexed by their shapes' envelopes: rows below `indexedRows` are in `index`; rows
// added since are looked at one by one until there are enough of them to rebuild.
struct FeatureClass::RowIndex {
    std::mutex mutex;
    SpatialIndex index;
    std::size_t indexedRows = 0;
    bool built = false;
};

namespace {
// Below this many rows a walk is cheap; no index is built.
constexpr std::size_t kSmallClass = 2'000;
constexpr std::size_t kRowSample = 512;
constexpr double kBroadShare = 0.25;
constexpr std::size_t kUnindexedMinimum = 4'096;
}  // namespace

bool FeatureClass::rowsWithin(const Envelope& area, std::vector<std::size_t>& rows) const {
    rows.clear();
    if (area.isEmpty()) return true;
    RowIndex& ri = *rowIndex_;
    std::lock_guard lock(ri.mutex);
    const std::size_t n = oids_.size();
    const auto envelopeOf = [&](std::size_t row, Envelope& e) {
        if (shapeType_ == GeometryType::Point) {
            if (!std::isfinite(xs_[row]) || !std::isfinite(ys_[row])) return false;
            e = Envelope(xs_[row], ys_[row], xs_[row], ys_[row]);
            return true;
        }
        if (!shapes_[row] || shapes_[row]->isEmpty()) return false;
        e = shapes_[row]->envelope();
        return !e.isEmpty();
    };
    const auto meets = [&](const Envelope& e) {
        return e.xMin() <= area.xMax() && area.xMin() <= e.xMax() && e.yMin() <= area.yMax() && area.yMin() <= e.yMax();
    };
    if (!ri.built) {
        if (n < kSmallClass) return false;
        std::size_t seen = 0, inside = 0;
        for (std::size_t row = 0; row < n; row += std::max<std::size_t>(1, n / kRowSample)) {
            Envelope e;
            if (!envelopeOf(row, e)) continue;
            ++seen;
            if (meets(e)) ++inside;
        }
        if (seen == 0 || static_cast<double>(inside) >= kBroadShare * static_cast<double>(seen)) return false;
    }
    if (!ri.built || n - ri.indexedRows > std::max(kUnindexedMinimum, n / 8)) {
        std::vector<SpatialIndex::Entry> entries;
        entries.reserve(n);
        for (std::size_t row = 0; row < n; ++row) {
            Envelope e;
            if (envelopeOf(row, e)) entries.push_back({{e.xMin(), e.yMin(), e.xMax(), e.yMax()}, static_cast<std::uint32_t>(row), {}});
        }
        ri.index.build(std::move(entries));
        ri.indexedRows = n;
        ri.built = true;
    }
    std::vector<std::uint32_t> hits;
    ri.index.query({area.xMin(), area.yMin(), area.xMax(), area.yMax()}, hits);
    rows.assign(hits.begin(), hits.end());
    for (std::size_t row = ri.indexedRows; row < n; ++row) {
        Envelope e;
        if (envelopeOf(row, e) && meets(e)) rows.push_back(row);
    }
    return true;
}

FeatureClass::~FeatureClass() {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.classes.erase(instanceId_);
}

const Field& FeatureClass::field(int index) const {
    if (index < 0 || index >= fieldCount())
        raiseRuntime(runtime::err::SubscriptOutOfRange, "Fields.Field", "Subscript out of range");
    return fields_[static_cast<std::size_t>(index)];
}

int FeatureClass::findField(const std::string& name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (samePropertyName(fields_[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

void FeatureClass::reserve(std::size_t rows) {
    oids_.reserve(rows);
    if (shapeType_ == GeometryType::Point) {
        xs_.reserve(rows);
        ys_.reserve(rows);
    } else {
        shapes_.reserve(rows);
    }
    for (auto& c : columns_) c->reserve(rows);
}

void FeatureClass::appendRow(std::int64_t oid, GeometryPtr shape, const std::vector<runtime::Variant>& attributes) {
    if (attributes.size() != columns_.size())
        raiseHost(43, "FeatureClass.AddFeature", "The feature has " + std::to_string(attributes.size()) +
                                                     " values for " + std::to_string(columns_.size()) + " fields.");
    if (shape && !shape->isEmpty() && !fits(shapeType_, *shape))
        raiseHost(44, "FeatureClass.AddFeature", "The geometry does not fit the feature class.");
    // Convert every value first so that a bad one leaves the class unchanged.
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        const auto& v = attributes[i];
        if (v.isNull() || v.isEmpty()) continue;
        const FieldType t = fields_[i + 2].type;
        if (t == FieldType::SmallInteger) (void)v.toInt16();
        else if (t == FieldType::Integer) (void)v.toInt32();
        else if (t == FieldType::Single || t == FieldType::Double) (void)v.toDouble();
    }
    oids_.push_back(oid);
    if (shapeType_ == GeometryType::Point) {
        auto p = std::dynamic_pointer_cast<Point>(shape);
        const bool has = p && !p->isEmpty();
        xs_.push_back(has ? p->x() : std::nan(""));
        ys_.push_back(has ? p->y() : std::nan(""));
    } else {
        shapes_.push_back(shape ? shape : nullptr);
    }
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        columns_[i]->append(attributes[i].isEmpty() ? runtime::Variant::null() : attributes[i]);
    }
    noteAppendedOids(oids_.size() - 1);
}

void FeatureClass::noteAppendedOids(std::size_t firstNewRow) {
    for (std::size_t r = firstNewRow; r < oids_.size(); ++r) {
        const std::int64_t oid = oids_[r];
        if (oidsSequential_ && static_cast<std::uint64_t>(oid) - static_cast<std::uint64_t>(oids_.front()) != r) {
            oidsSequential_ = false;
            oidIndex_.clear();
            for (std::size_t k = 0; k < r; ++k) oidIndex_[oids_[k]] = k;
        }
        if (!oidsSequential_) oidIndex_[oid] = r;
        nextOid_ = std::max(nextOid_, oid + 1);
    }
}

void FeatureBatch::clear(std::size_t columnCount) {
    oids.clear();
    points.clear();
    shapes.clear();
    columns.resize(columnCount);
    for (auto& c : columns) {
        c.numbers.clear();
        c.texts.clear();
        c.nulls.clear();
    }
}

void FeatureClass::appendBatch(FeatureBatch& batch) {
    const std::size_t rows = batch.oids.size();
    const char* where = "FeatureClass.AppendBatch";
    if (batch.columns.size() != columns_.size())
        raiseHost(43, where, "The batch has " + std::to_string(batch.columns.size()) + " columns for " +
                                 std::to_string(columns_.size()) + " fields.");
    const bool points = shapeType_ == GeometryType::Point;
    if ((points ? batch.points.size() : batch.shapes.size()) != rows)
        raiseHost(43, where, "The batch has not one shape per row.");
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const BatchColumn& c = batch.columns[i];
        const bool text = fields_[i + 2].type == FieldType::String;
        if (c.nulls.size() != rows || (text ? c.texts.size() : c.numbers.size()) != rows)
            raiseHost(43, where, "The batch column of " + fields_[i + 2].name + " has not one value per row.");
    }
    if (!points) {
        for (const auto& g : batch.shapes) {
            if (g && !g->isEmpty() && !fits(shapeType_, *g)) raiseHost(44, where, "The geometry does not fit the feature class.");
        }
    }
    // Identifiers must be new: within the batch and against the class.
    bool ascending = true;
    for (std::size_t r = 1; r < rows && ascending; ++r) ascending = batch.oids[r] > batch.oids[r - 1];
    const bool afterLast = oids_.empty() || rows == 0 || batch.oids.front() > oids_.back();
    if (!(ascending && afterLast && oidsSequential_)) {
        std::unordered_map<std::int64_t, std::size_t> seen;
        seen.reserve(rows);
        for (std::size_t r = 0; r < rows; ++r) {
            const std::int64_t oid = batch.oids[r];
            if (rowOfOid(oid) || !seen.emplace(oid, r).second)
                raiseHost(45, where, "The object identifier " + std::to_string(oid) + " is taken.");
        }
    }
    const std::size_t first = oids_.size();
    oids_.insert(oids_.end(), batch.oids.begin(), batch.oids.end());
    if (points) {
        xs_.reserve(xs_.size() + rows);
        ys_.reserve(ys_.size() + rows);
        for (const XY& p : batch.points) {
            xs_.push_back(p.x);
            ys_.push_back(p.y);
        }
    } else {
        for (auto& g : batch.shapes) shapes_.push_back(std::move(g));
    }
    for (std::size_t i = 0; i < columns_.size(); ++i) columns_[i]->appendBatch(batch.columns[i], rows);
    noteAppendedOids(first);
    batch.clear(columns_.size());
}

std::int64_t FeatureClass::addFeature(GeometryPtr shape, const std::vector<runtime::Variant>& attributes) {
    const std::int64_t oid = nextOid_;
    appendRow(oid, std::move(shape), attributes);
    return oid;
}

void FeatureClass::addFeatureWithOid(std::int64_t oid, GeometryPtr shape, const std::vector<runtime::Variant>& attributes) {
    if (rowOfOid(oid)) raiseHost(45, "FeatureClass.AddFeature", "The object identifier " + std::to_string(oid) + " is taken.");
    appendRow(oid, std::move(shape), attributes);
}

std::optional<std::size_t> FeatureClass::rowOfOid(std::int64_t oid) const {
    if (oidsSequential_) {
        if (oids_.empty() || oid < oids_.front()) return std::nullopt;
        const std::uint64_t row = static_cast<std::uint64_t>(oid) - static_cast<std::uint64_t>(oids_.front());
        if (row < oids_.size()) return static_cast<std::size_t>(row);
        return std::nullopt;
    }
    auto it = oidIndex_.find(oid);
    if (it == oidIndex_.end()) return std::nullopt;
    return it->second;
}

runtime::Variant FeatureClass::value(std::size_t row, int fieldIndex) const {
    if (row >= oids_.size()) raiseRuntime(runtime::err::SubscriptOutOfRange, "Feature.Value", "Subscript out of range");
    (void)field(fieldIndex);
    if (fieldIndex == 0) {
        const std::int64_t oid = oids_[row];
        if (oid >= std::numeric_limits<std::int32_t>::min() && oid <= std::numeric_limits<std::int32_t>::max())
            return runtime::Variant(static_cast<std::int32_t>(oid));
        return runtime::Variant(static_cast<double>(oid));
    }
    if (fieldIndex == 1) return runtime::Variant(runtime::ObjectPtr(shape(row)));
    return columns_[static_cast<std::size_t>(fieldIndex - 2)]->get(row);
}

void FeatureClass::setValue(std::size_t row, int fieldIndex, const runtime::Variant& value) {
    if (row >= oids_.size()) raiseRuntime(runtime::err::SubscriptOutOfRange, "Feature.Value", "Subscript out of range");
    (void)field(fieldIndex);
    if (fieldIndex == 0) raiseHost(46, "Feature.Value", "The object identifier cannot be changed.");
    if (fieldIndex == 1) {
        auto g = value.as<Geometry>();
        if (g && !g->isEmpty() && !fits(shapeType_, *g)) raiseHost(44, "Feature.Shape", "The geometry does not fit the feature class.");
        {
            // A shape moved: the index is built again when next needed.
            std::lock_guard lock(rowIndex_->mutex);
            rowIndex_->built = false;
        }
        if (shapeType_ == GeometryType::Point) {
            auto p = std::dynamic_pointer_cast<Point>(g);
            xs_[row] = p && !p->isEmpty() ? p->x() : std::nan("");
            ys_[row] = p && !p->isEmpty() ? p->y() : std::nan("");
        } else {
            shapes_[row] = g ? g->cloneGeometry() : nullptr;
        }
        return;
    }
    columns_[static_cast<std::size_t>(fieldIndex - 2)]->set(row, value.isEmpty() ? runtime::Variant::null() : value);
}

GeometryPtr FeatureClass::shape(std::size_t row) const {
    if (row >= oids_.size()) raiseRuntime(runtime::err::SubscriptOutOfRange, "Feature.Shape", "Subscript out of range");
    if (shapeType_ == GeometryType::Point) {
        if (std::isnan(xs_[row]) || std::isnan(ys_[row])) return std::make_shared<Point>();
        return std::make_shared<Point>(xs_[row], ys_[row]);
    }
    const auto& g = shapes_[row];
    if (!g) {
        switch (shapeType_) {
        case GeometryType::Multipoint: return std::make_shared<Multipoint>();
        case GeometryType::Polyline: return std::make_shared<Polyline>();
        default: return std::make_shared<Polygon>();
        }
    }
    return g->cloneGeometry();
}

XY FeatureClass::pointAt(std::size_t row) const {
    if (shapeType_ == GeometryType::Point) return {xs_.at(row), ys_.at(row)};
    const auto& g = shapes_.at(row);
    if (!g || g->isEmpty()) return {std::nan(""), std::nan("")};
    return g->envelope().centre();
}

Envelope FeatureClass::extent() const {
    Envelope e;
    if (shapeType_ == GeometryType::Point) {
        for (std::size_t i = 0; i < xs_.size(); ++i) {
            if (std::isfinite(xs_[i]) && std::isfinite(ys_[i])) e.include(XY{xs_[i], ys_[i]});
        }
    } else {
        for (const auto& g : shapes_) {
            if (g && !g->isEmpty()) e.include(g->envelope());
        }
    }
    return e;
}

void FeatureClass::deleteFields(const std::vector<std::string>& names) { removeFieldsInMemory(fieldsToDelete(names)); }

std::vector<int> FeatureClass::fieldsToDelete(const std::vector<std::string>& names) const {
    std::vector<int> indexes;
    for (const std::string& name : names) {
        const int index = findField(name);
        if (index < 0) raiseHost(47, "FeatureClass.DeleteField", "The feature class " + name_ + " has no field \"" + name + "\".");
        if (index < 2) raiseHost(48, "FeatureClass.DeleteField", "The field \"" + fields_[static_cast<std::size_t>(index)].name + "\" is required by the feature class.");
        if (std::find(indexes.begin(), indexes.end(), index) != indexes.end())
            raiseHost(49, "FeatureClass.DeleteField", "The field \"" + fields_[static_cast<std::size_t>(index)].name + "\" is named twice.");
        indexes.push_back(index);
    }
    std::sort(indexes.begin(), indexes.end());
    return indexes;
}

void FeatureClass::removeFieldsInMemory(const std::vector<int>& indexes) {
    // From the last, so the earlier positions stay valid.
    for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) {
        fields_.erase(fields_.begin() + *it);
        columns_.erase(columns_.begin() + (*it - 2));
    }
}

}  // namespace host
