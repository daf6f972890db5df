#include "importer/files/version_block.h"

#include <algorithm>

#include "common/ascii_case.h"
#include "common/byte_order.h"
#include "common/utf16.h"

namespace basFiles {

namespace {

constexpr std::size_t kHeaderBytes = 6;  // wLength, wValueLength, wType
constexpr std::uint16_t kTextType = 1;
constexpr std::string_view kRootKey = "VS_VERSION_INFO";

// Offsets into the block. Alignment is counted from the block's start, where the root sits.
struct Node {
    std::size_t end = 0;  // one past the node's last byte, never past its parent's end
    std::size_t keyStart = 0;
    std::size_t keyEnd = 0;  // the key's NUL, or end when the key has none
    std::size_t valueStart = 0;
    std::size_t valueEnd = 0;
    std::size_t childrenStart = 0;
    bool isText = false;
};

std::size_t AlignUp4(std::size_t offset) {
    return (offset + 3) & ~std::size_t{3};
}

// The node at start, or std::nullopt when no node fits there: fewer bytes than a header
// remain, or the node claims a length shorter than its own header (which also makes every
// walk over siblings advance).
std::optional<Node> ParseNode(std::span<const std::uint8_t> block, std::size_t start,
                              std::size_t parentEnd) {
    if (start >= parentEnd || parentEnd - start < kHeaderBytes) {
        return std::nullopt;
    }
    const std::size_t length = common::LoadLe16(block, start);
    if (length < kHeaderBytes) {
        return std::nullopt;
    }
    const std::uint16_t valueLength = common::LoadLe16(block, start + 2);
    Node node;
    node.isText = common::LoadLe16(block, start + 4) == kTextType;
    node.end = start + std::min(length, parentEnd - start);
    node.keyStart = start + kHeaderBytes;

    std::size_t at = node.keyStart;
    while (at + 2 <= node.end && common::LoadLe16(block, at) != 0) {
        at += 2;
    }
    if (at + 2 > node.end) {
        // No NUL: the key runs to the end of the node and leaves no room for anything else.
        node.keyEnd = node.end;
        node.valueStart = node.valueEnd = node.childrenStart = node.end;
        return node;
    }
    node.keyEnd = at;

    node.valueStart = std::min(AlignUp4(at + 2), node.end);
    // Some resource compilers write a text value's length in bytes rather than characters;
    // clamping to the node keeps either reading inside it.
    const std::size_t valueBytes = node.isText ? std::size_t{valueLength} * 2 : valueLength;
    node.valueEnd = node.valueStart + std::min(valueBytes, node.end - node.valueStart);
    node.childrenStart = std::min(AlignUp4(node.valueEnd), node.end);
    return node;
}

std::string KeyOf(std::span<const std::uint8_t> block, const Node& node) {
    return common::Utf16LeToUtf8(block.subspan(node.keyStart, node.keyEnd - node.keyStart));
}

std::optional<Node> FindChild(std::span<const std::uint8_t> block, const Node& parent,
                              std::string_view key) {
    std::size_t at = parent.childrenStart;
    while (auto child = ParseNode(block, at, parent.end)) {
        if (common::EqualsIgnoringAsciiCase(KeyOf(block, *child), key)) {
            return child;
        }
        at = AlignUp4(child->end);  // child->end > at: every step advances
    }
    return std::nullopt;
}

}  // namespace

std::size_t VersionInfoBlockLength(std::span<const std::uint8_t> block) {
    const auto root = ParseNode(block, 0, block.size());
    if (!root || KeyOf(block, *root) != kRootKey) {
        return 0;
    }
    return root->end;
}

std::optional<std::string> QueryVersionValue(std::span<const std::uint8_t> block,
                                             std::string_view subBlock) {
    auto node = ParseNode(block, 0, block.size());
    while (node && !subBlock.empty()) {
        const std::size_t separator = subBlock.find('\\');
        const std::string_view component = subBlock.substr(0, separator);
        subBlock = separator == std::string_view::npos ? std::string_view{}
                                                       : subBlock.substr(separator + 1);
        if (!component.empty()) {
            node = FindChild(block, *node, component);
        }
    }
    if (!node) {
        return std::nullopt;
    }
    const auto value = block.subspan(node->valueStart, node->valueEnd - node->valueStart);
    if (node->isText) {
        return common::Utf16LeToUtf8(value);
    }
    return std::string(value.begin(), value.end());
}

}  // namespace basFiles
