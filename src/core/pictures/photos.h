#pragma once
// The photos of a species without a window: where their files lie (names from the disc are checked
// before they touch the file system), which photo comes before or after another, the text of the
// picture-information pop-up and the caption, and the arithmetic of the photo window (zoom steps,
// scroll ranges, the size of the window when it is not maximised).

#include "core/data/records.h"

#include <map>
#include <string>
#include <string_view>

namespace morvelin {

// ---- media files named by the disc ----

struct MediaFile {
    enum class Status {
        found,   // path names an existing regular file below the folder
        missing, // the name is sound but no such file exists (another data folder may hold it)
        refused, // the name could reach outside the folder; never looked for anywhere
    };
    Status status = Status::missing;
    std::string path;
    bool found() const { return status == Status::found; }
};

// A name from the disc for a file below one of the media folders: '\' separates folders. Refused are
// empty names, absolute names, drive letters ("C:"), schemes ("http:") and "." or ".." components.
bool safe_media_name(std::string_view name);
// The file folder + name (name in native form, '\' allowed), looked up ignoring ASCII case; a result
// that does not lie inside folder once links are resolved is refused too.
MediaFile find_media_file(const std::string& folder, std::string_view name);

// "Phasiani.dae/123.007": the 8.3 media folder (native) and the photo's file name below "big_pict/".
std::string big_picture_name(const Tbig_picture& picture);
// "Phasiani.dae/123.jpg" below "smalpict/".
std::string small_picture_name(const Tspecies& species);
MediaFile find_big_picture_file(const Tbig_picture& picture, const std::string& base_directory);
MediaFile find_small_picture_file(const Tspecies& species, const std::string& base_directory);

// ---- which photo ----

// The photo after current (before it when backwards), or the species' first photo without a current
// one. With subspecies_only only photos of that subspecies count; a null subspecies stands for photos
// without a known subspecies.
const Tbig_picture* FindBigPicture(const Tspecies& species, bool subspecies_only,
                                   const Tsubspecies* subspecies, bool backwards,
                                   const Tbig_picture* current);

// A photo has information unless it has no locality, no date and no description.
bool picture_has_information(const Tbig_picture& picture);
// "DD-MM-YYYY" of a DDMMYY number (five digits: a day below 10); years 00-39 are 2000-2039, 40-99 are
// 1940-1999. Empty for -1 and for numbers that are no date.
std::string picture_date_text(int date);
// The information pop-up's text (markup as in the species text): subspecies name (when
// subspecies_names), description, the locality's full name as a link, the date and ".".
std::string picture_information_text(const Tbig_picture& picture, bool subspecies_names);

// The name settings of the window that opened the photos.
struct CaptionNames {
    bool scientific = true;
    bool other_language = true;
    int main_name = 2; // 1: scientific first, 2: the other language first
};
// The caption maker's text: "  " + the first name + " (" second name ")", then ", " subspecies line
// and name for a species with flag_e; shstr is line n of QM_SHSTR.
std::string picture_names_caption(const Tspecies& species, const Tssp_data* subspecies,
                                  const CaptionNames& names, const std::string& shstr_8,
                                  const std::string& shstr_11);
// names_text, then six spaces (when it is not empty), "\xA9 " and the copyright holder's name.
std::string picture_window_caption(const std::string& names_text, const Tbig_picture& picture);

// ---- the colour warning ----

// A display of fewer than 300 colours warns before a photo window opens, at most once a month: when the
// current month (1..12) has reached the stored one (0: none stored).
bool colour_warning_due(int display_colours, int current_month, int stored_month);
// The month stored after a warning: the next one (January after December).
int next_colour_warning_month(int current_month);

// ---- the photo window's arithmetic ----

inline constexpr double min_zoom_factor = 0.05;
inline constexpr double max_zoom_factor = 8.0;

// One step of shrinking (x 0.75) or enlarging (x 4/3): a step that crosses or nearly reaches 1.0 or
// 2.0 stops there exactly; the result stays within min_zoom_factor..max_zoom_factor.
double zoomed_factor(double old_factor, bool enlarge);
// The fitting factor of a picture in an area, never above 1.
double fitting_factor(int picture_width, int picture_height, int area_width, int area_height);

struct ScrollRanges {
    bool horizontal = false;
    bool vertical = false;
    int horizontal_range = 10; // 10: no scrolling
    int vertical_range = 10;
};
// Which scroll bars a picture drawn at factor needs in an available area (the client without bars):
// a bar appears only when the picture is more than 10 pixels larger than the room left for it.
ScrollRanges scroll_ranges(int picture_width, int picture_height, double factor, int available_width,
                           int available_height, int vertical_bar_width, int horizontal_bar_height);

struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};
// The window's client rectangle when it leaves the maximised state: the picture's size when it fits
// (else at most half the screen width), its aspect kept, no higher than 3/5 of the screen width and
// never larger than the work area minus the frame; then moved inside the work area.
PixelRect initial_normal_rect(int picture_width, int picture_height, bool fits, int screen_width,
                              const PixelRect& work_area, int left, int top, int frame_width,
                              int frame_height);

// The scale and scroll position the user chose for one photo, kept while the window stays maximised.
struct TPictureDisplayInfoClass {
    double factor = -1.0; // not chosen yet
    int scroll_x = -1;    // none remembered
    int scroll_y = 0;
};

class PictureDisplayInfos {
public:
    // The entry of a file, and whether it was made now.
    TPictureDisplayInfoClass& entry(const std::string& file_name, bool* created = nullptr);
    // Every photo fits the window again when next shown.
    void reset_all();
    std::size_t size() const { return infos_.size(); }

private:
    std::map<std::string, TPictureDisplayInfoClass> infos_;
};

} // namespace morvelin
