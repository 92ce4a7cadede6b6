#pragma once
// A test over the demo disc loaded as the program loads it: its language texts, edition 106, its data
// set as the program's, and a settings file of the test's own; everything restored afterwards.

#include "core/data/data_loader.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/textfile_handler.h"
#include "demo_disc.h"
#include "scripted_services.h"
#include "ui_application.h"

#include <gtest/gtest.h>

namespace morvelin::testing {

class DemoDiscUiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui_application();
        const auto disc = demo_disc();
        ASSERT_TRUE(disc) << "the demo disc could not be made";
        saved_ = environment();
        environment().settings_file_path = settings_.file("Morvelin.ini");
        environment().base_directory = *disc;
        install_language_texts(Ttextfile_handler(*disc + "Morvelin.txt"));
        determine_edition_from_code(60);
        install_data_set(load_data({*disc}));
    }
    void TearDown() override {
        install_data_set(nullptr);
        environment() = saved_;
    }

private:
    Environment saved_;
    TempDir settings_;
};

} // namespace morvelin::testing
