#include "memtable/sort_order.h"

#include <algorithm>
#include <cstring>
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

std::vector<int> SortPermutation(const TSortValues& values, bool descending) {
    const int count = values.Count();
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    if (count < 2) {
        return order;
    }
    std::string key;
    if (values.SortKeyAt(0, key)) {
        // Text: the first sixteen bytes of each record's collation key as
        // two numbers settle most comparisons; the rest of a key is made
        // again only for two different texts that agree that far. Zero
        // padding keeps the byte order: when both numbers are equal, a key
        // shorter than sixteen bytes is a prefix of the other, and the full
        // keys then decide.
        struct Keyed {
            uint64_t head;
            uint64_t next;  // key bytes 8 to 15
            uint32_t index;
            int32_t recId;
        };
        std::vector<Keyed> keyed(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            if (i > 0) {
                values.SortKeyAt(i, key);
            }
            Keyed& k = keyed[static_cast<size_t>(i)];
            k.head = 0;
            k.next = 0;
            for (size_t b = 0; b < 8; ++b) {
                k.head = (k.head << 8) | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0u);
                k.next = (k.next << 8) |
                         (b + 8 < key.size() ? static_cast<unsigned char>(key[b + 8]) : 0u);
            }
            k.index = static_cast<uint32_t>(i);
            k.recId = values.RecIdAt(i);
        }
        std::string keyA;
        std::string keyB;
        auto less = [&](const Keyed& a, const Keyed& b) {
            int c = 0;
            if (a.head != b.head) {
                c = a.head < b.head ? -1 : 1;
            } else if (a.next != b.next) {
                c = a.next < b.next ? -1 : 1;
            } else if (!values.SameValueAt(static_cast<int>(a.index), static_cast<int>(b.index))) {
                values.SortKeyAt(static_cast<int>(a.index), keyA);
                values.SortKeyAt(static_cast<int>(b.index), keyB);
                c = keyA.compare(keyB);
            }
            if (c != 0) {
                return descending ? c > 0 : c < 0;
            }
            return a.recId < b.recId;
        };
        // Bucketed by the first two key bytes (in list order), then each
        // small bucket sorted.
        constexpr size_t kBuckets = 65536;
        auto bucketOf = [descending](const Keyed& k) {
            const auto top = static_cast<size_t>(k.head >> 48);
            return descending ? kBuckets - 1 - top : top;
        };
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
        for (size_t b = 0; b < kBuckets; ++b) {
            if (starts[b + 1] - starts[b] > 1) {
                std::sort(bucketed.begin() + starts[b], bucketed.begin() + starts[b + 1], less);
            }
        }
        for (int i = 0; i < count; ++i) {
            order[static_cast<size_t>(i)] =
                static_cast<int>(bucketed[static_cast<size_t>(i)].index);
        }
        return order;
    }
    std::sort(order.begin(), order.end(), [&values, descending](int a, int b) {
        return CompareInOrder(values, a, b, descending) < 0;
    });
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
