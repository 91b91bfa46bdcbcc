#include "ui/Event.h"

#include "ui/UiError.h"

namespace ui {

namespace {
thread_local int nestingDepth = 0;
}

EventNesting::EventNesting() {
    if (nestingDepth >= limit) raiseUi(err::OutOfStackSpace);
    ++nestingDepth;
}

EventNesting::~EventNesting() { --nestingDepth; }

int EventNesting::depth() { return nestingDepth; }

}  // namespace ui
