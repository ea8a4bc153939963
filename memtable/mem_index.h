// Indexes of the memory table: each TdxMemIndex is a sorted view of the
// records by one field, used by key location for a binary search instead of
// a scan.
//
// The collection TdxMemIndexes belongs to one table and owns its items. An
// index holds the raw indexes (store positions) of the records in its sort
// order; it knows nothing of the store itself: the table hands it the sort
// values when the index must be brought up to date and tells it about
// deletes and edits. A dirty index has empty lists and is rebuilt only when
// a search needs it. Setting a field name that names no field raises the
// table's "Field '%s' not found" (EDatabaseError). Single-threaded.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "memtable/mem_data.h"
#include "memtable/sort_order.h"

namespace spisotek {

class TdxMemIndexes;

class TdxMemIndex {
  public:
    explicit TdxMemIndex(TdxMemIndexes& owner) : owner_(&owner) {}
    TdxMemIndex(const TdxMemIndex&) = delete;
    TdxMemIndex& operator=(const TdxMemIndex&) = delete;

    const std::string& FieldName() const { return fieldName_; }
    // While the owning table loads its settings the name is only remembered;
    // otherwise a name differing without regard to case must name a field of
    // the table, whose exact name and field the index takes.
    void SetFieldName(std::string_view name);
    TdxSortOptions SortOptions() const { return sortOptions_; }
    void SetSortOptions(TdxSortOptions options);

    // The field the name resolved to; nullptr when none.
    TField* Field() const { return field_; }
    bool Dirty() const { return dirty_; }
    // Empties the lists; the next search rebuilds them.
    void MarkDirty();

    // Looks the field up again by name (none when missing) and marks the
    // index dirty, as every open of the table does.
    void BindField();
    // Applies the name remembered while the table loaded its settings.
    void ApplyLoadedName();

    // Rebuilds a dirty index from the sort values of every record in store
    // order (values == nullptr: the field has no stored value, the index
    // stays dirty). Returns whether the index is usable.
    bool Update(const memtable::TSortValues* values, bool descending);

    // The raw indexes of the records in index order (empty while dirty).
    const std::vector<int>& Entries() const { return entries_; }

    // The record at rawIndex left the store: its entry goes, raw indexes
    // above it move down by one.
    void RecordDeleted(int rawIndex);
    // The record at rawIndex changed: the index becomes dirty when the
    // record no longer sits in order between its neighbours.
    void RecordEdited(int rawIndex, const memtable::TSortValues& values, bool descending);

  private:
    TdxMemIndexes* owner_;
    std::string fieldName_;
    std::string loadedName_;
    TdxSortOptions sortOptions_;
    TField* field_ = nullptr;
    bool dirty_ = true;
    std::vector<int> entries_;
};

class TdxMemIndexes {
  public:
    explicit TdxMemIndexes(TDataSet& table) : table_(&table) {}
    TdxMemIndexes(const TdxMemIndexes&) = delete;
    TdxMemIndexes& operator=(const TdxMemIndexes&) = delete;

    TDataSet& Table() const { return *table_; }

    TdxMemIndex& Add();
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises EListError "List index out of bounds (%d)" outside 0..Count()-1.
    TdxMemIndex& Item(int index) const;
    void Delete(int index);
    void Clear() { items_.clear(); }

    // The first index whose field is field; nullptr when none.
    TdxMemIndex* IndexOf(const TField* field) const;

    // The owner reads its stored settings between these two calls.
    void BeginLoading() { loading_ = true; }
    void EndLoading();
    bool Loading() const { return loading_; }

    void BindFields();
    void MarkAllDirty();
    void RecordDeleted(int rawIndex);
    // values: the sort values of the given index's field, or nullptr when
    // that field has no stored value.
    void RecordEdited(int rawIndex,
                      const std::function<const memtable::TSortValues*(TField&)>& valuesOf,
                      bool descending);

  private:
    TDataSet* table_;
    std::vector<std::unique_ptr<TdxMemIndex>> items_;
    bool loading_ = false;
};

}  // namespace spisotek
