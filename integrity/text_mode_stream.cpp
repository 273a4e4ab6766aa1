#include "integrity/text_mode_stream.h"

namespace {
constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
constexpr char kEndOfText = 0x1A;
}  // namespace

// One spare byte in the get area: a CR held from the previous chunk may precede a whole
// chunk that is copied unchanged.
TextModeFileBuf::TextModeFileBuf() : _raw(kChunkSize), _text(kChunkSize + 1) {
    setg(_text.data(), _text.data(), _text.data());
}

bool TextModeFileBuf::Open(const std::string& path) {
    _heldCarriageReturn = false;
    _ended = false;
    setg(_text.data(), _text.data(), _text.data());
    if (_file.is_open()) _file.close();
    return _file.open(path, std::ios::in | std::ios::binary) != nullptr;
}

TextModeFileBuf::int_type TextModeFileBuf::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    char* out = _text.data();
    // Loop because a chunk may translate to nothing (a lone CR held back).
    while (out == _text.data() && !_ended) {
        std::streamsize count = _file.is_open() ? _file.sgetn(_raw.data(), _raw.size()) : 0;
        if (count <= 0) {
            // End of file: a CR held back had no LF after it, so it stays.
            if (_heldCarriageReturn) *out++ = kCarriageReturn;
            _heldCarriageReturn = false;
            _ended = true;
            break;
        }
        const char* in = _raw.data();
        const char* end = in + count;
        for (; in < end; ++in) {
            char c = *in;
            if (c == kEndOfText) {
                if (_heldCarriageReturn) *out++ = kCarriageReturn;
                _heldCarriageReturn = false;
                _ended = true;
                break;
            }
            if (_heldCarriageReturn) {
                _heldCarriageReturn = false;
                if (c != kLineFeed) *out++ = kCarriageReturn;
            }
            if (c == kCarriageReturn)
                _heldCarriageReturn = true;
            else
                *out++ = c;
        }
    }
    setg(_text.data(), _text.data(), out);
    if (out == _text.data()) return traits_type::eof();
    return traits_type::to_int_type(*gptr());
}

TextModeFileStream::TextModeFileStream(const std::string& path) : std::istream(nullptr) {
    rdbuf(&_buffer);
    if (!_buffer.Open(path)) setstate(std::ios::failbit);
}
