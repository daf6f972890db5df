// Feeds arbitrary bytes to the setup program's two readers: SETUP.LST and the install journal
// (which a crash may leave cut anywhere). Whatever either accepts must survive its writer: read
// again, the list or the steps are what was read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "packager/setup/install_journal.h"
#include "packager/setup/setup_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const setup::SetupListRead list = setup::ParseSetupList(text);
    if (list.list) {
        const setup::SetupListRead again =
            setup::ParseSetupList(setup::FormatSetupList(*list.list));
        if (!again.list || !(*again.list == *list.list)) {
            std::abort();  // the reader refused, or read otherwise, what the writer wrote
        }
    } else if (list.error.empty()) {
        std::abort();  // a refusal must say why
    }

    if (const auto journal = setup::ParseInstallJournal(text)) {
        const auto steps = setup::ParseInstallSteps(setup::FormatInstallSteps(journal->steps));
        if (!steps || *steps != journal->steps) {
            std::abort();
        }
    }
    return 0;
}
