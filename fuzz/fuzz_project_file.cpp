// The XML loader and the project-file reader on top of it, on any file content.
// Properties: loading never crashes; LoadProjectFile fails exactly when LoadXmlFile does;
// for a path of names, GetNode finds a node exactly when GetNodes finds one, and then the
// same one; every node
// found is valid; an empty handle gives the defaults; the configuration name is a bare file
// name.
#include <cstdint>
#include <string>
#include <vector>

#include "config/project_info.h"
#include "config/xml_node.h"
#include "fuzz/fuzz_support.h"

namespace {

// The project file's own paths, and paths whose dots stand where no name is.
const char* const kPaths[] = {
    "Project",
    "Project.ProjectName",
    "Project.ProjectType",
    "Project.CsvFiles",
    "Project.CsvFiles.CsvFile",
    "Project.ProjectWorkPath",
    "Project.ConfigJsons.ConfigJson",
    "Project.ZmqPortJson",
    "Project.IsCheckMD5",
    "Config.ProjectDir",
    "Config.ProjectFile",
    ".",
    "Project.",
    ".Project",
    "Project..CsvFiles",
};

void ReadEverything(const XmlNode& node) {
    FUZZ_CHECK(node.IsValid());
    node.GetValue(std::string("default"));
    node.GetValue(-7);
    node.GetAttribute("filePath", std::string());
    node.GetAttribute("isFocus", 0);
    node.HasAttribute("isEncrypt");
}

void CheckLookups(const XmlNode& document) {
    // No name at all: the handle's own node; a list is only made of named elements.
    FUZZ_CHECK(document.GetNode("").IsValid());
    FUZZ_CHECK(document.GetNodes("").empty());
    for (const char* path : kPaths) {
        XmlNode first = document.GetNode(path);
        std::vector<XmlNode> all = document.GetNodes(path);
        if (first.IsValid() != !all.empty()) fprintf(stderr, "path \"%s\"\n", path);
        FUZZ_CHECK(first.IsValid() == !all.empty());
        if (first.IsValid()) {
            ReadEverything(first);
            // The first of GetNodes is the node GetNode reaches.
            FUZZ_CHECK(first.GetValue(std::string("\x01")) == all[0].GetValue(std::string("\x01")));
        }
        for (const XmlNode& node : all) ReadEverything(node);
    }
}

void CheckEmptyHandle() {
    XmlNode empty;
    FUZZ_CHECK(!empty.IsValid());
    FUZZ_CHECK(empty.GetValue(std::string("d")) == "d");
    FUZZ_CHECK(empty.GetValue(5) == 5);
    FUZZ_CHECK(empty.GetAttribute("a", std::string("d")) == "d");
    FUZZ_CHECK(empty.GetAttribute("a", 5) == 5);
    FUZZ_CHECK(!empty.HasAttribute("a"));
    FUZZ_CHECK(!empty.GetNode("Project").IsValid());
    FUZZ_CHECK(empty.GetNodes("Project").empty());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::QuietConsole();
    CheckEmptyHandle();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::ScratchPath("station.prj");
    fuzz::WriteFile(path, data, size);

    XmlNode document;
    bool loaded = LoadXmlFile(path, document);
    FUZZ_CHECK(loaded == document.IsValid());
    if (loaded) CheckLookups(document);

    ProjectInfo project;
    bool read = project.LoadProjectFile(path);
    FUZZ_CHECK(read == loaded);
    if (!read) {
        FUZZ_CHECK(project.CsvFiles().empty() && project.ConfigJsons().empty());
        FUZZ_CHECK(project.ProjectName().empty() && project.ProjectWorkPath().empty());
    }
    std::string name = project.GetConfigJsonName();
    FUZZ_CHECK(name.find('/') == std::string::npos);
    FUZZ_CHECK(name.find('\\') == std::string::npos);
    return 0;
}
