// Bitmap blocks from the fuzzer drawn as the ui draws them (a packed bitmap, a bitmap file, or the
// compressed reader's "C" "F" block): a block either gives no image and draws nothing, or an image
// that draws, plain and as a mask, at its own size and stretched. Built with QtGui.

#include "core/foundation/bitmap.h"
#include "fuzz_harness.h"
#include "ui/foundation/bitmap_drawing.h"

#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace morvelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
    // A valid header may announce tens of millions of pixels from a few bytes of run-length code; the
    // drawing is the same code at any size, but under the fuzzer's instrumentation such a picture takes
    // longer than the time limit of one input. Such blocks are left to the loader's own target.
    const std::size_t start = packed_dib_start(data, size);
    if (size >= start + 12) {
        std::int32_t w = 0, h = 0;
        std::memcpy(&w, data + start + 4, 4);
        std::memcpy(&h, data + start + 8, 4);
        if (std::llabs(static_cast<long long>(w)) * std::llabs(static_cast<long long>(h)) > (1LL << 22)) return 0;
    }
    // A copy of exactly the input's size, so that any read past it is reported.
    const Bytes block(data, data + size);
    const QImage image = image_from_bitmap_block(block.data(), block.size());
    QImage canvas(64, 64, QImage::Format_RGB32);
    canvas.fill(0xFF00FFFF);
    const QImage blank = canvas;
    {
        QPainter painter(&canvas);
        const bool drawn = draw_bitmap(painter, 3, 5, block.data(), block.size(), false);
        fuzzing::require(drawn == !image.isNull(), "drawing and the image disagree");
        if (drawn) {
            draw_bitmap(painter, -2, -2, block.data(), block.size(), true, 70, 33);
            draw_bitmap_image(painter, 0, 0, image, true, 1, 1);
        }
    }
    if (image.isNull()) fuzzing::require(canvas == blank, "nothing drawable drew something");
    return 0;
}
