// Finding the mouse rectangle of a gauge that holds a point.
#include "hostmodel/model_state.h"

namespace hostmodel::core {
namespace {

bool holds(const host::MouseRect& rect, int x, int y) {
    return x >= rect.x && x <= rect.x + rect.width - 1 && y >= rect.y &&
           y <= rect.y + rect.height - 1;
}

}  // namespace

const host::MouseRect* mouse_child_at(const host::GaugeHeader* gauge, int x, int y) {
    const host::MouseRect* rect = gauge->mouse_rects;
    if (rect == nullptr) return nullptr;
    while (rect->type != host::mouse_record::parent) {
        if (rect->type == host::mouse_record::end_of_list) return nullptr;
        ++rect;
    }
    for (++rect; rect->type != host::mouse_record::parent_end &&
                 rect->type != host::mouse_record::end_of_list;
         ++rect) {
        if (rect->type == host::mouse_record::child && holds(*rect, x, y)) return rect;
    }
    return nullptr;
}

}  // namespace hostmodel::core
