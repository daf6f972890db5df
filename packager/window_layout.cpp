#include "packager/window_layout.h"

namespace packager {

PixelPoint CentredWindowOrigin(int desktopWidth, int desktopHeight) {
    return {(desktopWidth - kWindowWidth) / 2, (desktopHeight - kWindowHeight) / 2};
}

ProgressWindowLayout LayOutProgressWindow(int clientWidth, int clientHeight) {
    ProgressWindowLayout layout;
    layout.status = {10, 10, clientWidth - 20, clientHeight - 100};
    layout.bar = {10, clientHeight - 80, clientWidth - 20, 29};
    layout.cancel = {(clientWidth - 100) / 2, clientHeight - 40, 100, 30};
    return layout;
}

}  // namespace packager
