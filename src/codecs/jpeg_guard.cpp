#include "codecs/jpeg_guard.h"

#include <string>

#include "base/errors.h"

namespace vexilo::jpeg {

namespace {

using TrapState = ErrorTrap::State;

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    auto* state = reinterpret_cast<TrapState*>(cinfo->err);
    state->code = cinfo->err->msg_code;
    std::longjmp(state->jump, 1);
}

// Warnings and trace messages: counted by libjpeg itself, never printed.
void emitMessage(j_common_ptr cinfo, int level) {
    if (level < 0) ++cinfo->err->num_warnings;
}
void outputMessage(j_common_ptr) {}

}  // namespace

ErrorTrap::ErrorTrap() {
    static_assert(std::is_standard_layout_v<State>);
    jpeg_std_error(&m_state.mgr);
    m_state.mgr.error_exit = errorExit;
    m_state.mgr.emit_message = emitMessage;
    m_state.mgr.output_message = outputMessage;
}

int ErrorTrap::runTrapped(State* state, void (*fn)(void*), void* arg) {
    state->code = 0;
    state->message = nullptr;
    if (setjmp(state->jump) != 0) return 1;
    fn(arg);
    return 0;
}

void ErrorTrap::fail(j_common_ptr cinfo, const char* message) {
    auto* state = reinterpret_cast<TrapState*>(cinfo->err);
    state->code = 0;
    state->message = message;
    std::longjmp(state->jump, 1);
}

void ErrorTrap::throwIfFailed(int failed) {
    if (!failed) return;
    if (m_state.message) throw DecodeError(m_state.message);
    throw ImageError("JPEG error #" + std::to_string(m_state.code));
}

Decompressor::Decompressor() {
    m_info.err = m_trap.manager();
    m_trap.run([this] { jpeg_create_decompress(&m_info); });
}

Decompressor::~Decompressor() {
    jpeg_destroy_decompress(&m_info);
}

Compressor::Compressor() {
    m_info.err = m_trap.manager();
    m_trap.run([this] { jpeg_create_compress(&m_info); });
}

Compressor::~Compressor() {
    jpeg_destroy_compress(&m_info);
}

}  // namespace vexilo::jpeg
