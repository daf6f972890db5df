#include "importer/forms/about_layout.h"

namespace forms {

std::string_view ImageKey(LogoState state) {
    return state == LogoState::Lit ? "Over" : "VEXO";
}

std::string_view ImageKey(ButtonState state) {
    switch (state) {
        case ButtonState::Over:
            return "Over";
        case ButtonState::Down:
            return "Down";
        case ButtonState::Up:
            break;
    }
    return "Up";
}

}  // namespace forms
