#pragma once
// Sounds of the demo disc: synthesised bird-like songs (PCM made here, deterministically), WAVE files,
// MP3 and WMA encoding through the ffmpeg command, spoken species names through espeak-ng, and audio
// CD images (CUE/BIN).

#include "demo_sources.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace morvelin::demo {

// Samples in -1..1.
using Samples = std::vector<float>;

// One note of a synthesised phrase: a tone gliding from f0 to f1 with its harmonics, vibrato, amplitude
// modulation and noise. Times are seconds from the phrase's start.
struct Note {
    double start = 0, duration = 0.1;
    double f0 = 1000, f1 = 1000;
    std::array<float, 5> harmonics{1, 0, 0, 0, 0};
    double vibrato_rate = 0, vibrato_depth = 0;
    double am_rate = 0;
    double noise = 0;
    double attack = 0.1; // fraction of the duration
    double amplitude = 1;
};

// The notes of one phrase of a voice kind around the base pitch, drawn from the seed.
std::vector<Note> phrase_notes(const std::string& kind, std::uint64_t seed, double pitch);

// A song of the given voice kind ("whistle", "trill", ...) lasting seconds. The voice seed fixes the
// species' phrases and pitch, the layout seed how this recording arranges them; the same arguments
// always give the same samples.
Samples synthesize_voice(const std::string& kind, std::uint32_t voice_seed, std::uint32_t layout_seed,
                         double seconds, int rate);

// A stable seed from a text (FNV-1a).
std::uint32_t text_seed(const std::string& text);

// RIFF WAVE files with PCM data: 16-bit (mono or interleaved stereo) or 8-bit unsigned mono.
std::string wave_file_pcm16(const std::vector<std::int16_t>& samples, int rate, int channels);
std::string wave_file_pcm8(const Samples& samples, int rate);
std::vector<std::int16_t> to_pcm16(const Samples& samples);
// Halves the sample rate (pairs averaged).
Samples halve_rate(const Samples& samples);

// An external program run: arguments (program first) and the file that receives its output.
struct Command {
    std::vector<std::string> args;
    std::string log;
};
// Runs the commands, at most parallel at a time. False with error naming the first command that could
// not start or ended with an error (its output included).
bool run_commands(const std::vector<Command>& commands, int parallel, std::string& error);
// Whether a program can be found on PATH.
bool program_available(const std::string& name);

// The suffix and extension of a sound-file cut part by its compression number.
const char* compression_suffix(int compression);
const char* compression_extension(int compression);
// The path of a sound-file cut part below the disc root, e.g. "tapes/07/A03_MF.WAV".
std::string cut_file_path(const Cut& cut);

// Writes every sound of the disc below root: tapes/, Voices/lang1/, Audio CDs/, Audio CD images/ and
// Audio CD copies/. work is an empty scratch folder. identities receives the identity of every CD.
bool write_sounds(const Content& content, const std::string& root, const std::string& work,
                  std::map<int, std::string>& identities, std::string& error);

} // namespace morvelin::demo
