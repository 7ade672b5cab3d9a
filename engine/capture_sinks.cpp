// Where a recording goes: the output name, the sink that writes it (the platform's AVI
// multiplexer, the ASF writer or the splitting AVI multiplexer) and the size baselines the
// statistics compare the growing files with.
#include <cstdio>

#include "common/path_utils.h"
#include "engine/capture_engine.h"
#include "platform/com/com_runtime.h"
#include "platform/media/interfaces/file_writing.h"
#include "platform/media/interfaces/windows_media.h"
#include "platform/system/codepage.h"
#include "platform/system/disk_space.h"
#include "platform/system/last_error.h"
#include "platform/system/local_time.h"
#include "platform/system/watched_file.h"

namespace {

constexpr REFERENCE_TIME kDefaultInterleavePeriod = 10'000'000;  // one second
constexpr DWORD kDeinterlaceInverseTelecine = 4;

std::u16string Wide(const std::string& name) { return AnsiToWide(name); }

}  // namespace

// The directory and the name without extension, from the reservation or else the options.
void CCaptureEngine::NameOutput(const CRecordProfile* reservation) {
    const COptionProfile& options = store_.Options;
    outputDirectory_ = reservation ? reservation->Dir : options.MovieDir;
    AppendBackslash(outputDirectory_);
    const std::string& file = reservation ? reservation->File : options.MovieFile;
    const DWORD naming = reservation ? reservation->FileMode : options.MovieNaming;
    outputFileName_ = outputDirectory_ + file;
    // Without a name the file would be only its extension (hidden, and overwritten by the next
    // recording): it is then named by its date and time.
    if (naming == 1 || file.empty()) {
        if (!file.empty()) outputFileName_ += "-";
        outputFileName_ += FormatLocalTimeNow("%Y%m%d-%H%M%S");
    }
    sinkFile_ = outputFileName_;
}

// A directory that cannot take the output is refused before the sink joins the graph, with
// the sink's own label, so nothing of the recording stays behind in the graph.
HRESULT CCaptureEngine::CheckOutputDirectory(const char* sinkLabel) {
    if (CanCreateFilesIn(outputDirectory_.c_str())) return S_OK;
    const HRESULT hr = HResultFromLastError();
    ReportFailure(FAILED(hr) ? hr : E_FAIL, TRUE, "%s", sinkLabel);
    return FAILED(hr) ? hr : E_FAIL;
}

HRESULT CCaptureEngine::CreateSink(const RecordingPlan& plan) {
    if (plan.compressor && plan.compressor->Kind == CCompressorProfile::KindWindowsMedia)
        return CreateAsfWriterSink(*plan.compressor, plan.mux);
    if (plan.compressor && plan.compressor->Kind != CCompressorProfile::KindCodecFilters) return S_OK;
    if (!plan.mux || plan.mux->MuxMode == 0) return CreateAviMuxSink(plan.mux);
    if (plan.mux->MuxMode == 1 || plan.mux->MuxMode == 2) return CreateSplittingMuxSink(*plan.mux);
    return S_OK;
}

HRESULT CCaptureEngine::CreateAviMuxSink(const CMuxProfile* mux) {
    GraphSession& s = session_;
    sinkFile_ += ".avi";
    HRESULT hr = CheckOutputDirectory("ICaptureGraphBuilder2 SetOutputFileName");
    if (FAILED(hr)) return hr;
    ComPtr<IFileSinkFilter> writerSink;
    hr = s.CaptureBuilder->SetOutputFileName(&MEDIASUBTYPE_Avi, Wide(sinkFile_).c_str(), s.Sink.ReleaseAndGetAddressOf(),
                                             writerSink.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "ICaptureGraphBuilder2 SetOutputFileName");
        return hr;
    }
    writerSink.As(&s.FileWriter);
    if (FAILED(hr = writerSink.As(&s.FileSink)))
        ReportFailure(hr, FALSE, "QueryInterface IFileSinkFilter2");
    else if (FAILED(hr = s.FileSink->SetMode(mux ? mux->TruncateMode : 0)))
        ReportFailure(hr, FALSE, "IFileSinkFilter2 SetMode");

    ComPtr<IConfigAviMux> config;
    if (FAILED(hr = s.Sink.As(&config))) {
        ReportFailure(hr, FALSE, "QueryInterface IConfigAviMux");
    } else {
        if (FAILED(hr = config->SetOutputCompatibilityIndex(mux ? static_cast<BOOL>(mux->MSCompatIndex) : TRUE)))
            ReportFailure(hr, FALSE, "IConfigAviMux SetOutputCompatibilityIndex");
        if (FAILED(hr = config->SetMasterStream(mux ? mux->MSMasterStream : -1)))
            ReportFailure(hr, FALSE, "IConfigAviMux SetMasterStream");
    }
    ComPtr<IConfigInterleaving> interleaving;
    if (FAILED(hr = s.Sink.As(&interleaving))) {
        ReportFailure(hr, FALSE, "QueryInterface IConfigInterleaving");
    } else {
        const auto mode = mux ? static_cast<InterleavingMode>(mux->InterleaveMode) : INTERLEAVE_NONE;
        const REFERENCE_TIME period = mux ? mux->InterleavePeriod : kDefaultInterleavePeriod;
        const REFERENCE_TIME preroll = mux ? mux->AudioPreroll : 0;
        if (FAILED(hr = interleaving->put_Mode(mode))) ReportFailure(hr, FALSE, "IConfigInterleaving put_Mode");
        if (FAILED(hr = interleaving->put_Interleaving(&period, &preroll)))
            ReportFailure(hr, FALSE, "IConfigInterleaving put_Interleaving");
    }
    return S_OK;
}

HRESULT CCaptureEngine::CreateAsfWriterSink(const CCompressorProfile& compressor, const CMuxProfile* mux) {
    GraphSession& s = session_;
    sinkFile_ += ".wmv";
    HRESULT hr = CoCreateInstance(CLSID_WMAsfWriter, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(s.Sink.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "CoCreateInstance WMAsfWriter");
        return hr;
    }
    if (FAILED(hr = CheckOutputDirectory("IFileSinkFilter2 SetFileName"))) return hr;
    if (FAILED(hr = s.Graph->AddFilter(s.Sink.Get(), nullptr))) {
        ReportFailure(hr, TRUE, "AddFilter WMAsfWriter");
        return hr;
    }
    if (FAILED(hr = s.Sink.As(&s.FileSink))) {
        ReportFailure(hr, TRUE, "QueryInterface IFileSinkFilter2");
        return hr;
    }
    if (FAILED(hr = s.FileSink->SetFileName(Wide(sinkFile_).c_str(), nullptr))) {
        ReportFailure(hr, TRUE, "IFileSinkFilter2 SetFileName");
        return hr;
    }
    if (FAILED(hr = s.FileSink->SetMode(mux ? mux->TruncateMode : 0))) ReportFailure(hr, FALSE, "IFileSinkFilter2 SetMode");
    ComPtr<IConfigAsfWriter> config;
    if (FAILED(hr = s.Sink.As(&config))) {
        ReportFailure(hr, TRUE, "QueryInterface IConfigAsfWriter");
        return hr;
    }
    if (FAILED(hr = config->SetIndexMode(static_cast<BOOL>(compressor.WMIndex))))
        ReportFailure(hr, FALSE, "IConfigAsfWriter SetIndexMode");
    ComPtr<IWMProfile> profile = catalog_.FindWindowsMediaProfile(compressor.WMProfileName);
    if (!profile) {
        ReportFailure(E_FAIL, TRUE, "NotFound IWMProfile");
        return E_FAIL;
    }
    if (FAILED(hr = config->ConfigureFilterUsingProfile(profile.Get()))) {
        ReportFailure(hr, TRUE, "IConfigAsfWriter ConfigureFilterUsingProfile");
        return hr;
    }
    ApplyWindowsMediaInputSettings(compressor);
    return S_OK;
}

// The deinterlacing of the writer's video input, and the telecine pattern when it is undone.
void CCaptureEngine::ApplyWindowsMediaInputSettings(const CCompressorProfile& compressor) {
    ComPtr<IServiceProvider> services;
    HRESULT hr = session_.Sink.As(&services);
    if (FAILED(hr)) {
        ReportFailure(hr, FALSE, "QueryInterface IServiceProvider");
        return;
    }
    ComPtr<IWMWriterAdvanced2> writer;
    if (FAILED(hr = services->QueryService(IID_IWMWriterAdvanced2, IID_IWMWriterAdvanced2, writer.ReleaseAndGetVoidAddress()))) {
        ReportFailure(hr, FALSE, "QueryService IWMWriterAdvanced2");
        return;
    }
    const DWORD mode = compressor.WMDeinterlaceMode;
    if (FAILED(hr = writer->SetInputSetting(1, u"DeinterlaceMode", WMT_TYPE_DWORD, reinterpret_cast<const BYTE*>(&mode), 4)))
        ReportFailure(hr, FALSE, "IWMWriterAdvanced2 SetInputSetting DeinterlaceMode");
    if (mode != kDeinterlaceInverseTelecine) return;
    const DWORD pattern = compressor.WMInverseTelecine;
    if (FAILED(hr = writer->SetInputSetting(1, u"InitialPatternForInverseTelecine", WMT_TYPE_DWORD,
                                            reinterpret_cast<const BYTE*>(&pattern), 4)))
        ReportFailure(hr, FALSE, "IWMWriterAdvanced2 SetInputSetting InitialPatternForInverseTelecine");
}

HRESULT CCaptureEngine::CreateSplittingMuxSink(const CMuxProfile& mux) {
    GraphSession& s = session_;
    if (mux.MuxMode == 1) sinkFile_ += "-";
    HRESULT hr = CoCreateInstance(CLSID_TalvinAVIMux, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(s.Sink.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "CoCreateInstance TalvinAVIMux");
        return hr;
    }
    if (FAILED(hr = CheckOutputDirectory("IFileSinkFilter2 SetFileName"))) return hr;
    if (FAILED(hr = s.Graph->AddFilter(s.Sink.Get(), nullptr))) {
        ReportFailure(hr, TRUE, "AddFilter TalvinAVIMux");
        return hr;
    }
    if (FAILED(hr = s.Sink.As(&s.FileSink))) {
        ReportFailure(hr, TRUE, "QueryInterface IFileSinkFilter2");
        return hr;
    }
    if (FAILED(hr = s.Sink.As(&s.AviMuxControl))) {
        ReportFailure(hr, TRUE, "QueryInterface ITalvinAVIMux");
        return hr;
    }
    s.AviMuxControl->SetFileLayout(mux.MuxMode == 1 ? 0 : 1);
    const AM_MEDIA_TYPE empty{};
    if (FAILED(hr = s.FileSink->SetFileName(Wide(sinkFile_).c_str(), &empty))) {
        ReportFailure(hr, TRUE, "IFileSinkFilter2 SetFileName");
        return hr;
    }
    if (FAILED(hr = s.FileSink->SetMode(mux.TruncateMode))) ReportFailure(hr, FALSE, "IFileSinkFilter2 SetMode");
    PassSplittingMuxSettings(mux);
    if (store_.Options.TimeShiftEnable && FAILED(hr = s.Sink.As(&s.TimeShiftControl)))
        ReportFailure(hr, FALSE, "QueryInterface ITalvinTimeShift");
    return S_OK;
}

// The profile's settings, in the order the multiplexer expects them; the AVI 2.0 layout has
// no splitting, so the splitting settings are left out for it. Results are not checked: a
// setting the multiplexer refuses keeps its own value.
void CCaptureEngine::PassSplittingMuxSettings(const CMuxProfile& mux) {
    ITalvinAVIMux* m = session_.AviMuxControl.Get();
    const bool splits = mux.MuxMode == 1;
    if (splits) m->SetSplitMaxFiles(mux.SplitMaxFiles);
    if (splits) m->SetSplitMaxFileSize(mux.SplitMaxFileSizeMB);
    m->SetVideoBuffers(mux.VideoBuffers, mux.Reserved1);
    if (splits) m->SetSplitFrames(mux.SplitVideoFrames, mux.SplitAudioFrames);
    m->SetDropThreshold(mux.DropThreshold);
    m->SetMaxConcurrentWrites(mux.MaxConcurrentWrites, mux.Reserved2);
    m->SetAudioSyncEnable(mux.AudioSyncEnable);
    m->SetAudioSyncThreshold(mux.AudioSyncThreshold);
    m->SetAudioSyncSensitivity(mux.AudioSyncSensitivity);
    m->SetAudioSyncStartTime(mux.AudioSyncStartTime);
    if (splits) m->SetSplitMode(mux.SplitMode);
    m->SetDelayHandling(mux.VideoDelayHandling, mux.AudioDelayHandling);
    if (splits) m->SetNoDroppedFirstFrame(mux.NoDroppedFirstFrame);
    m->SetTimeProperty(mux.VideoTimeProperty, mux.AudioTimeProperty);
    m->SetForcedAudioSyncPoint(mux.ForcedAudioSyncPoint);
    m->SetZeroFillPadding(mux.ZeroFillPadding);
    m->SetOwnMasterStream(mux.OwnMasterStream);
    m->SetRateHandling(mux.FpsHandling, mux.SampleRateHandling);
    m->SetAvgTimePerFrame(mux.AvgTimePerFrame, mux.SetAvgTimePerFrame);
    m->SetSamplingFrequency(mux.SamplingFrequency, mux.SetSamplingFrequency);
    m->SetChangeOutputFormat(mux.ChangeVideoOutputFormat, mux.ChangeAudioOutputFormat);
    m->SetDiscardNegative(mux.DiscardNegativeVideo, mux.DiscardNegativeAudio);
}

// The output files are held open for reading while the recording runs, so their growth can
// be measured; the free space and their sizes now are the baselines.
void CCaptureEngine::WatchOutputSizes(const RecordingPlan& plan) {
    std::vector<std::string> files;
    const bool windowsMedia = plan.compressor && plan.compressor->Kind == CCompressorProfile::KindWindowsMedia;
    const DWORD muxMode = plan.mux ? plan.mux->MuxMode : 0;
    if (windowsMedia || muxMode == 0) {
        if (session_.Sink) files.push_back(sinkFile_);
    } else if (plan.compressor && plan.compressor->Kind == CCompressorProfile::KindCodecFilters && muxMode == 1) {
        for (DWORD index = 0; index < plan.mux->SplitMaxFiles; ++index) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "%03lu.avi", static_cast<unsigned long>(index));
            files.push_back(sinkFile_ + suffix);
        }
    } else if (plan.compressor && plan.compressor->Kind == CCompressorProfile::KindCodecFilters && muxMode == 2) {
        files.push_back(sinkFile_ + ".avi");
    }
    for (const std::string& file : files) {
        HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_FLAG_NO_BUFFERING, nullptr);
        if (handle != INVALID_HANDLE_VALUE) pendingHandles_.push_back(handle);
    }
    ULARGE_INTEGER available{}, total{}, free{};
    freeSpaceAtBuild_ = GetDiskFreeSpaceExA(outputDirectory_.empty() ? "." : outputDirectory_.c_str(), &available, &total, &free) ? free.QuadPart : 0;
    fileSizeAtBuild_ = 0;
    for (HANDLE handle : pendingHandles_) {
        LARGE_INTEGER size{};
        if (GetFileSizeEx(handle, &size)) fileSizeAtBuild_ += static_cast<ULONGLONG>(size.QuadPart);
    }
}

void CCaptureEngine::ClosePendingHandles() {
    for (HANDLE handle : pendingHandles_) CloseHandle(handle);
    pendingHandles_.clear();
}
