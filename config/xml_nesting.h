#pragma once
// How deep the XML parser will nest, found before it runs. The parser descends once per
// element on the machine stack, so a crafted file could overflow it; this scan walks the text
// exactly as the parser does with its default flags (the same markup, the same stops, the same
// errors) but with a counter instead of recursion.

#include <cstddef>

struct XmlNestingScan {
    // Deepest element nesting the parser enters: 1 for a top-level element, counted when the
    // element's "<" is read, so also where the parse then fails.
    size_t deepest = 0;
    // Whether the parser accepts the text.
    bool wellFormed = false;
    // Offset of the byte where the parser reports its error; the text's length when it accepts.
    size_t stop = 0;
};

// Scans the zero-terminated `text` (its first zero byte ends it, as for the parser). Reads
// only; never fails.
XmlNestingScan ScanXmlNesting(const char* text);

// The `deepest` of ScanXmlNesting.
size_t MaxElementDepth(const char* text);
