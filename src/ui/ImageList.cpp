#include "ui/ImageList.h"

#include <nlohmann/json.hpp>

#include "ui/UiError.h"

namespace ui {

using runtime::Variant;

ImageList::ImageList(Form& form, const ControlDesign& design)
    : Control(form, design), imageWidth_(design.imageWidth), imageHeight_(design.imageHeight) {}

void ImageList::resetKindState() {
    // The list views are reset in the same pass and bind again afterwards.
    images_.clear();
    imageWidth_ = design().imageWidth;
    imageHeight_ = design().imageHeight;
}

void ImageList::setImageSize(int width, int height) {
    if (width == imageWidth_ && height == imageHeight_) return;
    if (!images_.empty()) raiseUi(err::ImageSizeReadOnly);
    if (width < 1 || height < 1) raiseUi(err::InvalidPropertyValue);
    imageWidth_ = width;
    imageHeight_ = height;
    changed("ImageSize");
}

const ListImage& ImageList::item(int index) const {
    if (index < 1 || index > count()) raiseUi(err::IndexOutOfBounds);
    return images_[static_cast<std::size_t>(index - 1)];
}

const ListImage& ImageList::item(std::string_view key) const {
    const int index = indexOfKey(key);
    if (index == 0) raiseUi(err::ElementNotFound);
    return images_[static_cast<std::size_t>(index - 1)];
}

int ImageList::indexOfKey(std::string_view key) const {
    if (key.empty()) return 0;
    for (std::size_t i = 0; i < images_.size(); ++i)
        if (images_[i].key == key) return static_cast<int>(i) + 1;
    return 0;
}

int ImageList::add(std::string key, runtime::ObjectPtr picture) {
    return insert(count() + 1, std::move(key), std::move(picture));
}

int ImageList::insert(int index, std::string key, runtime::ObjectPtr picture) {
    if (index < 1 || index > count() + 1) raiseUi(err::IndexOutOfBounds);
    if (index <= count()) checkUnbound();
    if (indexOfKey(key) != 0) raiseUi(err::KeyNotUnique);
    images_.insert(images_.begin() + (index - 1), ListImage{std::move(key), std::move(picture)});
    changed("ListImages");
    return index;
}

void ImageList::remove(int index) {
    if (index < 1 || index > count()) raiseUi(err::IndexOutOfBounds);
    checkUnbound();
    images_.erase(images_.begin() + (index - 1));
    changed("ListImages");
}

void ImageList::remove(std::string_view key) {
    const int index = indexOfKey(key);
    if (index == 0) raiseUi(err::ElementNotFound);
    remove(index);
}

void ImageList::clear() {
    if (images_.empty()) return;
    checkUnbound();
    images_.clear();
    changed("ListImages");
}

void ImageList::checkUnbound() const {
    if (isBound()) raiseUi(err::ImageListBound);
}

std::optional<Variant> ImageList::getKindProperty(std::string_view upperName) const {
    if (upperName == "IMAGEWIDTH") return Variant(static_cast<std::int16_t>(imageWidth_));
    if (upperName == "IMAGEHEIGHT") return Variant(static_cast<std::int16_t>(imageHeight_));
    if (upperName == "COUNT") return Variant(static_cast<std::int32_t>(count()));
    return std::nullopt;
}

bool ImageList::setKindProperty(std::string_view upperName, const Variant& value) {
    if (upperName == "IMAGEWIDTH") {
        setImageSize(property::toInt(value, 1, 4096), imageHeight_);
    } else if (upperName == "IMAGEHEIGHT") {
        setImageSize(imageWidth_, property::toInt(value, 1, 4096));
    } else if (upperName == "COUNT") {
        raiseUi(err::PropertyReadOnly, "Count");
    } else {
        return false;
    }
    return true;
}

void ImageList::describe(nlohmann::json& out) const {
    out["imageWidth"] = imageWidth_;
    out["imageHeight"] = imageHeight_;
    nlohmann::json images = nlohmann::json::array();
    for (const ListImage& image : images_) images.push_back({{"key", image.key}, {"picture", static_cast<bool>(image.picture)}});
    out["images"] = std::move(images);
}

}  // namespace ui
