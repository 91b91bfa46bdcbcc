#pragma once
// A feature class held in memory, column by column: one typed column per attribute field with
// a null mask, and the shapes (as plain coordinates for point classes). Data sources read
// through GDAL load into it; schema changes may go back to the source (see deleteField).
//
// Field order: the object identifier first, then the shape, then the attribute fields.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/Field.h"
#include "host/Geometry.h"
#include "host/SpatialReference.h"
#include "runtime/Object.h"
#include "runtime/Variant.h"

namespace host {

// Where a feature class came from, so documents can find it again. Empty path: in memory.
struct DataSource {
    std::string path;       // absolute path of the file (or folder, for a shapefile set)
    std::string layerName;  // layer inside the data source
    std::string driver;     // GDAL driver short name
    friend bool operator==(const DataSource&, const DataSource&) = default;
};

// A run of rows in plain typed vectors, for readers of large data sources: appending it costs no
// Variant, no geometry object and no virtual call per value.
struct BatchColumn {
    std::vector<double> numbers;     // short, integer, single, double and date (serial) fields
    std::vector<std::string> texts;  // text fields
    std::vector<std::uint8_t> nulls; // 1: null (every field kind)
};

struct FeatureBatch {
    std::vector<std::int64_t> oids;
    std::vector<XY> points;            // point classes: one per row, NaN for a feature without shape
    std::vector<GeometryPtr> shapes;   // other classes: one per row, empty for no shape
    std::vector<BatchColumn> columns;  // one per attribute field, in field order
    std::size_t size() const { return oids.size(); }
    // Empties every vector and keeps one column per attribute field.
    void clear(std::size_t columnCount);
};

class FeatureClass : public runtime::Object {
public:
    // `attributeFields` must not hold OID or geometry fields; the class adds "OBJECTID" and
    // "Shape" in front (names can be chosen). Field names must be unique without regard to case.
    FeatureClass(std::string name, GeometryType shapeType, std::vector<Field> attributeFields,
                 SpatialReferencePtr spatialReference = nullptr, std::string oidName = "OBJECTID",
                 std::string shapeName = "Shape");
    ~FeatureClass() override;

    std::string className() const override { return "FeatureClass"; }
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    GeometryType shapeType() const { return shapeType_; }
    const SpatialReferencePtr& spatialReference() const { return spatialReference_; }

    int fieldCount() const { return static_cast<int>(fields_.size()); }
    // Error 9 outside 0..count − 1.
    const Field& field(int index) const;
    const std::vector<Field>& fields() const { return fields_; }
    // Position of the field (compared without regard to case), −1 when absent.
    int findField(const std::string& name) const;
    const std::string& oidFieldName() const { return fields_[0].name; }
    const std::string& shapeFieldName() const { return fields_[1].name; }

    std::size_t featureCount() const { return oids_.size(); }
    // Appends a feature: one value per attribute field, converted to the field's type (null
    // stays null). Returns the new object identifier. The geometry must fit the class.
    std::int64_t addFeature(GeometryPtr shape, const std::vector<runtime::Variant>& attributes);
    // As above with an explicit identifier (from a data source); duplicates are a host error.
    void addFeatureWithOid(std::int64_t oid, GeometryPtr shape, const std::vector<runtime::Variant>& attributes);
    void reserve(std::size_t rows);
    // Appends every row of the batch (and empties it). The batch must hold one entry per row in
    // `oids`, in `points` or `shapes` (by the class's kind) and in each column; identifiers must be
    // new. A batch that breaks a rule is a host error and leaves the class unchanged.
    void appendBatch(FeatureBatch& batch);

    std::int64_t oid(std::size_t row) const { return oids_.at(row); }
    std::optional<std::size_t> rowOfOid(std::int64_t oid) const;
    // The value of a field for a row: the OID as a 32-bit integer (a double beyond that range),
    // the shape as an object, attributes in their type, null when missing.
    runtime::Variant value(std::size_t row, int fieldIndex) const;
    void setValue(std::size_t row, int fieldIndex, const runtime::Variant& value);
    // A fresh geometry object for the row (empty geometry when there is none).
    GeometryPtr shape(std::size_t row) const;
    // The point of a point class row without making a geometry object (NaN when empty).
    XY pointAt(std::size_t row) const;
    Envelope extent() const;
    // The rows whose shape's envelope meets `area`, ascending, through a spatial index built on
    // first need and kept up with rows added since. False, with `rows` empty, when no index is
    // built yet and the area holds most of the rows: walking them all then costs less.
    bool rowsWithin(const Envelope& area, std::vector<std::size_t>& rows) const;

    // Removes a field with its values. The identifier and shape fields cannot be deleted; an
    // unknown name is a host error. Classes bound to a data source change the source first
    // and refuse with a clear host error when it cannot be changed.
    void deleteField(const std::string& name) { deleteFields({name}); }
    // Removes several fields as one change: every name is checked first (unknown names, the
    // identifier and shape fields and names given twice are host errors), then the source and
    // the class change together, so a refusal or failure leaves both as they were.
    virtual void deleteFields(const std::vector<std::string>& names);

    const DataSource& dataSource() const { return dataSource_; }
    void setDataSource(DataSource source) { dataSource_ = std::move(source); }
    // A process-unique number; copies of layers made in this process find their class by it.
    std::uint64_t instanceId() const { return instanceId_; }
    // The live class with that number, if any.
    static std::shared_ptr<FeatureClass> findInstance(std::uint64_t id);

protected:
    // The positions of the fields to delete, in field order, after the checks deleteFields
    // makes; nothing changes.
    std::vector<int> fieldsToDelete(const std::vector<std::string>& names) const;
    // Removes the columns in memory (subclasses call it after changing their source); the
    // positions come from fieldsToDelete.
    void removeFieldsInMemory(const std::vector<int>& indexes);

public:
    class Column;

private:
    void appendRow(std::int64_t oid, GeometryPtr shape, const std::vector<runtime::Variant>& attributes);
    void noteAppendedOids(std::size_t firstNewRow);

    std::string name_;
    GeometryType shapeType_;
    SpatialReferencePtr spatialReference_;
    std::vector<Field> fields_;
    std::vector<std::unique_ptr<Column>> columns_;  // one per attribute field (index − 2)
    std::vector<std::int64_t> oids_;
    std::vector<double> xs_, ys_;      // point classes
    std::vector<GeometryPtr> shapes_;  // other classes
    // While identifiers run first, first + 1, ... (every data source numbers its rows so, from 0
    // or 1) a row is found by subtraction; otherwise through the index.
    mutable std::unordered_map<std::int64_t, std::size_t> oidIndex_;
    mutable bool oidsSequential_ = true;
    std::int64_t nextOid_ = 1;
    DataSource dataSource_;
    std::uint64_t instanceId_;
    struct RowIndex;
    std::unique_ptr<RowIndex> rowIndex_;
};

using FeatureClassPtr = std::shared_ptr<FeatureClass>;

// Registers a class so findInstance can return it (done by whoever makes the shared pointer).
void registerFeatureClass(const FeatureClassPtr& featureClass);

// make_shared and registration in one step; use it for every feature class.
template <class T = FeatureClass, class... Args>
std::shared_ptr<T> makeFeatureClass(Args&&... args) {
    auto fc = std::make_shared<T>(std::forward<Args>(args)...);
    registerFeatureClass(fc);
    return fc;
}

}  // namespace host
