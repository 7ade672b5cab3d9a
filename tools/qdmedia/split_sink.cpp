#include "tools/qdmedia/split_sink.h"

#include <cstdio>

#include "common/module_interfaces.h"
#include "platform/com/com_runtime.h"
#include "platform/com/wide_text.h"
#include "platform/media/interfaces/file_writing.h"

namespace qdmedia {

ComPtr<IBaseFilter> AddSplitMultiplexer(Session& session, const RecordRequest& request) {
    ComPtr<IBaseFilter> mux;
    const HRESULT created =
        CoCreateInstance(CLSID_TalvinAVIMux, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, mux.ReleaseAndGetVoidAddress());
    if (FAILED(created)) {
        Failed(created, "CoCreateInstance TalvinAVIMux");
        std::fprintf(stderr, "qdmedia: register the multiplexer first: regsvr talvinmux.ax\n");
        return nullptr;
    }
    if (Failed(session.graph->AddFilter(mux.Get(), nullptr), "AddFilter TalvinAVIMux")) return nullptr;
    ComPtr<ITalvinAVIMux> control;
    ComPtr<IFileSinkFilter2> sink;
    if (Failed(mux->QueryInterface(IID_ITalvinAVIMux, control.ReleaseAndGetVoidAddress()), "QueryInterface ITalvinAVIMux") ||
        Failed(mux->QueryInterface(IID_IFileSinkFilter2, sink.ReleaseAndGetVoidAddress()), "QueryInterface IFileSinkFilter2") ||
        Failed(control->SetFileLayout(request.avi2 ? 1 : 0), "ITalvinAVIMux file layout"))
        return nullptr;
    if (request.splitFiles >= 0 &&
        Failed(control->SetSplitMaxFiles(static_cast<DWORD>(request.splitFiles)), "ITalvinAVIMux maximum files"))
        return nullptr;
    if (request.splitMegabytes >= 0 &&
        Failed(control->SetSplitMaxFileSize(static_cast<DWORD>(request.splitMegabytes)), "ITalvinAVIMux maximum size"))
        return nullptr;
    if (Failed(sink->SetFileName(Utf8ToWide(request.file).c_str(), nullptr), "IFileSinkFilter2 SetFileName") ||
        Failed(sink->SetMode(AM_FILE_OVERWRITE), "IFileSinkFilter2 SetMode"))
        return nullptr;
    return mux;
}

void PrintSplitStatistics(IBaseFilter* multiplexer) {
    ComPtr<ITalvinAVIMux> control;
    if (FAILED(multiplexer->QueryInterface(IID_ITalvinAVIMux, control.ReleaseAndGetVoidAddress()))) return;
    DWORD files = 0, video = 0, audio = 0, dropped = 0, samples = 0, inserted = 0, deleted = 0;
    double fps = 0, frequency = 0;
    control->GetFileCount(&files);
    control->GetStatistics(&video, &audio, &dropped, &samples);
    control->GetSyncCounts(&inserted, &deleted);
    control->GetMeasuredRates(&fps, &frequency);
    std::printf("files: %lu\nvideo frames in the files: %lu\naudio chunks: %lu\naudio samples: %lu\n"
                "frames dropped: %lu\nframes inserted: %lu\nframes deleted: %lu\n"
                "measured frames per second: %.3f\nmeasured sampling frequency: %.1f\n",
                static_cast<unsigned long>(files), static_cast<unsigned long>(video), static_cast<unsigned long>(audio),
                static_cast<unsigned long>(samples), static_cast<unsigned long>(dropped),
                static_cast<unsigned long>(inserted), static_cast<unsigned long>(deleted), fps, frequency);
}

}  // namespace qdmedia
