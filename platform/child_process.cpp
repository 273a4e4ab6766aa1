#include "platform/child_process.h"

#include <cstdio>
#include <cstring>

void ExcuteProcess::SetName(const std::string& name) {
    _name = name;
}

const std::string& ExcuteProcess::GetName() const {
    return _name;
}

void ExcuteProcess::SetWorkPath(const std::string& workPath) {
    _workPath = workPath;
}

void ExcuteProcess::SetOutputCallback(OutputCallback callback, void* context) {
    _callback = callback;
    _context = context;
}

void ExcuteProcess::DeliverChunk(const char* data, size_t size) {
    const void* zero = memchr(data, '\0', size);
    if (zero != nullptr) size = static_cast<size_t>(static_cast<const char*>(zero) - data);
    if (_callback != nullptr) {
        _callback(this, std::string(data, size), _context);
    } else {
        fwrite(data, 1, size, stdout);
    }
}
