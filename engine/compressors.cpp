// Compressors: finding and binding the ones a compressor profile names, restoring their saved
// state, and applying the compression settings of the profiles to them and to the capture pins.
#include <cstring>

#include "common/friendly_name.h"
#include "common/object_state.h"
#include "engine/capture_engine.h"
#include "platform/com/com_runtime.h"
#include "platform/com/task_memory.h"
#include "platform/com/wide_text.h"
#include "platform/media/format_blocks.h"
#include "platform/media/interfaces/compression.h"
#include "platform/media/media_types.h"
#include "platform/system/codepage.h"

namespace {

constexpr DWORD kNoHandler = 0x20424944;  // 'DIB ': uncompressed

std::string DisplayNameOf(IMoniker* moniker) {
    LPOLESTR name = nullptr;
    if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &name)) || !name) return {};
    std::string result = WideToAnsi(std::u16string(WideView(name)));
    CoTaskMemFree(name);
    return result;
}

}  // namespace

// The first entry of `list` whose friendly name is `friendlyName` and, when `displayName` is
// not empty, whose display name is `displayName`.
ComPtr<IMoniker> CCaptureEngine::FindCatalogMoniker(const std::vector<ComPtr<IMoniker>>& list,
                                                    const std::string& friendlyName, const std::string& displayName) {
    for (const ComPtr<IMoniker>& moniker : list) {
        std::string friendly;
        if (FAILED(GetFriendlyName(moniker.Get(), &friendly)) || friendly != friendlyName) continue;
        if (!displayName.empty() && DisplayNameOf(moniker.Get()) != displayName) continue;
        return moniker;
    }
    return nullptr;
}

// Binds a compressor afresh only when another catalogue entry was chosen, so a compressor
// chosen again keeps the settings made on it.
HRESULT CCaptureEngine::BindCompressor(const ComPtr<IMoniker>& previous, const ComPtr<IMoniker>& entry,
                                       ComPtr<IBaseFilter>& filter, const char* label) {
    if (entry.Get() == previous.Get()) return S_OK;
    filter = nullptr;
    if (!entry) return S_OK;
    const HRESULT hr = entry->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress());
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "%s", label);
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CCaptureEngine::BindCompressors(CCompressorProfile* profile) {
    GraphSession& s = session_;
    HRESULT result = S_OK;
    if (profile && profile->DiscardVideoEveryTime) s.VideoCompressorEntry = nullptr;
    if (profile && profile->DiscardAudioEveryTime) s.AudioCompressorEntry = nullptr;
    ComPtr<IMoniker> previousVideo = std::move(s.VideoCompressorEntry);
    ComPtr<IMoniker> previousAudio = std::move(s.AudioCompressorEntry);
    s.VideoCompressorEntry = nullptr;
    s.AudioCompressorEntry = nullptr;

    if (profile && !profile->VideoCompressorName.empty()) {
        s.VideoCompressorEntry = FindCatalogMoniker(catalog_.List(VideoCompressors), profile->VideoCompressorName,
                                                    profile->VideoCompressorMoniker);
        if (!s.VideoCompressorEntry) {
            ReportFailure(E_FAIL, TRUE, "NotFound VideoCompressor");
            result = E_FAIL;
        }
    }
    if (profile && !profile->AudioCompressorName.empty()) {
        s.AudioCompressorEntry = FindCatalogMoniker(catalog_.List(AudioCompressors), profile->AudioCompressorName,
                                                    profile->AudioCompressorMoniker);
        if (!s.AudioCompressorEntry) {
            ReportFailure(E_FAIL, TRUE, "NotFound AudioCompressor");
            result = E_FAIL;
        }
    }
    if (FAILED(BindCompressor(previousVideo, s.VideoCompressorEntry, s.VideoCompressor, "BindToObject VideoCompressor")))
        result = E_FAIL;
    if (FAILED(BindCompressor(previousAudio, s.AudioCompressorEntry, s.AudioCompressor, "BindToObject AudioCompressor")))
        result = E_FAIL;
    previousVideo = nullptr;
    previousAudio = nullptr;

    if (profile) {
        LoadFilterState(s.VideoCompressor.Get(), profile->VideoFilterState.data(),
                        static_cast<ULONG>(profile->VideoFilterState.size()));
        LoadFilterState(s.AudioCompressor.Get(), profile->AudioFilterState.data(),
                        static_cast<ULONG>(profile->AudioFilterState.size()));
    }
    if (profile && profile->Kind == CCompressorProfile::KindWindowsMedia &&
        !catalog_.FindWindowsMediaProfile(profile->WMProfileName)) {
        ReportFailure(E_FAIL, TRUE, "NotFound IWMProfile");
        result = E_FAIL;
    }
    return result;
}

HRESULT CCaptureEngine::LoadFilterState(IBaseFilter* filter, const BYTE* data, ULONG length) {
    if (!filter) return E_POINTER;
    return LoadObjectState(filter, data, length);
}

void CCaptureEngine::ApplyCompressionSettings(CDeviceProfile* device, CCompressorProfile* compressor, int target) {
    GraphSession& s = session_;
    if (!s.CaptureBuilder) return;
    switch (target) {
    case 0:
        if (device) ApplyPinCompression(device->Compression[VideoCapturePin], s.VideoCapturePin.Get(), "VideoCapturePin");
        break;
    case 1:
        if (device) ApplyPinCompression(device->Compression[VideoPreviewPin], s.VideoPreviewPin.Get(), "VideoPreviewPin");
        break;
    case 2:
        if (compressor) ApplyCompressorSettings(*compressor);
        break;
    default: break;
    }
}

// The settings a device profile keeps for one of the capture filter's own video pins.
void CCaptureEngine::ApplyPinCompression(const VideoCompressionSettings& settings, IPin* pin, const char* pinName) {
    if (!settings.SetQuality && !settings.SetKeyFrameRate && !settings.SetPFramesPerKeyFrame && !settings.SetWindowSize)
        return;
    ComPtr<IAMVideoCompression> compression;
    HRESULT hr = pin ? pin->QueryInterface(IID_IAMVideoCompression, compression.ReleaseAndGetVoidAddress()) : E_POINTER;
    if (FAILED(hr) || !compression) {
        ReportFailure(FAILED(hr) ? hr : E_NOINTERFACE, FALSE, "%s FindInterface IAMVideoCompression", pinName);
        return;
    }
    WCHAR version[160] = {}, description[160] = {};
    int versionSize = sizeof version, descriptionSize = sizeof description;
    LONG keyFrames = 0, pFrames = 0, capabilities = 0;
    double quality = 0;
    if (FAILED(hr = compression->GetInfo(version, &versionSize, description, &descriptionSize, &keyFrames, &pFrames,
                                         &quality, &capabilities)))
        ReportFailure(hr, FALSE, "%s GetInfo", pinName);
    if (settings.SetQuality && FAILED(hr = compression->put_Quality(settings.Quality)))
        ReportFailure(hr, FALSE, "%s put_Quality", pinName);
    if (settings.SetKeyFrameRate && FAILED(hr = compression->put_KeyFrameRate(static_cast<LONG>(settings.KeyFrameRate))))
        ReportFailure(hr, FALSE, "%s put_KeyFrameRate", pinName);
    if (settings.SetPFramesPerKeyFrame &&
        FAILED(hr = compression->put_PFramesPerKeyFrame(static_cast<LONG>(settings.PFramesPerKeyFrame))))
        ReportFailure(hr, FALSE, "%s put_PFramesPerKeyFrame", pinName);
    if (settings.SetWindowSize && FAILED(hr = compression->put_WindowSize(settings.WindowSize)))
        ReportFailure(hr, FALSE, "%s put_WindowSize", pinName);
}

// The bound video compressor's data rate, quality, key frames, P frames and window. A value
// the profile does not set goes back to the codec's default where the codec has one.
void CCaptureEngine::ApplyCompressorSettings(const CCompressorProfile& profile) {
    GraphSession& s = session_;
    const bool codecValues = profile.SetQuality || profile.SetKeyFrameRate || profile.SetPFramesPerKeyFrame ||
                             profile.SetWindowSize;
    if (!codecValues && !profile.SetDataRate) return;
    ComPtr<IPin> output;
    HRESULT hr = s.VideoCompressor ? s.CaptureBuilder->FindPin(s.VideoCompressor.Get(), PINDIR_OUTPUT, nullptr, nullptr,
                                                               FALSE, 0, output.ReleaseAndGetAddressOf())
                                   : E_POINTER;
    if (FAILED(hr)) {
        ReportFailure(hr, FALSE, "FindPin VideoCompressor OutputPin");
        return;
    }
    if (profile.SetDataRate) ApplyCompressorDataRate(output.Get(), profile.DataRate);
    if (!codecValues) return;
    ComPtr<IAMVideoCompression> compression;
    if (FAILED(hr = output->QueryInterface(IID_IAMVideoCompression, compression.ReleaseAndGetVoidAddress()))) {
        ReportFailure(hr, FALSE, "VideoCompressor FindInterface IAMVideoCompression");
        return;
    }
    LONG capabilities = 0;
    if (FAILED(hr = compression->GetInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &capabilities)))
        ReportFailure(hr, FALSE, "VideoCompressor GetInfo");
    if (profile.SetQuality) {
        if (FAILED(hr = compression->put_Quality(profile.Quality))) ReportFailure(hr, FALSE, "VideoCompressor put_Quality");
    } else if (capabilities & CompressionCaps_CanQuality) {
        compression->put_Quality(-1.0);
    }
    if (profile.SetKeyFrameRate) {
        if (FAILED(hr = compression->put_KeyFrameRate(static_cast<LONG>(profile.KeyFrameRate))))
            ReportFailure(hr, FALSE, "VideoCompressor put_KeyFrameRate");
    } else if (capabilities & CompressionCaps_CanKeyFrame) {
        compression->put_KeyFrameRate(-1);
    }
    if (profile.SetPFramesPerKeyFrame) {
        if (FAILED(hr = compression->put_PFramesPerKeyFrame(static_cast<LONG>(profile.PFramesPerKeyFrame))))
            ReportFailure(hr, FALSE, "VideoCompressor put_PFramesPerKeyFrame");
    } else if (capabilities & CompressionCaps_CanBFrame) {
        compression->put_PFramesPerKeyFrame(-1);
    }
    if (profile.SetWindowSize) {
        if (FAILED(hr = compression->put_WindowSize(profile.WindowSize)))
            ReportFailure(hr, FALSE, "VideoCompressor put_WindowSize");
    } else if ((capabilities & (CompressionCaps_CanCrunch | CompressionCaps_CanBFrame)) ==
               (CompressionCaps_CanCrunch | CompressionCaps_CanBFrame)) {
        compression->put_WindowSize(1);
    }
}

// The data rate goes into the output format's bit rate; a format that has none is set back
// unchanged.
void CCaptureEngine::ApplyCompressorDataRate(IPin* output, DWORD dataRate) {
    ComPtr<IAMStreamConfig> config;
    HRESULT hr = output->QueryInterface(IID_IAMStreamConfig, config.ReleaseAndGetVoidAddress());
    if (FAILED(hr)) {
        ReportFailure(hr, FALSE, "VideoCompressor FindInterface IAMStreamConfig");
        return;
    }
    AM_MEDIA_TYPE* type = nullptr;
    if (FAILED(hr = config->GetFormat(&type)) || !type) {
        ReportFailure(FAILED(hr) ? hr : E_POINTER, FALSE, "VideoCompressor GetFormat");
        return;
    }
    const GUID& format = type->formattype;
    if (type->pbFormat && (((format == FORMAT_VideoInfo || format == FORMAT_MPEGVideo) &&
                            type->cbFormat >= sizeof(VIDEOINFOHEADER)) ||
                           ((format == FORMAT_VideoInfo2 || format == FORMAT_MPEG2_VIDEO) &&
                            type->cbFormat >= sizeof(VIDEOINFOHEADER2)))) {
        // dwBitRate sits after the two rectangles in both headers.
        std::memcpy(type->pbFormat + offsetof(VIDEOINFOHEADER, dwBitRate), &dataRate, sizeof dataRate);
    }
    if (FAILED(hr = config->SetFormat(type))) ReportFailure(hr, FALSE, "VideoCompressor SetFormat");
    DeleteMediaType(type);
}

void CCaptureEngine::ApplyVideoDialogState(CCompressorProfile* compressor) {
    GraphSession& s = session_;
    ComPtr<IAMVfwCompressDialogs> dialogs;
    HRESULT hr = s.VideoCompressor ? s.VideoCompressor.As(&dialogs) : E_NOINTERFACE;
    if (compressor && !compressor->VideoDialogState.empty() && compressor->SaveVideoConfig) {
        if (FAILED(hr))
            ReportFailure(hr, FALSE, "QueryInterface IAMVfwCompressDialogs");
        else if (FAILED(hr = dialogs->SetState(compressor->VideoDialogState.data(),
                                               static_cast<int>(compressor->VideoDialogState.size()))))
            ReportFailure(hr, FALSE, "IAMVfwCompressDialogs SetState");
    }
    if (!dialogs) return;
    ICINFO info{};
    info.dwSize = sizeof info;
    const HRESULT answer = dialogs->SendDriverMessage(ICM_GETINFO, reinterpret_cast<LONG_PTR>(&info), sizeof info);
    if (answer != 0 && info.fccHandler != 0 && info.fccHandler != kNoHandler && s.AviMuxControl)
        s.AviMuxControl->SetVideoHandler(info.fccHandler);
}

// The audio compressor's output format control: on its own output pin, where compressors
// keep it, else further downstream. (The builder's downstream search leaves out the filter it
// starts from, so asking it alone would never reach the compressor's own pin.)
HRESULT CCaptureEngine::FindAudioCompressorConfig(ComPtr<IAMStreamConfig>& config) {
    GraphSession& s = session_;
    if (!s.CaptureBuilder || !s.AudioCompressor) return E_POINTER;
    ComPtr<IPin> output;
    if (SUCCEEDED(s.CaptureBuilder->FindPin(s.AudioCompressor.Get(), PINDIR_OUTPUT, nullptr, nullptr, FALSE, 0,
                                            output.ReleaseAndGetAddressOf())) &&
        SUCCEEDED(output.As(&config)))
        return S_OK;
    return s.CaptureBuilder->FindInterface(&LOOK_DOWNSTREAM_ONLY, nullptr, s.AudioCompressor.Get(), IID_IAMStreamConfig,
                                           config.ReleaseAndGetVoidAddress());
}

void CCaptureEngine::ApplyAudioFormat(CCompressorProfile* compressor) {
    if (!compressor || compressor->AudioOutputFormat.empty()) return;
    ComPtr<IAMStreamConfig> config;
    HRESULT hr = FindAudioCompressorConfig(config);
    if (FAILED(hr) || !config) {
        ReportFailure(FAILED(hr) ? hr : E_NOINTERFACE, FALSE, "AudioCompressor FindInterface IAMStreamConfig");
        return;
    }
    AM_MEDIA_TYPE* current = nullptr;
    if (FAILED(hr = config->GetFormat(&current)) || !current) {
        ReportFailure(FAILED(hr) ? hr : E_POINTER, FALSE, "AudioCompressor GetFormat");
        return;
    }
    const bool waveFormat = current->formattype == FORMAT_WaveFormatEx;
    DeleteMediaType(current);
    if (!waveFormat) {
        ReportFailure(E_FAIL, FALSE, "AudioCompressor FORMAT_WaveFormatEx");
        return;
    }
    // The stored block is outside data: it must hold the structure and the extra bytes it
    // announces before it is read.
    const std::vector<BYTE>& block = compressor->AudioOutputFormat;
    WAVEFORMATEX header{};
    if (block.size() >= sizeof header) std::memcpy(&header, block.data(), sizeof header);
    std::vector<BYTE> aligned(block.begin(), block.end());
    AM_MEDIA_TYPE wanted{};
    if (block.size() < sizeof header || block.size() < sizeof header + header.cbSize ||
        FAILED(CreateAudioMediaType(reinterpret_cast<const WAVEFORMATEX*>(aligned.data()), &wanted, TRUE))) {
        ReportFailure(E_FAIL, FALSE, "AudioCompressor CreateAudioMediaType");
        return;
    }
    if (FAILED(hr = config->SetFormat(&wanted))) ReportFailure(hr, FALSE, "AudioCompressor SetFormat");
    FreeMediaType(wanted);
}
