// Bitmap blocks from the fuzzer drawn as the ui draws them (a packed bitmap, a bitmap file, or the
// compressed reader's "C" "F" block): a block either gives no image and draws nothing, or an image
// that draws, plain and as a mask, at its own size and stretched. Built with QtGui.

#include "fuzz_harness.h"
#include "ui/foundation/bitmap_drawing.h"

#include <QImage>
#include <QPainter>

#include <cstdint>

using namespace morvelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
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
