#include "exchange/LookupIndex.h"

#include <algorithm>
#include <bit>

#include "rules/Documents.h"

namespace vrklad {
namespace {

constexpr size_t kZeroWords = (LookupIndex::kSlots + 63) / 64;

// gcd(step, 65535), from the prime factors 3 × 5 × 17 × 257 of 65535.
constexpr uint32_t CommonFactor(uint32_t step) {
    return (step % 3 == 0 ? 3 : 1) * (step % 5 == 0 ? 5 : 1) * (step % 17 == 0 ? 17 : 1) *
           (step % 257 == 0 ? 257 : 1);
}
static_assert(LookupIndex::kSlots == 3 * 5 * 17 * 257);
// Steps from here on do not raise the longest probe.
constexpr uint32_t kNoLongerCounted = 65534;

}  // namespace

LookupIndex::LookupIndex()
    : m_key(kSlots),
      m_record(kSlots),
      m_step(kSlots),
      m_next(kSlots),
      m_zeroKey(kZeroWords),
      m_taken(kZeroWords) {
    Clear();
}

void LookupIndex::Clear(size_t expected) {
    std::fill(m_key.begin(), m_key.end(), 0);
    std::fill(m_record.begin(), m_record.end(), kNoRecord);
    std::fill(m_zeroKey.begin(), m_zeroKey.end(), ~uint64_t{0});
    if (kSlots % 64 != 0) m_zeroKey.back() = (uint64_t{1} << (kSlots % 64)) - 1;
    std::fill(m_taken.begin(), m_taken.end(), 0);
    {
        // The old nodes and buckets go with the arena.
        std::pmr::unordered_map<int64_t, Chain> old(&m_arena);
        old.swap(m_chains);
    }
    m_arena.release();
    // Fewer keys sharing a bucket: most lookups then touch one node only.
    m_chains.max_load_factor(0.5f);
    m_chains.reserve(expected);
    m_fullClasses.clear();
    ++m_epoch;
}

void LookupIndex::SetZeroKey(uint32_t slot, bool zero) {
    const uint64_t bit = uint64_t{1} << (slot % 64);
    if (zero)
        m_zeroKey[slot / 64] |= bit;
    else
        m_zeroKey[slot / 64] &= ~bit;
}

void LookupIndex::SetTaken(uint32_t slot, bool taken) {
    const uint64_t bit = uint64_t{1} << (slot % 64);
    if (taken)
        m_taken[slot / 64] |= bit;
    else
        m_taken[slot / 64] &= ~bit;
}

std::optional<uint32_t> LookupIndex::FirstZeroKey(uint32_t last) const {
    for (uint32_t word = 0; word <= last / 64; ++word) {
        uint64_t bits = m_zeroKey[word];
        if (word == 0) bits &= ~uint64_t{1};  // slot 0 comes last in key 0's sequence
        if (bits == 0) continue;
        const uint32_t slot = word * 64 + static_cast<uint32_t>(std::countr_zero(bits));
        if (slot > last) return std::nullopt;
        return slot;
    }
    return std::nullopt;
}

void LookupIndex::Link(Chain& chain, uint16_t slot) {
    if (chain.head == kEnd) {
        chain.head = chain.tail = slot;
        m_next[slot] = kEnd;
        return;
    }
    if (m_step[slot] > m_step[chain.tail]) {  // the usual case: further along than the others
        m_next[chain.tail] = slot;
        m_next[slot] = kEnd;
        chain.tail = slot;
        return;
    }
    if (m_step[slot] < m_step[chain.head]) {  // into a hole before them all
        m_next[slot] = chain.head;
        chain.head = slot;
        return;
    }
    uint16_t before = chain.head;
    while (m_step[m_next[before]] < m_step[slot]) before = m_next[before];
    m_next[slot] = m_next[before];
    m_next[before] = slot;
}

void LookupIndex::Unlink(Chain& chain, uint16_t slot) {
    if (chain.head == slot) {
        chain.head = m_next[slot];
        if (chain.head == kEnd) chain.tail = kEnd;
        return;
    }
    uint16_t before = chain.head;
    while (before != kEnd && m_next[before] != slot) before = m_next[before];
    if (before == kEnd) return;
    m_next[before] = m_next[slot];
    if (chain.tail == slot) chain.tail = before;
}

void LookupIndex::Insert(int64_t key, uint16_t record) {
    const uint32_t primary = HashPrimary(key);
    const uint32_t step = HashStep(key);
    // A step sharing a factor with 65535 runs through a shorter cycle.
    const uint32_t divisor = CommonFactor(step);
    const uint32_t cycle = kSlots / divisor;
    auto slotClass = [&] { return uint64_t{divisor} << 32 | primary % divisor; };

    Chain& chain = m_chains[key];
    uint32_t j = chain.epoch == m_epoch ? chain.cursor : 1;
    if (!m_fullClasses.empty() && m_fullClasses.count(slotClass()) != 0) j = cycle + 1;
    uint32_t slot = static_cast<uint32_t>((primary + uint64_t{j} * step) % kSlots);
    while (j <= cycle && IsTaken(slot)) {
        ++j;
        slot += step;
        if (slot >= kSlots) slot -= kSlots;
    }
    chain.epoch = m_epoch;
    chain.cursor = j + 1;
    if (j > cycle) {
        // Every slot this key can reach is taken; overwriting one would lose
        // another record's entry.
        chain.cursor = cycle + 1;
        chain.overflow.push_back(record);
        m_fullClasses.insert(slotClass());
        return;
    }
    m_key[slot] = key;
    m_record[slot] = record;
    m_step[slot] = static_cast<uint16_t>(j);
    SetTaken(slot, record != kNoRecord);
    SetZeroKey(slot, key == 0);
    Link(chain, static_cast<uint16_t>(slot));
    if (j > m_longest && j < kNoLongerCounted) m_longest = static_cast<uint16_t>(j);
}

std::optional<uint32_t> LookupIndex::Find(int64_t key) const {
    if (key == 0) {
        // Key 0 probes slots 1, 2, 3, ...; an empty slot has key 0 as well.
        const uint32_t last = std::min<uint32_t>(uint32_t{m_longest} + 1, kSlots - 1);
        if (auto slot = FirstZeroKey(last)) return slot;
    }
    const auto it = m_chains.find(key);
    if (it == m_chains.end()) return std::nullopt;
    if (it->second.head != kEnd) return it->second.head;
    if (!it->second.overflow.empty()) return kInOverflow;
    return std::nullopt;
}

std::optional<uint16_t> LookupIndex::Lookup(int64_t key) const {
    const auto where = Find(key);
    if (!where) return std::nullopt;
    if (*where == kInOverflow) return m_chains.find(key)->second.overflow.front();
    return m_record[*where];
}

uint16_t LookupIndex::SlotOf(int64_t key) const {
    const auto where = Find(key);
    if (!where || *where == kInOverflow) return kNoRecord;
    return static_cast<uint16_t>(*where);
}

void LookupIndex::Remove(int64_t key) {
    const auto where = Find(key);
    if (!where) return;
    if (*where == kInOverflow) {
        auto& overflow = m_chains.find(key)->second.overflow;
        overflow.erase(overflow.begin());
        return;
    }
    const uint32_t slot = *where;
    if (m_record[slot] == kNoRecord) return;  // key 0 found an empty slot
    auto it = m_chains.find(m_key[slot]);
    Unlink(it->second, static_cast<uint16_t>(slot));
    if (it->second.head == kEnd && it->second.overflow.empty()) m_chains.erase(it);
    m_key[slot] = 0;
    m_record[slot] = kNoRecord;
    SetTaken(slot, false);
    SetZeroKey(slot, true);
    ++m_epoch;              // the hole may lie below any key's cursor ...
    m_fullClasses.clear();  // ... and in a class found full
}

}  // namespace vrklad
