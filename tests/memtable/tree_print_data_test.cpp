#include "memtable/tree_print_data.h"

#include <gtest/gtest.h>

#include <string>

namespace spisotek {
namespace {

// Source rows: key, parent (0 = none), name.
void Fill(TdxMemData& source, const std::vector<std::tuple<int, int, std::string>>& rows) {
    source.AddField("klucz", ftInteger);
    source.AddField("rodzic", ftInteger);
    source.AddField("nazwa", ftString, 20);
    source.AddField("notatka", ftMemo);
    source.Open();
    for (const auto& [key, parent, name] : rows) {
        source.Append();
        source.FieldByName("klucz").SetAsInteger(key);
        if (parent != 0) {
            source.FieldByName("rodzic").SetAsInteger(parent);
        }
        source.FieldByName("nazwa").SetAsString(name);
        source.Post();
    }
}

std::string Tree(TdxDBTreePrintData& tree) {
    std::string out;
    for (tree.First(); !tree.Eof(); tree.Next()) {
        if (!out.empty()) {
            out += ' ';
        }
        out += tree.FieldByName("nazwa").AsString() + ":" +
               tree.FieldByName("dx$level").AsString() + ":" +
               tree.FieldByName("dx$recno").AsString() +
               (tree.FieldByName("dx$haschildren").AsBoolean() ? "+" : "");
    }
    return out;
}

class TreePrintDataTest : public ::testing::Test {
  protected:
    TreePrintDataTest() : source_("tZrodlo"), tree_("tDrzewo") {}
    void SetUp() override {
        // A, B (A), C (A), D (B); D comes before its parent B in the source.
        Fill(source_, {{1, 0, "A"}, {4, 2, "D"}, {2, 1, "B"}, {3, 1, "C"}});
    }
    void Link() {
        tree_.SetKeyField("klucz");
        tree_.SetParentField("rodzic");
        tree_.SetDataSource(&source_);
    }
    TdxMemData source_;
    TdxDBTreePrintData tree_;
};

TEST_F(TreePrintDataTest, CopiesInPreOrderWithLevels) {
    Link();
    EXPECT_NE(tree_.FindField("dx$level"), nullptr);
    EXPECT_NE(tree_.FindField("nazwa"), nullptr);
    EXPECT_NE(tree_.FindField("notatka"), nullptr);
    EXPECT_FALSE(tree_.Active());
    tree_.Open();
    EXPECT_EQ(Tree(tree_), "A:0:0+ B:1:2+ D:2:1 C:1:3");
    EXPECT_EQ(tree_.MaxLevel(), 2);
    // The source is back where it was.
    EXPECT_EQ(source_.RecNo(), 4);
}

TEST_F(TreePrintDataTest, RootValueAndLevelCountReopen) {
    Link();
    tree_.Open();
    tree_.SetRootValue(TVariant("2"));
    EXPECT_TRUE(tree_.Active());
    EXPECT_EQ(Tree(tree_), "B:0:2+ D:1:1");
    tree_.SetRootValue(TVariant(""));
    EXPECT_TRUE(tree_.RootValue().IsNull());
    tree_.SetLevelCount(2);
    EXPECT_EQ(Tree(tree_), "A:0:0+ B:1:2 C:1:3");
    tree_.SetLevelCount(-4);
    EXPECT_EQ(tree_.LevelCount(), 0);
    EXPECT_EQ(Tree(tree_), "A:0:0+ B:1:2+ D:2:1 C:1:3");
}

TEST_F(TreePrintDataTest, ParentCycleCopiesEveryRecordOnce) {
    TdxMemData ring("tRing");
    Fill(ring, {{1, 3, "A"}, {2, 1, "B"}, {3, 2, "C"}, {4, 9, "E"}});
    tree_.SetKeyField("klucz");
    tree_.SetParentField("rodzic");
    tree_.SetDataSource(&ring);
    tree_.Open();
    EXPECT_EQ(Tree(tree_), "A:0:0+ B:1:1+ C:2:2 E:0:3");
}

TEST_F(TreePrintDataTest, WithoutSourceItIsAPlainMemoryTable) {
    TdxDBTreePrintData plain("tBaza");
    plain.AddField("nazwisko", ftString, 20);
    plain.Open();
    plain.Append();
    plain.FieldByName("nazwisko").SetAsString("KOWAL");
    plain.Post();
    EXPECT_EQ(plain.RecordCount(), 1);
    EXPECT_TRUE(plain.Locate("nazwisko", TVariant("kow"), {loCaseInsensitive, loPartialKey}));
    EXPECT_EQ(plain.FindField("dx$level"), nullptr);
    // A source without the named fields changes nothing either.
    plain.SetKeyField("brak");
    plain.SetParentField("rodzic");
    plain.SetDataSource(&source_);
    EXPECT_FALSE(plain.Active());
    EXPECT_NE(plain.FindField("nazwisko"), nullptr);
    plain.Open();
    EXPECT_EQ(plain.RecordCount(), 0);
}

TEST_F(TreePrintDataTest, ClosedSourceIsReexaminedWhenItOpens) {
    source_.Close();
    Link();
    EXPECT_EQ(tree_.FindField("nazwa"), nullptr);
    source_.Open();
    tree_.SourceStateChanged();
    EXPECT_NE(tree_.FindField("nazwa"), nullptr);
    tree_.Open();
    EXPECT_EQ(tree_.RecordCount(), 0);
}

}  // namespace
}  // namespace spisotek
