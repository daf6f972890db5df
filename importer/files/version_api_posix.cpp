#include "importer/files/own_version_api.h"
#include "importer/files/version_api.h"

namespace basFiles {

// Without the Windows version library, our own reader of the format answers.
VersionInfoApi& SystemVersionInfoApi() {
    static OwnVersionInfoApi api;
    return api;
}

}  // namespace basFiles
