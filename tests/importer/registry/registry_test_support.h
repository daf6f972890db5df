// What the clsRegistry tests share: a ledger that sees every handle cross the registry seam,
// services that need neither the process environment nor the running executable, a window
// that records its moves, and helpers that set values up through the seam itself.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "importer/registry/clsRegistry.h"
#include "importer/registry/form_window.h"
#include "importer/registry/registry_api.h"

namespace registry::testing {

// Passes every operation to another registry and keeps account of the handles it hands out,
// so that a test can prove each one was closed, and of the keys opened.
class HandleLedger : public RegistryApi {
  public:
    explicit HandleLedger(RegistryApi& inner) : inner_(inner) {}

    Status RegOpenKeyEx(Hkey key, std::string_view subKey, Access access, Hkey& result) override;
    Status RegCreateKeyEx(Hkey key, std::string_view subKey, Access access, Hkey& result) override;
    Status RegQueryValueEx(Hkey key, std::string_view valueName, std::uint32_t* type,
                           std::uint8_t* data, std::uint32_t* dataSize) override {
        return inner_.RegQueryValueEx(key, valueName, type, data, dataSize);
    }
    Status RegSetValueEx(Hkey key, std::string_view valueName, std::uint32_t type,
                         const std::uint8_t* data, std::uint32_t dataSize) override {
        return inner_.RegSetValueEx(key, valueName, type, data, dataSize);
    }
    Status RegEnumKeyEx(Hkey key, std::uint32_t index, char* name,
                        std::uint32_t& nameLength) override {
        return inner_.RegEnumKeyEx(key, index, name, nameLength);
    }
    Status RegEnumValue(Hkey key, std::uint32_t index, char* name, std::uint32_t& nameLength,
                        std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override {
        return inner_.RegEnumValue(key, index, name, nameLength, type, data, dataSize);
    }
    Status RegDeleteKey(Hkey key, std::string_view subKey) override {
        return inner_.RegDeleteKey(key, subKey);
    }
    Status RegDeleteValue(Hkey key, std::string_view valueName) override {
        return inner_.RegDeleteValue(key, valueName);
    }
    Status RegNotifyChangeKeyValue(Hkey key, bool watchSubtree, std::uint32_t filter,
                                   EventHandle event, bool asynchronous) override {
        return inner_.RegNotifyChangeKeyValue(key, watchSubtree, filter, event, asynchronous);
    }
    Status RegCloseKey(Hkey key) override;

    std::size_t Outstanding() const { return open_.size(); }
    // Closes of handles this ledger never handed out (predefined hives aside).
    int StrayCloses() const { return strayCloses_; }
    // The sub key paths passed to RegOpenKeyEx, in call order, successful or not.
    const std::vector<std::string>& OpenedPaths() const { return openedPaths_; }

  private:
    RegistryApi& inner_;
    std::set<Hkey> open_;
    std::vector<std::string> openedPaths_;
    int strayCloses_ = 0;
};

// ExpandEnvironmentStringsA over a fixed table: %NAME% (any case) becomes the value, an
// undefined name stays as typed.
std::uint32_t ExpandFromTable(const std::map<std::string, std::string>& table,
                              std::string_view text, char* destination, std::uint32_t size);

// Services for tests: the environment holds SystemRoot=C:\Windows and
// PROGRAMFILES=C:\Program Files; the program is "Demo" in kTestProgramFolder.
#ifdef _WIN32
inline constexpr std::string_view kTestProgramFolder = "C:\\Apps";
#else
inline constexpr std::string_view kTestProgramFolder = "/opt/apps";
#endif
RegistryServices TestServices();

// A window on a screen of 15360 by 11520 twips that records how it was moved.
class FakeWindow : public FormWindow {
  public:
    FakeWindow(float left, float top, float width, float height)
        : left_(left), top_(top), width_(width), height_(height) {}

    float Left() const override { return left_; }
    float Top() const override { return top_; }
    float Width() const override { return width_; }
    float Height() const override { return height_; }
    void Move(float left, float top) override {
        left_ = left;
        top_ = top;
        ++moves;
    }
    void Move(float left, float top, float width, float height) override {
        Move(left, top);
        width_ = width;
        height_ = height;
    }
    float ScreenWidth() const override { return screenWidth; }
    float ScreenHeight() const override { return screenHeight; }

    float screenWidth = 15360;
    float screenHeight = 11520;
    int moves = 0;

  private:
    float left_;
    float top_;
    float width_;
    float height_;
};

// Setting values up and looking at them through the seam, independent of clsRegistry.
void PutValue(RegistryApi& api, Hkey hive, std::string_view key, std::string_view name,
              std::uint32_t type, std::string_view bytes);
void PutDword(RegistryApi& api, Hkey hive, std::string_view key, std::string_view name,
              std::int32_t value);
void PutKey(RegistryApi& api, Hkey hive, std::string_view key);

struct StoredValue {
    std::uint32_t type;
    std::string bytes;
    bool operator==(const StoredValue&) const = default;
};
std::optional<StoredValue> GetValue(RegistryApi& api, Hkey hive, std::string_view key,
                                    std::string_view name);
bool HasKey(RegistryApi& api, Hkey hive, std::string_view key);

}  // namespace registry::testing
