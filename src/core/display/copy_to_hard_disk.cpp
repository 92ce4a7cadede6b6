#include "core/display/copy_to_hard_disk.h"

#include "core/foundation/new_file_copy.h"
#include "core/foundation/utilities.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

namespace fs = std::filesystem;

namespace morvelin {

namespace {

bool equal_ignoring_case(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

// Names in folder equal to name ignoring case, sorted; directories only when folders_only.
std::vector<std::string> entries_named(const fs::path& folder, const std::string& name, bool folders_only) {
    std::vector<std::string> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (!equal_ignoring_case(entry, name)) continue;
        std::error_code type_ec;
        if (folders_only && !it->is_directory(type_ec)) continue;
        found.push_back(entry);
    }
    std::sort(found.begin(), found.end());
    return found;
}

struct TreeEntry {
    fs::path source;
    fs::path relative; // below the staging folder
    bool folder = false;
};

// The folders and files below folder, each folder before what it holds, by name. Files behind links are
// copied as files; linked folders are left out, so a link cannot make the walk loop.
bool list_tree(const fs::path& folder, const fs::path& relative, std::vector<TreeEntry>& out,
               const JobControl& control) {
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(*it);
    if (ec) return false;
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    for (const auto& entry : entries) {
        if (control.aborted()) return true;
        std::error_code type_ec;
        const fs::path name = entry.path().filename();
        if (entry.is_directory(type_ec) && !entry.is_symlink(type_ec)) {
            out.push_back({entry.path(), relative / name, true});
            if (!list_tree(entry.path(), relative / name, out, control)) return false;
        } else if (entry.is_regular_file(type_ec)) {
            out.push_back({entry.path(), relative / name, false});
        }
    }
    return true;
}

bool inside(const fs::path& path, const fs::path& folder) {
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
        if (f->empty()) continue; // a trailing separator
        if (p == path.end() || *p != *f) return false;
    }
    return true;
}

fs::path canonical_folder(const std::string& folder) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(folder, ec), ec);
    if (ec) p = fs::path(folder).lexically_normal();
    // No trailing separator: its parent is then the folder above, not the folder itself.
    while (!p.has_filename() && p.has_relative_path())
        p = p.parent_path();
    return p;
}

} // namespace

const std::vector<std::string>& copied_media_folders() {
    static const std::vector<std::string> folders = {"big_pict", "distmaps", "localities", "smalpict",
                                                     "tapes",    "Voices",   "Audio CDs"};
    return folders;
}

std::vector<std::string> media_folders_in(const std::string& source) {
    std::vector<std::string> found;
    for (const auto& name : copied_media_folders())
        for (auto& entry : entries_named(source, name, true))
            found.push_back(std::move(entry));
    return found;
}

std::int64_t media_size(const std::string& source, const std::atomic<bool>* abort) {
    std::int64_t total = 0;
    for (const auto& folder : media_folders_in(source)) {
        if (abort && abort->load()) break;
        total += size_of_tree(ensure_trailing_separator(source) + folder, abort);
    }
    return total;
}

std::vector<std::string> mounted_cdroms() {
    std::vector<std::string> points;
    for (const auto& m : read_mounts()) {
        if (!is_cdrom_file_system(m.fs_type)) continue;
        std::string p = m.mount_point == "/" ? "/" : m.mount_point + "/";
        if (std::find(points.begin(), points.end(), p) == points.end()) points.push_back(p);
    }
    return points;
}

MediaCopy::MediaCopy(std::string source, std::string target)
    : source_(ensure_trailing_separator(source)), target_(ensure_trailing_separator(target)) {}

bool MediaCopy::fail(const std::string& what, const std::string& path) {
    failure_ = what + " " + path;
    if (errno != 0) failure_ += ": " + std::string(std::strerror(errno));
    return false;
}

MediaCopyResult MediaCopy::run(JobControl& control, const MediaCopyProgress& progress) {
    failure_.clear();
    const fs::path source = canonical_folder(source_);
    const fs::path target = canonical_folder(target_);
    const std::vector<std::string> folders = media_folders_in(source_);
    errno = 0;
    if (target == source) {
        fail("The copy would replace its own source:", target_);
        return MediaCopyResult::failed;
    }
    for (const auto& folder : folders) {
        if (inside(target, source / folder)) {
            fail("The copy would go into the folder it copies:", target_);
            return MediaCopyResult::failed;
        }
    }

    // The outermost folder this copy makes, removed again when the copy does not complete.
    fs::path made;
    for (fs::path p = target; !p.empty() && !fs::exists(p); p = p.parent_path()) {
        made = p;
        if (p == p.parent_path()) break;
    }
    const fs::path staging = target / staging_folder_name;
    const fs::path replaced = target / replaced_folder_name;
    std::vector<std::pair<fs::path, fs::path>> moves; // done renames (from, to), undone on failure

    auto clean_up = [&] {
        for (auto it = moves.rbegin(); it != moves.rend(); ++it) {
            std::error_code ec;
            fs::rename(it->second, it->first, ec);
        }
        std::error_code ec;
        fs::remove_all(staging, ec);
        fs::remove_all(replaced, ec);
        if (!made.empty())
            for (fs::path p = target; !p.empty(); p = p.parent_path()) {
                if (!fs::remove(p, ec) || p == made) break; // remove() leaves a folder that holds something
            }
    };
    auto give_up = [&](MediaCopyResult result) {
        const int error = errno;
        clean_up();
        errno = error;
        return result;
    };

    std::error_code ec;
    fs::create_directories(target, ec);
    if (ec || !fs::is_directory(target)) {
        errno = ec.value();
        fail("Cannot make the folder", target_);
        return give_up(MediaCopyResult::failed);
    }
    // What a killed copy left.
    fs::remove_all(staging, ec);
    fs::remove_all(replaced, ec);
    if (!fs::create_directory(staging, ec)) {
        errno = ec.value();
        fail("Cannot make the folder", staging.string());
        return give_up(MediaCopyResult::failed);
    }

    std::vector<TreeEntry> entries;
    for (const auto& folder : folders) {
        entries.push_back({source / folder, folder, true});
        errno = 0;
        if (!list_tree(source / folder, folder, entries, control)) {
            fail("Cannot read the folder", (source / folder).string());
            return give_up(MediaCopyResult::failed);
        }
        if (control.aborted()) return give_up(MediaCopyResult::aborted);
    }
    if (progress.counted)
        progress.counted(std::count_if(entries.begin(), entries.end(), [](const auto& e) { return !e.folder; }));

    const auto keep_going = [&control] { return control.proceed(); };
    for (const auto& entry : entries) {
        if (!control.proceed()) return give_up(MediaCopyResult::aborted);
        const fs::path to = staging / entry.relative;
        errno = 0;
        if (entry.folder) {
            if (!fs::create_directory(to, ec)) {
                errno = ec.value();
                fail("Cannot make the folder", to.string());
                return give_up(MediaCopyResult::failed);
            }
            continue;
        }
        if (progress.copying) progress.copying(entry.source.string());
        switch (copy_new_file(entry.source.string(), to.string(), keep_going)) {
        case NewFileCopy::copied:
            break;
        case NewFileCopy::stopped:
            return give_up(MediaCopyResult::aborted);
        case NewFileCopy::failed:
            fail("Cannot copy", entry.source.string());
            return give_up(MediaCopyResult::failed);
        }
    }
    errno = 0;
    if (!flush_file_system(staging.string())) {
        fail("Cannot write the copy to the disk:", target_);
        return give_up(MediaCopyResult::failed);
    }
    // The last moment to stop: from here the copy is put in place.
    if (!control.proceed()) return give_up(MediaCopyResult::aborted);

    for (const auto& name : copied_media_folders()) {
        const std::vector<std::string> made_copies = entries_named(staging, name, true);
        if (made_copies.empty()) continue;
        for (const auto& old : entries_named(target, name, false)) {
            if (!fs::exists(replaced, ec)) fs::create_directory(replaced, ec);
            moves.emplace_back(target / old, replaced / old);
            fs::rename(target / old, replaced / old, ec);
            if (ec) {
                moves.pop_back();
                errno = ec.value();
                fail("Cannot replace", (target / old).string());
                return give_up(MediaCopyResult::failed);
            }
        }
        for (const auto& copy : made_copies) {
            moves.emplace_back(staging / copy, target / copy);
            fs::rename(staging / copy, target / copy, ec);
            if (ec) {
                moves.pop_back();
                errno = ec.value();
                fail("Cannot move the copy to", (target / copy).string());
                return give_up(MediaCopyResult::failed);
            }
        }
    }
    fs::remove_all(staging, ec);
    fs::remove_all(replaced, ec);
    return MediaCopyResult::completed;
}

std::string shortened_file_line(const std::string& prefix, const std::string& path,
                                const std::function<bool(const std::string& text)>& fits) {
    const bool drive = path.size() >= 2 && path[1] == ':';
    const std::size_t kept = drive ? 3 : 0;
    const std::size_t skip = drive ? 7 : 4;
    std::string text = prefix + path;
    for (std::size_t k = 1; !fits(text); ++k) {
        if (k + skip > path.size()) break; // nothing left to cut
        text = prefix + path.substr(0, kept) + "...." + path.substr(k + skip);
        if (k + skip == path.size()) break;
    }
    return text;
}

} // namespace morvelin
