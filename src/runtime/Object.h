#pragma once
// The root of every object a Variant can hold. Host objects are shared: one symbol object may
// serve many rows, so identity matters and objects travel as shared pointers. A map holds
// millions of them (a chart is a dozen), so the root adds nothing but the virtual table: the
// few classes that hand out pointers to themselves derive from enable_shared_from_this.
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>

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

// What dynamic_cast<const Exact*> gives for a final class, told by the object's type alone: a
// dynamic_cast walks the class hierarchy, and reading or drawing a million charts casts tens of
// millions of times.
template <class Exact, class Base>
const Exact* exactCast(const Base* p) {
    static_assert(std::is_final_v<Exact> && std::is_base_of_v<Base, Exact>);
    return p && typeid(*p) == typeid(Exact) ? static_cast<const Exact*>(p) : nullptr;
}

// What std::dynamic_pointer_cast<T> gives, trying the final classes `Likely...` (the ones a
// caller mostly meets) first by their type alone. An object handed over (an rvalue) is moved
// into the result, or dropped when it is not a T: no count is touched, and the symbols a
// million charts share have counts that every reading thread would otherwise take turns to
// write.
template <class T, class... Likely>
std::shared_ptr<T> objectCast(ObjectPtr object) {
    static_assert(((std::is_final_v<Likely> && std::is_base_of_v<T, Likely>) && ...));
    if (!object) return nullptr;
    const Object& o = *object;
    const std::type_info& type = typeid(o);
    std::shared_ptr<T> out;
    (void)((type == typeid(Likely) && (out = std::static_pointer_cast<Likely>(std::move(object)), true)) || ...);
    return out ? out : std::dynamic_pointer_cast<T>(std::move(object));
}

}  // namespace runtime
