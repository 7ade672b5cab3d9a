// Reads arbitrary bytes as an AVI file to repair. Neither the scan nor the plan may fault or
// read outside the file; a plan is carried out in memory, and the repaired bytes must then be
// complete (nothing more to repair), hold the very same chunks of every stream, and keep every
// byte below the cut that the plan does not name as a header field.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tools/qdmedia/avi_repair.h"

namespace {

std::vector<std::uint64_t> ChunksPerStream(const qdmedia::RepairPlan& plan) {
    std::vector<std::uint64_t> chunks;
    for (const qdmedia::StreamReport& stream : plan.streams) chunks.push_back(stream.chunks);
    return chunks;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const qdmedia::RepairPlan plan = qdmedia::PlanRepair(qdmedia::MemoryBytes(data, size));
    if (!plan.error.empty() || !plan.needed) {
        if (!plan.appended.empty() || !plan.fields.empty()) std::abort();
        return 0;
    }
    if (plan.newSize > size) std::abort();
    const std::vector<std::uint8_t> before(data, data + size);
    const std::vector<std::uint8_t> after = qdmedia::ApplyRepair(before, plan);
    std::vector<bool> field(plan.newSize);
    for (const qdmedia::FilePatch& patch : plan.fields) {
        if (patch.offset + patch.bytes.size() > plan.newSize) std::abort();
        for (std::size_t i = 0; i < patch.bytes.size(); ++i) field[patch.offset + i] = true;
    }
    for (std::size_t i = 0; i < plan.newSize; ++i)
        if (!field[i] && before[i] != after[i]) std::abort();

    const qdmedia::RepairPlan again = qdmedia::PlanRepair(qdmedia::MemoryBytes(after.data(), after.size()));
    if (!again.error.empty() || again.needed) std::abort();
    if (ChunksPerStream(again) != ChunksPerStream(plan)) std::abort();
    return 0;
}
