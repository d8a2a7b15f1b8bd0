// What the layer does not implement answers E_NOTIMPL, is counted, and is said once under the debug switch.
#include <gtest/gtest.h>

#include <cstdlib>

#include "pal/host.h"
#include "support/TestPrefix.h"

TEST(Stub, CountedEachTimeAndSaidOnceUnderTheDebugSwitch)
{
    const char* signature = "HRESULT Example::NotThere(int)";
    setenv("VANTORA_DEBUG_STUBS", "1", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(pal::ReachStub(signature), E_NOTIMPL);
    EXPECT_EQ(pal::ReachStub(signature), E_NOTIMPL);
    std::string said = testing::internal::GetCapturedStderr();
    unsetenv("VANTORA_DEBUG_STUBS");
    EXPECT_EQ(said, std::string("fixme: ") + signature + " is not implemented\n");
    EXPECT_EQ(pal::ReachedStubs()[signature], 2u);

    // Without the switch nothing is said, and it is still counted.
    testing::internal::CaptureStderr();
    pal::ReachStub("HRESULT Example::Other()");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(pal::ReachedStubs()["HRESULT Example::Other()"], 1u);
    testing_support::AcceptReachedStubs();
}
