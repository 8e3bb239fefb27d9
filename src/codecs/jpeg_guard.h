#pragma once
// The one boundary to libjpeg's C error handling. libjpeg reports a fatal error through a
// callback that must not return; here it jumps back to the guarded call, which then throws
// ImageError("JPEG error #N") in ordinary C++ code, so a damaged file never ends the process.
// Warnings (premature end of data, corrupt bytes) are only counted: the picture still decodes.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <type_traits>

// jpeglib.h needs FILE and size_t declared before it.
// clang-format off
#include <jpeglib.h>
// clang-format on

namespace vexilo::jpeg {

class ErrorTrap {
public:
    ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    jpeg_error_mgr* manager() { return &m_state.mgr; }

    // Runs body. A fatal libjpeg error inside it unwinds by longjmp and is thrown here as
    // ImageError. The jump skips body's frame, so body must own nothing with a destructor
    // while it calls libjpeg (spans, pointers and plain values only).
    template <class Body>
    void run(Body&& body) {
        using B = std::remove_reference_t<Body>;
        throwIfFailed(runTrapped(
            &m_state, [](void* p) { (*static_cast<B*>(p))(); }, &body));
    }

    // For libjpeg callbacks of ours (progress, destination): aborts the guarded call with a
    // message of our own instead of a library code. Does not return.
    [[noreturn]] static void fail(j_common_ptr cinfo, const char* message);

    struct State {  // mgr first: libjpeg hands the callbacks a pointer to it
        jpeg_error_mgr mgr;
        std::jmp_buf jump;
        int code;
        const char* message;
    };

private:
    static int runTrapped(State* state, void (*fn)(void*), void* arg);
    void throwIfFailed(int failed);

    State m_state{};
};

// A decompressor that is destroyed on every path, however far set-up got.
class Decompressor {
public:
    Decompressor();
    ~Decompressor();
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct* operator->() { return &m_info; }
    jpeg_decompress_struct* get() { return &m_info; }
    ErrorTrap& trap() { return m_trap; }

private:
    ErrorTrap m_trap;
    jpeg_decompress_struct m_info{};
};

// A compressor with the same guarantee.
class Compressor {
public:
    Compressor();
    ~Compressor();
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    jpeg_compress_struct* operator->() { return &m_info; }
    jpeg_compress_struct* get() { return &m_info; }
    ErrorTrap& trap() { return m_trap; }

private:
    ErrorTrap m_trap;
    jpeg_compress_struct m_info{};
};

}  // namespace vexilo::jpeg
