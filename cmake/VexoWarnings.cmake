# Warnings for our own targets: link vexo_warnings into every target of the tree.
add_library(vexo_warnings INTERFACE)
target_compile_options(vexo_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wimplicit-fallthrough)

# The presets CI builds turn warnings into errors, so that none lands unseen.
option(VEXO_WARNINGS_AS_ERRORS "Treat warnings of our own targets as errors" OFF)
if(VEXO_WARNINGS_AS_ERRORS)
    target_compile_options(vexo_warnings INTERFACE -Werror)
endif()
