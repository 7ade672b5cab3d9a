#include "platform/media/devices/codec_devices.h"

#include "platform/com/wide_text.h"
#include "platform/media/codecs/codec_table.h"
#include "platform/media/codecs/compressor_filter.h"
#include "platform/media/codecs/effect_filter.h"
#include "platform/media/codecs/settings_filter.h"

namespace media {
namespace {

using namespace codecs;

DeviceEntry Entry(const char* kind, const char* factory, const char16_t* friendlyName) {
    DeviceEntry e;
    e.displayName = Utf8ToWide(std::string("@device:") + kind + ":" + factory);
    e.friendlyName = friendlyName;
    e.devicePath = Utf8ToWide(factory);
    e.filterClass = ElementFilterClass(factory);
    return e;
}

std::vector<DeviceEntry> EffectEntries(const char* kind, bool (*wanted)(const EffectInfo&)) {
    std::vector<DeviceEntry> entries;
    for (const EffectInfo& info : Effects()) {
        if (!wanted(info) || !ElementInstalled(info.factory)) continue;
        DeviceEntry e = Entry(kind, info.factory, info.friendlyName);
        e.create = [&info](REFIID riid, void** object) { return CreateEffectFilter(info, riid, object); };
        entries.push_back(std::move(e));
    }
    return entries;
}

}  // namespace

std::vector<DeviceEntry> VideoCompressorEntries() {
    std::vector<DeviceEntry> entries;
    for (const VideoCompressorInfo& info : VideoCompressors()) {
        if (!ElementInstalled(info.factory)) continue;
        DeviceEntry e = Entry("cm", info.factory, info.friendlyName);
        e.create = [&info](REFIID riid, void** object) { return CreateVideoCompressor(info, riid, object); };
        entries.push_back(std::move(e));
    }
    return entries;
}

std::vector<DeviceEntry> AudioCompressorEntries() {
    std::vector<DeviceEntry> entries;
    for (const AudioCompressorInfo& info : AudioCompressors()) {
        if (!ElementInstalled(info.factory)) continue;
        DeviceEntry e = Entry("cm", info.factory, info.friendlyName);
        e.create = [&info](REFIID riid, void** object) { return CreateAudioCompressor(info, riid, object); };
        entries.push_back(std::move(e));
    }
    return entries;
}

std::vector<DeviceEntry> ChainFilterEntries() {
    return EffectEntries("sw", [](const EffectInfo& info) { return info.inFilterList; });
}

std::vector<DeviceEntry> VideoEffectEntries() {
    return EffectEntries("dmo", [](const EffectInfo& info) { return info.list == EffectList::VideoEffects; });
}

std::vector<DeviceEntry> AudioEffectEntries() {
    return EffectEntries("dmo", [](const EffectInfo& info) { return info.list == EffectList::AudioEffects; });
}

std::vector<DeviceEntry> AudioCaptureEffectEntries() {
    return EffectEntries("dmo", [](const EffectInfo& info) { return info.list == EffectList::AudioCaptureEffects; });
}

}  // namespace media
