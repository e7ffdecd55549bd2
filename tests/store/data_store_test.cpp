#include <gtest/gtest.h>

#include "store/workspace.h"

TEST(DataStoreSmoke, StartsEmpty) {
    Workspace oWorkspace;
    EXPECT_EQ(oWorkspace.pStore->lWaypointCount, 0);
}
