#include "platform/mixer/alsa_mixer.h"

#include <alsa/asoundlib.h>

#include "platform/mixer/alsa_line_layout.h"
#include "platform/mixer/mixer_api.h"

namespace mixer {
namespace {

struct MixerHandleCloser {
    void operator()(snd_mixer_t* handle) const { snd_mixer_close(handle); }
};
using AlsaMixerHandle = std::unique_ptr<snd_mixer_t, MixerHandleCloser>;

std::string CardName(int card) {
    char* name = nullptr;
    if (snd_card_get_name(card, &name) < 0 || !name) return {};
    std::string text(name);
    free(name);
    return text;
}

AlsaMixerHandle OpenCardMixer(int card) {
    snd_mixer_t* raw = nullptr;
    if (snd_mixer_open(&raw, 0) < 0) return nullptr;
    AlsaMixerHandle handle(raw);
    const std::string device = "hw:" + std::to_string(card);
    if (snd_mixer_attach(handle.get(), device.c_str()) < 0 || snd_mixer_selem_register(handle.get(), nullptr, nullptr) < 0 ||
        snd_mixer_load(handle.get()) < 0)
        return nullptr;
    return handle;
}

AlsaElementInfo DescribeElement(snd_mixer_elem_t* element) {
    AlsaElementInfo info;
    info.name = snd_mixer_selem_get_name(element);
    info.index = snd_mixer_selem_get_index(element);
    info.playbackVolume = snd_mixer_selem_has_playback_volume(element) != 0;
    info.playbackSwitch = snd_mixer_selem_has_playback_switch(element) != 0;
    return info;
}

class AlsaMixerDevice final : public MixerDevice {
public:
    AlsaMixerDevice(int card, AlsaMixerHandle handle) : name_(CardName(card)), handle_(std::move(handle)) {
        std::vector<snd_mixer_elem_t*> elements;
        std::vector<AlsaElementInfo> infos;
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(handle_.get()); e; e = snd_mixer_elem_next(e)) {
            if (!snd_mixer_selem_is_active(e)) continue;
            elements.push_back(e);
            infos.push_back(DescribeElement(e));
        }
        const AlsaLineLayout layout = ChooseAlsaLines(infos);
        // Destination 0 without a master element has no controls of its own.
        if (layout.destination) AddLine(elements[*layout.destination], infos[*layout.destination], true);
        else lines_.push_back({nullptr, Describe(nullptr, {"Master"}, true), AlsaVolumeRange(0, 0)});
        for (std::size_t source : layout.sources) AddLine(elements[source], infos[source], false);
    }

    std::string ProductName() const override { return name_; }

    std::vector<MixerLineDescription> Lines() const override {
        std::vector<MixerLineDescription> lines;
        for (const Line& line : lines_) lines.push_back(line.description);
        return lines;
    }

    bool ReadVolume(std::size_t line, DWORD* value) override {
        snd_mixer_elem_t* element = VolumeElement(line);
        long raw = 0;
        if (!element || snd_mixer_selem_get_playback_volume(element, SND_MIXER_SCHN_FRONT_LEFT, &raw) < 0) return false;
        *value = lines_[line].range.ToMixer(raw);
        return true;
    }

    bool WriteVolume(std::size_t line, DWORD value) override {
        snd_mixer_elem_t* element = VolumeElement(line);
        if (!element) return false;
        const std::optional<long> raw = lines_[line].range.ToAlsa(value);
        return raw && snd_mixer_selem_set_playback_volume_all(element, *raw) >= 0;
    }

    // ALSA's playback switch is on when the sound plays: mute is its opposite.
    bool ReadMute(std::size_t line, bool* muted) override {
        snd_mixer_elem_t* element = SwitchElement(line);
        int on = 0;
        if (!element || snd_mixer_selem_get_playback_switch(element, SND_MIXER_SCHN_FRONT_LEFT, &on) < 0) return false;
        *muted = on == 0;
        return true;
    }

    bool WriteMute(std::size_t line, bool muted) override {
        snd_mixer_elem_t* element = SwitchElement(line);
        return element && snd_mixer_selem_set_playback_switch_all(element, muted ? 0 : 1) >= 0;
    }

private:
    struct Line {
        snd_mixer_elem_t* element;
        MixerLineDescription description;
        AlsaVolumeRange range;
    };

    static MixerLineDescription Describe(snd_mixer_elem_t* element, const AlsaElementInfo& info, bool destination) {
        MixerLineDescription d;
        d.name = d.shortName = AlsaLineName(info);
        d.componentType = destination ? MIXERLINE_COMPONENTTYPE_DST_SPEAKERS : AlsaComponentType(info);
        d.channels = element && snd_mixer_selem_is_playback_mono(element) ? 1 : 2;
        d.hasVolume = info.playbackVolume;
        d.hasMute = info.playbackSwitch;
        return d;
    }

    void AddLine(snd_mixer_elem_t* element, const AlsaElementInfo& info, bool destination) {
        long minimum = 0, maximum = 0;
        if (info.playbackVolume) snd_mixer_selem_get_playback_volume_range(element, &minimum, &maximum);
        const AlsaVolumeRange range(minimum, maximum);
        MixerLineDescription description = Describe(element, info, destination);
        description.volumeMaximum = range.MixerMaximum();
        lines_.push_back({element, std::move(description), range});
    }

    snd_mixer_elem_t* VolumeElement(std::size_t line) const {
        return line < lines_.size() && lines_[line].description.hasVolume ? lines_[line].element : nullptr;
    }
    snd_mixer_elem_t* SwitchElement(std::size_t line) const {
        return line < lines_.size() && lines_[line].description.hasMute ? lines_[line].element : nullptr;
    }

    std::string name_;
    AlsaMixerHandle handle_;
    std::vector<Line> lines_;
};

}  // namespace

std::vector<MixerDeviceOpener> AlsaMixerDevices() {
    std::vector<MixerDeviceOpener> devices;
    int card = -1;
    while (snd_card_next(&card) >= 0 && card >= 0) {
        devices.emplace_back([card]() -> std::unique_ptr<MixerDevice> {
            AlsaMixerHandle handle = OpenCardMixer(card);
            if (!handle) return nullptr;
            return std::make_unique<AlsaMixerDevice>(card, std::move(handle));
        });
    }
    return devices;
}

}  // namespace mixer
