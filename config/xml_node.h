#pragma once
// Handle to one node of a loaded XML document, with lookup by a dotted path of element
// names ("Project.CsvFiles.CsvFile") and typed reading with defaults. Handles share the
// file buffer and the parsed document: both live as long as any handle to one of their nodes.

#include <memory>
#include <string>
#include <vector>

namespace rapidxml {
template <class Ch>
class file;
template <class Ch>
class xml_document;
template <class Ch>
class xml_node;
}  // namespace rapidxml

class XmlNode {
  public:
    // An empty handle: owns nothing, IsValid() is false.
    XmlNode();

    // The first element at each level whose name equals the path's name exactly
    // (case-sensitive); an empty handle when any step finds nothing.
    XmlNode GetNode(const std::string& path) const;

    // Every element named like the path's last name among the children of the parent that
    // GetNode would reach, in document order; empty when nothing is found.
    std::vector<XmlNode> GetNodes(const std::string& path) const;

    // True when the handle holds a node of a loaded document.
    bool IsValid() const;

    // The node's text (its first character data, verbatim). On an empty handle: the default.
    std::string GetValue(const std::string& defaultValue) const;
    // The node's text by the integer rule (FromString); the default when it is not a number
    // or the handle is empty.
    int GetValue(int defaultValue) const;

    // The first attribute whose name equals `name` ignoring ASCII case, converted as
    // GetValue does; the default when there is none or the handle is empty.
    std::string GetAttribute(const std::string& name, const std::string& defaultValue) const;
    int GetAttribute(const std::string& name, int defaultValue) const;
    bool HasAttribute(const std::string& name) const;

  private:
    friend bool LoadXmlFile(const std::string& path, XmlNode& node);
    std::shared_ptr<rapidxml::file<char>> _buffer;
    std::shared_ptr<rapidxml::xml_document<char>> _document;
    rapidxml::xml_node<char>* _node = nullptr;
};

// Reads and parses the whole file (default parse flags, in place). True with `node` at the
// document node; false, with `node` unchanged and nothing logged, when the file cannot be
// read or is not well-formed XML.
bool LoadXmlFile(const std::string& path, XmlNode& node);
