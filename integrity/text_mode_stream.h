#pragma once
// Reading a file the way a text-mode stream on the stations does: each CR LF pair is read as
// LF alone, a CR on its own stays, and reading ends at the first byte 0x1A. Manifests and
// digests written on those stations agree with what is read here only through this filter.

#include <cstddef>
#include <fstream>
#include <istream>
#include <streambuf>
#include <string>
#include <vector>

// A read-only stream buffer over a file opened in binary mode, translating as above.
class TextModeFileBuf : public std::streambuf {
  public:
    // Bytes read from the file at a time; a CR at the end of one chunk is held until the
    // first byte of the next one is known.
    static constexpr size_t kChunkSize = 64 * 1024;

    TextModeFileBuf();

    // True when the file could be opened for reading; the buffer reads nothing otherwise.
    bool Open(const std::string& path);
    bool IsOpen() const { return _file.is_open(); }

    // The next translated bytes without copying them: true with `data` and `size` set
    // (valid until the next read), false at the end of the text.
    bool ReadChunk(const char*& data, size_t& size);

  protected:
    int_type underflow() override;

  private:
    // Translates raw bytes [in, end) to `out`; returns the new end of the output.
    char* Translate(const char* in, const char* end, char* out);

    std::filebuf _file;
    std::vector<char> _raw;
    std::vector<char> _text;  // the get area: translated bytes
    bool _heldCarriageReturn = false;
    bool _ended = false;  // 0x1A seen or the file exhausted
};

// An input stream reading a file through TextModeFileBuf; fails at once when the file
// cannot be opened.
class TextModeFileStream : public std::istream {
  public:
    explicit TextModeFileStream(const std::string& path);
    bool IsOpen() const { return _buffer.IsOpen(); }

  private:
    TextModeFileBuf _buffer;
};
