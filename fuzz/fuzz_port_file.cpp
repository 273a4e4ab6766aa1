// The port-file reader on any file content.
// Properties: never crashes; true exactly when the text is a JSON object under the strict
// default rules and holds no zero byte; each field is the integer its key holds when that is a
// 32-bit JSON integer (the first member of that name), else -1; after a failure every field is -1.
#include <rapidjson/document.h>

#include <cstdint>
#include <string>

#include "config/port_map.h"
#include "fuzz/fuzz_support.h"

namespace {

int Expected(const rapidjson::Document& document, const char* key) {
    auto member = document.FindMember(key);  // the first member of that name
    if (member == document.MemberEnd() || !member->value.IsInt()) return -1;
    return member->value.GetInt();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::QuietConsole();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::ScratchPath("zmqports.json");
    fuzz::WriteFile(path, data, size);

    PortMap ports;
    bool read = ports.ReadPortFile(path);

    std::string text = fuzz::AsText(data, size);
    rapidjson::Document document;
    // As a zero-terminated text: the length-taking parse would skip a byte-order mark.
    document.Parse(text.c_str());
    // A zero byte is no JSON wherever it stands (rapidjson would take it for the end).
    bool isObject =
        !document.HasParseError() && document.IsObject() && text.find('\0') == std::string::npos;
    FUZZ_CHECK(read == isObject);

    if (!isObject) {
        FUZZ_CHECK(ports.SEQUENCER_PORT == -1 && ports.SEQUENCER_PUB == -1);
        FUZZ_CHECK(ports.SM_PORT == -1 && ports.SM_PUB == -1);
        FUZZ_CHECK(ports.TEST_ENGINE_PORT == -1 && ports.TEST_ENGINE_PUB == -1);
        return 0;
    }
    FUZZ_CHECK(ports.SEQUENCER_PORT == Expected(document, "SEQUENCER_PORT"));
    FUZZ_CHECK(ports.SEQUENCER_PUB == Expected(document, "SEQUENCER_PUB"));
    FUZZ_CHECK(ports.SM_PORT == Expected(document, "SM_PORT"));
    FUZZ_CHECK(ports.SM_PUB == Expected(document, "SM_PUB"));
    FUZZ_CHECK(ports.TEST_ENGINE_PORT == Expected(document, "TEST_ENGINE_PORT"));
    FUZZ_CHECK(ports.TEST_ENGINE_PUB == Expected(document, "TEST_ENGINE_PUB"));
    return 0;
}
