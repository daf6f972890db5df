// The files of a tag-writing test: a real clip in a folder of its own, the library's folder
// beside it, and what a write may leave behind in either.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "importer/itunes/library/file_tag_writer.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"
#include "tools/testmedia/test_media.h"

namespace itunes::library::test {

using vexo::test_support::Bytes;
using vexo::test_support::ReadBytes;
using vexo::test_support::TempFolder;
using vexo::test_support::WriteBytes;

class TagFiles {
  public:
    TagFiles() {
        std::filesystem::create_directories(library);
        std::filesystem::create_directories(std::filesystem::path(media).parent_path());
    }

    // Writes the clip (moov before the samples or after them) as the media file; its bytes.
    Bytes MakeClip(bool headerFirst) const {
        // Encoding is the slow part: each kind is made once for the whole program.
        static std::map<bool, Bytes> made;
        if (made.count(headerFirst) == 0) {
            vexo::testmedia::ClipSpec spec;
            spec.headerFirst = headerFirst;
            const std::string source = folder / "source.mp4";
            EXPECT_TRUE(
                vexo::testmedia::WriteVideoClip(source, vexo::testmedia::Container::kMp4, spec));
            made[headerFirst] = ReadBytes(source);
            std::filesystem::remove(source);
        }
        EXPECT_TRUE(WriteBytes(media, made[headerFirst]));
        return made[headerFirst];
    }

    // Names in the two folders besides the media file and the lock: journals, drafts, new files.
    std::vector<std::string> LeftOver() const {
        std::vector<std::string> names;
        for (const std::string& in :
             {library, std::filesystem::path(media).parent_path().string()}) {
            for (const auto& entry : std::filesystem::directory_iterator(in)) {
                const std::string name = entry.path().filename().string();
                if (entry.path() != media && name != FileTagWriter::kLockName) {
                    names.push_back(name);
                }
            }
        }
        return names;
    }

    TempFolder folder;
    const std::string library = folder / "library";
    const std::string media = folder / "media/clip.mp4";
};

}  // namespace itunes::library::test
