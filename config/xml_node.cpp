#include "config/xml_node.h"

#include <rapidxml/rapidxml.hpp>
#include <rapidxml/rapidxml_utils.hpp>

#include <Poco/String.h>

#include <cstring>
#include <sstream>
#include <stdexcept>

#include "config/xml_nesting.h"
#include "platform/file_system.h"
#include "platform/string_convert.h"
#include "platform/text_utils.h"

namespace {

using Node = rapidxml::xml_node<char>;
using Attribute = rapidxml::xml_attribute<char>;

// The parser descends once per element level on the machine stack; deeper documents are
// refused before parsing (MaxElementDepth follows the parser's own reading) so that a crafted
// file cannot overflow it. Settings and project files are a handful of levels deep.
const size_t kMaxElementDepth = 1000;

// Settings and project files are a few kilobytes; the parsed document takes several times the
// file's size, so larger files are refused before they are read.
const uint64_t kMaxXmlFileSize = uint64_t(4) << 20;

bool NameEquals(const Node* node, const std::string& name) {
    return node->name_size() == name.size() &&
           std::memcmp(node->name(), name.data(), name.size()) == 0;
}

// ASCII letters compared without case, every other byte exactly.
bool NameEqualsIgnoringCase(const Attribute* attribute, const std::string& name) {
    return attribute->name_size() == name.size() &&
           Poco::icompare(std::string(attribute->name(), attribute->name_size()), name) == 0;
}

// First child element named `name`; only elements have names, so an empty name finds nothing.
Node* FirstChildElement(const Node* parent, const std::string& name) {
    for (Node* child = parent->first_node(); child; child = child->next_sibling()) {
        if (child->type() == rapidxml::node_element && NameEquals(child, name)) return child;
    }
    return nullptr;
}

}  // namespace

XmlNode::XmlNode() = default;

XmlNode XmlNode::GetNode(const std::string& path) const {
    std::vector<std::string> names;
    SplitString(path, ".", names);
    Node* node = _node;
    for (const std::string& name : names) {
        if (node == nullptr) break;
        node = FirstChildElement(node, name);
    }
    XmlNode found;
    if (node != nullptr) {
        found = *this;
        found._node = node;
    }
    return found;
}

std::vector<XmlNode> XmlNode::GetNodes(const std::string& path) const {
    std::vector<XmlNode> found;
    if (_node == nullptr) return found;
    std::vector<std::string> names;
    SplitString(path, ".", names);
    if (names.empty()) return found;
    const Node* parent = _node;
    if (names.size() > 1) {
        XmlNode first = GetNode(path);
        if (!first.IsValid()) return found;
        parent = first._node->parent();
    }
    for (Node* child = parent->first_node(); child; child = child->next_sibling()) {
        if (child->type() == rapidxml::node_element && NameEquals(child, names.back())) {
            XmlNode handle = *this;
            handle._node = child;
            found.push_back(handle);
        }
    }
    return found;
}

bool XmlNode::IsValid() const {
    if (_node == nullptr) return false;
    const Node* top = _node;
    while (top->parent() != nullptr) top = top->parent();
    return top->type() == rapidxml::node_document;
}

std::string XmlNode::GetValue(const std::string& defaultValue) const {
    if (_node == nullptr) return defaultValue;
    return std::string(_node->value(), _node->value_size());
}

int XmlNode::GetValue(int defaultValue) const {
    if (_node == nullptr) return defaultValue;
    return FromString(std::string(_node->value(), _node->value_size()), defaultValue);
}

namespace {
const Attribute* FindAttribute(const Node* node, const std::string& name) {
    if (node == nullptr) return nullptr;
    for (const Attribute* attribute = node->first_attribute(); attribute;
         attribute = attribute->next_attribute()) {
        if (NameEqualsIgnoringCase(attribute, name)) return attribute;
    }
    return nullptr;
}
}  // namespace

std::string XmlNode::GetAttribute(const std::string& name, const std::string& defaultValue) const {
    const Attribute* attribute = FindAttribute(_node, name);
    if (attribute == nullptr) return defaultValue;
    return std::string(attribute->value(), attribute->value_size());
}

int XmlNode::GetAttribute(const std::string& name, int defaultValue) const {
    const Attribute* attribute = FindAttribute(_node, name);
    if (attribute == nullptr) return defaultValue;
    return FromString(std::string(attribute->value(), attribute->value_size()), defaultValue);
}

bool XmlNode::HasAttribute(const std::string& name) const {
    return FindAttribute(_node, name) != nullptr;
}

bool LoadXmlFile(const std::string& path, XmlNode& node) {
    try {
        // The one checked reading of station files: a regular file only (a directory or FIFO
        // is refused, never waited on) of bounded size. rapidxml's by-name reader would take
        // the size from a seek, which a directory answers with nonsense.
        std::string content;
        int errorCode = 0;
        if (ReadWholeFile(path, kMaxXmlFileSize, content, errorCode) != FileReadResult::Ok)
            return false;
        std::istringstream stream(content);
        content.clear();
        content.shrink_to_fit();
        auto buffer = std::make_shared<rapidxml::file<char>>(stream);
        if (MaxElementDepth(buffer->data()) > kMaxElementDepth) return false;
        auto document = std::make_shared<rapidxml::xml_document<char>>();
        document->parse<0>(buffer->data());
        node._buffer = buffer;
        node._document = document;
        node._node = document.get();
        return true;
    } catch (const std::exception&) {
        // rapidxml::parse_error derives from std::exception, as do the stream's read errors
        // and a failed allocation.
        return false;
    }
}
