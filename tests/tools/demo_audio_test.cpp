// The demo disc's synthesised phrases: every note carries its kind's timbre.

#include "demo_audio.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using morvelin::demo::Note;
using morvelin::demo::phrase_notes;

TEST(DemoPhrases, EveryNoteHasTheTimbreOfItsKind) {
    struct Kind {
        const char* name;
        double attack, noise;
        std::array<float, 5> harmonics;
    };
    const Kind kinds[] = {
        {"crow", 0.05, 0.15, {1, 0.7f, 0.5f, 0.35f, 0.2f}},
        {"whistle", 0.15, 0, {1, 0.08f, 0, 0, 0}},
        {"screech", 0.1, 0.45, {1, 0.6f, 0.4f, 0.2f, 0}},
        {"rattle", 0.05, 0.9, {1, 0, 0, 0, 0}},
    };
    for (const Kind& kind : kinds) {
        for (std::uint64_t seed : {1u, 2u, 77u}) {
            const std::vector<Note> notes = phrase_notes(kind.name, seed, 600);
            ASSERT_FALSE(notes.empty()) << kind.name;
            for (std::size_t i = 0; i < notes.size(); ++i) {
                EXPECT_EQ(notes[i].attack, kind.attack) << kind.name << " note " << i;
                EXPECT_EQ(notes[i].noise, kind.noise) << kind.name << " note " << i;
                EXPECT_EQ(notes[i].harmonics, kind.harmonics) << kind.name << " note " << i;
            }
        }
    }
}

} // namespace
