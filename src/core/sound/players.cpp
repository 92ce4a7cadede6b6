#include "core/sound/players.h"

#include "core/foundation/editions.h"
#include "core/foundation/services.h"
#include "core/sound/media_port.h"
#include "core/sound/program_starter.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace morvelin {

namespace {

// The system's error texts were asked for with a buffer of 128 characters.
constexpr std::size_t error_text_buffer = 128;

} // namespace

// ---- TMCIDevicePlayer ----

TMCIDevicePlayer::~TMCIDevicePlayer() {
    TMCIDevicePlayer::Close();
}

bool TMCIDevicePlayer::Open(int device_type, const std::string& file_name, bool& file_problem, bool silent,
                            bool shareable) {
    CloseDevice();
    playing_ = false;
    file_problem = false;
    MciOpenParameters parameters;
    parameters.device_type = device_type;
    if (!file_name.empty()) parameters.element = file_name;
    parameters.shareable = shareable;
    std::uint32_t id = 0;
    int error = media_port().open(parameters, id);
    if (error != mci::no_error) {
        if (!file_name.empty() && (error == mci::err_file_not_found || error == mci::err_invalid_file)) {
            file_problem = true;
        } else if (!silent) {
            std::string context = "mci_Open, ";
            if ((device_type & 0xFFFF) == mci::devtype_cd_audio) context += "Device type = CD Audio, ";
            if (!file_name.empty()) context += "Element name = \"" + file_name + "\", ";
            ReportError(context, error);
        }
        return false;
    }
    device_id_ = id;
    return true;
}

bool TMCIDevicePlayer::SetTimeFormat(int time_format, bool silent) {
    int error = media_port().set_time_format(device_id_, time_format);
    if (error != mci::no_error) {
        if (!silent) ReportError("mci_Set", error);
        return false;
    }
    return true;
}

bool TMCIDevicePlayer::Status(int item, std::uint32_t& value, bool silent, int track) {
    value = 0;
    int error = media_port().status(device_id_, item, value, track);
    if (error != mci::no_error) {
        if (!silent) ReportError("mci_Status", error);
        return false;
    }
    return true;
}

bool TMCIDevicePlayer::SeekDevice(std::uint32_t to) {
    int error = media_port().seek(device_id_, to);
    if (error != mci::no_error) {
        ReportError("mci_Seek to", error);
        return false;
    }
    return true;
}

bool TMCIDevicePlayer::PlayDevice(std::uint32_t from, std::uint32_t to, bool notify) {
    PlaybackOptions options{playback_mode_, std::nullopt, std::nullopt};
    if (loop_ && loop_->from < loop_->to) {
        options.loop_from = DevicePosition(loop_->from);
        options.loop_to = DevicePosition(loop_->to);
    }
    int error = media_port().set_playback(device_id_, options);
    if (error != mci::no_error) {
        ReportError("mci_Set", error);
        return false;
    }
    error = media_port().play(device_id_, from, to, notify);
    if (error != mci::no_error) {
        ReportError("mci_Play", error);
        return false;
    }
    playing_ = true;
    return true;
}

bool TMCIDevicePlayer::CloseDevice() {
    playing_ = false;
    if (device_id_ == 0) return false;
    // The device counts as closed whatever the port answers: a device that refuses to close cannot be
    // used any further either.
    int error = media_port().close(std::exchange(device_id_, 0));
    if (error != mci::no_error) {
        ReportError("mci_Close", error);
        return false;
    }
    return true;
}

bool TMCIDevicePlayer::Play(bool from_start, bool notify) {
    if (!is_open()) return true;
    std::uint32_t from = 0;
    if (!from_start && !Status(mci::status_position, from, true)) return false;
    std::uint32_t to = 0;
    if (!Status(mci::status_length, to, false)) return false;
    return PlayDevice(from, to, notify);
}

bool TMCIDevicePlayer::Seek(int position) {
    if (!is_open()) return true;
    return SeekDevice(std::uint32_t(std::max(position, 0)));
}

bool TMCIDevicePlayer::GetPosition(int& position) {
    position = 0;
    std::uint32_t value = 0;
    if (!is_open() || !Status(mci::status_position, value, true)) return false;
    position = int(value);
    return true;
}

bool TMCIDevicePlayer::Close() {
    return CloseDevice();
}

bool TMCIDevicePlayer::IsReady() {
    return is_open();
}

void TMCIDevicePlayer::ReportError(const std::string& context, int code) {
    std::optional<std::string> text = media_port().error_text(code);
    if (text) {
        if (text->size() >= error_text_buffer) text->resize(error_text_buffer - 1);
        show_message(context + " " + std::to_string(code) + ": " + *text, mb::icon_error);
    } else {
        show_message(context + " Unknown Error " + std::to_string(code), mb::icon_error);
    }
}

bool TMCIDevicePlayer::Stop() {
    if (!is_open()) return false;
    if (!playing_) return true;
    playing_ = false;
    int error = media_port().stop(device_id_);
    if (error != mci::no_error) {
        ReportError("mci_Stop", error);
        Close();
        return false;
    }
    return true;
}

bool TMCIDevicePlayer::GetMode(int& mode) {
    mode = 0;
    std::uint32_t value = 0;
    if (!is_open() || !Status(mci::status_mode, value, true)) return false;
    mode = int(value);
    return true;
}

int TMCIDevicePlayer::TakeNotification() {
    return is_open() ? media_port().take_notification(device_id_) : 0;
}

// ---- TSoundFilePlayer ----

TSoundFilePlayer::~TSoundFilePlayer() {
    TSoundFilePlayer::Close();
}

bool TSoundFilePlayer::OpenSection(const std::string& file_name, int start, int& length, bool& file_problem) {
    start = std::max(start, 0);
    start_ = current_ = start;
    end_ = start;
    file_length_ = 0;
    file_problem = false;

    // Waveform audio first (WAV files, MPEG Layer III inside WAV included); whatever it refuses gets a
    // second chance on the device the port picks for the file (MP3, WMA). Only the second attempt
    // speaks: a refusal that the second device makes good is no failure, and the decoder question of
    // the cut-part player must not come twice for one file.
    auto try_open = [&](int device_type, bool silent) {
        if (!Open(device_type, file_name, file_problem, silent, false)) return false;
        std::uint32_t value = 0;
        if (!SetTimeFormat(mci::format_milliseconds, silent) || !Status(mci::status_length, value, silent)) {
            CloseDevice();
            return false;
        }
        file_length_ = int(std::min<std::uint32_t>(value, INT32_MAX));
        return true;
    };
    if (!try_open(mci::devtype_waveform_audio, true) && !try_open(mci::devtype_automatic, false))
        return false;

    if (std::int64_t(start) + minimum_playable_ms > file_length_) {
        file_problem = true;
        CloseDevice();
        return false;
    }
    std::int64_t end = std::int64_t(start) + std::max(length, 0);
    end_ = int(std::min<std::int64_t>(end, file_length_));
    length = end_ - start_;
    return true;
}

bool TSoundFilePlayer::Play(bool from_start, bool notify) {
    if (!is_open()) return true;
    if (from_start) current_ = start_;
    return PlayDevice(std::uint32_t(current_), std::uint32_t(end_), notify);
}

bool TSoundFilePlayer::Seek(int position) {
    if (!is_open()) return true;
    int target = int(std::clamp<std::int64_t>(std::int64_t(start_) + position, start_, end_));
    if (!SeekDevice(std::uint32_t(target))) return false;
    current_ = target;
    return true;
}

std::uint32_t TSoundFilePlayer::DevicePosition(int position) {
    return std::uint32_t(std::clamp<std::int64_t>(std::int64_t(start_) + position, start_, end_));
}

bool TSoundFilePlayer::GetPosition(int& position) {
    position = 0;
    std::uint32_t value = 0;
    if (!is_open() || !Status(mci::status_position, value, true)) return false;
    position = int(std::min<std::uint32_t>(value, INT32_MAX)) - start_;
    return true;
}

// ---- TCutPartFilePlayer ----

TCutPartFilePlayer::~TCutPartFilePlayer() {
    TCutPartFilePlayer::Close();
}

bool TCutPartFilePlayer::OpenCutPartFile(const std::string& file_name, bool mp3, int& length,
                                         bool& file_problem) {
    mp3_ = mp3;
    length = 100000000;
    return OpenSection(file_name, 0, length, file_problem);
}

void TCutPartFilePlayer::ReportError(const std::string& context, int code) {
    if (code != mci::err_wave_outputsunsuitable || !mp3_) {
        TSoundFilePlayer::ReportError(context, code);
        return;
    }
    const bool spanish = edition().language_spanish;
    const std::string question =
        spanish ? "Aparentemente, su computadora no cuenta con un descompresor de sonidos comprimidos con "
                  "\"MPEG layer 3\". \xBF"
                  "Desea instalarlo ahora?"
                : "Apparently, no MPEG layer 3 audio decompression codec is installed on your system. Do you "
                  "want to install it now?";
    if (show_message(question, mb::question_yes_no) != id::yes) return;
    const std::string notice =
        spanish ? "Este programa terminar\xE1 despu\xE9s de cargar el programa instalador del descompresor. "
                  "Por favor, c\xE1rguelo, nuevamente, cuando el descompresor est\xE9 instalado."
                : "This program will terminate after loading the codec installation program. Please reload "
                  "it when the codec is installed.";
    if (show_message(notice, mb::ok_cancel) != id::ok) return;
    // Ending the program without an installer running would leave the user with nothing; say so and
    // keep running instead.
    const std::string installer = "./l3codecx.exe";
    if (!start_program({installer}, false)) {
        show_message("Could not execute \"l3codecx.exe\".", mb::icon_error);
        return;
    }
    end_program();
}

} // namespace morvelin
