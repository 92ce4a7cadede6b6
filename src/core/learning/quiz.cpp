#include "core/learning/quiz.h"

#include "core/data/data_set.h"
#include "core/data/records.h"
#include "core/data/visible_species_and_recordings.h"
#include "core/foundation/utilities.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace morvelin {

namespace fs = std::filesystem;

namespace {

constexpr const char* file_header = "Morvelin quiz boxes 1";
// The recordings a quiz plays: those the species text counts, as the window shows them.
constexpr int quiz_item_mode = 3;

bool parse_int(std::string_view text, int& out) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

int QuizBoxes::box(int unique_id) const {
    const auto edition = all_.find(edition_);
    if (edition == all_.end()) return 1;
    const auto found = edition->second.find(unique_id);
    return found == edition->second.end() ? 1 : found->second;
}

bool QuizBoxes::seen(int unique_id) const {
    const auto edition = all_.find(edition_);
    return edition != all_.end() && edition->second.count(unique_id) > 0;
}

void QuizBoxes::answer(int unique_id, bool right) {
    int& b = all_[edition_][unique_id];
    b = right ? std::min(std::max(b, 1) + 1, quiz_box_count) : 1;
}

std::string quiz_boxes_path() {
    std::string base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/') {
        base = ensure_trailing_separator(data);
    } else {
        const char* home = std::getenv("HOME");
        base = ensure_trailing_separator(home && *home ? home : "/tmp") + ".local/share/";
    }
    return base + "Morvelin/quiz-boxes.txt";
}

QuizFileRead read_quiz_boxes(const std::string& path, QuizBoxes& boxes) {
    boxes.all().clear();
    std::error_code code;
    if (!fs::exists(path, code)) return QuizFileRead::missing;
    // Far more than any disc's species need: a larger file is not ours.
    if (!fs::is_regular_file(path, code) || fs::file_size(path, code) > (8u << 20)) return QuizFileRead::damaged;
    const auto bytes = read_whole_file(path);
    if (!bytes) return QuizFileRead::damaged;
    std::istringstream in(*bytes);
    std::string line;
    if (!std::getline(in, line) || line != file_header) return QuizFileRead::damaged;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::istringstream fields(line);
        std::string e, u, b, extra;
        int edition = 0, id = 0, box = 0;
        if (!(fields >> e >> u >> b) || (fields >> extra) || !parse_int(e, edition) || !parse_int(u, id) ||
            !parse_int(b, box) || edition < 0 || id < 0 || box < 1 || box > quiz_box_count) {
            boxes.all().clear();
            return QuizFileRead::damaged;
        }
        boxes.all()[edition][id] = box;
    }
    return QuizFileRead::read;
}

std::string quiz_boxes_text(const QuizBoxes& boxes) {
    std::string out = std::string(file_header) + "\n";
    for (const auto& [edition, species] : boxes.all()) {
        for (const auto& [id, box] : species)
            out += std::to_string(edition) + " " + std::to_string(id) + " " + std::to_string(box) + "\n";
    }
    return out;
}

bool write_quiz_boxes(const std::string& path, const QuizBoxes& boxes) {
    std::error_code code;
    fs::create_directories(fs::path(path).parent_path(), code);
    return write_file_atomically(path, quiz_boxes_text(boxes));
}

std::string set_damaged_quiz_file_aside(const std::string& path) {
    const std::string aside = path + ".damaged";
    std::error_code code;
    fs::rename(path, aside, code);
    return code ? std::string() : aside;
}

std::vector<QuizCandidate> quiz_scope(const Tdata& data, int order, const TClassVisibleSpeciesAndRecordings& visible,
                                      const Tfamily* only_family) {
    std::vector<QuizCandidate> scope;
    if (order < 1 || order >= order_kinds) return scope;
    const auto kind = static_cast<std::size_t>(order);
    for (const Tfamily* f = data.first_family[kind]; f; f = f->next_family) {
        if (only_family && f != only_family) continue;
        for (const Tspecies* s = f->first_species; s; s = s->next_in_order[kind]) {
            if (!visible.species_visible(*s)) continue;
            QuizCandidate candidate{s, f, {}};
            const int count = visible.playable_item_count(*s, quiz_item_mode);
            for (int n = 1; n <= count; ++n) {
                const Tcupaitem* item = visible.nth_visible_item(*s, n, true, quiz_item_mode);
                if (item && std::find(candidate.recordings.begin(), candidate.recordings.end(), item) ==
                                candidate.recordings.end())
                    candidate.recordings.push_back(item);
            }
            if (!candidate.recordings.empty()) scope.push_back(std::move(candidate));
        }
    }
    return scope;
}

bool next_quiz_question(const std::vector<QuizCandidate>& scope, const QuizBoxes& boxes, std::size_t previous,
                        const QuizRandom& random, QuizQuestion& question) {
    if (scope.empty()) return false;
    // Box b weighs 2^(N - b): box 1 sixteen times box 5.
    std::vector<std::uint32_t> weights(scope.size());
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < scope.size(); ++i) {
        const bool excluded = scope.size() > 1 && i == previous;
        const int box = std::clamp(boxes.box(scope[i].species->unique_id), 1, quiz_box_count);
        weights[i] = excluded ? 0u : 1u << (quiz_box_count - box);
        total += weights[i];
    }
    std::uint32_t pick = random(static_cast<std::uint32_t>(total));
    std::size_t chosen = 0;
    for (; chosen + 1 < scope.size(); ++chosen) {
        if (pick < weights[chosen]) break;
        pick -= weights[chosen];
    }
    const QuizCandidate& c = scope[chosen];
    question.candidate = chosen;
    question.recording = c.recordings[random(static_cast<std::uint32_t>(c.recordings.size()))];

    // Other names: from the family when it has three others in scope, else from the whole scope.
    std::vector<const Tspecies*> family, everyone;
    for (const QuizCandidate& other : scope) {
        if (other.species == c.species) continue;
        everyone.push_back(other.species);
        if (other.family == c.family) family.push_back(other.species);
    }
    std::vector<const Tspecies*>& pool = family.size() >= 3 ? family : everyone;
    question.choices = {c.species};
    while (question.choices.size() < 4 && !pool.empty()) {
        const std::size_t i = random(static_cast<std::uint32_t>(pool.size()));
        question.choices.push_back(pool[i]);
        pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(i));
    }
    for (std::size_t i = question.choices.size(); i > 1; --i)
        std::swap(question.choices[i - 1], question.choices[random(static_cast<std::uint32_t>(i))]);
    question.right = static_cast<std::size_t>(
        std::find(question.choices.begin(), question.choices.end(), c.species) - question.choices.begin());
    return true;
}

std::vector<std::pair<const Tfamily*, std::vector<int>>> quiz_boxes_per_family(const std::vector<QuizCandidate>& scope,
                                                                               const QuizBoxes& boxes) {
    std::vector<std::pair<const Tfamily*, std::vector<int>>> out;
    for (const QuizCandidate& c : scope) {
        if (out.empty() || out.back().first != c.family) out.emplace_back(c.family, std::vector<int>(quiz_box_count, 0));
        ++out.back().second[static_cast<std::size_t>(boxes.box(c.species->unique_id) - 1)];
    }
    return out;
}

} // namespace morvelin
