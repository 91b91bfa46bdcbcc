#include "host/gdal/Handles.h"

namespace host::gdal {

ErrorCapture::ErrorCapture() {
    CPLPushErrorHandlerEx(&ErrorCapture::handle, this);
    CPLErrorReset();
}

ErrorCapture::~ErrorCapture() { CPLPopErrorHandler(); }

void CPL_STDCALL ErrorCapture::handle(CPLErr level, CPLErrorNum, const char* message) {
    auto* self = static_cast<ErrorCapture*>(CPLGetErrorHandlerUserData());
    if (!self) return;
    std::string text = message ? message : "";
    if (level == CE_Failure || level == CE_Fatal) {
        if (self->failures_.size() < 20) self->failures_.push_back(std::move(text));
    } else if (level == CE_Warning) {
        // A broken file can warn once per feature; a handful tells the story.
        if (self->warnings_.size() < 20) self->warnings_.push_back(std::move(text));
    }
}

std::string ErrorCapture::failureText() const {
    std::string out;
    for (const auto& f : failures_) {
        if (!out.empty()) out += "; ";
        out += f;
    }
    return out;
}

}  // namespace host::gdal
