#pragma once
// The station's port numbers, read from its port file (JSON object).

#include <string>

class PortMap {
  public:
    // Reads the six keys that are present and hold a JSON integer within 32 bits; any other
    // field stays -1. False, with a printed and logged message naming the path, when the file
    // is missing, cannot be read, or is not a JSON object.
    bool ReadPortFile(const std::string& path);

    int SEQUENCER_PORT = -1;
    int SEQUENCER_PUB = -1;
    int SM_PORT = -1;
    int SM_PUB = -1;
    int TEST_ENGINE_PORT = -1;
    int TEST_ENGINE_PUB = -1;
};
