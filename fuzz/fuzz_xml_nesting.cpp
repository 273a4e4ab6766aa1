// The depth scan that guards the XML parser, against the parser itself on any text.
// Properties: the scan accepts exactly what the parser accepts; where the parser fails, the scan
// fails at the same byte; where it succeeds, the scan's depth is the depth of the elements it
// built. So a text the guard lets through never nests deeper than the guard said.
#include <rapidxml/rapidxml.hpp>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "config/xml_nesting.h"
#include "fuzz/fuzz_support.h"

namespace {

// The launcher's bound: deeper texts are never handed to the parser.
const size_t kMaxElementDepth = 1000;

size_t ElementDepth(const rapidxml::xml_node<char>* document) {
    size_t deepest = 0;
    std::vector<std::pair<const rapidxml::xml_node<char>*, size_t>> pending{{document, 0}};
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        if (node->type() == rapidxml::node_element && ++depth > deepest) deepest = depth;
        for (auto* child = node->first_node(); child; child = child->next_sibling())
            pending.emplace_back(child, depth);
    }
    return deepest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    const XmlNestingScan scan = ScanXmlNesting(text.data());
    const size_t length = std::strlen(text.data());  // the first zero byte ends the text
    if (scan.deepest > kMaxElementDepth) return 0;

    // The parser writes into its buffer; the scan read the text before.
    rapidxml::xml_document<char> document;
    try {
        document.parse<0>(text.data());
    } catch (const rapidxml::parse_error& error) {
        FUZZ_CHECK(!scan.wellFormed);
        FUZZ_CHECK(scan.stop == static_cast<size_t>(error.where<char>() - text.data()));
        return 0;
    }
    FUZZ_CHECK(scan.wellFormed);
    FUZZ_CHECK(scan.stop == length);
    FUZZ_CHECK(scan.deepest == ElementDepth(&document));
    return 0;
}
