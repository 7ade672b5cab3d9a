// A device profile: which capture devices to bind and a snapshot of everything the program
// can set on them, applied to a freshly built graph.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/com/guid.h"
#include "platform/com/types.h"
#include "profiles/archive.h"
#include "profiles/raw_bytes.h"

// Items that the profile applies, in the order of `ExcludeItem` and `ApplyPriority`.
enum DeviceApplyItem : int {
    ApplyAnalogVideoDecoder,
    ApplyAudioInputMixer,
    ApplyCrossbar1,
    ApplyCrossbar2,
    ApplyStreamConfigVideoCapturePin,
    ApplyStreamConfigVideoPreviewPin,
    ApplyStreamConfigAudioCapturePin,
    ApplyStreamConfigAudioPreviewPin,
    ApplyTVAudio,
    ApplyTVTuner,
    ApplyVideoProcAmp,
    ApplyBufferNegotiationVideoCapturePin,  // these four have a priority but no exclude flag
    ApplyBufferNegotiationVideoPreviewPin,
    ApplyBufferNegotiationAudioCapturePin,
    ApplyBufferNegotiationAudioPreviewPin,
};
inline constexpr int kExcludeItemCount = 11;
inline constexpr int kApplyItemCount = 15;

// Pin order of the per-pin groups.
enum DevicePin : int { VideoCapturePin, VideoPreviewPin, AudioCapturePin, AudioPreviewPin };

inline constexpr int kAudioInputPins = 50;
inline constexpr int kCrossbarOutputs = 30;
inline constexpr int kProcAmpProperties = 10;

// ALLOCATOR_PROPERTIES as requested of a pin; -1 leaves a member to the pin.
struct AllocatorRequest {
    LONG cBuffers = -1;
    LONG cbBuffer = -1;
    LONG cbAlign = -1;
    LONG cbPrefix = -1;
    bool operator==(const AllocatorRequest&) const = default;
};
static_assert(sizeof(AllocatorRequest) == 16);

struct AllocatorGroup {
    AllocatorRequest Allocator;
    DWORD AllocatorEnable = 0;
    bool operator==(const AllocatorGroup&) const = default;
};

// The stream format of a video pin (IAMStreamConfig).
struct VideoStreamFormat {
    GUID Subtype = GUID_NULL;
    DWORD BitRate = 0;
    LONGLONG AvgTimePerFrame = 0;
    RawBytes<40> BitmapInfoHeader;
    std::array<DWORD, 8> DvInfo{};  // the eight words of a DVINFO block
    GUID FormatType = GUID_NULL;
    RawBytes<16> SourceRect;
    RawBytes<16> TargetRect;
    DWORD InterlaceFlags = 0;
    DWORD PictAspectRatioX = 0;
    DWORD PictAspectRatioY = 0;
    bool operator==(const VideoStreamFormat&) const = default;
};

// The compression settings of a video pin (IAMVideoCompression).
struct VideoCompressionSettings {
    DWORD KeyFrameRate = 0;
    DWORD PFramesPerKeyFrame = 0;
    double Quality = 0.0;
    ULONGLONG WindowSize = 0;
    DWORD SetKeyFrameRate = 0;
    DWORD SetPFramesPerKeyFrame = 0;
    DWORD SetQuality = 0;
    DWORD SetWindowSize = 0;
    bool operator==(const VideoCompressionSettings&) const = default;
};

class CDeviceProfile : public CObject {
public:
    static constexpr CRuntimeClass RuntimeClass{"CDeviceProfile", 0};
    const CRuntimeClass* GetRuntimeClass() const override { return &RuntimeClass; }
    void Serialize(CArchive& ar) override;
    // Every field; the format blocks are duplicated.
    void Copy(const CDeviceProfile& other) { *this = other; }
    bool operator==(const CDeviceProfile&) const = default;

    std::string Name;
    std::string ChannelProfileName;
    std::string VideoDeviceMoniker;
    std::string AudioDeviceMoniker;
    std::string PreviewVideoFilterName;
    std::string CaptureVideoFilterName;
    std::string PreviewAudioFilterName;
    std::string CaptureAudioFilterName;

    std::array<DWORD, kExcludeItemCount> ExcludeItem{};
    std::array<DWORD, kApplyItemCount> ApplyPriority{};
    // Words 0-7 mask the video capture pin's DvInfo, words 8-15 the video preview pin's.
    std::array<DWORD, 16> DvInfoMask{};

    DWORD DecoderOutputEnable = 0;
    DWORD DecoderTVFormat = 0;
    DWORD DecoderVCRHorizontalLocking = 0;

    std::array<double, kAudioInputPins> InputBass{};
    std::array<BOOL, kAudioInputPins> InputEnable{};
    std::array<BOOL, kAudioInputPins> InputLoudness{};
    std::array<double, kAudioInputPins> InputMixLevel{};
    std::array<BOOL, kAudioInputPins> InputMono{};
    std::array<double, kAudioInputPins> InputPan{};
    std::array<double, kAudioInputPins> InputTreble{};

    std::array<AllocatorGroup, 4> Allocators{};  // indexed by DevicePin

    std::array<DWORD, kCrossbarOutputs> Crossbar1Routing{};
    std::array<DWORD, kCrossbarOutputs> Crossbar2Routing{};

    std::array<VideoStreamFormat, 2> VideoFormats{};  // VideoCapturePin, VideoPreviewPin

    // The lengths are those of the two blocks below; storing writes the blocks' sizes.
    DWORD AudioCaptureFormatLength = 0;
    DWORD AudioPreviewFormatLength = 0;
    DWORD TVAudioMode = 0;
    DWORD TunerCountryCode = 0;
    DWORD TunerTuningSpace = 0;
    LONG TunerMode = 0;
    LONG TunerConnectedInputType = 0;
    DWORD TunerConnectInput = 0;
    DWORD TunerChannel = 0;
    DWORD TunerVideoSubChannel = 0;
    DWORD TunerAudioSubChannel = 0;

    std::array<VideoCompressionSettings, 2> Compression{};  // VideoCapturePin, VideoPreviewPin

    std::array<DWORD, kProcAmpProperties> ProcAmpValue{};
    std::array<DWORD, kProcAmpProperties> ProcAmpFlags{};

    DWORD PreviewSizeMode = 0;
    DWORD PreviewWidth = 0;
    DWORD PreviewHeight = 0;
    DWORD CaptureSizeMode = 0;
    DWORD CaptureWidth = 0;
    DWORD CaptureHeight = 0;
    DWORD PreviewVideoMode = 0;
    DWORD CaptureVideoMode = 0;
    DWORD PreviewAudioMode = 0;
    DWORD CaptureAudioMode = 0;
    DWORD PreviewCCMode = 0;
    DWORD CaptureCCMode = 0;
    DWORD UseSmartTee = 0;
    DWORD DvType2 = 0;
    DWORD DvDiscardHalfFrames = 0;
    DWORD PreviewNoVideoPort = 0;
    DWORD CaptureNoVideoPort = 0;
    DWORD PreviewVideoTimestamped = 0;
    DWORD PreviewAudioTimestamped = 0;
    DWORD PreviewViaCapturePin = 0;
    DWORD VideoFilterPreview = 0;
    DWORD AudioFilterPreview = 0;
    DWORD PreviewPinTypeOrder = 0;
    DWORD CapturePinTypeOrder = 0;
    DWORD StillChangeResolution = 0;
    DWORD StillForceRGB24 = 0;
    DWORD StillWidth = 0;
    DWORD StillHeight = 0;
    DWORD StreamTimeCorrection = 0;
    DWORD StreamTimeUseDisplayTime = 0;
    LONGLONG StreamTimeDisplayTime = 0;

    DWORD MixerDevice = 0;
    DWORD MixerSource = 0;
    DWORD MixerVolume = 0;
    DWORD MixerMute = 0;
    DWORD MixerSavedVolume = 0;
    DWORD MixerSavedMute = 0;
    DWORD MixerEnable = 0;

    DWORD UseCustomClock = 0;
    DWORD AdjustClockSpeed = 0;
    double ClockSpeed = 0.0;
    DWORD UseClockDelta = 0;
    LONGLONG ClockDelta = 0;

    std::vector<BYTE> AudioCaptureFormat;  // WAVEFORMATEX and its extra bytes; empty = none
    std::vector<BYTE> AudioPreviewFormat;
};

// The apply priorities the device sheet shows for a new profile.
inline constexpr std::array<DWORD, kApplyItemCount> kDefaultApplyPriority = {2, 10, 3, 4, 6, 7, 8, 9, 1, 0, 5,
                                                                            11, 12, 13, 14};
