#include "engine/capture_engine.h"


#include "platform/com/com_runtime.h"
#include "platform/system/window.h"

CCaptureEngine::CCaptureEngine(std::string profileDirectory, IProfileMessageSink* messages)
    : profileDirectory_(std::move(profileDirectory)), store_(profileDirectory_, messages) {
    comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
    catalog_.Fill();
}

CCaptureEngine::~CCaptureEngine() {
    ClosePendingHandles();
    DestroyGraphSession();
    store_.FreeProfiles();
    session_.VideoCompressor = nullptr;
    session_.AudioCompressor = nullptr;
    session_.VideoCompressorEntry = nullptr;
    session_.AudioCompressorEntry = nullptr;
    session_.VideoCaptureMoniker = nullptr;
    session_.AudioCaptureMoniker = nullptr;
    catalog_.Clear();
    if (comInitialized_) CoUninitialize();
}

void CCaptureEngine::SetWindows(HWND engineWindow, HWND frameWindow) {
    window_ = engineWindow;
    frame_ = frameWindow;
}

void CCaptureEngine::ReportFailure(HRESULT hr, BOOL beep, const char* format, ...) {
    va_list args;
    va_start(args, format);
    ReportFailureV(messageBar_, hr, beep, format, args);
    va_end(args);
}

void CCaptureEngine::ClientSize(LONG* width, LONG* height) const {
    RECT client{};
    GetClientRect(window_, &client);
    *width = client.right - client.left;
    *height = client.bottom - client.top;
}

void CCaptureEngine::OnSize(int width, int height) {
    if (session_.VideoWindow) session_.VideoWindow->SetWindowPosition(0, 0, width, height);
}
