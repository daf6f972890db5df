// A machine prefix of its own for each test (VEXO_PREFIX pointing into a temporary folder,
// PROGRAMFILES undefined), its registry store, and vexo library run with captured streams.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/machine_prefix.h"
#include "importer/registry/store/store_registry_api.h"
#include "tests/support/files.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"
#include "tools/vexo/library_command.h"

namespace vexo::cli::test {

using namespace vexo::test_support;

struct LibraryRun {
    int status;
    std::string out;
    std::string err;
};

class LibraryPrefixTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        ASSERT_TRUE(common::EnsureMachinePrefix().has_value());
        api_ = std::make_unique<registry::StoreRegistryApi>(common::RegistryStorePath());
        ASSERT_EQ(api_->OpenStatus(), registry::kErrorSuccess);
    }

    registry::RegistryApi& api() { return *api_; }
    std::string Prefix() const { return temp_ / "prefix"; }
    // A path in the temporary folder but outside the prefix.
    std::string Outside(std::string_view name) const { return temp_ / name; }

    LibraryRun Library(std::vector<std::string_view> args) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = RunLibrary(args, *api_, out, err);
        return {status, out.str(), err.str()};
    }

  private:
    TempFolder temp_{"vexo-library"};
    ScopedVariable prefix_{"VEXO_PREFIX", temp_ / "prefix"};
    ScopedVariable programFiles_{"PROGRAMFILES", std::nullopt};
    std::unique_ptr<registry::StoreRegistryApi> api_;
};

}  // namespace vexo::cli::test
