// The tree copy of TdxDBTreePrintData: fields taken from the source, and the
// records copied in tree pre-order when the table opens.
#include "memtable/tree_print_data.h"

#include <vector>

#include "memtable/tree_copy.h"

namespace spisotek {

namespace {

constexpr const char* kLevelField = "dx$level";
constexpr const char* kRecNoField = "dx$recno";
constexpr const char* kHasChildrenField = "dx$haschildren";

}  // namespace

void TdxDBTreePrintData::SetDataSource(TDataSet* source) {
    if (source == source_) {
        return;
    }
    source_ = source;
    ExamineSource();
}

void TdxDBTreePrintData::SetKeyField(std::string name) {
    if (name == keyField_) {
        return;
    }
    keyField_ = std::move(name);
    ExamineSource();
}

void TdxDBTreePrintData::SetParentField(std::string name) {
    if (name == parentField_) {
        return;
    }
    parentField_ = std::move(name);
    ExamineSource();
}

void TdxDBTreePrintData::SetLevelCount(int levelCount) {
    if (levelCount < 0) {
        levelCount = 0;
    }
    if (levelCount == levelCount_) {
        return;
    }
    levelCount_ = levelCount;
    ReopenIfActive();
}

void TdxDBTreePrintData::SetRootValue(const TVariant& value) {
    const bool emptyText = value.VarType() == TVariant::Type::kString && value.AsString().empty();
    rootValue_ = emptyText ? TVariant() : value;
    ReopenIfActive();
}

void TdxDBTreePrintData::ReopenIfActive() {
    if (Active() && !LoadingSettings()) {
        Close();
        Open();
    }
}

void TdxDBTreePrintData::Loaded() {
    TdxMemData::Loaded();
    ExamineSource();
}

void TdxDBTreePrintData::ExamineSource() {
    if (LoadingSettings() || examining_) {
        return;
    }
    examining_ = true;
    try {
        if (Active()) {
            Close();
        }
        if (source_ != nullptr && source_->Active() && source_->FindField(keyField_) != nullptr &&
            source_->FindField(parentField_) != nullptr) {
            // Every field but RecId goes; the source's stored fields come in.
            while (FieldCount() > 1) {
                RemoveField(Field(FieldCount() - 1));
            }
            for (const TFieldDef& def : source_->FieldDefs()) {
                if (IsSupportedType(def.dataType)) {
                    AddField(def.name, def.dataType, def.size).SetRequired(false);
                }
            }
            AddField(kLevelField, ftInteger);
            AddField(kRecNoField, ftInteger);
            AddField(kHasChildrenField, ftBoolean);
        }
    } catch (...) {
        examining_ = false;
        throw;
    }
    examining_ = false;
}

void TdxDBTreePrintData::DoAfterOpen() {
    TdxMemData::DoAfterOpen();
    CopySource();
}

void TdxDBTreePrintData::CopySource() {
    maxLevel_ = 0;
    if (source_ == nullptr || !source_->Active()) {
        return;
    }
    TField* keyField = source_->FindField(keyField_);
    TField* parentField = source_->FindField(parentField_);
    if (keyField == nullptr || parentField == nullptr) {
        return;
    }
    TField* level = FindField(kLevelField);
    TField* recNo = FindField(kRecNoField);
    TField* hasChildren = FindField(kHasChildrenField);

    // The table's fields, other than the three added, that the source has.
    struct Copied {
        TField* target;
        TField* source;
    };
    std::vector<Copied> copied;
    for (int i = 1; i < FieldCount(); ++i) {
        TField& field = Field(i);
        if (&field == level || &field == recNo || &field == hasChildren) {
            continue;
        }
        if (TField* sourceField = source_->FindField(field.FieldName())) {
            copied.push_back({&field, sourceField});
        }
    }

    memtable::TTreeCopyOptions options;
    options.levelCount = levelCount_;
    options.rootValue = memtable::ConvertRootValue(rootValue_, keyField->DataType());

    DisableControls();
    source_->DisableControls();
    const int sourceRecNo = source_->RecNo();
    auto restore = [&]() {
        source_->SetRecNo(sourceRecNo);
        source_->EnableControls();
        EnableControls();
    };
    try {
        // One pass over the source: keys, parents and the values to copy.
        std::vector<memtable::TTreeSourceRecord> records;
        std::vector<std::vector<TVariant>> values;
        for (source_->First(); !source_->Eof(); source_->Next()) {
            records.push_back({keyField->Value(), parentField->Value()});
            std::vector<TVariant>& row = values.emplace_back();
            row.reserve(copied.size());
            for (const Copied& field : copied) {
                row.push_back(field.source->Value());
            }
        }
        const memtable::TTreeCopyResult tree = memtable::BuildTreeCopy(records, options);
        for (const memtable::TTreeCopyNode& node : tree.nodes) {
            Append();
            const auto& row = values[static_cast<size_t>(node.sourcePosition)];
            for (size_t i = 0; i < copied.size(); ++i) {
                copied[i].target->SetValue(row[i]);
            }
            if (level != nullptr) {
                level->SetAsInteger(node.level);
            }
            if (recNo != nullptr) {
                recNo->SetAsInteger(node.sourcePosition);
            }
            if (hasChildren != nullptr) {
                hasChildren->SetAsBoolean(node.hasChildren);
            }
            Post();
        }
        maxLevel_ = tree.deepestLevel;
    } catch (...) {
        if (State() == dsInsert) {
            Cancel();
        }
        restore();
        throw;
    }
    restore();
    First();
}

}  // namespace spisotek
