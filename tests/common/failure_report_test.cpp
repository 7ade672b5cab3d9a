#include <gtest/gtest.h>

#include <vector>

#include "common/failure_report.h"
#include "common/path_utils.h"
#include "platform/com/hresult.h"
#include "platform/system/local_time.h"
#include "platform/system/message_beep.h"

namespace {

// Records reports as the message bar's combo box would.
class RecordingSink : public IFailureReportSink {
public:
    int AppendReportLine(const std::string& text) override {
        if (refuse) return -1;
        lines.push_back(text);
        return static_cast<int>(lines.size()) - 1;
    }
    void SelectReportLine(int index) override { selected = index; }

    std::vector<std::string> lines;
    int selected = -1;
    bool refuse = false;
};

TEST(FailureText, HasTimeCodeErrorTextAndLabel) {
    const std::time_t when = 1796684400;
    const std::string expected =
        FormatLocalTime("%c - ", when) + "80004005 - Unspecified error. - NotFound VideoCaptureDevice";
    EXPECT_EQ(expected, BuildFailureText(E_FAIL, "NotFound VideoCaptureDevice", when));
}

TEST(FailureText, LeavesOutAnEmptyErrorText) {
    const std::time_t when = 0;
    EXPECT_EQ(FormatLocalTime("%c - ", when) + "0 - CreateBindCtx", BuildFailureText(0, "CreateBindCtx", when));
    EXPECT_EQ(FormatLocalTime("%c - ", when) + "80041234 - X", BuildFailureText(MakeHResult(0x80041234), "X", when));
}

class ReportFailureTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageBeepHandler([this](UINT) { ++beeps; });
    }
    void TearDown() override { SetMessageBeepHandler(nullptr); }

    RecordingSink sink;
    int beeps = 0;
};

TEST_F(ReportFailureTest, TwoFailuresGiveTwoLinesTheNewerSelected) {
    ReportFailure(&sink, E_FAIL, TRUE, "AddFilter %s", "SmartTee");
    ReportFailure(&sink, E_POINTER, FALSE, "RenderStream %s", "VideoPreview");
    ASSERT_EQ(2u, sink.lines.size());
    EXPECT_NE(std::string::npos, sink.lines[0].find("80004005 - Unspecified error. - AddFilter SmartTee"));
    EXPECT_NE(std::string::npos, sink.lines[1].find("80004003 - Invalid pointer. - RenderStream VideoPreview"));
    EXPECT_EQ(1, sink.selected);
    EXPECT_EQ(1, beeps);
}

TEST_F(ReportFailureTest, AFailedAppendSelectsNothing) {
    sink.refuse = true;
    ReportFailure(&sink, E_FAIL, FALSE, "SetFiltergraph");
    EXPECT_EQ(-1, sink.selected);
}

TEST(AppendBackslash, AddsOneSeparatorOnlyWhereNeeded) {
    std::string empty, plain = "/tmp/rec", done = "/tmp/rec/";
    AppendBackslash(empty);
    AppendBackslash(plain);
    AppendBackslash(done);
    EXPECT_EQ("", empty);
    EXPECT_EQ("/tmp/rec/", plain);
    EXPECT_EQ("/tmp/rec/", done);
}

}  // namespace
