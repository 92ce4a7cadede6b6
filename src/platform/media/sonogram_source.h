#pragma once
// The sonogram port on Linux: the slice is decoded with the players' SoundDecoder (so the columns
// lie where the bar plays) and transformed with FFTW.

#include "core/sound/sonogram.h"

namespace morvelin::media {

class FftwSonogramPort final : public SonogramPort {
public:
    std::unique_ptr<SonogramSource> open(const std::string& path, std::int64_t start_ms, std::int64_t length_ms,
                                         std::string& error) override;
};

} // namespace morvelin::media
