#pragma once
// Loading of the data set from the ten data files of a disc: mapsdata.txt, people.txt, names_sc.txt,
// taxa.txt, locality.txt, big_pict.txt (optional), othermedia.txt, cutparts.txt, cupaitem.txt and
// syst_ord.txt, each stored scrambled. Every cross-reference is resolved and checked; a missing
// required file or section, a number that does not convert, an unknown key or an inconsistent file is
// a fatal error (message with the error icon, exit code 1, or whatever the installed fatal handler
// does). There is no partial data set.
//
// Before loading, the language texts QM_DATA (lines 2..4 frame the missing-section message) and
// DEPARTMENT ETC (region labels) are read from the language text table, and the hard-disk folders of
// the audio CDs from settings section AUDIO CDS. Edition rules come from edition().

#include "core/data/data_set.h"

#include <functional>
#include <memory>
#include <string>

namespace morvelin {

// Called with true before loading and with false after it (also when a fatal handler unwinds), so that
// the program can show a busy cursor meanwhile.
using LoadBusyHook = std::function<void(bool busy)>;
void set_load_busy_hook(LoadBusyHook hook);

struct DataLoadOptions {
    // Empty: each file is located like the language text file (current folder, start-up folder,
    // program folder). Otherwise the files are taken from this folder (names matched ignoring case
    // when the exact name does not exist).
    std::string folder;
};

std::unique_ptr<Tdata> load_data(const DataLoadOptions& options = {});

// Start-up: loads the one data set. Fatal on any load error.
void load_data_set();
// The one data set; load_data_set() or install_data_set() must have run.
Tdata& data_set();
bool data_set_loaded();
// Replaces the one data set (tests and tools); nullptr removes it.
void install_data_set(std::unique_ptr<Tdata> data);

// The four name fragments that identify the species text authors (digits 1..4 of a species entry):
// the first person of people.txt whose key contains the fragment, compared in upper case.
extern const char* const text_author_fragments[4];

} // namespace morvelin
