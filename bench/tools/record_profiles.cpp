#include "bench/tools/record_profiles.h"

#include "common/friendly_name.h"
#include "common/object_state.h"
#include "platform/com/com_runtime.h"
#include "platform/media/gst.h"
#include "platform/media/interfaces/device_enum.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/media/format_blocks.h"
#include "platform/media/interfaces/element_settings.h"
#include "platform/media/media_types.h"
#include "profiles/profile_store.h"

namespace bench {
namespace {

constexpr const char* kX264 = "H.264 (x264)";

ComPtr<IBaseFilter> BindVideoCompressor(const std::string& friendlyName) {
    ComPtr<ICreateDevEnum> devices;
    ComPtr<IEnumMoniker> monikers;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                devices.ReleaseAndGetVoidAddress())) ||
        devices->CreateClassEnumerator(CLSID_VideoCompressorCategory, monikers.ReleaseAndGetAddressOf(), 0) != S_OK)
        return nullptr;
    IMoniker* moniker = nullptr;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
        ComPtr<IMoniker> held = ComPtr<IMoniker>::Attach(moniker);
        std::string name;
        ComPtr<IBaseFilter> filter;
        if (SUCCEEDED(GetFriendlyName(held.Get(), &name)) && name == friendlyName &&
            SUCCEEDED(held->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress())))
            return filter;
    }
    return nullptr;
}

std::vector<std::string> PropertyArguments(GstElement* element) {
    std::vector<std::string> args;
    guint count = 0;
    GParamSpec** specs = g_object_class_list_properties(G_OBJECT_GET_CLASS(element), &count);
    for (guint i = 0; i < count; ++i) {
        GParamSpec* spec = specs[i];
        if ((spec->flags & G_PARAM_READWRITE) != G_PARAM_READWRITE || (spec->flags & G_PARAM_CONSTRUCT_ONLY) ||
            spec->owner_type == GST_TYPE_OBJECT || spec->owner_type == G_TYPE_OBJECT)
            continue;
        GValue value = G_VALUE_INIT;
        g_value_init(&value, spec->value_type);
        g_object_get_property(G_OBJECT(element), spec->name, &value);
        // A property left at its default is not given: x264enc would take it over its preset.
        if (g_param_value_defaults(spec, &value)) {
            g_value_unset(&value);
            continue;
        }
        gchar* text = gst_value_serialize(&value);
        if (text && *text) args.push_back(std::string(spec->name) + "=" + text);
        g_free(text);
        g_value_unset(&value);
    }
    g_free(specs);
    return args;
}

std::string Narrow(const char16_t* text) {
    std::string narrow;
    for (; *text; ++text) narrow += static_cast<char>(*text);
    return narrow;
}

// The virtual card's picture (YUY2 at the setup's size, 29.97 frames per second) and sound,
// recorded and not previewed; every other setting of the card is left at its default.
std::unique_ptr<CDeviceProfile> CardProfile(const RecordSetup& setup) {
    auto device = std::make_unique<CDeviceProfile>();
    device->Name = "virtual card " + std::to_string(setup.width) + "x" + std::to_string(setup.height);
    device->VideoDeviceMoniker = Narrow(media::kVirtualTvCardName);
    device->AudioDeviceMoniker = Narrow(media::kVirtualTvCardAudioName);
    device->CaptureVideoMode = 3;  // recorded, not previewed
    device->CaptureAudioMode = 2;  // recorded, not heard
    device->ApplyPriority = kDefaultApplyPriority;
    for (DWORD& excluded : device->ExcludeItem) excluded = 1;
    device->ExcludeItem[ApplyStreamConfigVideoCapturePin] = 0;
    VideoStreamFormat& format = device->VideoFormats[VideoCapturePin];
    format.FormatType = FORMAT_VideoInfo;
    format.Subtype = MEDIASUBTYPE_YUY2;
    format.AvgTimePerFrame = 333667;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = setup.width;
    header.biHeight = setup.height;
    header.biPlanes = 1;
    header.biBitCount = 16;
    header.biCompression = MakeFourcc('Y', 'U', 'Y', '2');
    header.biSizeImage = static_cast<DWORD>(setup.width * setup.height * 2);
    format.BitmapInfoHeader.Set(header);
    return device;
}

std::unique_ptr<CMuxProfile> MuxProfile(const RecordSetup& setup) {
    auto mux = std::make_unique<CMuxProfile>();
    mux->Name = "layout " + std::to_string(setup.muxMode);
    mux->MuxMode = static_cast<DWORD>(setup.muxMode);
    // What the sheet fills in for the platform's multiplexer.
    mux->MSMasterStream = -1;
    mux->MSCompatIndex = 1;
    mux->InterleavePeriod = 10'000'000;
    mux->SplitMaxFiles = 0;            // no limit
    mux->SplitMaxFileSizeMB = 2048;    // the largest piece
    mux->DropThreshold = 2.5;
    mux->AvgTimePerFrame = 333667;
    mux->SetAvgTimePerFrame = 1;
    return mux;
}

}  // namespace

bool WriteX264RecordProfiles(const std::string& directory, const RecordSetup& setup, std::string& error,
                             std::vector<std::string>* encoderArguments) {
    ComPtr<IBaseFilter> compressor = BindVideoCompressor(kX264);
    ComPtr<IElementSettings> settings;
    if (!compressor || FAILED(compressor->QueryInterface(IID_IElementSettings, settings.ReleaseAndGetVoidAddress()))) {
        error = "no x264 compressor with element settings";
        return false;
    }
    g_object_set(settings->GetSettingsElement(), "speed-preset", 1 /* ultrafast */, nullptr);
    settings->SettingsChanged();
    auto profile = std::make_unique<CCompressorProfile>();
    profile->Name = "x264 ultrafast";
    profile->VideoCompressorName = kX264;
    if (FAILED(SaveObjectState(compressor.Get(), &profile->VideoFilterState))) {
        error = "the compressor's state cannot be saved";
        return false;
    }
    if (encoderArguments) {
        // What a recording restores: the saved state loaded into a fresh compressor.
        ComPtr<IBaseFilter> restored = BindVideoCompressor(kX264);
        ComPtr<IElementSettings> restoredSettings;
        if (!restored || FAILED(LoadObjectState(restored.Get(), profile->VideoFilterState.data(),
                                                static_cast<DWORD>(profile->VideoFilterState.size()))) ||
            FAILED(restored->QueryInterface(IID_IElementSettings, restoredSettings.ReleaseAndGetVoidAddress()))) {
            error = "the saved compressor state cannot be restored";
            return false;
        }
        *encoderArguments = PropertyArguments(restoredSettings->GetSettingsElement());
    }
    CProfileStore store(directory);
    store.CompressorProfiles.push_back(std::move(profile));
    store.CurrentCompressor = store.CompressorProfiles.back().get();
    store.DeviceProfiles.push_back(CardProfile(setup));
    store.CurrentDevice = store.DeviceProfiles.back().get();
    store.MuxProfiles.push_back(MuxProfile(setup));
    store.CurrentMux = store.MuxProfiles.back().get();
    if (!store.SaveProfileFiles()) {
        error = "the profile files cannot be written to " + directory;
        return false;
    }
    return true;
}

}  // namespace bench
