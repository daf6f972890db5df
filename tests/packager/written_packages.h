// Packages made from a built VEXOSetup by the package writer, as a user's packages are made,
// for the runs of the real program end to end, and the reports of the boxes that the program's
// VEXO_SETUP_AUTOANSWER hook writes on its standard error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace packager::testing_support {

using Bytes = std::vector<std::uint8_t>;

struct NamedData {
    std::string name;
    Bytes data;
};

inline constexpr const char* kExtractionFailureReport =
    "VEXOSetup message box: Extraction Failure\n"
    "Unable to extract package due to an incomplete or corrupt package.\n\n"
    "If you downloaded this file, please download it again, and retry.\n";

inline constexpr const char* kSetupFailureReport =
    "VEXOSetup message box: SETUP.EXE Failure\n"
    "Unable to start SETUP.EXE due to a corrupt package.\n\n"
    "If you downloaded this file, please download it again, and retry.\n";

// The stub followed by a payload of these files, in this order. A refusal of the writer fails
// the running test.
Bytes MakePackage(const Bytes& stub, const std::vector<NamedData>& files, bool requireSetup = true);

}  // namespace packager::testing_support
