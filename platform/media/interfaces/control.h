// The graph's automation interfaces: IDispatch (as far as the graph needs it),
// IMediaControl, IMediaEvent/IMediaEventEx, IVideoWindow, IBasicAudio, and the event codes.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/com_object.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"
#include "platform/media/interfaces/win_types.h"

struct EXCEPINFO;

// Type information and DISPPARAMS are not modelled; their pointers pass through as void*.
struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID locale, void** typeInfo) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT nameCount, LCID locale, DISPID* dispIds) = 0;
    virtual HRESULT Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, void* params, VARIANT* result,
                           EXCEPINFO* exception, UINT* argumentError) = 0;
};
QD_DECLARE_IID(IDispatch, MakeGuid("00020400-0000-0000-c000-000000000046"));

struct IMediaControl : IDispatch {
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    // VFW_S_STATE_INTERMEDIATE while a transition is still under way after the timeout.
    virtual HRESULT GetState(LONG msTimeout, OAFilterState* state) = 0;
    virtual HRESULT RenderFile(BSTR fileName) = 0;
    virtual HRESULT AddSourceFilter(BSTR fileName, IDispatch** filterInfo) = 0;
    virtual HRESULT get_FilterCollection(IDispatch** collection) = 0;
    virtual HRESULT get_RegFilterCollection(IDispatch** collection) = 0;
    virtual HRESULT StopWhenReady() = 0;
};
QD_DECLARE_IID(IMediaControl, MakeGuid("56a868b1-0ad4-11ce-b03a-0020af0ba770"));
QD_DECLARE_INTERFACE_PARENT(IMediaControl, IDispatch);

struct IMediaEvent : IDispatch {
    virtual HRESULT GetEventHandle(OAEVENT* event) = 0;
    // E_ABORT when no event arrives within the timeout. Free the parameters with FreeEventParams.
    virtual HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) = 0;
    virtual HRESULT WaitForCompletion(LONG msTimeout, LONG* eventCode) = 0;
    virtual HRESULT CancelDefaultHandling(LONG eventCode) = 0;
    virtual HRESULT RestoreDefaultHandling(LONG eventCode) = 0;
    virtual HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) = 0;
};
QD_DECLARE_IID(IMediaEvent, MakeGuid("56a868b6-0ad4-11ce-b03a-0020af0ba770"));
QD_DECLARE_INTERFACE_PARENT(IMediaEvent, IDispatch);

// IMediaEventEx::SetNotifyFlags
inline constexpr LONG AM_MEDIAEVENT_NONOTIFY = 0x01;

struct IMediaEventEx : IMediaEvent {
    // Posts message `msg` (wParam 0, lParam = instanceData) to the window for every event queued.
    virtual HRESULT SetNotifyWindow(OAHWND window, LONG msg, LONG_PTR instanceData) = 0;
    virtual HRESULT SetNotifyFlags(LONG noNotifyFlags) = 0;
    virtual HRESULT GetNotifyFlags(LONG* noNotifyFlags) = 0;
};
QD_DECLARE_IID(IMediaEventEx, MakeGuid("56a868c0-0ad4-11ce-b03a-0020af0ba770"));
QD_DECLARE_INTERFACE_PARENT(IMediaEventEx, IMediaEvent);

struct IVideoWindow : IDispatch {
    virtual HRESULT put_Caption(BSTR caption) = 0;
    virtual HRESULT get_Caption(BSTR* caption) = 0;
    virtual HRESULT put_WindowStyle(LONG windowStyle) = 0;
    virtual HRESULT get_WindowStyle(LONG* windowStyle) = 0;
    virtual HRESULT put_WindowStyleEx(LONG windowStyleEx) = 0;
    virtual HRESULT get_WindowStyleEx(LONG* windowStyleEx) = 0;
    virtual HRESULT put_AutoShow(LONG autoShow) = 0;
    virtual HRESULT get_AutoShow(LONG* autoShow) = 0;
    virtual HRESULT put_WindowState(LONG windowState) = 0;
    virtual HRESULT get_WindowState(LONG* windowState) = 0;
    virtual HRESULT put_BackgroundPalette(LONG backgroundPalette) = 0;
    virtual HRESULT get_BackgroundPalette(LONG* backgroundPalette) = 0;
    virtual HRESULT put_Visible(LONG visible) = 0;
    virtual HRESULT get_Visible(LONG* visible) = 0;
    virtual HRESULT put_Left(LONG left) = 0;
    virtual HRESULT get_Left(LONG* left) = 0;
    virtual HRESULT put_Width(LONG width) = 0;
    virtual HRESULT get_Width(LONG* width) = 0;
    virtual HRESULT put_Top(LONG top) = 0;
    virtual HRESULT get_Top(LONG* top) = 0;
    virtual HRESULT put_Height(LONG height) = 0;
    virtual HRESULT get_Height(LONG* height) = 0;
    virtual HRESULT put_Owner(OAHWND owner) = 0;
    virtual HRESULT get_Owner(OAHWND* owner) = 0;
    virtual HRESULT put_MessageDrain(OAHWND drain) = 0;
    virtual HRESULT get_MessageDrain(OAHWND* drain) = 0;
    // The platform puts the getters of these two before their setters.
    virtual HRESULT get_BorderColor(LONG* color) = 0;
    virtual HRESULT put_BorderColor(LONG color) = 0;
    virtual HRESULT get_FullScreenMode(LONG* fullScreenMode) = 0;
    virtual HRESULT put_FullScreenMode(LONG fullScreenMode) = 0;
    virtual HRESULT SetWindowForeground(LONG focus) = 0;
    virtual HRESULT NotifyOwnerMessage(OAHWND window, LONG msg, LONG_PTR wParam, LONG_PTR lParam) = 0;
    virtual HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) = 0;
    virtual HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
    virtual HRESULT GetMinIdealImageSize(LONG* width, LONG* height) = 0;
    virtual HRESULT GetMaxIdealImageSize(LONG* width, LONG* height) = 0;
    virtual HRESULT GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
    virtual HRESULT HideCursor(LONG hideCursor) = 0;
    virtual HRESULT IsCursorHidden(LONG* cursorHidden) = 0;
};
QD_DECLARE_IID(IVideoWindow, MakeGuid("56a868b4-0ad4-11ce-b03a-0020af0ba770"));
QD_DECLARE_INTERFACE_PARENT(IVideoWindow, IDispatch);

// Volume in hundredths of a decibel (0 = full, -10000 = silence); balance -10000..10000.
struct IBasicAudio : IDispatch {
    virtual HRESULT put_Volume(LONG volume) = 0;
    virtual HRESULT get_Volume(LONG* volume) = 0;
    virtual HRESULT put_Balance(LONG balance) = 0;
    virtual HRESULT get_Balance(LONG* balance) = 0;
};
QD_DECLARE_IID(IBasicAudio, MakeGuid("56a868b3-0ad4-11ce-b03a-0020af0ba770"));
QD_DECLARE_INTERFACE_PARENT(IBasicAudio, IDispatch);

// Event codes of IMediaEvent::GetEvent and IMediaEventSink::Notify.
inline constexpr LONG EC_COMPLETE = 0x01;
inline constexpr LONG EC_USERABORT = 0x02;
inline constexpr LONG EC_ERRORABORT = 0x03;
inline constexpr LONG EC_TIME = 0x04;
inline constexpr LONG EC_REPAINT = 0x05;
inline constexpr LONG EC_STREAM_ERROR_STOPPED = 0x06;
inline constexpr LONG EC_STREAM_ERROR_STILLPLAYING = 0x07;
inline constexpr LONG EC_ERROR_STILLPLAYING = 0x08;
inline constexpr LONG EC_PALETTE_CHANGED = 0x09;
inline constexpr LONG EC_VIDEO_SIZE_CHANGED = 0x0A;
inline constexpr LONG EC_QUALITY_CHANGE = 0x0B;
inline constexpr LONG EC_SHUTTING_DOWN = 0x0C;
inline constexpr LONG EC_CLOCK_CHANGED = 0x0D;
inline constexpr LONG EC_PAUSED = 0x0E;
inline constexpr LONG EC_OPENING_FILE = 0x10;
inline constexpr LONG EC_BUFFERING_DATA = 0x11;
inline constexpr LONG EC_FULLSCREEN_LOST = 0x12;
inline constexpr LONG EC_ACTIVATE = 0x13;
inline constexpr LONG EC_NEED_RESTART = 0x14;
inline constexpr LONG EC_WINDOW_DESTROYED = 0x15;
inline constexpr LONG EC_DISPLAY_CHANGED = 0x16;
inline constexpr LONG EC_STARVATION = 0x17;
inline constexpr LONG EC_OLE_EVENT = 0x18;
inline constexpr LONG EC_NOTIFY_WINDOW = 0x19;
inline constexpr LONG EC_STREAM_CONTROL_STOPPED = 0x1A;
inline constexpr LONG EC_STREAM_CONTROL_STARTED = 0x1B;
inline constexpr LONG EC_END_OF_SEGMENT = 0x1C;
inline constexpr LONG EC_SEGMENT_STARTED = 0x1D;
inline constexpr LONG EC_LENGTH_CHANGED = 0x1E;
inline constexpr LONG EC_DEVICE_LOST = 0x1F;
inline constexpr LONG EC_STEP_COMPLETE = 0x24;
// Codes from EC_USER up belong to the application.
inline constexpr LONG EC_USER = 0x8000;
