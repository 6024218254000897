// Every unit test starts from the process state the program starts with.
#include <gtest/gtest.h>

#include "tool/ProcessState.h"

namespace {

class ResetBeforeEachTest : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { resetProcessState(); }
};

class ProcessStateEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ::testing::UnitTest::GetInstance()->listeners().Append(new ResetBeforeEachTest); }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new ProcessStateEnvironment);

} // namespace
