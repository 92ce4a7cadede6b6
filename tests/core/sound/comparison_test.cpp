#include "core/sound/comparison.h"

#include "../data/mini_disc.h"
#include "core/foundation/utilities.h"

#include <gtest/gtest.h>

#include <array>

namespace morvelin {
namespace {

using namespace std::string_literals;
using testing::DataTest;

const PlayListProduct product{"Sarovan Bird Sounds", "1.0"};

// The mini disc: Gallus 1001 has a sound-file recording (01001A00001 with a blank variant) and two
// from CDs (00007C00002b, 00010C00001 ), Pitta 2001 one sound file (01001A00002 ).
class ComparisonFileTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        data = load();
        gallus_song = data->find_species(1001)->first_item;
        gallus_call = gallus_song->next_item;
        pitta_song = data->find_species(2001)->first_item;
    }

    ComparisonReadResult read(const std::string& text) const {
        disc_dir().write("set.cmp", text);
        return read_comparison_file(disc_dir().file("set.cmp"), *data, product);
    }
    static std::string file_with(const std::string& recordings,
                                 const std::string& general = "CDROM=Sarovan Bird Sounds\r\nVersion=1.0\r\n") {
        return "[GENERAL]\r\n" + general + "\r\n[RECORDINGS]\r\n" + recordings;
    }

    std::unique_ptr<Tdata> data;
    const Tcupaitem *gallus_song = nullptr, *gallus_call = nullptr, *pitta_song = nullptr;
};

TEST(ComparisonSetTest, KeepsSixDistinctRecordingsInOrder) {
    std::array<Tcupaitem, 7> items;
    ComparisonSet set;
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(set.add(items[std::size_t(i)]), ComparisonSet::Added::added) << i;
    EXPECT_EQ(set.add(items[6]), ComparisonSet::Added::full);
    EXPECT_EQ(set.add(items[2]), ComparisonSet::Added::already_there);
    EXPECT_EQ(set.size(), ComparisonSet::max_recordings);
    EXPECT_EQ(set.index_of(items[6]), -1);

    EXPECT_FALSE(set.remove(6));
    EXPECT_FALSE(set.remove(-1));
    EXPECT_TRUE(set.remove(1));
    EXPECT_EQ(set.index_of(items[2]), 1);
    EXPECT_EQ(set.add(items[6]), ComparisonSet::Added::added);
    EXPECT_EQ(set.index_of(items[6]), 5);
}

TEST_F(ComparisonFileTest, RoundTripKeepsTheRecordingsAndTheirOrder) {
    ComparisonSet set;
    for (const Tcupaitem* r : {pitta_song, gallus_call, gallus_song})
        set.add(*r);
    const std::string path = disc_dir().file("round.cmp");
    ASSERT_TRUE(write_comparison_file(path, set, product));
    const std::string text = *read_whole_file(path);
    EXPECT_EQ(text, file_with("R1=2001,01001A00002 \r\nR2=1001,00007C00002b\r\nR3=1001,01001A00001 \r\n"));

    const ComparisonReadResult back = read_comparison_file(path, *data, product);
    ASSERT_EQ(back.status, ComparisonLoad::loaded);
    EXPECT_FALSE(back.other_version);
    EXPECT_TRUE(back.unresolved.empty());
    EXPECT_EQ(back.set.recordings(), set.recordings());
}

TEST_F(ComparisonFileTest, DiscIdentityDecidesWhetherTheFileIsRead) {
    struct Case {
        std::string general;
        ComparisonLoad status;
        bool other_version;
    };
    const Case cases[] = {
        {"CDROM=Another Guide\r\nVersion=1.0\r\n", ComparisonLoad::other_product, false},
        {"Version=1.0\r\n", ComparisonLoad::not_a_comparison, false},
        {"CDROM=Sarovan Bird Sounds\r\n", ComparisonLoad::not_a_comparison, false},
        {"CDROM=Sarovan Bird Sounds\r\nVersion=0.9\r\n", ComparisonLoad::loaded, true},
    };
    for (const Case& c : cases) {
        const auto result = read(file_with("R1=1001,01001A00001 \r\n", c.general));
        EXPECT_EQ(result.status, c.status) << c.general;
        EXPECT_EQ(result.other_version, c.other_version) << c.general;
        EXPECT_EQ(result.set.size(), c.status == ComparisonLoad::loaded ? 1 : 0) << c.general;
    }
}

TEST_F(ComparisonFileTest, UnresolvedEntriesAreListedAndSkippedAndRowsEndAtTheFirstGap) {
    const auto result = read(file_with("R1=1001,01001A00001 \r\n"
                                       "R2=9999,01001A00001 \r\n"      // no such species
                                       "R3=2001,00007C00002b\r\n"      // not a recording of that species
                                       "R4=abc,zzz\r\n"                // no number
                                       "R5=99999999999999,00001A1\r\n" // out of range
                                       "R6=1001,1001A1\r\n"            // the list key's numbers: the same recording
                                       "R7=1001,7C2b\r\n"
                                       "R9=2001,01001A00002 \r\n")); // after the gap: not read
    ASSERT_EQ(result.status, ComparisonLoad::loaded);
    EXPECT_EQ(result.set.recordings(), (std::vector<const Tcupaitem*>{gallus_song, gallus_call}));
    EXPECT_EQ(result.unresolved, (std::vector<std::string>{"R2=9999,01001A00001", "R3=2001,00007C00002b",
                                                           "R4=abc,zzz", "R5=99999999999999,00001A1"}));
    EXPECT_EQ(result.beyond_limit, 0);
}

TEST_F(ComparisonFileTest, DamagedFilesAreReadSafely) {
    std::string binary(4096, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 131 + 7) % 256);
    EXPECT_EQ(read(binary).status, ComparisonLoad::not_a_comparison);

    // LF and lone CR line ends, and control characters in a value shown in the message.
    const auto lf = read("[GENERAL]\nCDROM=Sarovan Bird Sounds\nVersion=1.0\n[RECORDINGS]\nR1=2001,01001A00002 \n"
                         "R2=12\x01\x1b" "3,x\n");
    ASSERT_EQ(lf.status, ComparisonLoad::loaded);
    EXPECT_EQ(lf.set.recordings(), std::vector<const Tcupaitem*>{pitta_song});
    EXPECT_EQ(lf.unresolved, std::vector<std::string>{"R2=12??3,x"});

    const std::string long_value(300, '7');
    const auto cut = read(file_with("R1=" + long_value + "\r\n"));
    ASSERT_EQ(cut.unresolved.size(), 1u);
    EXPECT_EQ(cut.unresolved[0], "R1=" + long_value.substr(0, 40) + "...");

    // Larger than any comparison file: refused unread.
    const auto huge = read(file_with("R1=1001,01001A00001 \r\n") + std::string(max_comparison_file_bytes, ';'));
    EXPECT_EQ(huge.status, ComparisonLoad::not_a_comparison);

    // A folder, a missing file and an empty name.
    EXPECT_EQ(read_comparison_file(disc_dir().path(), *data, product).status, ComparisonLoad::not_a_comparison);
    EXPECT_EQ(read_comparison_file(disc_dir().file("none.cmp"), *data, product).status,
              ComparisonLoad::not_a_comparison);
    EXPECT_EQ(read_comparison_file("", *data, product).status, ComparisonLoad::not_a_comparison);
}

TEST_F(ComparisonFileTest, ARecordingNamedTwiceIsReadOnce) {
    const auto result = read(file_with("R1=2001,01001A00002 \r\nR2=2001,01001A00002 \r\nR3=1001,01001A00001 \r\n"));
    EXPECT_EQ(result.set.recordings(), (std::vector<const Tcupaitem*>{pitta_song, gallus_song}));
    EXPECT_TRUE(result.unresolved.empty());
}

} // namespace
} // namespace morvelin
