#include "tests/support/hang_guard.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace vexo::test_support {

HangGuard::HangGuard(std::chrono::milliseconds limit)
    : watchdog_([this, limit] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (ended_.wait_for(lock, limit, [this] { return done_; })) {
              return;
          }
          const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
          std::fprintf(stderr, "%s.%s hung: still waiting after %lld ms\n",
                       test != nullptr ? test->test_suite_name() : "?",
                       test != nullptr ? test->name() : "?", static_cast<long long>(limit.count()));
          std::fflush(stderr);
          std::_Exit(1);
      }) {}

HangGuard::~HangGuard() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    ended_.notify_one();
    watchdog_.join();
}

}  // namespace vexo::test_support
