// The file helpers of utilities.h that standard C++ cannot do: replacing a file durably (fsync, an
// exclusively created temporary file), copying with the source's times, file identity and access
// rights. The only core file that calls the system; the layer check knows it by name.

#include "core/foundation/utilities.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace morvelin {

namespace {

std::atomic<unsigned> temp_counter{0};

// Opens a new file beside path that no one else uses. O_EXCL and a fresh name each time; the umask
// applies to the 0666 mode like for any file the user creates.
int open_temp_beside(const std::string& path, std::string& temp_path) {
    fs::path p(path);
    std::string folder = p.has_parent_path() ? p.parent_path().string() + "/" : std::string();
    std::string base = p.filename().string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_path = folder + "." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
                    std::to_string(temp_counter.fetch_add(1));
        int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool write_all(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void sync_folder_of(const std::string& path) {
    fs::path parent = fs::path(path).parent_path();
    int dfd = ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

// The file a write to path really replaces: the target of a symbolic link, the path itself otherwise.
std::string resolve_link(const std::string& path) {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        fs::path target = fs::read_symlink(path, ec);
        if (!ec) {
            if (target.is_relative()) target = fs::path(path).parent_path() / target;
            return resolve_link(target.string());
        }
    }
    return path;
}

} // namespace

bool write_file_atomically(const std::string& path, const std::string& bytes) {
    std::string target = resolve_link(path);
    struct stat old_stat {};
    bool had_file = ::stat(target.c_str(), &old_stat) == 0;
    if (had_file && !S_ISREG(old_stat.st_mode)) return false;

    std::string temp;
    int fd = open_temp_beside(target, temp);
    if (fd < 0) return false;
    bool ok = write_all(fd, bytes.data(), bytes.size());
    if (ok && had_file) ::fchmod(fd, old_stat.st_mode & 07777);
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    sync_folder_of(target);
    return true;
}

bool copy_file(const std::string& source, const std::string& target) {
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return false;
    }
    std::string real_target = resolve_link(target);
    std::string temp;
    int out = open_temp_beside(real_target, temp);
    if (out < 0) {
        ::close(in);
        return false;
    }
    // 64 KiB blocks instead of 1000-byte ones: the result is the same, but a disc's sound files are
    // hundreds of megabytes and small blocks cost a system call per kilobyte.
    std::vector<char> buffer(64 * 1024);
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        if (!write_all(out, buffer.data(), static_cast<std::size_t>(n))) {
            ok = false;
            break;
        }
    }
    ::close(in);
    if (ok) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ok = ::futimens(out, times) == 0;
    }
    ok = ok && ::fsync(out) == 0;
    ok = (::close(out) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), real_target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    if (!S_ISREG(sa.st_mode) || !S_ISREG(sb.st_mode)) return false;
    // Whole seconds: disc file systems keep no finer time, so a faithful copy may differ below that.
    return sa.st_mtim.tv_sec == sb.st_mtim.tv_sec && sa.st_size == sb.st_size;
}

bool can_read(const std::string& path) {
    return ::access(path.c_str(), R_OK) == 0;
}

bool can_write(const std::string& path) {
    return ::access(path.c_str(), W_OK) == 0;
}

} // namespace morvelin
