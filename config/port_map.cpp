#include "config/port_map.h"

#include <rapidjson/document.h>

#include "integrity/local_file.h"
#include "platform/log.h"

namespace {

// Port files hold six numbers; the parsed document takes several times the file's size, so
// larger files are refused before they are read (a directory or FIFO is refused as well).
const uint64_t kMaxPortFileSize = uint64_t(4) << 20;

// Stores the member's value when the root has one of that name (the first, when repeated)
// and it is a JSON integer within 32 bits; anything else leaves the field as it was.
void ReadPort(const rapidjson::Document& root, const char* key, int& field) {
    auto member = root.FindMember(key);
    if (member != root.MemberEnd() && member->value.IsInt()) field = member->value.GetInt();
}

}  // namespace

bool PortMap::ReadPortFile(const std::string& path) {
    std::string text;
    try {
        LocalFile file(path);
        if (!file.Exists()) {
            LOG_PRINT("File does not exist,please check it. file path=%s", path.c_str());
            return false;
        }
        if (!file.ReadAllText(text, kMaxPortFileSize)) {
            LOG_PRINT("File get all data failed. file path=%s", path.c_str());
            return false;
        }
    } catch (const Exception& error) {
        // A file system error other than absence ends this step, not the program: the usual
        // line, then the error itself for the engineer.
        LOG_PRINT("File get all data failed. file path=%s", path.c_str());
        LOG_PRINT_ERROR("%s: %s", path.c_str(), error.displayText().c_str());
        return false;
    }

    // The default grammar over the zero-terminated text, which takes no byte-order mark, parsed
    // without recursion so that deeply nested input cannot exhaust the stack. A zero byte would
    // end the text early; strict JSON has none, so such a file is refused.
    rapidjson::Document root;
    root.Parse<rapidjson::kParseDefaultFlags | rapidjson::kParseIterativeFlag>(text.c_str());
    if (text.find('\0') != std::string::npos || root.HasParseError() || !root.IsObject()) {
        LOG_PRINT("Parse zmq config file failed. file path=%s", path.c_str());
        return false;
    }
    ReadPort(root, "SEQUENCER_PORT", SEQUENCER_PORT);
    ReadPort(root, "SEQUENCER_PUB", SEQUENCER_PUB);
    ReadPort(root, "SM_PUB", SM_PUB);
    ReadPort(root, "SM_PORT", SM_PORT);
    ReadPort(root, "TEST_ENGINE_PORT", TEST_ENGINE_PORT);
    ReadPort(root, "TEST_ENGINE_PUB", TEST_ENGINE_PUB);
    return true;
}
