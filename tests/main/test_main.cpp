// The main function of every test program. It ends the process without the exit handlers once the
// temporary folders are gone: a test program that passed every test must not fail in a library's
// global teardown.

#include "core/foundation/leak_check.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    morvelin::testing::remove_remaining_temp_dirs();
    std::fflush(nullptr);
    morvelin::check_leaks_before_exit();
    std::_Exit(result);
}
