// threads_test_main.cpp - main() of the tests that start the link threads.
//
// The link threads are never stopped, as in the gauge, so a test process
// must end as the gauge does: without running static destructors under a
// poller that may be in the middle of a round trip (returning from main
// would tear down the link layer's state beneath it).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(nullptr);
    std::_Exit(result);
}
