#pragma once
// A picture object made from a bitmap (type 1, bitmap): it owns the bitmap and frees it with
// itself. Image lists keep pictures as runtime objects.
#include <memory>
#include <string>

#include "render/Bitmap.h"
#include "runtime/Object.h"

namespace render {

class Picture final : public runtime::Object {
public:
    static constexpr int kTypeBitmap = 1;

    // Takes the bitmap (a null handle gives an empty picture).
    explicit Picture(BitmapHandle bitmap) : bitmap_(std::move(bitmap)) {}
    std::string className() const override { return "Picture"; }

    int type() const { return kTypeBitmap; }
    const BitmapHandle& bitmap() const { return bitmap_; }
    int width() const { return bitmap_ ? bitmap_->width() : 0; }
    int height() const { return bitmap_ ? bitmap_->height() : 0; }

private:
    BitmapHandle bitmap_;
};

using PicturePtr = std::shared_ptr<Picture>;

}  // namespace render
