#include "core/sound/audio_cd_key_checker.h"

#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"

#include <utility>

namespace morvelin {

namespace {
constexpr int text_lines = 10;
}

Taudio_CD_key_checker::Taudio_CD_key_checker()
    : Taudio_CD_key_checker(texts("AUDIO CD PLAYER", text_lines - 1)) {}

Taudio_CD_key_checker::Taudio_CD_key_checker(std::vector<std::string> lines) : texts_(std::move(lines)) {
    texts_.resize(text_lines);
}

const std::string& Taudio_CD_key_checker::text(int line) const {
    static const std::string none;
    return line >= 0 && line < int(texts_.size()) ? texts_[std::size_t(line)] : none;
}

bool Taudio_CD_key_checker::CheckDisc(const std::string& cd_name, const std::string& wanted,
                                      const std::string& found) {
    if (found == wanted) {
        accepted_ = false;
        return true;
    }
    if (accepted_ && found == last_found_ && wanted == last_wanted_) return true;
    int answer = show_message(text(0) + " \"" + cd_name + "\". " + text(1), mb::ok_cancel_default_cancel);
    accepted_ = answer == id::ok;
    if (accepted_) {
        last_found_ = found;
        last_wanted_ = wanted;
    }
    return accepted_;
}

CheckDiscCallback Taudio_CD_key_checker::callback() {
    return [this](const std::string& cd_name, const std::string& wanted, const std::string& found) {
        return CheckDisc(cd_name, wanted, found);
    };
}

Taudio_CD_key_checker& audio_cd_key_checker() {
    static Taudio_CD_key_checker checker;
    return checker;
}

} // namespace morvelin
