#include "core/sound/id3_tag.h"

#include "core/foundation/editions.h"

#include <cstdio>
#include <string_view>

namespace morvelin {

LanguageFlags interface_language() {
    const EditionSettings& e = edition();
    return {.spanish = e.language_spanish, .portuguese = e.language_portuguese, .dutch = e.language_dutch};
}

void write_synchsafe(std::uint8_t* out, std::uint32_t value) {
    for (int i = 3; i >= 0; --i) {
        out[i] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    }
}

std::uint32_t read_synchsafe(const std::uint8_t* in) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 7 | (in[i] & 0x7F);
    return value;
}

std::uint64_t id3v2_audio_start(const std::uint8_t* data, std::size_t size) {
    if (size < 3 || data[0] != 'I' || data[1] != 'D' || data[2] != '3') return 0;
    // A header cut short leaves no audio at all.
    if (size < 10) return size;
    std::uint64_t start = 10 + std::uint64_t{read_synchsafe(data + 6)};
    if (data[5] & 16) start += 10;
    return start;
}

const char* comment_language_code(LanguageFlags language) {
    return language.spanish ? "spa" : language.portuguese ? "por" : language.dutch ? "dut" : "eng";
}

namespace {

class TagWriter {
public:
    void text_frame(const char* id, std::string_view text) { frame(id, {"\0", 1}, {}, false, text); }
    void described_frame(const char* id, std::string_view prefix, std::string_view description,
                         std::string_view text) {
        frame(id, prefix, description, true, text);
    }
    void url_frame(const char* id, std::string_view url) {
        header(id, url.size());
        append(url);
    }
    Bytes& bytes() { return out_; }

private:
    // Body: the prefix (encoding byte, language), the description and its zero when described, then
    // the text and its zero.
    void frame(const char* id, std::string_view prefix, std::string_view description, bool described,
               std::string_view text) {
        std::uint64_t size = prefix.size() + (described ? description.size() + 1 : 0) + text.size() + 1;
        header(id, size);
        append(prefix);
        if (described) {
            append(description);
            out_.push_back(0);
        }
        append(text);
        out_.push_back(0);
    }
    // Frame sizes are plain big-endian numbers in version 2.3, not synchsafe.
    void header(const char* id, std::uint64_t size) {
        append({id, 4});
        for (int shift = 24; shift >= 0; shift -= 8)
            out_.push_back(static_cast<std::uint8_t>(size >> shift));
        out_.push_back(0);
        out_.push_back(0);
    }
    void append(std::string_view text) { out_.insert(out_.end(), text.begin(), text.end()); }

    Bytes out_;
};

} // namespace

std::optional<Bytes> build_id3v2_tag(const Mp3TagTexts& texts, LanguageFlags language, int species_number) {
    std::uint64_t text_bytes = texts.title.size() + texts.sound_description.size() + texts.genre.size() +
                               3 * texts.artist.size() + texts.album.size() + texts.publisher.size() +
                               texts.comment.size();
    // Generous room for the frame headers and fixed texts; beyond this the size field cannot hold it.
    if (text_bytes > synchsafe_max - 1024) return std::nullopt;

    char number[16];
    std::snprintf(number, sizeof number, "%.5d", species_number);

    TagWriter w;
    Bytes& tag = w.bytes();
    tag = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0};
    w.text_frame("TCON", "(12)" + texts.genre);
    w.text_frame("TPE1", texts.artist);
    w.text_frame("TALB", texts.album);
    if (!texts.artist.empty()) w.text_frame("TCOP", " " + texts.artist);
    w.text_frame("TIT1", number);
    w.text_frame("TIT2", texts.title + ". " + texts.sound_description);
    if (!texts.artist.empty()) w.text_frame("TOWN", texts.artist);
    if (!texts.publisher.empty()) {
        w.text_frame("TPUB", texts.publisher);
        w.url_frame("WPUB", publisher_web_address);
    }
    w.described_frame("TXXX", {"\0", 1}, species_number_description, number);
    std::string comm_prefix(1, '\0');
    comm_prefix += comment_language_code(language);
    w.described_frame("COMM", comm_prefix, "", texts.comment);

    if (tag.size() < id3v2_padded_length) tag.resize(id3v2_padded_length, 0);
    write_synchsafe(tag.data() + 6, static_cast<std::uint32_t>(tag.size() - 10));
    return std::move(tag);
}

} // namespace morvelin
