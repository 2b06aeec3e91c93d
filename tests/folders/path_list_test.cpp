// The list of created paths: newest first, and whole when memory runs out.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "alloc_counter.h"
#include "path_list.h"
#include "recorded_paths.h"

TEST(PathList, NewestFirstAndUnchangedWhenMemoryRunsOut) {
    alloc_counter::AllocScope scope;
    {
        PathList list;
        EXPECT_TRUE(list.IsEmpty());
        EXPECT_EQ(std::vector<std::string>(), Recorded(list));
        for (const char* path : {"C:\\T\\TVQSetup0", "C:\\T\\TVQSetup0\\sub", "C:\\T\\TVQSetup0\\sub\\deep"})
            list.AddFront(path);
        EXPECT_EQ((std::vector<std::string>{"C:\\T\\TVQSetup0\\sub\\deep", "C:\\T\\TVQSetup0\\sub", "C:\\T\\TVQSetup0"}),
                  Recorded(list));

        // The path's text is shared, so the node is the only allocation.
        QvString shared("C:\\T\\other");
        alloc_counter::FailNth(1);
        EXPECT_THROW(list.AddFront(shared), std::bad_alloc);
        alloc_counter::CancelFailure();
        EXPECT_EQ((std::vector<std::string>{"C:\\T\\TVQSetup0\\sub\\deep", "C:\\T\\TVQSetup0\\sub", "C:\\T\\TVQSetup0"}),
                  Recorded(list));
    }
    // The destructor released every node and string.
    EXPECT_EQ(0, scope.Live());
}
