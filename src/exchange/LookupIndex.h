#pragma once

#include <cstdint>
#include <optional>
#include <unordered_set>
#include <vector>

namespace vrklad {

// A double-hashing table of 65,535 slots from a 64-bit key to a record
// index, the shape behind DocIndex and SnilsIndex.
//
// The slots are kept exactly as the probing rules place them: key k tries the
// slots (HashPrimary(k) + j × HashStep(k)) mod 65535 for j = 1, 2, ... and an
// insertion takes the first empty one; equal keys take separate slots;
// removal leaves a hole that does not end a later probe; the longest probe
// ever made only grows, a Clear included. A lookup answers with the first
// slot in the key's probe order whose key is equal, within longest probe + 1
// steps; key 0 therefore also matches an empty slot.
//
// Walking the probe sequence on every lookup would cost up to 65,534 steps
// for a miss in a full table, and as many per insertion of a key with many
// duplicates. So each key keeps the chain of its slots ordered by their place
// in its probe sequence (its first slot is the lookup answer) and a cursor
// below which its sequence is known to be full (valid until the next
// removal). Empty slots are tracked in a bit set for the key-0 answer. A
// step sharing a factor g with 65535 only reaches the slots s with
// s mod g = HashPrimary mod g; once such a class is found full it is
// remembered (until the next removal), so further keys of the class do not
// walk it again.
//
// Where the probing rules alone would lose an entry, it stays findable: when
// the whole probe cycle of a key is full (a step sharing a factor with 65535
// cycles through as few as 3 slots), the entry goes to an overflow list of
// its key instead of overwriting another record's slot; and an entry placed
// at step 65534, which does not raise the longest probe and so lies beyond
// the lookup bound, is still found.
class LookupIndex {
  public:
    static constexpr uint32_t kSlots = 65535;
    static constexpr uint16_t kNoRecord = 0xFFFF;

    LookupIndex();

    // Empties every slot. The longest probe stays as it is. Room is made
    // for `expected` keys.
    void Clear(size_t expected = 0);
    void Insert(int64_t key, uint16_t record);
    // Brings what an Insert of key looks at first into the cache, ahead of it.
    void Prefetch(int64_t key) const;
    // The record index of the entry found, nothing when none is. For key 0
    // the answer may be kNoRecord: an empty slot was found.
    std::optional<uint16_t> Lookup(int64_t key) const;
    // Empties the entry that Lookup(key) finds, if any.
    void Remove(int64_t key);

    uint16_t LongestProbe() const { return m_longest; }
    // The slot the probing rules put the entry found for key in, kNoRecord
    // when none or when the entry sits in the overflow list. For tests.
    uint16_t SlotOf(int64_t key) const;

  private:
    static constexpr uint16_t kEnd = 0xFFFF;
    static constexpr uint32_t kInOverflow = 0x10000;

    // One slot of the table, its fields together: an insertion writes all of
    // them, and at 65,535 records the table does not fit the second-level
    // cache, so separate arrays cost a cache miss each.
    struct Slot {
        int64_t key = 0;
        uint16_t record = kNoRecord;
        uint16_t step = 0;     // probe step at which the slot was taken
        uint16_t next = kEnd;  // next slot of the same key's chain
    };

    // The entries of one key. Kept in an open-addressing table of their own
    // (linear probing, at most half full): one cache line per insertion
    // where a node-based map took two or three.
    struct Chain {
        int64_t key = 0;
        uint16_t head = kEnd;   // slot with the smallest probe step
        uint16_t tail = kEnd;   // slot with the largest probe step
        uint32_t cursor = 1;    // steps below this one are all occupied ...
        uint32_t epoch = 0;     // ... as long as no slot was emptied since; 0: a free entry
        uint32_t overflow = 0;  // 1 + its list in m_overflow, 0 for none
    };

    // A slot number, kInOverflow for the first overflow entry of the key, or
    // nothing.
    std::optional<uint32_t> Find(int64_t key) const;
    const Chain* FindChain(int64_t key) const;
    // The key's chain, a new empty one when it has none.
    Chain& ChainOf(int64_t key);
    // The free entry where a chain of `key` goes (the key not in the table).
    Chain& FreeChainFor(int64_t key);
    void EraseChain(Chain& chain);
    size_t ChainPlace(int64_t key) const;
    static size_t ChainCapacity(size_t keys);
    std::vector<uint16_t>& OverflowOf(Chain& chain);
    bool HasOverflow(const Chain& chain) const;
    // A new epoch: every chain's cursor stale.
    void NextEpoch();
    void Link(Chain& chain, uint16_t slot);
    void Unlink(Chain& chain, uint16_t slot);
    bool IsZeroKey(uint32_t slot) const { return (m_zeroKey[slot / 64] >> (slot % 64)) & 1; }
    bool IsTaken(uint32_t slot) const { return (m_taken[slot / 64] >> (slot % 64)) & 1; }
    void SetTaken(uint32_t slot, bool taken);
    void SetZeroKey(uint32_t slot, bool zero);
    // The first slot from 1 to last (inclusive) whose key is 0.
    std::optional<uint32_t> FirstZeroKey(uint32_t last) const;

    std::vector<Slot> m_slots;
    std::vector<uint64_t> m_zeroKey;
    // The slots holding an entry, as bits: an insertion into a nearly full
    // table walks many slots, and 8 KB of bits stay in the first-level
    // cache where the slots do not.
    std::vector<uint64_t> m_taken;
    std::vector<Chain> m_chains;  // a power of two of entries
    size_t m_chainCount = 0;
    unsigned m_chainShift = 64;
    std::vector<std::vector<uint16_t>> m_overflow;
    std::unordered_set<uint64_t> m_fullClasses;  // g << 32 | residue
    uint32_t m_epoch = 1;
    uint16_t m_longest = 0;
};

}  // namespace vrklad
