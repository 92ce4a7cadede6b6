#pragma once
// Sound files and audio-CD images made for media tests: sound files with ffmpeg (noise, so that
// every sample differs from its neighbours), CD images as CUE sheets over a BIN file whose samples
// follow a formula, so that a test can tell which sample it was given.

#include <QCoreApplication>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace morvelin::testing {

inline void ensure_core_application() {
    static int argc = 1;
    static char name[] = "platform_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

// Three seconds of stereo noise at 44.1 kHz, coded by the ffmpeg output options given
// (for example "-c:a pcm_s16le", "-c:a libmp3lame -f wav" for MPEG Layer III inside WAV).
inline bool make_sound_file(const std::string& path, const std::string& output_options, double seconds = 3.0,
                            int rate = 44100, int channels = 2) {
    std::string command = "ffmpeg -loglevel error -y -f lavfi -i anoisesrc=d=" + std::to_string(seconds) +
                          ":c=pink:r=" + std::to_string(rate) + ":a=0.3:seed=7 -ac " +
                          std::to_string(channels) + " " + output_options + " '" + path + "' </dev/null";
    return std::system(command.c_str()) == 0;
}

// The sample of a disc image at an absolute sample index from the start of its BIN file.
inline std::int16_t cd_image_sample(std::int64_t sample, int channel) {
    return std::int16_t((sample * 31 + channel * 977) % 20000 - 10000);
}

// Writes name.bin and name.cue into the folder (ending with '/'), one track per entry of
// track_frames (lengths in CD frames); a false in audio makes that track a data track.
// Returns the path of the CUE sheet.
inline std::string make_cd_image(const std::string& folder, const std::string& name,
                                 const std::vector<int>& track_frames, const std::vector<bool>& audio = {}) {
    std::ofstream bin(folder + name + ".bin", std::ios::binary);
    std::ofstream cue(folder + name + ".cue");
    cue << "FILE \"" << name << ".bin\" BINARY\n";
    std::int64_t frame = 0;
    for (std::size_t t = 0; t < track_frames.size(); ++t) {
        bool is_audio = t >= audio.size() || audio[t];
        std::string number = (t + 1 < 10 ? "0" : "") + std::to_string(t + 1);
        char index[16];
        std::snprintf(index, sizeof index, "%02d:%02d:%02d", int(frame / 75 / 60), int(frame / 75 % 60),
                      int(frame % 75));
        cue << "  TRACK " << number << (is_audio ? " AUDIO\n" : " MODE1/2352\n") << "    INDEX 01 " << index
            << "\n";
        for (int f = 0; f < track_frames[t]; ++f, ++frame) {
            std::vector<std::int16_t> samples(588 * 2);
            for (int i = 0; i < 588; ++i)
                for (int c = 0; c < 2; ++c)
                    samples[std::size_t(i * 2 + c)] = cd_image_sample(frame * 588 + i, c);
            bin.write(reinterpret_cast<const char*>(samples.data()), std::streamsize(samples.size() * 2));
        }
    }
    return folder + name + ".cue";
}

// Waits until the condition holds or the timeout passes; gives the condition's last value.
template <class Condition> bool wait_until(Condition condition, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace morvelin::testing
