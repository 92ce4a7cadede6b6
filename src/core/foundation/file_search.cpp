#include "core/foundation/file_search.h"

#include "core/foundation/environment.h"
#include "core/foundation/text_encoding.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace morvelin {

namespace {

bool is_file(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

std::optional<std::string> existing_file(const std::string& candidate) {
    if (is_file(candidate)) return candidate;
    auto found = find_path_case_insensitive(candidate);
    if (found && is_file(*found)) return found;
    return std::nullopt;
}

// The entry of folder whose name equals name ignoring ASCII case; the smallest in byte order when
// several do, so that the answer does not depend on the order the file system lists them in.
std::optional<std::string> match_in_folder(const std::string& folder, const std::string& name) {
    std::error_code ec;
    std::optional<std::string> best;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (equals_ignore_case(entry, name) && (!best || entry < *best)) best = entry;
    }
    return best;
}

} // namespace

std::optional<std::string> find_path_case_insensitive(const std::string& path) {
    if (path.empty()) return std::nullopt;
    if (exists(path)) return path;

    // Split into components, keeping the leading '/' of an absolute path and a trailing '/'.
    std::string result = path.front() == '/' ? "/" : "";
    bool trailing = path.back() == '/';
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        auto end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        std::string candidate = result + part;
        if (part == "." || part == ".." || exists(candidate)) {
            result = candidate;
        } else {
            auto match = match_in_folder(result, part);
            if (!match) return std::nullopt;
            result += *match;
        }
        if (i + 1 < parts.size() || trailing) result += '/';
    }
    return result;
}

std::optional<std::string> locate_file(const std::string& name) {
    if (name.empty()) return std::nullopt;
    if (auto f = existing_file(name)) {
        std::error_code ec;
        if (name.front() == '/') return f;
        fs::path abs = fs::absolute(*f, ec);
        return ec ? *f : abs.lexically_normal().string();
    }
    if (name.front() == '/') return std::nullopt;
    for (const std::string* folder : {&environment().startup_folder, &environment().program_folder}) {
        if (folder->empty()) continue;
        if (auto f = existing_file(*folder + name)) return f;
    }
    return std::nullopt;
}

} // namespace morvelin
