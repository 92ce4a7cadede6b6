#pragma once
// The audio-CD settings of a window and of the program: which CD audio device plays audio CDs, and
// for each of the data's audio CDs whether it is shown, playable from the drive or copied to a folder
// on the hard disk. The options frames show and edit these; the rules live here.

#include "core/data/visible_species_and_recordings.h"

#include <string>
#include <vector>

namespace morvelin {

// The number of CD audio devices, asked of the media port once per run.
int audio_cd_device_count();
// Forgets the count (tests that install another media port).
void reset_audio_cd_device_count();
// The device that plays audio CDs (1-based): with two or more devices the stored choice, brought into
// 1..count; otherwise the number of devices (1 with one, 0 with none).
int audio_cd_device_number();

// A CD's row in the options: 0 not shown, 1 shown, 2 playable in the CD drive, 3 copied to the hard
// disk.
namespace cd_column {
constexpr int not_shown = 0;
constexpr int shown = 1;
constexpr int playable = 2;
constexpr int on_hard_disk = 3;
} // namespace cd_column
int cd_column_of(const TClassSoundCarriersUseSpecification& carriers, int sequence);
void set_cd_column(TClassSoundCarriersUseSpecification& carriers, int sequence, int column);

// The audio CDs that have a row: those that are not always available, in list order.
std::vector<int> cd_rows(const Tdata& data);

// The CD rows as chosen in the options, with the folders chosen for their copies.
struct CdChoice {
    int sequence = 0;
    int column = cd_column::not_shown;
    std::string folder; // the copy's folder on the hard disk (native path), empty when none
};
// The message for the first CD marked as copied to the hard disk without a folder (line 5, the CD's
// text_2 in double quotes and line 6 of MY AUDIO CDS FRAME), or empty when every such CD has one.
std::string missing_folder_message(const Tdata& data, const std::vector<CdChoice>& choices);

} // namespace morvelin
