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
// The chain table's least size, a power of two.
constexpr size_t kMinChains = 64;

}  // namespace

LookupIndex::LookupIndex() : m_slots(kSlots), m_zeroKey(kZeroWords), m_taken(kZeroWords) {
    Clear();
}

void LookupIndex::Clear(size_t expected) {
    std::fill(m_slots.begin(), m_slots.end(), Slot{});
    std::fill(m_zeroKey.begin(), m_zeroKey.end(), ~uint64_t{0});
    if (kSlots % 64 != 0) m_zeroKey.back() = (uint64_t{1} << (kSlots % 64)) - 1;
    std::fill(m_taken.begin(), m_taken.end(), 0);
    m_chains.assign(ChainCapacity(expected), Chain{});
    m_chainShift = 64 - static_cast<unsigned>(std::countr_zero(m_chains.size()));
    m_chainCount = 0;
    m_overflow.clear();
    m_fullClasses.clear();
    NextEpoch();
}

size_t LookupIndex::ChainCapacity(size_t keys) {
    return std::max<size_t>(kMinChains, std::bit_ceil(2 * keys));
}

void LookupIndex::NextEpoch() {
    if (++m_epoch != 0) return;
    // After 2^32 epochs the numbers come round again: every cursor becomes
    // stale, as a new epoch would make it.
    for (Chain& chain : m_chains) {
        if (chain.epoch != 0) chain.epoch = 1;
    }
    m_epoch = 2;
}

size_t LookupIndex::ChainPlace(int64_t key) const {
    // Fibonacci hashing: document keys and SNILS numbers differ mostly in
    // their low digits, which the multiplication spreads over the top bits.
    return static_cast<size_t>((static_cast<uint64_t>(key) * 0x9E3779B97F4A7C15u) >> m_chainShift);
}

const LookupIndex::Chain* LookupIndex::FindChain(int64_t key) const {
    const size_t mask = m_chains.size() - 1;
    for (size_t i = ChainPlace(key);; i = (i + 1) & mask) {
        const Chain& chain = m_chains[i];
        if (chain.epoch == 0) return nullptr;
        if (chain.key == key) return &chain;
    }
}

LookupIndex::Chain& LookupIndex::ChainOf(int64_t key) {
    if (const Chain* found = FindChain(key)) return const_cast<Chain&>(*found);
    if (2 * (m_chainCount + 1) > m_chains.size()) {
        std::vector<Chain> old(ChainCapacity(m_chainCount + 1), Chain{});
        old.swap(m_chains);
        m_chainShift = 64 - static_cast<unsigned>(std::countr_zero(m_chains.size()));
        for (const Chain& chain : old) {
            if (chain.epoch != 0) FreeChainFor(chain.key) = chain;
        }
    }
    Chain& chain = FreeChainFor(key);
    chain = Chain{};
    chain.key = key;
    chain.epoch = m_epoch;
    ++m_chainCount;
    return chain;
}

LookupIndex::Chain& LookupIndex::FreeChainFor(int64_t key) {
    const size_t mask = m_chains.size() - 1;
    size_t i = ChainPlace(key);
    while (m_chains[i].epoch != 0) i = (i + 1) & mask;
    return m_chains[i];
}

void LookupIndex::EraseChain(Chain& chain) {
    // Linear probing without tombstones: the entries after the hole that
    // would no longer be reached from their place move back into it.
    const size_t mask = m_chains.size() - 1;
    size_t hole = static_cast<size_t>(&chain - m_chains.data());
    for (size_t i = (hole + 1) & mask; m_chains[i].epoch != 0; i = (i + 1) & mask) {
        const size_t place = ChainPlace(m_chains[i].key);
        const bool reachable =
            hole <= i ? (hole < place && place <= i) : (hole < place || place <= i);
        if (reachable) continue;
        m_chains[hole] = m_chains[i];
        hole = i;
    }
    m_chains[hole] = Chain{};
    --m_chainCount;
}

std::vector<uint16_t>& LookupIndex::OverflowOf(Chain& chain) {
    if (chain.overflow == 0) {
        m_overflow.emplace_back();
        chain.overflow = static_cast<uint32_t>(m_overflow.size());
    }
    return m_overflow[chain.overflow - 1];
}

bool LookupIndex::HasOverflow(const Chain& chain) const {
    return chain.overflow != 0 && !m_overflow[chain.overflow - 1].empty();
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
        m_slots[slot].next = kEnd;
        return;
    }
    if (m_slots[slot].step > m_slots[chain.tail].step) {  // the usual case: further along
        m_slots[chain.tail].next = slot;
        m_slots[slot].next = kEnd;
        chain.tail = slot;
        return;
    }
    if (m_slots[slot].step < m_slots[chain.head].step) {  // into a hole before them all
        m_slots[slot].next = chain.head;
        chain.head = slot;
        return;
    }
    uint16_t before = chain.head;
    while (m_slots[m_slots[before].next].step < m_slots[slot].step) before = m_slots[before].next;
    m_slots[slot].next = m_slots[before].next;
    m_slots[before].next = slot;
}

void LookupIndex::Unlink(Chain& chain, uint16_t slot) {
    if (chain.head == slot) {
        chain.head = m_slots[slot].next;
        if (chain.head == kEnd) chain.tail = kEnd;
        return;
    }
    uint16_t before = chain.head;
    while (before != kEnd && m_slots[before].next != slot) before = m_slots[before].next;
    if (before == kEnd) return;
    m_slots[before].next = m_slots[slot].next;
    if (chain.tail == slot) chain.tail = before;
}

void LookupIndex::Prefetch(int64_t key) const {
    __builtin_prefetch(&m_chains[ChainPlace(key)]);
    __builtin_prefetch(&m_slots[(HashPrimary(key) + uint64_t{HashStep(key)}) % kSlots]);
}

void LookupIndex::Insert(int64_t key, uint16_t record) {
    const uint32_t primary = HashPrimary(key);
    const uint32_t step = HashStep(key);
    // A step sharing a factor with 65535 runs through a shorter cycle.
    const uint32_t divisor = CommonFactor(step);
    const uint32_t cycle = kSlots / divisor;
    auto slotClass = [&] { return uint64_t{divisor} << 32 | primary % divisor; };

    Chain& chain = ChainOf(key);
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
        OverflowOf(chain).push_back(record);
        m_fullClasses.insert(slotClass());
        return;
    }
    Slot& taken = m_slots[slot];
    taken.key = key;
    taken.record = record;
    taken.step = static_cast<uint16_t>(j);
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
    const Chain* chain = FindChain(key);
    if (chain == nullptr) return std::nullopt;
    if (chain->head != kEnd) return chain->head;
    if (HasOverflow(*chain)) return kInOverflow;
    return std::nullopt;
}

std::optional<uint16_t> LookupIndex::Lookup(int64_t key) const {
    const auto where = Find(key);
    if (!where) return std::nullopt;
    if (*where == kInOverflow) return m_overflow[FindChain(key)->overflow - 1].front();
    return m_slots[*where].record;
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
        auto& overflow = OverflowOf(ChainOf(key));
        overflow.erase(overflow.begin());
        return;
    }
    const uint32_t slot = *where;
    Slot& removed = m_slots[slot];
    if (removed.record == kNoRecord) return;  // key 0 found an empty slot
    Chain& chain = ChainOf(removed.key);
    Unlink(chain, static_cast<uint16_t>(slot));
    if (chain.head == kEnd && !HasOverflow(chain)) EraseChain(chain);
    removed = Slot{};
    SetTaken(slot, false);
    SetZeroKey(slot, true);
    NextEpoch();            // the hole may lie below any key's cursor ...
    m_fullClasses.clear();  // ... and in a class found full
}

}  // namespace vrklad
