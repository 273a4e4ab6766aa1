#include "config/station_size.h"

#include <algorithm>

#include "platform/log.h"

bool CheckStationSize(int modules, int slots) {
    // In 64 bits: two 32-bit counts cannot overflow it.
    const long long instances = static_cast<long long>(std::max(modules, 1)) * std::max(slots, 1);
    if (instances <= kMaxInstancesPerEntry) return true;
    LOG_PRINT(
        "Too many processes: modules=%d x slots=%d is %lld, more than %d. Correct "
        "\"modules\" and \"slots\" returned by get_configA in config.py.",
        modules, slots, instances, kMaxInstancesPerEntry);
    return false;
}
