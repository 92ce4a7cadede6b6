#include "demo_audio.h"

#include "demo_tables.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <numbers>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace morvelin::demo {

namespace fs = std::filesystem;

namespace {

// splitmix64: small, fast and the same everywhere (the standard distributions are not).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double low, double high) { return low + (high - low) * uniform(); }
    int integer(int low, int high) {
        return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
    }

private:
    std::uint64_t state_;
};

constexpr double two_pi = 2 * std::numbers::pi;

struct KindParameters {
    double low, high; // range of the species' base pitch
    double gap;       // typical pause between phrases, seconds
};

KindParameters kind_parameters(const std::string& kind) {
    static const std::map<std::string, KindParameters> table = {
        {"whistle", {1400, 3200, 1.2}}, {"trill", {3000, 6000, 1.0}}, {"chirp", {3000, 5500, 0.6}},
        {"warble", {2000, 4000, 0.8}},  {"hoot", {250, 700, 1.5}},    {"coo", {350, 650, 1.6}},
        {"crow", {450, 900, 2.0}},      {"quack", {250, 450, 0.8}},   {"screech", {900, 2000, 1.2}},
        {"rattle", {2000, 4000, 1.0}},  {"buzz", {3500, 6500, 1.0}},  {"tinkle", {5000, 8000, 0.8}},
        {"piping", {2000, 3500, 1.0}},  {"honk", {200, 400, 1.2}},    {"chatter", {1500, 3500, 0.7}}};
    const auto it = table.find(kind);
    return it == table.end() ? table.at("warble") : it->second;
}

// One phrase of the kind, starting at 0.
std::vector<Note> make_phrase(const std::string& kind, Random& r, double p) {
    std::vector<Note> notes;
    double t = 0;
    // The note returned is valid only until the next one is added: the vector may move its notes.
    auto add = [&](double duration, double f0, double f1, double gap) {
        Note note;
        note.start = t;
        note.duration = duration;
        note.f0 = f0;
        note.f1 = f1;
        notes.push_back(note);
        t += duration + gap;
        return &notes.back();
    };
    if (kind == "whistle") {
        const int n = r.integer(2, 5);
        for (int i = 0; i < n; ++i) {
            const double f0 = p * r.range(0.8, 1.25);
            Note* note = add(r.range(0.12, 0.35), f0, f0 * r.range(0.7, 1.4), r.range(0.03, 0.12));
            note->harmonics = {1, 0.08f, 0, 0, 0};
            note->attack = 0.15;
        }
    } else if (kind == "trill") {
        const int n = r.integer(10, 28);
        const double rate = r.range(12, 24);
        for (int i = 0; i < n; ++i) {
            const double f0 = p * r.range(0.97, 1.03) * (1 + 0.06 * std::sin(i * 0.7));
            Note* note = add(0.6 / rate, f0, f0 * 0.85, 0.4 / rate);
            note->harmonics = {1, 0.15f, 0, 0, 0};
            note->attack = 0.2;
        }
    } else if (kind == "chirp") {
        const int n = r.integer(2, 5);
        for (int i = 0; i < n; ++i)
            add(r.range(0.04, 0.08), p * 1.4, p * 0.7, r.range(0.08, 0.25))->attack = 0.1;
    } else if (kind == "warble") {
        const int n = r.integer(8, 16);
        for (int i = 0; i < n; ++i) {
            const double f0 = p * r.range(0.7, 1.5);
            Note* note = add(r.range(0.06, 0.18), f0, f0 * r.range(0.85, 1.2), r.range(0.01, 0.04));
            note->vibrato_rate = r.range(20, 40);
            note->vibrato_depth = 0.03;
            note->harmonics = {1, 0.1f, 0, 0, 0};
        }
    } else if (kind == "hoot" || kind == "coo") {
        const int n = kind == "hoot" ? r.integer(1, 4) : r.integer(2, 4);
        for (int i = 0; i < n; ++i) {
            const double duration =
                kind == "coo" && i == 0 ? 0.15 : (kind == "hoot" ? r.range(0.2, 0.45) : r.range(0.35, 0.55));
            const double f0 = p * r.range(0.95, 1.05);
            Note* note =
                add(duration, f0, f0 * (kind == "coo" ? 0.88 : r.range(0.9, 1.05)), r.range(0.15, 0.4));
            note->harmonics = {1, 0.3f, 0.1f, 0, 0};
            note->attack = 0.3;
        }
    } else if (kind == "crow") {
        add(0.25, p * 0.8, p * 1.1, 0);
        add(0.5, p * 1.1, p * 1.05, 0);
        add(0.35, p * 1.05, p * 0.7, 0);
        for (Note& note : notes) {
            note.harmonics = {1, 0.7f, 0.5f, 0.35f, 0.2f};
            note.noise = 0.15;
            note.attack = 0.05;
        }
    } else if (kind == "quack" || kind == "honk") {
        const int n = r.integer(kind == "quack" ? 2 : 1, kind == "quack" ? 5 : 4);
        for (int i = 0; i < n; ++i) {
            Note* note = kind == "quack" ? add(r.range(0.12, 0.2), p, p * 0.9, r.range(0.08, 0.15))
                                         : add(r.range(0.2, 0.35), p, p * 0.95, 0.2);
            note->harmonics = kind == "quack" ? std::array<float, 5>{1, 0.8f, 0.6f, 0.4f, 0.3f}
                                              : std::array<float, 5>{1, 0.9f, 0.7f, 0.5f, 0.3f};
            note->am_rate = kind == "quack" ? 35 : 0;
        }
    } else if (kind == "screech") {
        const int n = r.integer(1, 3);
        for (int i = 0; i < n; ++i) {
            Note* note =
                add(r.range(0.25, 0.55), p * r.range(1.0, 1.3), p * r.range(0.8, 1.0), r.range(0.2, 0.4));
            note->harmonics = {1, 0.6f, 0.4f, 0.2f, 0};
            note->noise = 0.45;
            note->vibrato_rate = 60;
            note->vibrato_depth = 0.05;
        }
    } else if (kind == "rattle") {
        const int n = r.integer(10, 25);
        const double rate = r.range(15, 30);
        for (int i = 0; i < n; ++i) {
            Note* note = add(0.012, p, p, 1 / rate - 0.012);
            note->noise = 0.9;
            note->attack = 0.05;
        }
    } else if (kind == "buzz") {
        const int n = r.integer(1, 3);
        for (int i = 0; i < n; ++i) {
            Note* note = add(r.range(0.5, 1.0), p, p * 1.02, 0.3);
            note->am_rate = r.range(80, 150);
            note->harmonics = {1, 0.3f, 0, 0, 0};
        }
    } else if (kind == "tinkle") {
        const int n = r.integer(4, 8);
        for (int i = 0; i < n; ++i) {
            const double f0 = p * (1.3 - 0.08 * i);
            add(0.05, f0, f0 * 0.97, r.range(0.03, 0.08))->attack = 0.05;
        }
    } else if (kind == "piping") {
        const int n = r.integer(3, 8);
        const double gap = r.range(0.08, 0.15);
        for (int i = 0; i < n; ++i)
            add(r.range(0.08, 0.14), p, p * 0.97, gap)->harmonics = {1, 0.1f, 0, 0, 0};
    } else { // chatter
        const int n = r.integer(6, 15);
        for (int i = 0; i < n; ++i) {
            const double f0 = p * r.range(0.8, 1.3);
            Note* note = add(r.range(0.04, 0.09), f0, f0 * 0.8, r.range(0.02, 0.06));
            note->harmonics = {1, 0.5f, 0.3f, 0, 0};
            note->noise = 0.3;
        }
    }
    return notes;
}

} // namespace

std::vector<Note> phrase_notes(const std::string& kind, std::uint64_t seed, double pitch) {
    Random r(seed);
    return make_phrase(kind, r, pitch);
}

namespace {

void render_note(const Note& note, double offset, double pitch_factor, double gain, Samples& out, int rate,
                 Random& noise_source) {
    const long first = std::lround((offset + note.start) * rate);
    const long count = std::lround(note.duration * rate);
    const double nyquist = rate / 2.0 * 0.9;
    double phase = 0;
    double noise_state = 0, noise_previous = 0;
    const double attack = std::max(1.0, note.attack * count);
    const double release = std::max(1.0, 0.25 * count);
    for (long i = 0; i < count; ++i) {
        const long at = first + i;
        if (at < 0) continue;
        if (at >= static_cast<long>(out.size())) break;
        const double u = static_cast<double>(i) / count;
        const double t = static_cast<double>(i) / rate;
        double f = (note.f0 + (note.f1 - note.f0) * u) * pitch_factor;
        if (note.vibrato_rate > 0) f *= 1 + note.vibrato_depth * std::sin(two_pi * note.vibrato_rate * t);
        phase += two_pi * f / rate;
        if (phase > two_pi * 64) phase -= two_pi * 64;
        double value = 0;
        for (std::size_t k = 0; k < note.harmonics.size(); ++k)
            if (note.harmonics[k] != 0 && f * (k + 1) < nyquist)
                value += note.harmonics[k] * std::sin(phase * (k + 1));
        if (note.noise > 0) {
            // Harshness: white noise through a resonator tuned to the note, so it stays near its pitch.
            const double white = noise_source.uniform() * 2 - 1;
            const double w = two_pi * std::min(f, nyquist) / rate;
            const double r = 0.97;
            const double band = (1 - r) * white + 2 * r * std::cos(w) * noise_state - r * r * noise_previous;
            noise_previous = noise_state;
            noise_state = band;
            value = value * (1 - note.noise) + note.noise * band * 6;
        }
        if (note.am_rate > 0) value *= 0.55 + 0.45 * std::sin(two_pi * note.am_rate * t);
        double envelope = std::min(1.0, i / attack) * std::min(1.0, (count - i) / release);
        envelope = envelope * envelope * (3 - 2 * envelope);
        out[at] += static_cast<float>(value * envelope * note.amplitude * gain);
    }
}

} // namespace

std::uint32_t text_seed(const std::string& text) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

Samples synthesize_voice(const std::string& kind, std::uint32_t voice_seed, std::uint32_t layout_seed,
                         double seconds, int rate) {
    Samples out(static_cast<std::size_t>(std::max(0.0, seconds) * rate), 0.0f);
    if (out.empty()) return out;
    const KindParameters parameters = kind_parameters(kind);
    Random voice(voice_seed);
    const double pitch = voice.range(parameters.low, parameters.high);
    // Two phrase templates per species: recordings of one species share them.
    std::vector<std::vector<Note>> templates;
    for (int i = 0; i < 2; ++i)
        templates.push_back(make_phrase(kind, voice, pitch));
    Random layout(layout_seed ^ 0x5bd1e995u);
    Random noise(layout_seed);
    double t = layout.range(0.15, 0.4);
    int phrase = 0;
    while (t < seconds - 0.3) {
        const auto& notes = templates[phrase % templates.size()];
        const double factor = layout.range(0.97, 1.03);
        const double gain = layout.range(0.75, 1.0);
        for (const auto& note : notes)
            render_note(note, t, factor, gain, out, rate, noise);
        const double length = notes.empty() ? 0.2 : notes.back().start + notes.back().duration;
        t += length + parameters.gap * layout.range(0.8, 1.3);
        ++phrase;
    }
    // Quiet brown background noise, so the recordings do not sound like a test signal.
    double brown = 0;
    float peak = 0;
    for (float sample : out)
        peak = std::max(peak, std::fabs(sample));
    const float scale = peak > 0 ? 0.7f / peak : 1.0f;
    for (auto& sample : out) {
        brown = brown * 0.995 + (noise.uniform() * 2 - 1) * 0.02;
        sample = sample * scale + static_cast<float>(brown * 0.05);
    }
    // Short fades at both ends.
    const std::size_t fade = std::min<std::size_t>(out.size() / 2, static_cast<std::size_t>(rate / 50));
    for (std::size_t i = 0; i < fade; ++i) {
        const float g = static_cast<float>(i) / fade;
        out[i] *= g;
        out[out.size() - 1 - i] *= g;
    }
    return out;
}

std::vector<std::int16_t> to_pcm16(const Samples& samples) {
    std::vector<std::int16_t> pcm(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        pcm[i] = static_cast<std::int16_t>(std::lround(std::clamp(samples[i], -1.0f, 1.0f) * 32767));
    return pcm;
}

Samples halve_rate(const Samples& samples) {
    Samples out(samples.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = 0.5f * (samples[2 * i] + samples[2 * i + 1]);
    return out;
}

namespace {

void put16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::string wave_header(std::uint32_t data_size, int rate, int channels, int bits) {
    std::string out = "RIFF";
    put32(out, 36 + data_size);
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1);
    put16(out, channels);
    put32(out, rate);
    put32(out, rate * channels * bits / 8);
    put16(out, channels * bits / 8);
    put16(out, bits);
    out += "data";
    put32(out, data_size);
    return out;
}

bool write_file(const fs::path& path, const std::string& bytes, std::string& error) {
    std::error_code code;
    fs::create_directories(path.parent_path(), code);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

std::optional<std::string> read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace

std::string wave_file_pcm16(const std::vector<std::int16_t>& samples, int rate, int channels) {
    std::string out = wave_header(static_cast<std::uint32_t>(samples.size() * 2), rate, channels, 16);
    out.reserve(out.size() + samples.size() * 2);
    for (std::int16_t sample : samples)
        put16(out, static_cast<std::uint16_t>(sample));
    return out;
}

std::string wave_file_pcm8(const Samples& samples, int rate) {
    std::string out = wave_header(static_cast<std::uint32_t>(samples.size()), rate, 1, 8);
    for (float sample : samples)
        out += static_cast<char>(std::lround(std::clamp(sample, -1.0f, 1.0f) * 127) + 128);
    if (samples.size() % 2) // RIFF chunks are word aligned
        out += static_cast<char>(128);
    return out;
}

bool program_available(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':'))
        if (!folder.empty() && access((folder + "/" + name).c_str(), X_OK) == 0) return true;
    return false;
}

bool run_commands(const std::vector<Command>& commands, int parallel, std::string& error) {
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::string first_error;
    auto worker = [&] {
        for (;;) {
            const std::size_t index = next++;
            if (index >= commands.size()) return;
            {
                std::lock_guard lock(mutex);
                if (!first_error.empty()) return;
            }
            const Command& command = commands[index];
            std::vector<char*> argv;
            for (const auto& arg : command.args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
            posix_spawn_file_actions_addopen(&actions, 1, command.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                             0644);
            posix_spawn_file_actions_adddup2(&actions, 1, 2);
            pid_t pid = 0;
            const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
            posix_spawn_file_actions_destroy(&actions);
            int status = 0;
            const bool ok = spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
                            WEXITSTATUS(status) == 0;
            if (!ok) {
                std::lock_guard lock(mutex);
                if (first_error.empty()) {
                    first_error = "\"" + command.args[0] + "\" failed";
                    if (spawned != 0)
                        first_error += ": " + std::string(std::strerror(spawned));
                    else if (const auto log = read_file(command.log))
                        first_error += ":\n" + log->substr(0, 2000);
                }
            }
        }
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < std::max(1, parallel); ++i)
        threads.emplace_back(worker);
    for (auto& thread : threads)
        thread.join();
    error = first_error;
    return first_error.empty();
}

const char* compression_suffix(int compression) {
    static const char* suffixes[] = {"", "_R", "_MF", "_MC", "_MT", "_M4", "_M2", "_WM", "_WH", "_MH"};
    return compression >= 0 && compression <= 9 ? suffixes[compression] : "";
}

const char* compression_extension(int compression) {
    return compression == 7 || compression == 8 ? "WMA" : "WAV";
}

std::string cut_file_path(const Cut& cut) {
    std::string number = std::to_string(cut.tape);
    if (number.size() == 1) number = "0" + number;
    std::string sub = std::to_string(cut.sub_number);
    if (sub.size() == 1) sub = "0" + sub;
    std::string name;
    if (cut.carrier != ' ') name += cut.carrier;
    name += sub;
    if (cut.variant != ' ') name += cut.variant;
    return "tapes/" + number + "/" + name + compression_suffix(cut.compression) + "." +
           compression_extension(cut.compression);
}

namespace {

// The encoder options of each compression number that ffmpeg makes (2 to 9).
std::vector<std::string> encoder_options(int compression) {
    const std::vector<std::string> exact = {"-fflags", "+bitexact", "-flags:a", "+bitexact"};
    std::vector<std::string> options;
    // MPEG-1 Layer III only has 32, 44.1 and 48 kHz, which is what the program's frame walk reads.
    static const char* mp3_rates[] = {"", "", "96k", "64k", "48k", "40k", "32k"};
    if (compression >= 2 && compression <= 6)
        options = {"-c:a", "libmp3lame", "-b:a", mp3_rates[compression], "-ar", "32000", "-ac",
                   "1",    "-f",         "wav"};
    else if (compression == 7 || compression == 8)
        options = {"-c:a", "wmav2", "-b:a", compression == 7 ? "32k" : "64k", "-ar", "22050", "-ac",
                   "1",    "-f",    "asf"};
    else // 9: a compressed WAVE file that is not MPEG: Microsoft ADPCM
        options = {"-c:a", "adpcm_ms", "-ar", "22050", "-ac", "1", "-f", "wav"};
    options.insert(options.end(), exact.begin(), exact.end());
    return options;
}

struct Encoding {
    std::string input, output;
    std::vector<std::string> options;
};

// ffmpeg takes many inputs and outputs in one run, which saves its start-up time per file.
std::vector<Command> ffmpeg_batches(const std::vector<Encoding>& encodings, const std::string& work) {
    std::vector<Command> commands;
    const std::size_t batch = 24;
    for (std::size_t first = 0; first < encodings.size(); first += batch) {
        Command command;
        command.args = {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
        const std::size_t last = std::min(encodings.size(), first + batch);
        for (std::size_t i = first; i < last; ++i) {
            command.args.push_back("-i");
            command.args.push_back(encodings[i].input);
        }
        for (std::size_t i = first; i < last; ++i) {
            command.args.push_back("-map");
            command.args.push_back(std::to_string(i - first) + ":a");
            command.args.insert(command.args.end(), encodings[i].options.begin(), encodings[i].options.end());
            command.args.push_back(encodings[i].output);
        }
        command.log = work + "/ffmpeg-" + std::to_string(first / batch) + ".log";
        commands.push_back(command);
    }
    return commands;
}

// The mix of a cut part's species: the first item loudest, the others by their share.
Samples cut_sound(const Content& content, const Cut& cut, std::uint32_t layout_seed, double seconds,
                  int rate) {
    Samples mix;
    for (std::size_t i = 0; i < cut.items.size(); ++i) {
        const Species& species = content.species[cut.items[i].species];
        Samples voice = synthesize_voice(species.voice, text_seed(species.scientific),
                                         layout_seed + 7919u * i, seconds, rate);
        const float weight = i == 0 ? 1.0f : 0.6f * cut.items[i].percent / 100.0f;
        if (mix.empty()) mix.assign(voice.size(), 0.0f);
        for (std::size_t k = 0; k < voice.size() && k < mix.size(); ++k)
            mix[k] += voice[k] * weight;
    }
    float peak = 0;
    for (float s : mix)
        peak = std::max(peak, std::fabs(s));
    if (peak > 0.95f)
        for (auto& s : mix)
            s *= 0.95f / peak;
    return mix;
}

// The samples of a WAVE file's data chunk (16-bit mono), or nothing.
std::optional<std::vector<std::int16_t>> read_pcm16_mono(const std::string& bytes) {
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return std::nullopt;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string id = bytes.substr(at, 4);
        std::uint32_t size = 0;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        at += 8;
        if (id == "data") {
            size = std::min<std::uint32_t>(size, static_cast<std::uint32_t>(bytes.size() - at));
            std::vector<std::int16_t> samples(size / 2);
            std::memcpy(samples.data(), bytes.data() + at, samples.size() * 2);
            return samples;
        }
        at += size + (size & 1);
    }
    return std::nullopt;
}

// espeak-ng's 22.05 kHz output with its silent ends trimmed, as a small 8-bit 11.025 kHz file.
std::optional<std::string> spoken_name_file(const std::string& espeak_output) {
    const auto pcm = read_pcm16_mono(espeak_output);
    if (!pcm || pcm->empty()) return std::nullopt;
    std::size_t first = 0, last = pcm->size();
    while (first < last && std::abs((*pcm)[first]) < 300)
        ++first;
    while (last > first && std::abs((*pcm)[last - 1]) < 300)
        --last;
    const std::size_t margin = 1100; // 50 ms
    first = first > margin ? first - margin : 0;
    last = std::min(pcm->size(), last + margin);
    Samples samples;
    for (std::size_t i = first; i < last; ++i)
        samples.push_back((*pcm)[i] / 32768.0f);
    return wave_file_pcm8(halve_rate(samples), 11025);
}

std::string msf(long sector) {
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", sector / 4500, (sector / 75) % 60, sector % 75);
    return text;
}

std::string two_digits(int number) {
    return number < 10 ? "0" + std::to_string(number) : std::to_string(number);
}

} // namespace

bool write_sounds(const Content& content, const std::string& root_text, const std::string& work_text,
                  std::map<int, std::string>& identities, std::string& error) {
    const fs::path root(root_text), work(work_text);
    std::vector<Encoding> encodings;
    std::size_t temporary = 0;
    auto temp_wave = [&](const Samples& samples, int rate) -> std::optional<std::string> {
        const fs::path path = work / ("pcm-" + std::to_string(temporary++) + ".wav");
        if (!write_file(path, wave_file_pcm16(to_pcm16(samples), rate, 1), error)) return std::nullopt;
        return path.string();
    };

    // Sound-file cut parts; those of one source are slices of one longer synthesised recording.
    std::map<int, std::pair<const Cut*, double>> sources; // source -> (first cut, length)
    for (const auto& cut : content.cuts)
        if (!cut.on_cd && cut.source > 0) {
            auto& entry = sources[cut.source];
            if (!entry.first) entry.first = &cut;
            entry.second = std::max(entry.second, cut.at + cut.seconds);
        }
    std::map<int, Samples> source_sounds;
    for (const auto& [number, entry] : sources)
        source_sounds[number] = cut_sound(content, *entry.first,
                                          text_seed("source " + std::to_string(number)), entry.second, 22050);
    for (const auto& cut : content.cuts) {
        if (cut.on_cd) continue;
        Samples samples;
        if (cut.source > 0) {
            const Samples& source = source_sounds[cut.source];
            const std::size_t from = std::min(source.size(), static_cast<std::size_t>(cut.at * 22050));
            const std::size_t to =
                std::min(source.size(), from + static_cast<std::size_t>(cut.seconds * 22050));
            samples.assign(source.begin() + from, source.begin() + to);
        } else {
            samples = cut_sound(content, cut, text_seed(cut.key), cut.seconds, 22050);
        }
        const fs::path target = root / cut_file_path(cut);
        if (cut.compression == 0) {
            if (!write_file(target, wave_file_pcm16(to_pcm16(samples), 22050, 1), error)) return false;
        } else if (cut.compression == 1) {
            if (!write_file(target, wave_file_pcm8(halve_rate(samples), 11025), error)) return false;
        } else {
            const auto input = temp_wave(samples, 22050);
            if (!input) return false;
            fs::create_directories(target.parent_path());
            encodings.push_back({*input, target.string(), encoder_options(cut.compression)});
        }
    }

    // Audio CDs: every track is built from the slices that lie on it.
    for (const auto& cd : content.cds) {
        std::vector<Samples> tracks;
        std::vector<long> sectors;
        for (const auto& track : cd.tracks) {
            const long count = std::lround(track.seconds * 75);
            sectors.push_back(count);
            Samples samples(static_cast<std::size_t>(count) * 588, 0.0f);
            Random hiss(text_seed(cd.title) + track.number);
            double brown = 0;
            for (auto& s : samples) {
                brown = brown * 0.995 + (hiss.uniform() * 2 - 1) * 0.02;
                s = static_cast<float>(brown * 0.04);
            }
            for (const auto& cut : content.cuts) {
                if (!cut.on_cd || cut.cd != cd.number || cut.track != track.number) continue;
                const Samples part = cut_sound(content, cut, text_seed(cut.key), cut.length, 44100);
                const std::size_t at = static_cast<std::size_t>(cut.offset * 44100);
                for (std::size_t i = 0; i < part.size() && at + i < samples.size(); ++i)
                    samples[at + i] += part[i];
            }
            tracks.push_back(std::move(samples));
        }
        identities[cd.number] = cd_identity(sectors);
        if (cd.always) {
            const fs::path folder = root / "Audio CDs" / cd.folder;
            for (std::size_t i = 0; i < cd.tracks.size(); ++i) {
                const fs::path target = folder / cd.tracks[i].file;
                std::string extension = target.extension().string();
                std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
                if (extension == ".mp3") {
                    const auto input = temp_wave(tracks[i], 44100);
                    if (!input) return false;
                    fs::create_directories(folder);
                    encodings.push_back({*input,
                                         target.string(),
                                         {"-c:a", "libmp3lame", "-b:a", "64k", "-ar", "44100", "-ac", "1",
                                          "-f", "mp3", "-write_xing", "0", "-id3v2_version", "0", "-fflags",
                                          "+bitexact", "-flags:a", "+bitexact"}});
                } else if (!write_file(target, wave_file_pcm16(to_pcm16(halve_rate(tracks[i])), 22050, 1),
                                       error)) {
                    return false;
                }
            }
            continue;
        }
        // A raw CD-DA image: 16-bit stereo at 44.1 kHz, 2352-byte sectors, one file for all tracks.
        std::vector<std::int16_t> stereo;
        std::string cue = "REM Audio CD image of the demo disc (synthetic sounds)\r\nFILE \"" + cd.image +
                          ".bin\" BINARY\r\n";
        long start = 0;
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            cue += "  TRACK " + two_digits(static_cast<int>(i + 1)) + " AUDIO\r\n    INDEX 01 " + msf(start) +
                   "\r\n";
            for (std::int16_t s : to_pcm16(tracks[i])) {
                stereo.push_back(s);
                stereo.push_back(s);
            }
            start += sectors[i];
        }
        const std::string wave = wave_file_pcm16(stereo, 44100, 2);
        if (!write_file(root / "Audio CD images" / (cd.image + ".bin"), wave.substr(44), error) ||
            !write_file(root / "Audio CD images" / (cd.image + ".cue"), cue, error))
            return false;
        if (!cd.copy.empty()) {
            const fs::path folder = root / "Audio CD copies" / cd.copy;
            fs::create_directories(folder);
            for (std::size_t i = 0; i < tracks.size(); ++i) {
                const auto input = temp_wave(tracks[i], 44100);
                if (!input) return false;
                encodings.push_back(
                    {*input,
                     (folder / ("Track " + two_digits(static_cast<int>(i + 1)) + ".mp3")).string(),
                     {"-c:a", "libmp3lame", "-b:a", "64k", "-ar", "44100", "-ac", "1", "-f", "mp3",
                      "-write_xing", "0", "-id3v2_version", "0", "-fflags", "+bitexact", "-flags:a",
                      "+bitexact"}});
            }
        }
    }

    // Spoken species names, for every species with recordings.
    std::vector<Command> commands = ffmpeg_batches(encodings, work.string());
    std::vector<std::pair<fs::path, fs::path>> spoken; // espeak output -> disc file
    std::vector<bool> has_items(content.species.size(), false);
    for (const auto& cut : content.cuts)
        for (const auto& item : cut.items)
            has_items[item.species] = true;
    for (std::size_t i = 0; i < content.species.size(); ++i) {
        if (!has_items[i]) continue;
        const Species& species = content.species[i];
        const fs::path output = work / ("name-" + std::to_string(species.unique_id) + ".wav");
        commands.push_back({{"espeak-ng", "-v", "en", "-s", "140", "-w", output.string(), species.english},
                            (work / ("espeak-" + std::to_string(species.unique_id) + ".log")).string()});
        spoken.emplace_back(output, root / "Voices" / "lang1" /
                                        folder_8_3(content.families[species.family].folder) /
                                        (std::to_string(species.unique_id) + ".wav"));
    }
    const int parallel = std::max(2u, std::thread::hardware_concurrency());
    if (!run_commands(commands, parallel, error)) return false;
    for (const auto& [from, to] : spoken) {
        const auto bytes = read_file(from);
        const auto file = bytes ? spoken_name_file(*bytes) : std::nullopt;
        if (!file) {
            error = "espeak-ng gave no sound in " + from.string();
            return false;
        }
        if (!write_file(to, *file, error)) return false;
    }
    return true;
}

} // namespace morvelin::demo
