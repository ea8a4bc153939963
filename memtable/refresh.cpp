// Recomputing calculated and lookup values of every record.
#include <vector>

#include "memtable/mem_data.h"

namespace spisotek {

namespace {

// The values of the fields named in names (';'-separated): one value, or
// an array for several.
TVariant KeyValuesOf(TDataSet& table, std::string_view names) {
    std::vector<TVariant> values;
    size_t position = 0;
    while (position <= names.size()) {
        const size_t end = std::min(names.find(';', position), names.size());
        values.push_back(table.FieldByName(names.substr(position, end - position)).Value());
        position = end + 1;
    }
    return values.size() == 1 ? values[0] : TVariant::Array(std::move(values));
}

}  // namespace

void TdxMemData::Refresh() {
    CheckBrowseMode();
    std::vector<TField*> lookups;
    for (int i = 0; i < FieldCount(); ++i) {
        TField& field = Field(i);
        auto* lookupTable = dynamic_cast<TdxMemData*>(field.LookupDataSet());
        if (field.FieldKind() == fkLookup && lookupTable != nullptr && lookupTable->Active()) {
            lookups.push_back(&field);
        }
    }
    const bool hasCalculated = memFields_ && !memFields_->calcFields.empty();
    if (!hasCalculated || RecordCount() == 0 || (!OnCalcFields && lookups.empty())) {
        Resync();
        return;
    }
    const int startRecNo = RecNo();
    const bool wasInternal = internalMode_;
    internalMode_ = true;
    DisableControls();
    try {
        const int count = RecordCount();
        for (int recNo = 1; recNo <= count; ++recNo) {
            SetRecNo(recNo);
            Edit();
            for (TField* field : lookups) {
                auto& lookupTable = static_cast<TdxMemData&>(*field->LookupDataSet());
                field->SetValue(lookupTable.Lookup(field->LookupKeyFields(),
                                                   KeyValuesOf(*this, field->KeyFields()),
                                                   field->LookupResultField()));
            }
            Post();
        }
        SetRecNo(startRecNo);
    } catch (...) {
        if (State() == dsEdit) {
            Cancel();
        }
        internalMode_ = wasInternal;
        EnableControls();
        throw;
    }
    internalMode_ = wasInternal;
    EnableControls();
}

}  // namespace spisotek
