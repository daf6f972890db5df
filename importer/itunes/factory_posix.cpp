#include "importer/itunes/itunes.h"
#include "importer/itunes/library/library_application.h"

namespace itunes {

// Without COM, the one application this machine offers is the embedded library.
Ref<Application> CreateObject(std::string_view programmaticId) {
    if (programmaticId != kApplicationId) {
        return nullptr;
    }
    return library::OpenInstalledLibrary();
}

}  // namespace itunes
