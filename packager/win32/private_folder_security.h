// Security attributes for a folder only this process's user may open: the access list grants
// that user full access, passes itself on to everything created inside, and is protected from
// the entries the parent folder would pass on (such as access for everyone).
#pragma once

#include <vector>

#include "common/win32/windows_api.h"

namespace packager::win32 {

class PrivateFolderSecurity {
  public:
    PrivateFolderSecurity();
    // The attributes point into this object, which therefore stays where it is.
    PrivateFolderSecurity(const PrivateFolderSecurity&) = delete;
    PrivateFolderSecurity& operator=(const PrivateFolderSecurity&) = delete;

    // Null when the user's identity could not be read or the list not built.
    SECURITY_ATTRIBUTES* Attributes() { return ready_ ? &attributes_ : nullptr; }

  private:
    bool Build();

    std::vector<unsigned char> user_;  // TOKEN_USER, with the user's SID
    std::vector<unsigned char> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool ready_ = false;
};

}  // namespace packager::win32
