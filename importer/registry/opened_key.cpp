#include "importer/registry/opened_key.h"

namespace registry {

Status OpenedKey::Open(Hkey hive, std::string_view subKey, Access access) {
    Close();
    return api_.RegOpenKeyEx(hive, subKey, access, handle_);
}

Status OpenedKey::Create(Hkey hive, std::string_view subKey, Access access) {
    Close();
    return api_.RegCreateKeyEx(hive, subKey, access, handle_);
}

void OpenedKey::Close() {
    if (handle_ != 0) {
        api_.RegCloseKey(handle_);
        handle_ = 0;
    }
}

}  // namespace registry
