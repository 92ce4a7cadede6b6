// The file helpers of utilities.h that standard C++ cannot do: replacing a file durably (fsync, an
// exclusively created temporary file), copying with the source's times, file identity and access
// rights, and opening only regular files for reading. The only core file that calls the system; the
// layer check knows it by name.

#include "core/foundation/utilities.h"

#include "core/foundation/byte_files.h"
#include "core/foundation/new_file_copy.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
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

// The file a write to path really replaces: the target of a symbolic link (of a chain of them), the path
// itself otherwise. Links that loop, or a chain longer than the system would follow, give no value and
// errno ELOOP.
std::optional<std::string> resolve_link(const std::string& path) {
    constexpr int max_links = 40; // what Linux follows when it opens a path
    fs::path current = path;
    for (int followed = 0;; ++followed) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(current, ec))) return current.string();
        fs::path target = fs::read_symlink(current, ec);
        if (ec) return current.string();
        if (followed == max_links) {
            errno = ELOOP;
            return std::nullopt;
        }
        current = target.is_relative() ? current.parent_path() / target : target;
    }
}

bool refuse_unless_regular(const struct stat& st) {
    if (S_ISREG(st.st_mode)) return false;
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return true;
}

} // namespace

FileHandle open_regular_file(const std::string& path) {
    FileHandle none(nullptr, &std::fclose);
    // Checked before opening, as opening a pipe waits for its writer; checked again on what was opened,
    // which is opened without waiting, in case the name was replaced in between.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || refuse_unless_regular(st)) return none;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return none;
    std::FILE* file = nullptr;
    if (::fstat(fd, &st) == 0 && !refuse_unless_regular(st)) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        file = ::fdopen(fd, "rb");
    }
    if (!file) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return none;
    }
    return FileHandle(file, &std::fclose);
}

bool write_file_atomically(const std::string& path, const std::string& bytes) {
    const std::optional<std::string> resolved = resolve_link(path);
    if (!resolved) return false;
    const std::string& target = *resolved;
    struct stat old_stat {};
    bool had_file = ::stat(target.c_str(), &old_stat) == 0;
    if (had_file && !S_ISREG(old_stat.st_mode)) {
        errno = S_ISDIR(old_stat.st_mode) ? EISDIR : EINVAL;
        return false;
    }

    std::string temp;
    int fd = open_temp_beside(target, temp);
    if (fd < 0) return false;
    bool ok = write_all(fd, bytes.data(), bytes.size());
    if (ok && had_file) ::fchmod(fd, old_stat.st_mode & 07777);
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        ::unlink(temp.c_str());
        errno = error;
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
    const std::optional<std::string> resolved = resolve_link(target);
    std::string temp;
    int out = resolved ? open_temp_beside(*resolved, temp) : -1;
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
    ok = ok && ::rename(temp.c_str(), resolved->c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

NewFileCopy copy_new_file(const std::string& source, const std::string& target,
                          const std::function<bool()>& keep_going) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return NewFileCopy::failed;
    struct stat st {};
    if (::fstat(in, &st) != 0 || refuse_unless_regular(st)) {
        const int error = errno;
        ::close(in);
        errno = error;
        return NewFileCopy::failed;
    }
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        errno = error;
        return NewFileCopy::failed;
    }
    // Blocks of 8 MiB: few enough system calls, and an abort or a pause waits for one block only.
    constexpr std::size_t block = 8u << 20;
    NewFileCopy result = NewFileCopy::copied;
    int reason = 0;
    bool kernel_copy = true;
    std::vector<char> buffer;
    for (;;) {
        if (keep_going && !keep_going()) {
            result = NewFileCopy::stopped;
            break;
        }
        ssize_t n = -1;
        if (kernel_copy) {
            n = ::copy_file_range(in, nullptr, out, nullptr, block, 0);
            // Not possible between these two files (another kind of file system, an old kernel):
            // the plain way from here on, from where the file offsets stand.
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                kernel_copy = false;
                continue;
            }
        } else {
            if (buffer.empty()) buffer.resize(1u << 20);
            n = ::read(in, buffer.data(), buffer.size());
            if (n > 0 && !write_all(out, buffer.data(), static_cast<std::size_t>(n))) n = -1;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            result = NewFileCopy::failed;
            reason = errno;
            break;
        }
        if (n == 0) break;
    }
    ::close(in);
    if (result == NewFileCopy::copied) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        if (::futimens(out, times) != 0) {
            result = NewFileCopy::failed;
            reason = errno;
        }
    }
    if (::close(out) != 0 && result == NewFileCopy::copied) {
        result = NewFileCopy::failed;
        reason = errno;
    }
    if (result != NewFileCopy::copied) {
        ::unlink(target.c_str());
        errno = reason;
    }
    return result;
}

bool flush_file_system(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::syncfs(fd) == 0;
    ::close(fd);
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
