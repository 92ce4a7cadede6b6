#include "core/sound/play_sequence.h"

#include "../data/mini_disc.h"
#include "core/data/visible_species_and_recordings.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace morvelin {
namespace {

using testing::DataTest;
using testing::ScriptedMessages;

constexpr std::int64_t recording_ms = 1500;
constexpr std::int64_t name_ms = 700;

// What the sequence did, with the fake clock's time.
struct Event {
    std::int64_t at;
    std::string what;
};

class FakeWorld : public PlaySequenceHost, public NameSpeaker {
public:
    std::int64_t now = 0;
    std::vector<Event> events;
    std::set<std::string> name_files; // the spoken-name files that exist
    bool refuse_to_play = false;
    bool ended = false;
    std::map<const Tcupaitem*, std::string> names;
    std::map<const Tcupaitem*, std::int64_t> playing_until; // a bar exists while in here

    std::string name_of(const Tcupaitem& r) { return names.count(&r) ? names[&r] : "?"; }
    void log(const std::string& what) { events.push_back({now, what}); }

    void show_recording(const Tcupaitem& r) override { log("show " + name_of(r)); }
    bool recording_open(const Tcupaitem& r) override {
        const auto it = playing_until.find(&r);
        return it != playing_until.end() && now < it->second;
    }
    bool toggle_play(const Tcupaitem& r) override {
        if (refuse_to_play) return false;
        log("play " + name_of(r));
        playing_until[&r] = now + recording_ms;
        return true;
    }
    void sequence_ended() override {
        ended = true;
        log("end");
    }

    std::int64_t name_until = -1;
    bool start(const std::string& path) override {
        if (!name_files.count(path)) return false;
        log("name " + path);
        name_until = now + name_ms;
        return true;
    }
    bool speaking() override { return now < name_until; }
    void stop() override { name_until = -1; }
};

class PlaySequenceTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        data = load();
        visibility = TClassVisibleSpeciesAndRecordings::create_default(*data);
        visibility.only_with_sounds_or_photos = false;
        gallus_song = data->find_species(1001)->first_item;
        pitta_song = data->find_species(2001)->first_item;
        world.names = {{gallus_song, "gallus"}, {pitta_song, "pitta"}};
        world.name_files = {"1001.wav", "2001.wav"};
    }

    std::unique_ptr<Tsounds_demo_and_play_lists_handler> handler(RecordingSource& source,
                                                                 settings::BetweenSoundsOptions options,
                                                                 bool play_list_mode = true) {
        return std::make_unique<Tsounds_demo_and_play_lists_handler>(
            play_list_mode, options, true, source, world, world, [this] { return world.now; },
            [](const Tspecies& s) { return std::to_string(s.unique_id) + ".wav"; });
    }

    // Ticks at every due time, as the window's timer does, until the sequence stops or the event
    // limit is reached.
    void run(Tsounds_demo_and_play_lists_handler& h, std::size_t max_events = 100) {
        while (h.running() && world.events.size() < max_events && world.now < 10'000'000) {
            world.now += h.interval_ms();
            h.tick();
        }
    }

    std::string story() const {
        std::string out;
        for (const Event& e : world.events)
            out += e.what + "; ";
        return out;
    }
    std::int64_t at(const std::string& what, int nth = 0) const {
        for (const Event& e : world.events)
            if (e.what == what && nth-- == 0) return e.at;
        ADD_FAILURE() << what << " did not happen: " << story();
        return -1;
    }

    PlayList two_entries(int second_count = 1) {
        PlayList list;
        list.add({gallus_song, 1, 1});
        list.add({pitta_song, 1, second_count});
        list.start_sequence(-1);
        return list;
    }

    std::unique_ptr<Tdata> data;
    TClassVisibleSpeciesAndRecordings visibility;
    const Tcupaitem *gallus_song = nullptr, *pitta_song = nullptr;
    FakeWorld world;
};

TEST_F(PlaySequenceTest, NamesOffPauseBeforeEachRecordingThenEnd) {
    PlayList list = two_entries();
    PlayListSource source(list, false);
    auto h = handler(source, {2, false, false, 1});
    run(*h);
    EXPECT_EQ(story(), "show gallus; play gallus; show pitta; play pitta; end; ");
    // State 1 after 200 ms, state 2 after 10 ms, then the pause of 2 s + 10 ms.
    EXPECT_EQ(at("play gallus"), 200 + 10 + 2010);
    EXPECT_GE(at("play pitta") - (at("play gallus") + recording_ms), 2010);
}

TEST_F(PlaySequenceTest, NamesBeforeFirstNameAfter10MsRepeatsWithoutNameOrPause) {
    PlayList list = two_entries(2);
    PlayListSource source(list, false);
    auto h = handler(source, {2, true, false, 1});
    run(*h);
    EXPECT_EQ(story(), "show gallus; name 1001.wav; play gallus; show pitta; name 2001.wav; play pitta; "
                       "show pitta; play pitta; end; ");
    EXPECT_EQ(at("name 1001.wav") - at("show gallus"), 10);
    // The name is heard whole, then the pause after names.
    EXPECT_GE(at("play gallus") - (at("name 1001.wav") + name_ms), 1010);
    EXPECT_GE(at("name 2001.wav") - (at("play gallus") + recording_ms), 2010);
    // The repeat: straight after the first play has ended.
    const std::int64_t repeat_gap = at("play pitta", 1) - (at("play pitta") + recording_ms);
    EXPECT_GE(repeat_gap, 0);
    EXPECT_LT(repeat_gap, 2000);
}

TEST_F(PlaySequenceTest, NamesAfterwardsEndAfterTheLastName) {
    PlayList list = two_entries();
    PlayListSource source(list, false);
    auto h = handler(source, {1, true, true, 2});
    run(*h);
    EXPECT_EQ(story(), "show gallus; play gallus; name 1001.wav; show pitta; play pitta; name 2001.wav; end; ");
    EXPECT_GE(at("name 1001.wav") - (at("play gallus") + recording_ms), 1010);
    EXPECT_GE(at("show pitta") - (at("name 1001.wav") + name_ms), 2010);
}

TEST_F(PlaySequenceTest, MissingNameFileIsSkippedAndThePausesStay) {
    world.name_files.clear();
    PlayList list = two_entries();
    PlayListSource source(list, false);
    auto h = handler(source, {3, true, false, 1});
    run(*h);
    EXPECT_EQ(story(), "show gallus; play gallus; show pitta; play pitta; end; ");
    EXPECT_EQ(at("play gallus") - at("show gallus"), 10 + 1010);
    EXPECT_EQ(at("play pitta") - at("show pitta"), 3010 + 1010);
}

TEST_F(PlaySequenceTest, EndlessLoopKeepsPlaying) {
    PlayList list = two_entries();
    PlayListSource source(list, true);
    auto h = handler(source, {0, false, false, 0});
    run(*h, 40);
    EXPECT_TRUE(h->running());
    EXPECT_FALSE(world.ended);
    const std::string twice = "show gallus; play gallus; show pitta; play pitta; show gallus; play gallus; show pitta; ";
    EXPECT_EQ(story().substr(0, twice.size()), twice);
}

// The bar that vanished (its species folded while it played) counts as ended: the sequence goes on.
TEST_F(PlaySequenceTest, VanishedBarCountsAsEnded) {
    PlayList list = two_entries();
    PlayListSource source(list, false);
    auto h = handler(source, {0, false, false, 0});
    while (world.events.size() < 2) {
        world.now += h->interval_ms();
        h->tick();
    }
    world.playing_until.clear(); // folded: no bar any more
    const std::int64_t folded = world.now;
    run(*h);
    EXPECT_EQ(story(), "show gallus; play gallus; show pitta; play pitta; end; ");
    EXPECT_LT(at("play pitta") - folded, recording_ms);
}

TEST_F(PlaySequenceTest, BarThatDoesNotOpenEndsTheSequence) {
    world.refuse_to_play = true;
    PlayList list = two_entries();
    PlayListSource source(list, false);
    auto h = handler(source, {0, false, false, 0});
    run(*h);
    EXPECT_TRUE(world.ended);
    EXPECT_FALSE(h->running());
    EXPECT_EQ(h->interval_ms(), -1);
}

TEST_F(PlaySequenceTest, PausesAreClampedToTwoDigits) {
    PlayList list = two_entries();
    PlayListSource source(list, false);
    auto h = handler(source, {3'000'000, false, false, -7});
    run(*h, 2);
    EXPECT_EQ(at("play gallus"), 200 + 10 + 99'010);
}

TEST_F(PlaySequenceTest, StopCutsOffTheNameAndEndsQuietly) {
    PlayList list = two_entries();
    PlayListSource source(list, false);
    auto h = handler(source, {0, true, false, 0});
    run(*h, 2);
    ASSERT_TRUE(world.speaking());
    h->stop();
    EXPECT_FALSE(world.speaking());
    world.now += 100'000;
    h->tick();
    EXPECT_EQ(story(), "show gallus; name 1001.wav; ");
}

// ---- the demo ----

TEST_F(PlaySequenceTest, DemoNeverTheSameSpeciesTwiceInARow) {
    SoundDemoSource demo(*data, visibility, 1, 3, [](int) { return 0; });
    // The draw always takes the first eligible species: the one just played is not among them.
    const Tspecies* last = nullptr;
    std::set<int> seen;
    for (int i = 0; i < 6; ++i) {
        const Tspecies* species = demo.next().recording->species;
        EXPECT_NE(species, last) << i;
        seen.insert(species->unique_id);
        last = species;
    }
    EXPECT_EQ(seen, (std::set<int>{1001, 2001}));
}

TEST_F(PlaySequenceTest, DemoWithOneEligibleSpeciesRepeatsItAndNeverDrawsUnnamed) {
    disc.replace("names_sc.txt", "Pitta moluccensis", "?? ??");
    data = load();
    SoundDemoSource demo(*data, visibility, 1, 3, [](int n) { return n - 1; });
    for (int i = 0; i < 3; ++i) {
        const NextEntry e = demo.next();
        ASSERT_TRUE(e.recording);
        EXPECT_EQ(e.recording->species->unique_id, 1001);
        EXPECT_EQ(e.context, 1);
    }
}

TEST_F(PlaySequenceTest, DemoWithNoEligibleSpeciesEndsWithAMessage) {
    ScriptedMessages messages;
    visibility.carriers.show_native = false;
    visibility.carriers.visible_cds.clear();
    SoundDemoSource demo(*data, visibility, 1, 3, [](int) { return 0; });
    auto h = handler(demo, {0, false, false, 0}, false);
    run(*h);
    EXPECT_TRUE(demo.none_eligible());
    EXPECT_EQ(story(), "end; ");
    EXPECT_EQ(messages.shown().size(), 1u);
}

} // namespace
} // namespace morvelin
