#include "memtable/dataset.h"

#include <cstring>

#include "platform/text_collator.h"

namespace spisotek {

TDataSet::TDataSet(std::string name) : name_(std::move(name)) {}

TDataSet::~TDataSet() = default;

std::string TDataSet::Qualify(std::string_view message) const {
    if (name_.empty()) {
        return std::string(message);
    }
    std::string text = name_;
    text += ": ";
    text += message;
    return text;
}

void TDataSet::DatabaseError(std::string_view message) const {
    throw EDatabaseError(Qualify(message));
}

void TDataSet::CheckActive() const {
    if (state_ == dsInactive) {
        DatabaseError("Cannot perform this operation on a closed dataset");
    }
}

void TDataSet::CheckInactive() const {
    if (state_ != dsInactive) {
        DatabaseError("Cannot perform this operation on an open dataset");
    }
}

TField& TDataSet::AddField(std::string fieldName, TFieldType type, int size, TFieldKind kind) {
    CheckInactive();
    fields_.push_back(std::make_unique<TField>(*this, std::move(fieldName), type, size, kind));
    // Field objects are named after their table and field ("tBazanazwisko").
    fields_.back()->SetName(name_ + fields_.back()->FieldName());
    RenumberFields();
    return *fields_.back();
}

void TDataSet::RemoveField(TField& field) {
    CheckInactive();
    for (auto it = fields_.begin(); it != fields_.end(); ++it) {
        if (it->get() == &field) {
            fields_.erase(it);
            break;
        }
    }
    RenumberFields();
}

void TDataSet::RenumberFields() {
    for (size_t i = 0; i < fields_.size(); ++i) {
        fields_[i]->index_ = static_cast<int>(i);
    }
}

TField* TDataSet::FindField(std::string_view name) const {
    const auto& collator = platform::TextCollator::User();
    for (const auto& field : fields_) {
        if (field->FieldName() == name || collator.Equal(field->FieldName(), name, true)) {
            return field.get();
        }
    }
    return nullptr;
}

TField& TDataSet::FieldByName(std::string_view name) const {
    TField* field = FindField(name);
    if (field == nullptr) {
        DatabaseError("Field '" + std::string(name) + "' not found");
    }
    return *field;
}

void TDataSet::SetActive(bool active) {
    if (active == Active()) {
        return;
    }
    if (active) {
        DoBeforeOpen();
        OpenCursor();
        DoAfterOpen();
    } else {
        DoBeforeClose();
        SetState(dsInactive);
        modified_ = false;
        InternalClose();
        bof_ = true;
        eof_ = true;
        DoAfterClose();
    }
}

void TDataSet::OpenCursor() {
    fieldDefs_.clear();
    for (const auto& field : fields_) {
        if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) {
            fieldDefs_.push_back(
                {field->FieldName(), field->DataType(), field->Size(), field->Required()});
        }
    }
    InternalOpen();
    SetState(dsBrowse);
    modified_ = false;
    InternalFirst();
    const bool found = GetRecord(gmNext, false) == grOK;
    bof_ = true;
    eof_ = !found;
    if (found) {
        CalculateFields();
    }
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    if (state_ == dsEdit || state_ == dsInsert) {
        if (modified_) {
            Post();
        } else {
            Cancel();
        }
    } else if (state_ == dsSetKey) {
        SetState(dsBrowse);
    }
}

void TDataSet::First() {
    CheckBrowseMode();
    DoBeforeScroll();
    InternalFirst();
    const bool found = GetRecord(gmNext, false) == grOK;
    bof_ = true;
    eof_ = !found;
    if (found) {
        CalculateFields();
    }
    DoAfterScroll();
}

void TDataSet::Last() {
    CheckBrowseMode();
    DoBeforeScroll();
    InternalLast();
    const bool found = GetRecord(gmPrior, false) == grOK;
    eof_ = true;
    bof_ = !found;
    if (found) {
        CalculateFields();
    }
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int moved = 0;
    if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
        DoBeforeScroll();
        bof_ = false;
        eof_ = false;
        while (distance > 0) {
            if (GetRecord(gmNext, false) != grOK) {
                eof_ = true;
                break;
            }
            --distance;
            ++moved;
        }
        while (distance < 0) {
            if (GetRecord(gmPrior, false) != grOK) {
                bof_ = true;
                break;
            }
            ++distance;
            --moved;
        }
        if (moved != 0) {
            CalculateFields();
        }
        DoAfterScroll();
    }
    return moved;
}

void TDataSet::Next() {
    MoveBy(1);
}

void TDataSet::Prior() {
    MoveBy(-1);
}

void TDataSet::Resync() {
    bool found = GetRecord(gmCurrent, false) == grOK;
    if (!found) {
        found = GetRecord(gmNext, false) == grOK;
    }
    if (!found) {
        found = GetRecord(gmPrior, false) == grOK;
    }
    bof_ = !found;
    eof_ = !found;
    if (found) {
        CalculateFields();
    }
}

void TDataSet::BeginInsertAppend(bool append) {
    CheckBrowseMode();
    if (!CanModify()) {
        DatabaseError("Cannot modify a read-only dataset");
    }
    DoBeforeInsert();
    DoBeforeScroll();
    const TBookmarkFlag flag = append ? bfEOF : (IsEmpty() ? bfBOF : bfInserted);
    InternalInitRecord(flag);
    SetState(dsInsert);
    modified_ = false;
    try {
        DoOnNewRecord();
    } catch (...) {
        InternalCancel();
        SetState(dsBrowse);
        Resync();
        throw;
    }
    DoAfterInsert();
    DoAfterScroll();
}

void TDataSet::Append() {
    BeginInsertAppend(true);
}

void TDataSet::Insert() {
    BeginInsertAppend(false);
}

void TDataSet::Edit() {
    if (state_ == dsEdit || state_ == dsInsert) {
        return;
    }
    CheckActive();
    if (IsEmpty()) {
        Insert();
        return;
    }
    CheckBrowseMode();
    if (!CanModify()) {
        DatabaseError("Cannot modify a read-only dataset");
    }
    Fire(BeforeEdit);
    RunChecked([this] { InternalEdit(); }, OnEditError);
    SetState(dsEdit);
    modified_ = false;
    Fire(AfterEdit);
}

void TDataSet::CheckRequiredFields() {
    for (const auto& field : fields_) {
        if (field->Required() && field->FieldKind() == fkData && !field->ReadOnly() &&
            field->IsNull()) {
            throw EDatabaseError("Field '" + field->DisplayName() + "' must have a value");
        }
    }
}

void TDataSet::Post() {
    if (state_ != dsEdit && state_ != dsInsert) {
        CheckActive();
        return;
    }
    DoBeforePost();
    RunChecked(
        [this] {
            CheckRequiredFields();
            InternalSetToActiveRecord();
            InternalPost();
        },
        OnPostError);
    SetState(dsBrowse);
    modified_ = false;
    Resync();
    DoAfterPost();
}

void TDataSet::Cancel() {
    if (state_ != dsEdit && state_ != dsInsert) {
        return;
    }
    DoBeforeCancel();
    InternalCancel();
    SetState(dsBrowse);
    modified_ = false;
    Resync();
    DoAfterCancel();
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == dsInsert || state_ == dsSetKey) {
        Cancel();
        return;
    }
    if (IsEmpty()) {
        DatabaseError("Cannot perform this operation on an empty dataset");
    }
    Fire(BeforeDelete);
    DoBeforeScroll();
    RunChecked([this] { InternalDelete(); }, OnDeleteError);
    SetState(dsBrowse);
    modified_ = false;
    Resync();
    Fire(AfterDelete);
    DoAfterScroll();
}

void TDataSet::RunChecked(const std::function<void()>& operation,
                          const TDataSetErrorEvent& onError) {
    for (;;) {
        try {
            operation();
            return;
        } catch (const EDataError& error) {
            if (!onError) {
                throw;
            }
            TDataAction action = daFail;
            onError(*this, error, action);
            if (action == daFail) {
                throw;
            }
            if (action == daAbort) {
                throw EAbort();
            }
        }
    }
}

void TDataSet::CalculateFields() {
    if (!OnCalcFields) {
        return;
    }
    const TDataSetState saved = state_;
    state_ = dsCalcFields;
    try {
        ClearCalcFields();
        OnCalcFields(*this);
    } catch (...) {
        state_ = saved;
        throw;
    }
    state_ = saved;
}

bool TDataSet::GetFieldText(const TField& field, std::string_view& text) const {
    const auto* data = static_cast<const char*>(GetFieldData(field));
    if (data == nullptr) {
        return false;
    }
    text = std::string_view(data, strnlen(data, static_cast<size_t>(field.Size()) + 1));
    return true;
}

TVariant TDataSet::OldFieldValue(const TField& field) {
    const TDataSetState saved = state_;
    if (saved == dsInactive) {
        return TVariant();
    }
    state_ = dsOldValue;
    TVariant value;
    try {
        value = field.Value();
    } catch (...) {
        state_ = saved;
        throw;
    }
    state_ = saved;
    return value;
}

void TDataSet::FieldChanged(TField& /*field*/) {
    if (state_ != dsCalcFields && state_ != dsFilter && state_ != dsNewValue) {
        modified_ = true;
    }
}

void TDataSet::SetFiltered(bool filtered) {
    if (filtered_ == filtered) {
        return;
    }
    if (Active()) {
        CheckBrowseMode();
    }
    filtered_ = filtered;
    if (Active()) {
        InternalFilterChanged();
    }
}

}  // namespace spisotek
