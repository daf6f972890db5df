#include "tests/packager/written_packages.h"

#include <gtest/gtest.h>

#include "common/byte_source.h"
#include "tools/packagewriter/package_writer.h"

namespace packager::testing_support {

Bytes MakePackage(const Bytes& stub, const std::vector<NamedData>& files, bool requireSetup) {
    std::vector<common::MemoryByteSource> sources;
    sources.reserve(files.size());  // the entries point into it
    std::vector<packagewriter::PackageEntry> entries;
    for (const NamedData& file : files) {
        sources.emplace_back(file.data);
        entries.push_back({file.name, &sources.back(), file.data.size()});
    }
    packagewriter::VectorByteSink sink;
    const packagewriter::WriteOutcome written =
        packagewriter::WritePackage(stub, entries, sink, {.requireSetupEntry = requireSetup});
    EXPECT_TRUE(written) << written.message;
    return sink.Bytes();
}

}  // namespace packager::testing_support
