#include "tests/importer/itunes/com/server_registration_win32.h"

#include <objbase.h>

#include <string>

#include "tests/importer/itunes/com/fake_itunes_control.h"

namespace fake_itunes {
namespace {

const std::wstring kProgIdKey = L"Software\\Classes\\iTunes.Application";
const std::wstring kClassKey = L"Software\\Classes\\CLSID\\" VEXO_FAKE_ITUNES_CLSID;

bool SetText(HKEY hive, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY opened = nullptr;
    if (RegCreateKeyExW(hive, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG status =
        RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
    return status == ERROR_SUCCESS;
}

// An "iTunes.Application" of another server is left alone; a leftover of an earlier run that
// did not get to clean up is ours to replace.
bool HeldByAnother(HKEY hive) {
    wchar_t classId[64] = {};
    DWORD size = sizeof classId;
    const LONG status = RegGetValueW(hive, (kProgIdKey + L"\\CLSID").c_str(), nullptr,
                                     RRF_RT_REG_SZ, nullptr, classId, &size);
    if (status == ERROR_FILE_NOT_FOUND) {
        return false;
    }
    return status != ERROR_SUCCESS || std::wstring(classId) != VEXO_FAKE_ITUNES_CLSID;
}

void Unregister(HKEY hive) {
    RegDeleteTreeW(hive, kProgIdKey.c_str());
    RegDeleteTreeW(hive, kClassKey.c_str());
}

bool Register(HKEY hive, const std::wstring& server) {
    return SetText(hive, kProgIdKey + L"\\CLSID", nullptr, VEXO_FAKE_ITUNES_CLSID) &&
           SetText(hive, kClassKey + L"\\ProgID", nullptr, L"iTunes.Application") &&
           SetText(hive, kClassKey + L"\\InprocServer32", nullptr, server) &&
           SetText(hive, kClassKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
}

// Whether COM now finds the test server by the identifier.
bool Registered() {
    CLSID found;
    CLSID served;
    return SUCCEEDED(CLSIDFromProgID(L"iTunes.Application", &found)) &&
           SUCCEEDED(CLSIDFromString(VEXO_FAKE_ITUNES_CLSID, &served)) &&
           IsEqualCLSID(found, served);
}

std::wstring ServerPath() {
    // Loaded with the test program, which links its control functions.
    const HMODULE server = GetModuleHandleW(L"fake_itunes_server.dll");
    wchar_t path[MAX_PATH] = {};
    const DWORD length = server == nullptr ? 0 : GetModuleFileNameW(server, path, MAX_PATH);
    return length == 0 || length == MAX_PATH ? std::wstring() : std::wstring(path, length);
}

}  // namespace

// An abandoned lock (a test program that died) is ours as well; its registration is replaced
// below.
ServerRegistration::ServerRegistration()
    : mutex_(CreateMutexW(nullptr, FALSE, L"VEXO.FakeITunesServerRegistration")),
      lock_(mutex_.Get()) {
    const std::wstring server = ServerPath();
    if (server.empty() || !lock_.Held()) {
        return;
    }
    for (const HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        if (HeldByAnother(hive)) {
            return;
        }
        const bool written = Register(hive, server);
        if (written && Registered()) {
            hive_ = hive;
            return;
        }
        Unregister(hive);
    }
}

ServerRegistration::~ServerRegistration() {
    if (hive_ != nullptr) {
        Unregister(hive_);
    }
}

}  // namespace fake_itunes
