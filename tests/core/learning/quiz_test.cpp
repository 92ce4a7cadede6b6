#include "core/learning/quiz.h"

#include "core/data/records.h"
#include "core/foundation/utilities.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

namespace morvelin {
namespace {

TEST(QuizBoxes, HitsClimbOneBoxAMissFallsBackAndEditionsStayApart) {
    QuizBoxes boxes;
    boxes.set_edition(106);
    EXPECT_EQ(boxes.box(1001), 1);
    EXPECT_FALSE(boxes.seen(1001));
    for (int expected : {2, 3, 4, 5, 5}) {
        boxes.answer(1001, true);
        EXPECT_EQ(boxes.box(1001), expected);
    }
    boxes.answer(1001, false);
    EXPECT_EQ(boxes.box(1001), 1);
    EXPECT_TRUE(boxes.seen(1001));
    boxes.answer(1001, true);
    boxes.set_edition(101);
    EXPECT_EQ(boxes.box(1001), 1);
    boxes.set_edition(106);
    EXPECT_EQ(boxes.box(1001), 2);
}

TEST(QuizFile, RoundTripKeepsEveryEditionAndDamageIsToldNotTrusted) {
    testing::TempDir dir;
    const std::string path = dir.file("data/Morvelin/quiz-boxes.txt");
    QuizBoxes boxes, read;
    EXPECT_EQ(read_quiz_boxes(path, read), QuizFileRead::missing);
    boxes.set_edition(106);
    boxes.answer(1001, true);
    boxes.answer(2001, false);
    boxes.set_edition(101);
    boxes.answer(7, true);
    ASSERT_TRUE(write_quiz_boxes(path, boxes)); // the folders are made
    ASSERT_EQ(read_quiz_boxes(path, read), QuizFileRead::read);
    EXPECT_EQ(read.all(), boxes.all());
    EXPECT_EQ(quiz_boxes_text(read), "Morvelin quiz boxes 1\n101 7 2\n106 1001 2\n106 2001 1\n");

    const char* damaged[] = {
        "",
        "Some other file\n106 1001 2\n",
        "Morvelin quiz boxes 1\n106 1001 0\n",
        "Morvelin quiz boxes 1\n106 1001 6\n",
        "Morvelin quiz boxes 1\n106 x 2\n",
        "Morvelin quiz boxes 1\n106 1001 2 9\n",
        "Morvelin quiz boxes 1\n106 1001\n",
        "Morvelin quiz boxes 1\n106 99999999999999999999 2\n",
        "Morvelin quiz boxes 1\n-106 1001 2\n",
        "\x01\x02\x03\xff binary",
    };
    for (const char* text : damaged) {
        ASSERT_TRUE(write_file_atomically(path, text));
        QuizBoxes out;
        out.all()[1][1] = 1;
        EXPECT_EQ(read_quiz_boxes(path, out), QuizFileRead::damaged) << text;
        EXPECT_TRUE(out.all().empty()) << text;
    }
    const std::string aside = set_damaged_quiz_file_aside(path);
    EXPECT_EQ(aside, path + ".damaged");
    EXPECT_EQ(read_quiz_boxes(path, read), QuizFileRead::missing);
    EXPECT_TRUE(read_whole_file(aside).has_value());
}

// Six species with a recording each: four of family A (the first missed, in box 1, the others known,
// in box 5) and two of family B.
class QuizSchedulerTest : public ::testing::Test {
protected:
    QuizSchedulerTest() {
        for (std::size_t i = 0; i < species.size(); ++i) {
            species[i].unique_id = 1000 + static_cast<int>(i);
            scope.push_back({&species[i], i < 4 ? &family_a : &family_b, {&items[i]}});
        }
        boxes.set_edition(106);
        for (std::size_t i = 1; i < species.size(); ++i)
            for (int k = 0; k < 4; ++k) boxes.answer(species[i].unique_id, true);
    }
    // A fixed sequence of numbers (a linear congruential generator).
    QuizRandom random = [state = std::uint64_t{12345}](std::uint32_t n) mutable {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>((state >> 33) % n);
    };
    std::array<Tspecies, 6> species{};
    std::array<Tcupaitem, 6> items{};
    Tfamily family_a, family_b;
    std::vector<QuizCandidate> scope;
    QuizBoxes boxes;
};

TEST_F(QuizSchedulerTest, AMissedSpeciesComesBackFarMoreOftenAndNeverTwiceInARow) {
    std::array<int, 6> asked{};
    std::size_t previous = scope.size();
    for (int q = 0; q < 3000; ++q) {
        QuizQuestion question;
        ASSERT_TRUE(next_quiz_question(scope, boxes, previous, random, question));
        ASSERT_NE(question.candidate, previous);
        ++asked[question.candidate];
        previous = question.candidate;
    }
    // Box 1 weighs sixteen times box 5: the missed species is asked after four of every five other
    // questions, about four times as often as each known one (never twice in a row).
    for (std::size_t i = 1; i < asked.size(); ++i)
        EXPECT_GT(asked[0], 3 * asked[i]) << i;
    EXPECT_GT(asked[0], 3000 * 4 / 10);
}

TEST_F(QuizSchedulerTest, FourDifferentNamesFromTheFamilyWhenItHasEnoughElseFromTheScope) {
    std::size_t previous = scope.size();
    std::set<std::size_t> right_places;
    for (int q = 0; q < 200; ++q) {
        QuizQuestion question;
        ASSERT_TRUE(next_quiz_question(scope, boxes, previous, random, question));
        previous = question.candidate;
        ASSERT_EQ(question.choices.size(), 4u);
        EXPECT_EQ(std::set<const Tspecies*>(question.choices.begin(), question.choices.end()).size(), 4u);
        ASSERT_LT(question.right, 4u);
        EXPECT_EQ(question.choices[question.right], scope[question.candidate].species);
        EXPECT_EQ(question.recording, &items[question.candidate]);
        right_places.insert(question.right);
        if (question.candidate < 4) {
            for (const Tspecies* s : question.choices) EXPECT_LT(s - species.data(), 4) << "a name outside family A";
        }
    }
    EXPECT_EQ(right_places.size(), 4u); // the right name is not always in one place

    // One species: asked again and again, with its own name only.
    const std::vector<QuizCandidate> one(scope.begin(), scope.begin() + 1);
    QuizQuestion question;
    ASSERT_TRUE(next_quiz_question(one, boxes, 0, random, question));
    EXPECT_EQ(question.choices.size(), 1u);
    EXPECT_FALSE(next_quiz_question({}, boxes, 0, random, question));
}

TEST_F(QuizSchedulerTest, BoxesCountedPerFamily) {
    const auto chart = quiz_boxes_per_family(scope, boxes);
    ASSERT_EQ(chart.size(), 2u);
    EXPECT_EQ(chart[0].first, &family_a);
    EXPECT_EQ(chart[0].second, (std::vector<int>{1, 0, 0, 0, 3}));
    EXPECT_EQ(chart[1].second, (std::vector<int>{0, 0, 0, 0, 2}));
}

} // namespace
} // namespace morvelin
