#pragma once
// The dynamically typed value the dialogs and the chart engine pass around: field values,
// property-set values, control values. Conversions follow the original runtime: empty converts
// to 0, "" or false; null converts to nothing (error 94); text converts to a number in the
// system format; integer conversions round half to even and overflow like 16/32-bit integers.
#include <compare>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "runtime/Date.h"
#include "runtime/Object.h"

namespace runtime {

class Array;
bool equalArrays(const Array& a, const Array& b);

class Variant {
public:
    enum class Kind { Empty, Null, Bool, Int16, Int32, Single, Double, String, Date, Object, Array };

    Variant() = default;  // empty: never assigned
    static Variant null();
    Variant(bool v) : value_(v) {}
    Variant(std::int16_t v) : value_(v) {}
    Variant(std::int32_t v) : value_(v) {}
    Variant(float v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(std::string v) : value_(SharedText(std::move(v))) {}
    Variant(std::string_view v) : Variant(std::string(v)) {}
    Variant(const char* v) : Variant(std::string(v)) {}
    Variant(Date v) : value_(v) {}
    Variant(ObjectPtr v) : value_(ObjectBox(std::move(v))) {}
    template <class T>
        requires std::is_base_of_v<Object, T>
    Variant(std::shared_ptr<T> v) : value_(ObjectBox(ObjectPtr(std::move(v)))) {}
    Variant(Array v);

    Variant(const Variant& other);
    Variant(Variant&&) noexcept = default;
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&&) noexcept = default;
    ~Variant();

    Kind kind() const { return static_cast<Kind>(value_.index()); }
    bool isEmpty() const { return kind() == Kind::Empty; }
    bool isNull() const { return kind() == Kind::Null; }
    bool isNumeric() const;  // bool, integers, single, double
    bool isString() const { return kind() == Kind::String; }
    bool isObject() const { return kind() == Kind::Object; }
    bool isNothing() const { return isObject() && !objectValue(); }
    bool isArray() const { return kind() == Kind::Array; }
    // The runtime's name of the kind: "Empty", "Null", "Boolean", "Integer", "Long", "Single",
    // "Double", "String", "Date", "Object", "Array" ("Nothing" for an object variable set to
    // nothing).
    std::string typeName() const;

    // Conversions (errors: 13 type mismatch, 94 invalid use of null, 6 overflow).
    double toDouble() const;
    float toSingle() const;
    std::int16_t toInt16() const;
    std::int32_t toInt32() const;
    bool toBool() const;
    std::string toString() const;
    Date toDate() const;
    // The object held; "nothing" gives an empty pointer; any non-object is error 13.
    ObjectPtr toObject() const;
    // The object held as T, or an empty pointer when there is none or it is of another class.
    template <class T>
    std::shared_ptr<T> as() const {
        if (!isObject()) return nullptr;
        return std::dynamic_pointer_cast<T>(objectValue());
    }

    const Array& array() const;  // error 13 when not an array
    Array& array();

    // Raw access for code that switches on kind().
    bool boolValue() const { return std::get<bool>(value_); }
    std::int16_t int16Value() const { return std::get<std::int16_t>(value_); }
    std::int32_t int32Value() const { return std::get<std::int32_t>(value_); }
    float singleValue() const { return std::get<float>(value_); }
    double doubleValue() const { return std::get<double>(value_); }
    const std::string& stringValue() const { return std::get<SharedText>(value_).text(); }
    Date dateValue() const { return std::get<Date>(value_); }
    const ObjectPtr& objectValue() const { return std::get<ObjectBox>(value_).object(); }

    // Same kind and same value (objects: same identity; arrays: same bounds and elements).
    // NaN equals NaN here, so that round trips can be checked.
    friend bool operator==(const Variant& a, const Variant& b);

private:
    struct NullTag {
        friend bool operator==(NullTag, NullTag) = default;
    };
    // Every alternative takes at most 8 bytes, so a value takes 16: a map of a million charts
    // keeps eight values in the data of each. Larger things are held through one pointer.
    //
    // A text is never changed in place, so copies share it: the many copies of one value a map
    // keeps (a layer's name in the data of each of its charts) cost one string. The count is
    // atomic: drawing threads copy values while they read a map.
    class SharedText {
    public:
        explicit SharedText(std::string text);
        SharedText(const SharedText& other) noexcept : block_(other.block_) { retain(); }
        SharedText(SharedText&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
        SharedText& operator=(SharedText other) noexcept {
            std::swap(block_, other.block_);
            return *this;
        }
        ~SharedText() { release(); }
        const std::string& text() const;
        friend bool operator==(const SharedText& a, const SharedText& b) { return a.text() == b.text(); }

    private:
        struct Block;
        void retain() const noexcept;
        void release() noexcept;
        Block* block_;  // null only when moved from
    };
    // An object held in a box of its own (a shared pointer takes 16 bytes); "nothing" needs no
    // box.
    class ObjectBox {
    public:
        explicit ObjectBox(ObjectPtr object)
            : box_(object ? std::make_unique<ObjectPtr>(std::move(object)) : nullptr) {}
        ObjectBox(const ObjectBox& other) : ObjectBox(other.object()) {}
        ObjectBox(ObjectBox&&) noexcept = default;
        ObjectBox& operator=(const ObjectBox& other) {
            if (this != &other) box_ = other.box_ ? std::make_unique<ObjectPtr>(*other.box_) : nullptr;
            return *this;
        }
        ObjectBox& operator=(ObjectBox&&) noexcept = default;
        const ObjectPtr& object() const { return box_ ? *box_ : nothing(); }
        // Same object, by identity.
        friend bool operator==(const ObjectBox& a, const ObjectBox& b) { return a.object() == b.object(); }

    private:
        static const ObjectPtr& nothing();
        std::unique_ptr<ObjectPtr> box_;
    };
    struct ArrayBox {
        explicit ArrayBox(Array array);
        ArrayBox(const ArrayBox& other);
        ArrayBox(ArrayBox&&) noexcept = default;
        ArrayBox& operator=(const ArrayBox& other);
        ArrayBox& operator=(ArrayBox&& other) noexcept;
        ~ArrayBox();
        friend bool operator==(const ArrayBox& a, const ArrayBox& b) { return equalArrays(*a.array, *b.array); }
        std::unique_ptr<Array> array;
    };
    using Storage = std::variant<std::monostate, NullTag, bool, std::int16_t, std::int32_t, float, double,
                                 SharedText, Date, ObjectBox, ArrayBox>;
    Storage value_;
};

// Compares two values as the runtime's comparison operators do: numbers numerically, texts as
// text (binary, case-sensitive), a number and a numeric text numerically, empty as 0 or "".
// Null, objects or a number against a non-numeric text are error 13/94.
std::strong_ordering compareValues(const Variant& a, const Variant& b);

// A runtime array: one or two dimensions, each with its own lower and upper bound (an empty
// dimension has upper bound lower − 1). Elements are Variants, stored row-major.
class Array {
public:
    Array() = default;
    // One dimension lower..upper.
    Array(long lower, long upper);
    // Two dimensions: (lower1..upper1, lower2..upper2).
    Array(long lower1, long upper1, long lower2, long upper2);
    static Array fromList(const std::vector<Variant>& values);  // 0-based, one dimension
    // Bounds per dimension and the elements row-major (error 9 when they do not agree).
    static Array fromItems(std::vector<long> lower, std::vector<long> upper, std::vector<Variant> items);
    const std::vector<Variant>& items() const { return data_; }

    int dimensions() const { return static_cast<int>(lower_.size()); }
    long lowerBound(int dimension = 1) const;  // error 9 for a missing dimension
    long upperBound(int dimension = 1) const;
    std::size_t size() const { return data_.size(); }

    Variant& at(long i);
    const Variant& at(long i) const;
    Variant& at(long i, long j);
    const Variant& at(long i, long j) const;

    // ReDim Preserve of the last dimension (the only one the runtime lets grow).
    void resizeLast(long newUpper);

    friend bool operator==(const Array&, const Array&) = default;

private:
    std::size_t index(long i) const;
    std::size_t index(long i, long j) const;
    std::vector<long> lower_, upper_;
    std::vector<Variant> data_;
};

}  // namespace runtime
