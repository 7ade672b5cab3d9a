#include "platform/media/capture_filters/v4l2_crossbar.h"

#include <linux/videodev2.h>

#include <cerrno>
#include <vector>

#include "platform/media/capture_filters/v4l2_device.h"
#include "platform/media/capture_filters/v4l2_tuner.h"

#include "platform/com/wide_text.h"
#include "platform/media/capture_constants.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/tv_hardware.h"

namespace media {
namespace {

struct Input {
    std::u16string name;
    LONG type;
    std::uint32_t tuner;  // the device's tuner index, for a tuner input
};

std::vector<Input> EnumerateInputs(const V4l2DeviceHandle& device) {
    std::vector<Input> inputs;
    for (__u32 i = 0;; ++i) {
        v4l2_input input{};
        input.index = i;
        if (device.Ioctl(VIDIOC_ENUMINPUT, &input) < 0) break;
        const LONG type = input.type == V4L2_INPUT_TYPE_TUNER ? PhysConn_Video_Tuner : PhysConn_Video_Composite;
        inputs.push_back({Utf8ToWide(reinterpret_cast<const char*>(input.name)) + u" In", type, input.tuner});
    }
    return inputs;
}

class V4l2CrossbarFilter final : public ComExtend<GstFilterBase, IAMCrossbar> {
public:
    V4l2CrossbarFilter(std::string path, const std::vector<Input>& inputs)
        : ComExtend(CLSID_QuilldeckV4l2Crossbar, u"Video Crossbar", nullptr, &CaptureFilterCounter()), path_(std::move(path)) {
        for (const Input& in : inputs) {
            PinSetup setup;
            setup.name = in.name;
            setup.direction = PINDIR_INPUT;
            auto* pin = AddPin(std::make_unique<CapturePin>(this, std::move(setup)));
            types_.push_back(in.type);
            if (in.type == PhysConn_Video_Tuner && !tuner_.filter) ConnectTuner(in.tuner, pin);
        }
        PinSetup out;
        out.name = u"Video Decoder Out";
        output = AddPin(std::make_unique<CapturePin>(this, std::move(out)));
    }

    ~V4l2CrossbarFilter() override {
        output->UnlinkMedium();
        if (tunerInput_) tunerInput_->UnlinkMedium();
    }

    CapturePin* output = nullptr;

    HRESULT get_PinCounts(LONG* outputs, LONG* inputs) override {
        if (!outputs || !inputs) return E_POINTER;
        *outputs = 1;
        *inputs = static_cast<LONG>(types_.size());
        return S_OK;
    }
    HRESULT CanRoute(LONG out, LONG in) override {
        if (out != 0 || in < -1 || in >= static_cast<LONG>(types_.size())) return E_INVALIDARG;
        return in == -1 ? S_FALSE : S_OK;  // V4L2 always has one input selected
    }
    HRESULT Route(LONG out, LONG in) override {
        if (CanRoute(out, in) != S_OK) return E_INVALIDARG;
        V4l2DeviceHandle device(path_);
        int index = static_cast<int>(in);
        if (!device.Open() || device.Ioctl(VIDIOC_S_INPUT, &index) < 0) return HResultFromErrno(errno);
        return S_OK;
    }
    HRESULT get_IsRoutedTo(LONG out, LONG* in) override {
        if (!in) return E_POINTER;
        if (out != 0) return E_INVALIDARG;
        V4l2DeviceHandle device(path_);
        int index = -1;
        if (!device.Open() || device.Ioctl(VIDIOC_G_INPUT, &index) < 0) return HResultFromErrno(errno);
        *in = index;
        return S_OK;
    }
    HRESULT get_CrossbarPinInfo(BOOL isInput, LONG index, LONG* related, LONG* type) override {
        if (!related || !type) return E_POINTER;
        if (isInput ? (index < 0 || index >= static_cast<LONG>(types_.size())) : index != 0) return E_INVALIDARG;
        *related = -1;
        *type = isInput ? types_[static_cast<std::size_t>(index)] : PhysConn_Video_VideoDecoder;
        return S_OK;
    }

private:
    // The device's tuner, when it has one, feeds the tuner input.
    void ConnectTuner(std::uint32_t index, CapturePin* input) {
        tuner_ = CreateV4l2Tuner(path_, index);
        if (!tuner_.filter) return;
        CapturePin::LinkMedium(tuner_.videoOutput, input);
        tunerInput_ = input;
    }

    std::string path_;
    std::vector<LONG> types_;
    V4l2Tuner tuner_;  // upstream of the tuner input; lives as long as the crossbar
    CapturePin* tunerInput_ = nullptr;
};

}  // namespace

V4l2Crossbar CreateV4l2Crossbar(const std::string& devicePath) {
    std::vector<Input> inputs;
    {
        V4l2DeviceHandle device(devicePath);
        if (!device.Open()) return {};
        inputs = EnumerateInputs(device);
    }
    if (inputs.empty()) return {};
    ComPtr<V4l2CrossbarFilter> filter = MakeComObject<V4l2CrossbarFilter>(devicePath, inputs);
    if (!filter) return {};
    V4l2Crossbar result;
    result.output = filter->output;
    result.filter = ComPtr<IBaseFilter>(filter.Get());
    return result;
}

}  // namespace media
