// The buffer conventions of querying and enumerating: size-only queries, ERROR_MORE_DATA with
// the size needed, existence and type queries, 259 at the end.
#include <array>

#include "importer/registry/store/store_status.h"
#include "tests/importer/registry/store/store_test_support.h"

namespace registry::testing {
namespace {

constexpr std::uint8_t kUntouched = 0xBD;
constexpr std::uint32_t kTypeUntouched = 0xDEADBEEF;
constexpr std::uint32_t kSizeUntouched = 0xDEADBEEF;

// The value every case queries: "foobar" and its NUL, 7 bytes.
const std::vector<std::uint8_t> kFoobar = ToBytes(std::string_view("foobar\0", 7));

struct QueryCase {
    const char* label;
    bool passType;
    bool passData;
    std::optional<std::uint32_t> size;  // nullopt: no size pointer
    Status status;
    std::uint32_t type;     // afterwards
    std::uint32_t sizeOut;  // afterwards, when a size was passed
    std::size_t copied;     // bytes of the value in the buffer afterwards
};

class QueryBufferTest : public StoreTest, public ::testing::WithParamInterface<QueryCase> {};

TEST_P(QueryBufferTest, FollowsTheConventions) {
    const QueryCase& query = GetParam();
    const Hkey key = Create(kHkeyCurrentUser, "Buffers");
    ASSERT_EQ(SetValue(api(), key, "Test", kRegSz, kFoobar), kErrorSuccess);

    std::uint32_t type = kTypeUntouched;
    std::array<std::uint8_t, 16> buffer{};
    buffer.fill(kUntouched);
    std::uint32_t size = query.size.value_or(0);
    EXPECT_EQ(api().RegQueryValueEx(key, "test", query.passType ? &type : nullptr,
                                    query.passData ? buffer.data() : nullptr,
                                    query.size.has_value() ? &size : nullptr),
              query.status);
    EXPECT_EQ(type, query.type);
    if (query.size.has_value()) {
        EXPECT_EQ(size, query.sizeOut);
    }
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], i < query.copied ? kFoobar[i] : kUntouched) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Queries, QueryBufferTest,
    ::testing::Values(QueryCase{"Existence", false, false, std::nullopt, 0, kTypeUntouched, 0, 0},
                      QueryCase{"TypeOnly", true, false, std::nullopt, 0, kRegSz, 0, 0},
                      QueryCase{"SizeOnly", true, false, 0, 0, kRegSz, 7, 0},
                      QueryCase{"SizeOnlyIgnoresTheSizeGiven", false, false, 3, 0, kTypeUntouched,
                                7, 0},
                      QueryCase{"BufferTooSmall", true, true, 6, kErrorMoreData, kRegSz, 7, 0},
                      QueryCase{"EmptyBuffer", true, true, 0, kErrorMoreData, kRegSz, 7, 0},
                      QueryCase{"ExactBuffer", true, true, 7, 0, kRegSz, 7, 7},
                      QueryCase{"LargerBuffer", false, true, 16, 0, kTypeUntouched, 7, 7},
                      QueryCase{"BufferWithoutSize", true, true, std::nullopt,
                                kErrorInvalidParameter, kTypeUntouched, 0, 0}),
    [](const auto& entry) { return std::string(entry.param.label); });

TEST_F(StoreTest, MissingValueReportsNoSizeOnlyToASizeQuery) {
    const Hkey key = Create(kHkeyCurrentUser, "Buffers");
    std::uint32_t type = kTypeUntouched;
    std::uint32_t size = kSizeUntouched;
    EXPECT_EQ(api().RegQueryValueEx(key, "Missing", &type, nullptr, &size), kErrorFileNotFound);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(type, kTypeUntouched);
    std::uint8_t buffer[4];
    size = sizeof buffer;
    EXPECT_EQ(api().RegQueryValueEx(key, "Missing", &type, buffer, &size), kErrorFileNotFound);
    EXPECT_EQ(size, sizeof buffer);
    // The default value is missing until set.
    EXPECT_EQ(api().RegQueryValueEx(key, "", nullptr, nullptr, nullptr), kErrorFileNotFound);
}

TEST_F(StoreTest, ValueNamesUpToTheLimit) {
    const Hkey key = Create(kHkeyCurrentUser, "Names");
    const std::string longest(16383, 'n');
    const std::string tooLong(16384, 'n');
    EXPECT_EQ(SetValue(api(), key, longest, kRegDword, DwordBytes(1)), kErrorSuccess);
    EXPECT_EQ(ValueNames(api(), key), std::vector<std::string>{longest});
    EXPECT_EQ(SetValue(api(), key, tooLong, kRegDword, DwordBytes(1)), kErrorInvalidParameter);
    EXPECT_EQ(api().RegQueryValueEx(key, tooLong, nullptr, nullptr, nullptr), kErrorFileNotFound);
    EXPECT_EQ(api().RegDeleteValue(key, tooLong), kErrorFileNotFound);
    EXPECT_EQ(api().RegDeleteValue(key, longest), kErrorSuccess);
    EXPECT_EQ(api().RegDeleteValue(key, longest), kErrorFileNotFound);
    EXPECT_EQ(SetValue(api(), key, std::string("a\0b", 3), kRegDword, DwordBytes(1)),
              kErrorInvalidParameter);
}

TEST_F(StoreTest, DataMissingForANonZeroSizeIsRefused) {
    const Hkey key = Create(kHkeyCurrentUser, "Data");
    EXPECT_EQ(api().RegSetValueEx(key, "v", kRegBinary, nullptr, 4), store::kErrorNoAccess);
    EXPECT_EQ(api().RegSetValueEx(key, "v", kRegSz, nullptr, 0), kErrorSuccess);
    EXPECT_EQ(GetValue(api(), key, "v"), (StoredValue{kRegSz, {}}));
}

struct EnumValueCase {
    const char* label;
    std::uint32_t nameLength;
    std::optional<std::uint32_t> dataSize;  // nullopt: no data buffer, but a size pointer
    Status status;
    std::uint32_t nameLengthOut;
    std::uint32_t dataSizeOut;
    bool nameWritten;
    bool dataWritten;
};

class EnumValueBufferTest : public StoreTest,
                            public ::testing::WithParamInterface<EnumValueCase> {};

TEST_P(EnumValueBufferTest, FollowsTheConventions) {
    const EnumValueCase& enumeration = GetParam();
    const Hkey key = Create(kHkeyCurrentUser, "Buffers");
    ASSERT_EQ(SetValue(api(), key, "Test", kRegSz, kFoobar), kErrorSuccess);

    char name[20] = "xxxxxxxxxx";
    std::uint32_t nameLength = enumeration.nameLength;
    std::uint32_t type = kTypeUntouched;
    std::array<std::uint8_t, 20> data{};
    data.fill(kUntouched);
    std::uint32_t dataSize = enumeration.dataSize.value_or(0);
    EXPECT_EQ(
        api().RegEnumValue(key, 0, name, nameLength, &type,
                           enumeration.dataSize.has_value() ? data.data() : nullptr, &dataSize),
        enumeration.status);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(nameLength, enumeration.nameLengthOut);
    EXPECT_EQ(dataSize, enumeration.dataSizeOut);
    EXPECT_STREQ(name, enumeration.nameWritten ? "Test" : "xxxxxxxxxx");
    EXPECT_EQ(data[0], enumeration.dataWritten ? 'f' : kUntouched);
}

INSTANTIATE_TEST_SUITE_P(
    Enumerations, EnumValueBufferTest,
    ::testing::Values(EnumValueCase{"Fits", 20, 20, 0, 4, 7, true, true},
                      EnumValueCase{"ExactFit", 5, 7, 0, 4, 7, true, true},
                      EnumValueCase{"SizeOfDataOnly", 20, std::nullopt, 0, 4, 7, true, false},
                      EnumValueCase{"NameOverflows", 4, 20, kErrorMoreData, 4, 7, false, false},
                      EnumValueCase{"NoNameBuffer", 0, 20, kErrorMoreData, 0, 7, false, false},
                      EnumValueCase{"DataOverflows", 20, 2, kErrorMoreData, 20, 7, false, false},
                      EnumValueCase{"BothOverflow", 2, 2, kErrorMoreData, 2, 7, false, false}),
    [](const auto& entry) { return std::string(entry.param.label); });

TEST_F(StoreTest, EnumeratingValuesEndsWithNoMoreItems) {
    const Hkey key = Create(kHkeyCurrentUser, "Buffers");
    ASSERT_EQ(SetValue(api(), key, "b", kRegSz, kFoobar), kErrorSuccess);
    ASSERT_EQ(SetValue(api(), key, "A", kRegSz, kFoobar), kErrorSuccess);
    ASSERT_EQ(SetValue(api(), key, "B", kRegDword, DwordBytes(3)), kErrorSuccess);  // replaces b
    EXPECT_EQ(ValueNames(api(), key), (std::vector<std::string>{"b", "A"}));
    char name[8];
    std::uint32_t length = sizeof name;
    EXPECT_EQ(api().RegEnumValue(key, 2, name, length, nullptr, nullptr, nullptr),
              kErrorNoMoreItems);
    EXPECT_EQ(api().RegEnumValue(key, 0, nullptr, length, nullptr, nullptr, nullptr),
              kErrorInvalidParameter);
}

TEST_F(StoreTest, EnumeratingSubkeysFollowsTheNameBufferConventions) {
    const Hkey key = Create(kHkeyCurrentUser, "Parent");
    for (const char* child : {"beta", "Alpha", "gamma"}) {
        Create(key, child);
    }
    EXPECT_EQ(SubkeyNames(api(), key), (std::vector<std::string>{"Alpha", "beta", "gamma"}));

    char name[8] = "xxxxxxx";
    std::uint32_t length = 5;  // "Alpha" without room for its NUL
    EXPECT_EQ(api().RegEnumKeyEx(key, 0, name, length), kErrorMoreData);
    EXPECT_EQ(length, 5u);
    EXPECT_STREQ(name, "xxxxxxx");
    length = 6;
    EXPECT_EQ(api().RegEnumKeyEx(key, 0, name, length), kErrorSuccess);
    EXPECT_EQ(length, 5u);
    EXPECT_STREQ(name, "Alpha");
    EXPECT_EQ(api().RegEnumKeyEx(key, 3, name, length), kErrorNoMoreItems);
    EXPECT_EQ(api().RegEnumKeyEx(key, 0, nullptr, length), kErrorInvalidParameter);

    ASSERT_EQ(api().RegDeleteKey(key, "ALPHA"), kErrorSuccess);
    EXPECT_EQ(SubkeyNames(api(), key), (std::vector<std::string>{"beta", "gamma"}));
}

}  // namespace
}  // namespace registry::testing
