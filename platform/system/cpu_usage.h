// Processor usage of the whole machine, from the counters in /proc/stat.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct CpuTimes {
    std::uint64_t Busy = 0;
    std::uint64_t Total = 0;
};

// The aggregate "cpu" line of a /proc/stat text; nothing when the text has none.
std::optional<CpuTimes> ParseCpuTimes(const std::string& statText);
std::optional<CpuTimes> ReadCpuTimes(const std::string& statPath = "/proc/stat");

// Busy share between two readings, 0.0 to 100.0 (0.0 when no time passed).
double CpuUsagePercent(const CpuTimes& earlier, const CpuTimes& later);

// A counter sampled like the platform's performance query: each Collect() takes a new reading,
// and Value() is the usage between the last two readings.
class CpuUsageCounter {
public:
    explicit CpuUsageCounter(std::string statPath = "/proc/stat") : statPath_(std::move(statPath)) {}
    // False when the counters cannot be read (the value then stays 0.0).
    bool Collect();
    double Value() const { return value_; }

private:
    std::string statPath_;
    std::optional<CpuTimes> last_;
    double value_ = 0.0;
};
