#include "platform/media/filters/media_classes.h"

#include <mutex>

#include "platform/com/com_runtime.h"
#include "platform/media/asf/asf_writer.h"
#include "platform/media/capture_builder/capture_graph_builder.h"
#include "platform/media/filters/avi_mux.h"
#include "platform/media/filters/dv_splitter.h"
#include "platform/media/filters/file_writer.h"
#include "platform/media/filters/renderers.h"
#include "platform/media/filters/sample_grabber.h"
#include "platform/media/filters/smart_tee.h"
#include "platform/media/graph/filter_graph.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/grabber.h"
#include "platform/media/interfaces/windows_media.h"

namespace media {

namespace {

using Creator = HRESULT (*)(IUnknown*, REFIID, void**);

// Every creator starts GStreamer first.
ClassCreator Started(Creator create) {
    return [create](IUnknown* outer, REFIID riid, void** object) -> HRESULT {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!EnsureGstStarted()) return E_FAIL;
        return create(outer, riid, object);
    };
}

HRESULT CreateFilterGraph(IUnknown*, REFIID riid, void** object) { return CreateComObject<FilterGraph>(riid, object); }

[[maybe_unused]] const bool kRegistered = [] {
    RegisterMediaClasses();
    return true;
}();

}  // namespace

void RegisterMediaClasses() {
    RegisterBuiltinClass(CLSID_FilterGraph, Started(CreateFilterGraph));
    RegisterBuiltinClass(CLSID_CaptureGraphBuilder2, Started(CreateCaptureGraphBuilder));
    RegisterBuiltinClass(CLSID_SmartTee, Started(CreateSmartTee));
    RegisterBuiltinClass(CLSID_DVSplitter, Started(CreateDVSplitter));
    RegisterBuiltinClass(CLSID_OverlayMixer, Started(CreateOverlayMixer));
    RegisterBuiltinClass(CLSID_VideoRenderer, Started(CreateVideoRenderer));
    RegisterBuiltinClass(CLSID_VideoRendererDefault, Started(CreateVideoRenderer));
    RegisterBuiltinClass(CLSID_DSoundRender, Started(CreateAudioRenderer));
    RegisterBuiltinClass(CLSID_AudioRender, Started(CreateAudioRenderer));
    RegisterBuiltinClass(CLSID_SampleGrabber, Started(CreateSampleGrabber));
    RegisterBuiltinClass(CLSID_NullRenderer, Started(CreateNullRenderer));
    RegisterBuiltinClass(CLSID_AviDest, Started(CreateAviMux));
    RegisterBuiltinClass(CLSID_FileWriter, Started(CreateFileWriter));
    RegisterBuiltinClass(CLSID_WMAsfWriter, Started(CreateAsfWriter));
}

}  // namespace media
