// The drawn state of an element as the host keeps it between frames: the
// last update's results, read by element n steps down a gauge's chain.
#include <cstring>
#include <stdexcept>
#include <string>

#include "hostmodel/element_kinds.h"
#include "hostmodel/host_model.h"
#include "hostmodel/model_state.h"
#include "hostmodel/needle_geometry.h"

namespace hostmodel {

namespace {

// The state the host keeps of an element; all zero for one never placed.
const core::ElementState& state_of(const host::ElementHeader* element) {
    static const core::ElementState never_placed;
    const auto found = core::model().element_states.find(element);
    return found != core::model().element_states.end() ? found->second : never_placed;
}

template <typename Record>
const Record& typed(const host::ElementHeader* element, uint32_t type, std::string_view gauge,
                    int n) {
    if (element->type != type) {
        throw std::invalid_argument(std::string(gauge) + " element " + std::to_string(n) +
                                    " is of type " + std::to_string(element->type) + ", not " +
                                    std::to_string(type));
    }
    return *core::as<Record>(element);
}

}  // namespace

double Host::value(std::string_view gauge_name, int n) const {
    return state_of(element(gauge_name, n)).value;
}

double Host::angle(std::string_view gauge_name, int n) const {
    const host::ElementHeader* e = element(gauge_name, n);
    typed<host::Needle>(e, host::element_type::needle, gauge_name, n);
    return state_of(e).angle;
}

double Host::angle_towards(std::string_view gauge_name, int n, host::PixelPoint point) const {
    return needle::direction(element(gauge_name, n)->position, point);
}

int Host::icon_image(std::string_view gauge_name, int n) const {
    const host::ElementHeader* e = element(gauge_name, n);
    typed<host::Icon>(e, host::element_type::icon, gauge_name, n);
    return state_of(e).image;
}

double Host::moving_fraction(std::string_view gauge_name, int n) const {
    const host::ElementHeader* e = element(gauge_name, n);
    const host::MovingImage& image =
        typed<host::MovingImage>(e, host::element_type::moving_image, gauge_name, n);
    const bool vertical          = core::moves_vertically(image);
    const host::MovingAxis& axis = vertical ? image.y : image.x;
    const core::ElementState& s  = state_of(e);
    const double value           = vertical ? s.y_value : s.x_value;
    return (value - axis.min) / (axis.max - axis.min);
}

std::string Host::text(std::string_view gauge_name, int n) const {
    const host::String& string =
        typed<host::String>(element(gauge_name, n), host::element_type::string, gauge_name, n);
    if (string.text == nullptr) return {};
    return std::string(string.text, strnlen(string.text, string.longest_text));
}

bool Host::hidden(std::string_view gauge_name, int n) const {
    return (image_flags(gauge_name, n) & host::image_flag::hidden) != 0;
}

uint32_t Host::image_flags(std::string_view gauge_name, int n) const {
    return element(gauge_name, n)->image_flags;
}

const std::vector<DrawnElement>& Host::drawn(std::string_view gauge_name) const {
    static const std::vector<DrawnElement> nothing;
    const auto found = core::model().drawings.find(gauge_name);
    return found != core::model().drawings.end() ? found->second : nothing;
}
}  // namespace hostmodel
