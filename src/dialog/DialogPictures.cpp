#include "dialog/DialogPictures.h"

#include <memory>
#include <string>

#include "command/ResPicture.h"

namespace plotlet {

namespace {

// Temporary: a picture that only remembers its resource, until the display's pictures land and
// the resources are decoded into real bitmaps.
class ResourcePictureObject final : public runtime::Object {
public:
    explicit ResourcePictureObject(ResPicture picture) : picture_(picture) {}
    std::string className() const override { return "Picture"; }
    const ResPicture& picture() const { return picture_; }

private:
    ResPicture picture_;
};

}  // namespace

runtime::ObjectPtr LoadDialogPicture(std::string_view id) {
    return std::make_shared<ResourcePictureObject>(loadResPicture(id));
}

runtime::ObjectPtr TryLoadDialogPicture(std::string_view id) {
    try {
        return LoadDialogPicture(id);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace plotlet
