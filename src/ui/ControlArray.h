#pragma once
// A control array: several controls sharing one name, told apart by their index
// (OpChartPosition(0) .. OpChartPosition(14), CmdOK(0), CmdOK(1)). Indices need not be
// contiguous. A ControlArray is a light view into its form and is valid as long as the form.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/Control.h"
#include "ui/UiError.h"

namespace ui {

class Form;

class ControlArray {
public:
    ControlArray(const std::string& name, const std::map<int, Control*>& members) : name_(name), members_(&members) {}

    const std::string& name() const { return name_; }
    int count() const { return static_cast<int>(members_->size()); }
    int lowerBound() const { return members_->begin()->first; }
    int upperBound() const { return members_->rbegin()->first; }
    bool contains(int index) const { return members_->count(index) != 0; }

    // Error 340 when no member has this index.
    Control& item(int index) const;
    Control& operator[](int index) const { return item(index); }
    // The member as a kind; error 13 when it is of another kind.
    template <class T>
    T& itemAs(int index) const {
        T* typed = item(index).template as<T>();
        if (!typed) raiseUi(err::TypeMismatch);
        return *typed;
    }
    // Members in index order.
    std::vector<Control*> members() const;

    // The index of the member whose Value is on (option buttons, check boxes, toggles), if any.
    std::optional<int> checkedIndex() const;

    // Attaches one Click handler to every member that has a Click event; it receives the
    // member's index, as the original runtime's control-array event procedures did.
    void onClick(const std::function<void(int index)>& handler) const;

private:
    std::string name_;
    const std::map<int, Control*>* members_;
};

}  // namespace ui
