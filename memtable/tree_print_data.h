// TdxDBTreePrintData: the memory table that can fill itself with a tree-shaped
// copy of another dataset. With no source it is exactly a TdxMemData, which
// is how the directory tables use it.
#pragma once

#include <string>

#include "memtable/mem_data.h"
#include "memtable/variant.h"

namespace spisotek {

class TdxDBTreePrintData : public TdxMemData {
  public:
    explicit TdxDBTreePrintData(std::string name) : TdxMemData(std::move(name)) {}

    // The source dataset (not owned; it must outlive the link or be unset
    // first). Changing it, KeyField or ParentField re-examines the source:
    // the table closes and, when the source is open and has both fields,
    // takes the source's fields plus "dx$level", "dx$recno" and
    // "dx$haschildren".
    TDataSet* DataSource() const { return source_; }
    void SetDataSource(TDataSet* source);
    const std::string& KeyField() const { return keyField_; }
    void SetKeyField(std::string name);
    const std::string& ParentField() const { return parentField_; }
    void SetParentField(std::string name);
    // Levels copied when above 0; a value below 0 becomes 0.
    int LevelCount() const { return levelCount_; }
    void SetLevelCount(int levelCount);
    // Key of the record whose subtree alone is copied; null (or empty text)
    // copies every tree.
    const TVariant& RootValue() const { return rootValue_; }
    void SetRootValue(const TVariant& value);
    // The deepest level the last copy met.
    int MaxLevel() const { return maxLevel_; }

    // The source opened or closed (the link's notification).
    void SourceStateChanged() { ExamineSource(); }
    void Loaded() override;

  protected:
    void DoAfterOpen() override;

  private:
    void ExamineSource();
    void ReopenIfActive();
    void CopySource();

    TDataSet* source_ = nullptr;
    std::string keyField_;
    std::string parentField_;
    int levelCount_ = 0;
    TVariant rootValue_;
    int maxLevel_ = 0;
    bool examining_ = false;
};

}  // namespace spisotek
