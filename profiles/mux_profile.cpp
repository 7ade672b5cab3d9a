#include "profiles/mux_profile.h"

namespace {

constexpr DWORD kOutputFormatVersion = 2558;
constexpr DWORD kDiscardNegativeVersion = 2661;

}  // namespace

void CMuxProfile::Serialize(CArchive& ar) {
    const DWORD version = ar.TransferVersion();
    ar.Transfer(Name);
    ar.Transfer(MuxMode);
    ar.Transfer(TruncateMode);
    ar.Transfer(VideoStartTime);
    ar.Transfer(AudioStartTime);
    ar.Transfer(MSMasterStream);
    ar.Transfer(MSCompatIndex);
    ar.Transfer(InterleaveMode);
    ar.Transfer(InterleavePeriod);
    ar.Transfer(AudioPreroll);
    ar.Transfer(SplitMaxFiles);
    ar.Transfer(SplitMaxFileSizeMB);
    ar.Transfer(VideoBuffers);
    ar.Transfer(Reserved1);
    ar.Transfer(SplitVideoFrames);
    ar.Transfer(SplitAudioFrames);
    ar.Transfer(DropThreshold);
    ar.Transfer(MaxConcurrentWrites);
    ar.Transfer(Reserved2);
    ar.Transfer(AudioSyncEnable);
    ar.Transfer(AudioSyncThreshold);
    ar.Transfer(AudioSyncSensitivity);
    ar.Transfer(AudioSyncStartTime);
    ar.Transfer(SplitMode);
    ar.Transfer(VideoDelayHandling);
    ar.Transfer(AudioDelayHandling);
    ar.Transfer(VideoTimeProperty);
    ar.Transfer(AudioTimeProperty);
    ar.Transfer(NoDroppedFirstFrame);
    ar.Transfer(ForcedAudioSyncPoint);
    ar.Transfer(ZeroFillPadding);
    ar.Transfer(FpsHandling);
    ar.Transfer(SampleRateHandling);
    ar.Transfer(OwnMasterStream);
    ar.Transfer(AvgTimePerFrame);
    ar.Transfer(SamplingFrequency);
    ar.Transfer(SetAvgTimePerFrame);
    ar.Transfer(SetSamplingFrequency);
    if (version >= kDiscardNegativeVersion) {
        ar.Transfer(DiscardNegativeVideo);
        ar.Transfer(DiscardNegativeAudio);
    }
    if (version >= kOutputFormatVersion) {
        ar.Transfer(ChangeVideoOutputFormat);
        ar.Transfer(ChangeAudioOutputFormat);
    }
}
