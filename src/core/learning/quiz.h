#pragma once
// The voice quiz: questions on random recordings of the species in scope, and a Leitner box per species
// that decides how often it comes back. A miss sends a species back to box 1, a hit moves it one box up;
// a species in box b is drawn with weight 2^(boxes - b), so the ones missed come back far more often
// than the ones known. The boxes are the user's, kept in a small file in the user's data folder and
// keyed by the disc's edition and the species' unique IDs, so they survive a new version of the disc.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace morvelin {

struct Tfamily;
struct Tspecies;
struct Tcupaitem;
class Tdata;
class TClassVisibleSpeciesAndRecordings;

inline constexpr int quiz_box_count = 5;

class QuizBoxes {
public:
    // Chooses the edition that box, seen and answer refer to.
    void set_edition(int edition) { edition_ = edition; }
    int edition() const { return edition_; }
    // Box 1..quiz_box_count of a species of this edition; an unseen species is in box 1.
    int box(int unique_id) const;
    bool seen(int unique_id) const;
    // A right answer moves the species one box up (at most the last), a wrong one back to box 1.
    void answer(int unique_id, bool right);
    // Every edition's boxes, edition → (unique ID → box): the file keeps them all.
    std::map<int, std::map<int, int>>& all() { return all_; }
    const std::map<int, std::map<int, int>>& all() const { return all_; }

private:
    int edition_ = 0;
    std::map<int, std::map<int, int>> all_;
};

// $XDG_DATA_HOME/Morvelin/quiz-boxes.txt (~/.local/share by default).
std::string quiz_boxes_path();

enum class QuizFileRead { read, missing, damaged };
// Reads the boxes; a damaged file (not ours, a bad line, a number out of range) gives damaged and
// empty boxes.
QuizFileRead read_quiz_boxes(const std::string& path, QuizBoxes& boxes);
// The file as written by write_quiz_boxes.
std::string quiz_boxes_text(const QuizBoxes& boxes);
// Writes the whole file at once (its folder made when missing); false when it could not be written.
bool write_quiz_boxes(const std::string& path, const QuizBoxes& boxes);
// Moves a damaged file aside (path + ".damaged", replacing an older one) so that a fresh one can
// start; returns the new name, empty when it could not be moved.
std::string set_damaged_quiz_file_aside(const std::string& path);

// A species that can be asked: its family in the window's order and its visible, playable recordings.
struct QuizCandidate {
    const Tspecies* species = nullptr;
    const Tfamily* family = nullptr;
    std::vector<const Tcupaitem*> recordings;
};

// The species of the window's order that its filter shows and that have a playable recording; only
// family when given.
std::vector<QuizCandidate> quiz_scope(const Tdata& data, int order, const TClassVisibleSpeciesAndRecordings& visible,
                                      const Tfamily* family = nullptr);

// A random number in [0, n) for n >= 1.
using QuizRandom = std::function<std::uint32_t(std::uint32_t n)>;

struct QuizQuestion {
    std::size_t candidate = 0;             // index in the scope
    const Tcupaitem* recording = nullptr;  // the one to play
    std::vector<const Tspecies*> choices;  // up to four names, the right one among them
    std::size_t right = 0;                 // index of the right one in choices
};

// The next question: a species drawn by its box (never the previous one when there is another), a
// random recording of it, and up to three other names from its family when the family has three other
// species in scope, else from the whole scope, in random order. None when the scope is empty.
bool next_quiz_question(const std::vector<QuizCandidate>& scope, const QuizBoxes& boxes, std::size_t previous,
                        const QuizRandom& random, QuizQuestion& question);

// Boxes counted per family of the scope for the summary chart: family → counts of boxes 1..N.
std::vector<std::pair<const Tfamily*, std::vector<int>>> quiz_boxes_per_family(const std::vector<QuizCandidate>& scope,
                                                                               const QuizBoxes& boxes);

} // namespace morvelin
