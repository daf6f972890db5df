#include "importer/registry/clsRegistry.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

#include "common/ascii_case.h"
#include "common/byte_order.h"
#include "importer/files/numbers.h"
#include "importer/files/path.h"
#include "importer/files/text.h"
#include "importer/registry/placement_text.h"

namespace registry {
namespace {

// ReadString reads a value into a buffer of this many bytes; longer data read as missing.
constexpr std::uint32_t kReadStringBufferSize = 1024;

// Enumeration buffers: a subkey name starts at 256 characters, a value's data at 256 bytes
// and its name at 260 characters; on ERROR_MORE_DATA they grow by 256 up to 8192.
constexpr std::uint32_t kEnumKeyNameLength = 256;
constexpr std::uint32_t kEnumValueNameLength = 260;
constexpr std::uint32_t kEnumValueDataSize = 256;
constexpr std::uint32_t kEnumGrowth = 256;
constexpr std::uint32_t kEnumLimit = 8192;
// A repeated RegEnumValue offers room for the longest value name the registry allows
// (16383 characters and the NUL), so that a long name cannot keep the value unreadable.
constexpr std::uint32_t kEnumValueRetryNameLength = 16384;

// Reading a value whole retries this often when the value keeps growing between the calls.
constexpr int kWholeReadAttempts = 4;

constexpr std::string_view kBackupPrefix = "Old_";
constexpr std::string_view kUninstallKeyPrefix =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ST6UNST #";
constexpr int kLastUninstallEntry = 1000;

// A key handle obtained from the registry, closed when the holder goes.
class HeldKey {
  public:
    HeldKey(RegistryApi& api, Hkey handle) : api_(&api), handle_(handle) {}
    ~HeldKey() { Close(); }
    HeldKey(HeldKey&& other) noexcept
        : api_(other.api_), handle_(std::exchange(other.handle_, 0)) {}
    HeldKey(const HeldKey&) = delete;
    HeldKey& operator=(const HeldKey&) = delete;
    HeldKey& operator=(HeldKey&&) = delete;

    static HeldKey Open(RegistryApi& api, Hkey hive, std::string_view path, Access access) {
        Hkey opened = 0;
        const bool ok = api.RegOpenKeyEx(hive, path, access, opened) == kErrorSuccess;
        return HeldKey(api, ok ? opened : 0);
    }
    static HeldKey Create(RegistryApi& api, Hkey hive, std::string_view path, Access access) {
        Hkey created = 0;
        const bool ok = api.RegCreateKeyEx(hive, path, access, created) == kErrorSuccess;
        return HeldKey(api, ok ? created : 0);
    }

    explicit operator bool() const { return handle_ != 0; }
    Hkey get() const { return handle_; }
    void Close() {
        if (handle_ != 0) {
            api_->RegCloseKey(handle_);
            handle_ = 0;
        }
    }

  private:
    RegistryApi* api_;
    Hkey handle_;
};

bool IsText(std::uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}
bool IsDword(std::uint32_t type) {
    return type == kRegDword || type == kRegDwordBigEndian;
}

std::string_view AsChars(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}
std::span<const std::uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string ToUpper(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), common::AsciiUpper);
    return upper;
}

std::string JoinKey(std::string_view key, std::string_view subkey) {
    std::string path(key);
    path += '\\';
    path += subkey;
    return path;
}

std::string BackupName(std::string_view valueName) {
    std::string name(kBackupPrefix);
    name += valueName;
    return name;
}

std::int32_t Limit(std::int32_t value, std::int32_t minimum, std::int32_t maximum) {
    return std::clamp(value, minimum, maximum);
}

void OrderRange(std::int32_t& minimum, std::int32_t& maximum) {
    if (maximum < minimum) {
        std::swap(minimum, maximum);
    }
}

std::optional<std::int32_t> NumberFromText(std::string_view text) {
    return basFiles::RoundToLong(basFiles::LeadingNumber(text));
}

// An enumeration index goes to the platform as the unsigned number it stands for there.
std::uint32_t PlatformIndex(std::int32_t index) {
    return static_cast<std::uint32_t>(index);
}

}  // namespace

clsRegistry::clsRegistry(RegistryApi& api, RegistryServices services)
    : api_(api), services_(std::move(services)) {}

clsRegistry::~clsRegistry() {
    EnumEnd();
    if (NotifyKeyHandle != 0) {
        api_.RegCloseKey(NotifyKeyHandle);
        NotifyKeyHandle = 0;
    }
}

// ---- Names --------------------------------------------------------------------------------

std::string clsRegistry::HKEY_String(Hkey hive) const {
    switch (hive) {
        case kHkeyClassesRoot:
            return "HKEY_CLASSES_ROOT";
        case kHkeyCurrentUser:
            return "HKEY_CURRENT_USER";
        case kHkeyLocalMachine:
            return "HKEY_LOCAL_MACHINE";
        case kHkeyUsers:
            return "HKEY_USERS";
        case kHkeyPerformanceData:
            return "HKEY_PERFORMANCE_DATA";
        case kHkeyCurrentConfig:
            return "HKEY_CURRENT_CONFIG";
        case kHkeyDynData:
            return "HKEY_DYN_DATA";
        default:
            return "Unknown";
    }
}

std::string clsRegistry::REG_String(std::uint32_t typeCode) const {
    switch (typeCode) {
        case kRegSz:
            return "REG_SZ";
        case kRegExpandSz:
            return "REG_EXPAND_SZ";
        case kRegBinary:
            return "REG_BINARY";
        case kRegDword:
            return "REG_DWORD";
        case kRegDwordBigEndian:
            return "REG_DWORD_BIG_ENDIAN";
        case kRegLink:
            return "REG_LINK";
        case kRegMultiSz:
            return "REG_MULTI_SZ";
        default:
            return "Unknown";
    }
}

// ---- Change notification and enumeration -------------------------------------------------

bool clsRegistry::NotifyChangeKeyValue(Hkey hive, std::string_view key, bool watchSubtree,
                                       std::uint32_t filter, EventHandle event, bool asynchronous) {
    if (NotifyKeyHandle != 0) {
        api_.RegCloseKey(NotifyKeyHandle);
        NotifyKeyHandle = 0;
    }
    Hkey opened = 0;
    if (api_.RegOpenKeyEx(hive, key, kKeyNotify, opened) != kErrorSuccess) {
        return false;
    }
    NotifyKeyHandle = opened;
    const bool ok = api_.RegNotifyChangeKeyValue(NotifyKeyHandle, watchSubtree, filter, event,
                                                 asynchronous) == kErrorSuccess;
    // An asynchronous subscription lasts only as long as its key is open, so the key stays
    // with the object; a synchronous call has done its waiting.
    if (!asynchronous) {
        api_.RegCloseKey(NotifyKeyHandle);
        NotifyKeyHandle = 0;
    }
    return ok;
}

void clsRegistry::EnumEnd() {
    if (!EnumActive) {
        return;
    }
    EnumActive = false;
    if (EnumKeyHandle != 0) {
        api_.RegCloseKey(EnumKeyHandle);
    }
    EnumKeyHandle = 0;
}

bool clsRegistry::EnumStart(Hkey hive, std::string_view key) {
    EnumEnd();
    Hkey opened = 0;
    if (api_.RegOpenKeyEx(hive, key, kKeyEnumerateSubKeys | kKeyQueryValue, opened) !=
        kErrorSuccess) {
        EnumKeyHandle = 0;
        return false;
    }
    EnumKeyHandle = opened;
    EnumActive = true;
    return true;
}

bool clsRegistry::EnumValue(std::int32_t index, std::uint32_t& type, std::string& valueName,
                            std::string& data) {
    if (!EnumActive) {
        return false;
    }
    std::uint32_t nameCapacity = kEnumValueNameLength;
    std::uint32_t dataCapacity = kEnumValueDataSize;
    for (;;) {
        std::vector<char> name(nameCapacity);
        std::vector<std::uint8_t> bytes(dataCapacity);
        std::uint32_t nameLength = nameCapacity;
        std::uint32_t dataSize = dataCapacity;
        std::uint32_t valueType = kRegNone;
        const Status status = api_.RegEnumValue(EnumKeyHandle, PlatformIndex(index), name.data(),
                                                nameLength, &valueType, bytes.data(), &dataSize);
        if (status == kErrorMoreData) {
            const std::uint64_t next = std::uint64_t{dataSize} + kEnumGrowth;
            if (next > kEnumLimit) {
                return false;
            }
            // When the data fitted, the name was what did not; once the name has all the room
            // a name can need, a repeat that offers no more data would only repeat itself.
            if (next <= dataCapacity && nameCapacity == kEnumValueRetryNameLength) {
                return false;
            }
            dataCapacity = static_cast<std::uint32_t>(next);
            nameCapacity = kEnumValueRetryNameLength;
            continue;
        }
        if (status != kErrorSuccess) {
            return false;
        }
        const std::size_t received = std::min(dataSize, dataCapacity);
        type = valueType;
        valueName.assign(name.data(), std::min(nameLength, nameCapacity));
        data = received == 0 ? std::string() : std::string(AsChars(bytes).substr(0, received - 1));
        return true;
    }
}

bool clsRegistry::EnumKey(std::int32_t index, std::string& name) {
    if (!EnumActive) {
        return false;
    }
    return EnumKeyByHandle(EnumKeyHandle, index, name);
}

bool clsRegistry::EnumKeyByHandle(Hkey key, std::int32_t index, std::string& name) {
    for (std::uint32_t capacity = kEnumKeyNameLength; capacity <= kEnumLimit;
         capacity += kEnumGrowth) {
        std::vector<char> buffer(capacity);
        std::uint32_t length = capacity;
        const Status status = api_.RegEnumKeyEx(key, PlatformIndex(index), buffer.data(), length);
        if (status == kErrorSuccess) {
            name.assign(buffer.data(), std::min(length, capacity));
            return true;
        }
        if (status != kErrorMoreData) {
            return false;
        }
    }
    return false;
}

// ---- Uninstall entry ---------------------------------------------------------------------

bool clsRegistry::RestoreUninstallValue(std::string& command) {
    const std::string key = SearchForUninstallKey();
    if (key.empty()) {
        return false;
    }
    const std::string backupName = BackupName("UninstallString");
    if (!ValueExists(kHkeyLocalMachine, key, backupName)) {
        return false;
    }
    command = ReadWholeString(kHkeyLocalMachine, key, backupName).value_or(std::string());
    if (command.empty()) {
        return false;
    }
    RestoreWriteString(kHkeyLocalMachine, key, "UninstallString");
    return true;
}

bool clsRegistry::BackupUninstallValue() {
    const std::string command = OwnUninstallCommand();
    const std::string key = SearchForUninstallKey();
    if (key.empty()) {
        return false;
    }
    if (!ValueExists(kHkeyLocalMachine, key, "UninstallString")) {
        return false;
    }
    // The command is its own marker: once it is in place, a further backup writes nothing.
    return BackupWriteString(kHkeyLocalMachine, key, "UninstallString", command, command);
}

std::string clsRegistry::SearchForUninstallKey() {
    const common::ProgramFile program =
        services_.ownProgramFile ? services_.ownProgramFile() : common::ProgramFile{};
    const std::string wanted = ToUpper(program.baseName + ".EXE");
    for (int entry = 0; entry <= kLastUninstallEntry; ++entry) {
        std::string path(kUninstallKeyPrefix);
        path += std::to_string(entry);
        if (ToUpper(ReadString(kHkeyLocalMachine, path, "ApplicationName", "")) == wanted) {
            return path;
        }
    }
    return {};
}

std::string clsRegistry::OwnUninstallCommand() const {
    const common::ProgramFile program =
        services_.ownProgramFile ? services_.ownProgramFile() : common::ProgramFile{};
    return basFiles::AddTrailing(program.folder, basFiles::kPathSeparator) + program.baseName +
           ".EXE /uninstall";
}

bool clsRegistry::BackupWriteString(Hkey hive, std::string_view key, std::string_view valueName,
                                    std::string_view value, std::string_view marker) {
    // Read whole, not through ReadString's 1024 bytes, so that a long text is saved as it
    // is rather than as the empty text; one that cannot be read is not replaced at all.
    const std::optional<std::string> current = ReadWholeString(hive, key, valueName);
    if (!current) {
        return false;
    }
    if (!marker.empty() && ToUpper(*current).find(ToUpper(marker)) != std::string::npos) {
        return true;
    }
    const std::string backupName = BackupName(valueName);
    // The first saved text is kept: repeated backups must not save our own text over it.
    if (!ValueExists(hive, key, backupName)) {
        if (!WriteString(hive, key, backupName, *current)) {
            return false;
        }
    }
    return WriteString(hive, key, valueName, value);
}

void clsRegistry::RestoreWriteString(Hkey hive, std::string_view key, std::string_view valueName) {
    const std::string backupName = BackupName(valueName);
    if (!ValueExists(hive, key, backupName)) {
        return;
    }
    const std::optional<std::string> saved = ReadWholeString(hive, key, backupName);
    if (!saved) {
        return;
    }
    // The saved copy is the only record of the replaced text: it goes only once it is back.
    if (WriteString(hive, key, valueName, *saved)) {
        DeleteValue(hive, key, backupName);
    }
}

std::optional<std::string> clsRegistry::ReadWholeString(Hkey hive, std::string_view key,
                                                        std::string_view valueName) {
    HeldKey opened = HeldKey::Open(api_, hive, key, kKeyRead);
    if (!opened) {
        return std::string();
    }
    std::uint32_t type = kRegNone;
    std::uint32_t size = 0;
    if (api_.RegQueryValueEx(opened.get(), valueName, &type, nullptr, &size) != kErrorSuccess) {
        return std::string();
    }
    if (size <= kReadStringBufferSize) {
        opened.Close();
        return ReadString(hive, key, valueName, "");
    }
    std::vector<std::uint8_t> data;
    for (int attempt = 0; attempt < kWholeReadAttempts; ++attempt) {
        data.assign(size, 0);
        std::uint32_t received = size;
        const Status status =
            api_.RegQueryValueEx(opened.get(), valueName, &type, data.data(), &received);
        if (status == kErrorSuccess) {
            const std::string_view bytes =
                AsChars(data).substr(0, std::min<std::size_t>(received, data.size()));
            return TextFromData(type, bytes).value_or(std::string());
        }
        if (status != kErrorMoreData) {
            return std::nullopt;
        }
        size = received;
    }
    return std::nullopt;
}

// ---- Existence and reading ---------------------------------------------------------------

bool clsRegistry::KeyExists(Hkey hive, std::string_view key) {
    return static_cast<bool>(HeldKey::Open(api_, hive, key, kKeyRead));
}

bool clsRegistry::ValueExists(Hkey hive, std::string_view key, std::string_view valueName) {
    HeldKey opened = HeldKey::Open(api_, hive, key, kKeyRead);
    if (!opened) {
        return false;
    }
    return api_.RegQueryValueEx(opened.get(), valueName, nullptr, nullptr, nullptr) ==
           kErrorSuccess;
}

bool clsRegistry::ReadBinary(Hkey hive, std::string_view key, std::string_view valueName,
                             std::vector<std::uint8_t>& bytes, std::int32_t& size) {
    HeldKey opened = HeldKey::Open(api_, hive, key, kKeyRead);
    if (!opened) {
        return false;
    }
    // A data buffer of 0 bytes (not a missing one) makes the platform answer ERROR_MORE_DATA
    // with the size for every value that holds at least one byte.
    std::uint8_t probe = 0;
    std::uint32_t type = kRegBinary;
    std::uint32_t reported = 0;
    const Status status = api_.RegQueryValueEx(opened.get(), valueName, &type, &probe, &reported);
    size = static_cast<std::int32_t>(reported);
    if (status != kErrorMoreData || type != kRegBinary) {
        return false;
    }
    bytes.assign(reported, 0);
    std::uint32_t received = reported;
    const Status second =
        api_.RegQueryValueEx(opened.get(), valueName, &type, bytes.data(), &received);
    size = static_cast<std::int32_t>(received);
    return second == kErrorSuccess && type == kRegBinary;
}

std::string clsRegistry::ReadString(Hkey hive, std::string_view key, std::string_view valueName,
                                    std::string_view defaultValue) {
    HeldKey opened = HeldKey::Open(api_, hive, key, kKeyRead);
    if (!opened) {
        return std::string(defaultValue);
    }
    std::array<std::uint8_t, kReadStringBufferSize> buffer{};
    std::uint32_t type = kRegNone;
    std::uint32_t size = kReadStringBufferSize;
    if (api_.RegQueryValueEx(opened.get(), valueName, &type, buffer.data(), &size) !=
        kErrorSuccess) {
        return std::string(defaultValue);
    }
    if (IsDword(type)) {
        opened.Close();
        // A DWORD cannot overflow; std::nullopt would mean the value became a text between
        // the two reads.
        const std::optional<std::int32_t> number =
            ReadLong(hive, key, valueName, 0, std::numeric_limits<std::int32_t>::min(),
                     std::numeric_limits<std::int32_t>::max());
        return number ? std::to_string(*number) : std::string(defaultValue);
    }
    const std::string_view data = AsChars(buffer).substr(0, std::min(size, kReadStringBufferSize));
    return TextFromData(type, data).value_or(std::string(defaultValue));
}

std::optional<std::string> clsRegistry::TextFromData(std::uint32_t type,
                                                     std::string_view data) const {
    if (IsText(type)) {
        // Without the last byte, the terminating NUL; a multi-string keeps the NUL after
        // each of its strings.
        std::string text(data.empty() ? std::string_view() : data.substr(0, data.size() - 1));
        return type == kRegExpandSz ? ExpandEnvironment(text) : text;
    }
    if (type == kRegBinary) {
        return std::string(data);
    }
    return std::nullopt;
}

std::string clsRegistry::ExpandEnvironment(const std::string& text) const {
    if (!services_.expandEnvironmentStrings) {
        return text;
    }
    const auto& expand = services_.expandEnvironmentStrings;
    const std::uint32_t needed = expand(text, nullptr, 0);
    if (needed == std::numeric_limits<std::uint32_t>::max()) {
        return {};
    }
    std::string buffer(std::size_t{needed} + 1, '\0');
    if (expand(text, buffer.data(), needed) < 1) {
        return {};
    }
    return buffer.substr(0, buffer.find('\0'));
}

std::optional<bool> clsRegistry::ReadBoolean(Hkey hive, std::string_view key,
                                             std::string_view valueName,
                                             std::int32_t defaultValue) {
    const std::optional<std::int32_t> number = ReadLong(hive, key, valueName, defaultValue, 0, 1);
    if (!number) {
        return std::nullopt;
    }
    return *number == 1;
}

std::optional<std::int32_t> clsRegistry::ReadLong(Hkey hive, std::string_view key,
                                                  std::string_view valueName,
                                                  std::int32_t defaultValue, std::int32_t minimum,
                                                  std::int32_t maximum) {
    OrderRange(minimum, maximum);
    HeldKey opened = HeldKey::Open(api_, hive, key, kKeyRead);
    if (!opened) {
        return defaultValue;  // as passed in, not limited
    }
    std::uint32_t type = kRegNone;
    std::uint32_t size = 0;
    std::int32_t candidate = defaultValue;
    if (api_.RegQueryValueEx(opened.get(), valueName, &type, nullptr, &size) == kErrorSuccess) {
        if (IsDword(type)) {
            // Big-endian data are read as they lie, without swapping, as the platform's own
            // readers of a DWORD do.
            std::array<std::uint8_t, 4> bytes{};
            std::uint32_t received = bytes.size();
            if (api_.RegQueryValueEx(opened.get(), valueName, nullptr, bytes.data(), &received) ==
                kErrorSuccess) {
                candidate = static_cast<std::int32_t>(common::LoadLe32(bytes.data()));
            }
        } else if (IsText(type)) {
            // A number kept as text is taken as written, not limited to the range.
            opened.Close();
            return NumberFromText(ReadString(hive, key, valueName, ""));
        } else {
            candidate = 0;
        }
    }
    opened.Close();
    return Limit(candidate, minimum, maximum);
}

// ---- Writing -----------------------------------------------------------------------------

bool clsRegistry::SetValue(Hkey hive, std::string_view key, std::string_view valueName,
                           std::uint32_t type, std::span<const std::uint8_t> data) {
    HeldKey created = HeldKey::Create(api_, hive, key, kKeyWrite);
    if (!created) {
        return false;
    }
    return api_.RegSetValueEx(created.get(), valueName, type, data.data(),
                              static_cast<std::uint32_t>(data.size())) == kErrorSuccess;
}

bool clsRegistry::WriteBinary(Hkey hive, std::string_view key, std::string_view valueName,
                              std::span<const std::uint8_t> bytes, std::int32_t size) {
    // The data start at element 0, which must exist; a size past the end would read beyond
    // the caller's bytes.
    if (bytes.empty() || size < 0 || static_cast<std::size_t>(size) > bytes.size()) {
        return false;
    }
    return SetValue(hive, key, valueName, kRegBinary, bytes.first(static_cast<std::size_t>(size)));
}

bool clsRegistry::WriteString(Hkey hive, std::string_view key, std::string_view valueName,
                              std::string_view value) {
    // The text and its NUL; the empty text is a single zero byte.
    std::string data(value);
    data += '\0';
    return SetValue(hive, key, valueName, kRegSz, AsBytes(data));
}

bool clsRegistry::WriteExpandString(Hkey hive, std::string_view key, std::string_view valueName,
                                    std::string_view value) {
    std::string data(value);
    data += '\0';
    return SetValue(hive, key, valueName, kRegExpandSz, AsBytes(data));
}

bool clsRegistry::WriteMultiString(Hkey hive, std::string_view key, std::string_view valueName,
                                   std::span<const std::string> values) {
    std::string data;
    for (const std::string& value : values) {
        data += value;
        data += '\0';
    }
    data += '\0';
    return SetValue(hive, key, valueName, kRegMultiSz, AsBytes(data));
}

bool clsRegistry::WriteLong(Hkey hive, std::string_view key, std::string_view valueName,
                            std::int32_t value, std::int32_t minimum, std::int32_t maximum) {
    OrderRange(minimum, maximum);
    const auto raw = static_cast<std::uint32_t>(Limit(value, minimum, maximum));
    return SetValue(hive, key, valueName, kRegDword, common::Le32Bytes(raw));
}

bool clsRegistry::WriteBoolean(Hkey hive, std::string_view key, std::string_view valueName,
                               std::int32_t value) {
    return WriteLong(hive, key, valueName, value != 0 ? 1 : 0, 0, 1);
}

std::optional<bool> clsRegistry::WriteLongFromString(Hkey hive, std::string_view key,
                                                     std::string_view valueName,
                                                     std::string_view text, std::int32_t minimum,
                                                     std::int32_t maximum) {
    OrderRange(minimum, maximum);
    const std::optional<std::int32_t> number = NumberFromText(text);
    if (!number) {
        return std::nullopt;
    }
    return WriteLong(hive, key, valueName, Limit(*number, minimum, maximum), minimum, maximum);
}

// ---- Window placement and check boxes ----------------------------------------------------

void clsRegistry::ReadFormPos(Hkey hive, std::string_view key, std::string_view valueName,
                              FormWindow& window, bool offScreenAllowed) {
    const auto numbers = SplitPlacementText(ReadString(hive, key, valueName, "0 0"), 2);
    if (!numbers) {
        return;
    }
    float left = (*numbers)[0];
    float top = (*numbers)[1];
    if (!offScreenAllowed) {
        ScreenFit(left, top, window.Width(), window.Height(), window.ScreenWidth(),
                  window.ScreenHeight());
    }
    window.Move(left, top);
}

void clsRegistry::ReadFormPosAndSize(Hkey hive, std::string_view key, std::string_view valueName,
                                     FormWindow& window, bool offScreenAllowed) {
    const auto numbers = SplitPlacementText(ReadString(hive, key, valueName, "0 0 0 0"), 4);
    if (!numbers) {
        return;
    }
    float left = (*numbers)[0];
    float top = (*numbers)[1];
    const float width = (*numbers)[2];
    const float height = (*numbers)[3];
    if (!offScreenAllowed) {
        ScreenFit(left, top, width, height, window.ScreenWidth(), window.ScreenHeight());
    }
    window.Move(left, top, width, height);
}

void clsRegistry::ReadFormSize(Hkey hive, std::string_view key, std::string_view valueName,
                               FormWindow& window) {
    const auto numbers = SplitPlacementText(ReadString(hive, key, valueName, "0 0"), 2);
    if (!numbers) {
        return;
    }
    const float width = std::max((*numbers)[0], 0.0f);
    const float height = std::max((*numbers)[1], 0.0f);
    window.Move(window.Left(), window.Top(), width, height);
}

bool clsRegistry::WriteFormPosAndSize(Hkey hive, std::string_view key, std::string_view valueName,
                                      const FormWindow& window) {
    return WriteString(hive, key, valueName,
                       FormatTwips(window.Left()) + ' ' + FormatTwips(window.Top()) + ' ' +
                           FormatTwips(window.Width()) + ' ' + FormatTwips(window.Height()));
}

bool clsRegistry::WriteFormPos(Hkey hive, std::string_view key, std::string_view valueName,
                               const FormWindow& window) {
    return WriteString(hive, key, valueName,
                       FormatTwips(window.Left()) + ' ' + FormatTwips(window.Top()));
}

bool clsRegistry::WriteFormSize(Hkey hive, std::string_view key, std::string_view valueName,
                                const FormWindow& window) {
    return WriteString(hive, key, valueName,
                       FormatTwips(window.Width()) + ' ' + FormatTwips(window.Height()));
}

std::optional<std::int32_t> clsRegistry::ReadCheckBoxState(Hkey hive, std::string_view key,
                                                           std::string_view valueName,
                                                           std::int32_t defaultValue,
                                                           std::int32_t grayedValue) {
    const std::optional<std::int32_t> state = ReadLong(hive, key, valueName, defaultValue, 0, 2);
    if (!state) {
        return std::nullopt;
    }
    if (*state == 1) {
        return 1;
    }
    return *state == 2 ? grayedValue : 0;
}

bool clsRegistry::WriteCheckBoxState(Hkey hive, std::string_view key, std::string_view valueName,
                                     std::int32_t state, std::int32_t grayedValue) {
    const std::int32_t stored = state == 1 ? 1 : state == 2 ? grayedValue : 0;
    return WriteLong(hive, key, valueName, stored, 0, 2);
}

// ---- Deleting ----------------------------------------------------------------------------

bool clsRegistry::DeleteKeyAndSubkeys(Hkey hive, std::string_view key, std::string_view subkey) {
    const std::string path = JoinKey(key, subkey);
    for (;;) {
        HeldKey opened = HeldKey::Open(api_, hive, path, kKeyEnumerateSubKeys | kKeyQueryValue);
        if (!opened) {
            return false;
        }
        std::string child;
        if (!EnumKeyByHandle(opened.get(), 0, child)) {
            opened.Close();
            return DeleteKey(hive, key, subkey);
        }
        // Always the first remaining child; one that cannot be removed would be found first
        // again and again, so it ends the whole operation.
        const bool removed = DeleteKeyAndSubkeys(hive, path, child);
        opened.Close();
        if (!removed) {
            return false;
        }
    }
}

bool clsRegistry::DeleteKey(Hkey hive, std::string_view key, std::string_view subkey) {
    HeldKey parent = HeldKey::Open(api_, hive, key, kKeyAllAccess);
    if (!parent) {
        return false;
    }
    return api_.RegDeleteKey(parent.get(), subkey) == kErrorSuccess;
}

bool clsRegistry::DeleteValue(Hkey hive, std::string_view key, std::string_view valueName) {
    HeldKey opened = HeldKey::Open(api_, hive, key, kKeyAllAccess);
    if (!opened) {
        return false;
    }
    return api_.RegDeleteValue(opened.get(), valueName) == kErrorSuccess;
}

}  // namespace registry
