#include "host/Application.h"

namespace host {

Application::Application() : document_(std::make_shared<MxDocument>()) {}

void Application::setDocument(MxDocumentPtr document) {
    document_ = document ? std::move(document) : std::make_shared<MxDocument>();
}

std::vector<std::string> Application::templates() const {
    std::vector<std::string> list{"Normal.mxt"};
    if (document_ && !document_->path().empty()) list.push_back(document_->path());
    return list;
}

}  // namespace host
