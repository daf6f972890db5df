#include "importer/itunes/library/version_resource.h"

#include <cstddef>
#include <utility>

#include "common/byte_order.h"

namespace itunes::library {

namespace {

constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedInfoStructVersion = 0x00010000;

void Append16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    const auto bytes = common::Le16Bytes(static_cast<std::uint16_t>(value));
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void Append32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    const auto bytes = common::Le32Bytes(value);
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void PadTo4(std::vector<std::uint8_t>& out, std::size_t nodeStart) {
    while ((out.size() - nodeStart) % 4 != 0) {
        out.push_back(0);
    }
}

std::uint32_t High(const std::array<std::uint16_t, 4>& v) {
    return (std::uint32_t{v[0]} << 16) | v[1];
}

std::uint32_t Low(const std::array<std::uint16_t, 4>& v) {
    return (std::uint32_t{v[2]} << 16) | v[3];
}

std::vector<std::uint8_t> FixedInfoBytes(const FixedFileInfo& fixed) {
    std::vector<std::uint8_t> out;
    Append32(out, kFixedInfoSignature);
    Append32(out, kFixedInfoStructVersion);
    Append32(out, High(fixed.fileVersion));
    Append32(out, Low(fixed.fileVersion));
    Append32(out, High(fixed.productVersion));
    Append32(out, Low(fixed.productVersion));
    Append32(out, fixed.fileFlagsMask);
    Append32(out, fixed.fileFlags);
    Append32(out, fixed.fileOs);
    Append32(out, fixed.fileType);
    Append32(out, fixed.fileSubtype);
    Append32(out, static_cast<std::uint32_t>(fixed.fileDate >> 32));
    Append32(out, static_cast<std::uint32_t>(fixed.fileDate));
    return out;
}

void AppendNode(std::vector<std::uint8_t>& out, const VersionNode& node) {
    PadTo4(out, 0);  // every node starts on a 32-bit boundary of the block
    const std::size_t start = out.size();
    Append16(out, 0);  // wLength, stored below
    const std::size_t valueLength =
        node.valueLength.value_or(node.isText ? node.value.size() / 2 : node.value.size());
    Append16(out, static_cast<std::uint32_t>(valueLength & 0xFFFF));
    Append16(out, node.isText ? 1 : 0);
    const std::vector<std::uint8_t> key = Utf8ToUtf16Le(node.key);
    out.insert(out.end(), key.begin(), key.end());
    Append16(out, 0);
    PadTo4(out, start);
    out.insert(out.end(), node.value.begin(), node.value.end());
    for (const VersionNode& child : node.children) {
        AppendNode(out, child);
    }
    common::PutLe16(&out[start],
                    static_cast<std::uint16_t>(node.length.value_or(out.size() - start)));
}

// Decodes one UTF-8 sequence at text[i], advancing i; U+FFFD for a malformed one.
char32_t NextCodePoint(const std::string& text, std::size_t& i) {
    const auto byte = [&text](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i++);
    std::size_t extra = 0;
    char32_t code = 0;
    if (lead < 0x80) {
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        code = lead & 0x07;
    } else {
        return 0xFFFD;
    }
    for (std::size_t k = 0; k < extra; ++k) {
        if (i >= text.size() || (byte(i) & 0xC0) != 0x80) {
            return 0xFFFD;
        }
        code = (code << 6) | (byte(i++) & 0x3F);
    }
    return code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ? 0xFFFD : code;
}

}  // namespace

std::vector<std::uint8_t> Utf8ToUtf16Le(const std::string& text) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const char32_t code = NextCodePoint(text, i);
        if (code >= 0x10000) {
            Append16(out, 0xD800 + ((code - 0x10000) >> 10));
            Append16(out, 0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            Append16(out, code);
        }
    }
    return out;
}

VersionNode TextNode(std::string key, const std::string& value) {
    VersionNode node = BranchNode(std::move(key), {}, true);
    node.value = Utf8ToUtf16Le(value);
    node.value.push_back(0);
    node.value.push_back(0);
    return node;
}

VersionNode BinaryNode(std::string key, std::vector<std::uint8_t> value) {
    VersionNode node = BranchNode(std::move(key), {});
    node.value = std::move(value);
    return node;
}

VersionNode BranchNode(std::string key, std::vector<VersionNode> children, bool isText) {
    VersionNode node;
    node.key = std::move(key);
    node.isText = isText;
    node.children = std::move(children);
    return node;
}

VersionNode VersionInfoNode(const VersionInfo& info) {
    VersionNode root = BranchNode("VS_VERSION_INFO", {});
    if (info.fixedInfo) {
        root.value = FixedInfoBytes(*info.fixedInfo);
    }
    if (!info.stringTables.empty()) {
        VersionNode stringFileInfo = BranchNode("StringFileInfo", {}, true);
        for (const StringTable& table : info.stringTables) {
            VersionNode tableNode = BranchNode(table.name, {}, true);
            for (const StringValue& text : table.values) {
                VersionNode valueNode = TextNode(text.key, text.value);
                if (info.textLengthsInBytes) {
                    valueNode.valueLength = static_cast<std::uint16_t>(valueNode.value.size());
                }
                tableNode.children.push_back(std::move(valueNode));
            }
            stringFileInfo.children.push_back(std::move(tableNode));
        }
        root.children.push_back(std::move(stringFileInfo));
    }
    if (info.translations) {
        std::vector<std::uint8_t> table;
        for (const Translation& entry : *info.translations) {
            Append16(table, entry.language);
            Append16(table, entry.codePage);
        }
        root.children.push_back(
            BranchNode("VarFileInfo", {BinaryNode("Translation", std::move(table))}, true));
    }
    return root;
}

std::vector<std::uint8_t> BuildVersionNode(const VersionNode& node) {
    std::vector<std::uint8_t> out;
    AppendNode(out, node);
    return out;
}

std::vector<std::uint8_t> BuildVersionInfoBlock(const VersionInfo& info) {
    return BuildVersionNode(VersionInfoNode(info));
}

}  // namespace itunes::library
