// Photo files from the fuzzer as the program shows them: descrambled (when they carry a marker), then
// decoded as JPEG and drawn into a frame. Built with QtGui; the JPEG decoder is Qt's.

#include "core/foundation/scrambled_stream.h"
#include "fuzz_harness.h"

#include <QImage>
#include <QPainter>

#include <cstdint>

using namespace morvelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
    TOptionallyScrambleMemoryStream stream;
    stream.load_from_memory(Bytes(data, data + size));
    const Bytes& jpeg = stream.data();
    QImage photo;
    if (!photo.loadFromData(jpeg.data(), static_cast<int>(jpeg.size()), "JPEG")) return 0;
    fuzzing::require(photo.width() > 0 && photo.height() > 0, "a decoded photo without pixels");
    QImage frame(120, 90, QImage::Format_RGB32);
    QPainter painter(&frame);
    painter.drawImage(QRect(0, 0, 120, 90), photo);
    return 0;
}
