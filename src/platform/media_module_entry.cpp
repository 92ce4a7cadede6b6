// The entry of the media module: the Linux media port, the sound server's volume and the sonograms.
#include "platform/media_module.h"

#include "platform/media/linux_media_port.h"
#include "platform/media/pulse_volume.h"
#include "platform/media/sonogram_source.h"

namespace morvelin {
namespace {

const MediaModuleFunctions functions{
    .version = MediaModuleFunctions::current_version,
    .make_media_port = []() -> MediaPort* { return new LinuxMediaPort; },
    .destroy_media_port = [](MediaPort* port) { delete port; },
    .make_volume_port = []() -> VolumePort* { return new PulseVolume; },
    .destroy_volume_port = [](VolumePort* port) { delete port; },
    .make_sonogram_port = []() -> SonogramPort* { return new media::FftwSonogramPort; },
    .destroy_sonogram_port = [](SonogramPort* port) { delete port; },
};

} // namespace
} // namespace morvelin

extern "C" __attribute__((visibility("default"))) const morvelin::MediaModuleFunctions* morvelin_media_module() {
    return &morvelin::functions;
}
