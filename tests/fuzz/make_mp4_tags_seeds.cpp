// Writes the seed corpus of fuzz_mp4_tags into the folder named by its argument: small real
// clips in both containers with the header after and before the samples, and each of them
// labelled once already, so that the list and its padding are there to mutate.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "importer/itunes/library/mp4/tag_plan.h"
#include "tests/fuzz/seed_corpus.h"
#include "tools/testmedia/test_media.h"

int main(int argc, char** argv) {
    const auto folder = vexo::fuzz::SeedFolder(argc, argv);
    if (!folder) {
        return 2;
    }
    using vexo::testmedia::Container;
    namespace mp4 = itunes::library::mp4;
    const mp4::EpisodeTags tags{"A Show", 4, "S04E10", 10, "Episode", "Episode", 3};
    vexo::fuzz::Seeds seeds;
    for (Container container : {Container::kMp4, Container::kMov}) {
        for (bool headerFirst : {false, true}) {
            vexo::testmedia::ClipSpec spec;
            spec.frames = 2;
            spec.width = 16;
            spec.height = 16;
            spec.headerFirst = headerFirst;
            const std::string name = (headerFirst ? "first" : "last") +
                                     std::string(vexo::testmedia::Extension(container));
            const std::string path = (*folder / name).string();
            if (!vexo::testmedia::WriteVideoClip(path, container, spec)) {
                return 1;
            }
            std::ifstream in(path, std::ios::binary);
            const std::vector<std::uint8_t> clip((std::istreambuf_iterator<char>(in)),
                                                 std::istreambuf_iterator<char>());
            common::MemoryByteSource source(clip);
            seeds.emplace_back(name + ".labelled",
                               mp4::ApplyPlan(clip, mp4::PlanTagWrite(source, tags)));
        }
    }
    return vexo::fuzz::WriteSeeds(*folder, seeds) ? 0 : 1;
}
