// What crosses between the program and its filter modules: the modules' class identifiers and
// their control interfaces. Header-only, so the engine and the modules include it alike and
// the engine never reaches into a module's folder.
#pragma once

#include "platform/com/guid.h"
#include "platform/com/unknown.h"

inline constexpr CLSID CLSID_Stampfix = MakeGuid("7EF43911-BA21-4211-992D-7E777F7D15AF");
inline constexpr IID IID_IStampfix = MakeGuid("A40D7B7C-0206-4216-8751-2916E228FB32");
inline constexpr CLSID CLSID_StampfixPropertyPage = MakeGuid("53DFA525-5EED-4E2F-9087-E686CCB9E588");
inline constexpr CLSID CLSID_TalvinClock = MakeGuid("BB187B3A-9496-4E4C-AD84-D4E9EBD62DF7");
inline constexpr IID IID_ITalvinClock = MakeGuid("2BDB1103-F613-47CD-B098-C336B5624E46");

// IStampfix: the control interface of the timestamp repair filter.
struct IStampfix : IUnknown {
    // Stores the frame interval (100 ns units) and whether it stays fixed at the start of
    // streaming; any value is taken, and it marks the filter's settings dirty.
    virtual HRESULT put_TimePerFrame(REFERENCE_TIME rtTimePerFrame, BOOL bFixed) = 0;
    virtual HRESULT get_TimePerFrame(REFERENCE_TIME* prtTimePerFrame, BOOL* pbFixed) = 0;
};
QD_BIND_IID(IStampfix, IID_IStampfix);

// ITalvinClock: the speed factor of the adjustable reference clock.
struct ITalvinClock : IUnknown {
    // Stores the factor and whether it applies; any value is taken.
    virtual HRESULT put_Speed(double dSpeed, BOOL bEnable) = 0;
    virtual HRESULT get_Speed(double* pdSpeed, BOOL* pbEnable) = 0;
};
QD_BIND_IID(ITalvinClock, IID_ITalvinClock);

inline constexpr CLSID CLSID_TalvinAVIMux = MakeGuid("D08CC138-30DF-4FCD-9B0E-D565343B6EF7");
inline constexpr IID IID_ITalvinAVIMux = MakeGuid("82332657-85D6-4D71-B37C-FDC033C2A34B");
inline constexpr IID IID_ITalvinTimeShift = MakeGuid("BFEC7E68-8939-44C2-94ED-24FFF1BCC2B5");

// Event the splitting AVI multiplexer posts when it has finished writing on its own (its file
// count or size limit was reached): EC_USER + 1.
inline constexpr LONG EC_TALVINMUX_FINISHED = 0x8001;

// ITalvinAVIMux: the settings, file layout, handler code and statistics of the splitting AVI
// multiplexer. The slot order is fixed: odd slots are setters, each followed by its getter.
// What every setting means, its range and what an absurd value does is listed with the filter
// (filters/talvinmux/talvin_avi_mux.h). Setters take effect for the next recording.
struct ITalvinAVIMux : IUnknown {
    virtual HRESULT SetSplitMaxFiles(DWORD files) = 0;                                           // 1
    virtual HRESULT GetSplitMaxFiles(DWORD* files) = 0;                                          // 2
    virtual HRESULT SetSplitMaxFileSize(DWORD megabytes) = 0;                                    // 3
    virtual HRESULT GetSplitMaxFileSize(DWORD* megabytes) = 0;                                   // 4
    virtual HRESULT SetVideoBuffers(DWORD buffers, DWORD reserved1) = 0;                         // 5
    virtual HRESULT GetVideoBuffers(DWORD* buffers, DWORD* reserved1) = 0;                       // 6
    virtual HRESULT SetSplitFrames(DWORD videoFrames, DWORD audioFrames) = 0;                    // 7
    virtual HRESULT GetSplitFrames(DWORD* videoFrames, DWORD* audioFrames) = 0;                  // 8
    virtual HRESULT SetDropThreshold(double frames) = 0;                                         // 9
    virtual HRESULT GetDropThreshold(double* frames) = 0;                                        // 10
    virtual HRESULT SetMaxConcurrentWrites(DWORD writes, DWORD reserved2) = 0;                   // 11
    virtual HRESULT GetMaxConcurrentWrites(DWORD* writes, DWORD* reserved2) = 0;                 // 12
    virtual HRESULT SetAudioSyncEnable(DWORD enable) = 0;                                        // 13
    virtual HRESULT GetAudioSyncEnable(DWORD* enable) = 0;                                       // 14
    virtual HRESULT SetAudioSyncThreshold(double frames) = 0;                                    // 15
    virtual HRESULT GetAudioSyncThreshold(double* frames) = 0;                                   // 16
    virtual HRESULT SetAudioSyncSensitivity(DWORD sensitivity) = 0;                              // 17
    virtual HRESULT GetAudioSyncSensitivity(DWORD* sensitivity) = 0;                             // 18
    virtual HRESULT SetAudioSyncStartTime(REFERENCE_TIME start) = 0;                             // 19
    virtual HRESULT GetAudioSyncStartTime(REFERENCE_TIME* start) = 0;                            // 20
    virtual HRESULT SetFileLayout(DWORD layout) = 0;                                             // 21
    virtual HRESULT GetFileLayout(DWORD* layout) = 0;                                            // 22
    virtual HRESULT SetSplitMode(DWORD mode) = 0;                                                // 23
    virtual HRESULT GetSplitMode(DWORD* mode) = 0;                                               // 24
    virtual HRESULT SetDelayHandling(DWORD video, DWORD audio) = 0;                              // 25
    virtual HRESULT GetDelayHandling(DWORD* video, DWORD* audio) = 0;                            // 26
    virtual HRESULT SetTimeProperty(DWORD video, DWORD audio) = 0;                               // 27
    virtual HRESULT GetTimeProperty(DWORD* video, DWORD* audio) = 0;                             // 28
    virtual HRESULT SetNoDroppedFirstFrame(DWORD enable) = 0;                                    // 29
    virtual HRESULT GetNoDroppedFirstFrame(DWORD* enable) = 0;                                   // 30
    virtual HRESULT SetForcedAudioSyncPoint(DWORD enable) = 0;                                   // 31
    virtual HRESULT GetForcedAudioSyncPoint(DWORD* enable) = 0;                                  // 32
    virtual HRESULT SetZeroFillPadding(DWORD enable) = 0;                                        // 33
    virtual HRESULT GetZeroFillPadding(DWORD* enable) = 0;                                       // 34
    virtual HRESULT SetOwnMasterStream(DWORD stream) = 0;                                        // 35
    virtual HRESULT GetOwnMasterStream(DWORD* stream) = 0;                                       // 36
    virtual HRESULT SetRateHandling(DWORD fps, DWORD sampleRate) = 0;                            // 37
    virtual HRESULT GetRateHandling(DWORD* fps, DWORD* sampleRate) = 0;                          // 38
    virtual HRESULT SetDiscardNegative(DWORD video, DWORD audio) = 0;                            // 39
    virtual HRESULT GetDiscardNegative(DWORD* video, DWORD* audio) = 0;                          // 40
    virtual HRESULT SetSamplingFrequency(DWORD hertz, DWORD use) = 0;                            // 41
    virtual HRESULT GetSamplingFrequency(DWORD* hertz, DWORD* use) = 0;                          // 42
    virtual HRESULT SetAvgTimePerFrame(REFERENCE_TIME timePerFrame, DWORD use) = 0;              // 43
    virtual HRESULT GetAvgTimePerFrame(REFERENCE_TIME* timePerFrame, DWORD* use) = 0;            // 44
    virtual HRESULT SetChangeOutputFormat(DWORD video, DWORD audio) = 0;                         // 45
    virtual HRESULT GetChangeOutputFormat(DWORD* video, DWORD* audio) = 0;                       // 46
    virtual HRESULT SetVideoHandler(DWORD fourcc) = 0;                                           // 47
    virtual HRESULT GetVideoHandler(DWORD* fourcc) = 0;                                          // 48
    // The number of files written so far by this recording (or the last one).
    virtual HRESULT GetFileCount(DWORD* files) = 0;                                              // 49
    // Frames inserted and deleted by audio synchronisation.
    virtual HRESULT GetSyncCounts(DWORD* inserted, DWORD* deleted) = 0;                          // 50
    // Video frames, audio chunks, dropped video frames and audio samples in the files.
    virtual HRESULT GetStatistics(DWORD* videoFrames, DWORD* audioFrames, DWORD* dropped,
                                  DWORD* audioSamples) = 0;                                      // 51
    // Video frames per second and audio samples per second, measured over the recording.
    virtual HRESULT GetMeasuredRates(double* framesPerSecond, double* samplingFrequency) = 0;     // 52
};
QD_BIND_IID(ITalvinAVIMux, IID_ITalvinAVIMux);

// ITalvinTimeShift: playback of the recording while it is being written. Every call fails with
// VFW_E_WRONG_STATE while no recording with time shift runs.
struct ITalvinTimeShift : IUnknown {
    virtual HRESULT SetSpeed(LONG percent) = 0;                     // 1: 100, 400, -100, -400
    virtual HRESULT Live() = 0;                                     // 2: back to the live picture
    virtual HRESULT PausePlayback() = 0;                            // 3
    virtual HRESULT Seek(LONG seconds) = 0;                         // 4
    virtual HRESULT GetPosition(LONG* position, LONG* length) = 0;  // 5: in seconds
};
QD_BIND_IID(ITalvinTimeShift, IID_ITalvinTimeShift);
