#include "common/byte_source.h"

#include <gtest/gtest.h>

#include "common/file_byte_source.h"
#include "tests/common/byte_source_contract.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace common {
namespace {

using vexo::test_support::ExpectReadsExactlyOrFails;
using vexo::test_support::kContractBytes;

TEST(MemoryByteSource, ReadsExactlyOrFails) {
    MemoryByteSource source(std::span(reinterpret_cast<const std::uint8_t*>(kContractBytes.data()),
                                      kContractBytes.size()));
    ExpectReadsExactlyOrFails(source);
}

TEST(FileByteSource, ReadsExactlyOrFailsAndSaysWhyItCannotOpen) {
    vexo::test_support::TempFolder folder;
    ASSERT_TRUE(vexo::test_support::WriteFile(folder / "package", kContractBytes));
    const std::unique_ptr<FileByteSource> source = FileByteSource::Open(folder / "package");
    ASSERT_NE(source, nullptr);
    ExpectReadsExactlyOrFails(*source);
    std::array<std::uint8_t, 3> three{};
    EXPECT_EQ(source->ReadUpTo(10, three), 2u);  // fewer only at the end

    std::string error;
    EXPECT_EQ(FileByteSource::Open(folder.path(), &error), nullptr);
    EXPECT_EQ(error, "is a folder");
    EXPECT_EQ(FileByteSource::Open(folder / "missing", &error), nullptr);
    EXPECT_EQ(error, "No such file or directory");
}

}  // namespace
}  // namespace common
