// A multiplexer profile: which AVI multiplexer writes the recording and all its settings.
// Time fields are 100 ns units.
#pragma once

#include <string>

#include "platform/com/types.h"
#include "profiles/archive.h"

class CMuxProfile : public CObject {
public:
    enum : DWORD { MuxAvi2Platform = 0, MuxAvi1Own = 1, MuxAvi2Own = 2 };

    static constexpr CRuntimeClass RuntimeClass{"CMuxProfile", 0};
    const CRuntimeClass* GetRuntimeClass() const override { return &RuntimeClass; }
    void Serialize(CArchive& ar) override;
    void Copy(const CMuxProfile& other) { *this = other; }
    bool operator==(const CMuxProfile&) const = default;

    std::string Name;
    DWORD MuxMode = 0;
    DWORD TruncateMode = 0;
    LONGLONG VideoStartTime = 0;
    LONGLONG AudioStartTime = 0;
    LONG MSMasterStream = 0;  // -1 none, 0 video, 1 audio
    DWORD MSCompatIndex = 0;
    DWORD InterleaveMode = 0;
    LONGLONG InterleavePeriod = 0;
    LONGLONG AudioPreroll = 0;
    DWORD SplitMaxFiles = 0;
    DWORD SplitMaxFileSizeMB = 0;
    DWORD VideoBuffers = 0;
    DWORD Reserved1 = 0;
    DWORD SplitVideoFrames = 0;
    DWORD SplitAudioFrames = 0;
    double DropThreshold = 0.0;
    DWORD MaxConcurrentWrites = 0;
    DWORD Reserved2 = 0;
    DWORD AudioSyncEnable = 0;
    double AudioSyncThreshold = 0.0;
    DWORD AudioSyncSensitivity = 0;
    LONGLONG AudioSyncStartTime = 0;
    DWORD SplitMode = 0;
    DWORD VideoDelayHandling = 0;
    DWORD AudioDelayHandling = 0;
    DWORD VideoTimeProperty = 0;
    DWORD AudioTimeProperty = 0;
    DWORD NoDroppedFirstFrame = 0;
    DWORD ForcedAudioSyncPoint = 0;
    DWORD ZeroFillPadding = 0;
    DWORD FpsHandling = 0;
    DWORD SampleRateHandling = 0;
    DWORD OwnMasterStream = 0;
    LONGLONG AvgTimePerFrame = 0;
    DWORD SamplingFrequency = 0;
    DWORD SetAvgTimePerFrame = 0;
    DWORD SetSamplingFrequency = 0;
    DWORD DiscardNegativeVideo = 0;
    DWORD DiscardNegativeAudio = 0;
    DWORD ChangeVideoOutputFormat = 0;
    DWORD ChangeAudioOutputFormat = 0;
};
