#pragma once
// `morvelin-disc synth OUT --species N`: writes the data files of a synthetic disc of realistic size
// and shape for tests and benchmarks: families, species with texts, subspecies, maps and areas,
// persons, localities, photos, audio CDs, cut parts, recording items and three systematic orders, every
// cross-reference resolvable, scrambled like real files; plus PROGR_NM.TXT (this edition) and a small
// language text file with the texts loading reads. No media files. The same options give the same bytes.

#include <cstdint>
#include <string>
#include <vector>

namespace morvelin::disc {

struct SynthOptions {
    std::string output;
    int species = 2500;
    // Zero: derived from species (a tenth as many families, 4.8 recordings, 2.4 photos and 1.2
    // localities per species), the proportions of a full regional disc.
    int families = 0;
    int recordings = 0;
    int photos = 0;
    int localities = 0;
    std::uint32_t seed = 1;
};

struct SynthSummary {
    int families = 0, species = 0, recordings = 0, photos = 0, localities = 0, persons = 0, audio_cds = 0;
    std::uint64_t plain_bytes = 0; // descrambled bytes of the ten data files
};

// Writes the disc; false with error set when the options are out of range or a file cannot be written.
bool synthesize_disc(const SynthOptions& options, std::string& error, SynthSummary* summary = nullptr);

// The command (arguments after "synth"); 0 done, 1 failure, 2 bad usage.
int cmd_synth(const std::vector<std::string>& args);

} // namespace morvelin::disc
