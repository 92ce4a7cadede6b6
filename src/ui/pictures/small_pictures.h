#pragma once
// Decoding the species' photos and thumbnails, and the thumbnails beside the species text.
//
// A photo file may be stored scrambled (TOptionallyScrambleMemoryStream); it is decoded as JPEG by
// Qt's reader with an allocation limit, so a damaged or hostile size field cannot claim the memory.
// A thumbnail is decoded once and shared: every document line that shows it holds a reference, and it
// is freed with the last one; a species whose thumbnail file is missing is not looked for again until
// the base directory changes.

#include "core/foundation/byte_files.h"

#include <QImage>
#include <QPixmap>

#include <memory>
#include <string>

class QPainter;
class QPoint;

namespace morvelin {

struct Tspecies;
class TextPicture;

// The largest decoded picture, in megabytes.
inline constexpr int picture_allocation_limit_mb = 256;

// A JPEG image from bytes; a null image when they are not a JPEG Qt can decode within the limit.
QImage decode_jpeg(const Bytes& bytes);
// A photo file, plain or scrambled; a null image when it cannot be read or decoded.
QImage load_big_picture(const std::string& path);

// The species' thumbnail, decoded once and shared while anyone holds it; null when there is none (the
// file is missing or cannot be decoded: the species is then marked and not looked for again).
std::shared_ptr<const QImage> LoadSmallPicture(const Tspecies& species);
// Whether a thumbnail is loaded or its file can be found (marks the species when it cannot).
bool has_small_picture(const Tspecies& species);
// The species' thumbnail fitted into size (logical pixels) at the pixel ratio, for a label; null
// without one.
QPixmap small_picture_pixmap(const Tspecies& species, QSize size, qreal pixel_ratio);
// Draws a thumbnail with its top left at the point, in its own size at any pixel ratio.
void DrawSmallPicture(QPainter& painter, const QImage& picture, QPoint top_left);
// Whether (x, y) lies on a thumbnail drawn at origin, both edges included.
bool IsPointInSmallPicture(const QImage& picture, QPoint origin, int x, int y);

// The text picture of a species' thumbnail (a line of the species document holds it); none without one.
std::unique_ptr<TextPicture> small_picture_line(const Tspecies& species);
// Makes thumbnails the species document's text pictures.
void install_small_pictures();
void uninstall_small_pictures();

} // namespace morvelin
