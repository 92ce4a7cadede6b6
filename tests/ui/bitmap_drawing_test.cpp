// Drawing packed bitmaps and loading JPEG resources, on the offscreen platform.

#include "ui/foundation/bitmap_drawing.h"

#include "core/foundation/bitmap.h"
#include "core/foundation/lzw.h"
#include "scripted_services.h"

#include <QApplication>
#include <QBuffer>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include <sys/mman.h>
#include <unistd.h>

static void load_program_resources_for_drawing() {
    Q_INIT_RESOURCE(resources);
}

namespace morvelin {
namespace {

void ensure_application() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

class BitmapDrawing : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ensure_application();
        load_program_resources_for_drawing();
    }
};

constexpr QRgb white = 0xFFFFFFFF, black = 0xFF000000, red = 0xFFFF0000, cyan = 0xFF00FFFF;

// A 3 × 2 bitmap, top row white red black, bottom row red black white.
Bytes sample_file(bool rle8) {
    return make_bmp_file_8bit(3, 2, {0xFFFFFF, 0xFF0000, 0x000000}, {0, 1, 2, 1, 2, 0}, rle8);
}
Bytes sample_dib() {
    return load_bitmap_from_memory(sample_file(false).data(), sample_file(false).size(), "x", false).dib;
}

QImage canvas(QRgb fill) {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

std::vector<QRgb> row_of(const QImage& image, int y, int from, int count) {
    std::vector<QRgb> row;
    for (int x = from; x < from + count; ++x)
        row.push_back(image.pixel(x, y));
    return row;
}

TEST_F(BitmapDrawing, EveryBlockFormGivesTheSameImage) {
    Bytes file = sample_file(true);
    Bytes compressed_block = {'C', 'F'};
    compressed_block.insert(compressed_block.end(), file.begin(), file.end());
    Bytes rle_dib(file.begin() + 14, file.end()); // a packed bitmap still run-length encoded
    for (const Bytes& block : {sample_dib(), file, compressed_block, rle_dib}) {
        QImage image = image_from_bitmap_block(block);
        ASSERT_EQ(image.size(), QSize(3, 2));
        EXPECT_EQ(row_of(image, 0, 0, 3), (std::vector<QRgb>{white, red, black}));
        EXPECT_EQ(row_of(image, 1, 0, 3), (std::vector<QRgb>{red, black, white}));
    }
}

TEST_F(BitmapDrawing, CopyReplacesOnlyTheTargetRectangle) {
    QImage target = canvas(cyan);
    {
        QPainter painter(&target);
        EXPECT_TRUE(draw_bitmap(painter, 2, 1, sample_dib(), false));
    }
    EXPECT_EQ(row_of(target, 1, 1, 5), (std::vector<QRgb>{cyan, white, red, black, cyan}));
    EXPECT_EQ(row_of(target, 2, 1, 5), (std::vector<QRgb>{cyan, red, black, white, cyan}));
    EXPECT_EQ(row_of(target, 0, 0, 8), std::vector<QRgb>(8, cyan));
    EXPECT_EQ(row_of(target, 3, 0, 8), std::vector<QRgb>(8, cyan));
}

TEST_F(BitmapDrawing, MaskModeAndsSourceWithDestination) {
    QImage target = canvas(cyan);
    {
        QPainter painter(&target);
        EXPECT_TRUE(draw_bitmap(painter, 0, 0, sample_dib(), true));
    }
    // white AND cyan = cyan, red AND cyan = black, black AND anything = black.
    EXPECT_EQ(row_of(target, 0, 0, 4), (std::vector<QRgb>{cyan, black, black, cyan}));
    EXPECT_EQ(row_of(target, 1, 0, 4), (std::vector<QRgb>{black, black, cyan, cyan}));
}

TEST_F(BitmapDrawing, StretchingRepeatsWholePixels) {
    QImage target = canvas(cyan);
    {
        QPainter painter(&target);
        EXPECT_TRUE(draw_bitmap(painter, 0, 0, sample_dib(), false, 6, 4));
    }
    for (int y : {0, 1})
        EXPECT_EQ(row_of(target, y, 0, 7), (std::vector<QRgb>{white, white, red, red, black, black, cyan}))
            << y;
    for (int y : {2, 3})
        EXPECT_EQ(row_of(target, y, 0, 7), (std::vector<QRgb>{red, red, black, black, white, white, cyan}))
            << y;
}

TEST_F(BitmapDrawing, NothingDrawableDrawsNothing) {
    QImage target = canvas(cyan);
    Bytes truncated = sample_dib();
    truncated.resize(truncated.size() - 1);
    {
        QPainter painter(&target);
        EXPECT_FALSE(draw_bitmap(painter, 0, 0, Bytes{}, false));
        EXPECT_FALSE(draw_bitmap(painter, 0, 0, truncated, false));
        EXPECT_FALSE(draw_bitmap(painter, 0, 0, Bytes{'C', 'F', 'B', 'M'}, true));
        EXPECT_FALSE(draw_bitmap(painter, 0, 0, nullptr, 40, true));
    }
    EXPECT_EQ(target, canvas(cyan));
}

// A block copied to the very start of a page whose preceding page is inaccessible: a read before the
// block ends the test program instead of passing unnoticed.
class GuardedBlock {
public:
    explicit GuardedBlock(const Bytes& bytes) {
        page_ = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        void* area = ::mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (area == MAP_FAILED) throw std::runtime_error("mmap failed");
        area_ = static_cast<std::uint8_t*>(area);
        ::mprotect(area_, page_, PROT_NONE);
        std::memcpy(area_ + page_, bytes.data(), bytes.size());
    }
    ~GuardedBlock() { ::munmap(area_, 2 * page_); }
    const std::uint8_t* data() const { return area_ + page_; }

private:
    std::size_t page_ = 0;
    std::uint8_t* area_ = nullptr;
};

TEST_F(BitmapDrawing, BlocksShorterThanTheirFileHeaderAreNotDrawable) {
    const Bytes file = sample_file(false);
    Bytes compressed_block = {'C', 'F'};
    compressed_block.insert(compressed_block.end(), file.begin(), file.end());
    for (const Bytes& whole : {file, compressed_block}) {
        const std::size_t header_end = whole[0] == 'C' ? 16 : 14;
        GuardedBlock guarded(whole);
        for (std::size_t size = 2; size <= header_end; ++size)
            EXPECT_TRUE(image_from_bitmap_block(guarded.data(), size).isNull()) << whole[0] << " " << size;
        EXPECT_FALSE(image_from_bitmap_block(guarded.data(), whole.size()).isNull()) << whole[0];
    }
}

TEST_F(BitmapDrawing, JpegResourcesAndFiles) {
    std::optional<QImage> about = load_jpeg_resource("ABOUT_JPEG");
    ASSERT_TRUE(about);
    EXPECT_FALSE(about->isNull());
    EXPECT_EQ(about->devicePixelRatio(), 1.0);
    std::optional<QImage> sharp = load_jpeg_resource("ABOUT_JPEG", 2.0);
    ASSERT_TRUE(sharp);
    EXPECT_EQ(sharp->devicePixelRatio(), 2.0);
    EXPECT_EQ(sharp->deviceIndependentSize(), about->deviceIndependentSize());
    EXPECT_FALSE(load_jpeg_resource("NO_SUCH_JPEG"));

    testing::TempDir dir;
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir.file("bird.jpg")), "JPEG"));
    ASSERT_TRUE(picture.save(QString::fromStdString(dir.file("bird.png")), "PNG"));
    std::optional<QImage> loaded = load_jpeg_image(QString::fromStdString(dir.file("bird.jpg")));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->size(), QSize(40, 30));
    EXPECT_FALSE(load_jpeg_image(QString::fromStdString(dir.file("bird.png"))));
}

} // namespace
} // namespace morvelin
