#include "memtable/sort_order.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <numeric>

namespace spisotek::memtable {

namespace {

// The sign of the key against entry i in list order.
int Ordered(const TKeyCompare& compareKey, int position, bool descending) {
    const int c = compareKey(position);
    const int sign = c < 0 ? -1 : c > 0 ? 1 : 0;
    return descending ? -sign : sign;
}

int Sign(int value) {
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

}  // namespace

int CompareInOrder(const TSortValues& values, int a, int b, bool descending) {
    if (a == b) {
        return 0;
    }
    int c = Sign(values.CompareAt(a, b));
    if (descending) {
        c = -c;
    }
    if (c != 0) {
        return c;
    }
    const int32_t idA = values.RecIdAt(a);
    const int32_t idB = values.RecIdAt(b);
    return idA < idB ? -1 : idA > idB ? 1 : 0;
}

bool TSortValues::SortKeyHeads(const TSortKeyHeadSink& put) const {
    std::string key;
    const int count = Count();
    if (count == 0 || !SortKeyAt(0, key)) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            SortKeyAt(i, key);
        }
        put(i, SortKeyHeadOf(key));
    }
    return true;
}

namespace {

// A record under sort: its key head (complemented when descending, so the
// list order is always ascending) and its position.
struct Keyed {
    uint64_t high;
    uint32_t low;
    uint32_t position;
};

bool HeadLess(const Keyed& a, const Keyed& b) {
    return a.high != b.high ? a.high < b.high : a.low < b.low;
}

// Few elements: insertion sort, which mispredicts less than std::sort here.
void InsertionSort(Keyed* first, Keyed* last) {
    for (Keyed* next = first + 1; next < last; ++next) {
        const Keyed item = *next;
        Keyed* hole = next;
        for (; hole > first && HeadLess(item, hole[-1]); --hole) {
            *hole = hole[-1];
        }
        *hole = item;
    }
}

bool HeadEqual(const Keyed& a, const Keyed& b) {
    return a.high == b.high && a.low == b.low;
}

unsigned HeadByte(const Keyed& k, size_t depth) {
    return depth < 8 ? static_cast<unsigned>(k.high >> (56 - 8 * depth)) & 0xFFu
                     : static_cast<unsigned>(k.low >> (24 - 8 * (depth - 8))) & 0xFFu;
}

// Orders runs of records whose key heads are equal by their full keys, then
// by RecId.
class TieBreaker {
  public:
    TieBreaker(const TSortValues& values, bool descending, bool recIdsFollowPositions)
        : values_(values), descending_(descending), recIdsFollowPositions_(recIdsFollowPositions) {}

    void Order(Keyed* first, Keyed* last) {
        if (last - first < 2) {
            return;
        }
        keys_.clear();
        members_.clear();
        for (Keyed* k = first; k != last; ++k) {
            values_.SortKeyAt(static_cast<int>(k->position), key_);
            members_.push_back(
                {keys_.size(), key_.size(), k->position,
                 recIdsFollowPositions_ ? 0 : values_.RecIdAt(static_cast<int>(k->position))});
            keys_ += key_;
        }
        std::sort(members_.begin(), members_.end(), [this](const Member& a, const Member& b) {
            int c = std::string_view(keys_)
                        .substr(a.offset, a.length)
                        .compare(std::string_view(keys_).substr(b.offset, b.length));
            if (c != 0) {
                return descending_ ? c > 0 : c < 0;
            }
            return recIdsFollowPositions_ ? a.position < b.position : a.recId < b.recId;
        });
        for (size_t i = 0; i < members_.size(); ++i) {
            first[i].position = members_[i].position;
        }
    }

  private:
    struct Member {
        size_t offset;
        size_t length;
        uint32_t position;
        int32_t recId;
    };
    const TSortValues& values_;
    bool descending_;
    bool recIdsFollowPositions_;
    std::string key_;
    std::string keys_;
    std::vector<Member> members_;
};

// Sorts by key head, in place, one byte of the head per level (American
// flag sort); small ranges and fully compared heads go to the tie breaker
// run by run.
void RadixSort(Keyed* first, Keyed* last, size_t depth, TieBreaker& ties) {
    constexpr std::ptrdiff_t kSmall = 64;
    for (;;) {
        const std::ptrdiff_t count = last - first;
        if (count < 2) {
            return;
        }
        if (depth == kSortKeyHeadSize) {
            ties.Order(first, last);
            return;
        }
        if (count <= kSmall) {
            InsertionSort(first, last);
            for (Keyed* run = first; run != last;) {
                Keyed* end = run + 1;
                while (end != last && HeadEqual(*run, *end)) {
                    ++end;
                }
                ties.Order(run, end);
                run = end;
            }
            return;
        }
        std::array<size_t, 256> counts{};
        for (const Keyed* k = first; k != last; ++k) {
            ++counts[HeadByte(*k, depth)];
        }
        // Every head shares this byte: nothing to move.
        if (counts[HeadByte(*first, depth)] == static_cast<size_t>(count)) {
            ++depth;
            continue;
        }
        std::array<size_t, 256> next{};
        std::array<size_t, 256> end{};
        size_t sum = 0;
        for (size_t b = 0; b < 256; ++b) {
            next[b] = sum;
            sum += counts[b];
            end[b] = sum;
        }
        for (size_t b = 0; b < 256; ++b) {
            while (next[b] < end[b]) {
                Keyed item = first[next[b]];
                size_t home = HeadByte(item, depth);
                while (home != b) {
                    std::swap(item, first[next[home]++]);
                    home = HeadByte(item, depth);
                }
                first[next[b]++] = item;
            }
        }
        size_t start = 0;
        for (size_t b = 0; b < 256; ++b) {
            if (counts[b] > 1) {
                RadixSort(first + start, first + start + counts[b], depth + 1, ties);
            }
            start += counts[b];
        }
        return;
    }
}

}  // namespace

std::vector<int> SortPermutation(const TSortValues& values, bool descending) {
    const int count = values.Count();
    std::vector<int> order(static_cast<size_t>(count));
    // Text: each record's key head settles most of the order; full keys are
    // made only for records whose heads are equal. Zero padding keeps the
    // byte order: when heads are equal, a shorter key is a prefix of the
    // other, and the full keys decide.
    std::vector<Keyed> keyed;
    const uint64_t flipHigh = descending ? ~uint64_t{0} : 0;
    const uint32_t flipLow = descending ? ~uint32_t{0} : 0;
    const bool hasKeys =
        count >= 2 && values.SortKeyHeads([&](int position, const TSortKeyHead& head) {
            if (keyed.empty()) {
                keyed.resize(static_cast<size_t>(count));
            }
            keyed[static_cast<size_t>(position)] = {head.high ^ flipHigh, head.low ^ flipLow,
                                                    static_cast<uint32_t>(position)};
        });
    if (!hasKeys || keyed.size() != static_cast<size_t>(count)) {
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&values, descending](int a, int b) {
            return CompareInOrder(values, a, b, descending) < 0;
        });
        return order;
    }
    // Records loaded from a file sit in RecId order, so ties need no RecIds.
    bool recIdsFollowPositions = true;
    for (int i = 1; i < count && recIdsFollowPositions; ++i) {
        recIdsFollowPositions = values.RecIdAt(i - 1) < values.RecIdAt(i);
    }
    // The first two head bytes scatter the records into buckets (one pass
    // from list to list); each bucket, small enough for the caches, is then
    // sorted in place.
    constexpr size_t kBuckets = 65536;
    auto bucketOf = [](const Keyed& k) { return static_cast<size_t>(k.high >> 48); };
    std::vector<uint32_t> starts(kBuckets + 1, 0);
    for (const Keyed& k : keyed) {
        ++starts[bucketOf(k) + 1];
    }
    for (size_t b = 1; b <= kBuckets; ++b) {
        starts[b] += starts[b - 1];
    }
    std::vector<Keyed> bucketed(keyed.size());
    {
        std::vector<uint32_t> next(starts.begin(), starts.end() - 1);
        for (const Keyed& k : keyed) {
            bucketed[next[bucketOf(k)]++] = k;
        }
    }
    std::vector<Keyed>().swap(keyed);
    TieBreaker ties(values, descending, recIdsFollowPositions);
    for (size_t b = 0; b < kBuckets; ++b) {
        RadixSort(bucketed.data() + starts[b], bucketed.data() + starts[b + 1], 2, ties);
    }
    for (size_t i = 0; i < bucketed.size(); ++i) {
        order[i] = static_cast<int>(bucketed[i].position);
    }
    return order;
}

TSortedSearchResult SortedSearch(int count, int lo, int hi, const TKeyCompare& compareKey,
                                 bool descending) {
    if (count <= 0) {
        return {};
    }
    if (lo < 0) {
        lo = 0;
    }
    if (hi < 0 || hi >= count) {
        hi = count - 1;
    }
    if (lo > hi) {
        return {};
    }
    auto firstEqual = [&](int position) {
        // Equal entries may run before the one the search hit.
        while (position > lo && Ordered(compareKey, position - 1, descending) == 0) {
            --position;
        }
        return TSortedSearchResult{true, position};
    };
    int c = Ordered(compareKey, lo, descending);
    if (c <= 0) {
        return c == 0 ? TSortedSearchResult{true, lo} : TSortedSearchResult{};
    }
    c = Ordered(compareKey, hi, descending);
    if (c >= 0) {
        return c == 0 ? firstEqual(hi) : TSortedSearchResult{};
    }
    // Invariant: the key orders after lo and before hi.
    int low = lo;
    int high = hi;
    int middle = lo;
    while (high - low > 1) {
        middle = low + (high - low) / 2;
        c = Ordered(compareKey, middle, descending);
        if (c == 0) {
            return firstEqual(middle);
        }
        if (c < 0) {
            high = middle;
        } else {
            low = middle;
        }
    }
    // The key lies strictly between low and high; the bisection's last
    // middle is one of them.
    if (Ordered(compareKey, middle, descending) > 0 && middle < count - 1) {
        ++middle;
    }
    return {false, middle};
}

int LowerBound(int count, const TKeyCompare& compareKey, bool descending) {
    int low = 0;
    int high = count;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (Ordered(compareKey, middle, descending) > 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

int UpperBound(int count, const TKeyCompare& compareKey, bool descending) {
    int low = 0;
    int high = count;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (Ordered(compareKey, middle, descending) >= 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

std::pair<int, int> EqualRange(int count, const TKeyCompare& compareKey, bool descending) {
    const int first = LowerBound(count, compareKey, descending);
    if (first == count || Ordered(compareKey, first, descending) != 0) {
        return {first, first};
    }
    return {first, UpperBound(count, compareKey, descending)};
}

namespace {

// Smallest p in [start, count] with atEnd(p), atEnd going from false to true
// (atEnd(count) taken as true): steps of 1, 2, 4, ... then bisection, so a
// short block costs a few comparisons.
int GallopForward(int start, int count, const std::function<bool(int)>& atEnd) {
    int64_t low = start;
    int64_t high = start;
    int64_t step = 1;
    while (high < count && !atEnd(static_cast<int>(high))) {
        low = high + 1;
        high = start + step;
        step *= 2;
    }
    high = std::min<int64_t>(high, count);
    while (low < high) {
        const int64_t middle = low + (high - low) / 2;
        if (atEnd(static_cast<int>(middle))) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return static_cast<int>(low);
}

// Smallest p <= end with inBlock(q) for every q in [p, end), inBlock going
// from false to true before end.
int GallopBackward(int end, const std::function<bool(int)>& inBlock) {
    int64_t known = end;
    int64_t low = 0;
    int64_t step = 1;
    for (;;) {
        const int64_t probe = end - step;
        if (probe < 0) {
            low = 0;
            break;
        }
        if (!inBlock(static_cast<int>(probe))) {
            low = probe + 1;
            break;
        }
        known = probe;
        step *= 2;
    }
    while (low < known) {
        const int64_t middle = low + (known - low) / 2;
        if (inBlock(static_cast<int>(middle))) {
            known = middle;
        } else {
            low = middle + 1;
        }
    }
    return static_cast<int>(known);
}

}  // namespace

std::pair<int, int> PrefixRange(int count, const TKeyCompare& compareKey,
                                const TKeyCompare& compareUpper, bool descending) {
    // Ascending the block is [key, upper); descending the list runs from
    // high to low, so it starts below upper and ends below the key. The
    // block's far end is found by galloping from the near one.
    if (!descending) {
        const int first = LowerBound(count, compareKey, false);
        const int last = GallopForward(first, count,
                                       [&](int p) { return Ordered(compareUpper, p, false) <= 0; });
        return {first, last};
    }
    const int last = UpperBound(count, compareKey, true);
    const int first =
        GallopBackward(last, [&](int p) { return Ordered(compareUpper, p, true) < 0; });
    return {first, last};
}

std::u16string PrefixUpperBound(std::u16string key) {
    key.push_back(u'\uFFFF');
    return key;
}

int InsertPosition(int lo, int hi, const std::function<int(int position)>& compareRecord) {
    int low = lo;
    int high = hi + 1;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (compareRecord(middle) > 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

}  // namespace spisotek::memtable
