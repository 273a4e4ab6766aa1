// Processes on POSIX: init is at the top of every ancestry.
#include <gtest/gtest.h>

#include "platform/process_list.h"

TEST(ProcessList, InitIsAnAncestorOfEveryProcess) {
    EXPECT_TRUE(IsSelfOrAncestor(1));
    EXPECT_FALSE(KillProcessById(1));
}
