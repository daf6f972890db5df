#include "tests/packager/written_packages.h"

#include <gtest/gtest.h>

#include "common/byte_source.h"
#include "packager/format/package_writer.h"

namespace packager::testing_support {

Bytes MakePackage(const Bytes& stub, const std::vector<NamedData>& files, bool requireSetup) {
    std::vector<common::MemoryByteSource> sources;
    sources.reserve(files.size());  // the entries point into it
    std::vector<packager::format::PackageEntry> entries;
    for (const NamedData& file : files) {
        sources.emplace_back(file.data);
        entries.push_back({file.name, &sources.back(), file.data.size()});
    }
    packager::format::VectorByteSink sink;
    const packager::format::WriteOutcome written =
        packager::format::WritePackage(stub, entries, sink, {.requireSetupEntry = requireSetup});
    EXPECT_TRUE(written) << written.message;
    return sink.Bytes();
}

}  // namespace packager::testing_support
