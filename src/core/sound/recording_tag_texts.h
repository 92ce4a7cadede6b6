#pragma once
// The tag texts of a recording taken from the data set alone, for tools and for callers that have no
// species window (a window's document gives texts shaped by its display settings instead). Texts are
// Windows-1252 without style characters or line feeds, except the comment, whose lines are joined by
// carriage return and line feed.

#include "core/sound/id3_tag.h"

namespace morvelin {

struct Tcupaitem;

// title: the item's title (text_5); sound description: its note (text_7); genre: the species'
// vernacular name (the scientific name when it has none); album: the audio CD's title (text_1) for a
// CD recording, else the product title and version; comment: the locality's display name, then date,
// time and the recordist's name (the person's key), then the cut part's remark, each line only when
// not empty. Artist and publisher stay empty: the data do not say which recordings are the maker's own.
Mp3TagTexts recording_tag_texts_from_data(const Tcupaitem& item);

} // namespace morvelin
