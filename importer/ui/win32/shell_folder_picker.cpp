#include "importer/ui/win32/shell_folder_picker.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "common/win32/handle_value.h"

namespace basFiles {

namespace {

// The picker's tree is built from shell objects, which need COM on the calling thread. A
// thread whose COM is already set up keeps it as it is.
class ComApartment {
  public:
    ComApartment()
        : initialized_(SUCCEEDED(
              CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (initialized_) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool initialized_;
};

// The item list the picker hands back belongs to the caller.
class ItemList {
  public:
    explicit ItemList(PIDLIST_ABSOLUTE items) : items_(items) {}
    ~ItemList() { CoTaskMemFree(items_); }
    ItemList(const ItemList&) = delete;
    ItemList& operator=(const ItemList&) = delete;
    PIDLIST_ABSOLUTE get() const { return items_; }

  private:
    PIDLIST_ABSOLUTE items_;
};

}  // namespace

std::optional<std::string> ShellFolderPicker::PickFolder(WindowHandle owner,
                                                         std::string_view title) {
    const ComApartment com;
    const std::string instruction(title.substr(0, title.find('\0')));
    char displayName[MAX_PATH] = {};

    BROWSEINFOA browse{};
    browse.hwndOwner = common::win32::HandleFromValue<HWND>(owner);
    browse.pidlRoot = nullptr;  // the desktop
    browse.pszDisplayName = displayName;
    browse.lpszTitle = instruction.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS;

    const ItemList chosen(SHBrowseForFolderA(&browse));
    if (chosen.get() == nullptr) {
        return std::nullopt;
    }
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(chosen.get(), path)) {
        return std::nullopt;  // not a file-system folder after all
    }
    return std::string(path, strnlen(path, sizeof path));
}

}  // namespace basFiles
