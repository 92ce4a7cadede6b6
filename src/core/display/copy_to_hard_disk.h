#pragma once
// Copying the media folders of a disc to the hard disk (Options > Copy to HD), without a display: which
// folders, how much, the copy itself and the text of the copy window's file line. The copy goes into a
// staging folder inside the target and is moved into place only when every file is there and on disk,
// so a failed or stopped copy leaves the target as it was.

#include "core/foundation/environment.h"
#include "core/foundation/job.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace morvelin {

// The media folders, in the order they are copied.
const std::vector<std::string>& copied_media_folders();

// The sub-folders of source that are copied, spelled as they are there, in copy order: for each media
// folder every sub-folder whose name equals it ignoring ASCII case (discs are authored on systems that
// ignore case, so "VOICES" and "voices" are both the sound folder), by name.
std::vector<std::string> media_folders_in(const std::string& source);

// Total size in bytes of the files in those folders; stops early, returning what it has, once abort is
// set.
std::int64_t media_size(const std::string& source, const std::atomic<bool>* abort = nullptr);

// The mount points (ending with '/') of the mounted CD and DVD file systems, in mount-table order.
std::vector<std::string> mounted_cdroms();

// Where "is this on a CD or DVD" and "which discs are there" come from; tests put a plain folder in
// place of a disc.
struct CdromProbe {
    std::function<bool(const std::string& path)> is_cdrom = is_cdrom_path;
    std::function<std::vector<std::string>()> drives = mounted_cdroms;
};

enum class MediaCopyResult { completed, failed, aborted };

struct MediaCopyProgress {
    std::function<void(std::int64_t files)> counted;       // once, before the first file
    std::function<void(const std::string& file)> copying;  // before each file, with its source path
};

// Names of the helper folders inside the target; a copy that was killed leaves them, the next copy into
// the same folder removes them first.
constexpr const char* staging_folder_name = ".morvelin-copy";
constexpr const char* replaced_folder_name = ".morvelin-replaced";

// Copies the media folders found in source into target (both folders; target is made when missing).
// The copy goes to the staging folder inside target, is flushed to disk, and then each media folder
// of target (matched ignoring case) is replaced by its new copy; folders of target that source does not
// have, and anything else in target, stay. The control's abort flag and pause gate are obeyed between
// files and between the blocks of a large file. On failure or abort everything made is removed again
// (the target folder too, when the copy made it) and target is as before. The copy must not go into
// source itself or into one of its media folders. Runs on the calling thread; the progress calls come
// from it.
class MediaCopy {
public:
    MediaCopy(std::string source, std::string target);

    MediaCopyResult run(JobControl& control, const MediaCopyProgress& progress = {});

    // After a failure: what failed (a path and the system's reason), for the failure message.
    const std::string& failure() const { return failure_; }

private:
    bool fail(const std::string& what, const std::string& path);

    std::string source_;
    std::string target_;
    std::string failure_;
};

// The file line of the copy window: prefix + path, shortened until fits() accepts it. Step k of the
// shortening keeps a drive ("X:\") and shows "...." and the path from character k + 7 (with a drive) or
// k + 4 (without); it stops at the step that leaves nothing of the path to cut, whether it fits or not.
std::string shortened_file_line(const std::string& prefix, const std::string& path,
                                const std::function<bool(const std::string& text)>& fits);

} // namespace morvelin
