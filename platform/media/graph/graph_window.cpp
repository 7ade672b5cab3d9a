// The filter graph's IVideoWindow and IBasicAudio: forwarded to the first filter in the graph
// that has the interface (the renderer); E_NOINTERFACE when there is none.
#include "platform/media/graph/filter_graph.h"

namespace media {

template <typename Interface>
ComPtr<Interface> FilterGraph::FirstWith() {
    std::lock_guard lock(mutex_);
    for (const Member& m : members_) {
        ComPtr<Interface> found;
        if (SUCCEEDED(m.filter->QueryInterface(IID_PPV_ARGS(found.ReleaseAndGetAddressOf())))) return found;
    }
    return nullptr;
}

#define QD_FORWARD(Interface, call)                   \
    {                                                 \
        ComPtr<Interface> target = FirstWith<Interface>(); \
        return target ? target->call : E_NOINTERFACE; \
    }

HRESULT FilterGraph::put_Caption(BSTR caption) QD_FORWARD(IVideoWindow, put_Caption(caption))
HRESULT FilterGraph::get_Caption(BSTR* caption) QD_FORWARD(IVideoWindow, get_Caption(caption))
HRESULT FilterGraph::put_WindowStyle(LONG style) QD_FORWARD(IVideoWindow, put_WindowStyle(style))
HRESULT FilterGraph::get_WindowStyle(LONG* style) QD_FORWARD(IVideoWindow, get_WindowStyle(style))
HRESULT FilterGraph::put_WindowStyleEx(LONG style) QD_FORWARD(IVideoWindow, put_WindowStyleEx(style))
HRESULT FilterGraph::get_WindowStyleEx(LONG* style) QD_FORWARD(IVideoWindow, get_WindowStyleEx(style))
HRESULT FilterGraph::put_AutoShow(LONG autoShow) QD_FORWARD(IVideoWindow, put_AutoShow(autoShow))
HRESULT FilterGraph::get_AutoShow(LONG* autoShow) QD_FORWARD(IVideoWindow, get_AutoShow(autoShow))
HRESULT FilterGraph::put_WindowState(LONG state) QD_FORWARD(IVideoWindow, put_WindowState(state))
HRESULT FilterGraph::get_WindowState(LONG* state) QD_FORWARD(IVideoWindow, get_WindowState(state))
HRESULT FilterGraph::put_BackgroundPalette(LONG palette) QD_FORWARD(IVideoWindow, put_BackgroundPalette(palette))
HRESULT FilterGraph::get_BackgroundPalette(LONG* palette) QD_FORWARD(IVideoWindow, get_BackgroundPalette(palette))
HRESULT FilterGraph::put_Visible(LONG visible) QD_FORWARD(IVideoWindow, put_Visible(visible))
HRESULT FilterGraph::get_Visible(LONG* visible) QD_FORWARD(IVideoWindow, get_Visible(visible))
HRESULT FilterGraph::put_Left(LONG left) QD_FORWARD(IVideoWindow, put_Left(left))
HRESULT FilterGraph::get_Left(LONG* left) QD_FORWARD(IVideoWindow, get_Left(left))
HRESULT FilterGraph::put_Width(LONG width) QD_FORWARD(IVideoWindow, put_Width(width))
HRESULT FilterGraph::get_Width(LONG* width) QD_FORWARD(IVideoWindow, get_Width(width))
HRESULT FilterGraph::put_Top(LONG top) QD_FORWARD(IVideoWindow, put_Top(top))
HRESULT FilterGraph::get_Top(LONG* top) QD_FORWARD(IVideoWindow, get_Top(top))
HRESULT FilterGraph::put_Height(LONG height) QD_FORWARD(IVideoWindow, put_Height(height))
HRESULT FilterGraph::get_Height(LONG* height) QD_FORWARD(IVideoWindow, get_Height(height))
HRESULT FilterGraph::put_Owner(OAHWND owner) QD_FORWARD(IVideoWindow, put_Owner(owner))
HRESULT FilterGraph::get_Owner(OAHWND* owner) QD_FORWARD(IVideoWindow, get_Owner(owner))
HRESULT FilterGraph::put_MessageDrain(OAHWND drain) QD_FORWARD(IVideoWindow, put_MessageDrain(drain))
HRESULT FilterGraph::get_MessageDrain(OAHWND* drain) QD_FORWARD(IVideoWindow, get_MessageDrain(drain))
HRESULT FilterGraph::get_BorderColor(LONG* color) QD_FORWARD(IVideoWindow, get_BorderColor(color))
HRESULT FilterGraph::put_BorderColor(LONG color) QD_FORWARD(IVideoWindow, put_BorderColor(color))
HRESULT FilterGraph::get_FullScreenMode(LONG* mode) QD_FORWARD(IVideoWindow, get_FullScreenMode(mode))
HRESULT FilterGraph::put_FullScreenMode(LONG mode) QD_FORWARD(IVideoWindow, put_FullScreenMode(mode))
HRESULT FilterGraph::SetWindowForeground(LONG focus) QD_FORWARD(IVideoWindow, SetWindowForeground(focus))
HRESULT FilterGraph::NotifyOwnerMessage(OAHWND window, LONG msg, LONG_PTR wParam, LONG_PTR lParam)
    QD_FORWARD(IVideoWindow, NotifyOwnerMessage(window, msg, wParam, lParam))
HRESULT FilterGraph::SetWindowPosition(LONG left, LONG top, LONG width, LONG height)
    QD_FORWARD(IVideoWindow, SetWindowPosition(left, top, width, height))
HRESULT FilterGraph::GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height)
    QD_FORWARD(IVideoWindow, GetWindowPosition(left, top, width, height))
HRESULT FilterGraph::GetMinIdealImageSize(LONG* width, LONG* height)
    QD_FORWARD(IVideoWindow, GetMinIdealImageSize(width, height))
HRESULT FilterGraph::GetMaxIdealImageSize(LONG* width, LONG* height)
    QD_FORWARD(IVideoWindow, GetMaxIdealImageSize(width, height))
HRESULT FilterGraph::GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height)
    QD_FORWARD(IVideoWindow, GetRestorePosition(left, top, width, height))
HRESULT FilterGraph::HideCursor(LONG hide) QD_FORWARD(IVideoWindow, HideCursor(hide))
HRESULT FilterGraph::IsCursorHidden(LONG* hidden) QD_FORWARD(IVideoWindow, IsCursorHidden(hidden))

HRESULT FilterGraph::put_Volume(LONG volume) QD_FORWARD(IBasicAudio, put_Volume(volume))
HRESULT FilterGraph::get_Volume(LONG* volume) QD_FORWARD(IBasicAudio, get_Volume(volume))
HRESULT FilterGraph::put_Balance(LONG balance) QD_FORWARD(IBasicAudio, put_Balance(balance))
HRESULT FilterGraph::get_Balance(LONG* balance) QD_FORWARD(IBasicAudio, get_Balance(balance))

#undef QD_FORWARD

}  // namespace media
