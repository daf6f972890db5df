// A registry store of its own for each test, and vexo reg run on it with captured streams.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "importer/registry/store/store_registry_api.h"
#include "tests/support/files.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"
#include "tools/regfile/reg_document.h"
#include "tools/vexo/reg_command.h"
#include "tools/vexo/reg_keys.h"

namespace vexo::cli::test {

using namespace vexo::test_support;

struct RegRun {
    int status;
    std::string out;
    std::string err;
};

class RegStoreTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(temp_.path().empty());
        api_ =
            std::make_unique<registry::StoreRegistryApi>((temp_.path() / "registry.db").string());
        ASSERT_EQ(api_->OpenStatus(), registry::kErrorSuccess);
    }

    registry::RegistryApi& api() { return *api_; }
    std::string TempPath(const std::string& name) const { return (temp_.path() / name).string(); }

    RegRun Reg(std::vector<std::string_view> args) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = RunReg(args, *api_, out, err);
        return {status, out.str(), err.str()};
    }

    // Stores a value directly, bypassing the command.
    void Set(registry::Hkey hive, std::string_view subKey, std::string_view name,
             std::uint32_t type, std::string_view bytes) {
        OpenedKey key(*api_);
        ASSERT_EQ(key.Create(hive, subKey, registry::kKeyWrite), registry::kErrorSuccess);
        ASSERT_EQ(api_->RegSetValueEx(key.get(), name, type,
                                      reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                      static_cast<std::uint32_t>(bytes.size())),
                  registry::kErrorSuccess);
    }

    std::optional<regfile::ValueEntry> Get(registry::Hkey hive, std::string_view subKey,
                                           std::string_view name) {
        OpenedKey key(*api_);
        regfile::ValueEntry value;
        if (key.Open(hive, subKey, registry::kKeyRead) != registry::kErrorSuccess ||
            ReadValue(*api_, key.get(), name, value) != registry::kErrorSuccess) {
            return std::nullopt;
        }
        return value;
    }

    bool KeyExists(registry::Hkey hive, std::string_view subKey) {
        OpenedKey key(*api_);
        return key.Open(hive, subKey, registry::kKeyRead) == registry::kErrorSuccess;
    }

    // The whole tree below hive\subKey, as export reads it.
    regfile::RegDocument Tree(registry::Hkey hive, std::string_view subKey) {
        regfile::RegDocument document;
        EXPECT_EQ(CollectTree(*api_, hive, subKey, document), registry::kErrorSuccess);
        return document;
    }

  private:
    TempFolder temp_;
    std::unique_ptr<registry::StoreRegistryApi> api_;
};

}  // namespace vexo::cli::test
