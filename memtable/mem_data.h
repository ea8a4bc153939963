// TdxMemData: the in-memory table.
//
// Records live only in memory as fixed-size byte blocks laid out by the field
// storage descriptors (TdxMemField): per field one null-flag byte (1 = value)
// and the value bytes. A string value's slot holds where its zero-terminated
// text lies in the table's text heap and its length, so a block stays small
// and a loaded file's texts are used where they lie; GetFieldData still hands
// out the zero-terminated text. Blocks come from a block arena and are
// located through a list of references, so inserting or deleting moves
// references, not records. Every table owns the hidden auto-increment field
// "RecId", its first field. Closing the table discards every record.
//
// The table reads and writes the delimited text file (LoadDelimitedFile,
// SaveDelimitedFile) and locates records by key (Locate, Lookup,
// FindRecNoByValue). Failures raise the EDataError family with the exact
// texts users see; messages that name the table start with its component
// name. Single-threaded.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "memtable/dataset.h"
#include "memtable/variant.h"

namespace spisotek {

class TdxMemIndexes;
class TdxMemPersistent;
namespace memtable {
class TSortValues;
}

// A record id as a bookmark; empty is the absent bookmark.
using TBookmark = std::optional<int32_t>;

enum TLocateOption { loCaseInsensitive, loPartialKey };

// Set of TLocateOption: TLocateOptions{loCaseInsensitive, loPartialKey}.
class TLocateOptions {
  public:
    constexpr TLocateOptions() = default;
    constexpr TLocateOptions(std::initializer_list<TLocateOption> options) {
        for (TLocateOption option : options) {
            bits_ = static_cast<uint8_t>(bits_ | (1u << option));
        }
    }
    constexpr bool Contains(TLocateOption option) const { return (bits_ >> option) & 1u; }
    constexpr bool Empty() const { return bits_ == 0; }

  private:
    uint8_t bits_ = 0;
};

enum TdxSortOption { soDesc, soCaseInsensitive };

class TdxSortOptions {
  public:
    constexpr TdxSortOptions() = default;
    constexpr TdxSortOptions(std::initializer_list<TdxSortOption> options) {
        for (TdxSortOption option : options) {
            bits_ = static_cast<uint8_t>(bits_ | (1u << option));
        }
    }
    constexpr bool Contains(TdxSortOption option) const { return (bits_ >> option) & 1u; }
    constexpr bool operator==(const TdxSortOptions&) const = default;

  private:
    uint8_t bits_ = 0;
};

// Storage descriptor of one non-blob field of the open table.
struct TdxMemField {
    TField* field = nullptr;
    TFieldType dataType = ftUnknown;
    int dataSize = 0;     // bytes of the field's stored value (ftString: size + 1)
    int slotSize = 0;     // bytes the value takes in a record block
    int offset = 0;       // null flag
    int valueOffset = 0;  // offset + 1
    int32_t maxIncValue = 0;
    int index = 0;
    bool isRecId = false;
    bool isAutoInc = false;
    bool isWide = false;
    bool isText = false;  // ftString
    int wideIndex = -1;   // position among the wide-text descriptors
    int textIndex = -1;   // position among the ftString descriptors
};

// Immutable zero-terminated texts of the open table: the block slot of a
// string field points here, so a record block stays small and a loaded file's
// text is used where it lies. Everything goes when the table closes.
class TdxTextHeap {
  public:
    // A zero-terminated copy of text.
    const char* Add(std::string_view text);
    // Takes over a buffer whose texts records will point into.
    void Adopt(std::unique_ptr<char[]> buffer) { adopted_.push_back(std::move(buffer)); }
    void Clear();

  private:
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::vector<std::unique_ptr<char[]>> adopted_;
    char* next_ = nullptr;
    size_t left_ = 0;
    size_t nextChunk_ = 64 * 1024;
};

// Fixed-size record blocks carved from large chunks; freed blocks are reused.
class TdxRecordArena {
  public:
    TdxRecordArena() = default;
    ~TdxRecordArena();
    TdxRecordArena(const TdxRecordArena&) = delete;
    TdxRecordArena& operator=(const TdxRecordArena&) = delete;

    void Reset(int blockSize);
    // Makes room for count more blocks in one chunk.
    void Reserve(size_t count);
    unsigned char* Allocate();
    void Free(unsigned char* block);
    int BlockSize() const { return blockSize_; }

  private:
    struct Chunk {
        unsigned char* memory;
        size_t bytes;
    };
    void AddChunk(size_t blocks);
    void ReleaseChunks();

    int blockSize_ = 0;
    std::vector<Chunk> chunks_;
    unsigned char* next_ = nullptr;
    unsigned char* end_ = nullptr;
    std::vector<unsigned char*> freeList_;
    size_t nextChunkBlocks_ = 0;
};

// The descriptor list with the record store.
class TdxMemFields {
  public:
    std::vector<TdxMemField> items;
    std::vector<int> autoIncFields;  // descriptor indexes
    std::vector<int> wideFields;     // descriptor indexes
    std::vector<int> textFields;     // descriptor indexes
    std::vector<TField*> calcFields;
    int recordSize = 0;
    TdxRecordArena arena;
    TdxTextHeap texts;
    std::vector<unsigned char*> records;
};

class TdxMemData : public TDataSet {
  public:
    explicit TdxMemData(std::string name);
    ~TdxMemData() override;

    // The hidden auto-increment field, always the first field.
    TField& RecIdField() const { return Field(0); }

    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    char Delimiter() const { return delimiter_; }
    void SetDelimiter(char delimiter) { delimiter_ = delimiter; }
    TdxSortOptions SortOptions() const { return sortOptions_; }
    // A different set is stored and the sort applied.
    void SetSortOptions(TdxSortOptions options);
    // The field that keeps the store sorted. A different name is stored and
    // the sort applied; the same name only looks the field up again.
    const std::string& SortedField() const { return sortedFieldName_; }
    void SetSortedField(std::string_view name);
    // The field the store is sorted by now; nullptr when none applies.
    TField* SortField() const { return sortField_; }
    TdxMemIndexes& Indexes() { return *indexes_; }
    TdxMemPersistent& Persistent() { return *persistent_; }

    // Settings are being read (as from a stored form); Loaded() ends it:
    // indexes take their remembered names and poLoad data is loaded.
    void BeginLoading();
    virtual void Loaded();
    bool LoadingSettings() const { return loadingSettings_; }

    // Bookmarks are record ids. GotoBookmark raises "Bookmark not found"
    // for an id not in the store.
    TBookmark GetBookmark() const;
    void GotoBookmark(TBookmark bookmark);
    bool BookmarkValid(TBookmark bookmark) const;
    int CompareBookmarks(TBookmark a, TBookmark b) const;

    // Recomputes calculated and lookup values of every record (lookup
    // fields ask their open lookup table), then returns to the record it
    // started from.
    void Refresh();

    // Assigns the filter-record event and rebuilds the filter.
    void SetOnFilterRecord(TFilterRecordEvent event);
    // Whether a filter hides records now.
    bool FilteringInForce() const { return filtering_; }

    // Replaces the records with stored table data (see TdxMemPersistent).
    void LoadPersistentData(std::string_view data);

    int RecordCount() override;
    int RecNo() override;
    void SetRecNo(int recNo) override;

    // Record id (bookmark) of the active record; -1 when none.
    int32_t CurrentRecordId() const;

    // Replaces the records with the file's (tab-separated, header line of
    // field names). Raises EFOpenError naming the file when it cannot be read,
    // and the errors of refused values, keeping the records of earlier lines.
    void LoadDelimitedFile(const std::string& fileName);
    // The same from bytes already in memory.
    void LoadDelimitedData(std::string_view data);
    // Writes the data fields of every visible record; nothing when closed.
    void SaveDelimitedFile(const std::string& fileName);

    // Moves to the first record whose key fields (names joined by ';') match.
    bool Locate(std::string_view keyFields, const TVariant& keyValues, TLocateOptions options);
    // resultField of the first exact match; the cursor does not move.
    TVariant Lookup(std::string_view keyFields, const TVariant& keyValues,
                    std::string_view resultField);
    // 1-based store position of the first record whose field equals value, or -1.
    int FindRecNoByValue(const TVariant& value, std::string_view fieldName);

    // Compares two stored values of one type (nullptr = absent): -1, 0, 1.
    // ftString: zero-terminated text; ftWideString: std::u16string.
    int CompareValues(const void* a, const void* b, TFieldType type, bool caseInsensitive) const;
    // A byte string whose byte order is CompareValues' order, for the
    // numeric, logical and date types (false for others). Where
    // CompareValues orders nothing, the key still orders: a NaN after every
    // number, -0 as 0.
    static bool ValueSortKey(const void* value, TFieldType type, std::string& key);
    // Whether a table can store fields of this type (the 21 stored types).
    static bool IsSupportedType(TFieldType type);

    const void* GetFieldData(const TField& field) const override;
    bool GetFieldText(const TField& field, std::string_view& text) const override;
    void SetFieldData(TField& field, const void* value) override;

  protected:
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return opened_; }
    void InternalFirst() override;
    void InternalLast() override;
    TGetResult GetRecord(TGetMode mode, bool doCheck) override;
    void InternalInitRecord(TBookmarkFlag flag) override;
    void InternalEdit() override;
    void InternalPost() override;
    void InternalCancel() override;
    void InternalDelete() override;
    void InternalSetToActiveRecord() override;
    bool CanModify() const override { return !readOnly_ || internalMode_; }
    void ClearCalcFields() override;
    void InternalFilterChanged() override;

    void DoBeforeOpen() override;
    void DoAfterOpen() override;
    void DoBeforeClose() override;
    void DoAfterClose() override;
    void DoBeforeInsert() override;
    void DoAfterInsert() override;
    void DoBeforePost() override;
    void DoAfterPost() override;
    void DoAfterCancel() override;
    void DoOnNewRecord() override;

    bool InternalMode() const { return internalMode_; }
    void SetInternalMode(bool on) { internalMode_ = on; }
    const TdxMemFields* MemFields() const { return memFields_.get(); }

  private:
    // A record outside the store: the edit buffer and the calculation buffer.
    struct RecordBuffer {
        std::vector<unsigned char> data;
        // Per ftString descriptor: a text of the table's heap, or (nullptr)
        // the buffer's own text.
        std::vector<std::string_view> textRefs;
        std::vector<std::string> texts;
        std::vector<std::u16string> wide;  // per wide-text descriptor
        std::vector<std::string> blobs;    // per blob field
        int32_t recordId = 0;
        TBookmarkFlag bookmarkFlag = bfCurrent;
    };
    // A key value of Locate in the stored form of its field.
    struct KeyValue;

    const unsigned char* ActiveData() const;
    RecordBuffer* ActiveBuffer();
    bool CursorValid() const {
        return memFields_ && cursor_ >= 0 && cursor_ < static_cast<int>(memFields_->records.size());
    }
    void CopyRecordToBuffer(int rawIndex, RecordBuffer& buffer) const;
    void ApplyAutoIncrement(unsigned char* block, bool byPost);
    void FreeRecordBlock(unsigned char* block);
    uint32_t NewWideString(std::u16string value);
    void ReleaseWideString(uint32_t handle);
    int FindRecordIndexById(int32_t recordId) const;

    std::vector<TField*> ResolveKeyFields(std::string_view keyFields) const;
    KeyValue ConvertKey(const TdxMemField* desc, const TVariant& value) const;
    bool MatchKey(const KeyValue& key, int rawIndex, TLocateOptions options) const;
    int SearchRecord(std::string_view keyFields, const TVariant& keyValues, TLocateOptions options);
    // Loads text[0, size); text[size] exists and the bytes may be changed:
    // string values are cut and terminated where they lie.
    void LoadDelimitedText(std::unique_ptr<char[]> text, size_t size);
    void ParseDelimited(char* text, size_t size);
    // Points a string field of the edit buffer at a text of the table's heap.
    void SetTextRef(const TdxMemField& desc, std::string_view text);
    // The stored text of a string slot ("" when never assigned).
    static std::string_view StoredText(const unsigned char* block, const TdxMemField& desc) {
        const char* text = nullptr;
        uint32_t length = 0;
        std::memcpy(&text, block + desc.valueOffset, sizeof text);
        std::memcpy(&length, block + desc.valueOffset + sizeof text, sizeof length);
        return text != nullptr ? std::string_view(text, length) : std::string_view("", 0);
    }
    static void StoreText(unsigned char* block, const TdxMemField& desc, std::string_view text);
    std::string_view BufferText(const RecordBuffer& buffer, const TdxMemField& desc) const;
    // The text a posted string slot points to (nullptr: none).
    std::string_view PostedText(const TdxMemField& desc);

    // Sorting and indexes (sorting.cpp).
    class StoreSortValues;
    void ApplySort();
    void PermuteStore(const std::vector<int>& order);
    void MoveRecord(int from, int to);
    // After a post: moves the record at the cursor to its sorted place.
    void PlaceSortedRecord();
    // Upkeep of the sort order, the filter and the indexes after a post.
    void AfterInsertPosted();
    void AfterEditPosted(const std::vector<unsigned char>& oldSortBytes,
                         const std::u16string& oldSortWide);
    bool SortValueDiffers(const std::vector<unsigned char>& oldBytes,
                          const std::u16string& oldWide) const;
    void SaveSortValue(std::vector<unsigned char>& bytes, std::u16string& wide) const;
    // Key location through the sorted store or an index: the raw index of
    // the record the scan would find, -1 when none; false when neither
    // applies. key: the converted key in stored form (never null); matches:
    // the scan's test of one record.
    bool IndexedSearch(const TField& field, const void* key,
                       const std::function<bool(int rawIndex)>& matches, TLocateOptions options,
                       int& result);
    // The sort value of a record: its value bytes whatever the null flag
    // (ftString: its zero-terminated text, ftWideString: its string).
    const void* SortValueOf(const TdxMemField& desc, int rawIndex) const;

    // Filtering (filtering.cpp).
    bool AcceptRecord();
    void RebuildFilter();
    int FilterPositionOf(int rawIndex) const;
    void FilterRecordInserted(int rawIndex);
    void FilterCheckPosted();
    void FilterRecordDeleted(int rawIndex);
    void FilterRecordMoved(int from, int to);
    // The raw index of the record at a visible position (-1: none).
    int VisibleToRaw(int position) const;

    std::unique_ptr<TdxMemFields> memFields_;
    std::vector<int32_t> recordIds_;
    // Per record, the strings of its blob fields; null until it gets any.
    std::vector<std::unique_ptr<std::vector<std::string>>> blobStrings_;
    std::vector<TField*> blobFields_;
    std::vector<std::u16string> widePool_;  // handle - 1 -> string
    std::vector<uint32_t> wideFree_;
    RecordBuffer editBuffer_;
    RecordBuffer calcBuffer_;
    bool insertingNew_ = false;  // the edit buffer holds a record not yet stored
    int cursorBeforeInsert_ = -1;
    int cursor_ = -1;
    int32_t lastRecordId_ = 0;
    bool opened_ = false;
    bool internalMode_ = false;
    bool readOnly_ = false;
    char delimiter_ = '\t';
    TdxSortOptions sortOptions_;
    std::string sortedFieldName_;
    TField* sortField_ = nullptr;
    bool loadingSettings_ = false;
    std::unique_ptr<TdxMemIndexes> indexes_;
    std::unique_ptr<TdxMemPersistent> persistent_;
    // Raw index + 1 of every visible record, increasing, while filtering.
    std::vector<int> filterList_;
    int filterPos_ = -1;
    int filterPosBeforeInsert_ = -1;
    bool filtering_ = false;
};

}  // namespace spisotek
