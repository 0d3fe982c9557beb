// Test main of every suite: after each test the module's count of live
// objects must be back to zero, which catches leaks on every error path.
#include <gtest/gtest.h>

#include "server/ServerModule.h"

namespace {

class LiveObjectCheck : public testing::EmptyTestEventListener {
  void OnTestEnd(const testing::TestInfo& info) override {
    LONG live = qor::g_serverModule.LockCount();
    if (live != 0) {
      ADD_FAILURE() << info.test_suite_name() << "." << info.name() << " left " << live << " live object(s)";
      while (qor::g_serverModule.LockCount() > 0) qor::g_serverModule.Unlock();
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new LiveObjectCheck);
  return RUN_ALL_TESTS();
}
