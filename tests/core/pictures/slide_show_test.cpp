#include "core/pictures/slide_show.h"

#include "../data/mini_disc.h"
#include "core/data/visible_species_and_recordings.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace morvelin {
namespace {

using testing::DataTest;
using testing::ScriptedMessages;

constexpr int recording_ms = 1500;
constexpr std::int64_t name_ms = 700;

class FakeShowWindow : public SlideShowHost, public NameSpeaker {
public:
    std::int64_t now = 0;
    std::string story;
    std::set<int> missing_photos_of; // species whose photo files are not there
    std::set<std::string> name_files;
    std::vector<const Tspecies*> shown_species;
    TRecordingsAndOrPicturesList list;
    bool ended = false;
    std::int64_t bar_until = -1;
    std::int64_t bar_extra = 0; // the bar plays on after the recording's nominal length
    std::int64_t name_until = -1;

    void log(const std::string& what) { story += std::to_string(now) + " " + what + "; "; }

    bool show_picture(const Tbig_picture& p) override {
        if (missing_photos_of.count(p.species->unique_id)) return false;
        log("photo " + std::to_string(p.species->unique_id) + "." + std::to_string(p.number));
        return true;
    }
    bool play_recording(const Tcupaitem& r) override {
        log("play " + std::to_string(r.species->unique_id));
        bar_until = now + r.cut_part->length + bar_extra;
        return true;
    }
    bool recording_playing(const Tcupaitem&) override { return now < bar_until; }
    void stop_recording() override { bar_until = -1; }
    void shown(const Tspecies& s, const Tbig_picture* p, const Tcupaitem* r) override {
        shown_species.push_back(&s);
        list.add(s, s.scientific_name, p, r);
    }
    void show_ended() override {
        ended = true;
        log("end");
    }

    bool start(const std::string& path) override {
        if (!name_files.count(path)) return false;
        log("name " + path);
        name_until = now + name_ms;
        return true;
    }
    bool speaking() override { return now < name_until; }
    void stop() override { name_until = -1; }
};

class SlideShowTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        // A counted photo of the pitta as well, so that two species take turns.
        disc.replace("big_pict.txt", "Egg\n", "Egg\n@#[]\n2001\n\n\n\n\n\nPitta on a log\n");
        reload();
    }
    void reload() {
        data = load();
        visibility = TClassVisibleSpeciesAndRecordings::create_default(*data);
        visibility.only_with_sounds_or_photos = false;
        for (int id : {1001, 2001})
            if (Tspecies* s = data->find_species(id); s && s->first_item) s->first_item->cut_part->length = recording_ms;
    }

    std::unique_ptr<TSlideShow> show(SlideShowOptions options, RandomSource random = [](int) { return 0; }) {
        return std::make_unique<TSlideShow>(*data, visibility, options, window, window, [this] { return window.now; },
                                            std::move(random),
                                            [](const Tspecies& s) { return std::to_string(s.unique_id) + ".wav"; });
    }
    // Ticks at every due time, as the window's timer does.
    void run(TSlideShow& s, int ticks) {
        for (int i = 0; i < ticks && s.running(); ++i) {
            window.now += s.interval_ms();
            s.tick();
        }
    }
    static SlideShowOptions slides_only(int seconds = 5) {
        SlideShowOptions o;
        o.sounds = false;
        o.slide_seconds = seconds;
        return o;
    }
    static SlideShowOptions with_sounds(settings::BetweenSoundsOptions between, int seconds = 1) {
        SlideShowOptions o;
        o.slide_seconds = seconds;
        o.between = between;
        return o;
    }

    std::unique_ptr<Tdata> data;
    TClassVisibleSpeciesAndRecordings visibility;
    FakeShowWindow window;
};

TEST(RecordingsAndOrPicturesList, EntryTextsAndTheOldestDroppedAfter200) {
    Tperson anna{"KESTOVAR, ANNA", "2 Kingfisher Row", "", ""}; // the key is the name
    Tperson tomas{"BRASK, TOMAS", "Tomas Brask", "", ""};
    Tspecies species;
    species.scientific_name = "Gallus gallus";
    Tbig_picture picture;
    picture.number = 2;
    picture.copyright_holder = &anna;
    Tcutpart cut;
    cut.key = "1001A0001";
    cut.recordist = &tomas;
    Tcupaitem recording;
    recording.cut_part = &cut;

    TRecordingsAndOrPicturesList list;
    list.set_words("Foto", "");
    int changes = 0;
    list.changed = [&] { ++changes; };
    list.add(species, "Red Junglefowl (Gallus gallus)", &picture, &recording);
    list.add(species, "", &picture, nullptr);
    list.add(species, "", nullptr, &recording);
    EXPECT_EQ(list.entries()[0].text,
              "1: Red Junglefowl (Gallus gallus) Foto (2, \xA9 KESTOVAR, ANNA) & recording (1001A0001, BRASK, TOMAS)");
    EXPECT_EQ(list.entries()[1].text, "2: Gallus gallus Foto (2, \xA9 KESTOVAR, ANNA)");
    EXPECT_EQ(list.entries()[2].text, "3: Gallus gallus recording (1001A0001, BRASK, TOMAS)");

    for (int i = 4; i <= 201; ++i)
        list.add(species, "", &picture, nullptr);
    ASSERT_EQ(list.entries().size(), 200u);
    EXPECT_EQ(list.entries().front().text.rfind("2: ", 0), 0u);
    EXPECT_EQ(list.entries().back().text.rfind("201: ", 0), 0u);
    EXPECT_EQ(changes, 201);
    EXPECT_EQ(list.text().rfind("2: Gallus gallus Foto", 0), 0u);
}

// The sounds-only show records each recording its source hands on, and the end of the source too.
TEST(RecordedRecordingSource, RecordsEveryRecordingHandedOn) {
    Tspecies species;
    species.scientific_name = "Gallus gallus";
    species.vernacular_name = "Red Junglefowl";
    Tcutpart cut;
    cut.key = "1001A0001";
    Tcupaitem recording;
    recording.cut_part = &cut;
    recording.species = &species;

    struct TwoThenEnd : RecordingSource {
        const Tcupaitem* recording;
        int calls = 0;
        NextEntry next() override { return {++calls <= 2 ? recording : nullptr}; }
    };
    auto inner = std::make_unique<TwoThenEnd>();
    inner->recording = &recording;
    TRecordingsAndOrPicturesList list;
    RecordedRecordingSource source(std::move(inner), list);
    EXPECT_EQ(source.next().recording, &recording);
    EXPECT_EQ(source.next().recording, &recording);
    EXPECT_EQ(source.next().recording, nullptr);
    ASSERT_EQ(list.entries().size(), 2u);
    EXPECT_EQ(list.entries()[1].text, "2: Red Junglefowl (Gallus gallus) recording (1001A0001)");
    EXPECT_EQ(list.entries()[1].recording, &recording);
}

TEST_F(SlideShowTest, NeverTheSameSpeciesTwiceInARowNorAnUncountedPhoto) {
    for (const bool sounds : {false, true}) {
        SCOPED_TRACE(sounds);
        window.shown_species.clear();
        std::mt19937 generator(7);
        SlideShowOptions options = sounds ? with_sounds({0, false, false, 0}) : slides_only();
        auto s = show(options, [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(generator); });
        run(*s, 1000);
        ASSERT_GT(window.shown_species.size(), 100u);
        std::set<int> seen;
        for (std::size_t i = 0; i < window.shown_species.size(); ++i) {
            seen.insert(window.shown_species[i]->unique_id);
            if (i > 0) {
                ASSERT_NE(window.shown_species[i], window.shown_species[i - 1]) << i;
            }
        }
        // The peafowl has only a photo that does not count, the junglefowl's second photo does not count.
        EXPECT_EQ(seen, (std::set<int>{1001, 2001}));
        EXPECT_EQ(window.story.find("photo 1002"), std::string::npos);
        EXPECT_EQ(window.story.find("photo 1001.2"), std::string::npos);
    }
}

TEST_F(SlideShowTest, SlidesOnlyChangeEveryIntervalAndAreRecorded) {
    auto s = show(slides_only(5));
    run(*s, 3);
    EXPECT_EQ(window.story, "10 photo 1001.1; 5010 photo 2001.1; 10010 photo 1001.1; ");
    ASSERT_EQ(window.list.entries().size(), 3u);
    EXPECT_EQ(window.list.entries()[1].text, "2: Pitta moluccensis photo (1)");
    EXPECT_EQ(window.list.entries()[1].recording, nullptr);
}

TEST_F(SlideShowTest, OneEligibleSpeciesComesAgainAndNoneEndsWithAMessage) {
    disc.replace("names_sc.txt", "Pitta moluccensis", "?? ??");
    reload();
    auto one = show(slides_only());
    run(*one, 5);
    EXPECT_EQ(window.shown_species.size(), 5u);
    for (const Tspecies* species : window.shown_species)
        EXPECT_EQ(species->unique_id, 1001);

    ScriptedMessages messages;
    window.story.clear();
    window.now = 0;
    disc.replace("big_pict.txt", "gallus (P)\nKESTOVAR, ANNA\n150398\nKHAOYAI\n\n",
                 "gallus (P)\nKESTOVAR, ANNA\n150398\nKHAOYAI\nNSS\n");
    reload();
    auto none = show(slides_only());
    run(*none, 5);
    EXPECT_FALSE(none->running());
    EXPECT_EQ(window.story, "10 end; ");
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_NE(messages.shown()[0].text.find("No species with a photo"), std::string::npos);
}

TEST_F(SlideShowTest, WithSoundsOnlySpeciesWithAPlayableRecordingAndAPhoto) {
    ScriptedMessages messages;
    // The sound files are hidden: the photos are still shown, but no show with sounds can start.
    visibility.carriers.show_native = false;
    auto slides = show(slides_only());
    run(*slides, 3);
    EXPECT_EQ(window.shown_species.size(), 3u);
    EXPECT_TRUE(messages.shown().empty());

    window.story.clear();
    window.now = 0;
    auto sounds = show(with_sounds({0, false, false, 0}));
    run(*sounds, 3);
    EXPECT_EQ(window.story, "10 end; ");
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "No species with a photo and a recording that can be played is shown.");
}

TEST_F(SlideShowTest, MissingPhotoFilesAreSkippedUntilNothingIsLeft) {
    ScriptedMessages messages;
    window.missing_photos_of = {1001};
    auto s = show(slides_only(2));
    run(*s, 4);
    EXPECT_EQ(window.story, "10 photo 2001.1; 2010 photo 2001.1; 4010 photo 2001.1; 6010 photo 2001.1; ");
    window.missing_photos_of = {1001, 2001};
    run(*s, 4);
    EXPECT_FALSE(s->running());
    EXPECT_TRUE(window.ended);
    EXPECT_EQ(messages.shown().size(), 1u);
}

// The order of a step and its timing, for each between-sounds setting: (pause between sounds,
// names, names afterwards, pause after names) = (2 s, -, -, 1 s).
struct TimingCase {
    bool names;
    bool afterwards;
    bool name_file;
    const char* story;
};

class SlideShowTiming : public SlideShowTest, public ::testing::WithParamInterface<TimingCase> {};

TEST_P(SlideShowTiming, PhotoNameRecordingPauseNameNext) {
    const TimingCase& c = GetParam();
    if (c.name_file) window.name_files = {"1001.wav"};
    auto s = show(with_sounds({2, c.names, c.afterwards, 1}));
    while (s->running() && window.shown_species.size() < 2) {
        window.now += s->interval_ms();
        s->tick();
    }
    EXPECT_EQ(window.story, c.story);
}

INSTANTIATE_TEST_SUITE_P(
    BetweenSounds, SlideShowTiming,
    ::testing::Values(
        // photo at 10, recording 10 ms later, 1500 + 10 ms long, then 2 s + 10 ms.
        TimingCase{false, false, true, "10 photo 1001.1; 20 play 1001; 3540 photo 2001.1; "},
        // the name (700 ms) before, 1 s + 10 ms after it.
        TimingCase{true, false, true, "10 photo 1001.1; 20 name 1001.wav; 1730 play 1001; 5250 photo 2001.1; "},
        // a missing name file costs only its 10 ms.
        TimingCase{true, false, false, "10 photo 1001.1; 1030 play 1001; 4550 photo 2001.1; "},
        // the name after the pause, the next photo 1 s + 10 ms after it.
        TimingCase{true, true, true, "10 photo 1001.1; 20 play 1001; 3540 name 1001.wav; 5250 photo 2001.1; "}));

TEST_F(SlideShowTest, ARecordingStillPlayingIsWaitedForAndTheSlideIntervalIsKept) {
    window.bar_extra = 300;
    auto s = show(with_sounds({0, false, false, 0}, 10));
    while (s->running() && window.shown_species.size() < 2) {
        window.now += s->interval_ms();
        s->tick();
    }
    // The bar plays until 1820; the photo stays its ten seconds.
    EXPECT_EQ(window.story, "10 photo 1001.1; 20 play 1001; 10010 photo 2001.1; ");
    EXPECT_EQ(window.list.entries()[0].recording, data->find_species(1001)->first_item);
    s->stop();
    EXPECT_EQ(window.bar_until, -1);
    EXPECT_EQ(s->interval_ms(), -1);
}

} // namespace
} // namespace morvelin
