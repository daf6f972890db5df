// The rollback journal of one tag write: what puts a media file back as it was when the process
// or the machine ends in the middle of the write. It is written whole (under another name,
// synced, then renamed into place) before the first byte of the file changes, and removed once
// the write is durable.
//
// Layout, integers little-endian:
//   8   magic "VXTAGJNL"
//   4   version (1)
//   4   length of the file's path, then the path (absolute, as the file system names it)
//   8   device, 8 inode: the file the journal is for; another file by the path is left alone
//   8   the file's old size
//   8+8, 8+8   its old access and modification times (seconds, nanoseconds)
//   4   length of the new file's name, then the name: the new file made beside the old one
//       when the file is rebuilt (in the same folder), empty when it is written in place
//   8   offset of the old bytes, 8 their length, then the bytes: what the write overwrites or
//       cuts off, as far as it lies inside the old file
//   4   CRC-32 (ISO-HDLC) of every byte before it: a journal that does not match it was never
//       committed, so its write never began
#pragma once

#include <time.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace itunes::library {

struct TagJournal {
    std::string path;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t oldSize = 0;
    struct timespec oldAccessTime {};
    struct timespec oldModificationTime {};
    std::string newFileName;
    std::uint64_t oldBytesOffset = 0;
    std::vector<std::uint8_t> oldBytes;
};

std::vector<std::uint8_t> EncodeTagJournal(const TagJournal& journal);

struct TagJournalRead {
    enum class State {
        kValid,
        kDamaged,  // not a journal, cut short or not matching its check value
        kNewer,    // whole, but of a version this program cannot carry out
    };
    State state = State::kDamaged;
    TagJournal journal;  // when valid
};
TagJournalRead DecodeTagJournal(std::span<const std::uint8_t> bytes);

}  // namespace itunes::library
