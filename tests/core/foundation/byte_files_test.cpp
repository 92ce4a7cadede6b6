// Readers of disc files take only regular files: a pipe named like a data file would make them wait for
// a writer forever, and a device could be endless.

#include "core/foundation/byte_files.h"

#include "core/foundation/bitmap.h"
#include "core/foundation/codec.h"
#include "core/foundation/lzw.h"
#include "core/foundation/utilities.h"
#include "core/sound/sound_memory_stream.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvelin {
namespace {

using morvelin::testing::TempDir;

TEST(RegularFiles, PipesDevicesAndFoldersAreRefusedWithoutWaiting) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("taxa.txt").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir.file("taxa.txt"), dir.file("link.txt"));
    std::filesystem::create_directory(dir.file("folder.txt"));
    dir.write("plain.txt", "BM plain");

    const std::pair<const char*, std::function<bool(const std::string&)>> readers[] = {
        {"open_regular_file", [](const std::string& p) { return open_regular_file(p) != nullptr; }},
        {"read_byte_file", [](const std::string& p) { return read_byte_file(p).has_value(); }},
        {"read_whole_file", [](const std::string& p) { return read_whole_file(p).has_value(); }},
        {"read_data_file_lines", [](const std::string& p) { return read_data_file_lines(p).has_value(); }},
        {"is_compressed_file", [](const std::string& p) { return is_compressed_file(p); }},
        {"read_compressed_file_into_memory",
         [](const std::string& p) { return read_compressed_file_into_memory(p, false).error != lzw::error_open; }},
        {"load_bitmap", [](const std::string& p) { return load_bitmap(p, false).error != bitmap::error_read; }},
        {"TSoundMemoryStream", [](const std::string& p) { return TSoundMemoryStream().load_from_file(p); }},
    };
    for (const auto& [name, read] : readers) {
        EXPECT_EQ(read(dir.file("plain.txt")), std::string(name) != "is_compressed_file") << name;
        for (const std::string& path : {dir.file("taxa.txt"), dir.file("link.txt"), dir.file("folder.txt"),
                                       std::string("/dev/null")}) {
            auto reading = std::async(std::launch::async, read, path);
            if (reading.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
                // Releases the blocked reader: a writer that ends at once.
                ::close(::open(dir.file("taxa.txt").c_str(), O_WRONLY | O_NONBLOCK));
                ADD_FAILURE() << name << " waits on " << path;
            }
            EXPECT_FALSE(reading.get()) << name << " reads " << path;
        }
    }
}

} // namespace
} // namespace morvelin
