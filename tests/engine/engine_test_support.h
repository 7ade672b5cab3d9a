// Windows, a message bar and a filter count for driving the engine without a toolkit.
#pragma once

#include <string>
#include <vector>

#include "common/failure_report.h"
#include "platform/media/interfaces/filters.h"
#include "platform/system/window.h"

// How many filters of a class the graph holds; -1 when they cannot be listed.
inline int FiltersOfClass(IFilterGraph* graph, REFCLSID clsid) {
    ComPtr<IEnumFilters> filters;
    if (FAILED(graph->EnumFilters(filters.ReleaseAndGetAddressOf()))) return -1;
    int count = 0;
    IBaseFilter* filter = nullptr;
    while (filters->Next(1, &filter, nullptr) == S_OK) {
        CLSID filterClass{};
        if (SUCCEEDED(filter->GetClassID(&filterClass)) && filterClass == clsid) ++count;
        filter->Release();
    }
    return count;
}

class RecordingMessageBar : public IFailureReportSink {
public:
    int AppendReportLine(const std::string& text) override {
        lines.push_back(text);
        return static_cast<int>(lines.size()) - 1;
    }
    void SelectReportLine(int index) override { selected = index; }
    bool HasLabel(const std::string& label) const {
        for (const std::string& line : lines)
            if (line.size() >= label.size() && line.compare(line.size() - label.size(), label.size(), label) == 0) return true;
        return false;
    }
    std::vector<std::string> lines;
    int selected = -1;
};

// A window whose geometry is plain numbers. The frame's client holds the pane plus
// `marginX` x `marginY` of borders and bars.
class FakeWindow : public PlatformWindow {
public:
    FakeWindow() : handle(RegisterWindow(this)) {}
    ~FakeWindow() override { UnregisterWindow(handle); }
    bool PostMessage(UINT msg, WPARAM, LPARAM) override {
        posted.push_back(msg);
        return true;
    }
    RECT WindowRect() const override { return rect; }
    RECT ClientRect() const override { return RECT{0, 0, clientWidth, clientHeight}; }
    bool SetWindowPos(HWND, int x, int y, int width, int height, UINT flags) override {
        ++setWindowPosCalls;
        lastFlags = flags;
        rect = RECT{x, y, x + width, y + height};
        if (pane) {
            pane->clientWidth = width - marginX;
            pane->clientHeight = height - marginY;
        }
        return true;
    }
    bool Show(int) override { return true; }
    bool IsVisible() const override { return true; }
    bool IsMinimized() const override { return false; }
    void Update() override { ++updates; }
    int SystemMetric(int index) const override {
        if (index == SM_CXMAXTRACK) return maxTrackX;
        if (index == SM_CYMAXTRACK) return maxTrackY;
        return 0;
    }

    HWND handle;
    RECT rect{100, 100, 100 + 660, 100 + 560};
    LONG clientWidth = 640, clientHeight = 480;
    FakeWindow* pane = nullptr;
    int marginX = 20, marginY = 80;
    int maxTrackX = 4000, maxTrackY = 3000;
    int setWindowPosCalls = 0;
    UINT lastFlags = 0;
    int updates = 0;
    std::vector<UINT> posted;
};

// A frame with its pane: the frame's outer size is the pane's plus the margins.
struct FakeFrame {
    FakeFrame() {
        frame.pane = &pane;
        frame.clientWidth = 660;
        frame.clientHeight = 560;
    }
    FakeWindow frame;
    FakeWindow pane;
};
