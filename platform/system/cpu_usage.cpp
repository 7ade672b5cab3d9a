#include "platform/system/cpu_usage.h"

#include <fstream>
#include <sstream>

std::optional<CpuTimes> ParseCpuTimes(const std::string& statText) {
    std::istringstream lines(statText);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string label;
        fields >> label;
        if (label != "cpu") continue;
        // user nice system idle iowait irq softirq steal (guest time is already in user)
        std::uint64_t values[8] = {};
        int count = 0;
        while (count < 8 && fields >> values[count]) ++count;
        if (count < 4) return std::nullopt;
        CpuTimes times;
        for (int i = 0; i < count; ++i) times.Total += values[i];
        const std::uint64_t idle = values[3] + (count > 4 ? values[4] : 0);
        times.Busy = times.Total - idle;
        return times;
    }
    return std::nullopt;
}

std::optional<CpuTimes> ReadCpuTimes(const std::string& statPath) {
    std::ifstream file(statPath);
    if (!file) return std::nullopt;
    std::stringstream text;
    text << file.rdbuf();
    return ParseCpuTimes(text.str());
}

double CpuUsagePercent(const CpuTimes& earlier, const CpuTimes& later) {
    if (later.Total <= earlier.Total || later.Busy < earlier.Busy) return 0.0;
    const double busy = static_cast<double>(later.Busy - earlier.Busy);
    const double total = static_cast<double>(later.Total - earlier.Total);
    const double percent = 100.0 * busy / total;
    return percent > 100.0 ? 100.0 : percent;
}

bool CpuUsageCounter::Collect() {
    const auto now = ReadCpuTimes(statPath_);
    if (!now) return false;
    if (last_) value_ = CpuUsagePercent(*last_, *now);
    last_ = now;
    return true;
}
