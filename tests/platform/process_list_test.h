#pragma once
// What the process list tests share; each system supplies it in process_list_<platform>_test.cpp.

#include <string>

// Starts the program at `path` sleeping for 30 s; its id.
unsigned int StartSleeping(const std::string& path);

// Waits for the process started by StartSleeping to end and collects it; true when a forced
// termination ended it.
bool EndedByKill(unsigned int pid);

// This process's id and the id of the process that started it (0 when there is none).
unsigned int SelfId();
unsigned int ParentId();
