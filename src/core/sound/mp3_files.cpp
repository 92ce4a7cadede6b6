#include "core/sound/mp3_files.h"

#include "core/data/data_set.h"
#include "core/data/records.h"
#include "core/data/visible_species_and_recordings.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/textfile_handler.h"
#include "core/foundation/utilities.h"
#include "core/sound/file_locations.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace morvelin {

namespace fs = std::filesystem;

namespace {

// A language line, or its English default where the file has none (lines older files lack).
std::string line_or_english(const std::string& key, int line, const char* english) {
    std::string text = language_texts().get_line(key, line + 1);
    return text.empty() ? std::string(english) : text;
}

std::string with_counter(const std::string& file_name, int counter) {
    const std::string stem = file_name.substr(0, file_name.size() - 4); // without ".mp3"
    return stem + " (" + std::to_string(counter) + ").mp3";
}

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// The file exists already: Yes replaces it, No gives the new file a free name.
bool replace_existing(const std::string& path, ExistingFiles& existing, bool remember_answer) {
    if (existing == ExistingFiles::ask) {
        const std::string question =
            remember_answer ? line_or_english("MAKE ALL MP3s", 8,
                                              "Some of the MP3 files exist already in the folder. Do you want to "
                                              "replace them? (No: the new files get a number added to their names.)")
                            : "\"" + message_text_from_path(path) + "\" " +
                                  line_or_english("MAKE ALL MP3s", 9,
                                                  "exists already. Do you want to replace it? (No: the new file "
                                                  "gets a number added to its name.)");
        const bool yes = show_message(question, mb::question_yes_no) == id::yes;
        if (!remember_answer) return yes;
        existing = yes ? ExistingFiles::replace : ExistingFiles::keep;
    }
    return existing == ExistingFiles::replace;
}

bool is_within(const fs::path& inner, const fs::path& outer) {
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (o->empty() && std::next(o) == outer.end()) break; // a trailing separator
        if (i == inner.end() || *i != *o) return false;
    }
    return true;
}

fs::path normal(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    return ec ? fs::absolute(path).lexically_normal() : p;
}

} // namespace

Mp3ExportRequest recording_export_request(const Tcupaitem& recording, const std::string& sound_file) {
    Mp3ExportRequest request;
    request.sound_file = sound_file;
    const Tcutpart& cut = *recording.cut_part;
    if (!cut.is_sound_file) request.slice = Mp3Slice{cut.offset, cut.length};
    if (recording.species) request.species_number = recording.species->order_position[2];
    return request;
}

std::string mp3_capable_sound_file(const Tcutpart& cut_part) {
    const std::string path = sound_file_path(cut_part);
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(path, ec) || !IsMP3CapableSoundFile(path)) return {};
    return path;
}

int recording_number(const Tcupaitem& recording) {
    int number = 1;
    for (const Tcupaitem* i = recording.previous_item; i; i = i->previous_item) ++number;
    return number;
}

std::optional<std::string> Mp3Folder::ensure() {
    const bool first = folder_.empty();
    const std::string wanted = !first                    ? folder_
                               : first_proposal_.empty() ? default_data_folder("MP3/" + program_text(8) + " 3")
                                                         : first_proposal_;
    EnsuredFolder ensured =
        ensure_folder(wanted, first ? "you can store your mp3 files for this DVD-ROM"
                                    : "you can store your mp3 files for this CD- or DVD-ROM");
    if (ensured.cancelled) return std::nullopt;
    folder_ = ensure_trailing_separator(ensured.folder);
    return folder_;
}

Mp3Folder& run_mp3_folder() {
    static Mp3Folder folder;
    return folder;
}

std::string Mp3RunNames::take(const std::string& title, const std::string& species, int number) {
    std::string name = recording_mp3_file_name(title, number);
    if (used_.contains(name) && !species.empty())
        name = recording_mp3_file_name(title + " (" + species + ")", number);
    const std::string plain = name;
    for (int counter = 2; used_.contains(name); ++counter) name = with_counter(plain, counter);
    used_.insert(name);
    return name;
}

Mp3FileResult make_recording_mp3_file(const Tcupaitem& recording, const Mp3TagTexts& texts, Mp3Folder& folder,
                                      Mp3RunNames* names, ExistingFiles& existing, bool remember_answer) {
    Mp3FileResult result;
    const int number = recording_number(recording);
    result.name = texts.title + " #" + std::to_string(number);
    const std::string sound_file = recording.cut_part ? mp3_capable_sound_file(*recording.cut_part) : std::string();
    if (sound_file.empty()) return result;

    const std::optional<std::string> target = folder.ensure();
    if (!target) {
        result.outcome = Mp3FileResult::Outcome::cancelled;
        result.name.clear();
        return result;
    }
    std::string species = texts.genre;
    if (species.empty() && recording.species) species = recording.species->scientific_name;
    Mp3RunNames single;
    Mp3RunNames& run = names ? *names : single;
    std::string name = run.take(texts.title, species, number);
    if (exists(*target + name) && !replace_existing(*target + name, existing, remember_answer)) {
        const std::string plain = name;
        for (int counter = 2; run.used(name) || exists(*target + name); ++counter)
            name = with_counter(plain, counter);
        run.mark(name);
    }

    Mp3ExportRequest request = recording_export_request(recording, sound_file);
    request.texts = texts;
    request.output_file = *target + name;
    if (!ExportRecordingToMP3(request)) return result;
    result.outcome = Mp3FileResult::Outcome::made;
    result.file = request.output_file;
    return result;
}

MakeAllMp3Files::MakeAllMp3Files(const Tdata& data, int order_kind, const TClassVisibleSpeciesAndRecordings& selection,
                                 RecordingTagTexts tag_texts, std::vector<std::string> lines, Mp3Folder& folder)
    : data_(data), order_kind_(order_kind), selection_(selection), tag_texts_(std::move(tag_texts)),
      lines_(std::move(lines)), folder_(folder) {
    lines_.resize(10);
}

void MakeAllMp3Files::start() {
    items_.clear();
    if (order_kind_ >= 1 && order_kind_ < order_kinds) {
        for (const Tfamily* f = data_.first_family[order_kind_]; f; f = f->next_family) {
            for (const Tspecies* s = f->first_species; s; s = s->next_in_order[order_kind_]) {
                if (!selection_.species_visible(*s)) continue;
                for (const Tcupaitem* i = s->first_item; i; i = i->next_item)
                    if (i->cut_part && selection_.cut_part_visible(*i->cut_part)) items_.push_back(i);
            }
        }
    }
    next_ = 0;
    counter_ = 0;
    stop_requested_ = false;
    skipped_.clear();
    files_.clear();
    running_ = true;
    if (items_.empty()) finish();
}

void MakeAllMp3Files::tick() {
    if (!running_) return;
    if (!stop_requested_ && next_ < items_.size()) {
        const Tcupaitem& item = *items_[next_];
        const Mp3FileResult made =
            make_recording_mp3_file(item, tag_texts_(item), folder_, &names_, existing_, true);
        switch (made.outcome) {
        case Mp3FileResult::Outcome::made:
            ++counter_;
            files_.push_back(made.file);
            break;
        case Mp3FileResult::Outcome::cancelled:
            // Without a folder no recording can be made: asking again for each one helps nobody.
            stop_requested_ = true;
            break;
        case Mp3FileResult::Outcome::skipped: {
            skipped_ += skipped_.empty() ? lines_[7] : std::string();
            skipped_ += "\n" + made.name;
            const LanguageFlags language = interface_language();
            const bool english = !language.spanish && !language.portuguese && !language.dutch;
            if (show_message(english ? "Do you want to stop making MP3 files?" : "Quiere parar hacer archivos MP3?",
                             mb::question_yes_no) == id::yes)
                stop_requested_ = true;
            break;
        }
        }
        status_ = lines_[5] + " " + std::to_string(counter_) + " (" + lines_[6] + " " + std::to_string(total()) + ").";
        ++next_;
    }
    if (stop_requested_ || next_ >= items_.size()) finish();
}

void MakeAllMp3Files::request_stop() {
    stop_requested_ = true;
}

void MakeAllMp3Files::finish() {
    running_ = false;
    status_ = lines_[1] + " " + std::to_string(counter_) + " " + lines_[2] + std::string(12, ' ');
}

std::string MakeAllMp3Files::text() const {
    std::string folder = folder_.folder();
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    std::string text = status_ + "\n" + lines_[4] + " \"" + message_text_from_path(folder) + "\".";
    if (!skipped_.empty()) text += "\n" + skipped_;
    return text;
}

// ---- audio CD ----

std::string audio_cd_entries_problem(const std::vector<AudioCdEntry>& entries, const NumberSet& files_instead_of_cd,
                                     const std::vector<std::string>& lines) {
    auto line = [&](std::size_t i) { return i < lines.size() ? lines[i] : std::string(); };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Tcutpart* cut = entries[i].recording ? entries[i].recording->cut_part : nullptr;
        if (!cut || !has_a_file(*cut, files_instead_of_cd))
            return line(0) + "\n" + line(1) + " " + std::to_string(i + 1) + ".\n" + line(2);
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!mp3_capable_sound_file(*entries[i].recording->cut_part).empty()) continue;
        return "The sound file of sound #" + std::to_string(i + 1) +
               " is a \"ripped\" track from an audio CD, but is not  an internally-MP3 compressed WAV file, nor "
               "an MP3 file. Please correct.";
    }
    return {};
}

std::uint64_t audio_cd_needed_mb(const std::vector<AudioCdEntry>& entries) {
    std::uint64_t bytes = 0;
    for (const AudioCdEntry& entry : entries) {
        if (!entry.recording || !entry.recording->cut_part) continue;
        std::error_code ec;
        const std::uintmax_t size = fs::file_size(sound_file_path(*entry.recording->cut_part), ec);
        if (!ec) bytes += static_cast<std::uint64_t>(size) * static_cast<std::uint64_t>(std::max(1, entry.repeat_count));
    }
    return (bytes + 524288) / 1048576 + 1;
}

std::string audio_cd_target_problem(const std::string& target, const std::vector<AudioCdEntry>& entries) {
    const fs::path folder = normal(target);
    const std::string& base = environment().base_directory;
    if (!base.empty() && is_within(folder, normal(base)))
        return line_or_english("PREPARE_FOR_AUDIO_CD", 12,
                               "The files for the audio CD cannot be made inside the folder of the disc's files. "
                               "Please choose another folder.");
    for (const AudioCdEntry& entry : entries) {
        if (!entry.recording || !entry.recording->cut_part) continue;
        const std::string sound = sound_file_path(*entry.recording->cut_part);
        if (!sound.empty() && normal(sound).parent_path() == folder)
            return line_or_english("PREPARE_FOR_AUDIO_CD", 13,
                                   "The folder holds sound files of the play list itself. Please choose another "
                                   "folder.");
    }
    return {};
}

std::vector<std::string> files_in_folder(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (!it->is_directory(ec)) files.push_back(it->path().string());
    std::sort(files.begin(), files.end());
    return files;
}

bool export_audio_cd_entry(const AudioCdEntry& entry, int i, const std::string& folder,
                           const RecordingTagTexts& tag_texts) {
    const std::string sound_file = sound_file_path(*entry.recording->cut_part);
    Mp3ExportRequest request = recording_export_request(*entry.recording, sound_file);
    request.repeat_count = std::clamp(entry.repeat_count, 1, 99);
    request.texts = tag_texts(*entry.recording);
    request.output_file = ensure_trailing_separator(folder) + audio_cd_mp3_file_name(i, entry.title);
    return ExportRecordingToMP3(request);
}

namespace {
TrashFolderFiles& installed_trash() {
    static TrashFolderFiles trash;
    return trash;
}
} // namespace

void install_trash_folder_files(TrashFolderFiles trash) {
    installed_trash() = std::move(trash);
}

bool trash_folder_files(const std::string& folder) {
    return installed_trash() && installed_trash()(folder);
}

} // namespace morvelin
