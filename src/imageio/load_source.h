#pragma once
// The bytes of one file for one load. The file is opened once (without blocking, regular files
// only); its first bytes are read once for the loaders' refusal tests, and the rest only when a
// loader decodes, into the same buffer, so a probe that asks several loaders reads the file once.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/default_init.h"
#include "base/file_io.h"

namespace vexilo {

using ByteBuffer = std::vector<std::uint8_t, DefaultInitAllocator<std::uint8_t>>;

// Buffers a scan keeps from file to file (see LoadRequest::buffers). Only their capacity is
// reused; every load starts them empty.
class LoadBuffers {
public:
    // A buffer for file bytes: the kept one (emptied) when there is one, else a new one.
    ByteBuffer takeBytes();
    // Gives a buffer back for the next file; the largest one is kept.
    void giveBytes(ByteBuffer buffer);

private:
    ByteBuffer m_bytes;
};

class LoadSource {
public:
    // How many bytes the refusal tests may look at: every header they check fits.
    static constexpr std::size_t kHeadSize = 4096;
    static constexpr std::uint64_t kDefaultMaxBytes = std::uint64_t{1} << 31;

    explicit LoadSource(std::string path, LoadBuffers* buffers = nullptr);
    ~LoadSource();
    LoadSource(const LoadSource&) = delete;
    LoadSource& operator=(const LoadSource&) = delete;

    const std::string& path() const { return m_path; }
    // True when the path names a regular file that could be opened for reading.
    bool readable();
    // The file's first bytes (all of a file shorter than kHeadSize); empty when not readable
    // or when reading fails. Valid until the next call of bytes(), which may move the buffer.
    std::span<const std::uint8_t> head();
    // The whole file. Throws ImageError naming the path when it cannot be opened or read, is
    // no regular file, or is larger than maxBytes (as readFileBytes does).
    std::span<const std::uint8_t> bytes(std::uint64_t maxBytes = kDefaultMaxBytes);
    // The file's size when it was opened; 0 when not readable.
    std::uint64_t size();
    // Copies bytes of the file at an offset into `into`, for a loader that reads a large file a
    // block at a time instead of whole; answers how many, fewer only at the end of the file.
    // Leaves the buffer of head() and bytes() as it is. Throws FileError as bytes() does.
    std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> into);

private:
    void open();
    // Reads until the buffer holds `want` bytes or the file ends; false on a read error.
    bool readUpTo(std::size_t want);

    std::string m_path;
    LoadBuffers* m_buffers;
    ByteBuffer m_data;
    FileDescriptor m_fd;
    std::string m_openError;  // why the file could not be opened as a regular file
    bool m_opened = false;
    bool m_atEnd = false;
    bool m_failed = false;
    int m_errno = 0;
    std::uint64_t m_size = 0;
};

}  // namespace vexilo
