#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "exchange/DocIndex.h"
#include "exchange/LookupIndex.h"
#include "exchange/MergeFixtures.h"
#include "exchange/SnilsIndex.h"
#include "rules/Documents.h"

namespace vrklad::test {
namespace {

constexpr uint16_t kNone = LookupIndex::kNoRecord;
// A passport key: first slot 19843 (56027 + 29351), second 49194.
constexpr int64_t kKey = 140051234567;
// Keys that differ by 65535 × 43981 run through the same slots.
constexpr int64_t kSameSlots = kKey + int64_t{65535} * 43981;
// Step 21845 divides 65535: this key can only reach slots 43689, 65534, 21844.
constexpr int64_t kShortCycle = 21844;
constexpr int64_t kShortCycleToo = kShortCycle + int64_t{65535} * 43981;
// Keys whose first slots are 1 and 2, where key 0 starts probing.
constexpr int64_t kSlot1 = 54758;
constexpr int64_t kSlot2 = 32768;

TEST(LookupIndex, Probing) {
    struct Op {
        enum Kind { Insert, Remove, Clear } kind;
        int64_t key = 0;
        uint16_t record = 0;
    };
    struct Expect {
        int64_t key;
        std::optional<uint16_t> record;
        std::optional<uint16_t> slot;  // not looked at when nothing
    };
    struct Case {
        const char* name;
        std::vector<Op> ops;
        std::vector<Expect> expect;
        uint16_t longest;
    };
    const std::vector<Case> cases = {
        {"first free slot of the sequence",
         {{Op::Insert, kKey, 1}},
         {{kKey, 1, 19843}, {kKey + 1, std::nullopt, kNone}},
         1},
        {"duplicates take separate slots, the first one answers",
         {{Op::Insert, kKey, 1}, {Op::Insert, kKey, 2}},
         {{kKey, 1, 19843}},
         2},
        {"a removal leaves a hole that does not end the probe",
         {{Op::Insert, kKey, 1}, {Op::Insert, kKey, 2}, {Op::Remove, kKey}},
         {{kKey, 2, 49194}},
         2},
        {"the hole goes to the next key probing through it",
         {{Op::Insert, kKey, 1},
          {Op::Insert, kKey, 2},
          {Op::Remove, kKey},
          {Op::Insert, kSameSlots, 3},
          {Op::Insert, kKey, 4}},
         {{kSameSlots, 3, 19843}, {kKey, 2, 49194}},
         3},
        {"removing a missing key changes nothing",
         {{Op::Insert, kKey, 1}, {Op::Remove, kSameSlots}},
         {{kKey, 1, 19843}},
         1},
        {"a clear empties every slot and keeps the longest probe",
         {{Op::Insert, kKey, 1},
          {Op::Insert, kKey, 2},
          {Op::Insert, kKey, 3},
          {Op::Clear},
          {Op::Insert, kKey, 4}},
         {{kKey, 4, 19843}, {kSameSlots, std::nullopt, kNone}},
         3},
        {"key 0 matches an empty slot", {}, {{0, kNone, 1}}, 0},
        {"key 0 finds a record entered with key 0",
         {{Op::Insert, 0, 5}, {Op::Insert, 0, 6}},
         {{0, 5, 1}},
         2},
        {"key 0 finds nothing while slots 1 to longest + 1 hold other keys",
         {{Op::Insert, kSlot1, 1}, {Op::Insert, kSlot2, 2}},
         {{0, std::nullopt, kNone}, {kSlot1, 1, 1}, {kSlot2, 2, 2}},
         1},
        {"key 0 then matches the hole a removal leaves",
         {{Op::Insert, kSlot1, 1}, {Op::Insert, kSlot2, 2}, {Op::Remove, kSlot2}},
         {{0, kNone, 2}},
         1},
        {"a full short cycle keeps further entries without overwriting",
         {{Op::Insert, kShortCycle, 1},
          {Op::Insert, kShortCycle, 2},
          {Op::Insert, kShortCycle, 3},
          {Op::Insert, kShortCycle, 4},
          {Op::Insert, kShortCycleToo, 9}},
         {{kShortCycle, 1, 43689}, {kShortCycleToo, 9, kNone}},
         3},
        {"the kept entry answers once the slots of its key are gone",
         {{Op::Insert, kShortCycle, 1},
          {Op::Insert, kShortCycle, 2},
          {Op::Insert, kShortCycle, 3},
          {Op::Insert, kShortCycle, 4},
          {Op::Remove, kShortCycle},
          {Op::Remove, kShortCycle},
          {Op::Remove, kShortCycle}},
         {{kShortCycle, 4, kNone}},
         3},
        {"negative keys (a damaged SNILS) are kept like others",
         {{Op::Insert, -11223344595, 7}},
         {{-11223344595, 7, std::nullopt}},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LookupIndex index;
        for (const Op& op : c.ops) {
            if (op.kind == Op::Insert) index.Insert(op.key, op.record);
            if (op.kind == Op::Remove) index.Remove(op.key);
            if (op.kind == Op::Clear) index.Clear();
        }
        for (const Expect& e : c.expect) {
            SCOPED_TRACE(e.key);
            EXPECT_EQ(index.Lookup(e.key), e.record);
            if (e.slot) {
                EXPECT_EQ(index.SlotOf(e.key), *e.slot);
            }
        }
        EXPECT_EQ(index.LongestProbe(), c.longest);
    }
}

// The probing rules walked step by step, for tables far from full (no
// overflow): what every lookup must answer.
class WalkedTable {
public:
    void Insert(int64_t key, uint16_t record) {
        for (uint32_t j = 1;; ++j) {
            const uint32_t slot = Slot(key, j);
            if (m_taken[slot]) continue;
            m_key[slot] = key;
            m_record[slot] = record;
            m_taken[slot] = true;
            m_longest = std::max<uint32_t>(m_longest, j);
            return;
        }
    }
    void Remove(int64_t key) {
        if (auto slot = Find(key)) {
            m_key[*slot] = 0;
            m_taken[*slot] = false;
        }
    }
    std::optional<uint16_t> Lookup(int64_t key) const {
        if (auto slot = Find(key)) return m_record[*slot];
        return std::nullopt;
    }

private:
    static uint32_t Slot(int64_t key, uint32_t j) {
        return static_cast<uint32_t>((HashPrimary(key) + uint64_t{j} * HashStep(key)) %
                                     LookupIndex::kSlots);
    }
    std::optional<uint32_t> Find(int64_t key) const {
        for (uint32_t j = 1; j <= m_longest + 1; ++j) {
            const uint32_t slot = Slot(key, j);
            if (m_taken[slot] && m_key[slot] == key) return slot;
        }
        return std::nullopt;
    }
    std::vector<int64_t> m_key = std::vector<int64_t>(LookupIndex::kSlots);
    std::vector<uint16_t> m_record = std::vector<uint16_t>(LookupIndex::kSlots);
    std::vector<bool> m_taken = std::vector<bool>(LookupIndex::kSlots);
    uint32_t m_longest = 0;
};

// Thousands of keys, each entered and removed many times in a random order,
// with the table cleared in between: the answers stay those of the probing
// rules while the keys' chains are added, grown into a larger table and
// taken out again.
TEST(LookupIndex, ManyKeysEnteredAndRemovedAnswerAsTheProbingRulesPlaceThem) {
    std::mt19937_64 random(20261210);
    std::vector<int64_t> keys(3000);
    for (int64_t& key : keys) key = static_cast<int64_t>(random() % 100000000000) + 1;
    LookupIndex index;
    for (int round = 0; round < 2; ++round) {
        WalkedTable walked;
        index.Clear(round == 0 ? 0 : keys.size());
        for (uint32_t op = 0; op < 30000; ++op) {
            const int64_t key = keys[random() % keys.size()];
            if (random() % 5 < 3) {
                const auto record = static_cast<uint16_t>(op % 60000);
                index.Insert(key, record);
                walked.Insert(key, record);
            } else {
                index.Remove(key);
                walked.Remove(key);
            }
            if (op % 5000 != 4999) continue;
            for (const int64_t k : keys) ASSERT_EQ(index.Lookup(k), walked.Lookup(k)) << k;
        }
    }
}

// Records told apart by document and SNILS.
StudentRecord Numbered(uint32_t i, uint16_t lastChange = Added) {
    char doc[32];
    std::snprintf(doc, sizeof doc, "П.%02u.%02u.%07u", i % 100, (i / 100) % 100, 1000000 + i);
    StudentRecord r = Learner(doc, "Иванов Иван Иванович", 10000000000 + i);
    r.LastChange = lastChange;
    return r;
}

TEST(DocIndex, EntersEveryRecordAndTriesTheOldDocument) {
    StudentRecord keyless = Numbered(3);
    SetFieldText(keyless.DOC, "");
    const std::vector<StudentRecord> records = {Numbered(0), Numbered(1, Deleted),
                                                Numbered(2, ExcludedOther), keyless, Numbered(0)};
    DocIndex docs;
    docs.Rebuild(records);
    docs.Rebuild(records);  // a second rebuild does not double the entries

    StudentRecord unknown = Numbered(50);
    StudentRecord blank = EmptyRecord();
    SetFieldText(blank.DOC, "   ");
    struct Case {
        const char* name;
        const char (&doc)[16];
        const char (&alt)[16];
        std::optional<uint16_t> found;
    };
    const std::vector<Case> cases = {
        {"active", records[0].DOC, blank.DOC, 0},
        {"deleted ones included", records[1].DOC, blank.DOC, 1},
        {"excluded ones included", records[2].DOC, blank.DOC, 2},
        {"no key: the record entered with key 0", keyless.DOC, blank.DOC, 3},
        {"document first", records[1].DOC, records[2].DOC, 1},
        {"then the old document", unknown.DOC, records[2].DOC, 2},
        {"a blank old document is not tried", unknown.DOC, blank.DOC, std::nullopt},
        {"an empty old document is not tried", unknown.DOC, unknown.OLDDOC, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(docs.Lookup(c.doc, c.alt), c.found);
    }

    docs.Remove(records[0].DOC);
    EXPECT_EQ(docs.Lookup(records[0].DOC, blank.DOC), 4);  // the duplicate behind the hole
    docs.Remove(records[0].DOC);
    EXPECT_EQ(docs.Lookup(records[0].DOC, blank.DOC), std::nullopt);
    docs.Insert(DocumentKeyOfField(unknown.DOC), 7);
    EXPECT_EQ(docs.Lookup(unknown.DOC, blank.DOC), 7);
}

TEST(SnilsIndex, EntersActiveRecordsWithSnils) {
    StudentRecord noSnils = Numbered(0);
    noSnils.SNILS = 0;
    struct Case {
        const char* name;
        StudentRecord record;
        bool entered;
    };
    const std::vector<Case> cases = {
        {"active", Numbered(1), true},
        {"excluded by the other bit", Numbered(2, ExcludedOther), true},
        {"deleted", Numbered(3, Deleted), false},
        {"deleted among other bits", Numbered(4, Deleted | FioChanged), false},
        {"changed", Numbered(5, FioChanged | DocChanged), true},
    };
    std::vector<StudentRecord> records = {noSnils};
    for (const Case& c : cases) records.push_back(c.record);
    SnilsIndex snils;
    snils.Rebuild(records);
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const auto found = snils.Lookup(cases[i].record.SNILS);
        const std::optional<uint16_t> expected =
            cases[i].entered ? std::optional<uint16_t>(i + 1) : std::nullopt;
        EXPECT_EQ(found, expected);
    }
    // No record carries key 0, so SNILS 0 only ever meets an empty slot.
    EXPECT_EQ(snils.Lookup(0), SnilsIndex::kNoRecord);
}

// A full table: every slot taken. (How long a rebuild takes is measured by
// bench/, not here.)
TEST(RegisterIndexes, FullRegisterRebuildFindsEveryRecord) {
    std::vector<StudentRecord> records;
    for (uint32_t i = 0; i < RegisterFile::kMaxRecords; ++i) records.push_back(Numbered(i));
    TestRegister reg(records);

    reg.Indexes().Rebuild(reg.Reg());

    const StudentRecord missing = Numbered(99999);
    for (uint32_t i = 0; i < records.size(); ++i) {
        ASSERT_EQ(reg.Indexes().docs.Lookup(records[i].DOC, missing.OLDDOC), i);
        ASSERT_EQ(reg.Indexes().snils.Lookup(records[i].SNILS), i);
    }
    EXPECT_EQ(reg.Indexes().docs.Lookup(missing.DOC, missing.OLDDOC), std::nullopt);
}

TEST(RegisterIndexes, OneDocumentInEveryRecord) {
    const std::vector<StudentRecord> records(RegisterFile::kMaxRecords, Numbered(1));
    DocIndex docs;
    docs.Rebuild(records);
    SnilsIndex snils;
    snils.Rebuild(records);
    for (uint32_t i = 0; i < 1000; ++i) docs.Remove(records[0].DOC);
    const StudentRecord other = Numbered(2);
    for (uint32_t i = 0; i < RegisterFile::kMaxRecords; ++i) {
        ASSERT_EQ(docs.Lookup(records[0].DOC, records[0].OLDDOC), 1000);
        ASSERT_EQ(snils.Lookup(records[0].SNILS), 0);
        ASSERT_EQ(docs.Lookup(other.DOC, records[0].OLDDOC), std::nullopt);
    }
}

}  // namespace
}  // namespace vrklad::test
