#pragma once
// The root of every object a Variant can hold. Host objects are shared: one symbol object may
// serve many rows, so identity matters and objects travel as shared pointers. A map holds
// millions of them (a chart is a dozen), so the root adds nothing but the virtual table: the
// few classes that hand out pointers to themselves derive from enable_shared_from_this.
#include <memory>
#include <string>

namespace runtime {

class Object {
public:
    virtual ~Object() = default;
    // The class name the object answers to (also its tag in persisted files).
    virtual std::string className() const = 0;

protected:
    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
};

using ObjectPtr = std::shared_ptr<Object>;

}  // namespace runtime
