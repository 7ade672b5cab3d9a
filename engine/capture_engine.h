// The capture engine: owns the profile store, the device catalogue and one graph session,
// builds and runs the preview graph and reports every failed graph step to the message bar.
// It lives in the main window's client area and reaches it through the platform's window
// handles.
#pragma once

#include <cstdarg>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "common/failure_report.h"
#include "engine/device_catalog.h"
#include "engine/graph_session.h"
#include "platform/media/interfaces/win_types.h"
#include "profiles/profile_store.h"


// What a switch between two device profiles requires (CompareDeviceProfiles).
enum DeviceProfileChange : int {
    DeviceChangeNone = 0,
    DeviceChangeNewSession = 1,
    DeviceChangeNewGraph = 2,
};

class CCaptureEngine {
public:
    // `profileDirectory` ends with '/'; `messages` shows the profile store's message boxes.
    CCaptureEngine(std::string profileDirectory, IProfileMessageSink* messages);
    ~CCaptureEngine();
    CCaptureEngine(const CCaptureEngine&) = delete;
    CCaptureEngine& operator=(const CCaptureEngine&) = delete;

    // The engine's own window (the client pane) and the main frame around it.
    void SetWindows(HWND engineWindow, HWND frameWindow);
    // The message bar that collects failure reports; may be null (reports are then dropped).
    void SetMessageBar(IFailureReportSink* messageBar) { messageBar_ = messageBar; }

    CProfileStore& Store() { return store_; }
    const DeviceCatalog& Catalog() const { return catalog_; }
    const GraphSession& Session() const { return session_; }
    // The session's members, for callers that drive a control of the hardware directly.
    GraphSession& Session() { return session_; }
    const std::string& ProfileDirectory() const { return profileDirectory_; }

    // ---- Session ----
    HRESULT SelectCaptureDevices(CDeviceProfile* device);
    HRESULT CreateGraphSession(CDeviceProfile* device);
    void TearDownGraph();
    void DestroyGraphSession();
    void RemoveDownstream(IBaseFilter* filter);
    void RemoveDownstreamOfPin(IPin* pin);
    static int CompareDeviceProfiles(const CDeviceProfile* current, const CDeviceProfile* next);

    // ---- Preview ----
    HRESULT BuildPreviewGraph(CDeviceProfile* device, CFilterProfile* videoChain, CFilterProfile* audioChain,
                              BOOL fitWindow);
    void FitFrameToVideo(int width, int height, int retries);
    void FitFrameToMediaType(const AM_MEDIA_TYPE* type, int percent);
    // The frame sized to `percent` of the running video's own size.
    void FitFrameToVideoPercent(int percent);
    void ShowPreview(BOOL hide);
    // The engine window's new client size (its WM_SIZE).
    void OnSize(int width, int height);

    // ---- Compressors ----
    HRESULT BindCompressors(CCompressorProfile* profile);
    static HRESULT LoadFilterState(IBaseFilter* filter, const BYTE* data, ULONG length);
    // target 0: the video capture pin, 1: the video preview pin (from `device`), 2: the bound
    // video compressor (from `compressor`).
    void ApplyCompressionSettings(CDeviceProfile* device, CCompressorProfile* compressor, int target);
    void ApplyVideoDialogState(CCompressorProfile* compressor);
    void ApplyAudioFormat(CCompressorProfile* compressor);

    // ---- Filter chains ----
    // Puts the chain's filters one after another on `pin`, which becomes the last one's output.
    HRESULT InsertFilterChain(ComPtr<IPin>& pin, CFilterProfile* chain, BOOL video);
    HRESULT BuildChainGraph(CDeviceProfile* device);

    // ---- Recording ----
    HRESULT BuildCaptureGraph(CDeviceProfile* device, CCompressorProfile* compressor, CMuxProfile* mux,
                              CRecordProfile* reservation);
    // The output directory (with its separator) and name without extension of the last build,
    // and the name handed to the sink (with the extension; the splitting multiplexer's base).
    const std::string& OutputDirectory() const { return outputDirectory_; }
    const std::string& OutputFileName() const { return outputFileName_; }
    const std::string& SinkFileName() const { return sinkFile_; }
    // The file the last still image was (or would have been) written to.
    const std::string& StillImagePath() const { return stillPath_; }
    // Forgets the last build's file name, so that a build failing before it names its output
    // leaves no earlier recording's name behind.
    void ClearCaptureFilePath() { sinkFile_.clear(); }
    ULONGLONG FreeSpaceAtBuild() const { return freeSpaceAtBuild_; }
    ULONGLONG FileSizeAtBuild() const { return fileSizeAtBuild_; }
    std::size_t PendingHandleCount() const { return pendingHandles_.size(); }
    // The recording's size in MiB as the status display shows it: with `pseudo`, the free space
    // the recording has used since the graph was built (never below 0); otherwise the sum of
    // the watched output files, each rounded down to whole MiB, skipping one that cannot be read.
    DWORD RecordedSizeMiB(bool pseudo) const;

    // ---- Run control ----
    HRESULT StartCapture(CDeviceProfile* device, CMuxProfile* mux);
    HRESULT RunPreview();
    HRESULT StopGraph();
    HRESULT KillScreenSaver();
    void PrepareCaptureStreams();

    // ---- Device profiles on the hardware ----
    // Applies the profile's hardware settings in its priority order. A changed stream format
    // tears a standing graph down; the caller builds the preview again.
    void ApplyDeviceProfile(CDeviceProfile* device);
    // Only the channel and the TV audio mode.
    void ApplyTunerAndTvAudio(CDeviceProfile* device);
    void ReadTunerAndTvAudio(CDeviceProfile* device);
    // Fills the profile's hardware fields from the live session.
    void ReadDeviceProfile(CDeviceProfile* device);
    // The channel profile named by the current device profile becomes the current one.
    void SelectChannelProfile();

    // ---- Still image ----
    // The still-image command: leaves full screen, stops and tears down the running graph,
    // takes the still image for `device`, then builds and runs the preview again. Returns
    // what CaptureStillImage returned; failures have been reported.
    HRESULT StillImageCommand(CDeviceProfile* device);
    // Saves one frame of the video capture pin as a BMP file named by the options. The graph
    // must be stopped and torn down before; the call leaves it torn down. It blocks until the
    // frame has come, for at most ten seconds. E_POINTER, without a report, when the session
    // has no graph, builder or video capture filter.
    HRESULT CaptureStillImage(CDeviceProfile* device);
    // The session's Null Renderer, created and added to the graph.
    HRESULT AddNullRenderer();
    // One stream of `source` (a filter, with category and type as the capture graph builder
    // takes them, or one output pin) rendered, through `through` when given, into the
    // session's Null Renderer, which is added first when the session has none. A failed
    // render is returned, not reported.
    HRESULT RenderStreamToNullRenderer(const GUID* category, const GUID* type, IUnknown* source,
                                       IBaseFilter* through);

    void ReportFailure(HRESULT hr, BOOL beep, const char* format, ...) __attribute__((format(printf, 4, 5)));

private:
    // How one preview build routes its streams, settled when the build starts.
    struct PreviewPlan {
        CFilterProfile* videoChain = nullptr;  // null: no video effect chain
        CFilterProfile* audioChain = nullptr;  // null: no audio effect chain
        bool viaCapturePin = false;
        bool videoTimestamped = false;
        bool audioTimestamped = false;
        bool chainForcesCapturePin = false;
    };
    enum class PreviewPictureSource { PreviewPin, CapturePinTee, CaptureChain };

    // The capture pin's format before a still image switched it, to be put back afterwards.
    struct StillFormatSwitch {
        bool switched = false;
        GUID subtype{};
        LONG width = 0;
        LONG height = 0;
    };
    HRESULT AddStillGrabber();
    StillFormatSwitch SwitchStillFormat(const CDeviceProfile* device);
    void RestoreStillFormat(const StillFormatSwitch& formatSwitch);
    HRESULT ShootStillImage(const std::string& path);
    HRESULT ChooseStillSource(const GUID*& category, ComPtr<IUnknown>& source);
    void ShowStillVideoPort();
    HRESULT RunStillGraph();
    void RestoreCompletionHandling();
    HRESULT SaveGrabbedFrame(const std::string& path);
    HRESULT CopyGrabbedFrame(const BITMAPINFOHEADER& header, BYTE* bits, LONG* size);
    HRESULT WriteStillFile(const std::string& path, const BITMAPINFOHEADER& header, const BYTE* bits, LONG size);

    HRESULT FindSessionPins(CDeviceProfile* device);
    void FindCaptureInterfaces();
    HRESULT PutFilterOnPin(const CLSID& clsid, const char* name, ComPtr<IBaseFilter>& filter, IPin* pin);
    HRESULT TakeOutputPin(IBaseFilter* filter, const GUID* type, int index, const char* label, ComPtr<IPin>& out);
    HRESULT PutSmartTee(ComPtr<IPin>& source, ComPtr<IPin>& captureOut, ComPtr<IPin>& previewOut, bool audio);
    HRESULT PutDvSplitter(ComPtr<IBaseFilter>& splitter, IPin* source, ComPtr<IPin>& videoOut, ComPtr<IPin>* audioOut);
    bool IsDvPin(IPin* pin);
    // How one recording build routes its streams.
    struct RecordingPlan {
        CDeviceProfile* device = nullptr;
        CCompressorProfile* compressor = nullptr;
        CMuxProfile* mux = nullptr;
        CFilterProfile* videoChain = nullptr;  // null: no video effect chain
        CFilterProfile* audioChain = nullptr;
        bool RecordsVideo() const;
        bool PreviewsVideo() const;
        bool RecordsAudio() const;
        bool PreviewsAudio() const;
        bool VideoTeeAfterChain() const;  // the preview shows the filtered picture
        bool AudioTeeAfterChain() const;
    };

    static ComPtr<IMoniker> FindCatalogMoniker(const std::vector<ComPtr<IMoniker>>& list, const std::string& friendlyName,
                                              const std::string& displayName);
    HRESULT BindCompressor(const ComPtr<IMoniker>& previous, const ComPtr<IMoniker>& entry, ComPtr<IBaseFilter>& filter,
                           const char* label);
    void ApplyPinCompression(const VideoCompressionSettings& settings, IPin* pin, const char* pinName);
    void ApplyCompressorSettings(const CCompressorProfile& profile);
    void ApplyCompressorDataRate(IPin* output, DWORD dataRate);
    HRESULT FindAudioCompressorConfig(ComPtr<IAMStreamConfig>& config);
    ComPtr<IMoniker> FindChainFilter(const CFilterNode& node) const;
    HRESULT FindRecordingChain(const CDeviceProfile* device, bool video, CFilterProfile*& chain);
    HRESULT SplitDvOnCapturePath(const CDeviceProfile& device, bool recording);
    static bool IsConnected(IPin* pin);
    void ApplyConnectedPinCompression(CDeviceProfile* device);

    void NameOutput(const CRecordProfile* reservation);
    HRESULT CheckOutputDirectory(const char* sinkLabel);
    HRESULT CreateSink(const RecordingPlan& plan);
    HRESULT CreateAviMuxSink(const CMuxProfile* mux);
    HRESULT CreateAsfWriterSink(const CCompressorProfile& compressor, const CMuxProfile* mux);
    void ApplyWindowsMediaInputSettings(const CCompressorProfile& compressor);
    HRESULT CreateSplittingMuxSink(const CMuxProfile& mux);
    void PassSplittingMuxSettings(const CMuxProfile& mux);
    void WatchOutputSizes(const RecordingPlan& plan);
    void ClosePendingHandles();
    bool RecordingSourcesPresent(const CDeviceProfile* device, const CCompressorProfile* compressor) const;
    HRESULT RepairCaptureTimestamps(const CDeviceProfile* device);
    HRESULT TeeRecordedVideo(const RecordingPlan& plan);
    HRESULT ChainRecordedVideo(const RecordingPlan& plan);
    HRESULT SplitDvOnRecordingPreview();
    HRESULT RenderVideoCapture(const RecordingPlan& plan);
    HRESULT TeeRecordedAudio(const RecordingPlan& plan);
    HRESULT ChainRecordedAudio(const RecordingPlan& plan);
    HRESULT RenderAudioCapture(const RecordingPlan& plan);
    void SizeFrameForRecording(CDeviceProfile* device);
    HRESULT BuildRecordingPreview(const RecordingPlan& plan);
    void ConnectRecordingVideoPort(const RecordingPlan& plan);
    void RenderRecordedClosedCaptions(const CDeviceProfile* device);
    void RenderTimeShift(const RecordingPlan& plan);

    void UseRecordingClock(const CDeviceProfile* device);
    void ControlRecordedStream(IBaseFilter* source, const GUID* type, REFERENCE_TIME start, const char* label);
    const GUID* RecordedVideoType(const CDeviceProfile* device);
    void TakeClockAdjust();
    HRESULT FindFilterChain(CDeviceProfile* device, bool video, CFilterProfile*& chain);
    HRESULT ReadySessionForPreview(const CDeviceProfile* device);
    void SizeWindowsForPreview(CDeviceProfile* device);
    PreviewPlan BeginPreviewBuild(const CDeviceProfile* device, CFilterProfile* videoChain, CFilterProfile* audioChain);
    PreviewPictureSource ChoosePreviewPictureSource(const PreviewPlan& plan) const;
    HRESULT RoutePreviewPicture(const PreviewPlan& plan);
    HRESULT SplitDvOnPreviewPin();
    HRESULT SplitDvBehindCaptureTee();
    HRESULT SplitDvAndChainOnCapturePin(const PreviewPlan& plan);
    HRESULT TeeVideoCaptureForPreview(const PreviewPlan& plan);
    void TakeVideoWindow();
    HRESULT ConnectHiddenVideoPort(const CDeviceProfile* device, const PreviewPlan& plan);
    HRESULT RenderVideoPreview(CDeviceProfile* device);
    HRESULT RenderClosedCaptions(const CDeviceProfile* device);
    HRESULT RoutePreviewSound(const PreviewPlan& plan);
    HRESULT RenderAudioPreview(const CDeviceProfile* device);
    void SendGraphEventsToFrame();
    void FinishPreviewBuild(CDeviceProfile* device);
    void AttachVideoWindow(bool visible, BOOL beep = TRUE);
    void SizeFrameByMode(CDeviceProfile* device);
    void WriteBackAllocators(CDeviceProfile* device);
    void SetScreenSaverAllowed(bool allowed, BOOL beep);
    void SetMonitorPowerSavingAllowed(bool allowed, BOOL beep);
    void ClientSize(LONG* width, LONG* height) const;
    // Device profile items (device_profile_apply.cpp); `tornDown` tells whether this apply
    // already stopped and tore down the standing graph.
    struct ApplyPass {
        bool graphStood = false;
        bool tornDown = false;
    };
    void ApplyTvTuner(const CDeviceProfile& device);
    void PutTunerChannel(const CDeviceProfile& device, BOOL beep);
    void PutTvAudioMode(const CDeviceProfile& device, BOOL beep);
    void ApplyDecoder(const CDeviceProfile& device);
    void ApplyCrossbar(IAMCrossbar* crossbar, const std::array<DWORD, kCrossbarOutputs>& routing);
    void ApplyProcAmp(const CDeviceProfile& device);
    void ApplyVideoStreamConfig(const CDeviceProfile& device, int pin, ApplyPass& pass);
    void ApplyAudioStreamConfig(const CDeviceProfile& device, int pin, ApplyPass& pass);
    void ApplyInputMixer(const CDeviceProfile& device);
    void ApplyAllocator(const CDeviceProfile& device, int pin);
    void TearDownOnce(ApplyPass& pass);
    HRESULT RenderPinIntoNullRenderer(IPin* pin);

    std::string profileDirectory_;
    DeviceCatalog catalog_;
    CProfileStore store_;
    std::list<ComPtr<IBaseFilter>> insertedVideoFilters_, insertedAudioFilters_;
    std::vector<HANDLE> pendingHandles_;  // output files watched while recording
    std::string outputDirectory_, outputFileName_, sinkFile_, stillPath_;
    ULONGLONG freeSpaceAtBuild_ = 0, fileSizeAtBuild_ = 0;
    GraphSession session_;
    IFailureReportSink* messageBar_ = nullptr;
    HWND window_ = nullptr;
    HWND frame_ = nullptr;
    bool comInitialized_ = false;
};
