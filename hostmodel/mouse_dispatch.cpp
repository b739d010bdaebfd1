// Finding the mouse rectangle of a gauge that holds a point.
#include "hostmodel/model_state.h"

namespace hostmodel::core {
namespace {

bool holds(const host::MouseRect& rect, int x, int y) {
    return x >= rect.x && x <= rect.x + rect.width - 1 && y >= rect.y &&
           y <= rect.y + rect.height - 1;
}

}  // namespace

std::vector<const host::MouseRect*> mouse_children(const host::GaugeHeader* gauge) {
    std::vector<const host::MouseRect*> children;
    const host::MouseRect* rect = gauge->mouse_rects;
    if (rect == nullptr) return children;
    while (rect->type != host::mouse_record::parent) {
        if (rect->type == host::mouse_record::end_of_list) return children;
        ++rect;
    }
    for (++rect; rect->type != host::mouse_record::parent_end &&
                 rect->type != host::mouse_record::end_of_list;
         ++rect) {
        if (rect->type == host::mouse_record::child) children.push_back(rect);
    }
    return children;
}

const host::MouseRect* mouse_child_at(const host::GaugeHeader* gauge, int x, int y) {
    for (const host::MouseRect* child : mouse_children(gauge)) {
        if (holds(*child, x, y)) return child;
    }
    return nullptr;
}

}  // namespace hostmodel::core
