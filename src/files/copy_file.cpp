#include "files/copy_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/errors.h"
#include "base/file_io.h"

namespace vexilo {

void copyFile(const std::string& source, const std::string& target,
              const std::function<bool(std::uint64_t bytes)>& onBytes) {
    struct stat st {};
    const FileDescriptor in = openRegularFile(source, st);

    // The program's one temporary naming: hidden, short whatever the target's name, and cleared
    // away after a crash by the next save or batch run into the folder.
    std::string temp;
    FileDescriptor out = createTemporaryBeside(target, temp, 0600);
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
    // A move removes its source next: the copy's name must be on disk first.
    syncFolderOf(target);
}

}  // namespace vexilo
