#pragma once
// Attribute fields and their types, numbered as the host numbers them.
#include <string>
#include <vector>

namespace host {

enum class FieldType : int { SmallInteger = 0, Integer = 1, Single = 2, Double = 3, String = 4, Date = 5, OID = 6, Geometry = 7 };

// "Short Integer", "Long Integer", "Float", "Double", "Text", "Date", "Object ID", "Geometry".
const char* fieldTypeName(FieldType type);
// Short integer, integer, single and double.
inline bool isNumeric(FieldType t) { return static_cast<int>(t) >= 0 && static_cast<int>(t) <= 3; }

struct Field {
    std::string name;
    FieldType type = FieldType::Double;
    std::string aliasName;  // empty: the name
    int length = 0;         // text length; 0 for other types
    bool nullable = true;
    friend bool operator==(const Field&, const Field&) = default;
};

}  // namespace host
