#pragma once
// What the media module (libmorvelin_media.so) gives the program: its ports, made when first asked
// for. The module and the program are built together, so the table is checked by its version only.

#include "core/sound/media_port.h"
#include "core/sound/sonogram.h"

namespace morvelin {

struct MediaModuleFunctions {
    static constexpr int current_version = 2;
    int version = current_version;
    MediaPort* (*make_media_port)() = nullptr;
    void (*destroy_media_port)(MediaPort* port) = nullptr;
    VolumePort* (*make_volume_port)() = nullptr;
    void (*destroy_volume_port)(VolumePort* port) = nullptr;
    SonogramPort* (*make_sonogram_port)() = nullptr;
    void (*destroy_sonogram_port)(SonogramPort* port) = nullptr;
};

} // namespace morvelin

// The one symbol the loader looks up.
extern "C" const morvelin::MediaModuleFunctions* morvelin_media_module();
