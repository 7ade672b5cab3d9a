// The adjustable reference clock on a fake tick counter: private time, speed, delta, the
// monotonic clamp, advise arguments and the advise thread's wake-ups.
#include "filters/metronel/talvin_clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/media/base/sync_handles.h"
#include "platform/media/interfaces/dv_splitter.h"

namespace {

class TalvinClockTest : public ::testing::Test {
protected:
    TalvinClockTest() {
        HRESULT hr = E_FAIL;
        clock = ComPtr<CTalvinClock>::Attach(new CTalvinClock(&hr, [this] { return ticks.load(); }));
        EXPECT_EQ(S_OK, hr);
    }

    REFERENCE_TIME Time(HRESULT expected = S_OK) {
        REFERENCE_TIME t = -1;
        EXPECT_EQ(expected, clock->GetTime(&t));
        return t;
    }
    void Advance(DWORD ms) { ticks += ms; }

    // Waits until the advise thread has woken `count` times (or gives up after a second).
    bool WakeUpsReach(long count) {
        for (int i = 0; i < 200 && clock->AdviseWakeUps() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return clock->AdviseWakeUps() >= count;
    }

    std::atomic<DWORD> ticks{1000};
    ComPtr<CTalvinClock> clock;
};

TEST_F(TalvinClockTest, CountsTheTicksSinceCreation) {
    Advance(2000);
    EXPECT_EQ(20000000, Time());
}

TEST_F(TalvinClockTest, SpeedSetAtCreationScalesTheCountWithTruncation) {
    struct Case {
        double speed;
        DWORD ms;
        REFERENCE_TIME expected;
    };
    for (const Case& c : {Case{1.25, 1000, 12500000}, Case{0.5, 3, 15000}, Case{1.001, 1000, 10009999}}) {
        HRESULT hr = E_FAIL;
        std::atomic<DWORD> fake{0};
        auto scaled = ComPtr<CTalvinClock>::Attach(new CTalvinClock(&hr, [&fake] { return fake.load(); }));
        scaled->put_Speed(c.speed, TRUE);
        fake += c.ms;
        REFERENCE_TIME t = 0;
        scaled->GetTime(&t);
        EXPECT_EQ(c.expected, t) << c.speed;
    }
    EXPECT_EQ(-10009999, ScaleTime(-10000000, 1.001));  // toward zero, also below zero
    EXPECT_EQ(MAXLONGLONG, ScaleTime(MAXLONGLONG, 4.0));
    EXPECT_EQ(0, ScaleTime(1000, std::numeric_limits<double>::quiet_NaN()));
}

// A speed set while the clock runs scales the whole count: a faster speed moves the time on
// at once, and a slower one is held at the time already handed out until the scaled count
// passes it.
TEST_F(TalvinClockTest, SpeedChangedWhileRunningRescalesTheWholeCount) {
    Advance(5000);
    EXPECT_EQ(50000000, Time());
    clock->put_Speed(2.0, TRUE);
    EXPECT_EQ(100000000, Time());  // 5 s counted twice
    Advance(1000);
    EXPECT_EQ(120000000, Time());
    clock->put_Speed(0.5, TRUE);
    EXPECT_EQ(120000000, Time(S_FALSE));  // 6 s at half speed is 3 s: held where it was
    Advance(18000);
    EXPECT_EQ(120000000, Time(S_FALSE));  // 24 s at half speed is exactly the time handed out
    Advance(2);
    EXPECT_EQ(120010000, Time());
    clock->put_Speed(0.5, FALSE);
    EXPECT_EQ(240020000, Time());  // disabled: the plain count
}

TEST_F(TalvinClockTest, SpeedChangeAppliesToTimeCountedBeforeItWasRead) {
    clock->put_Speed(2.0, TRUE);
    Advance(1000);  // not yet read when the speed changes
    clock->put_Speed(1.5, TRUE);
    Advance(1000);
    EXPECT_EQ(30000000, Time());
}

TEST(TalvinClockWrap, TickCounterWrapIsAbsorbed) {
    std::atomic<DWORD> fake{0xFFFFFE00u};
    HRESULT hr = E_FAIL;
    auto clock = ComPtr<CTalvinClock>::Attach(new CTalvinClock(&hr, [&fake] { return fake.load(); }));
    fake = 0xFFFFFF00u;
    REFERENCE_TIME t = 0;
    clock->GetTime(&t);
    EXPECT_EQ(2560000, t);
    fake = 0x00000010u;  // 272 ms later, across the wrap
    EXPECT_EQ(S_OK, clock->GetTime(&t));
    EXPECT_EQ(2560000 + 2720000, t);
}

TEST_F(TalvinClockTest, NegativeDeltaIsHiddenUntilTheTimePassesIt) {
    Advance(5000);
    EXPECT_EQ(50000000, Time());
    EXPECT_EQ(S_OK, clock->SetClockDelta(-10000000));
    EXPECT_EQ(50000000, Time(S_FALSE));  // private time is 4 s
    Advance(500);
    EXPECT_EQ(50000000, Time(S_FALSE));
    Advance(1001);
    EXPECT_EQ(55010000, Time());
}

TEST_F(TalvinClockTest, DeltaIsScaledWithTheSpeed) {
    clock->put_Speed(2.0, TRUE);
    Advance(1);
    const REFERENCE_TIME before = Time();
    clock->SetClockDelta(10000);
    EXPECT_EQ(before + 20000, Time());
}

TEST_F(TalvinClockTest, SpeedStoredButNotAppliedWhenDisabled) {
    clock->put_Speed(1.5, FALSE);
    Advance(1000);
    EXPECT_EQ(10000000, Time());
    double speed = 0;
    BOOL enabled = TRUE;
    EXPECT_EQ(S_OK, clock->get_Speed(&speed, &enabled));
    EXPECT_EQ(1.5, speed);
    EXPECT_EQ(FALSE, enabled);
    EXPECT_EQ(E_POINTER, clock->get_Speed(nullptr, &enabled));
    EXPECT_EQ(E_POINTER, clock->get_Speed(&speed, nullptr));
}

TEST_F(TalvinClockTest, AdviseArgumentRules) {
    const HEVENT event = CreateEventHandle(true, false);
    const HSEMAPHORE semaphore = CreateSemaphoreHandle(0, 100);
    DWORD_PTR cookie = 77;
    EXPECT_EQ(E_INVALIDARG, clock->AdviseTime(-5, 5, event, &cookie));
    EXPECT_EQ(0u, cookie);
    EXPECT_EQ(E_INVALIDARG, clock->AdviseTime(MAXLONGLONG, 0, event, &cookie));
    EXPECT_EQ(E_INVALIDARG, clock->AdviseTime(MAXLONGLONG, 1, event, &cookie));  // overflow
    EXPECT_EQ(E_POINTER, clock->AdviseTime(1, 1, event, nullptr));
    EXPECT_EQ(E_INVALIDARG, clock->AdvisePeriodic(0, 10, semaphore, &cookie));
    EXPECT_EQ(E_INVALIDARG, clock->AdvisePeriodic(10, 0, semaphore, &cookie));
    EXPECT_EQ(E_INVALIDARG, clock->AdvisePeriodic(MAXLONGLONG, 10, semaphore, &cookie));
    ASSERT_EQ(S_OK, clock->AdviseTime(1000, 100000000, event, &cookie));  // far ahead: stays pending
    EXPECT_NE(0u, cookie);
    EXPECT_EQ(S_OK, clock->Unadvise(cookie));
    EXPECT_EQ(S_FALSE, clock->Unadvise(cookie));
    clock->GetSchedule()->FailAllocationsForTesting(1);
    EXPECT_EQ(E_OUTOFMEMORY, clock->AdviseTime(1000, 1000, event, &cookie));
    EXPECT_EQ(0u, cookie);
    CloseSyncHandle(event);
    CloseSyncHandle(semaphore);
}

TEST_F(TalvinClockTest, AdvisesFireWhenThePrivateTimeArrives) {
    const HEVENT event = CreateEventHandle(true, false);
    DWORD_PTR cookie = 0;
    ASSERT_EQ(S_OK, clock->AdviseTime(0, 10000000, event, &cookie));  // at 1 s
    EXPECT_FALSE(WaitForHandle(event, 50));
    Advance(1000);
    clock->SetClockDelta(5001);  // wakes the thread, which now sees the time due
    EXPECT_TRUE(WaitForHandle(event, 1000));
    EXPECT_EQ(S_FALSE, clock->Unadvise(cookie));  // one-shot entries are gone once fired
    CloseSyncHandle(event);
}

TEST_F(TalvinClockTest, OnlyDeltasAboveHalfAMillisecondWakeTheAdviseThread) {
    const HEVENT event = CreateEventHandle(true, false);
    DWORD_PTR cookie = 0;
    ASSERT_EQ(S_OK, clock->AdviseTime(0, 100000000, event, &cookie));  // the add wakes it once
    ASSERT_TRUE(WakeUpsReach(1));
    const long woken = clock->AdviseWakeUps();
    clock->SetClockDelta(5000);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(woken, clock->AdviseWakeUps());
    clock->SetClockDelta(5001);
    EXPECT_TRUE(WakeUpsReach(woken + 1));
    clock->Unadvise(cookie);
    const long idle = clock->AdviseWakeUps();
    clock->SetClockDelta(100000);  // nothing pending: no wake-up
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(idle, clock->AdviseWakeUps());
    CloseSyncHandle(event);
}

TEST_F(TalvinClockTest, PeriodicAdviseReleasesTheSemaphoreEachPeriod) {
    const HSEMAPHORE semaphore = CreateSemaphoreHandle(0, 100);
    DWORD_PTR cookie = 0;
    ASSERT_EQ(S_OK, clock->AdvisePeriodic(10000, 10000, semaphore, &cookie));
    Advance(3);
    clock->SetClockDelta(5001);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(WaitForHandle(semaphore, 1000)) << i;
    EXPECT_EQ(S_OK, clock->Unadvise(cookie));
    CloseSyncHandle(semaphore);
}

TEST_F(TalvinClockTest, InterfacesAndClassId) {
    for (const IID* iid : {&IID_IReferenceClock, &IID_IAMClockAdjust, &IID_IPersist, &IID_ITalvinClock}) {
        ComPtr<IUnknown> part;
        EXPECT_EQ(S_OK, clock->QueryInterface(*iid, part.ReleaseAndGetVoidAddress()));
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(E_NOINTERFACE, clock->QueryInterface(IID_IPersistStream, none.ReleaseAndGetVoidAddress()));
    EXPECT_EQ(E_POINTER, clock->QueryInterface(IID_IPersist, nullptr));
    CLSID clsid{};
    EXPECT_EQ(E_POINTER, clock->GetClassID(nullptr));
    EXPECT_EQ(S_OK, clock->GetClassID(&clsid));
    EXPECT_EQ(CLSID_TalvinClock, clsid);
    REFERENCE_TIME* none2 = nullptr;
    EXPECT_EQ(E_POINTER, clock->GetTime(none2));
}

TEST(TalvinClockCreation, FailedAdviseThreadGivesNoObject) {
    CBaseReferenceClock::FailNextAdviseThreadForTesting();
    HRESULT hr = S_OK;
    EXPECT_EQ(nullptr, CTalvinClock::CreateInstance(nullptr, &hr));
    EXPECT_EQ(E_FAIL, hr);
    IUnknown* created = CTalvinClock::CreateInstance(nullptr, &hr);
    ASSERT_NE(nullptr, created);
    EXPECT_EQ(S_OK, hr);
    created->Release();
}

}  // namespace
