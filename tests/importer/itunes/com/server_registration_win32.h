// Registers the test server as "iTunes.Application", pointing COM at the DLL the test program
// already loaded, and removes the registration again. Windows reads a registration of the
// current user's; Wine (8) reads only the machine's, so there the test's own prefix gets a
// machine registration - never over one that is already there. Test programs running at the
// same time share the name, so each holds it under a lock for as long as it is registered.
#pragma once

#include <windows.h>

#include "common/win32/scoped_win.h"

namespace fake_itunes {

class ServerRegistration {
  public:
    ServerRegistration();
    ~ServerRegistration();
    ServerRegistration(const ServerRegistration&) = delete;
    ServerRegistration& operator=(const ServerRegistration&) = delete;

    bool Ok() const { return hive_ != nullptr; }

  private:
    common::win32::UniqueHandle mutex_;
    common::win32::MutexLock lock_;
    HKEY hive_ = nullptr;  // where the registration was written and is removed from
};

}  // namespace fake_itunes
