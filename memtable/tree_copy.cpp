#include "memtable/tree_copy.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "memtable/value_text.h"
#include "platform/text_collator.h"

namespace spisotek::memtable {

namespace {

bool IsNumeric(const TVariant& value) {
    switch (value.VarType()) {
        case TVariant::Type::kInteger:
        case TVariant::Type::kInt64:
        case TVariant::Type::kDouble:
        case TVariant::Type::kCurrency:
        case TVariant::Type::kDateTime:
        case TVariant::Type::kBoolean:
            return true;
        default:
            return false;
    }
}

bool IsText(const TVariant& value) {
    return value.VarType() == TVariant::Type::kString ||
           value.VarType() == TVariant::Type::kWideString;
}

std::optional<double> NumberOf(const TVariant& value) {
    if (IsNumeric(value)) {
        return value.AsDouble();
    }
    if (IsText(value)) {
        return ParseFloat(value.AsString());
    }
    return std::nullopt;
}

int Sign(double a, double b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

// A key in a form that orders like CompareTreeKeys within its kind.
struct KeyForm {
    bool text = false;
    double number = 0;
    std::string sortKey;

    bool operator<(const KeyForm& other) const {
        if (text != other.text) {
            return !text;
        }
        return text ? sortKey < other.sortKey : number < other.number;
    }
};

std::optional<KeyForm> FormOf(const TVariant& value) {
    if (IsNumeric(value)) {
        const double number = value.AsDouble();
        if (std::isnan(number)) {
            return std::nullopt;
        }
        return KeyForm{false, number, {}};
    }
    if (IsText(value)) {
        return KeyForm{true, 0, platform::TextCollator::User().SortKey(value.AsString(), false)};
    }
    return std::nullopt;
}

struct Node {
    int parent = -1;
    std::vector<int> children;
};

}  // namespace

std::optional<int> CompareTreeKeys(const TVariant& a, const TVariant& b) {
    if (IsText(a) && IsText(b)) {
        return platform::TextCollator::User().Compare(a.AsString(), b.AsString(), false);
    }
    if (!(IsNumeric(a) || IsText(a)) || !(IsNumeric(b) || IsText(b))) {
        return std::nullopt;
    }
    const auto x = NumberOf(a);
    const auto y = NumberOf(b);
    if (!x || !y || std::isnan(*x) || std::isnan(*y)) {
        return std::nullopt;
    }
    return Sign(*x, *y);
}

TVariant ConvertRootValue(const TVariant& rootValue, TFieldType keyType) {
    if (rootValue.IsNull()) {
        return rootValue;
    }
    switch (keyType) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
            return TVariant(static_cast<int>(rootValue.AsInteger()));
        case ftFloat:
        case ftCurrency:
            return TVariant(rootValue.AsDouble());
        default:
            return TVariant(rootValue.AsString());
    }
}

TTreeCopyResult BuildTreeCopy(const std::vector<TTreeSourceRecord>& records,
                              const TTreeCopyOptions& options) {
    const int count = static_cast<int>(records.size());
    std::vector<Node> nodes(static_cast<size_t>(count));
    std::vector<std::optional<KeyForm>> keyForms(static_cast<size_t>(count));
    // Key -> the first record that has it.
    std::map<KeyForm, int> byKey;

    // A parent value finds a key of its own kind; text that reads as a number
    // also finds a numeric key, as comparing the two values would.
    auto find = [&byKey](const TVariant& parent) -> int {
        const auto form = FormOf(parent);
        if (!form) {
            return -1;
        }
        auto it = byKey.find(*form);
        if (it != byKey.end()) {
            return it->second;
        }
        if (form->text) {
            if (const auto number = NumberOf(parent); number && !std::isnan(*number)) {
                it = byKey.find(KeyForm{false, *number, {}});
                if (it != byKey.end()) {
                    return it->second;
                }
            }
        }
        return -1;
    };
    auto attach = [&nodes](int child, int parent) {
        nodes[static_cast<size_t>(child)].parent = parent;
        nodes[static_cast<size_t>(parent)].children.push_back(child);
    };

    // Records in source order hang below an earlier record their parent names.
    for (int i = 0; i < count; ++i) {
        const TTreeSourceRecord& record = records[static_cast<size_t>(i)];
        const int parent = find(record.parent);
        if (parent >= 0) {
            attach(i, parent);
        }
        keyForms[static_cast<size_t>(i)] = FormOf(record.key);
        if (keyForms[static_cast<size_t>(i)]) {
            byKey.emplace(*keyForms[static_cast<size_t>(i)], i);
        }
    }
    // Roots whose parent is a later record hang below it, unless that record
    // lies in the root's own subtree (a cycle).
    for (int i = 0; i < count; ++i) {
        if (nodes[static_cast<size_t>(i)].parent >= 0) {
            continue;
        }
        const int parent = find(records[static_cast<size_t>(i)].parent);
        if (parent < 0 || parent == i) {
            continue;
        }
        bool cycle = false;
        for (int up = parent; up >= 0; up = nodes[static_cast<size_t>(up)].parent) {
            if (up == i) {
                cycle = true;
                break;
            }
        }
        if (!cycle) {
            attach(i, parent);
        }
    }

    std::vector<int> roots;
    int subtreeRoot = -1;
    if (!options.rootValue.IsNull()) {
        subtreeRoot = find(options.rootValue);
    }
    if (subtreeRoot >= 0) {
        roots.push_back(subtreeRoot);
    } else {
        for (int i = 0; i < count; ++i) {
            if (nodes[static_cast<size_t>(i)].parent < 0) {
                roots.push_back(i);
            }
        }
    }
    for (Node& node : nodes) {
        std::sort(node.children.begin(), node.children.end());
    }

    // Depth-first pre-order with an explicit stack; the level cut drops the
    // children of the deepest kept level.
    TTreeCopyResult result;
    const int levelCount = std::max(options.levelCount, 0);
    struct Frame {
        int node;
        int level;
    };
    std::vector<Frame> stack;
    for (auto root = roots.rbegin(); root != roots.rend(); ++root) {
        stack.push_back({*root, 0});
    }
    while (!stack.empty()) {
        const Frame frame = stack.back();
        stack.pop_back();
        const Node& node = nodes[static_cast<size_t>(frame.node)];
        const bool cut = levelCount > 0 && frame.level >= levelCount - 1;
        const bool hasChildren = !cut && !node.children.empty();
        result.nodes.push_back(TTreeCopyNode{frame.node, frame.level, hasChildren});
        result.deepestLevel = std::max(result.deepestLevel, frame.level);
        if (hasChildren) {
            for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) {
                stack.push_back({*child, frame.level + 1});
            }
        }
    }
    return result;
}

}  // namespace spisotek::memtable
