#include "runtime/Variant.h"

#include <atomic>
#include <cmath>

#include "runtime/Error.h"
#include "runtime/NumberText.h"
#include "runtime/Text.h"

namespace runtime {

Variant Variant::null() {
    Variant v;
    v.value_ = NullTag{};
    return v;
}

struct Variant::SharedText::Block {
    std::atomic<std::size_t> holders{1};
    std::string text;
};

Variant::SharedText::SharedText(std::string text) {
    // The empty text is the commonest (cleared boxes): one block, never freed, serves them all.
    static Block* const empty = new Block{};
    if (text.empty()) {
        block_ = empty;
        retain();
    } else {
        block_ = new Block{};
        block_->text = std::move(text);
    }
}

const std::string& Variant::SharedText::text() const {
    static const std::string none;
    return block_ ? block_->text : none;
}

void Variant::SharedText::retain() const noexcept {
    if (block_) block_->holders.fetch_add(1, std::memory_order_relaxed);
}

void Variant::SharedText::release() noexcept {
    if (block_ && block_->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) delete block_;
}

const ObjectPtr& Variant::ObjectBox::nothing() {
    static const ObjectPtr none;
    return none;
}

Variant::ArrayBox::ArrayBox(Array array) : array(std::make_unique<Array>(std::move(array))) {}
Variant::ArrayBox::ArrayBox(const ArrayBox& other) : array(std::make_unique<Array>(*other.array)) {}
Variant::ArrayBox& Variant::ArrayBox::operator=(const ArrayBox& other) {
    if (this != &other) array = std::make_unique<Array>(*other.array);
    return *this;
}
Variant::ArrayBox& Variant::ArrayBox::operator=(ArrayBox&& other) noexcept = default;
Variant::ArrayBox::~ArrayBox() = default;

Variant::Variant(Array v) : value_(ArrayBox(std::move(v))) {}

Variant::Variant(const Variant& other) = default;

Variant& Variant::operator=(const Variant& other) = default;

Variant::~Variant() = default;

bool Variant::isNumeric() const {
    switch (kind()) {
    case Kind::Bool:
    case Kind::Int16:
    case Kind::Int32:
    case Kind::Single:
    case Kind::Double: return true;
    default: return false;
    }
}

std::string Variant::typeName() const {
    switch (kind()) {
    case Kind::Empty: return "Empty";
    case Kind::Null: return "Null";
    case Kind::Bool: return "Boolean";
    case Kind::Int16: return "Integer";
    case Kind::Int32: return "Long";
    case Kind::Single: return "Single";
    case Kind::Double: return "Double";
    case Kind::String: return "String";
    case Kind::Date: return "Date";
    case Kind::Object: return isNothing() ? "Nothing" : "Object";
    case Kind::Array: return "Array";
    }
    return "Empty";
}

double Variant::toDouble() const {
    switch (kind()) {
    case Kind::Empty: return 0.0;
    case Kind::Null: raise(err::InvalidUseOfNull);
    case Kind::Bool: return boolValue() ? -1.0 : 0.0;
    case Kind::Int16: return int16Value();
    case Kind::Int32: return int32Value();
    case Kind::Single: return singleValue();
    case Kind::Double: return doubleValue();
    case Kind::String: return parseNumber(stringValue());
    case Kind::Date: return dateValue().serial;
    default: raise(err::TypeMismatch);
    }
}

float Variant::toSingle() const {
    const double d = toDouble();
    if (std::isfinite(d) && std::fabs(d) > 3.402823466e38) raise(err::Overflow);
    return static_cast<float>(d);
}

std::int16_t Variant::toInt16() const {
    if (kind() == Kind::Int16) return int16Value();
    return runtime::toInt16(toDouble());
}

std::int32_t Variant::toInt32() const {
    if (kind() == Kind::Int32) return int32Value();
    return runtime::toInt32(toDouble());
}

bool Variant::toBool() const {
    switch (kind()) {
    case Kind::Empty: return false;
    case Kind::Null: raise(err::InvalidUseOfNull);
    case Kind::Bool: return boolValue();
    case Kind::String: {
        const std::string t = upperCase(trim(stringValue()));
        if (t == "TRUE") return true;
        if (t == "FALSE") return false;
        return parseNumber(stringValue()) != 0.0;
    }
    default: return toDouble() != 0.0;
    }
}

std::string Variant::toString() const {
    switch (kind()) {
    case Kind::Empty: return {};
    case Kind::Null: raise(err::InvalidUseOfNull);
    case Kind::Bool: return boolValue() ? "True" : "False";
    case Kind::Int16: return std::to_string(int16Value());
    case Kind::Int32: return std::to_string(int32Value());
    case Kind::Single: return singleText(singleValue());
    case Kind::Double: return numberText(doubleValue());
    case Kind::String: return stringValue();
    case Kind::Date: return dateValue().text();
    default: raise(err::TypeMismatch);
    }
}

Date Variant::toDate() const {
    if (kind() == Kind::Date) return dateValue();
    return Date{toDouble()};
}

ObjectPtr Variant::toObject() const {
    if (!isObject()) raise(err::TypeMismatch);
    return objectValue();
}

const Array& Variant::array() const {
    if (!isArray()) raise(err::TypeMismatch);
    return *std::get<ArrayBox>(value_).array;
}

Array& Variant::array() {
    if (!isArray()) raise(err::TypeMismatch);
    return *std::get<ArrayBox>(value_).array;
}

bool operator==(const Variant& a, const Variant& b) {
    if (a.kind() != b.kind()) return false;
    switch (a.kind()) {
    case Variant::Kind::Single: {
        const float x = a.singleValue(), y = b.singleValue();
        return x == y || (std::isnan(x) && std::isnan(y));
    }
    case Variant::Kind::Double: {
        const double x = a.doubleValue(), y = b.doubleValue();
        return x == y || (std::isnan(x) && std::isnan(y));
    }
    case Variant::Kind::Array: return a.array() == b.array();
    default: return a.value_ == b.value_;
    }
}

std::strong_ordering compareValues(const Variant& a, const Variant& b) {
    using K = Variant::Kind;
    if (a.isNull() || b.isNull()) raise(err::InvalidUseOfNull);
    if (a.isObject() || b.isObject() || a.isArray() || b.isArray()) raise(err::TypeMismatch);
    const bool aText = a.kind() == K::String, bText = b.kind() == K::String;
    auto byNumber = [](double x, double y) {
        if (x < y) return std::strong_ordering::less;
        if (x > y) return std::strong_ordering::greater;
        return std::strong_ordering::equal;
    };
    if (aText && bText) return a.stringValue() <=> b.stringValue();
    if (aText && b.isEmpty()) return a.stringValue() <=> std::string();
    if (bText && a.isEmpty()) return std::string() <=> b.stringValue();
    return byNumber(a.toDouble(), b.toDouble());
}

bool equalArrays(const Array& a, const Array& b) { return a == b; }

// --- Array ------------------------------------------------------------------------------------

Array::Array(long lower, long upper) : lower_{lower}, upper_{upper} {
    if (upper < lower - 1) raise(err::SubscriptOutOfRange);
    data_.resize(static_cast<std::size_t>(upper - lower + 1));
}

Array::Array(long lower1, long upper1, long lower2, long upper2)
    : lower_{lower1, lower2}, upper_{upper1, upper2} {
    if (upper1 < lower1 - 1 || upper2 < lower2 - 1) raise(err::SubscriptOutOfRange);
    data_.resize(static_cast<std::size_t>(upper1 - lower1 + 1) * static_cast<std::size_t>(upper2 - lower2 + 1));
}

Array Array::fromList(const std::vector<Variant>& values) {
    Array a(0, static_cast<long>(values.size()) - 1);
    a.data_ = values;
    return a;
}

Array Array::fromItems(std::vector<long> lower, std::vector<long> upper, std::vector<Variant> items) {
    if (lower.size() != upper.size() || lower.empty() || lower.size() > 2) raise(err::SubscriptOutOfRange);
    std::size_t total = 1;
    for (std::size_t d = 0; d < lower.size(); ++d) {
        if (upper[d] < lower[d] - 1) raise(err::SubscriptOutOfRange);
        total *= static_cast<std::size_t>(upper[d] - lower[d] + 1);
    }
    if (total != items.size()) raise(err::SubscriptOutOfRange);
    Array a;
    a.lower_ = std::move(lower);
    a.upper_ = std::move(upper);
    a.data_ = std::move(items);
    return a;
}

long Array::lowerBound(int dimension) const {
    if (dimension < 1 || dimension > dimensions()) raise(err::SubscriptOutOfRange);
    return lower_[static_cast<std::size_t>(dimension - 1)];
}

long Array::upperBound(int dimension) const {
    if (dimension < 1 || dimension > dimensions()) raise(err::SubscriptOutOfRange);
    return upper_[static_cast<std::size_t>(dimension - 1)];
}

std::size_t Array::index(long i) const {
    if (dimensions() != 1 || i < lower_[0] || i > upper_[0]) raise(err::SubscriptOutOfRange);
    return static_cast<std::size_t>(i - lower_[0]);
}

std::size_t Array::index(long i, long j) const {
    if (dimensions() != 2 || i < lower_[0] || i > upper_[0] || j < lower_[1] || j > upper_[1])
        raise(err::SubscriptOutOfRange);
    const auto width = static_cast<std::size_t>(upper_[1] - lower_[1] + 1);
    return static_cast<std::size_t>(i - lower_[0]) * width + static_cast<std::size_t>(j - lower_[1]);
}

Variant& Array::at(long i) { return data_[index(i)]; }
const Variant& Array::at(long i) const { return data_[index(i)]; }
Variant& Array::at(long i, long j) { return data_[index(i, j)]; }
const Variant& Array::at(long i, long j) const { return data_[index(i, j)]; }

void Array::resizeLast(long newUpper) {
    if (dimensions() == 0) raise(err::SubscriptOutOfRange);
    const std::size_t last = lower_.size() - 1;
    if (newUpper < lower_[last] - 1) raise(err::SubscriptOutOfRange);
    if (dimensions() == 1) {
        upper_[0] = newUpper;
        data_.resize(static_cast<std::size_t>(newUpper - lower_[0] + 1));
        return;
    }
    const auto rows = static_cast<std::size_t>(upper_[0] - lower_[0] + 1);
    const auto oldWidth = static_cast<std::size_t>(upper_[1] - lower_[1] + 1);
    const auto newWidth = static_cast<std::size_t>(newUpper - lower_[1] + 1);
    std::vector<Variant> data(rows * newWidth);
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < std::min(oldWidth, newWidth); ++c) data[r * newWidth + c] = data_[r * oldWidth + c];
    }
    data_ = std::move(data);
    upper_[1] = newUpper;
}

}  // namespace runtime
