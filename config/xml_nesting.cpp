#include "config/xml_nesting.h"

#include <cstring>
#include <initializer_list>

namespace {

bool IsWhitespace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

// What the parser takes into an element name: anything but blanks, "/", ">", "?" and the end.
bool IsNameChar(char c) {
    return c != 0 && !IsWhitespace(c) && c != '/' && c != '>' && c != '?';
}

// Attribute names exclude "<", "=" and "!" besides.
bool IsAttributeNameChar(char c) {
    return IsNameChar(c) && c != '<' && c != '=' && c != '!';
}

// The parser's digit table serves decimal and hexadecimal references alike.
unsigned DigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return 0xFF;
}

// Bytes of the UTF-8 form the parser writes for a character reference; 0 beyond Unicode.
size_t Utf8Length(unsigned long code) {
    if (code < 0x80) return 1;
    if (code < 0x800) return 2;
    if (code < 0x10000) return 3;
    if (code < 0x110000) return 4;
    return 0;
}

// Length of the named reference at `p`, 0 when there is none.
size_t NamedReferenceLength(const char* p) {
    for (const char* name : {"&amp;", "&apos;", "&quot;", "&gt;", "&lt;"}) {
        size_t length = std::strlen(name);
        if (std::strncmp(p, name, length) == 0) return length;
    }
    return 0;
}

class Scanner {
  public:
    explicit Scanner(const char* text) : _text(text), _p(text) {}

    XmlNestingScan Run() {
        if (static_cast<unsigned char>(_p[0]) == 0xEF &&
            static_cast<unsigned char>(_p[1]) == 0xBB && static_cast<unsigned char>(_p[2]) == 0xBF)
            _p += 3;
        XmlNestingScan scan;
        scan.wellFormed = Document();
        scan.deepest = _deepest;
        scan.stop = static_cast<size_t>((scan.wellFormed ? _p : _errorAt) - _text);
        return scan;
    }

  private:
    bool Fail(const char* at) {
        _errorAt = at;
        return false;
    }

    void SkipWhitespace() {
        while (IsWhitespace(*_p)) ++_p;
    }

    // Past the first `terminator`; the end of the text is an error.
    bool SkipPast(const char* terminator) {
        const char* found = std::strstr(_p, terminator);
        if (found == nullptr) return Fail(_p + std::strlen(_p));
        _p = found + std::strlen(terminator);
        return true;
    }

    // Top-level markup, or the content of the innermost open element, one node at a time.
    bool Document() {
        for (;;) {
            if (_depth == 0) {
                SkipWhitespace();
                if (*_p == 0) return true;
                if (*_p != '<') return Fail(_p);
                ++_p;
                if (!Node()) return false;
            } else if (!Content()) {
                return false;
            }
        }
    }

    // Character data up to the next "<", then a closing tag or a child node.
    bool Content() {
        const char* contentStart = _p;
        SkipWhitespace();
        if (*_p != '<' && *_p != 0) {
            _p = contentStart;  // the data keeps its leading blanks
            if (!CharacterData('<')) return false;
        }
        if (*_p == 0) return Fail(_p);
        if (_p[1] == '/') {
            _p += 2;
            while (IsNameChar(*_p)) ++_p;
            SkipWhitespace();
            if (*_p != '>') return Fail(_p);
            ++_p;
            --_depth;
            return true;
        }
        ++_p;
        return Node();
    }

    // After "<": what the parser recognises, and an unknown "<!" only up to its first ">".
    bool Node() {
        if (_p[0] == '?') {
            ++_p;  // a declaration or a processing instruction alike
            return SkipPast("?>");
        }
        if (_p[0] != '!') return Element();
        if (_p[1] == '-' && _p[2] == '-') {
            _p += 3;
            return SkipPast("-->");
        }
        if (std::strncmp(_p + 1, "[CDATA[", 7) == 0) {
            _p += 8;
            return SkipPast("]]>");
        }
        if (std::strncmp(_p + 1, "DOCTYPE", 7) == 0 && IsWhitespace(_p[8])) {
            _p += 9;
            return Doctype();
        }
        ++_p;
        return SkipPast(">");
    }

    // Up to ">", passing over bracketed subsets that may hold ">" (brackets nest).
    bool Doctype() {
        while (*_p != '>') {
            if (*_p == 0) return Fail(_p);
            if (*_p != '[') {
                ++_p;
                continue;
            }
            ++_p;
            for (long brackets = 1; brackets > 0; ++_p) {
                if (*_p == '[') {
                    ++brackets;
                } else if (*_p == ']') {
                    --brackets;
                } else if (*_p == 0) {
                    return Fail(_p);
                }
            }
        }
        ++_p;
        return true;
    }

    // The element is entered (and counted) at its name; ">" leaves it open, "/>" closes it.
    bool Element() {
        if (++_depth > _deepest) _deepest = _depth;
        const char* name = _p;
        while (IsNameChar(*_p)) ++_p;
        if (_p == name) return Fail(_p);
        SkipWhitespace();
        if (!Attributes()) return false;
        if (*_p == '>') {
            ++_p;
            return true;
        }
        if (*_p != '/') return Fail(_p);
        ++_p;
        if (*_p != '>') return Fail(_p);
        ++_p;
        --_depth;
        return true;
    }

    bool Attributes() {
        while (IsAttributeNameChar(*_p)) {
            while (IsAttributeNameChar(*_p)) ++_p;
            SkipWhitespace();
            if (*_p != '=') return Fail(_p);
            ++_p;
            SkipWhitespace();
            const char quote = *_p;
            if (quote != '\'' && quote != '"') return Fail(_p);
            ++_p;
            if (!CharacterData(quote)) return false;
            if (*_p != quote) return Fail(_p);
            ++_p;
            SkipWhitespace();
        }
        return true;
    }

    // Text or an attribute value up to `stop` or the end, with the parser's reference errors.
    // The parser translates references in place; `out` follows where it writes, because a
    // character reference beyond Unicode is reported there.
    bool CharacterData(char stop) {
        while (*_p != 0 && *_p != stop && *_p != '&') ++_p;
        const char* out = _p;
        while (*_p != 0 && *_p != stop) {
            if (*_p == '&') {
                if (size_t length = NamedReferenceLength(_p)) {
                    _p += length;
                    ++out;
                    continue;
                }
                if (_p[1] == '#') {
                    const bool hexadecimal = _p[2] == 'x';
                    _p += hexadecimal ? 3 : 2;
                    unsigned long code = 0;
                    for (unsigned digit; (digit = DigitValue(*_p)) != 0xFF; ++_p)
                        code = code * (hexadecimal ? 16 : 10) + digit;
                    size_t written = Utf8Length(code);
                    if (written == 0) return Fail(out);
                    out += written;
                    if (*_p != ';') return Fail(_p);
                    ++_p;
                    continue;
                }
            }
            ++_p;
            ++out;
        }
        return true;
    }

    const char* const _text;
    const char* _p;
    const char* _errorAt = nullptr;
    size_t _depth = 0;
    size_t _deepest = 0;
};

}  // namespace

XmlNestingScan ScanXmlNesting(const char* text) {
    return Scanner(text).Run();
}

size_t MaxElementDepth(const char* text) {
    return ScanXmlNesting(text).deepest;
}
