#include "memtable/tree_copy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace spisotek::memtable {
namespace {

struct Row {
    TVariant key;
    TVariant parent;
};

// "name:level" per copied record, children marked with '+'.
std::string Describe(const std::vector<TTreeSourceRecord>& records,
                     const std::vector<std::string>& names, const TTreeCopyOptions& options) {
    const auto result = BuildTreeCopy(records, options);
    std::string out;
    for (const auto& node : result.nodes) {
        if (!out.empty()) {
            out += ' ';
        }
        out += names[static_cast<size_t>(node.sourcePosition)] + ":" + std::to_string(node.level) +
               (node.hasChildren ? "+" : "");
    }
    return out;
}

std::vector<TTreeSourceRecord> Records(const std::vector<Row>& rows) {
    std::vector<TTreeSourceRecord> records;
    for (const Row& row : rows) {
        records.push_back({row.key, row.parent});
    }
    return records;
}

TEST(TreeCopyTest, PreOrderWithLevelsSubtreeAndLevelCut) {
    // A (no parent), B (A), C (A), D (B).
    const auto records = Records({{1, TVariant()}, {2, 1}, {3, 1}, {4, 2}});
    const std::vector<std::string> names = {"A", "B", "C", "D"};
    struct Case {
        int levelCount;
        TVariant root;
        std::string expected;
    };
    const Case cases[] = {
        {0, TVariant(), "A:0+ B:1+ D:2 C:1"},
        {0, TVariant(2), "B:0+ D:1"},
        {2, TVariant(), "A:0+ B:1 C:1"},
        {1, TVariant(), "A:0"},
        {-3, TVariant(), "A:0+ B:1+ D:2 C:1"},
        // A root value that names no record leaves the whole tree.
        {0, TVariant(42), "A:0+ B:1+ D:2 C:1"},
        {1, TVariant(2), "B:0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Describe(records, names, {c.levelCount, c.root}), c.expected) << c.levelCount;
    }
}

TEST(TreeCopyTest, LateParentsAndOrphans) {
    // D's parent B comes later; E names no record; children in source order.
    const auto records =
        Records({{"d", "b"}, {"a", TVariant()}, {"e", "zz"}, {"c", "a"}, {"b", "a"}});
    const std::vector<std::string> names = {"D", "A", "E", "C", "B"};
    EXPECT_EQ(Describe(records, names, {}), "A:0+ C:1 B:1+ D:2 E:0");
    const auto result = BuildTreeCopy(records, {});
    EXPECT_EQ(result.deepestLevel, 2);
}

TEST(TreeCopyTest, TextParentFindsNumericKey) {
    const auto records = Records({{1, TVariant()}, {2, "1"}});
    EXPECT_EQ(Describe(records, {"A", "B"}, {}), "A:0+ B:1");
}

TEST(TreeCopyTest, CyclesCopyEveryRecordOnce) {
    const std::vector<std::string> names = {"A", "B", "C", "D"};
    struct Case {
        std::vector<Row> rows;
        std::string expected;
    };
    const Case cases[] = {
        // Two records naming each other: the first stays a root.
        {{{1, 2}, {2, 1}}, "A:0+ B:1"},
        // Itself as parent.
        {{{1, 1}, {2, 1}}, "A:0+ B:1"},
        // A three-record ring plus a record hanging from it.
        {{{1, 3}, {2, 1}, {3, 2}, {4, 3}}, "A:0+ B:1+ C:2+ D:3"},
        // A ring entered late: the loop closes at the ring's first record.
        {{{4, TVariant()}, {1, 3}, {2, 1}, {3, 2}}, "A:0 B:0+ C:1+ D:2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Describe(Records(c.rows), names, {}), c.expected);
    }
    // Cycles with a subtree root inside them still end.
    EXPECT_EQ(Describe(Records({{1, 2}, {2, 1}}), names, {0, TVariant(2)}), "B:0");
}

TEST(TreeCopyTest, DeepChainDoesNotRecurse) {
    std::vector<TTreeSourceRecord> records;
    const int depth = 50000;
    for (int i = 0; i < depth; ++i) {
        records.push_back({TVariant(i), i == 0 ? TVariant() : TVariant(i - 1)});
    }
    const auto result = BuildTreeCopy(records, {});
    ASSERT_EQ(result.nodes.size(), static_cast<size_t>(depth));
    EXPECT_EQ(result.deepestLevel, depth - 1);
    EXPECT_EQ(result.nodes.back().level, depth - 1);
}

TEST(TreeCopyTest, KeysCompareAsNumbersOrText) {
    EXPECT_EQ(CompareTreeKeys(TVariant(3), TVariant(3.0)), 0);
    EXPECT_EQ(CompareTreeKeys(TVariant("10"), TVariant(9)), 1);
    EXPECT_EQ(CompareTreeKeys(TVariant("abc"), TVariant(9)), std::nullopt);
    EXPECT_EQ(CompareTreeKeys(TVariant(), TVariant(1)), std::nullopt);
    EXPECT_EQ(CompareTreeKeys(TVariant("a"), TVariant("b")), -1);
    EXPECT_EQ(ConvertRootValue(TVariant("12"), ftInteger), TVariant(12));
    EXPECT_EQ(ConvertRootValue(TVariant(12), ftString), TVariant("12"));
    EXPECT_TRUE(ConvertRootValue(TVariant(), ftInteger).IsNull());
}

}  // namespace
}  // namespace spisotek::memtable
