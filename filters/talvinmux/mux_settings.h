// The settings of the splitting AVI multiplexer, as ITalvinAVIMux sets them. A setter refuses
// a value outside its range with E_INVALIDARG and keeps the value it had; every setting takes
// effect when the next recording starts.
//
// | method | field(s)                          | meaning                                                                          | range; what else happens |
// |--------|-----------------------------------|----------------------------------------------------------------------------------|--------------------------|
// | 1/2    | SplitMaxFiles                     | numbered layout: the number of pieces; filling the last ends the recording with event 0x8001 | 1..1000; 0 = no count limit (1000 pieces, the most three digits number) |
// | 3/4    | SplitMaxFileSizeMB                | numbered layout: the largest piece, in MiB, indexes included (a piece takes at least one frame) | 1..2048 (AVI 1.0 sizes are 32-bit) |
// | 5/6    | VideoBuffers, Reserved1           | kept and reported; samples are written on arrival, so there is no queue for them to size | any |
// | 7/8    | SplitVideoFrames, SplitAudioFrames | split mode 1: a piece ends after this many video frames / audio chunks; mode 2: after this many key frames (video count) | any; 0 = that count does not split |
// | 9/10   | DropThreshold                     | how late (in frames past the expected one) a frame may be before the frames in between count as lost: they are written as null frames and counted as dropped | 0 <= x < 100 |
// | 11/12  | MaxConcurrentWrites, Reserved2    | kept and reported; each file is written by one writer in file order | 1..64 for the first |
// | 13/14  | AudioSyncEnable                   | audio drift correction on (non-zero) or off | any |
// | 15/16  | AudioSyncThreshold                | the drift, in frames, past which a frame is inserted or deleted | 0 < x <= 1000 |
// | 17/18  | AudioSyncSensitivity              | how many samples in a row the drift must stay past the threshold: 101 - sensitivity | any; used clamped to 1..100 |
// | 19/20  | AudioSyncStartTime                | no correction for samples before this stream time (100 ns) | >= 0 |
// | 21/22  | file layout                       | 0 numbered AVI 1.0 pieces (base000.avi, ...), 1 one OpenDML file (base.avi; the split settings do not apply) | 0..1 |
// | 23/24  | SplitMode                         | numbered layout: 0 by size only, 1 by frame counts, 2 by key-frame count (the size limit always applies) | 0..2 |
// | 25/26  | VideoDelayHandling, AudioDelayHandling | a stream whose first sample comes late: video 0 delay in the header (dwStart), 1 null frames before the first, 2 the first frame then null frames, 3 the stream starts at its first sample; audio 0 delay in the header, 1 starts at its first sample, 2 silence before it (PCM; else as 0) | 0..3, 0..2 |
// | 27/28  | VideoTimeProperty, AudioTimeProperty | what places samples: 0 nothing (every sample is the next), 1 the time stamps, 2 the media times (frame numbers; audio samples carry none, so audio takes 2 as 1) | 0..2 each |
// | 29/30  | NoDroppedFirstFrame               | null frames written for a late first frame are not counted as dropped | any |
// | 31/32  | ForcedAudioSyncPoint              | every audio chunk is a key frame in the indexes; otherwise the sample's sync-point flag says | any |
// | 33/34  | ZeroFillPadding                   | header padding written as zero bytes; otherwise left as a hole of the file (reads as zeros) | any |
// | 35/36  | OwnMasterStream                   | the stream whose timing audio synchronisation keeps: 1 video (the audio is padded with silence or trimmed), 0 none and 2 audio (video frames are duplicated as null frames or deleted) | 0..2 |
// | 37/38  | FpsHandling, SampleRateHandling   | the rates in the headers: 0 the nominal ones (the format's, or the fixed ones below), 1 those measured over the recording | 0..1 each |
// | 39/40  | DiscardNegativeVideo/Audio        | samples with a negative start time are left out and not counted | any |
// | 41/42  | SamplingFrequency, SetSamplingFrequency | with the flag, the audio headers give this rate (the bytes are written as they come) | 1000..768000 when the flag is set |
// | 43/44  | AvgTimePerFrame, SetAvgTimePerFrame | with the flag, the video headers and the placing of frames use this frame duration (100 ns) | 1..100000000 when the flag is set |
// | 45/46  | ChangeVideo/AudioOutputFormat     | kept and reported for the time-shift outputs, which carry the recorded types | any |
// | 47/48  | handler code                      | the video stream header's fccHandler; 0 takes the format's compression code | any |
#pragma once

#include <cstdint>

#include "platform/com/types.h"

namespace talvinmux {

struct MuxSettings {
    DWORD splitMaxFiles = 40;
    DWORD splitMaxFileSizeMB = 2048;
    DWORD videoBuffers = 20, reserved1 = 1;
    DWORD splitVideoFrames = 8991, splitAudioFrames = 600;
    double dropThreshold = 0.5;
    DWORD maxConcurrentWrites = 1, reserved2 = 1;
    DWORD audioSyncEnable = 0;
    double audioSyncThreshold = 1.0;
    DWORD audioSyncSensitivity = 50;
    REFERENCE_TIME audioSyncStartTime = 0;
    DWORD fileLayout = 0;
    DWORD splitMode = 0;
    DWORD videoDelayHandling = 0, audioDelayHandling = 0;
    DWORD videoTimeProperty = 1, audioTimeProperty = 1;
    DWORD noDroppedFirstFrame = 1;
    DWORD forcedAudioSyncPoint = 0;
    DWORD zeroFillPadding = 1;
    DWORD ownMasterStream = 0;
    DWORD fpsHandling = 0, sampleRateHandling = 0;
    DWORD discardNegativeVideo = 0, discardNegativeAudio = 0;
    DWORD samplingFrequency = 48000, setSamplingFrequency = 0;
    REFERENCE_TIME avgTimePerFrame = 333667;
    DWORD setAvgTimePerFrame = 0;
    DWORD changeVideoOutputFormat = 0, changeAudioOutputFormat = 0;
    DWORD videoHandler = 0;
};

inline constexpr DWORD kMostPieces = 1000;

}  // namespace talvinmux
