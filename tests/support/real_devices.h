// Tests that use the machine's own capture devices or sound output are opt-in: they are
// registered only when QUILLDECK_TEST_REAL_DEVICES=1 is in the environment of the test
// program, so a default run (and ctest, which lists the tests at build time) does not have
// them at all. Their suites are named "RealDevices" + the fixture:
//
//   QD_REAL_DEVICE_TEST_F(CatalogTest, VirtualDevicesComeLast) { ... }
//
// registers RealDevicesCatalogTest.VirtualDevicesComeLast, run with
//   QUILLDECK_TEST_REAL_DEVICES=1 build/test/bin/PROGRAM --gtest_filter='RealDevices*'
#pragma once

#include <gtest/gtest.h>

bool RealDevicesOptedIn();

template <typename Fixture, typename Test>
bool RegisterRealDeviceTest(const char* suite, const char* name, const char* file, int line) {
    if (!RealDevicesOptedIn()) return false;
    ::testing::RegisterTest(suite, name, nullptr, nullptr, file, line, []() -> Fixture* { return new Test; });
    return true;
}

#define QD_REAL_DEVICE_TEST_F(fixture, name)                                                              \
    class fixture##_##name##_RealDevices : public fixture {                                               \
    public:                                                                                               \
        void TestBody() override;                                                                         \
    };                                                                                                    \
    [[maybe_unused]] const bool fixture##_##name##_registered =                                           \
        RegisterRealDeviceTest<fixture, fixture##_##name##_RealDevices>("RealDevices" #fixture, #name,    \
                                                                        __FILE__, __LINE__);              \
    void fixture##_##name##_RealDevices::TestBody()
