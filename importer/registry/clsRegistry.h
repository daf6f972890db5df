// clsRegistry: the program's one component for the registry. Every operation opens the key it
// needs, does its one piece of work and closes the key again; only an enumeration and an
// asynchronous change subscription keep a key open inside the object between calls.
//
// A registry failure never escapes as an error: it shows as false, an empty name or the
// caller's default. The one error handed to the caller is the overflow of a number read from
// text (a text value read as a number, or WriteLongFromString's text) that lies outside
// -2147483648 .. 2147483647. The methods whose work can meet it return std::optional of their
// result, and std::nullopt is that overflow: ReadLong, ReadBoolean, ReadCheckBoxState and
// WriteLongFromString. Nothing is written when it happens.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/own_program.h"
#include "importer/registry/form_window.h"
#include "importer/registry/registry_api.h"

namespace registry {

// The services besides the registry that the class uses, injectable so that tests need
// neither the process environment nor the running executable.
struct RegistryServices {
    // Shaped as ExpandEnvironmentStringsA: expands text into destination (size bytes) and
    // returns the size the expansion needs, its NUL counted; 0 on failure.
    std::function<std::uint32_t(std::string_view text, char* destination, std::uint32_t size)>
        expandEnvironmentStrings;
    // The running program's folder and base name.
    std::function<common::ProgramFile()> ownProgramFile;
};

class clsRegistry {
  public:
    // Class_Initialize. The first two use this machine's registry and services; the
    // last takes everything from the caller.
    clsRegistry();
    explicit clsRegistry(RegistryApi& api);
    clsRegistry(RegistryApi& api, RegistryServices services);

    // Class_Terminate: ends an open enumeration and closes a held notification key.
    ~clsRegistry();

    clsRegistry(const clsRegistry&) = delete;
    clsRegistry& operator=(const clsRegistry&) = delete;

    // Names of a hive handle and of a value type; "Unknown" outside the tables.
    std::string HKEY_String(Hkey hive) const;
    std::string REG_String(std::uint32_t typeCode) const;

    // Waits for (synchronous) or subscribes to (asynchronous: event is signalled) a change of
    // hive\key. An asynchronous subscription keeps the key open until the next call or the
    // object's end. filter holds the platform's REG_NOTIFY_CHANGE_* bits.
    bool NotifyChangeKeyValue(Hkey hive, std::string_view key, bool watchSubtree,
                              std::uint32_t filter, EventHandle event, bool asynchronous);

    // One enumeration per object: EnumStart opens the key (ending an open enumeration
    // first), EnumKey / EnumValue read the entry at an index, EnumEnd closes the key. Out
    // parameters are left as they were when the result is false.
    void EnumEnd();
    bool EnumStart(Hkey hive, std::string_view key);
    // data: the value's bytes without their last one (the terminator of a text).
    bool EnumValue(std::int32_t index, std::uint32_t& type, std::string& valueName,
                   std::string& data);
    bool EnumKey(std::int32_t index, std::string& name);

    // The program's entry of the ST6UNST uninstaller below HKEY_LOCAL_MACHINE.
    // RestoreUninstallValue puts the saved uninstall command back and hands it to the caller;
    // BackupUninstallValue puts the program's own command in place, keeping the old one.
    bool RestoreUninstallValue(std::string& command);
    bool BackupUninstallValue();
    // The key path of the entry whose ApplicationName is this program's, or the empty text.
    std::string SearchForUninstallKey();

    // Replaces a text value, first saving the replaced text as "Old_" + valueName unless a
    // saved copy exists; writes nothing when the text already contains the marker (compared
    // in capitals; an empty marker never matches). The replaced text is saved whole, however
    // long; when it cannot be read the backup is refused (false, nothing written).
    bool BackupWriteString(Hkey hive, std::string_view key, std::string_view valueName,
                           std::string_view value, std::string_view marker);
    // Puts the saved copy back and removes it; a copy that cannot be written back is kept.
    void RestoreWriteString(Hkey hive, std::string_view key, std::string_view valueName);

    bool KeyExists(Hkey hive, std::string_view key);
    bool ValueExists(Hkey hive, std::string_view key, std::string_view valueName);

    // A REG_BINARY value of at least one byte into bytes. size receives the size the
    // platform reports even when the result is false; bytes then stay as they were.
    bool ReadBinary(Hkey hive, std::string_view key, std::string_view valueName,
                    std::vector<std::uint8_t>& bytes, std::int32_t& size);

    // A value as text: texts without their terminating NUL (a multi-string keeps one NUL
    // after each string), expandable texts expanded, numbers in decimal, binary data byte by
    // byte. The default for a missing value, other types, or data over 1024 bytes.
    std::string ReadString(Hkey hive, std::string_view key, std::string_view valueName,
                           std::string_view defaultValue);

    // Window placement, stored as a text of numbers in twips separated by blanks. Unless
    // off-screen positions are allowed, the window is kept on the screen. A text with too
    // few fields leaves the window as it is.
    void ReadFormPos(Hkey hive, std::string_view key, std::string_view valueName,
                     FormWindow& window, bool offScreenAllowed);
    void ReadFormPosAndSize(Hkey hive, std::string_view key, std::string_view valueName,
                            FormWindow& window, bool offScreenAllowed);
    void ReadFormSize(Hkey hive, std::string_view key, std::string_view valueName,
                      FormWindow& window);

    // True exactly when ReadLong with the range 0 to 1 gives 1; defaultValue 1 is true.
    [[nodiscard]] std::optional<bool> ReadBoolean(Hkey hive, std::string_view key,
                                                  std::string_view valueName,
                                                  std::int32_t defaultValue);

    // A number: the default when the key cannot be opened (not limited), a DWORD value
    // limited to the range, a text value's leading number (not limited), the default for a
    // missing value and 0 for other types, both limited. A reversed range is swapped.
    [[nodiscard]] std::optional<std::int32_t> ReadLong(Hkey hive, std::string_view key,
                                                       std::string_view valueName,
                                                       std::int32_t defaultValue,
                                                       std::int32_t minimum, std::int32_t maximum);

    // Writes create the key with every missing level when needed. WriteBinary stores the
    // first size bytes of bytes; bytes without an element 0, a negative size or a size beyond
    // the end of bytes give false and touch nothing.
    bool WriteBinary(Hkey hive, std::string_view key, std::string_view valueName,
                     std::span<const std::uint8_t> bytes, std::int32_t size);
    bool WriteString(Hkey hive, std::string_view key, std::string_view valueName,
                     std::string_view value);
    bool WriteFormPosAndSize(Hkey hive, std::string_view key, std::string_view valueName,
                             const FormWindow& window);
    bool WriteFormPos(Hkey hive, std::string_view key, std::string_view valueName,
                      const FormWindow& window);
    bool WriteFormSize(Hkey hive, std::string_view key, std::string_view valueName,
                       const FormWindow& window);
    bool WriteExpandString(Hkey hive, std::string_view key, std::string_view valueName,
                           std::string_view value);
    bool WriteMultiString(Hkey hive, std::string_view key, std::string_view valueName,
                          std::span<const std::string> values);

    // Check box states 0 (unchecked), 1 (checked), 2 (grayed); the grayed value is what a
    // grayed box reads and writes as.
    [[nodiscard]] std::optional<std::int32_t> ReadCheckBoxState(Hkey hive, std::string_view key,
                                                                std::string_view valueName,
                                                                std::int32_t defaultValue,
                                                                std::int32_t grayedValue);
    bool WriteCheckBoxState(Hkey hive, std::string_view key, std::string_view valueName,
                            std::int32_t state, std::int32_t grayedValue);

    // The leading number of text, limited to the range, written as WriteLong does; the
    // result of that write, or std::nullopt (nothing written) for the overflow.
    [[nodiscard]] std::optional<bool> WriteLongFromString(Hkey hive, std::string_view key,
                                                          std::string_view valueName,
                                                          std::string_view text,
                                                          std::int32_t minimum,
                                                          std::int32_t maximum);
    bool WriteBoolean(Hkey hive, std::string_view key, std::string_view valueName,
                      std::int32_t value);
    bool WriteLong(Hkey hive, std::string_view key, std::string_view valueName, std::int32_t value,
                   std::int32_t minimum, std::int32_t maximum);

    // Removes key\subkey with everything below it; false as soon as any part of it cannot
    // be removed (what was removed before stays removed).
    bool DeleteKeyAndSubkeys(Hkey hive, std::string_view key, std::string_view subkey);
    // Removes key\subkey, which must have no subkeys.
    bool DeleteKey(Hkey hive, std::string_view key, std::string_view subkey);
    bool DeleteValue(Hkey hive, std::string_view key, std::string_view valueName);

  private:
    bool EnumKeyByHandle(Hkey key, std::int32_t index, std::string& name);

    // Stores one value, creating the key when missing.
    bool SetValue(Hkey hive, std::string_view key, std::string_view valueName, std::uint32_t type,
                  std::span<const std::uint8_t> data);
    // What ReadString gives with the default "", without its 1024-byte limit; std::nullopt
    // when a value too long for ReadString is there but cannot be read.
    std::optional<std::string> ReadWholeString(Hkey hive, std::string_view key,
                                               std::string_view valueName);
    // Texts as ReadString turns them out, for the types whose data become the text.
    std::optional<std::string> TextFromData(std::uint32_t type, std::string_view data) const;
    std::string ExpandEnvironment(const std::string& text) const;
    std::string OwnUninstallCommand() const;

    RegistryApi& api_;
    RegistryServices services_;

    bool EnumActive = false;
    Hkey EnumKeyHandle = 0;
    Hkey NotifyKeyHandle = 0;
};

}  // namespace registry
