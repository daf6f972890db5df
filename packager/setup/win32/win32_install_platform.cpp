#include "packager/setup/win32/win32_install_platform.h"

#include <shlobj.h>

#include <array>
#include <cstring>
#include <optional>

#include "common/win32/scoped_win.h"

namespace setup::win32 {
namespace {

using common::win32::ComPtr;
using common::win32::UniqueHandle;

struct RegistryKeyTraits {
    using Handle = HKEY;
    static HKEY None() { return nullptr; }
    static bool Valid(HKEY key) { return key != nullptr; }
    static bool Close(HKEY key) { return ::RegCloseKey(key) == ERROR_SUCCESS; }
};
using RegistryKey = common::win32::UniqueResource<RegistryKeyTraits>;

constexpr DWORD kCopyBlock = 64 * 1024;

bool IsMissing(DWORD code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

// "HKLM\Software\..." as its hive and the path below it.
struct KeyPath {
    HKEY hive = nullptr;
    std::wstring below;
};

std::optional<KeyPath> SplitKey(const std::string& key) {
    const std::size_t cut = key.find('\\');
    const std::string hive = key.substr(0, cut);
    KeyPath path;
    if (hive == "HKLM") {
        path.hive = HKEY_LOCAL_MACHINE;
    } else if (hive == "HKCU") {
        path.hive = HKEY_CURRENT_USER;
    } else {
        return std::nullopt;
    }
    if (cut != std::string::npos) {
        path.below = Wide(key.substr(cut + 1));
    }
    return path;
}

// The key opened with these rights; the error code of the failure when it cannot be.
std::optional<RegistryKey> OpenKey(const std::string& key, REGSAM rights, LSTATUS& status) {
    const std::optional<KeyPath> path = SplitKey(key);
    if (!path) {
        status = ERROR_INVALID_PARAMETER;
        return std::nullopt;
    }
    RegistryKey opened;
    status = ::RegOpenKeyExW(path->hive, path->below.c_str(), 0, rights, opened.Receive());
    if (status != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return opened;
}

bool WriteAll(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    return ::WriteFile(file, data, size, &written, nullptr) && written == size;
}

UniqueHandle CreateNew(const std::string& path) {
    return UniqueHandle(::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

bool Win32InstallPlatform::Failed(DWORD code) {
    error_ = code;
    return false;
}

std::string Win32InstallPlatform::LastError() {
    if (error_ == ERROR_SUCCESS) {
        return {};
    }
    common::win32::LocalMemory<wchar_t*> text;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error_, 0, reinterpret_cast<wchar_t*>(text.Receive()), 0, nullptr);
    std::string message = length > 0 ? Narrow(std::wstring_view(text.Get(), length)) : "";
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    return (message.empty() ? std::string("error") : message) + ", code " + std::to_string(error_);
}

InstallPlatform::PathKind Win32InstallPlatform::Find(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return PathKind::kMissing;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::kFolder : PathKind::kFile;
}

std::optional<std::uint64_t> Win32InstallPlatform::FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) {
        Failed();
        return std::nullopt;
    }
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

std::optional<std::string> Win32InstallPlatform::ReadFile(const std::string& path) {
    const UniqueHandle file(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        Failed();
        return std::nullopt;
    }
    std::string text;
    std::array<char, 4096> block;
    for (DWORD read = 1; read > 0; text.append(block.data(), read)) {
        if (!::ReadFile(file.Get(), block.data(), static_cast<DWORD>(block.size()), &read,
                        nullptr)) {
            Failed();
            return std::nullopt;
        }
    }
    return text;
}

bool Win32InstallPlatform::CreateFolder(const std::string& path) {
    return ::CreateDirectoryW(Wide(path).c_str(), nullptr) || Failed();
}

bool Win32InstallPlatform::CopyFile(const std::string& from, const std::string& to) {
    const UniqueHandle source(::CreateFileW(Wide(from).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                                            nullptr));
    if (!source) {
        return Failed();
    }
    const UniqueHandle target = CreateNew(to);
    if (!target) {
        return Failed();
    }
    std::string block(kCopyBlock, '\0');
    DWORD read = 0;
    while (true) {
        if (!::ReadFile(source.Get(), block.data(), kCopyBlock, &read, nullptr)) {
            return Failed();
        }
        if (read == 0) {
            break;
        }
        if (!WriteAll(target.Get(), block.data(), read)) {
            return Failed();
        }
    }
    return ::FlushFileBuffers(target.Get()) || Failed();
}

bool Win32InstallPlatform::WriteFile(const std::string& path, std::string_view text) {
    const UniqueHandle file = CreateNew(path);
    if (!file) {
        return Failed();
    }
    return (WriteAll(file.Get(), text.data(), static_cast<DWORD>(text.size())) &&
            ::FlushFileBuffers(file.Get())) ||
           Failed();
}

bool Win32InstallPlatform::AppendFile(const std::string& path, std::string_view text) {
    const UniqueHandle file(::CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA, 0, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return Failed();
    }
    return (WriteAll(file.Get(), text.data(), static_cast<DWORD>(text.size())) &&
            ::FlushFileBuffers(file.Get())) ||
           Failed();
}

bool Win32InstallPlatform::CreateShortcut(const Shortcut& shortcut) {
    if (Find(shortcut.path) != PathKind::kMissing) {
        return Failed(ERROR_FILE_EXISTS);
    }
    ComPtr<IShellLinkW> link;
    HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IShellLinkW, reinterpret_cast<void**>(link.Receive()));
    if (FAILED(result)) {
        return Failed(static_cast<DWORD>(result));
    }
    const ComPtr<IPersistFile> file = link.As<IPersistFile>(IID_IPersistFile);
    if (!file) {
        return Failed(static_cast<DWORD>(E_NOINTERFACE));
    }
    if (FAILED(result = link->SetPath(Wide(shortcut.target).c_str())) ||
        FAILED(result = link->SetWorkingDirectory(Wide(shortcut.workingFolder).c_str())) ||
        FAILED(result = link->SetDescription(Wide(shortcut.description).c_str())) ||
        FAILED(result = file->Save(Wide(shortcut.path).c_str(), TRUE))) {
        return Failed(static_cast<DWORD>(result));
    }
    return true;
}

bool Win32InstallPlatform::RemoveFile(const std::string& path) {
    const std::wstring wide = Wide(path);
    if (::DeleteFileW(wide.c_str())) {
        return true;
    }
    DWORD code = ::GetLastError();
    // A file someone made read-only since is still the install's to remove.
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) ==
            FILE_ATTRIBUTE_READONLY &&
        ::SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
        if (::DeleteFileW(wide.c_str())) {
            return true;
        }
        code = ::GetLastError();
        ::SetFileAttributesW(wide.c_str(), attributes);
    }
    return IsMissing(code) || Failed(code);
}

bool Win32InstallPlatform::RemoveEmptyFolder(const std::string& path) {
    if (::RemoveDirectoryW(Wide(path).c_str())) {
        return true;
    }
    const DWORD code = ::GetLastError();
    return IsMissing(code) || Failed(code);
}

bool Win32InstallPlatform::MoveFile(const std::string& from, const std::string& to) {
    return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH) || Failed();
}

bool Win32InstallPlatform::KeyExists(const std::string& key) {
    LSTATUS status = ERROR_SUCCESS;
    return OpenKey(key, KEY_READ, status).has_value();
}

bool Win32InstallPlatform::CreateKey(const std::string& key) {
    const std::optional<KeyPath> path = SplitKey(key);
    if (!path) {
        return Failed(ERROR_INVALID_PARAMETER);
    }
    RegistryKey created;
    const LSTATUS status =
        ::RegCreateKeyExW(path->hive, path->below.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_WRITE, nullptr, created.Receive(), nullptr);
    return status == ERROR_SUCCESS || Failed(static_cast<DWORD>(status));
}

ValueRead Win32InstallPlatform::ReadValue(const std::string& key, const std::string& name) {
    LSTATUS status = ERROR_SUCCESS;
    const std::optional<RegistryKey> opened = OpenKey(key, KEY_QUERY_VALUE, status);
    if (!opened) {
        return {};
    }
    const std::wstring wideName = Wide(name);
    DWORD type = 0;
    DWORD size = 0;
    status = ::RegQueryValueExW(opened->Get(), wideName.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) {
        return {};
    }
    ValueRead read{ValueRead::Status::kUnreadable, {}};
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_DWORD)) {
        return read;
    }
    std::wstring data((size + 1) / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    status = ::RegQueryValueExW(opened->Get(), wideName.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &size);
    if (status != ERROR_SUCCESS) {
        return read;
    }
    read.status = ValueRead::Status::kFound;
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD number = 0;
        std::memcpy(&number, data.data(), sizeof number);
        read.value = RegistryValue::Number(number);
    } else if (type == REG_SZ) {
        data.resize(size / sizeof(wchar_t));
        while (!data.empty() && data.back() == L'\0') {
            data.pop_back();
        }
        read.value = RegistryValue::Text(Narrow(data));
    } else {
        read.status = ValueRead::Status::kUnreadable;
    }
    return read;
}

bool Win32InstallPlatform::SetRegistryValue(const std::string& key, const std::string& name,
                                            DWORD type, const void* data, DWORD size) {
    LSTATUS status = ERROR_SUCCESS;
    const std::optional<RegistryKey> opened = OpenKey(key, KEY_SET_VALUE, status);
    if (opened) {
        status = ::RegSetValueExW(opened->Get(), Wide(name).c_str(), 0, type,
                                  static_cast<const BYTE*>(data), size);
    }
    return status == ERROR_SUCCESS || Failed(static_cast<DWORD>(status));
}

bool Win32InstallPlatform::SetValue(const std::string& key, const std::string& name,
                                    const std::string& text) {
    const std::wstring wide = Wide(text);
    return SetRegistryValue(key, name, REG_SZ, wide.c_str(),
                            static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

bool Win32InstallPlatform::SetNumber(const std::string& key, const std::string& name,
                                     std::uint32_t number) {
    const DWORD value = number;
    return SetRegistryValue(key, name, REG_DWORD, &value, sizeof value);
}

bool Win32InstallPlatform::DeleteValue(const std::string& key, const std::string& name) {
    LSTATUS status = ERROR_SUCCESS;
    const std::optional<RegistryKey> opened = OpenKey(key, KEY_SET_VALUE, status);
    if (opened) {
        status = ::RegDeleteValueW(opened->Get(), Wide(name).c_str());
    }
    return status == ERROR_SUCCESS || IsMissing(static_cast<DWORD>(status)) ||
           Failed(static_cast<DWORD>(status));
}

bool Win32InstallPlatform::DeleteEmptyKey(const std::string& key) {
    const std::optional<KeyPath> path = SplitKey(key);
    if (!path || path->below.empty()) {
        return Failed(ERROR_INVALID_PARAMETER);
    }
    // RegDeleteKeyW takes the key's values with it and refuses a key that has subkeys.
    const LSTATUS status = ::RegDeleteKeyW(path->hive, path->below.c_str());
    return status == ERROR_SUCCESS || IsMissing(static_cast<DWORD>(status)) ||
           Failed(static_cast<DWORD>(status));
}

}  // namespace setup::win32
