// Writes the sample episode tags into a file (or, with "recover", recovers the library's
// folder) and ends itself with SIGKILL in the middle of it, as a crash would:
//   file_tag_crash_helper LIBRARY_FOLDER FILE N [recover]
//     dies before the writer's call number N (from 0) that opens or changes something; a write
//     or copy is made half first;
//   file_tag_crash_helper LIBRARY_FOLDER FILE paced [recover]
//     writes "step" on its standard output before each such call and waits for a byte on its
//     standard input, so that another process can kill it at a point of its own choosing.
// Exits with 0 when the write (or recovery) is done, 1 when it was refused, 2 on wrong use.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "importer/itunes/library/file_tag_writer.h"
#include "tests/importer/itunes/file_tag_test_io.h"

namespace {

using itunes::library::test::Call;
using itunes::library::test::Role;

class CrashIo final : public itunes::library::test::ObservedIo {
  public:
    CrashIo(long killAt, bool paced) : killAt_(killAt), paced_(paced) {}

    int Before(Call, Role, const Tear& tear) override {
        if (paced_) {
            char go = 0;
            if (::write(STDOUT_FILENO, "step\n", 5) != 5 || ::read(STDIN_FILENO, &go, 1) != 1) {
                std::_Exit(2);
            }
        }
        if (step_++ == killAt_) {
            if (tear) {
                tear();
            }
            ::raise(SIGKILL);
        }
        return 0;
    }

  private:
    long step_ = 0;
    long killAt_;
    bool paced_;
};

}  // namespace

int main(int argc, char** argv) {
    const bool recover = argc == 5 && std::string_view(argv[4]) == "recover";
    if (argc != 4 && !recover) {
        std::fputs("usage: file_tag_crash_helper LIBRARY FILE (N | paced) [recover]\n", stderr);
        return 2;
    }
    const bool paced = std::string_view(argv[3]) == "paced";
    CrashIo io(paced ? -1 : std::atol(argv[3]), paced);
    if (recover) {
        return itunes::library::FileTagWriter::Recover(argv[1], io) ? 0 : 1;
    }
    const auto result = itunes::library::FileTagWriter(argv[1], io)
                            .Write(argv[2], itunes::library::test::SampleTags());
    if (result.outcome == itunes::library::TagWriteOutcome::kRefused) {
        std::fprintf(stderr, "refused: %s\n", result.reason.c_str());
        return 1;
    }
    return 0;
}
