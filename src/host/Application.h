#pragma once
// The host application as the command sees it: the current document, the template list (whose
// last entry is the open document's file) and the status bar's step progressor.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/MxDocument.h"
#include "runtime/Object.h"

namespace host {

// The progress bar of the status bar. Hosts observe it to show progress (a terminal line in
// the command-line host, a progress bar on the desktop).
class StepProgressor {
public:
    struct State {
        double minRange = 0, maxRange = 100, stepValue = 1, position = 0;
        std::string message;
        bool visible = false;
    };

    void setMinRange(double v) { state_.minRange = v; notify(); }
    void setMaxRange(double v) { state_.maxRange = v; notify(); }
    void setStepValue(double v) { state_.stepValue = v; }
    void setPosition(double v) { state_.position = v; notify(); }
    void setMessage(std::string m) { state_.message = std::move(m); notify(); }
    void step() { state_.position += state_.stepValue; notify(); }
    void show() { state_.visible = true; notify(); }
    void hide() { state_.visible = false; notify(); }
    const State& state() const { return state_; }

    void setObserver(std::function<void(const State&)> observer) { observer_ = std::move(observer); }

private:
    void notify() {
        if (observer_) observer_(state_);
    }
    State state_;
    std::function<void(const State&)> observer_;
};

class StatusBar {
public:
    StepProgressor& progressBar() { return progressor_; }
    const std::string& message() const { return message_; }
    void setMessage(std::string m) { message_ = std::move(m); }

private:
    StepProgressor progressor_;
    std::string message_;
};

class Application final : public runtime::Object {
public:
    Application();
    std::string className() const override { return "Application"; }

    const MxDocumentPtr& document() const { return document_; }
    void setDocument(MxDocumentPtr document);
    // Normal template first, the open document's path last (when it has one).
    std::vector<std::string> templates() const;
    StatusBar& statusBar() { return statusBar_; }
    std::string caption() const { return "Plotlet"; }

private:
    MxDocumentPtr document_;
    StatusBar statusBar_;
};

using ApplicationPtr = std::shared_ptr<Application>;

}  // namespace host
