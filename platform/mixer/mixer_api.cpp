// The mixer calls over the device list: open handles are kept in a table, so a stale or made-up
// handle is refused rather than followed.
#include "platform/mixer/mixer_api.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include "platform/mixer/mixer_device.h"

namespace mixer {
namespace {

// Line IDs: destination 0 is 0, source s is (s + 1) << 16. Control IDs: line number * 2, plus 1
// for the mute control.
DWORD LineId(std::size_t line) { return static_cast<DWORD>(line << 16); }
DWORD ControlId(std::size_t line, DWORD type) {
    return static_cast<DWORD>(line * 2 + (type == MIXERCONTROL_CONTROLTYPE_MUTE ? 1 : 0));
}

struct OpenMixer {
    std::unique_ptr<MixerDevice> device;
    std::vector<MixerLineDescription> lines;
};

struct HandleTable {
    std::mutex lock;
    std::map<HMIXER, OpenMixer> open;
    std::uintptr_t next = 1;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

// The open device of a handle; null for a handle that is not open.
OpenMixer* Find(HandleTable& table, HMIXEROBJ handle) {
    const auto it = table.open.find(handle);
    return it == table.open.end() ? nullptr : &it->second;
}

bool IsHandleFlag(DWORD flags) { return (flags & 0xF0000000) == MIXER_OBJECTF_HMIXER; }

template <std::size_t N>
void CopyName(char (&to)[N], const std::string& from) {
    std::memset(to, 0, N);
    std::memcpy(to, from.data(), std::min(from.size(), N - 1));
}

void DescribeLine(const OpenMixer& mixer, std::size_t line, MIXERLINEA* out) {
    const MixerLineDescription& d = mixer.lines[line];
    const DWORD cbStruct = out->cbStruct;
    const DWORD_PTR user = out->dwUser;
    std::memset(out, 0, sizeof *out);
    out->cbStruct = cbStruct;
    out->dwUser = user;
    out->dwDestination = 0;
    out->dwSource = line == 0 ? 0 : static_cast<DWORD>(line - 1);
    out->dwLineID = LineId(line);
    out->fdwLine = MIXERLINE_LINEF_ACTIVE | (line == 0 ? 0 : MIXERLINE_LINEF_SOURCE);
    out->dwComponentType = d.componentType;
    out->cChannels = d.channels;
    out->cConnections = line == 0 ? static_cast<DWORD>(mixer.lines.size() - 1) : 0;
    out->cControls = (d.hasVolume ? 1 : 0) + (d.hasMute ? 1 : 0);
    CopyName(out->szShortName, d.shortName);
    CopyName(out->szName, d.name);
    CopyName(out->Target.szPname, mixer.device->ProductName());
}

// The line a MIXERLINEA names by the query in `flags`; nullopt when there is none.
std::optional<std::size_t> FindLine(const OpenMixer& mixer, const MIXERLINEA& query, DWORD flags) {
    const std::size_t sources = mixer.lines.size() - 1;
    switch (flags & MIXER_GETLINEINFOF_QUERYMASK) {
    case MIXER_GETLINEINFOF_DESTINATION:
        if (query.dwDestination == 0) return 0;
        break;
    case MIXER_GETLINEINFOF_SOURCE:
        if (query.dwDestination == 0 && query.dwSource < sources) return query.dwSource + 1;
        break;
    case MIXER_GETLINEINFOF_LINEID:
        for (std::size_t line = 0; line < mixer.lines.size(); ++line)
            if (LineId(line) == query.dwLineID) return line;
        break;
    case MIXER_GETLINEINFOF_COMPONENTTYPE:
        for (std::size_t line = 0; line < mixer.lines.size(); ++line)
            if (mixer.lines[line].componentType == query.dwComponentType) return line;
        break;
    }
    return std::nullopt;
}

struct ControlRef {
    std::size_t line;
    DWORD type;
};

std::optional<ControlRef> FindControl(const OpenMixer& mixer, DWORD controlId) {
    const std::size_t line = controlId / 2;
    if (line >= mixer.lines.size()) return std::nullopt;
    const bool mute = (controlId & 1) != 0;
    const MixerLineDescription& d = mixer.lines[line];
    if (mute ? !d.hasMute : !d.hasVolume) return std::nullopt;
    return ControlRef{line, mute ? MIXERCONTROL_CONTROLTYPE_MUTE : MIXERCONTROL_CONTROLTYPE_VOLUME};
}

// One value for all channels, four bytes of details, nothing else is offered.
bool IsSingleValueRequest(const MIXERCONTROLDETAILS* details) {
    return details && details->cbStruct >= sizeof(MIXERCONTROLDETAILS) && details->cChannels == 1 &&
           details->cbDetails == sizeof(DWORD) && details->paDetails;
}

}  // namespace

std::size_t OpenMixerHandles() {
    HandleTable& table = Handles();
    std::lock_guard guard(table.lock);
    return table.open.size();
}

}  // namespace mixer

using namespace mixer;

UINT mixerGetNumDevs() { return static_cast<UINT>(MixerDevices().size()); }

MMRESULT mixerGetDevCapsA(UINT deviceId, MIXERCAPSA* caps, UINT size) {
    if (!caps || size < sizeof(MIXERCAPSA)) return MMSYSERR_INVALPARAM;
    const std::vector<MixerDeviceOpener> devices = MixerDevices();
    if (deviceId >= devices.size()) return MMSYSERR_BADDEVICEID;
    const std::unique_ptr<MixerDevice> device = devices[deviceId]();
    if (!device) return MMSYSERR_NODRIVER;
    std::memset(caps, 0, sizeof *caps);
    CopyName(caps->szPname, device->ProductName());
    caps->cDestinations = 1;
    return MMSYSERR_NOERROR;
}

MMRESULT mixerOpen(HMIXER* mixer, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    if (!mixer) return MMSYSERR_INVALPARAM;
    *mixer = nullptr;
    if (callback != 0 || instance != 0 || flags != MIXER_OBJECTF_MIXER) return MMSYSERR_INVALFLAG;
    const std::vector<MixerDeviceOpener> devices = MixerDevices();
    if (deviceId >= devices.size()) return MMSYSERR_BADDEVICEID;
    std::unique_ptr<MixerDevice> device = devices[deviceId]();
    if (!device) return MMSYSERR_NODRIVER;
    std::vector<MixerLineDescription> lines = device->Lines();
    if (lines.empty()) return MMSYSERR_NODRIVER;  // not even destination 0
    HandleTable& table = Handles();
    std::lock_guard guard(table.lock);
    const auto handle = reinterpret_cast<HMIXER>(table.next++);
    table.open.emplace(handle, OpenMixer{std::move(device), std::move(lines)});
    *mixer = handle;
    return MMSYSERR_NOERROR;
}

MMRESULT mixerClose(HMIXER mixer) {
    HandleTable& table = Handles();
    std::lock_guard guard(table.lock);
    return table.open.erase(mixer) == 1 ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT mixerGetLineInfoA(HMIXEROBJ mixer, MIXERLINEA* line, DWORD flags) {
    if (!IsHandleFlag(flags)) return MMSYSERR_INVALFLAG;
    if (!line || line->cbStruct < sizeof(MIXERLINEA)) return MMSYSERR_INVALPARAM;
    HandleTable& table = Handles();
    std::lock_guard guard(table.lock);
    const OpenMixer* open = Find(table, mixer);
    if (!open) return MMSYSERR_INVALHANDLE;
    const std::optional<std::size_t> found = FindLine(*open, *line, flags);
    if (!found) return MIXERR_INVALLINE;
    DescribeLine(*open, *found, line);
    return MMSYSERR_NOERROR;
}

MMRESULT mixerGetLineControlsA(HMIXEROBJ mixer, MIXERLINECONTROLSA* controls, DWORD flags) {
    if (!IsHandleFlag(flags) || (flags & MIXER_GETLINECONTROLSF_QUERYMASK) != MIXER_GETLINECONTROLSF_ONEBYTYPE)
        return MMSYSERR_INVALFLAG;
    if (!controls || controls->cbStruct < sizeof(MIXERLINECONTROLSA) || controls->cControls != 1 ||
        controls->cbmxctrl < sizeof(MIXERCONTROLA) || !controls->pamxctrl)
        return MMSYSERR_INVALPARAM;
    HandleTable& table = Handles();
    std::lock_guard guard(table.lock);
    const OpenMixer* open = Find(table, mixer);
    if (!open) return MMSYSERR_INVALHANDLE;
    const DWORD type = controls->dwControlType;
    std::optional<std::size_t> line;
    for (std::size_t i = 0; i < open->lines.size(); ++i)
        if (LineId(i) == controls->dwLineID) line = i;
    if (!line) return MIXERR_INVALLINE;
    const MixerLineDescription& d = open->lines[*line];
    const bool volume = type == MIXERCONTROL_CONTROLTYPE_VOLUME && d.hasVolume;
    const bool mute = type == MIXERCONTROL_CONTROLTYPE_MUTE && d.hasMute;
    if (!volume && !mute) return MIXERR_INVALCONTROL;

    MIXERCONTROLA& control = *controls->pamxctrl;
    std::memset(&control, 0, sizeof control);
    control.cbStruct = sizeof control;
    control.dwControlID = ControlId(*line, type);
    control.dwControlType = type;
    control.fdwControl = MIXERCONTROL_CONTROLF_UNIFORM;
    CopyName(control.szShortName, volume ? "Volume" : "Mute");
    CopyName(control.szName, d.name + (volume ? " Volume" : " Mute"));
    control.Bounds.s2.dwMinimum = volume ? d.volumeMinimum : 0;
    control.Bounds.s2.dwMaximum = volume ? d.volumeMaximum : 1;
    control.Metrics.cSteps = volume ? d.volumeMaximum - d.volumeMinimum : 0;
    return MMSYSERR_NOERROR;
}

MMRESULT mixerGetControlDetailsA(HMIXEROBJ mixer, MIXERCONTROLDETAILS* details, DWORD flags) {
    if (!IsHandleFlag(flags) || (flags & MIXER_CONTROLDETAILSF_QUERYMASK) != MIXER_GETCONTROLDETAILSF_VALUE)
        return MMSYSERR_INVALFLAG;
    if (!IsSingleValueRequest(details)) return MMSYSERR_INVALPARAM;
    HandleTable& table = Handles();
    std::lock_guard guard(table.lock);
    OpenMixer* open = Find(table, mixer);
    if (!open) return MMSYSERR_INVALHANDLE;
    const std::optional<ControlRef> control = FindControl(*open, details->dwControlID);
    if (!control) return MIXERR_INVALCONTROL;
    if (control->type == MIXERCONTROL_CONTROLTYPE_MUTE) {
        bool muted = false;
        if (!open->device->ReadMute(control->line, &muted)) return MMSYSERR_ERROR;
        static_cast<MIXERCONTROLDETAILS_BOOLEAN*>(details->paDetails)->fValue = muted ? 1 : 0;
    } else {
        DWORD value = 0;
        if (!open->device->ReadVolume(control->line, &value)) return MMSYSERR_ERROR;
        static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)->dwValue = value;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT mixerSetControlDetails(HMIXEROBJ mixer, MIXERCONTROLDETAILS* details, DWORD flags) {
    if (!IsHandleFlag(flags) || (flags & MIXER_CONTROLDETAILSF_QUERYMASK) != MIXER_SETCONTROLDETAILSF_VALUE)
        return MMSYSERR_INVALFLAG;
    if (!IsSingleValueRequest(details)) return MMSYSERR_INVALPARAM;
    HandleTable& table = Handles();
    std::lock_guard guard(table.lock);
    OpenMixer* open = Find(table, mixer);
    if (!open) return MMSYSERR_INVALHANDLE;
    const std::optional<ControlRef> control = FindControl(*open, details->dwControlID);
    if (!control) return MIXERR_INVALCONTROL;
    if (control->type == MIXERCONTROL_CONTROLTYPE_MUTE) {
        const bool muted = static_cast<const MIXERCONTROLDETAILS_BOOLEAN*>(details->paDetails)->fValue != 0;
        return open->device->WriteMute(control->line, muted) ? MMSYSERR_NOERROR : MMSYSERR_ERROR;
    }
    const DWORD value = static_cast<const MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)->dwValue;
    const MixerLineDescription& d = open->lines[control->line];
    if (value < d.volumeMinimum || value > d.volumeMaximum) return MIXERR_INVALVALUE;
    return open->device->WriteVolume(control->line, value) ? MMSYSERR_NOERROR : MMSYSERR_ERROR;
}
