#pragma once
// What a window, a pane or a sound bar asks of the program's other windows. A request names the kind
// of window that answers it and carries what that window needs; the window registry routes it.

#include "ui/sound/sound_bar.h"

#include <QPoint>
#include <QString>

class QWidget;

namespace morvelin {

struct Tspecies;
struct Tsubspecies;
struct Tlocality;
struct TaudioCD;
struct Tperson;
struct Tcupaitem;

enum class WindowKind {
    // One for the program.
    play_lists,     // recording + play_list_context: add to the list
    localities_map, // View > Site descriptions
    options,
    volume_control, // steps: move the slider (positive: towards higher positions)
    help,           // text: the program document, anchor; desktop_first: the read-me
    web,            // text: the address; anchor: its fragment
    about,          // Help > About
    make_mp3_file,  // recording, tag_texts
    sonogram,       // sound_bar: the recording's sonogram
    comparison,     // sound_bar: add its recording to the comparison
    // One for each main window.
    photos, // species, subspecies, subspecies_only
    map,    // species (its distribution) or locality (a recording's place)
    quiz,   // the voice quiz over the main window's species
    // Pop-ups of a main window at global_point, closed when its pane closes its information windows.
    literature,        // species
    threatened_status, // species, text: the status link
    audio_cd,          // audio_cd
    person,            // text: the persons' link text and species, or person: a recordist
};
inline constexpr int window_kind_count = static_cast<int>(WindowKind::person) + 1;

enum class WindowScope {
    program,     // one window for the whole program
    main_window, // one window for each main window
    pop_up,      // one for each main window, closed with its other information windows
};

struct WindowRequest {
    WindowKind kind = WindowKind::help;
    // The window that asked (a main window, or the pop-up a link was clicked in); with the scope of the
    // kind it decides which window answers. Pop-ups are placed inside it.
    QWidget* owner = nullptr;
    const Tspecies* species = nullptr;
    const Tsubspecies* subspecies = nullptr;
    bool subspecies_only = false;
    const Tlocality* locality = nullptr;
    const TaudioCD* audio_cd = nullptr;
    const Tperson* person = nullptr;
    const Tcupaitem* recording = nullptr;
    int play_list_context = 0;
    Tsound_bar* sound_bar = nullptr;
    SoundBarTagTexts tag_texts{};
    QString text{}; // in Unicode
    QString anchor{};
    bool desktop_first = false;
    QPoint global_point{};
    int steps = 0;
};

// The request that shows a program document: the help at an anchor, or the read-me with the desktop's
// handler first.
WindowRequest program_document_request(QWidget* owner, const char* name, const char* anchor = "",
                                       bool desktop_first = false);

} // namespace morvelin
