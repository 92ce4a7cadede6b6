#pragma once
// A private folder for the fuzz targets that read their input from a file, made once per process.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include <stdlib.h>

namespace morvelin::fuzzing {

inline const std::string& private_folder() {
    static const std::string path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "morvelin_fuzz.XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        return pattern + "/";
    }();
    return path;
}

// Writes the bytes as the file name in the private folder and returns its path.
inline std::string write_private_file(const std::string& name, std::string_view bytes) {
    const std::string path = private_folder() + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

// A file of the repository (the fuzz build knows where its sources are).
inline std::string read_source_file(const std::string& relative) {
    std::ifstream in(std::string(MORVELIN_SOURCE_DIR) + "/" + relative, std::ios::binary);
    if (!in) std::abort();
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace morvelin::fuzzing
