#include "core/foundation/environment.h"

#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/utilities.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <locale>
#include <sstream>

namespace fs = std::filesystem;

namespace morvelin {

const ProgramConfig& program_config() {
    static const ProgramConfig config;
    return config;
}

Environment& environment() {
    static Environment env;
    return env;
}

namespace {

// Mount points in mountinfo escape space, tab, newline and backslash as \ooo.
std::string unescape_mount_field(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
            field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// Made absolute and free of symbolic links as far as the path exists, so that it compares with the
// mount points the kernel lists.
std::string normalised(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    if (ec) p = fs::absolute(path, ec).lexically_normal();
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

bool holds(const std::string& mount_point, const std::string& path) {
    if (mount_point == "/") return !path.empty() && path.front() == '/';
    return path.compare(0, mount_point.size(), mount_point) == 0 &&
           (path.size() == mount_point.size() || path[mount_point.size()] == '/');
}

std::string config_home() {
    if (const char* c = std::getenv("XDG_CONFIG_HOME"); c && *c && c[0] == '/')
        return ensure_trailing_separator(c);
    return home_folder() + ".config/";
}

std::string executable_folder(const std::string& executable_path) {
    std::error_code ec;
    fs::path exe;
    if (executable_path.find('/') != std::string::npos) {
        exe = fs::weakly_canonical(fs::absolute(executable_path, ec), ec);
        if (ec) exe = fs::absolute(executable_path, ec);
    } else {
        exe = fs::read_symlink("/proc/self/exe", ec);
    }
    if (exe.empty() || !exe.has_parent_path())
        return ensure_trailing_separator(fs::current_path(ec).string());
    return ensure_trailing_separator(exe.parent_path().string());
}

} // namespace

std::vector<MountEntry> read_mounts(std::istream& mountinfo) {
    std::vector<MountEntry> mounts;
    std::string line;
    while (std::getline(mountinfo, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mount_point, options, field;
        if (!(fields >> id >> parent >> device >> root >> mount_point >> options)) continue;
        // Optional fields run up to a lone "-"; file system type and source follow it.
        bool separator = false;
        while (fields >> field)
            if (field == "-") {
                separator = true;
                break;
            }
        MountEntry entry;
        if (!separator || !(fields >> entry.fs_type)) continue;
        fields >> entry.source;
        entry.mount_point = unescape_mount_field(mount_point);
        entry.source = unescape_mount_field(entry.source);
        while (entry.mount_point.size() > 1 && entry.mount_point.back() == '/')
            entry.mount_point.pop_back();
        mounts.push_back(std::move(entry));
    }
    return mounts;
}

std::vector<MountEntry> read_mounts() {
    std::ifstream in("/proc/self/mountinfo");
    if (!in) return {};
    return read_mounts(in);
}

std::optional<MountEntry> find_mount(const std::string& path, std::istream& mountinfo) {
    std::string p = normalised(path);
    std::optional<MountEntry> best;
    for (auto& m : read_mounts(mountinfo)) {
        if (!holds(m.mount_point, p)) continue;
        // Longer mount points are nearer; among equal ones the later mount hides the earlier.
        if (!best || m.mount_point.size() >= best->mount_point.size()) best = std::move(m);
    }
    return best;
}

std::optional<MountEntry> find_mount(const std::string& path) {
    std::ifstream in("/proc/self/mountinfo");
    if (!in) return std::nullopt;
    return find_mount(path, in);
}

bool is_cdrom_file_system(const std::string& fs_type) {
    return fs_type == "iso9660" || fs_type == "udf";
}

bool is_cdrom_path(const std::string& path) {
    if (path.empty()) return false;
    auto m = find_mount(path);
    return m && is_cdrom_file_system(m->fs_type);
}

char time_separator_of(const std::string& formatted_time) {
    std::size_t i = 0;
    while (i < formatted_time.size() && !(formatted_time[i] >= '0' && formatted_time[i] <= '9'))
        ++i;
    if (i == formatted_time.size()) return ':';
    while (i < formatted_time.size() && formatted_time[i] >= '0' && formatted_time[i] <= '9')
        ++i;
    // A separator is one punctuation character followed by the minutes; "13 h 45" and the like keep ':'.
    if (i + 1 >= formatted_time.size()) return ':';
    char c = formatted_time[i];
    bool punctuation = (c == ':' || c == '.' || c == ',' || c == '-' || c == '\'' || c == '/');
    bool digit_follows = formatted_time[i + 1] >= '0' && formatted_time[i + 1] <= '9';
    return punctuation && digit_follows ? c : ':';
}

char locale_time_separator() {
    try {
        std::ostringstream out;
        out.imbue(std::locale(""));
        std::tm t{};
        t.tm_hour = 13;
        t.tm_min = 45;
        t.tm_sec = 56;
        t.tm_mday = 1;
        t.tm_year = 100;
        out << std::put_time(&t, "%X");
        return time_separator_of(out.str());
    } catch (...) {
        return ':'; // an unknown locale name in the environment
    }
}

namespace {

// A settings file left in a program folder that is not ours to write (by an installer, or on a
// read-only disc) holds the settings of the install: the first start copies it to the user's file.
void seed_settings_file(const std::string& installed, const std::string& personal) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(personal, ec)) || !fs::is_regular_file(installed, ec)) return;
    if (auto bytes = read_whole_file(installed)) write_file_atomically(personal, *bytes);
}

} // namespace

std::string settings_file_location(const std::string& program_folder, bool program_folder_writable) {
    const std::string& name = program_config().settings_file_name;
    if (program_folder_writable) return program_folder + name;
    std::string folder = config_home() + "Morvelin/";
    std::error_code ec;
    fs::create_directories(folder, ec);
    seed_settings_file(program_folder + name, folder + name);
    return folder + name;
}

void init_environment(const std::string& executable_path) {
    Environment& env = environment();
    const ProgramConfig& config = program_config();
    std::error_code ec;
    env.startup_folder = ensure_trailing_separator(fs::current_path(ec).string());
    env.program_folder = executable_folder(executable_path);
    env.time_separator = locale_time_separator();

    if (config.settings_file_name.empty()) return;
    env.settings_file_path =
        settings_file_location(env.program_folder, can_write(env.program_folder));
    env.settings_on_cdrom = is_cdrom_path(env.settings_file_path);

    // A settings file that does not exist yet is the normal first start: it is made by the first write.
    const std::string& path = env.settings_file_path;
    bool exists = fs::exists(fs::symlink_status(path, ec)) || fs::exists(path, ec);
    bool missing_but_required = !exists && config.settings_file_must_exist;
    bool unusable = exists && (!fs::is_regular_file(path, ec) || !can_read(path));
    if (missing_but_required || unusable) {
        std::string text = "There is a problem with the file " + to_upper_ascii(message_text_from_path(path));
        if (config.settings_file_must_exist) fatal_error(text);
        show_message(text, mb::icon_error);
    }
}

} // namespace morvelin
