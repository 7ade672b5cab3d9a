#include "filters/talvinmux/early_samples.h"

namespace talvinmux {

void EarlySamples::Hold(const InputSample& sample) {
    // A single sample larger than the bound is still held, alone: the newest data wins.
    while (!held_.empty() && bytes_ + sample.size > mostBytes_) {
        bytes_ -= held_.front().bytes.size();
        held_.pop_front();
        ++letGo_;
    }
    Held held{sample, std::vector<std::uint8_t>(sample.data, sample.data + sample.size)};
    held.sample.data = nullptr;  // set to the copy when released
    bytes_ += held.bytes.size();
    held_.push_back(std::move(held));
}

void EarlySamples::Clear() {
    held_.clear();
    bytes_ = 0;
}

}  // namespace talvinmux
