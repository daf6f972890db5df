// Security attributes for a folder only this process's user may open: the access list grants
// that user full access, passes itself on to everything created inside, and is protected from
// the entries the parent folder would pass on (such as access for everyone).
#pragma once

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

    // No SID is longer than SECURITY_MAX_SID_SIZE, so both fit without asking for memory.
    alignas(TOKEN_USER) unsigned char user_[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    alignas(ACL) unsigned char acl_[sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) +
                                    SECURITY_MAX_SID_SIZE];
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool ready_ = false;
};

}  // namespace packager::win32
