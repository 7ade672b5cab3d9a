#include "platform/media/capture_filters/v4l2_crossbar.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/com/wide_text.h"
#include "platform/media/capture_constants.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/tv_hardware.h"

namespace media {
namespace {

// Opens the device for one call; V4L2 keeps the selected input after it is closed.
class DeviceHandle {
public:
    explicit DeviceHandle(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) {}
    ~DeviceHandle() {
        if (fd_ >= 0) ::close(fd_);
    }
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;
    bool Open() const { return fd_ >= 0; }
    int Ioctl(unsigned long request, void* arg) const {
        int r;
        do {
            r = ::ioctl(fd_, request, arg);
        } while (r < 0 && errno == EINTR);
        return r;
    }

private:
    int fd_;
};

struct Input {
    std::u16string name;
    LONG type;
};

std::vector<Input> EnumerateInputs(const DeviceHandle& device) {
    std::vector<Input> inputs;
    for (__u32 i = 0;; ++i) {
        v4l2_input input{};
        input.index = i;
        if (device.Ioctl(VIDIOC_ENUMINPUT, &input) < 0) break;
        const LONG type = input.type == V4L2_INPUT_TYPE_TUNER ? PhysConn_Video_Tuner : PhysConn_Video_Composite;
        inputs.push_back({Utf8ToWide(reinterpret_cast<const char*>(input.name)) + u" In", type});
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
            AddPin(std::make_unique<CapturePin>(this, std::move(setup)));
            types_.push_back(in.type);
        }
        PinSetup out;
        out.name = u"Video Decoder Out";
        output = AddPin(std::make_unique<CapturePin>(this, std::move(out)));
    }

    ~V4l2CrossbarFilter() override { output->UnlinkMedium(); }

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
        DeviceHandle device(path_);
        int index = static_cast<int>(in);
        if (!device.Open() || device.Ioctl(VIDIOC_S_INPUT, &index) < 0) return HResultFromErrno(errno);
        return S_OK;
    }
    HRESULT get_IsRoutedTo(LONG out, LONG* in) override {
        if (!in) return E_POINTER;
        if (out != 0) return E_INVALIDARG;
        DeviceHandle device(path_);
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
    std::string path_;
    std::vector<LONG> types_;
};

}  // namespace

V4l2Crossbar CreateV4l2Crossbar(const std::string& devicePath) {
    std::vector<Input> inputs;
    {
        DeviceHandle device(devicePath);
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
