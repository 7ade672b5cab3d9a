#include "app/window_state.h"

#include <gtest/gtest.h>

namespace {

WindowState SampleState() {
    WindowState s;
    s.Placement = WindowPlacement{44, 0, 3, -1, -1, -8, -8, WindowRect{10, 20, 650, 500}};
    s.DeviceSheet = {11, 12};
    s.CompressorSheet = {13, 14};
    s.ChannelDialog = {15, 16};
    s.MuxSheet = {17, 18};
    s.ReservationEditor = {100, 110, 500, 420};
    s.OptionsSheet = {19, 20};
    s.VideoFilterDialog = {21, 22};
    s.AudioFilterDialog = {23, 24};
    s.PowerDialog = {25, 26};
    s.DeviceSheetSecond = {27, 28};
    s.DeviceSheetPage = 1;
    s.CompressorSheetPage = 2;
    s.MuxSheetPage = 3;
    s.DeviceSheetSecondPage = 4;
    s.OptionsSheetPage = 5;
    s.ReservationColumns = {60, 61, 62, 63, 64, 65, 66, 67, 68, 69};
    return s;
}

// The bytes an older version wrote: the fields of that version only, in the same order.
std::vector<BYTE> OlderFile(DWORD version, const WindowState& s) {
    std::vector<BYTE> out;
    auto put = [&out](LONG v) {
        for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<BYTE>(static_cast<std::uint32_t>(v) >> shift));
    };
    put(static_cast<LONG>(version));
    const WindowPlacement& p = s.Placement;
    for (LONG v : {static_cast<LONG>(p.length), static_cast<LONG>(p.flags), static_cast<LONG>(p.showCmd), p.minX, p.minY,
                   p.maxX, p.maxY, p.normal.left, p.normal.top, p.normal.right, p.normal.bottom})
        put(v);
    for (const WindowPoint& point : {s.DeviceSheet, s.CompressorSheet, s.ChannelDialog, s.MuxSheet}) put(point.x), put(point.y);
    if (version >= 2555) {
        put(s.ReservationEditor.left), put(s.ReservationEditor.top), put(s.ReservationEditor.right),
            put(s.ReservationEditor.bottom);
    } else {
        put(777), put(778);  // the older 8 bytes, discarded
    }
    for (const WindowPoint& point : {s.OptionsSheet, s.VideoFilterDialog, s.AudioFilterDialog}) put(point.x), put(point.y);
    if (version >= 2553) put(s.PowerDialog.x), put(s.PowerDialog.y);
    if (version >= 2662) put(s.DeviceSheetSecond.x), put(s.DeviceSheetSecond.y);
    put(s.DeviceSheetPage), put(s.CompressorSheetPage), put(s.MuxSheetPage);
    if (version >= 2662) put(s.DeviceSheetSecondPage), put(s.OptionsSheetPage);
    if (version >= 2556)
        for (LONG width : s.ReservationColumns) put(width);
    return out;
}

TEST(WindowStateFile, CurrentVersionIs196BytesAndRoundTrips) {
    const WindowState state = SampleState();
    const std::vector<BYTE> bytes = StoreWindowState(state);
    ASSERT_EQ(bytes.size(), kWindowStateBytes);
    EXPECT_EQ(bytes[0] | (bytes[1] << 8), 2662);
    EXPECT_EQ(bytes, OlderFile(2662, state));
    DWORD version = 0;
    auto parsed = ParseWindowState(bytes, &version);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(version, 2662u);
    WindowState expected = state;
    expected.HasPlacement = true;
    EXPECT_EQ(*parsed, expected);
}

TEST(WindowStateFile, InitialValues) {
    const WindowState initial;
    EXPECT_EQ(initial.DeviceSheet, (WindowPoint{300, 300}));
    EXPECT_EQ(initial.ReservationEditor, (WindowRect{300, 300, -1, -1}));
    EXPECT_EQ(initial.ReservationColumns[0], -1);
    EXPECT_EQ(initial.DeviceSheetPage, 0);
}

struct OlderVersion {
    DWORD version;
    bool editorRect, power, secondSheet, columns;
};

class WindowStateOlderVersions : public testing::TestWithParam<OlderVersion> {};

TEST_P(WindowStateOlderVersions, FieldsMissingFromTheVersionKeepTheirInitialValues) {
    const OlderVersion& v = GetParam();
    const WindowState written = SampleState();
    auto parsed = ParseWindowState(OlderFile(v.version, written));
    ASSERT_TRUE(parsed);
    const WindowState initial;
    EXPECT_EQ(parsed->Placement, written.Placement);
    EXPECT_EQ(parsed->MuxSheet, written.MuxSheet);
    EXPECT_EQ(parsed->AudioFilterDialog, written.AudioFilterDialog);
    EXPECT_EQ(parsed->MuxSheetPage, written.MuxSheetPage);
    EXPECT_EQ(parsed->ReservationEditor, v.editorRect ? written.ReservationEditor : initial.ReservationEditor);
    EXPECT_EQ(parsed->PowerDialog, v.power ? written.PowerDialog : initial.PowerDialog);
    EXPECT_EQ(parsed->DeviceSheetSecond, v.secondSheet ? written.DeviceSheetSecond : initial.DeviceSheetSecond);
    EXPECT_EQ(parsed->DeviceSheetSecondPage, v.secondSheet ? written.DeviceSheetSecondPage : 0);
    EXPECT_EQ(parsed->OptionsSheetPage, v.secondSheet ? written.OptionsSheetPage : 0);
    EXPECT_EQ(parsed->ReservationColumns, v.columns ? written.ReservationColumns : initial.ReservationColumns);
}

INSTANTIATE_TEST_SUITE_P(Versions, WindowStateOlderVersions,
                         testing::Values(OlderVersion{2550, false, false, false, false},
                                         OlderVersion{2553, false, true, false, false},
                                         OlderVersion{2554, false, true, false, false},
                                         OlderVersion{2555, true, true, false, false},
                                         OlderVersion{2556, true, true, false, true},
                                         OlderVersion{2661, true, true, false, true},
                                         OlderVersion{2662, true, true, true, true}));

TEST(WindowStateFile, EveryTruncationIsRefused) {
    const std::vector<BYTE> bytes = StoreWindowState(SampleState());
    for (std::size_t length = 0; length < bytes.size(); ++length)
        EXPECT_FALSE(ParseWindowState(std::span(bytes.data(), length))) << "length " << length;
}

TEST(WindowStateFile, TrailingBytesAreIgnored) {
    std::vector<BYTE> bytes = StoreWindowState(SampleState());
    bytes.resize(bytes.size() + 7, 0xAB);
    EXPECT_TRUE(ParseWindowState(bytes));
}

}  // namespace
