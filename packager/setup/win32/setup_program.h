// setup.exe: installs what SETUP.LST beside it names, or removes an installation again.
//
//   setup.exe                       install (or upgrade) from the program's own folder
//   uninstall.exe /uninstall        remove the installation whose folder holds the program; the
//                                   program's own file and the record are removed by a copy of
//                                   it in the temporary folder once it has ended
//   COPY /uninstall-finish RECORD HANDLE
//                                   that copy: waits for the process HANDLE (inherited), then
//                                   removes what RECORD still lists
//
// Exit codes: 0 done, 1 failed, 2 cancelled by the user.
#pragma once

#include <string>
#include <vector>

namespace setup::win32 {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitCancelled = 2;

int SetupMain(const std::vector<std::wstring>& arguments);

}  // namespace setup::win32
