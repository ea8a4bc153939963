// The tree-shaped copy of a source table: which source records a
// TdxDBTreePrintData copies, in which order and at which tree level.
//
// Each source record has a key and the key of its parent. A record whose
// parent key names an earlier record hangs below it; a record left as a root
// is then hung below a later record its parent key names. A record is never
// hung below itself or below one of its own descendants: when its parent
// links form a cycle, the record where the loop would close stays a root, so
// every record of a cycle is still copied exactly once. Keys compare as
// numbers or as text in the user's locale (case counts); a null key or
// parent, or two values that cannot be compared, never link. Works in
// O(n log n) plus the length of the ancestor walks that guard against
// cycles; nothing recurses, so deep trees cannot exhaust the stack.
#pragma once

#include <optional>
#include <vector>

#include "memtable/field.h"
#include "memtable/variant.h"

namespace spisotek::memtable {

struct TTreeSourceRecord {
    TVariant key;
    TVariant parent;
};

struct TTreeCopyOptions {
    int levelCount = 0;  // > 0: only the levels 0..levelCount-1
    TVariant rootValue;  // not null: only the subtree of the record with this key
};

struct TTreeCopyNode {
    int sourcePosition = 0;
    int level = 0;
    bool hasChildren = false;
};

struct TTreeCopyResult {
    // The copied records in depth-first pre-order, children in source order.
    std::vector<TTreeCopyNode> nodes;
    int deepestLevel = 0;
};

TTreeCopyResult BuildTreeCopy(const std::vector<TTreeSourceRecord>& records,
                              const TTreeCopyOptions& options);

// -1, 0, 1; nullopt when the two values cannot be compared (null, arrays,
// text that is no number against a number).
std::optional<int> CompareTreeKeys(const TVariant& a, const TVariant& b);

// The root value in the kind of the key field: small integer or integer for
// the integer types, double for ftFloat and ftCurrency, text otherwise.
// Raises EConvertError when the text is no number.
TVariant ConvertRootValue(const TVariant& rootValue, TFieldType keyType);

}  // namespace spisotek::memtable
