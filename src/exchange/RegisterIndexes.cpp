#include "exchange/RegisterIndexes.h"

#include <algorithm>
#include <array>

#include "register/RegisterFile.h"

namespace vrklad {

namespace {

// Records read at a time: 48 KB, which stays in the cache while an index
// takes them. Reading a full register at once (12.6 MB) went through main
// memory twice, filling and then reading the buffer, and pushed the index
// tables out of the cache.
constexpr uint32_t kBlock = 256;
constexpr uint32_t kAhead = 8;

// Enters every record of the register into `index` (Clear, then Enter in file
// order); false, with the index left empty, when the register cannot be read.
template <typename Index>
bool EnterAll(const RegisterFile& reg, Index& index) {
    const uint32_t count = std::min(reg.CountRecords(), RegisterFile::kMaxRecords);
    index.Clear(count);
    std::array<StudentRecord, kBlock> block;
    std::array<int64_t, kBlock> keys;
    std::array<uint16_t, kBlock> numbers;
    for (uint32_t first = 0; first < count; first += kBlock) {
        const uint32_t n = std::min(kBlock, count - first);
        if (!reg.ReadRange(first, block.data(), n)) {
            index.Clear(0);
            return false;
        }
        uint32_t entered = 0;
        for (uint32_t i = 0; i < n; ++i) {
            if (const auto key = Index::KeyOf(block[i])) {
                keys[entered] = *key;
                numbers[entered++] = static_cast<uint16_t>(first + i);
            }
        }
        // Each insertion starts at a random place of tables larger than the
        // cache; asking for the places a few keys ahead overlaps the waits.
        for (uint32_t i = 0; i < entered; ++i) {
            if (i + kAhead < entered) index.Prefetch(keys[i + kAhead]);
            index.Enter(keys[i], numbers[i]);
        }
    }
    return true;
}

}  // namespace

void RegisterIndexes::Rebuild(const RegisterFile& reg) {
    // One index after the other, each over its own pass of the file: at
    // 65,535 records the tables of one index alone fill the second-level
    // cache, and entering both in turn made them evict each other. A register
    // that cannot be read leaves both empty, with nothing to find.
    if (!EnterAll(reg, docs)) {
        snils.Clear(0);
        return;
    }
    if (!EnterAll(reg, snils)) docs.Clear(0);
}

}  // namespace vrklad
