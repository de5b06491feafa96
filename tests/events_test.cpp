// Named events: absent versus present, their kinds, and the errors they raise.
#include <gtest/gtest.h>

#include "events.h"
#include "test_support.h"

namespace {

const wchar_t* kProbeName = L"TavrinoTest_Probe";

TEST(NamedEvents, AbsentEventOpensAsEmptyWithoutError) {
  EXPECT_FALSE(OpenNamedEvent(kProbeName));
  EXPECT_FALSE(NamedEventExists(kProbeName));
  EXPECT_FALSE(SignalNamedEvent(kProbeName)) << "setting an absent event is a no-op";
}

TEST(NamedEvents, PresentEventOpensAndIsSetThroughItsName) {
  CHandle created = CreateNamedEvent(kProbeName, true);
  EXPECT_TRUE(NamedEventExists(kProbeName));
  EXPECT_FALSE(IsEventSignalled(created.Get()));
  EXPECT_TRUE(SignalNamedEvent(kProbeName));
  EXPECT_TRUE(IsEventSignalled(created.Get()));
  EXPECT_TRUE(IsEventSignalled(created.Get())) << "manual reset stays signalled";
  ResetNamedEvent(created.Get());
  EXPECT_FALSE(IsEventSignalled(created.Get()));
  created.Reset();
  EXPECT_FALSE(NamedEventExists(kProbeName)) << "the event ends with its last handle";
}

TEST(NamedEvents, AutomaticResetWakesOnce) {
  CHandle created = CreateNamedEvent(kProbeName, false);
  EXPECT_TRUE(SignalNamedEvent(kProbeName));
  EXPECT_TRUE(IsEventSignalled(created.Get()));
  EXPECT_FALSE(IsEventSignalled(created.Get()));
}

TEST(NamedEvents, FailuresCarryTheSystemText) {
  // A mutex holding the name makes both the open and the create of an event fail for real.
  CHandle mutex(::CreateMutexW(nullptr, FALSE, kProbeName));
  ASSERT_TRUE(mutex);
  try {
    OpenNamedEvent(kProbeName);
    FAIL() << "open succeeded";
  } catch (const CEventOpenException& e) {
    EXPECT_NE(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), e.Code());
    EXPECT_EQ(U8(SystemMessage(e.Code())), e.what());
  }
  try {
    CreateNamedEvent(kProbeName, false);
    FAIL() << "create succeeded";
  } catch (const CEventCreateException& e) {
    EXPECT_EQ(U8(SystemMessage(e.Code())), e.what());
    const CEventException& base = e;  // one handler catches every event error
    EXPECT_STREQ(e.what(), base.what());
  }
}

TEST(NamedEvents, SettingAClosedHandleRaises) {
  HANDLE dead = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ::CloseHandle(dead);
  EXPECT_THROW(SetNamedEvent(dead), CEventException);
  EXPECT_THROW(ResetNamedEvent(dead), CEventException);
}

}  // namespace
