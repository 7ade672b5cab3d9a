#include "filters/talvinmux/talvin_avi_mux.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numeric>

#include "filters/talvinmux/module_objects.h"
#include "platform/com/task_memory.h"
#include "platform/com/wide_text.h"
#include "platform/media/format_blocks.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/media_types.h"

using namespace talvinmux;

namespace {

constexpr REFERENCE_TIME kUnitsPerSecond = 10000000;
constexpr std::size_t kBitmapInVideoInfo = 48;   // bmiHeader's offset in VIDEOINFOHEADER
constexpr std::size_t kBitmapInVideoInfo2 = 72;  // and in VIDEOINFOHEADER2

WCHAR kVideoPin[] = u"Video";
WCHAR kAudioPin[] = u"Audio";
WCHAR kVideoOutPin[] = u"Video Out";
WCHAR kAudioOutPin[] = u"Audio Out";
const AMOVIESETUP_MEDIATYPE sudVideoType = {&MEDIATYPE_Video, &GUID_NULL};
const AMOVIESETUP_MEDIATYPE sudAudioType = {&MEDIATYPE_Audio, &GUID_NULL};
const AMOVIESETUP_PIN sudPins[] = {
    {kVideoPin, FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &sudVideoType},
    {kAudioPin, FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &sudAudioType},
    {kVideoOutPin, FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &sudVideoType},
    {kAudioOutPin, FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &sudAudioType},
};

// Where the BITMAPINFOHEADER starts in a video format block; 0 when there is none.
std::size_t BitmapOffset(const AM_MEDIA_TYPE& type) {
    if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER)) return kBitmapInVideoInfo;
    if (type.formattype == FORMAT_VideoInfo2 && type.cbFormat >= sizeof(VIDEOINFOHEADER2)) return kBitmapInVideoInfo2;
    return 0;
}

REFERENCE_TIME AvgTimePerFrameOf(const AM_MEDIA_TYPE& type) {
    REFERENCE_TIME average = 0;
    if (BitmapOffset(type)) std::memcpy(&average, type.pbFormat + offsetof(VIDEOINFOHEADER, AvgTimePerFrame), sizeof average);
    return average;
}

bool Bool(DWORD value) { return value != 0; }

template <typename T>
HRESULT Report(T* out, T value) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

}  // namespace

const AMOVIESETUP_FILTER sudTalvinAviMux = {&CLSID_TalvinAVIMux, u"Talvin AVI Mux", MERIT_DO_NOT_USE, 4, sudPins};

IUnknown* CTalvinAviMux::CreateInstance(IUnknown* /*outer*/, HRESULT* hr) {
    auto* filter = new (std::nothrow) CTalvinAviMux;
    if (hr) *hr = filter ? S_OK : E_OUTOFMEMORY;
    return filter ? filter->GetUnknown() : nullptr;
}

CTalvinAviMux::CTalvinAviMux()
    : ComExtend(u"Talvin AVI Mux", CLSID_TalvinAVIMux, {kVideoPin, kAudioPin}, {kVideoOutPin, kAudioOutPin}) {
    TrackWith(&TalvinMuxObjects());
}

HRESULT CTalvinAviMux::GetClassID(CLSID* classId) { return Report(classId, CLSID_TalvinAVIMux); }
const AMOVIESETUP_FILTER* CTalvinAviMux::GetSetupData() { return &sudTalvinAviMux; }

// ---- IFileSinkFilter2 ---------------------------------------------------------------------

// The name is the base the pieces are named from; a trailing ".avi" is taken off, so a full
// file name works as well.
HRESULT CTalvinAviMux::SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE* /*mediaType*/) {
    if (!fileName) return E_POINTER;
    std::u16string name(WideView(fileName));
    if (name.empty()) return E_INVALIDARG;
    if (name.size() > 4) {
        std::u16string tail = name.substr(name.size() - 4);
        for (char16_t& c : tail) c = static_cast<char16_t>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c);
        if (tail == u".avi") name.resize(name.size() - 4);
    }
    std::lock_guard lock(m_Lock);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    m_FileName = name;
    return S_OK;
}

HRESULT CTalvinAviMux::GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) {
    if (!fileName) return E_POINTER;
    std::lock_guard lock(m_Lock);
    *fileName = nullptr;
    if (m_FileName.empty()) return E_FAIL;
    auto* copy = static_cast<WCHAR*>(CoTaskMemAlloc((m_FileName.size() + 1) * sizeof(WCHAR)));
    if (!copy) return E_OUTOFMEMORY;
    std::memcpy(copy, m_FileName.c_str(), (m_FileName.size() + 1) * sizeof(WCHAR));
    *fileName = copy;
    if (mediaType) {
        *mediaType = AM_MEDIA_TYPE{};
        mediaType->majortype = MEDIATYPE_Stream;
        mediaType->subtype = MEDIASUBTYPE_Avi;
    }
    return S_OK;
}

HRESULT CTalvinAviMux::SetMode(DWORD flags) {
    if (flags & ~AM_FILE_OVERWRITE) return E_INVALIDARG;
    std::lock_guard lock(m_Lock);
    m_Mode = flags;
    return S_OK;
}

HRESULT CTalvinAviMux::GetMode(DWORD* flags) {
    std::lock_guard lock(m_Lock);
    return Report(flags, m_Mode);
}

// ---- ITalvinAVIMux ------------------------------------------------------------------------

template <typename Change>
HRESULT CTalvinAviMux::Update(Change change) {
    std::lock_guard lock(m_Lock);
    return change(m_Settings) ? S_OK : E_INVALIDARG;
}

#define QD_GET1(field)                     \
    std::lock_guard lock(m_Lock);          \
    return Report(out, m_Settings.field)
#define QD_GET2(first, second)                                     \
    if (!a || !b) return E_POINTER;                                \
    std::lock_guard lock(m_Lock);                                  \
    *a = m_Settings.first;                                         \
    *b = m_Settings.second;                                        \
    return S_OK

HRESULT CTalvinAviMux::SetSplitMaxFiles(DWORD files) {
    return Update([&](MuxSettings& s) { return files <= kMostPieces && (s.splitMaxFiles = files, true); });
}
HRESULT CTalvinAviMux::GetSplitMaxFiles(DWORD* out) { QD_GET1(splitMaxFiles); }
HRESULT CTalvinAviMux::SetSplitMaxFileSize(DWORD megabytes) {
    return Update([&](MuxSettings& s) { return megabytes >= 1 && megabytes <= 2048 && (s.splitMaxFileSizeMB = megabytes, true); });
}
HRESULT CTalvinAviMux::GetSplitMaxFileSize(DWORD* out) { QD_GET1(splitMaxFileSizeMB); }
HRESULT CTalvinAviMux::SetVideoBuffers(DWORD buffers, DWORD reserved1) {
    return Update([&](MuxSettings& s) {
        s.videoBuffers = buffers;
        s.reserved1 = reserved1;
        return true;
    });
}
HRESULT CTalvinAviMux::GetVideoBuffers(DWORD* a, DWORD* b) { QD_GET2(videoBuffers, reserved1); }
HRESULT CTalvinAviMux::SetSplitFrames(DWORD videoFrames, DWORD audioFrames) {
    return Update([&](MuxSettings& s) {
        s.splitVideoFrames = videoFrames;
        s.splitAudioFrames = audioFrames;
        return true;
    });
}
HRESULT CTalvinAviMux::GetSplitFrames(DWORD* a, DWORD* b) { QD_GET2(splitVideoFrames, splitAudioFrames); }
HRESULT CTalvinAviMux::SetDropThreshold(double frames) {
    return Update([&](MuxSettings& s) { return frames >= 0 && frames < 100 && (s.dropThreshold = frames, true); });
}
HRESULT CTalvinAviMux::GetDropThreshold(double* out) { QD_GET1(dropThreshold); }
HRESULT CTalvinAviMux::SetMaxConcurrentWrites(DWORD writes, DWORD reserved2) {
    return Update([&](MuxSettings& s) {
        if (writes < 1 || writes > 64) return false;
        s.maxConcurrentWrites = writes;
        s.reserved2 = reserved2;
        return true;
    });
}
HRESULT CTalvinAviMux::GetMaxConcurrentWrites(DWORD* a, DWORD* b) { QD_GET2(maxConcurrentWrites, reserved2); }
HRESULT CTalvinAviMux::SetAudioSyncEnable(DWORD enable) {
    return Update([&](MuxSettings& s) { return s.audioSyncEnable = enable, true; });
}
HRESULT CTalvinAviMux::GetAudioSyncEnable(DWORD* out) { QD_GET1(audioSyncEnable); }
HRESULT CTalvinAviMux::SetAudioSyncThreshold(double frames) {
    return Update([&](MuxSettings& s) { return frames > 0 && frames <= 1000 && (s.audioSyncThreshold = frames, true); });
}
HRESULT CTalvinAviMux::GetAudioSyncThreshold(double* out) { QD_GET1(audioSyncThreshold); }
HRESULT CTalvinAviMux::SetAudioSyncSensitivity(DWORD sensitivity) {
    return Update([&](MuxSettings& s) { return s.audioSyncSensitivity = sensitivity, true; });
}
HRESULT CTalvinAviMux::GetAudioSyncSensitivity(DWORD* out) { QD_GET1(audioSyncSensitivity); }
HRESULT CTalvinAviMux::SetAudioSyncStartTime(REFERENCE_TIME start) {
    return Update([&](MuxSettings& s) { return start >= 0 && (s.audioSyncStartTime = start, true); });
}
HRESULT CTalvinAviMux::GetAudioSyncStartTime(REFERENCE_TIME* out) { QD_GET1(audioSyncStartTime); }
HRESULT CTalvinAviMux::SetFileLayout(DWORD layout) {
    return Update([&](MuxSettings& s) { return layout <= 1 && (s.fileLayout = layout, true); });
}
HRESULT CTalvinAviMux::GetFileLayout(DWORD* out) { QD_GET1(fileLayout); }
HRESULT CTalvinAviMux::SetSplitMode(DWORD mode) {
    return Update([&](MuxSettings& s) { return mode <= 2 && (s.splitMode = mode, true); });
}
HRESULT CTalvinAviMux::GetSplitMode(DWORD* out) { QD_GET1(splitMode); }
HRESULT CTalvinAviMux::SetDelayHandling(DWORD video, DWORD audio) {
    return Update([&](MuxSettings& s) {
        if (video > 3 || audio > 2) return false;
        s.videoDelayHandling = video;
        s.audioDelayHandling = audio;
        return true;
    });
}
HRESULT CTalvinAviMux::GetDelayHandling(DWORD* a, DWORD* b) { QD_GET2(videoDelayHandling, audioDelayHandling); }
HRESULT CTalvinAviMux::SetTimeProperty(DWORD video, DWORD audio) {
    return Update([&](MuxSettings& s) {
        if (video > 2 || audio > 2) return false;
        s.videoTimeProperty = video;
        s.audioTimeProperty = audio;
        return true;
    });
}
HRESULT CTalvinAviMux::GetTimeProperty(DWORD* a, DWORD* b) { QD_GET2(videoTimeProperty, audioTimeProperty); }
HRESULT CTalvinAviMux::SetNoDroppedFirstFrame(DWORD enable) {
    return Update([&](MuxSettings& s) { return s.noDroppedFirstFrame = enable, true; });
}
HRESULT CTalvinAviMux::GetNoDroppedFirstFrame(DWORD* out) { QD_GET1(noDroppedFirstFrame); }
HRESULT CTalvinAviMux::SetForcedAudioSyncPoint(DWORD enable) {
    return Update([&](MuxSettings& s) { return s.forcedAudioSyncPoint = enable, true; });
}
HRESULT CTalvinAviMux::GetForcedAudioSyncPoint(DWORD* out) { QD_GET1(forcedAudioSyncPoint); }
HRESULT CTalvinAviMux::SetZeroFillPadding(DWORD enable) {
    return Update([&](MuxSettings& s) { return s.zeroFillPadding = enable, true; });
}
HRESULT CTalvinAviMux::GetZeroFillPadding(DWORD* out) { QD_GET1(zeroFillPadding); }
HRESULT CTalvinAviMux::SetOwnMasterStream(DWORD stream) {
    return Update([&](MuxSettings& s) { return stream <= 2 && (s.ownMasterStream = stream, true); });
}
HRESULT CTalvinAviMux::GetOwnMasterStream(DWORD* out) { QD_GET1(ownMasterStream); }
HRESULT CTalvinAviMux::SetRateHandling(DWORD fps, DWORD sampleRate) {
    return Update([&](MuxSettings& s) {
        if (fps > 1 || sampleRate > 1) return false;
        s.fpsHandling = fps;
        s.sampleRateHandling = sampleRate;
        return true;
    });
}
HRESULT CTalvinAviMux::GetRateHandling(DWORD* a, DWORD* b) { QD_GET2(fpsHandling, sampleRateHandling); }
HRESULT CTalvinAviMux::SetDiscardNegative(DWORD video, DWORD audio) {
    return Update([&](MuxSettings& s) {
        s.discardNegativeVideo = video;
        s.discardNegativeAudio = audio;
        return true;
    });
}
HRESULT CTalvinAviMux::GetDiscardNegative(DWORD* a, DWORD* b) { QD_GET2(discardNegativeVideo, discardNegativeAudio); }
HRESULT CTalvinAviMux::SetSamplingFrequency(DWORD hertz, DWORD use) {
    return Update([&](MuxSettings& s) {
        if (use && (hertz < 1000 || hertz > 768000)) return false;
        s.samplingFrequency = hertz;
        s.setSamplingFrequency = use;
        return true;
    });
}
HRESULT CTalvinAviMux::GetSamplingFrequency(DWORD* a, DWORD* b) { QD_GET2(samplingFrequency, setSamplingFrequency); }
HRESULT CTalvinAviMux::SetAvgTimePerFrame(REFERENCE_TIME timePerFrame, DWORD use) {
    return Update([&](MuxSettings& s) {
        if (use && (timePerFrame < 1 || timePerFrame > 100000000)) return false;
        s.avgTimePerFrame = timePerFrame;
        s.setAvgTimePerFrame = use;
        return true;
    });
}
HRESULT CTalvinAviMux::GetAvgTimePerFrame(REFERENCE_TIME* a, DWORD* b) { QD_GET2(avgTimePerFrame, setAvgTimePerFrame); }
HRESULT CTalvinAviMux::SetChangeOutputFormat(DWORD video, DWORD audio) {
    return Update([&](MuxSettings& s) {
        s.changeVideoOutputFormat = video;
        s.changeAudioOutputFormat = audio;
        return true;
    });
}
HRESULT CTalvinAviMux::GetChangeOutputFormat(DWORD* a, DWORD* b) { QD_GET2(changeVideoOutputFormat, changeAudioOutputFormat); }
HRESULT CTalvinAviMux::SetVideoHandler(DWORD fourcc) {
    return Update([&](MuxSettings& s) { return s.videoHandler = fourcc, true; });
}
HRESULT CTalvinAviMux::GetVideoHandler(DWORD* out) { QD_GET1(videoHandler); }

#undef QD_GET1
#undef QD_GET2

HRESULT CTalvinAviMux::GetFileCount(DWORD* files) { return Report(files, m_StatFiles.load()); }

HRESULT CTalvinAviMux::GetSyncCounts(DWORD* inserted, DWORD* deleted) {
    if (!inserted || !deleted) return E_POINTER;
    *inserted = m_StatInserted.load(std::memory_order_relaxed);
    *deleted = m_StatDeleted.load(std::memory_order_relaxed);
    return S_OK;
}

HRESULT CTalvinAviMux::GetStatistics(DWORD* videoFrames, DWORD* audioFrames, DWORD* dropped, DWORD* audioSamples) {
    if (!videoFrames || !audioFrames || !dropped || !audioSamples) return E_POINTER;
    *videoFrames = m_StatVideo.load(std::memory_order_relaxed);
    *audioFrames = m_StatAudio.load(std::memory_order_relaxed);
    *dropped = m_StatDropped.load(std::memory_order_relaxed);
    *audioSamples = m_StatSamples.load(std::memory_order_relaxed);
    return S_OK;
}

HRESULT CTalvinAviMux::GetMeasuredRates(double* framesPerSecond, double* samplingFrequency) {
    if (!framesPerSecond || !samplingFrequency) return E_POINTER;
    *framesPerSecond = m_StatFps.load(std::memory_order_relaxed);
    *samplingFrequency = m_StatFrequency.load(std::memory_order_relaxed);
    return S_OK;
}

// ---- ITalvinTimeShift ---------------------------------------------------------------------

template <typename Command>
HRESULT CTalvinAviMux::WithPlayer(Command command) {
    std::lock_guard lock(m_PlayerLock);
    return m_pPlayer ? command(*m_pPlayer) : VFW_E_WRONG_STATE;
}

HRESULT CTalvinAviMux::SetSpeed(LONG percent) {
    if (percent != 100 && percent != 400 && percent != -100 && percent != -400) return E_INVALIDARG;
    return WithPlayer([percent](TimeShiftPlayer& player) { return player.SetSpeed(percent); });
}
HRESULT CTalvinAviMux::Live() {
    return WithPlayer([](TimeShiftPlayer& player) { return player.Live(); });
}
HRESULT CTalvinAviMux::PausePlayback() {
    return WithPlayer([](TimeShiftPlayer& player) { return player.Pause(); });
}
HRESULT CTalvinAviMux::Seek(LONG seconds) {
    return WithPlayer([seconds](TimeShiftPlayer& player) { return player.Seek(seconds); });
}
HRESULT CTalvinAviMux::GetPosition(LONG* position, LONG* length) {
    if (!position || !length) return E_POINTER;
    return WithPlayer([&](TimeShiftPlayer& player) { return player.GetPosition(position, length); });
}

void CTalvinAviMux::StartPlayer() {
    if (!m_pIndex) return;
    auto player = std::make_unique<TimeShiftPlayer>(*m_pIndex, [this](TimeShiftPlayer::Delivered&& frame) { PlayBack(std::move(frame)); });
    std::lock_guard lock(m_PlayerLock);
    m_pPlayer = std::move(player);
}

void CTalvinAviMux::StopPlayer() {
    std::unique_ptr<TimeShiftPlayer> player;
    {
        std::lock_guard lock(m_PlayerLock);
        player = std::move(m_pPlayer);
    }
    // Joined outside the lock, so a command arriving meanwhile answers at once.
    if (player) player->Stop();
}

// On the player's thread. A push that downstream refuses (flushing, unlinked) is let go: the
// player goes on pacing and a stop ends it.
void CTalvinAviMux::PlayBack(TimeShiftPlayer::Delivered&& frame) {
    if (frame.discontinuity) {
        RestartOutputTimelines();
        m_SegmentBegins = {true, true};
    }
    const int output = frame.stream == StreamKind::Video ? kVideo : kAudio;
    unsigned flags = frame.preroll ? unsigned{CMultiOutputPin::kDecodeOnly} : 0u;
    if (m_SegmentBegins[output]) flags |= CMultiOutputPin::kDiscontinuity;
    m_SegmentBegins[output] = false;
    OutputPin(output)->DeliverFromNow(frame.data.data(), static_cast<LONG>(frame.data.size()), frame.start, frame.stop,
                                      frame.keyFrame, flags);
}

// ---- pins ---------------------------------------------------------------------------------

HRESULT CTalvinAviMux::CheckInputType(int input, const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    if (input == kVideo) return type->majortype == MEDIATYPE_Video && BitmapOffset(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    if (input == kAudio) {
        return type->majortype == MEDIATYPE_Audio && type->formattype == FORMAT_WaveFormatEx &&
                       type->cbFormat >= sizeof(WAVEFORMATEX) - 2
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

// Each output carries what its input records.
HRESULT CTalvinAviMux::GetOutputType(int output, int position, AM_MEDIA_TYPE* type) {
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    return SUCCEEDED(InputPin(output)->CopyConnectionType(type)) ? S_OK : VFW_S_NO_MORE_ITEMS;
}

// ---- streaming ----------------------------------------------------------------------------

HRESULT CTalvinAviMux::StartStreaming() {
    if (m_FileName.empty()) return VFW_E_WRONG_STATE;
    std::lock_guard streaming(m_Streaming);
    m_Running = m_Settings;
    m_RunningName = WideToUtf8(m_FileName);
    m_bStarted = true;
    m_bFinished = false;
    m_VideoSamples = m_AudioSamplesIn = 0;
    m_Early.Clear();
    m_EndedEarly = {};
    for (auto* stat : {&m_StatVideo, &m_StatAudio, &m_StatDropped, &m_StatSamples, &m_StatInserted, &m_StatDeleted, &m_StatFiles})
        stat->store(0);
    m_StatFps = 0;
    m_StatFrequency = 0;
    const HRESULT hr = OpenWriter();
    return FAILED(hr) ? hr : S_OK;
}

// In a graph the inputs' types are known when it starts; in a plain pipeline they come with
// the caps, so the files open with the first sample once every linked input has its type.
HRESULT CTalvinAviMux::OpenWriter() {
    const MuxSettings& s = m_Running;
    WriterConfig config;
    config.layout = s.fileLayout == 1 ? FileLayout::OpenDml : FileLayout::NumberedAvi1;
    config.baseName = m_RunningName;
    config.maxFiles = s.splitMaxFiles == 0 ? kMostPieces : s.splitMaxFiles;
    config.maxFileBytes = std::uint64_t{s.splitMaxFileSizeMB} << 20;
    config.splitMode = static_cast<SplitMode>(s.splitMode);
    config.splitVideoFrames = s.splitVideoFrames;
    config.splitAudioFrames = s.splitAudioFrames;
    config.zeroFillPadding = Bool(s.zeroFillPadding);

    TimingSettings timing;
    timing.dropThreshold = s.dropThreshold;
    timing.videoTime = static_cast<TimeProperty>(s.videoTimeProperty);
    timing.audioTime = static_cast<TimeProperty>(s.audioTimeProperty == 2 ? 1 : s.audioTimeProperty);
    timing.videoDelay = static_cast<VideoDelay>(s.videoDelayHandling);
    timing.audioDelay = static_cast<AudioDelay>(s.audioDelayHandling);
    timing.noDroppedFirstFrame = Bool(s.noDroppedFirstFrame);
    timing.discardNegativeVideo = Bool(s.discardNegativeVideo);
    timing.discardNegativeAudio = Bool(s.discardNegativeAudio);
    timing.audioSync = Bool(s.audioSyncEnable);
    timing.syncThreshold = s.audioSyncThreshold;
    timing.syncSensitivity = s.audioSyncSensitivity;
    timing.syncStart = s.audioSyncStartTime;
    timing.master = static_cast<MasterStream>(s.ownMasterStream);

    int inputs = 0;
    AM_MEDIA_TYPE type{};
    if (InputPin(kVideo)->IsConnected()) {
        if (FAILED(InputPin(kVideo)->CopyConnectionType(&type))) return S_FALSE;
        if (const std::size_t offset = BitmapOffset(type)) {
            VideoStreamFormat video;
            video.bitmapInfo.assign(type.pbFormat + offset, type.pbFormat + type.cbFormat);
            REFERENCE_TIME tpf = s.setAvgTimePerFrame ? s.avgTimePerFrame : AvgTimePerFrameOf(type);
            if (tpf <= 0) tpf = 333667;
            const REFERENCE_TIME divisor = std::gcd(tpf, kUnitsPerSecond);
            video.rate = static_cast<std::uint32_t>(kUnitsPerSecond / divisor);
            video.scale = static_cast<std::uint32_t>(tpf / divisor);
            video.handler = s.videoHandler;
            timing.timePerFrame = tpf;
            m_rtTimePerFrame = tpf;
            config.video = std::move(video);
            ++inputs;
        }
        FreeMediaType(type);
    }
    if (InputPin(kAudio)->IsConnected()) {
        if (FAILED(InputPin(kAudio)->CopyConnectionType(&type))) return S_FALSE;
        if (type.formattype == FORMAT_WaveFormatEx && type.cbFormat >= sizeof(WAVEFORMATEX) - 2) {
            AudioStreamFormat audio;
            audio.waveFormat.assign(type.pbFormat, type.pbFormat + type.cbFormat);
            WAVEFORMATEX wfx{};
            std::memcpy(&wfx, type.pbFormat, std::min<std::size_t>(sizeof wfx, type.cbFormat));
            timing.audioBlockAlign = wfx.nBlockAlign ? wfx.nBlockAlign : 1;
            timing.audioBytesPerSecond = wfx.nAvgBytesPerSec;
            timing.audioIsPcm = wfx.wFormatTag == WAVE_FORMAT_PCM || wfx.wFormatTag == WAVE_FORMAT_IEEE_FLOAT;
            m_AudioBlockAlign = timing.audioBlockAlign;
            config.audio = std::move(audio);
            ++inputs;
        }
        FreeMediaType(type);
    }
    if (inputs == 0) return S_FALSE;

    // The frame index serves time-shift playback alone; without a connected output a long
    // recording keeps no memory per chunk beyond its current part's index.
    const bool timeShift = OutputPin(kVideo)->IsConnected() || OutputPin(kAudio)->IsConnected();
    m_pIndex = timeShift ? std::make_unique<FrameIndex>() : nullptr;
    m_pWriter = std::make_unique<AviWriter>(std::move(config), m_pIndex.get());
    if (s.setSamplingFrequency) m_pWriter->SetAudioSamplingRate(s.samplingFrequency);
    m_pTiming = std::make_unique<StreamTiming>(timing);
    // An input that ended while the files waited for the other's type has nothing more to give.
    m_InputsLeft = inputs - static_cast<int>(std::count(m_EndedEarly.begin(), m_EndedEarly.end(), true));
    const HRESULT hr = m_pWriter->Open();
    if (FAILED(hr)) {
        m_pWriter.reset();
        return hr;
    }
    m_StatFiles = m_pWriter->Files();
    StartPlayer();
    return S_OK;
}

HRESULT CTalvinAviMux::StopStreaming() {
    std::lock_guard streaming(m_Streaming);
    const HRESULT hr = FinishFiles();
    m_bStarted = false;
    m_Early.Clear();
    m_pWriter.reset();
    m_pTiming.reset();
    return hr;
}

HRESULT CTalvinAviMux::FinishFiles() {
    StopPlayer();
    if (!m_pWriter) return S_OK;
    const double fps = m_StatFps.load(), frequency = m_StatFrequency.load();
    if (m_Running.fpsHandling == 1 && fps > 0) m_pWriter->SetVideoRate(static_cast<std::uint32_t>(std::lround(fps * 1000)), 1000);
    if (m_Running.sampleRateHandling == 1 && frequency > 0) {
        m_pWriter->SetAudioSamplingRate(static_cast<std::uint32_t>(std::lround(frequency)));
    }
    const HRESULT hr = m_pWriter->Close();
    PublishCounts();
    return hr;
}

void CTalvinAviMux::PublishCounts() {
    m_StatVideo.store(static_cast<DWORD>(m_pWriter->VideoChunks()), std::memory_order_relaxed);
    m_StatAudio.store(static_cast<DWORD>(m_pWriter->AudioChunks()), std::memory_order_relaxed);
    m_StatSamples.store(static_cast<DWORD>(m_pWriter->AudioBytes() / m_AudioBlockAlign), std::memory_order_relaxed);
    m_StatFiles.store(m_pWriter->Files(), std::memory_order_relaxed);
}

bool CTalvinAviMux::WriteChunk(StreamKind stream, const Chunk& chunk) {
    if (m_bFinished) return false;
    const HRESULT hr = m_pWriter->Write(stream, chunk);
    PublishCounts();
    if (hr == S_OK) return true;
    m_bFinished = true;
    if (hr == S_FALSE) {
        NotifyEvent(EC_TALVINMUX_FINISHED, 0, 0);
    } else {
        NotifyEvent(EC_ERRORABORT, hr, 0);
    }
    return false;
}

void CTalvinAviMux::WriteNullFrames(std::uint32_t count, REFERENCE_TIME start) {
    for (std::uint32_t i = 0; i < count; ++i) {
        Chunk null;
        null.keyFrame = false;
        null.start = start;
        null.stop = start;
        if (!WriteChunk(StreamKind::Video, null)) return;
        m_pTiming->VideoPlaced(1);
    }
}

namespace {

InputSample ReadSample(int input, IMediaSample* sample) {
    InputSample read;
    read.input = input;
    read.hasTime = SUCCEEDED(sample->GetTime(&read.start, &read.stop));
    LONGLONG mediaStop = 0;
    read.hasMediaTime = sample->GetMediaTime(&read.mediaStart, &mediaStop) == S_OK;
    read.syncPoint = sample->IsSyncPoint() == S_OK;
    BYTE* data = nullptr;
    if (SUCCEEDED(sample->GetPointer(&data)) && data) {
        read.data = data;
        read.size = static_cast<std::uint32_t>(std::max<LONG>(sample->GetActualDataLength(), 0));
    }
    return read;
}

}  // namespace

HRESULT CTalvinAviMux::Receive(int input, IMediaSample* sample) {
    if (!sample) return E_POINTER;
    const InputSample read = ReadSample(input, sample);
    if (!read.data) return S_OK;
    std::lock_guard streaming(m_Streaming);
    if (!m_pWriter && m_bStarted && !m_bFinished) {
        const HRESULT hr = OpenWriter();
        if (FAILED(hr)) {
            m_bFinished = true;
            m_Early.Clear();
            NotifyEvent(EC_ERRORABORT, hr, 0);
        } else if (hr == S_FALSE) {
            m_Early.Hold(read);  // an input does not know its type yet
            return S_OK;
        } else {
            m_Early.Release([this](const InputSample& early) { ReceiveSample(early); });
        }
    }
    if (!m_pWriter || m_bFinished) return S_OK;  // after the end, samples are let go
    ReceiveSample(read);
    return S_OK;
}

void CTalvinAviMux::ReceiveSample(const InputSample& sample) {
    if (m_bFinished) return;
    if (sample.input == kVideo)
        ReceiveVideo(sample);
    else
        ReceiveAudio(sample);
}

void CTalvinAviMux::ReceiveVideo(const InputSample& sample) {
    VideoSample timing;
    timing.hasTime = sample.hasTime;
    timing.start = sample.start;
    timing.hasMediaTime = sample.hasMediaTime;
    timing.mediaStart = sample.mediaStart;
    if (timing.hasTime) {
        if (m_VideoSamples++ == 0) m_rtFirstVideo = timing.start;
        m_rtLastVideo = timing.start;
        if (m_rtLastVideo > m_rtFirstVideo) {
            m_StatFps = static_cast<double>(m_VideoSamples - 1) * kUnitsPerSecond / static_cast<double>(m_rtLastVideo - m_rtFirstVideo);
        }
    }
    const VideoPlan plan = m_pTiming->PlanVideo(timing);
    if (plan.discard) return;
    if (plan.startFrames) m_pWriter->SetStartDelay(StreamKind::Video, plan.startFrames);
    const std::uint64_t before = m_pWriter->VideoChunks();
    WriteNullFrames(plan.nullBefore, timing.start);
    const std::uint64_t nullsWritten = m_pWriter->VideoChunks() - before;
    const std::uint64_t droppedWritten = std::min<std::uint64_t>(nullsWritten, plan.dropped);
    m_StatDropped.fetch_add(static_cast<DWORD>(droppedWritten), std::memory_order_relaxed);
    if (nullsWritten > droppedWritten) {
        m_StatInserted.fetch_add(static_cast<DWORD>(std::min<std::uint64_t>(nullsWritten - droppedWritten, plan.inserted)),
                                 std::memory_order_relaxed);
    }
    if (plan.deleteFrame) {
        m_StatDeleted.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    Chunk chunk;
    chunk.data = sample.data;
    chunk.size = sample.size;
    chunk.keyFrame = sample.syncPoint;
    chunk.start = timing.start;
    chunk.stop = sample.stop;
    if (!WriteChunk(StreamKind::Video, chunk)) return;
    m_pTiming->VideoPlaced(1);
    WriteNullFrames(plan.nullAfter, timing.start);
}

void CTalvinAviMux::ReceiveAudio(const InputSample& sample) {
    const REFERENCE_TIME start = sample.start, stop = sample.stop;
    const bool hasTime = sample.hasTime;
    const std::uint32_t size = sample.size;
    if (hasTime) {
        if (m_AudioSamplesIn == 0) m_rtFirstAudio = start;
        m_AudioSamplesIn += size / m_AudioBlockAlign;
        m_rtLastAudio = stop > start ? stop : start;
        if (m_rtLastAudio > m_rtFirstAudio) {
            m_StatFrequency = static_cast<double>(m_AudioSamplesIn) * kUnitsPerSecond / static_cast<double>(m_rtLastAudio - m_rtFirstAudio);
        }
    }
    const AudioPlan plan = m_pTiming->PlanAudio(start, hasTime, size);
    if (plan.discard) return;
    if (plan.startBlocks) m_pWriter->SetStartDelay(StreamKind::Audio, plan.startBlocks);
    const bool key = Bool(m_Running.forcedAudioSyncPoint) || sample.syncPoint;
    if (plan.silenceBefore) {
        m_Silence.assign(plan.silenceBefore, 0);
        Chunk silence{m_Silence.data(), plan.silenceBefore, true, start, start};
        if (!WriteChunk(StreamKind::Audio, silence)) return;
        m_pTiming->AudioPlaced(plan.silenceBefore);
    }
    m_StatInserted.fetch_add(plan.inserted, std::memory_order_relaxed);
    m_StatDeleted.fetch_add(plan.deleted, std::memory_order_relaxed);
    if (plan.trimBytes >= size) return;
    Chunk chunk{sample.data + plan.trimBytes, size - plan.trimBytes, key, start, stop};
    if (WriteChunk(StreamKind::Audio, chunk)) m_pTiming->AudioPlaced(chunk.size);
}

// The files are finished once every connected input has ended, before the graph hears of the
// end of the stream.
void CTalvinAviMux::EndOfStream(int input) {
    std::lock_guard streaming(m_Streaming);
    if (!m_pWriter) {
        if (input == kVideo || input == kAudio) m_EndedEarly[input] = true;
        return;
    }
    if (--m_InputsLeft > 0) return;
    const HRESULT hr = FinishFiles();
    if (FAILED(hr) && !m_bFinished) NotifyEvent(EC_ERRORABORT, hr, 0);
    m_bFinished = true;
}
