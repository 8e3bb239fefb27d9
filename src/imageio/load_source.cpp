#include "imageio/load_source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/errors.h"

namespace vexilo {

ByteBuffer LoadBuffers::takeBytes() {
    ByteBuffer b = std::move(m_bytes);
    m_bytes = ByteBuffer();
    b.clear();
    return b;
}

void LoadBuffers::giveBytes(ByteBuffer buffer) {
    if (buffer.capacity() > m_bytes.capacity()) m_bytes = std::move(buffer);
}

LoadSource::LoadSource(std::string path, LoadBuffers* buffers)
    : m_path(std::move(path)), m_buffers(buffers) {}

LoadSource::~LoadSource() {
    if (m_buffers) m_buffers->giveBytes(std::move(m_data));
}

void LoadSource::open() {
    if (m_opened) return;
    m_opened = true;
    try {
        struct stat st {};
        m_fd = openRegularFile(m_path, st);
        m_size = static_cast<std::uint64_t>(st.st_size);
    } catch (const FileError& e) {
        m_openError = e.what();
        return;
    }
    if (m_buffers) m_data = m_buffers->takeBytes();
}

bool LoadSource::readable() {
    open();
    return m_fd.get() >= 0;
}

bool LoadSource::readUpTo(std::size_t want) {
    while (!m_atEnd && m_data.size() < want) {
        const std::size_t have = m_data.size();
        // Read straight into the buffer; the size from fstat is only a hint (files change).
        // Exactly what is wanted: the one byte past the size that finds the end of a whole-file
        // read fits the capacity bytes() reserved, where a larger read would move the file.
        const std::size_t room = want - have;
        m_data.resize(have + room);
        const ssize_t n = ::read(m_fd.get(), m_data.data() + have, room);
        if (n < 0) {
            m_data.resize(have);
            if (errno == EINTR) continue;
            m_errno = errno;
            m_failed = true;
            return false;
        }
        m_data.resize(have + static_cast<std::size_t>(n));
        if (n == 0) m_atEnd = true;
    }
    return true;
}

std::span<const std::uint8_t> LoadSource::head() {
    if (!readable() || m_failed) return {};
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(m_size, kHeadSize));
    // One read for the head; the whole file when it is small (icons), so nothing is read twice.
    if (m_data.size() < want && !readUpTo(m_size <= kHeadSize ? kHeadSize : want)) return {};
    return {m_data.data(), std::min(m_data.size(), kHeadSize)};
}

std::span<const std::uint8_t> LoadSource::bytes(std::uint64_t maxBytes) {
    if (!readable()) throw FileError(m_openError);
    if (m_size > maxBytes)
        throw FileError("File \"" + m_path + "\" is too large (" + std::to_string(m_size) + " bytes)");
    if (!m_atEnd && !m_failed) {
        m_data.reserve(static_cast<std::size_t>(m_size) + 1);
        // Asking for one byte more than the size finds the end in the same pass.
        while (!m_atEnd && !m_failed && m_data.size() <= maxBytes)
            readUpTo(std::max<std::size_t>(static_cast<std::size_t>(m_size) + 1, m_data.size() + 65536));
    }
    if (m_failed) throw FileError("Cannot read file \"" + m_path + "\": " + std::strerror(m_errno));
    if (m_data.size() > maxBytes) throw FileError("File \"" + m_path + "\" is too large");
    return {m_data.data(), m_data.size()};
}

std::uint64_t LoadSource::size() {
    return readable() ? m_size : 0;
}

std::size_t LoadSource::readAt(std::uint64_t offset, std::span<std::uint8_t> into) {
    if (!readable()) throw FileError(m_openError);
    // What was read already serves (the head, or all of a file read whole).
    if (offset <= m_data.size() && (into.size() <= m_data.size() - offset || m_atEnd)) {
        const std::size_t n =
            std::min<std::size_t>(into.size(), m_data.size() - static_cast<std::size_t>(offset));
        std::memcpy(into.data(), m_data.data() + offset, n);
        return n;
    }
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t n =
            ::pread(m_fd.get(), into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw FileError("Cannot read file \"" + m_path + "\": " + std::strerror(errno));
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

}  // namespace vexilo
