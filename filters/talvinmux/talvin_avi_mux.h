// CTalvinAviMux: the splitting AVI multiplexer. Input pins "Video" (a video type with a
// VIDEOINFOHEADER or VIDEOINFOHEADER2 format) and "Audio" (a WAVEFORMATEX format); the files
// are named by IFileSinkFilter2::SetFileName's base name and written by AviWriter in the
// layout method 21 chooses. The settings and what each does are listed in mux_settings.h.
//
// The files open when the graph pauses (in a plain pipeline whose types come with the caps:
// with the first sample once every linked input has its type; samples before that are held,
// bounded, and written first: early_samples.h) and are finished (indexes, final headers, flushed to the disk) when every connected
// input has ended or the graph stops, whichever comes first. An existing file of a
// piece's name is always replaced (either SetMode flag; the mode is kept and reported), so no
// bytes of an older recording are read as part of this one.
//
// Events to the graph: 0x8001 (EC_USER + 1) once the file count or size limits end the
// recording; EC_ERRORABORT with the write failure when a write fails (the piece is closed as a
// valid file first); nothing more is written after either.
//
// Two outputs, "Video Out" and "Audio Out", exist always and carry the recorded types for
// time-shift viewing; they stay unconnected unless the graph renders them. When one of them is
// connected, a TimeShiftPlayer plays the recording back from its files for as long as the files
// are open: made when they open, stopped and joined before they are finished. It reads the
// files, never the writer, so playback costs the recording nothing. Its frames leave through the
// outputs on a timeline that restarts (both outputs together) at each new playback segment;
// frames before the position that a decoder needs are sent decode-only. Audio plays at speed
// 100 only. ITalvinTimeShift is forwarded to the player and answers VFW_E_WRONG_STATE while
// there is none (no output connected, no recording running).
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "common/module_interfaces.h"
#include "filters/talvinmux/avi_writer.h"
#include "filters/talvinmux/early_samples.h"
#include "filters/talvinmux/mux_settings.h"
#include "filters/talvinmux/stream_timing.h"
#include "filters/talvinmux/timeshift/time_shift_player.h"
#include "platform/media/base/multi_pin_filter.h"
#include "platform/media/interfaces/file_writing.h"
#include "platform/media/interfaces/filter_registration.h"

class CTalvinAviMux final : public ComExtend<CMultiPinFilter, IFileSinkFilter2, ITalvinAVIMux, ITalvinTimeShift> {
public:
    static constexpr int kVideo = 0, kAudio = 1;

    static IUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);
    CTalvinAviMux();

    // IFileSinkFilter2
    HRESULT SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) override;
    HRESULT SetMode(DWORD flags) override;
    HRESULT GetMode(DWORD* flags) override;

    // ITalvinAVIMux
    HRESULT SetSplitMaxFiles(DWORD files) override;
    HRESULT GetSplitMaxFiles(DWORD* files) override;
    HRESULT SetSplitMaxFileSize(DWORD megabytes) override;
    HRESULT GetSplitMaxFileSize(DWORD* megabytes) override;
    HRESULT SetVideoBuffers(DWORD buffers, DWORD reserved1) override;
    HRESULT GetVideoBuffers(DWORD* buffers, DWORD* reserved1) override;
    HRESULT SetSplitFrames(DWORD videoFrames, DWORD audioFrames) override;
    HRESULT GetSplitFrames(DWORD* videoFrames, DWORD* audioFrames) override;
    HRESULT SetDropThreshold(double frames) override;
    HRESULT GetDropThreshold(double* frames) override;
    HRESULT SetMaxConcurrentWrites(DWORD writes, DWORD reserved2) override;
    HRESULT GetMaxConcurrentWrites(DWORD* writes, DWORD* reserved2) override;
    HRESULT SetAudioSyncEnable(DWORD enable) override;
    HRESULT GetAudioSyncEnable(DWORD* enable) override;
    HRESULT SetAudioSyncThreshold(double frames) override;
    HRESULT GetAudioSyncThreshold(double* frames) override;
    HRESULT SetAudioSyncSensitivity(DWORD sensitivity) override;
    HRESULT GetAudioSyncSensitivity(DWORD* sensitivity) override;
    HRESULT SetAudioSyncStartTime(REFERENCE_TIME start) override;
    HRESULT GetAudioSyncStartTime(REFERENCE_TIME* start) override;
    HRESULT SetFileLayout(DWORD layout) override;
    HRESULT GetFileLayout(DWORD* layout) override;
    HRESULT SetSplitMode(DWORD mode) override;
    HRESULT GetSplitMode(DWORD* mode) override;
    HRESULT SetDelayHandling(DWORD video, DWORD audio) override;
    HRESULT GetDelayHandling(DWORD* video, DWORD* audio) override;
    HRESULT SetTimeProperty(DWORD video, DWORD audio) override;
    HRESULT GetTimeProperty(DWORD* video, DWORD* audio) override;
    HRESULT SetNoDroppedFirstFrame(DWORD enable) override;
    HRESULT GetNoDroppedFirstFrame(DWORD* enable) override;
    HRESULT SetForcedAudioSyncPoint(DWORD enable) override;
    HRESULT GetForcedAudioSyncPoint(DWORD* enable) override;
    HRESULT SetZeroFillPadding(DWORD enable) override;
    HRESULT GetZeroFillPadding(DWORD* enable) override;
    HRESULT SetOwnMasterStream(DWORD stream) override;
    HRESULT GetOwnMasterStream(DWORD* stream) override;
    HRESULT SetRateHandling(DWORD fps, DWORD sampleRate) override;
    HRESULT GetRateHandling(DWORD* fps, DWORD* sampleRate) override;
    HRESULT SetDiscardNegative(DWORD video, DWORD audio) override;
    HRESULT GetDiscardNegative(DWORD* video, DWORD* audio) override;
    HRESULT SetSamplingFrequency(DWORD hertz, DWORD use) override;
    HRESULT GetSamplingFrequency(DWORD* hertz, DWORD* use) override;
    HRESULT SetAvgTimePerFrame(REFERENCE_TIME timePerFrame, DWORD use) override;
    HRESULT GetAvgTimePerFrame(REFERENCE_TIME* timePerFrame, DWORD* use) override;
    HRESULT SetChangeOutputFormat(DWORD video, DWORD audio) override;
    HRESULT GetChangeOutputFormat(DWORD* video, DWORD* audio) override;
    HRESULT SetVideoHandler(DWORD fourcc) override;
    HRESULT GetVideoHandler(DWORD* fourcc) override;
    HRESULT GetFileCount(DWORD* files) override;
    HRESULT GetSyncCounts(DWORD* inserted, DWORD* deleted) override;
    HRESULT GetStatistics(DWORD* videoFrames, DWORD* audioFrames, DWORD* dropped, DWORD* audioSamples) override;
    HRESULT GetMeasuredRates(double* framesPerSecond, double* samplingFrequency) override;

    // ITalvinTimeShift
    HRESULT SetSpeed(LONG percent) override;
    HRESULT Live() override;
    HRESULT PausePlayback() override;
    HRESULT Seek(LONG seconds) override;
    HRESULT GetPosition(LONG* position, LONG* length) override;

    // IPersist
    HRESULT GetClassID(CLSID* classId) override;

    // CMultiPinFilter
    HRESULT CheckInputType(int input, const AM_MEDIA_TYPE* type) override;
    HRESULT GetOutputType(int output, int position, AM_MEDIA_TYPE* type) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Receive(int input, IMediaSample* sample) override;
    void EndOfStream(int input) override;
    const AMOVIESETUP_FILTER* GetSetupData() override;

private:
    template <typename Change>
    HRESULT Update(Change change);
    // Opens the files once every connected input has its type: S_FALSE until then.
    HRESULT OpenWriter();
    void ReceiveSample(const talvinmux::InputSample& sample);
    void ReceiveVideo(const talvinmux::InputSample& sample);
    void ReceiveAudio(const talvinmux::InputSample& sample);
    // Writes one chunk and follows the result: the limit's event, a failure's event.
    bool WriteChunk(talvinmux::StreamKind stream, const talvinmux::Chunk& chunk);
    void WriteNullFrames(std::uint32_t count, REFERENCE_TIME start);
    // Finishes the files with the measured rates when asked for (holding the streaming lock).
    HRESULT FinishFiles();
    void PublishCounts();
    // The player for a recording just opened, when an output is there to show it.
    void StartPlayer();
    // Stops and joins the player; no sample leaves the outputs after this returns.
    void StopPlayer();
    void PlayBack(talvinmux::TimeShiftPlayer::Delivered&& frame);
    // Calls `command` on the running player; VFW_E_WRONG_STATE without one.
    template <typename Command>
    HRESULT WithPlayer(Command command);

    talvinmux::MuxSettings m_Settings;  // under the filter lock
    std::u16string m_FileName;
    DWORD m_Mode = 0;

    std::mutex m_Streaming;  // the writer, the timing and the sample counts, across both inputs
    std::unique_ptr<talvinmux::FrameIndex> m_pIndex;
    std::unique_ptr<talvinmux::AviWriter> m_pWriter;
    std::unique_ptr<talvinmux::StreamTiming> m_pTiming;
    talvinmux::MuxSettings m_Running;  // the settings and base name this recording started with
    std::string m_RunningName;
    bool m_bStarted = false;
    REFERENCE_TIME m_rtTimePerFrame = 333667;
    std::uint32_t m_AudioBlockAlign = 1;
    int m_InputsLeft = 0;
    bool m_bFinished = false;  // the limits or a fault ended the recording
    std::vector<std::uint8_t> m_Silence;
    talvinmux::EarlySamples m_Early;  // what arrived before the files could open
    std::array<bool, 2> m_EndedEarly{};  // per input: ended before the files could open
    // Measured rates: first and last sample times, samples received.
    REFERENCE_TIME m_rtFirstVideo = 0, m_rtLastVideo = 0, m_rtFirstAudio = 0, m_rtLastAudio = 0;
    std::uint64_t m_VideoSamples = 0, m_AudioSamplesIn = 0;

    // Statistics, read by any thread without a lock.
    std::atomic<DWORD> m_StatVideo{0}, m_StatAudio{0}, m_StatDropped{0}, m_StatSamples{0};
    std::atomic<DWORD> m_StatInserted{0}, m_StatDeleted{0}, m_StatFiles{0};
    std::atomic<double> m_StatFps{0}, m_StatFrequency{0};

    std::mutex m_PlayerLock;  // the pointer only: never held while the player is joined
    std::unique_ptr<talvinmux::TimeShiftPlayer> m_pPlayer;
    std::array<bool, 2> m_SegmentBegins{};  // per output, on the player's thread: the next sample starts a segment
};

extern const AMOVIESETUP_FILTER sudTalvinAviMux;
