// The damaged-disc suite: copies of the demo disc with one fault each, run through the disc tool's
// check (the program's loader) and through the program itself (offscreen, messages answered by a
// scripted port); media faults also go through the players, the decoder, the CD image reader and the
// bitmap and photo drawing. Every run must end with a message and exit code 1, or run to its end:
// never a crash, a sanitizer report or a hang. The time limit only guards against hangs.

#include "app/startup.h"
#include "core/foundation/bitmap.h"
#include "core/foundation/byte_files.h"
#include "core/foundation/codec.h"
#include "core/foundation/leak_check.h"
#include "core/foundation/scrambled_stream.h"
#include "core/foundation/services.h"
#include "core/sound/media_port.h"
#include "core/sound/players.h"
#include "demo_disc.h"
#include "platform/media/cd_drive.h"
#include "platform/media/linux_media_port.h"
#include "platform/media/sound_decoder.h"
#include "scripted_services.h"
#include "ui/foundation/bitmap_drawing.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <span>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace morvelin {
namespace {

namespace fs = std::filesystem;
using media::CdDrive;
using media::CdTrack;
using media::SoundDecoder;
using testing::read_file;
using testing::write_file;

// How a damaged file is read after the program started.
enum class Media { none, sound, cd_image, bitmap, photo };

struct DamageCase {
    std::string name;
    std::string file; // below the disc root
    std::function<void(const std::string& path)> damage;
    Media media = Media::none;
};

// ---- damages ----

std::string bytes_of(const std::string& path) { return fs::exists(path) ? read_file(path) : std::string(); }

std::string noise(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string s(size, '\0');
    for (char& c : s)
        c = static_cast<char>(random());
    return s;
}

void remove_file(const std::string& path) { fs::remove(path); }
void truncate_half(const std::string& path) {
    const std::string b = bytes_of(path);
    write_file(path, b.substr(0, b.size() / 2));
}
void make_empty(const std::string& path) { write_file(path, ""); }
void flip_middle(const std::string& path) {
    std::string b = bytes_of(path);
    for (std::size_t i = b.size() / 3; i < b.size() && i < b.size() / 3 + 64; ++i)
        b[i] = static_cast<char>(b[i] ^ 0x5A);
    write_file(path, b);
}
void garbage(const std::string& path) { write_file(path, noise(std::max<std::size_t>(bytes_of(path).size(), 64), 11)); }
void oversize(const std::string& path) {
    // Eight megabytes more: long lines, short lines and bytes no data file holds.
    std::string extra;
    for (int i = 0; extra.size() < 8u << 20; ++i)
        extra += i % 3 == 0 ? std::string(100000, 'x') + "\r\n" : noise(2000, i) + "\r\n";
    write_file(path, bytes_of(path) + extra);
}
void make_fifo(const std::string& path) {
    fs::remove(path);
    ::mkfifo(path.c_str(), 0600);
}
void make_folder(const std::string& path) {
    fs::remove(path);
    fs::create_directory(path);
}
void link_to_device(const std::string& path) {
    fs::remove(path);
    fs::create_symlink("/dev/zero", path);
}

// Changes the plain lines of a stored data file and stores them again in the same scheme.
void edit_data_file(const std::string& path, const std::function<void(std::vector<std::string>&)>& edit) {
    std::vector<std::string> lines = read_data_file_lines(path).value();
    const bool scheme_b = !lines.empty() && lines[0] == scheme_b_marker;
    const std::uint32_t seed = data_file_seed(path);
    decode_data_file_lines(lines, seed);
    edit(lines);
    for (std::string& line : lines)
        for (char& c : line)
            if (static_cast<unsigned char>(c) < 21) c = ' ';
    const auto stored = encode_data_file_lines(lines, seed, scheme_b).value();
    std::string bytes;
    for (const std::string& line : stored)
        bytes += line + "\r\n";
    write_file(path, bytes);
}
bool is_marker(const std::string& line) { return line.rfind("@#[", 0) == 0; }
bool is_number(const std::string& line) {
    return !line.empty() && line.find_first_not_of(" 0123456789") == std::string::npos &&
           line.find_first_of("0123456789") != std::string::npos;
}
void unknown_keys(std::vector<std::string>& lines) {
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        if (is_marker(lines[i]) && !lines[i + 1].empty() && !is_marker(lines[i + 1]))
            lines[i + 1] = "QQ-ZZ-XX" + std::to_string(i);
}
void huge_numbers(std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (is_number(lines[i])) lines[i] = i % 2 ? "99999999999999999999" : "2147483648";
}
void negative_numbers(std::vector<std::string>& lines) {
    for (std::string& line : lines)
        if (is_number(line)) line = "-2147483648";
}
void broken_markers(std::vector<std::string>& lines) {
    for (std::string& line : lines)
        if (is_marker(line)) line = line.substr(0, line.size() - 1);
}
void duplicated_sections(std::vector<std::string>& lines) {
    const std::vector<std::string> copy = lines;
    lines.insert(lines.end(), copy.begin(), copy.end());
}
void cut_sections(std::vector<std::string>& lines) {
    // Every section loses its second half.
    std::vector<std::string> kept;
    for (std::size_t i = 0, start = 0; i <= lines.size(); ++i) {
        if (i == lines.size() || (is_marker(lines[i]) && i > start)) {
            const std::size_t keep = std::max<std::size_t>(1, (i - start) / 2);
            kept.insert(kept.end(), lines.begin() + start, lines.begin() + std::min(i, start + keep));
            start = i;
        }
    }
    lines = kept;
}

// ---- the cases ----

const char* const data_files[] = {"mapsdata.txt", "people.txt",   "names_sc.txt", "taxa.txt", "locality.txt",
                                  "big_pict.txt", "othermedia.txt", "cutparts.txt", "cupaitem.txt", "syst_ord.txt"};

// The first file below folder (relative to the disc) whose name ends with suffix.
std::string first_file(const std::string& disc, const std::string& folder, const std::string& suffix) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(disc + folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.size() >= suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            found.push_back(fs::relative(entry.path(), disc).string());
    }
    std::sort(found.begin(), found.end());
    return found.empty() ? std::string() : found.front();
}

template <typename Text> std::vector<DamageCase> media_cases(const std::string& disc, Text text) {
    using Damage = std::function<void(const std::string&)>;
    std::vector<DamageCase> cases;
    // Media: sound files of every kind, a CD image, maps, small pictures and photos.
    const std::pair<std::string, Media> media[] = {
        {first_file(disc, "tapes", "_MF.WAV"), Media::sound},  {first_file(disc, "tapes", "_MN.WAV"), Media::sound},
        {first_file(disc, "tapes", "_R.WAV"), Media::sound},   {first_file(disc, "tapes", "_WM.WMA"), Media::sound},
        {first_file(disc, "Voices", ".wav"), Media::sound},    {first_file(disc, "Audio CD images", ".cue"), Media::cd_image},
        {first_file(disc, "Audio CD images", ".bin"), Media::cd_image}, {first_file(disc, "distmaps", ".bmp"), Media::bitmap},
        {first_file(disc, "smalpict", ".jpg"), Media::photo},  {first_file(disc, "big_pict", "")/* scrambled */, Media::photo},
    };
    for (const auto& [file, kind] : media) {
        if (file.empty()) continue;
        for (const auto& [name, damage] : std::initializer_list<std::pair<const char*, Damage>>{
                 {"truncated", truncate_half}, {"garbage", garbage}, {"empty", make_empty}, {"flipped", flip_middle}})
            cases.push_back({file + " " + name, file, damage, kind});
    }
    const std::string map = first_file(disc, "distmaps", ".bmp");
    cases.push_back({map + " header only", map, text(std::string("BM\x36\x04\0\0\0\0\0\0\x36\x04", 12)), Media::bitmap});
    cases.push_back({map + " huge size", map, [](const std::string& path) {
                         std::string b = bytes_of(path);
                         if (b.size() > 26) b.replace(18, 8, "\xff\xff\xff\x7f\xff\xff\xff\x7f", 8);
                         write_file(path, b);
                     }, Media::bitmap});
    return cases;
}

// The cases of one group: "data-a" and "data-b" (the data files), "texts" (language, edition and
// settings files) or "media".
std::vector<DamageCase> make_cases(const std::string& disc, const std::string& group) {
    std::vector<DamageCase> cases;
    using Damage = std::function<void(const std::string&)>;
    const std::pair<const char*, Damage> file_damages[] = {
        {"missing", remove_file}, {"truncated", truncate_half}, {"flipped", flip_middle},
        {"empty", make_empty},    {"oversized", oversize},
    };
    const std::pair<const char*, Damage> non_regular[] = {
        {"fifo", make_fifo}, {"folder", make_folder}, {"device", link_to_device}};
    const std::pair<const char*, std::function<void(std::vector<std::string>&)>> content_damages[] = {
        {"unknown-keys", unknown_keys},   {"huge-numbers", huge_numbers},
        {"negative-numbers", negative_numbers}, {"broken-markers", broken_markers},
        {"duplicated-sections", duplicated_sections}, {"cut-sections", cut_sections},
    };
    int n = 0;
    // The data files in two groups, so that each group's run stays short enough to run beside others.
    const std::span<const char* const> all(data_files);
    const std::span<const char* const> files = group == "data-a"   ? all.first(5)
                                               : group == "data-b" ? all.last(5)
                                                                   : all.first(0);
    for (const char* file : files) {
        for (const auto& [name, damage] : file_damages)
            cases.push_back({std::string(file) + " " + name, file, damage});
        const auto& [name, damage] = non_regular[n++ % std::size(non_regular)];
        cases.push_back({std::string(file) + " " + name, file, damage});
        for (const auto& [name, edit] : content_damages)
            cases.push_back({std::string(file) + " " + name, file,
                             [edit](const std::string& path) { edit_data_file(path, edit); }});
    }

    auto text = [](std::string bytes) { return [bytes](const std::string& path) { write_file(path, bytes); }; };
    if (group == "media") return media_cases(disc, text);
    if (group != "texts") return cases;

    // The language file and the edition file.
    for (const auto& [name, damage] : file_damages)
        cases.push_back({std::string("Morvelin.txt ") + name, "Morvelin.txt", damage});
    cases.push_back({"Morvelin.txt fifo", "Morvelin.txt", make_fifo});
    cases.push_back({"Morvelin.txt garbage", "Morvelin.txt", garbage});
    cases.push_back({"Morvelin.txt duplicate key", "Morvelin.txt", [](const std::string& path) {
                         const std::string b = bytes_of(path);
                         write_file(path, b + "\r\n" + b);
                     }});
    cases.push_back({"Morvelin.txt no sections", "Morvelin.txt", [](const std::string& path) {
                         std::string b = bytes_of(path);
                         std::replace(b.begin(), b.end(), '$', '#');
                         write_file(path, b);
                     }});
    for (const auto& [name, bytes] : std::initializer_list<std::pair<const char*, std::string>>{
             {"empty", ""}, {"letters", "abc\r\n"}, {"huge", "99999999999999999999\r\n"}, {"negative", "-60\r\n"},
             {"binary", noise(300, 5)}, {"two lines", "60\r\n61\r\n"}})
        cases.push_back({std::string("PROGR_NM.TXT ") + name, "PROGR_NM.TXT", text(bytes)});
    cases.push_back({"PROGR_NM.TXT missing", "PROGR_NM.TXT", remove_file});
    cases.push_back({"PROGR_NM.TXT fifo", "PROGR_NM.TXT", make_fifo});

    // The settings file beside the program.
    const std::pair<const char*, std::string> settings[] = {
        {"garbage", noise(4096, 9)},
        {"text size huge", "[GENERAL]\r\nText Size=2147483647\r\n"},
        {"text size negative", "[GENERAL]\r\nText Size=-2147483648\r\n"},
        {"windows huge", "[GENERAL]\r\nWindows=2147483647\r\n"},
        {"windows negative", "[GENERAL]\r\nWindows=-5\r\n"},
        {"coord extreme", "[WINDOW 1]\r\nCoord=2147483647,2147483647,-2147483648,99999999999\r\nMaximized=no\r\n"},
        {"coord garbage", "[WINDOW 1]\r\nCoord=,,,x\r\nMaximized=maybe\r\n"},
        {"visible garbage", "[WINDOW 1]\r\nVisible=\x7f\xff,zz,-1\r\nSelected Area=QQ-ZZ-,,,MA-\r\n"},
        {"number sets", "[WINDOW 1]\r\nVisible Audio CDs=99999999999,-5,abc,1-\r\nPlayable Audio CDs=,,,,\r\n"
                        "Audio CDs on HD=2147483647\r\n"},
        {"order huge", "[WINDOW 1]\r\nSystematic Order=2147483647\r\n[WINDOW 2]\r\nSystematic Order=-1\r\n"},
        {"paths", "[GENERAL]\r\nBase Directory=/nonexistent/\x01\r\nText File=../../../../../../etc/passwd\r\n"},
        {"no sections", "Text Size=12\r\n=\r\n[\r\n]]]\r\n[GENERAL\r\n"},
    };
    for (const auto& [name, bytes] : settings)
        cases.push_back({std::string("Morvelin.ini ") + name, "Morvelin.ini", text(bytes)});
    cases.push_back({"Morvelin.ini fifo", "Morvelin.ini", make_fifo});

    return cases;
}

// ---- a disc copy ----

// The demo disc in folder, with links to its media instead of copies: the folders on the way to the
// damaged file are real, as are the small files at the top.
void shadow_disc(const std::string& disc, const std::string& folder, const std::string& damaged) {
    fs::create_directories(folder);
    for (const auto& entry : fs::directory_iterator(disc)) {
        const fs::path target = fs::path(folder) / entry.path().filename();
        if (entry.is_regular_file()) {
            fs::copy_file(entry.path(), target);
            continue;
        }
        const std::string name = entry.path().filename().string();
        if (damaged.rfind(name + "/", 0) == 0)
            shadow_disc(entry.path().string() + "/", target.string() + "/", damaged.substr(name.size() + 1));
        else
            fs::create_symlink(entry.path(), target);
    }
}

// ---- running ----

enum class Outcome { ran, fatal, crashed, hung };
const char* outcome_name(Outcome o) {
    return o == Outcome::ran ? "ran" : o == Outcome::fatal ? "fatal" : o == Outcome::crashed ? "CRASHED" : "HUNG";
}

// A message port for a run without a user: every message goes to stderr, the first button answers.
class LoggedMessages final : public MessagePort {
public:
    int show(const std::string& text, const std::string&, int flags) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return (flags & 15) == mb::yes_no || (flags & 15) == mb::yes_no_cancel ? id::yes : id::ok;
    }
};

void read_media(const std::string& path, Media kind) {
    switch (kind) {
    case Media::none:
        break;
    case Media::sound: {
        LinuxMediaPort port;
        install_media_port(&port);
        {
            TCutPartFilePlayer player;
            int length = 0;
            bool problem = false;
            const std::string name = fs::path(path).filename().string();
            if (player.OpenCutPartFile(path, name.find("_M") != std::string::npos, length, problem)) {
                player.Play(true, false);
                int position = 0;
                player.GetPosition(position);
                player.Close();
            }
        }
        install_media_port(nullptr);
        SoundDecoder decoder;
        if (decoder.open(path, false) == mci::no_error) {
            std::vector<std::int16_t> frames(4096 * 2);
            while (decoder.read(frames.data(), 4096) > 0) {
            }
        }
        break;
    }
    case Media::cd_image: {
        std::string cue = path;
        if (cue.size() > 4 && cue.substr(cue.size() - 4) == ".bin") cue.replace(cue.size() - 4, 4, ".cue");
        CdDrive drive(cue, true);
        if (drive.refresh()) {
            std::vector<std::int16_t> samples(588 * 2 * 75);
            for (const CdTrack& track : drive.tracks())
                drive.read_frames(track.start, 75, samples.data());
            drive.read_frames(drive.end_frame() - 10, 75, samples.data());
        }
        break;
    }
    case Media::bitmap: {
        QImage canvas(400, 400, QImage::Format_RGB32);
        QPainter painter(&canvas);
        if (std::optional<Bytes> block = read_byte_file(path)) draw_bitmap(painter, 0, 0, *block, false);
        LoadedBitmap loaded = load_bitmap(path, true);
        if (!loaded.dib.empty()) draw_bitmap(painter, 0, 0, loaded.dib, true, 300, 200);
        break;
    }
    case Media::photo: {
        TOptionallyScrambleMemoryStream stream;
        if (stream.load_from_file(path)) {
            QImage photo = QImage::fromData(stream.data().data(), static_cast<int>(stream.data().size()), "JPEG");
            QImage canvas(300, 300, QImage::Format_RGB32);
            QPainter painter(&canvas);
            if (!photo.isNull()) painter.drawImage(QRect(0, 0, 300, 300), photo);
        }
        break;
    }
    }
}

// The program on the disc copy in folder, in a child process: start-up, one turn of the message loop,
// the damaged medium read, finalisation. Exit code 1 after a fatal message, 0 after a run.
[[noreturn]] void run_program(const std::string& folder, const DamageCase& c) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("HOME", folder.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    if (::chdir(folder.c_str()) != 0) std::_Exit(3);
    {
        int argc = 1;
        char name[] = "morvelin";
        char* argv[] = {name, nullptr};
        // Under CTest each test has a process of its own, so the child makes the only application.
        QApplication app(argc, argv);
        LoggedMessages messages;
        testing::ScriptedDialogs dialogs;
        install_message_port(&messages);
        {
            Startup startup;
            if (startup.start(folder + "morvelin")) {
                QTimer::singleShot(0, &app, [&app] { QTimer::singleShot(0, &app, &QApplication::quit); });
                startup.run_message_loop(app);
            }
            read_media(folder + c.file, c.media);
            startup.finish();
        }
        install_message_port(nullptr);
    }
    std::fflush(nullptr);
    check_leaks_before_exit();
    std::_Exit(0);
}

struct ProcessRun {
    pid_t pid = -1;
    std::string log;
    std::chrono::steady_clock::time_point started;
    Outcome outcome = Outcome::ran;
    bool done = false;
};

pid_t start_program(const std::string& folder, const DamageCase& c, const std::string& log) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        run_program(folder, c);
    }
    return pid;
}

pid_t start_tool(const std::string& folder, const std::string& log) {
    const std::string tool = std::string(MORVELIN_BINARY_DIR) + "/tools/disc/morvelin-disc";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<std::string> args = {tool, "check", folder};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

bool sanitizer_report(const std::string& log) {
    for (const char* sign : {"AddressSanitizer", "LeakSanitizer", "runtime error:", "UndefinedBehaviorSanitizer"})
        if (log.find(sign) != std::string::npos) return true;
    return false;
}

// Whether a run that ended is a clean end: exit code 0, or 1 with a message.
Outcome judge(int status, const std::string& log) {
    if (!WIFEXITED(status) || sanitizer_report(log)) return Outcome::crashed;
    if (WEXITSTATUS(status) == 0) return Outcome::ran;
    if (WEXITSTATUS(status) == 1 && log.find_first_not_of(" \r\n") != std::string::npos) return Outcome::fatal;
    return Outcome::crashed;
}

// The first message a run gave (the program's through its message port, else the tool's first line),
// shortened for the table.
std::string first_message(const std::string& log) {
    std::size_t at = log.find("message: ");
    at = at == std::string::npos ? 0 : at + 9;
    const std::size_t end = log.find_first_of("\r\n", at);
    std::string line = log.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (line.size() > 90) line = line.substr(0, 87) + "...";
    return line;
}

class DamagedDisc : public ::testing::TestWithParam<const char*> {};

TEST_P(DamagedDisc, EveryFaultEndsWithAMessageOrRuns) {
    const std::optional<std::string> disc = testing::demo_disc();
    ASSERT_TRUE(disc) << "the demo disc could not be built";
    testing::TempDir work;
    const std::vector<DamageCase> cases = make_cases(*disc, GetParam());
    ASSERT_FALSE(cases.empty());

    // Two runs per case, at most two processes at a time.
    const auto limit = std::chrono::minutes(5);
    std::vector<ProcessRun> runs(cases.size() * 2);
    std::size_t next = 0, running = 0;
    auto start_next = [&] {
        const std::size_t i = next++;
        const DamageCase& c = cases[i / 2];
        const std::string folder = work.path() + std::to_string(i / 2) + "/";
        if (i % 2 == 0) {
            shadow_disc(*disc, folder, c.file);
            c.damage(folder + c.file);
        }
        ProcessRun& run = runs[i];
        run.log = folder + (i % 2 ? "program.log" : "tool.log");
        run.started = std::chrono::steady_clock::now();
        run.pid = i % 2 ? start_program(folder, c, run.log) : start_tool(folder, run.log);
        ++running;
    };
    // A tool run and the program run of one case share the folder: the program starts after the tool.
    while (next < runs.size() || running > 0) {
        while (running < 2 && next < runs.size() && (next % 2 == 0 || runs[next - 1].done))
            start_next();
        bool any = false;
        for (ProcessRun& run : runs) {
            if (run.pid <= 0 || run.done) continue;
            int status = 0;
            const pid_t got = ::waitpid(run.pid, &status, WNOHANG);
            if (got == run.pid) {
                run.outcome = judge(status, read_file(run.log));
                run.done = true;
            } else if (std::chrono::steady_clock::now() - run.started > limit) {
                ::kill(run.pid, SIGKILL);
                ::waitpid(run.pid, &status, 0);
                run.outcome = Outcome::hung;
                run.done = true;
            } else {
                continue;
            }
            --running;
            any = true;
        }
        if (!any) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    int fatal = 0, ran = 0, crashed = 0, hung = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const ProcessRun& tool = runs[2 * i];
        const ProcessRun& program = runs[2 * i + 1];
        const std::string program_log = read_file(program.log);
        std::printf("%-44s tool %-7s program %-7s %s\n", cases[i].name.c_str(), outcome_name(tool.outcome),
                    outcome_name(program.outcome),
                    first_message(program_log.find("message: ") != std::string::npos ? program_log
                                                                                     : read_file(tool.log))
                        .c_str());
        for (const ProcessRun* run : {&tool, &program}) {
            if (run->outcome == Outcome::crashed || run->outcome == Outcome::hung) {
                std::string log = read_file(run->log);
                ADD_FAILURE() << cases[i].name << ": " << outcome_name(run->outcome) << "\n"
                              << log.substr(0, 6000);
            }
        }
        const Outcome worst = std::max(tool.outcome, program.outcome);
        fatal += program.outcome == Outcome::fatal && worst <= Outcome::fatal;
        ran += program.outcome == Outcome::ran && worst <= Outcome::fatal;
        crashed += worst == Outcome::crashed;
        hung += worst == Outcome::hung;
    }
    std::printf("\n| %s cases | clean fatal exits | ran | crashed | hung |\n|---|---|---|---|---|\n"
                "| %zu | %d | %d | %d | %d |\n",
                GetParam(), cases.size(), fatal, ran, crashed, hung);
    std::fflush(stdout);
}

INSTANTIATE_TEST_SUITE_P(Groups, DamagedDisc, ::testing::Values("data-a", "data-b", "texts", "media"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
} // namespace morvelin
