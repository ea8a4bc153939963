// The sort order of the memory table and the searches over lists kept in it.
//
// A sorted list (the sorted store, or an index) orders records by one field's
// stored value, reversed when descending, and records with equal values by
// their RecId value, ascending in both directions; RecId values are unique,
// so the order is total. The functions here see the list only through
// callbacks, so the store and the indexes share them. A sort of values with
// byte keys works on a list of fixed-size key heads beside the permutation it
// returns; nothing here throws except what the callbacks (and allocation)
// throw.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "memtable/collation_key.h"

namespace spisotek::memtable {

using TSortKeyHeadSink = std::function<void(int position, const TSortKeyHead& head)>;

// The sort values of a list of records, addressed by position (0-based).
class TSortValues {
  public:
    virtual ~TSortValues() = default;
    virtual int Count() const = 0;
    // CompareValues of the values at a and b, the case option applied: -1, 0, 1.
    virtual int CompareAt(int a, int b) const = 0;
    virtual int32_t RecIdAt(int position) const = 0;
    // A byte string whose byte order is CompareAt's order (text, number and
    // date values), so a large list sorts by bytes instead of a comparison
    // per step. False when the values have none.
    virtual bool SortKeyAt(int position, std::string& key) const {
        (void)position;
        (void)key;
        return false;
    }
    // Hands put the head of SortKeyAt's key for every position, in any
    // order and perhaps more than once (the last one counts); false, without
    // a call, when the values have no keys.
    virtual bool SortKeyHeads(const TSortKeyHeadSink& put) const;
};

// The sort order of positions a and b: value (reversed when descending), then
// RecId ascending. -1, 0 (only for a == b), 1.
int CompareInOrder(const TSortValues& values, int a, int b, bool descending);

// The positions 0..Count()-1 in sort order.
std::vector<int> SortPermutation(const TSortValues& values, bool descending);

// Sign of CompareValues(key, entry at position), the case option applied.
using TKeyCompare = std::function<int(int position)>;

struct TSortedSearchResult {
    bool found = false;
    int position = -1;
};

// Binary search of a sorted list of count entries for a key, within the
// positions lo..hi (-1: the start or the end of the list). Found: the first
// entry equal to the key (at or after lo). Not found: -1 when the key orders
// before lo or after hi, else the position where the bisection ended, moved
// one on when the key orders after that entry and it is not the last.
TSortedSearchResult SortedSearch(int count, int lo, int hi, const TKeyCompare& compareKey,
                                 bool descending);

// First position whose entry orders at or after the key (count when none).
int LowerBound(int count, const TKeyCompare& compareKey, bool descending);
// First position whose entry orders after the key (count when none).
int UpperBound(int count, const TKeyCompare& compareKey, bool descending);

// The positions whose entries equal the key: [first, last).
std::pair<int, int> EqualRange(int count, const TKeyCompare& compareKey, bool descending);

// The positions of every text that may begin with the key: those at or after
// the key and before the key followed by the highest-weighing character
// (compareUpper). A superset of the texts that begin with the key under the
// collator, in one block of the sorted list. [first, last).
std::pair<int, int> PrefixRange(int count, const TKeyCompare& compareKey,
                                const TKeyCompare& compareUpper, bool descending);

// The key followed by the character the collator weighs above every other,
// as the upper bound of PrefixRange.
std::u16string PrefixUpperBound(std::u16string key);

// Where a record whose order against position i is given by compareRecord(i)
// (its sort order against entry i, never 0) goes among positions lo..hi of a
// sorted list: the first position in lo..hi+1 whose entry orders after it.
int InsertPosition(int lo, int hi, const std::function<int(int position)>& compareRecord);

}  // namespace spisotek::memtable
