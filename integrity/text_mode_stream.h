#pragma once
// Reading a file the way a text-mode stream on the stations does: each CR LF pair is read as
// LF alone, a CR on its own stays, and reading ends at the first byte 0x1A. Manifests and
// digests written on those stations agree with what is read here only through this filter.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <streambuf>
#include <string>
#include <vector>

#include "platform/file_system.h"

// A read-only stream buffer over a regular file read in binary, translating as above.
class TextModeFileBuf : public std::streambuf {
  public:
    // Bytes read from the file at a time; a CR at the end of one chunk is held until the
    // first byte of the next one is known.
    static constexpr size_t kChunkSize = 64 * 1024;

    TextModeFileBuf();

    // Opens the regular file at `path` (ReadOnlyFile: never a FIFO or device, never waiting)
    // when it holds at most `maxSize` bytes; the buffer reads nothing unless the result is Ok.
    FileReadResult Open(const std::string& path, uint64_t maxSize = kNoFileSizeLimit);
    bool IsOpen() const { return _file.IsOpen(); }
    // Ok, or why reading ended early: the file failed to read (CannotRead) or grew beyond the
    // bound after it was opened (TooLarge). What was read before stays read.
    FileReadResult Problem() const { return _problem; }

    // The next translated bytes without copying them: true with `data` and `size` set
    // (valid until the next read), false at the end of the text.
    bool ReadChunk(const char*& data, size_t& size);

  protected:
    int_type underflow() override;

  private:
    // Translates raw bytes [in, end) to `out`; returns the new end of the output.
    char* Translate(const char* in, const char* end, char* out);

    ReadOnlyFile _file;
    uint64_t _maxSize = kNoFileSizeLimit;
    uint64_t _bytesRead = 0;
    FileReadResult _problem = FileReadResult::Ok;
    std::vector<char> _raw;
    std::vector<char> _text;  // the get area: translated bytes
    bool _heldCarriageReturn = false;
    bool _ended = false;  // 0x1A seen or the file exhausted
};

// An input stream reading a file through TextModeFileBuf; fails at once when the file
// cannot be opened (or is no regular file).
class TextModeFileStream : public std::istream {
  public:
    explicit TextModeFileStream(const std::string& path);
    bool IsOpen() const { return _buffer.IsOpen(); }

  private:
    TextModeFileBuf _buffer;
};
