#pragma once
// An event of a control or form: at most one handler, as the original runtime wired exactly one
// event procedure to each control event. Firing an event with no handler does nothing.
//
// Handlers run synchronously on the caller's stack, so a handler that sets another control runs
// that control's handler before it continues, and an exception escaping a handler reaches the
// code that caused the event. Handlers that keep triggering each other are stopped with
// runtime error 28 "Out of stack space" instead of exhausting the real stack.
#include <cstddef>
#include <functional>
#include <utility>

namespace ui {

// Counts nested event handlers on this thread; the constructor raises error 28 when the nesting
// gets absurdly deep.
class EventNesting {
public:
    EventNesting();
    ~EventNesting();
    EventNesting(const EventNesting&) = delete;
    EventNesting& operator=(const EventNesting&) = delete;

    static constexpr int limit = 64;
    static int depth();
};

template <class... Args>
class Event {
public:
    using Handler = std::function<void(Args...)>;

    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    // Attaches the handler, replacing any earlier one; an empty function detaches.
    Event& operator=(Handler handler) {
        handler_ = std::move(handler);
        return *this;
    }
    Event& operator=(std::nullptr_t) {
        handler_ = nullptr;
        return *this;
    }
    explicit operator bool() const { return static_cast<bool>(handler_); }

    void fire(Args... args) const {
        if (!handler_) return;
        EventNesting nesting;
        // A copy, so a handler may replace itself while it runs.
        Handler handler = handler_;
        handler(std::forward<Args>(args)...);
    }

private:
    Handler handler_;
};

}  // namespace ui
