#include "core/sound/recording_tag_texts.h"

#include "core/data/data_texts.h"
#include "core/data/records.h"
#include "core/foundation/editions.h"
#include "core/foundation/text_encoding.h"

#include <string>
#include <vector>

namespace morvelin {

namespace {

// Tags hold plain one-line texts: style characters go, line breaks become blanks.
std::string plain(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == style_italic || c == style_bold || c == style_underline) continue;
        out += c == '\n' || c == '\r' ? ' ' : c;
    }
    const auto first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

void add_line(std::string& comment, const std::string& line) {
    if (line.empty()) return;
    if (!comment.empty()) comment += "\r\n";
    comment += line;
}

} // namespace

Mp3TagTexts recording_tag_texts_from_data(const Tcupaitem& item) {
    Mp3TagTexts t;
    t.title = plain(item.text_5);
    t.sound_description = plain(item.text_7);
    if (item.species) {
        t.genre = plain(item.species->vernacular_name);
        if (t.genre.empty()) t.genre = plain(item.species->scientific_name);
    }
    const Tcutpart* cut = item.cut_part;
    if (cut && cut->audio_cd) {
        t.album = plain(cut->audio_cd->text_1);
    } else {
        t.album = edition().title + " " + edition().version;
    }
    if (!cut) return t;

    if (cut->locality && !cut->locality->name.empty() &&
        !equals_ignore_case(cut->locality->name, "ZERO LOCATION"))
        add_line(t.comment, plain(display_name(*cut->locality)));
    std::string when_and_who;
    for (const std::string& part : {format_date(cut->value_3), format_time(cut->value_4),
                                    cut->recordist ? plain(cut->recordist->key) : std::string()}) {
        if (part.empty()) continue;
        if (!when_and_who.empty()) when_and_who += ", ";
        when_and_who += part;
    }
    add_line(t.comment, when_and_who);
    add_line(t.comment, plain(cut->text_7));
    return t;
}

} // namespace morvelin
