#pragma once
// What a map view shows: the document's focus map drawn with the transformation of the view's
// screen display, on a cairo context whose user space is that display's device frame (the
// desktop host's canvas). A partial refresh repaints its area only: everything there is drawn
// again (background, layers, graphics, highlights), since the phases lie on top of each other.
#include <cairo.h>

#include "host/MxDocument.h"

namespace render {

void drawView(cairo_t* cr, host::MxDocument& document, const host::RefreshEvent& event = {});

}  // namespace render
