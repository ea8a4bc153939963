// Loading stored table data into its table.
#include <algorithm>
#include <cstring>

#include "memtable/mem_data.h"
#include "memtable/mem_index.h"
#include "memtable/persistent.h"

namespace spisotek {

void TdxMemPersistent::LoadData() {
    if (data_.empty() || loading_) {
        return;
    }
    loading_ = true;
    try {
        owner_->LoadPersistentData(data_);
    } catch (...) {
        loading_ = false;
        throw;
    }
    loading_ = false;
}

void TdxMemData::BeginLoading() {
    loadingSettings_ = true;
    indexes_->BeginLoading();
}

void TdxMemData::Loaded() {
    loadingSettings_ = false;
    indexes_->EndLoading();
    if (Active() && persistent_->Option() == poLoad) {
        persistent_->LoadData();
    }
}

void TdxMemData::LoadPersistentData(std::string_view data) {
    DisableControls();
    const bool wasInternal = internalMode_;
    auto finish = [&]() {
        internalMode_ = wasInternal;
        // Record ids restart at 1 in store order.
        for (size_t i = 0; i < recordIds_.size(); ++i) {
            recordIds_[i] = static_cast<int32_t>(i + 1);
        }
        lastRecordId_ = static_cast<int32_t>(recordIds_.size());
        if (Active()) {
            ApplySort();
            First();
        }
        EnableControls();
    };
    try {
        Close();
        Open();
        const memtable::TPersistentHeader header = memtable::ReadPersistentHeader(data);

        // Description -> the field it fills; field -> its first description.
        std::vector<memtable::TPersistentTarget> targets(header.descriptions.size());
        std::vector<int> sourceOf(static_cast<size_t>(FieldCount()), -1);
        bool anyMatched = false;
        for (size_t i = 0; i < header.descriptions.size(); ++i) {
            TField* field = FindField(header.descriptions[i].name);
            if (field == nullptr || field->Lookup() || FieldBinding(*field) < 0) {
                continue;
            }
            const TFieldType type = field->DataType();
            const int textSize = type == ftString                            ? field->Size()
                                 : type == ftWideString && field->Size() > 0 ? field->Size()
                                                                             : -1;
            targets[i] = {type, textSize};
            anyMatched = true;
            int& source = sourceOf[static_cast<size_t>(field->Index())];
            if (source < 0) {
                source = static_cast<int>(i);
            }
        }
        if (anyMatched && header.recordsStart < data.size()) {
            internalMode_ = true;
            int32_t ordinal = 0;
            std::vector<unsigned char> fixed;
            memtable::ReadPersistentRecords(
                data, header, targets, [&](const std::vector<memtable::TPersistentValue>& values) {
                    Append();
                    try {
                        for (int f = 0; f < FieldCount(); ++f) {
                            TField& field = Field(f);
                            if (f == 0) {
                                // RecId is the record's ordinal, whatever was stored.
                                const int32_t recId = ++ordinal;
                                SetFieldData(field, &recId);
                                continue;
                            }
                            const int source = sourceOf[static_cast<size_t>(f)];
                            if (source < 0) {
                                continue;
                            }
                            const memtable::TPersistentValue& value =
                                values[static_cast<size_t>(source)];
                            if (value.isNull) {
                                continue;
                            }
                            const TFieldType type = field.DataType();
                            if (type == ftString) {
                                SetFieldData(field, value.bytes.c_str());
                            } else if (type == ftWideString) {
                                SetFieldData(field, &value.wide);
                            } else if (field.IsBlob()) {
                                SetFieldData(field, &value.bytes);
                            } else {
                                // A shorter stored value leaves zeros, never
                                // undefined bytes; a longer one is cut.
                                fixed.assign(static_cast<size_t>(field.DataSize()), 0);
                                std::memcpy(fixed.data(), value.bytes.data(),
                                            std::min(fixed.size(), value.bytes.size()));
                                SetFieldData(field, fixed.data());
                            }
                        }
                        Post();
                    } catch (...) {
                        Cancel();
                        throw;
                    }
                });
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

}  // namespace spisotek
