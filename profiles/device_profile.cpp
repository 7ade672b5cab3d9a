#include "profiles/device_profile.h"

namespace {

constexpr DWORD kDvInfoVersion = 2557;
constexpr DWORD kVideoFormatDetailVersion = 2662;

void TransferVideoFormat(CArchive& ar, VideoStreamFormat& format, DWORD version) {
    ar.Transfer(format.Subtype);
    ar.Transfer(format.BitRate);
    ar.Transfer(format.AvgTimePerFrame);
    ar.Transfer(format.BitmapInfoHeader);
    if (version >= kDvInfoVersion) ar.Transfer(format.DvInfo);
    if (version >= kVideoFormatDetailVersion) {
        ar.Transfer(format.FormatType);
        ar.Transfer(format.SourceRect);
        ar.Transfer(format.TargetRect);
        ar.Transfer(format.InterlaceFlags);
        ar.Transfer(format.PictAspectRatioX);
        ar.Transfer(format.PictAspectRatioY);
    }
}

void TransferCompression(CArchive& ar, VideoCompressionSettings& compression) {
    ar.Transfer(compression.KeyFrameRate);
    ar.Transfer(compression.PFramesPerKeyFrame);
    ar.Transfer(compression.Quality);
    ar.Transfer(compression.WindowSize);
    ar.Transfer(compression.SetKeyFrameRate);
    ar.Transfer(compression.SetPFramesPerKeyFrame);
    ar.Transfer(compression.SetQuality);
    ar.Transfer(compression.SetWindowSize);
}

}  // namespace

void CDeviceProfile::Serialize(CArchive& ar) {
    const DWORD version = ar.TransferVersion();
    if (ar.IsStoring()) {
        AudioCaptureFormatLength = static_cast<DWORD>(AudioCaptureFormat.size());
        AudioPreviewFormatLength = static_cast<DWORD>(AudioPreviewFormat.size());
    }

    ar.Transfer(Name);
    ar.Transfer(ChannelProfileName);
    ar.Transfer(VideoDeviceMoniker);
    ar.Transfer(AudioDeviceMoniker);
    ar.Transfer(PreviewVideoFilterName);
    ar.Transfer(CaptureVideoFilterName);
    ar.Transfer(PreviewAudioFilterName);
    ar.Transfer(CaptureAudioFilterName);

    ar.Transfer(ExcludeItem);
    ar.Transfer(ApplyPriority);
    if (version >= kDvInfoVersion) ar.Transfer(DvInfoMask);

    ar.Transfer(DecoderOutputEnable);
    ar.Transfer(DecoderTVFormat);
    ar.Transfer(DecoderVCRHorizontalLocking);

    ar.Transfer(InputBass);
    ar.Transfer(InputEnable);
    ar.Transfer(InputLoudness);
    ar.Transfer(InputMixLevel);
    ar.Transfer(InputMono);
    ar.Transfer(InputPan);
    ar.Transfer(InputTreble);

    for (AllocatorGroup& group : Allocators) {
        ar.Transfer(group.Allocator);
        ar.Transfer(group.AllocatorEnable);
    }

    ar.Transfer(Crossbar1Routing);
    ar.Transfer(Crossbar2Routing);

    for (VideoStreamFormat& format : VideoFormats) TransferVideoFormat(ar, format, version);

    ar.Transfer(AudioCaptureFormatLength);
    ar.Transfer(AudioPreviewFormatLength);
    ar.Transfer(TVAudioMode);
    ar.Transfer(TunerCountryCode);
    ar.Transfer(TunerTuningSpace);
    ar.Transfer(TunerMode);
    ar.Transfer(TunerConnectedInputType);
    ar.Transfer(TunerConnectInput);
    ar.Transfer(TunerChannel);
    ar.Transfer(TunerVideoSubChannel);
    ar.Transfer(TunerAudioSubChannel);

    for (VideoCompressionSettings& compression : Compression) TransferCompression(ar, compression);

    for (int property = 0; property < kProcAmpProperties; ++property) {
        ar.Transfer(ProcAmpValue[property]);
        ar.Transfer(ProcAmpFlags[property]);
    }

    for (DWORD* field : {&PreviewSizeMode, &PreviewWidth, &PreviewHeight, &CaptureSizeMode, &CaptureWidth,
                         &CaptureHeight, &PreviewVideoMode, &CaptureVideoMode, &PreviewAudioMode, &CaptureAudioMode,
                         &PreviewCCMode, &CaptureCCMode, &UseSmartTee, &DvType2, &DvDiscardHalfFrames,
                         &PreviewNoVideoPort, &CaptureNoVideoPort, &PreviewVideoTimestamped, &PreviewAudioTimestamped,
                         &PreviewViaCapturePin, &VideoFilterPreview, &AudioFilterPreview, &PreviewPinTypeOrder,
                         &CapturePinTypeOrder, &StillChangeResolution, &StillForceRGB24, &StillWidth, &StillHeight,
                         &StreamTimeCorrection, &StreamTimeUseDisplayTime})
        ar.Transfer(*field);
    ar.Transfer(StreamTimeDisplayTime);

    for (DWORD* field : {&MixerDevice, &MixerSource, &MixerVolume, &MixerMute, &MixerSavedVolume, &MixerSavedMute,
                         &MixerEnable})
        ar.Transfer(*field);

    ar.Transfer(UseCustomClock);
    ar.Transfer(AdjustClockSpeed);
    ar.Transfer(ClockSpeed);
    ar.Transfer(UseClockDelta);
    ar.Transfer(ClockDelta);

    ar.TransferBlob(AudioCaptureFormat, AudioCaptureFormatLength);
    ar.TransferBlob(AudioPreviewFormat, AudioPreviewFormatLength);
}
