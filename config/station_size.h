#pragma once
// The largest station the launcher plans for. Every count of the station script is checked
// against it before anything is multiplied or planned, so that no product overflows and no
// plan of billions of instances exhausts memory.

// Most instances of one process entry: modules × slots. Real stations have a few dozen
// (4 modules × 8 slots); 4096 leaves room and keeps a plan, and the ports probed for it, small.
const int kMaxInstancesPerEntry = 4096;

// True when modules × slots, a count below 1 taken as 1, is at most kMaxInstancesPerEntry: then
// no entry, whether per module, per slot or both, is planned more often, and slots × modules
// fits an int. Otherwise prints and logs the reason and returns false.
bool CheckStationSize(int modules, int slots);
