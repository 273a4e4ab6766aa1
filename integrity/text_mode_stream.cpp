#include "integrity/text_mode_stream.h"

#include <cstring>

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

FileReadResult TextModeFileBuf::Open(const std::string& path, uint64_t maxSize) {
    _heldCarriageReturn = false;
    _ended = false;
    _maxSize = maxSize;
    _bytesRead = 0;
    _problem = FileReadResult::Ok;
    setg(_text.data(), _text.data(), _text.data());
    int ignored = 0;
    return _file.Open(path, maxSize, ignored);
}

char* TextModeFileBuf::Translate(const char* in, const char* end, char* out) {
    // Only the part before the first 0x1A counts, and only CRs need a look: the runs between
    // them are copied whole.
    if (const void* stop = std::memchr(in, kEndOfText, size_t(end - in))) {
        end = static_cast<const char*>(stop);
        _ended = true;
    }
    if (_heldCarriageReturn && in < end) {
        _heldCarriageReturn = false;
        if (*in != kLineFeed) *out++ = kCarriageReturn;
    }
    while (in < end) {
        const char* cr =
            static_cast<const char*>(std::memchr(in, kCarriageReturn, size_t(end - in)));
        const char* runEnd = cr != nullptr ? cr : end;
        std::memcpy(out, in, size_t(runEnd - in));
        out += runEnd - in;
        if (cr == nullptr) break;
        in = cr + 1;
        if (in == end) {
            _heldCarriageReturn = true;  // decided by the next chunk
        } else if (*in != kLineFeed) {
            *out++ = kCarriageReturn;
        }
    }
    // The end byte ends the text: a CR held before it had no LF after it.
    if (_ended && _heldCarriageReturn) {
        *out++ = kCarriageReturn;
        _heldCarriageReturn = false;
    }
    return out;
}

bool TextModeFileBuf::ReadChunk(const char*& data, size_t& size) {
    if (gptr() == egptr() && traits_type::eq_int_type(underflow(), traits_type::eof()))
        return false;
    data = gptr();
    size = size_t(egptr() - gptr());
    setg(eback(), egptr(), egptr());
    return true;
}

TextModeFileBuf::int_type TextModeFileBuf::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    char* out = _text.data();
    // Loop because a chunk may translate to nothing (a lone CR held back).
    while (out == _text.data() && !_ended) {
        int ignored = 0;
        long long count = _file.IsOpen() ? _file.Read(_raw.data(), _raw.size(), ignored) : 0;
        if (count > 0) {
            _bytesRead += uint64_t(count);
            // Grown beyond the bound since the open: reading ends before this chunk.
            if (_bytesRead > _maxSize) _problem = FileReadResult::TooLarge;
        } else if (count < 0) {
            _problem = FileReadResult::CannotRead;
        }
        if (count <= 0 || _problem != FileReadResult::Ok) {
            // End of file: a CR held back had no LF after it, so it stays.
            if (_heldCarriageReturn) *out++ = kCarriageReturn;
            _heldCarriageReturn = false;
            _ended = true;
            break;
        }
        out = Translate(_raw.data(), _raw.data() + count, out);
    }
    setg(_text.data(), _text.data(), out);
    if (out == _text.data()) return traits_type::eof();
    return traits_type::to_int_type(*gptr());
}

TextModeFileStream::TextModeFileStream(const std::string& path) : std::istream(nullptr) {
    rdbuf(&_buffer);
    if (_buffer.Open(path) != FileReadResult::Ok) setstate(std::ios::failbit);
}
