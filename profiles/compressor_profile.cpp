#include "profiles/compressor_profile.h"

namespace {

constexpr DWORD kInverseTelecineVersion = 2662;

// The length of a blob: storing writes its size, loading reads the length of the bytes to come.
DWORD TransferBlobLength(CArchive& ar, const std::vector<BYTE>& blob) {
    DWORD length = static_cast<DWORD>(blob.size());
    ar.Transfer(length);
    return length;
}

}  // namespace

void CCompressorProfile::Serialize(CArchive& ar) {
    const DWORD version = ar.TransferVersion();
    ar.Transfer(Name);
    ar.Transfer(Kind);

    if (Kind == KindCodecFilters) {
        ar.Transfer(VideoCompressorName);
        ar.Transfer(AudioCompressorName);
        ar.Transfer(VideoCompressorMoniker);
        ar.Transfer(AudioCompressorMoniker);
        ar.Transfer(KeyFrameRate);
        ar.Transfer(PFramesPerKeyFrame);
        ar.Transfer(Quality);
        ar.Transfer(WindowSize);
        ar.Transfer(DataRate);
        ar.Transfer(SetKeyFrameRate);
        ar.Transfer(SetPFramesPerKeyFrame);
        ar.Transfer(SetQuality);
        ar.Transfer(SetWindowSize);
        ar.Transfer(SetDataRate);
        const DWORD videoDialogStateLength = TransferBlobLength(ar, VideoDialogState);
        ar.Transfer(SaveVideoConfig);
        ar.Transfer(ConnectVideoInput);
        ar.Transfer(DiscardVideoEveryTime);
        const DWORD videoFilterStateLength = TransferBlobLength(ar, VideoFilterState);
        const DWORD audioOutputFormatLength = TransferBlobLength(ar, AudioOutputFormat);
        ar.Transfer(RestrictAudioFormat);
        ar.Transfer(ConnectAudioInput);
        ar.Transfer(DiscardAudioEveryTime);
        const DWORD audioFilterStateLength = TransferBlobLength(ar, AudioFilterState);
        ar.TransferBlob(VideoDialogState, videoDialogStateLength);
        ar.TransferBlob(AudioOutputFormat, audioOutputFormatLength);
        ar.TransferBlob(VideoFilterState, videoFilterStateLength);
        ar.TransferBlob(AudioFilterState, audioFilterStateLength);
    } else if (Kind == KindWindowsMedia) {
        ar.Transfer(WMProfileName);
        ar.Transfer(WMDeinterlaceMode);
        if (version >= kInverseTelecineVersion) ar.Transfer(WMInverseTelecine);
        ar.Transfer(WMIndex);
    }
}
