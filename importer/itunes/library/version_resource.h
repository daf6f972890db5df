// Builds VS_VERSIONINFO blocks, the data of a Windows version resource, from a description:
// the fixed file information, string tables and the translation table. Used to give generated
// executables a real version resource and to make test data for readers of the format.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace itunes::library {

// VS_FIXEDFILEINFO. Versions are major, minor, build, revision.
struct FixedFileInfo {
    std::array<std::uint16_t, 4> fileVersion{};
    std::array<std::uint16_t, 4> productVersion{};
    std::uint32_t fileFlagsMask = 0x3F;  // VS_FFI_FILEFLAGSMASK
    std::uint32_t fileFlags = 0;
    std::uint32_t fileOs = 0x00040004;  // VOS_NT_WINDOWS32
    std::uint32_t fileType = 1;         // VFT_APP; 2 is VFT_DLL
    std::uint32_t fileSubtype = 0;
    std::uint64_t fileDate = 0;
};

// One text of a string table. Key and value are UTF-8; the value may hold NUL characters, and
// the resource declares all of its characters plus a terminating NUL.
struct StringValue {
    std::string key;
    std::string value;
};

// A StringFileInfo table, named by its language and code page ("040904B0").
struct StringTable {
    std::string name;
    std::vector<StringValue> values;
};

// One entry of the VarFileInfo\Translation table.
struct Translation {
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
};

struct VersionInfo {
    std::optional<FixedFileInfo> fixedInfo;
    // No StringFileInfo block when empty.
    std::vector<StringTable> stringTables;
    // No VarFileInfo block when std::nullopt; an empty table when the vector is empty.
    std::optional<std::vector<Translation>> translations;
    // Some resource compilers store a text value's length in bytes instead of characters;
    // set this to make blocks like theirs.
    bool textLengthsInBytes = false;
};

// One node of the block's tree, for building blocks node by node (including malformed ones).
struct VersionNode {
    std::string key;  // UTF-8, written as UTF-16LE with a terminating NUL
    bool isText = false;
    std::vector<std::uint8_t> value;
    // wValueLength; when unset, the value's length in UTF-16 characters for text, else bytes.
    std::optional<std::uint16_t> valueLength;
    std::vector<VersionNode> children;
    // wLength; when unset, the node's real length. Set only to make malformed blocks.
    std::optional<std::uint16_t> length;
};

// A text-valued node: value in UTF-16LE followed by a NUL.
VersionNode TextNode(std::string key, const std::string& value);

// A binary-valued node.
VersionNode BinaryNode(std::string key, std::vector<std::uint8_t> value);

// A node without a value; resource compilers mark StringFileInfo and its tables as text.
VersionNode BranchNode(std::string key, std::vector<VersionNode> children, bool isText = false);

// The node and its children as bytes, each node's wLength counting it without trailing padding.
// Lengths over 65535 bytes are cut to 16 bits, as the format cannot express them.
std::vector<std::uint8_t> BuildVersionNode(const VersionNode& node);

// The VS_VERSIONINFO root node (key "VS_VERSION_INFO") that info describes.
VersionNode VersionInfoNode(const VersionInfo& info);

// The complete VS_VERSIONINFO block, as a version resource holds it.
std::vector<std::uint8_t> BuildVersionInfoBlock(const VersionInfo& info);

// UTF-8 as UTF-16LE bytes, without a terminator; malformed sequences become U+FFFD.
std::vector<std::uint8_t> Utf8ToUtf16Le(const std::string& text);

}  // namespace itunes::library
