// The main function of every test program. It ends the process without the exit handlers: Qt 6.4's
// PulseAudio engine is a global static whose destructor disconnects from the sound server without
// holding its main loop's lock, and the race with the main loop's thread can abort a test program
// that has passed every test.

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
