#include "app/message_bar.h"

#include <gtest/gtest.h>

#include <QComboBox>

#include "platform/com/hresult.h"
#include "tests/app/app_test_support.h"

namespace {

TEST(MessageBar, TwoFailuresInARowGiveTwoLinesTheNewerSelected) {
    TestApplication();
    CMessageBar bar(nullptr);
    ReportFailure(&bar, E_FAIL, FALSE, "NotFound VideoCaptureDevice");
    ReportFailure(&bar, static_cast<HRESULT>(0x80040217), FALSE, "Connect %s", "SmartTee");
    QComboBox* list = bar.Reports();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_TRUE(list->itemText(0).contains(QStringLiteral(" - 80004005 - ")));
    EXPECT_TRUE(list->itemText(0).endsWith(QStringLiteral(" - NotFound VideoCaptureDevice")));
    EXPECT_TRUE(list->currentText().contains(QStringLiteral(" - 80040217 - ")));
    EXPECT_TRUE(list->currentText().endsWith(QStringLiteral("Connect SmartTee")));
}

TEST(MessageBar, IsNeverTrimmed) {
    TestApplication();
    CMessageBar bar(nullptr);
    for (int i = 0; i < 500; ++i) ReportFailure(&bar, E_FAIL, FALSE, "step %d", i);
    EXPECT_EQ(bar.Reports()->count(), 500);
    EXPECT_TRUE(bar.Reports()->currentText().endsWith(QStringLiteral("step 499")));
}

}  // namespace
