# Warnings for our own targets: link vexo_warnings into every target of the tree.
add_library(vexo_warnings INTERFACE)
target_compile_options(vexo_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wimplicit-fallthrough)

# GCC 12 at -O2 and above reports std::string's own concatenation (operator+ on a character) as
# overlapping memcpy, a known false positive of its -Wrestrict (GCC bug 105651, fixed in 13).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(vexo_warnings INTERFACE -Wno-restrict)
endif()

# The presets CI builds turn warnings into errors, so that none lands unseen.
option(VEXO_WARNINGS_AS_ERRORS "Treat warnings of our own targets as errors" OFF)
if(VEXO_WARNINGS_AS_ERRORS)
    target_compile_options(vexo_warnings INTERFACE -Werror)
endif()
