// The capture graph builder: finding pins and interfaces along a graph, rendering streams,
// controlling their start and stop, and the capture file.
#pragma once

#include "platform/com/unknown.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/win_types.h"

struct IFileSinkFilter;

struct IAMCopyCaptureFileProgress : IUnknown {
    // Percent done, 0..100; anything but S_OK cancels the copy.
    virtual HRESULT Progress(int progress) = 0;
};
QD_DECLARE_IID(IAMCopyCaptureFileProgress, MakeGuid("670d1d20-a068-11d0-b3f0-00aa003761c5"));

// Values of FindInterface's pCategory that limit the search to one direction.
inline constexpr GUID LOOK_UPSTREAM_ONLY = MakeGuid("ac798be0-98e3-11d1-b3f1-00aa003761c5");
inline constexpr GUID LOOK_DOWNSTREAM_ONLY = MakeGuid("ac798be1-98e3-11d1-b3f1-00aa003761c5");

struct ICaptureGraphBuilder2 : IUnknown {
    virtual HRESULT SetFiltergraph(IGraphBuilder* graph) = 0;
    virtual HRESULT GetFiltergraph(IGraphBuilder** graph) = 0;
    virtual HRESULT SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** multiplexer,
                                      IFileSinkFilter** sink) = 0;
    virtual HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID riid,
                                  void** object) = 0;
    virtual HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                 IBaseFilter* intermediate, IBaseFilter* sink) = 0;
    virtual HRESULT ControlStream(const GUID* category, const GUID* type, IBaseFilter* filter,
                                  REFERENCE_TIME* start, REFERENCE_TIME* stop, WORD startCookie,
                                  WORD stopCookie) = 0;
    virtual HRESULT AllocCapFile(LPCOLESTR file, DWORDLONG size) = 0;
    virtual HRESULT CopyCaptureFile(LPOLESTR oldFile, LPOLESTR newFile, int allowEscAbort,
                                    IAMCopyCaptureFileProgress* callback) = 0;
    virtual HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category, const GUID* type,
                            BOOL unconnected, int index, IPin** pin) = 0;
};
QD_DECLARE_IID(ICaptureGraphBuilder2, MakeGuid("93e5a4e0-2d50-11d2-abfa-00a0c9c6e38d"));
