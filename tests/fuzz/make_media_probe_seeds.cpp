// Writes the seed corpus of fuzz_media_probe into the folder named by its argument: small real
// clips in each container, with the header before and after the samples, audio-only files
// (one with cover art), and cut-off copies of each.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/testmedia/test_media.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_media_probe_seeds FOLDER\n", stderr);
        return 2;
    }
    namespace fs = std::filesystem;
    using vexo::testmedia::ClipSpec;
    using vexo::testmedia::Container;
    const fs::path folder = argv[1];
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        return 1;
    }
    std::vector<std::string> written;
    for (Container container : {Container::kMp4, Container::kM4v, Container::kMov}) {
        for (bool headerFirst : {false, true}) {
            ClipSpec spec;
            spec.frames = 3;
            spec.width = 32;
            spec.height = 16;
            spec.headerFirst = headerFirst;
            const std::string path = (folder / ((headerFirst ? "first" : "last") +
                                                std::string(vexo::testmedia::Extension(container))))
                                         .string();
            if (!vexo::testmedia::WriteVideoClip(path, container, spec)) {
                return 1;
            }
            written.push_back(path);
        }
    }
    const std::string audio = (folder / "audio.m4a").string();
    if (!vexo::testmedia::WriteAudioOnlyClip(audio)) {
        return 1;
    }
    written.push_back(audio);
    const std::string cover = (folder / "cover.m4a").string();
    if (!vexo::testmedia::WriteAudioWithCoverArt(cover)) {
        return 1;
    }
    written.push_back(cover);
    for (const std::string& path : written) {
        const auto size = fs::file_size(path, error);
        if (error || !vexo::testmedia::WriteTruncatedCopy(path, path + ".cut", size / 2)) {
            return 1;
        }
    }
    return 0;
}
