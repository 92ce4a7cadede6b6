#pragma once
// The check that the audio CD in the drive is the one a recording is on. Discs are told apart by
// their identity (audio_cd_player.h: disc_identity); when the disc in the drive differs from the one
// wanted, the user may accept it anyway, and that acceptance is remembered for the same pair of discs.

#include <functional>
#include <string>
#include <vector>

namespace morvelin {

// Decides whether the found disc may be played for the CD named cd_name whose stored identity is
// wanted. May ask the user.
using CheckDiscCallback =
    std::function<bool(const std::string& cd_name, const std::string& wanted, const std::string& found)>;

class Taudio_CD_key_checker {
public:
    // Reads lines 0..9 of the language text AUDIO CD PLAYER.
    Taudio_CD_key_checker();
    // Lines as given (missing lines are empty).
    explicit Taudio_CD_key_checker(std::vector<std::string> texts);

    // found equals wanted: passes and forgets an earlier acceptance. Otherwise passes without asking
    // when the same found and wanted pair was accepted last; else asks (OK/Cancel, Cancel the
    // default) "<line 0> \"<cd_name>\". <line 1>": OK remembers the pair and passes, Cancel fails.
    bool CheckDisc(const std::string& cd_name, const std::string& wanted, const std::string& found);
    // CheckDisc of this checker, for OpenTrack; the checker must outlive its use.
    CheckDiscCallback callback();

    // Line n (0..9) of AUDIO CD PLAYER; line 2 is the message for an empty drive, line 3 for a disc
    // without audio tracks.
    const std::string& text(int line) const;
    bool accepted() const { return accepted_; }

private:
    std::vector<std::string> texts_;
    std::string last_found_;
    std::string last_wanted_;
    bool accepted_ = false;
};

// The program's one checker, made from the language texts on first use.
Taudio_CD_key_checker& audio_cd_key_checker();

} // namespace morvelin
