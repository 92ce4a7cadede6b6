# Tests that run project scripts: a short fuzzing run of every libFuzzer target (built by
# `scripts/fuzz --build-only` in its own clang tree before CTest starts).
file(GLOB morvelin_fuzz_targets CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/fuzz/*_fuzz.cpp)
set(MORVELIN_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs in the test suite")
foreach(src ${morvelin_fuzz_targets})
    get_filename_component(name ${src} NAME_WE)
    add_test(NAME fuzz.${name}
        COMMAND ${CMAKE_COMMAND} -E env FUZZ_TARGETS=${name} ${PROJECT_SOURCE_DIR}/scripts/fuzz ${MORVELIN_FUZZ_SECONDS})
    set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 600)
endforeach()

# What `cmake --install` puts on a machine.
add_test(NAME install.layout COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install_test.sh ${PROJECT_BINARY_DIR})

# The Debian package, unpacked and run from a scratch root.
add_test(NAME install.debian_package COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/package_test.sh ${PROJECT_BINARY_DIR})
set_tests_properties(install.debian_package PROPERTIES TIMEOUT 900 LABELS packaging)
