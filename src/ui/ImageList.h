#pragma once
// An image list: pictures counted from 1, each with an optional unique key, all of one size
// (16 x 16 pixels unless designed otherwise). It is never shown itself; list views show its
// pictures as item icons.
//
// As in the original common controls, a list that is bound to a list view may only grow at its
// end: inserting before the end, removing and clearing raise error 35617 until every list view
// has let go of it (ListView::setIcons(nullptr)). Errors: 35600 index out of bounds, 35601 key
// not found, 35602 key already used, 35611 changing the image size of a non-empty list.
// Keys are compared exactly (case-sensitive).
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/Object.h"
#include "ui/Control.h"

namespace ui {

struct ListImage {
    std::string key;
    runtime::ObjectPtr picture;  // the drawing library's picture; may be empty
};

class ImageList final : public Control {
public:
    ImageList(Form& form, const ControlDesign& design);

    bool hasToolTip() const override { return false; }

    int imageWidth() const { return imageWidth_; }
    int imageHeight() const { return imageHeight_; }
    void setImageSize(int width, int height);

    int count() const { return static_cast<int>(images_.size()); }
    const ListImage& item(int index) const;
    const ListImage& item(std::string_view key) const;
    // The 1-based position of the image with this key, 0 when there is none.
    int indexOfKey(std::string_view key) const;

    // Appends; returns the new image's index.
    int add(std::string key, runtime::ObjectPtr picture);
    // Inserts at `index` (1..count+1), shifting the later images up by one.
    int insert(int index, std::string key, runtime::ObjectPtr picture);
    void remove(int index);
    void remove(std::string_view key);
    void clear();

    bool isBound() const { return bindings_ > 0; }

private:
    friend class ListView;
    void bind() { ++bindings_; }
    void unbind() { --bindings_; }

    std::optional<runtime::Variant> getKindProperty(std::string_view upperName) const override;
    bool setKindProperty(std::string_view upperName, const runtime::Variant& value) override;
    void describe(nlohmann::json& out) const override;
    void resetKindState() override;
    void checkUnbound() const;

    std::vector<ListImage> images_;
    int imageWidth_;
    int imageHeight_;
    int bindings_ = 0;
};

}  // namespace ui
