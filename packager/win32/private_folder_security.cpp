#include "packager/win32/private_folder_security.h"

#include "common/win32/scoped_win.h"

namespace packager::win32 {

PrivateFolderSecurity::PrivateFolderSecurity() {
    ready_ = Build();
}

bool PrivateFolderSecurity::Build() {
    HANDLE rawToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) {
        return false;
    }
    const common::win32::UniqueHandle token(rawToken);
    DWORD size = 0;
    if (!::GetTokenInformation(token.Get(), TokenUser, user_, sizeof user_, &size)) {
        return false;
    }
    PSID user = reinterpret_cast<TOKEN_USER*>(user_)->User.Sid;

    const DWORD aclSize =
        sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + ::GetLengthSid(user);
    PACL acl = reinterpret_cast<PACL>(acl_);
    if (aclSize > sizeof acl_ || !::InitializeAcl(acl, aclSize, ACL_REVISION) ||
        !::AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                 FILE_ALL_ACCESS, user) ||
        !::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
        !::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
        return false;
    }
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &descriptor_;
    attributes_.bInheritHandle = FALSE;
    return true;
}

}  // namespace packager::win32
