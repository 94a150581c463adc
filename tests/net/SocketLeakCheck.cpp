// After every test the process must hold no more sockets (connected or
// listening) than before it: a listener compares the counts of socket
// descriptors in /proc/self/fd and fails the test that leaked.
#include <gtest/gtest.h>

#include "ScriptedFtpServer.h"

namespace {

class TSocketLeakListener : public testing::EmptyTestEventListener {
    int before_ = 0;

    void OnTestStart(const testing::TestInfo&) override { before_ = CountOpenSockets(); }
    void OnTestEnd(const testing::TestInfo& info) override
    {
        const int after = CountOpenSockets();
        if (after > before_)
            ADD_FAILURE() << info.test_suite_name() << "." << info.name() << " left " << (after - before_)
                          << " socket(s) open";
    }
};

const bool kRegistered = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new TSocketLeakListener);
    return true;
}();

} // namespace
