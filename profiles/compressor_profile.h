// A compressor profile: either a pair of codec filters with their settings and saved state,
// or a Windows Media profile for the ASF writer.
#pragma once

#include <string>
#include <vector>

#include "platform/com/types.h"
#include "profiles/archive.h"

class CCompressorProfile : public CObject {
public:
    enum : DWORD { KindCodecFilters = 0, KindWindowsMedia = 1 };

    static constexpr CRuntimeClass RuntimeClass{"CCompressorProfile", 0};
    const CRuntimeClass* GetRuntimeClass() const override { return &RuntimeClass; }
    void Serialize(CArchive& ar) override;
    // Every field; the blobs are duplicated.
    void Copy(const CCompressorProfile& other) { *this = other; }
    bool operator==(const CCompressorProfile&) const = default;

    std::string Name;
    DWORD Kind = KindCodecFilters;
    std::string VideoCompressorName;
    std::string AudioCompressorName;
    std::string VideoCompressorMoniker;
    std::string AudioCompressorMoniker;
    std::string WMProfileName;
    DWORD KeyFrameRate = 0;
    DWORD PFramesPerKeyFrame = 0;
    double Quality = 0.0;
    ULONGLONG WindowSize = 0;
    DWORD DataRate = 0;  // bits per second: the page's kilobytes per second times 8192
    DWORD SetKeyFrameRate = 0;
    DWORD SetPFramesPerKeyFrame = 0;
    DWORD SetQuality = 0;
    DWORD SetWindowSize = 0;
    DWORD SetDataRate = 0;
    std::vector<BYTE> VideoDialogState;
    DWORD SaveVideoConfig = 1;
    DWORD ConnectVideoInput = 1;
    DWORD DiscardVideoEveryTime = 0;
    std::vector<BYTE> VideoFilterState;
    std::vector<BYTE> AudioOutputFormat;
    DWORD RestrictAudioFormat = 0;
    DWORD ConnectAudioInput = 1;
    DWORD DiscardAudioEveryTime = 0;
    std::vector<BYTE> AudioFilterState;
    DWORD WMDeinterlaceMode = 0;
    DWORD WMInverseTelecine = 0;
    DWORD WMIndex = 1;
};
