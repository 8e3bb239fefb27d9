#include "files/copy_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <vector>

#include "base/errors.h"
#include "base/file_io.h"

namespace vexilo {

namespace {

// A fresh name beside `target` for the copy in progress.
std::string temporaryBeside(const std::string& target) {
    static std::mt19937 random{std::random_device{}()};
    const auto slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string("./") : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    // The temporary name must fit where the target's name just fits.
    return folder + "." + name.substr(0, 200) + ".vxtmp" + std::to_string(random() % 1000000);
}

}  // namespace

void copyFile(const std::string& source, const std::string& target,
              const std::function<bool(std::uint64_t bytes)>& onBytes) {
    struct stat st {};
    const FileDescriptor in = openRegularFile(source, st);

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = temporaryBeside(target);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) throw FileError("Cannot create \"" + target + "\": " + std::strerror(errno));
    FileDescriptor out(fd);
    auto fail = [&](const std::string& what) {
        const std::string text = what + std::strerror(errno);
        ::unlink(temp.c_str());
        throw FileError(text);
    };

    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("Cannot read \"" + source + "\": ");
        }
        if (n == 0) break;
        for (ssize_t written = 0; written < n;) {
            const ssize_t w =
                ::write(out.get(), buffer.data() + written, static_cast<std::size_t>(n - written));
            if (w < 0) {
                if (errno == EINTR) continue;
                fail("Cannot write \"" + target + "\": ");
            }
            written += w;
        }
        if (onBytes && !onBytes(static_cast<std::uint64_t>(n))) {
            ::unlink(temp.c_str());
            throw CopyCancelled{};
        }
    }
    if (::fchmod(out.get(), st.st_mode & 07777) != 0)
        fail("Cannot set the permissions of \"" + target + "\": ");
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out.get(), times) != 0) fail("Cannot set the times of \"" + target + "\": ");
    if (::fsync(out.get()) != 0) fail("Cannot write \"" + target + "\": ");
    if (out.closeNow() != 0) fail("Cannot write \"" + target + "\": ");
    if (::rename(temp.c_str(), target.c_str()) != 0) fail("Cannot create \"" + target + "\": ");
}

}  // namespace vexilo
