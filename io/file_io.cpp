#include "io/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

namespace vd {

namespace {

Error systemError(const std::string& what) { return Error{what + ": " + std::strerror(errno)}; }

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { close(); }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    int close() {
        int rc = fd_ >= 0 ? ::close(fd_) : 0;
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

Result<InputFile> InputFile::open(const std::string& path, std::uint64_t maxBytes) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return systemError("cannot open");
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) return systemError("cannot read");
    if (!S_ISREG(info.st_mode)) return Error{"not a regular file"};
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) return Error{"file too large"};
    return InputFile(file.release(), static_cast<std::uint64_t>(info.st_size));
}

InputFile::InputFile(InputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
    }
    return *this;
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

Result<std::size_t> InputFile::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    std::size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::pread(fd_, out.data() + done, out.size() - done,
                            static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return systemError("cannot read");
        if (n == 0) break;  // the end of the file, or it shrank while we read it
        done += static_cast<std::size_t>(n);
    }
    return done;
}

Result<FileBytes> InputFile::readAll() const {
    FileBytes bytes;
    try {
        bytes.resize(static_cast<std::size_t>(size_));
    } catch (const std::bad_alloc&) {
        return Error{"not enough memory to read the file"};
    }
    auto done = readAt(0, bytes);
    if (!done) return Error{done.error()};
    bytes.resize(done.value());
    return bytes;
}

Result<FileBytes> readFileBytes(const std::string& path, std::uint64_t maxBytes) {
    auto file = InputFile::open(path, maxBytes);
    if (!file) return Error{file.error()};
    return file.value().readAll();
}

Status writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    if (fs::is_directory(target)) return Error{"is a folder"};
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string tempName = target.filename().string();
    tempName.insert(0, 1, '.');
    tempName.append(".XXXXXX");
    std::string temp = (folder / tempName).string();

    FileDescriptor file(::mkstemp(temp.data()));
    if (file.get() < 0) return systemError("cannot create a file in " + folder.string());
    auto fail = [&](const std::string& what) {
        Error error = systemError(what);
        file.close();
        ::unlink(temp.c_str());
        return error;
    };
    // mkstemp makes the file private; give it the usual permissions of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(file.get(), 0666 & ~mask);
    if (!writeAll(file.get(), bytes)) return fail("cannot write");
    if (::fsync(file.get()) != 0) return fail("cannot write");
    if (file.close() != 0) return fail("cannot write");
    if (::rename(temp.c_str(), path.c_str()) != 0) return fail("cannot replace the file");
    return {};
}

}  // namespace vd
