# Our own targets link qd_warnings: warnings on, and treated as errors.
add_library(qd_warnings INTERFACE)
target_compile_options(qd_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wno-missing-field-initializers -Werror)
# COM interfaces have no virtual destructor by design (objects die through Release).
target_compile_options(qd_warnings INTERFACE -Wno-non-virtual-dtor)
target_include_directories(qd_warnings INTERFACE ${PROJECT_SOURCE_DIR})
