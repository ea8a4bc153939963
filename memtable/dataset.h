// TDataSet: the dataset base written for this system.
//
// It owns the field objects, keeps the dataset state, the begin- and
// end-of-table flags and the events, and implements navigation and editing
// (First, Next, Append, Post, ...) on top of record-level requests that a
// concrete table answers (the protected virtual functions). The active record
// is whatever the concrete table says it is for the current state; there are
// no data-aware controls, so one record buffer is enough.
//
// Failures raise exceptions of the EDataError family (db_error.h). Errors of
// editing requests go through OnEditError / OnPostError / OnDeleteError first.
// Fields are added while the dataset is closed. Single-threaded.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "memtable/db_error.h"
#include "memtable/field.h"

namespace spisotek {

enum TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsCurValue,
    dsBlockRead,
    dsInternalCalc,
    dsOpening
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TDataAction { daFail, daAbort, daRetry };
// Where a record buffer's record stands: on its bookmark, newly inserted
// before its bookmark, or at the begin or end of the table.
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

// One field definition: what a stored (data) field looks like.
struct TFieldDef {
    std::string name;
    TFieldType dataType = ftUnknown;
    int size = 0;
    bool required = false;
};

class TDataSet;
using TDataSetNotifyEvent = std::function<void(TDataSet& dataSet)>;
using TDataSetErrorEvent =
    std::function<void(TDataSet& dataSet, const EDataError& error, TDataAction& action)>;
using TFilterRecordEvent = std::function<void(TDataSet& dataSet, bool& accept)>;

class TDataSet {
  public:
    explicit TDataSet(std::string name);
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    // Component name ("tBaza"), put in front of the messages that name it.
    const std::string& Name() const { return name_; }

    // Fields. The dataset owns them; add and remove only while closed. A new
    // field's component name is the dataset's name followed by the field name.
    TField& AddField(std::string fieldName, TFieldType type, int size = 0,
                     TFieldKind kind = fkData);
    void RemoveField(TField& field);
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    TField& Field(int index) const { return *fields_.at(static_cast<size_t>(index)); }
    // The first field whose name equals name, case ignored in the user's locale.
    TField* FindField(std::string_view name) const;
    // As FindField; raises "<name>: Field 'x' not found" when there is none.
    TField& FieldByName(std::string_view name) const;
    const std::vector<TFieldDef>& FieldDefs() const { return fieldDefs_; }

    // Open and close.
    bool Active() const { return state_ != dsInactive; }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }

    TDataSetState State() const { return state_; }

    // Navigation.
    void First();
    void Last();
    void Next();
    void Prior();
    // Moves by distance records; returns the distance actually moved.
    int MoveBy(int distance);
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool IsEmpty() const { return bof_ && eof_; }
    virtual int RecordCount() = 0;
    // 1-based position of the current record among the visible ones.
    virtual int RecNo() = 0;
    // Moves to the n-th visible record; outside 1..RecordCount() nothing moves.
    virtual void SetRecNo(int recNo) = 0;

    // Editing.
    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    // Posts a modified record, cancels an unmodified one; raises when closed.
    void CheckBrowseMode();
    bool Modified() const { return modified_; }

    // Notifications to attached views; nested.
    void DisableControls() { ++disableCount_; }
    void EnableControls() {
        if (disableCount_ > 0) {
            --disableCount_;
        }
    }
    bool ControlsDisabled() const { return disableCount_ > 0; }

    bool Filtered() const { return filtered_; }
    void SetFiltered(bool filtered);

    // Events.
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent OnCalcFields, OnNewRecord;
    TFilterRecordEvent OnFilterRecord;
    TDataSetErrorEvent OnDeleteError, OnEditError, OnPostError;

    // Field data of the active record, in the stored form: fixed-size types
    // point to their value bytes (ftString: zero-terminated text), ftWideString
    // to a std::u16string, blob types to a std::string. nullptr: the field is
    // null or no record is active.
    virtual const void* GetFieldData(const TField& field) const = 0;
    // The text of an ftString field of the active record; false when null.
    virtual bool GetFieldText(const TField& field, std::string_view& text) const;
    // Stores a value of the form above into the active record (nullptr: null).
    // Raises "<name>: Dataset not in edit or insert mode" outside the editing
    // states.
    virtual void SetFieldData(TField& field, const void* value) = 0;
    // The field's value in the store before the current edit (null for a
    // record being inserted).
    TVariant OldFieldValue(const TField& field);

  protected:
    // Record-level requests the concrete table answers.
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() const = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    // Moves the table's cursor and makes that record the active one.
    virtual TGetResult GetRecord(TGetMode mode, bool doCheck) = 0;
    // Starts a new record in the edit buffer (flag: where it goes on post).
    virtual void InternalInitRecord(TBookmarkFlag flag) = 0;
    // Copies the current record into the edit buffer.
    virtual void InternalEdit() = 0;
    virtual void InternalPost() = 0;
    virtual void InternalCancel() = 0;
    virtual void InternalDelete() = 0;
    // Brings the table's cursor in line with the active record.
    virtual void InternalSetToActiveRecord() = 0;
    virtual bool CanModify() const { return true; }
    // Before OnCalcFields: the table prepares its calculation buffer from the
    // active record and clears the calculated fields there.
    virtual void ClearCalcFields() {}
    virtual void InternalFilterChanged() {}
    // Reloads the active record after a change of position or content.
    void Resync();

    // Event hooks; a table may keep some quiet (internal mode).
    virtual void DoBeforeOpen() { Fire(BeforeOpen); }
    virtual void DoAfterOpen() { Fire(AfterOpen); }
    virtual void DoBeforeClose() { Fire(BeforeClose); }
    virtual void DoAfterClose() { Fire(AfterClose); }
    virtual void DoBeforeInsert() { Fire(BeforeInsert); }
    virtual void DoAfterInsert() { Fire(AfterInsert); }
    virtual void DoBeforePost() { Fire(BeforePost); }
    virtual void DoAfterPost() { Fire(AfterPost); }
    virtual void DoBeforeCancel() { Fire(BeforeCancel); }
    virtual void DoAfterCancel() { Fire(AfterCancel); }
    virtual void DoOnNewRecord() { Fire(OnNewRecord); }
    void DoBeforeScroll() { Fire(BeforeScroll); }
    void DoAfterScroll() { Fire(AfterScroll); }
    void Fire(const TDataSetNotifyEvent& event) {
        if (event) {
            event(*this);
        }
    }
    // Runs OnCalcFields for the active record when anyone listens.
    void CalculateFields();

    void SetState(TDataSetState state) { state_ = state; }
    void SetModified(bool modified) { modified_ = modified; }
    void SetBofEof(bool bof, bool eof) {
        bof_ = bof;
        eof_ = eof;
    }
    // "<name>: <message>".
    std::string Qualify(std::string_view message) const;
    [[noreturn]] void DatabaseError(std::string_view message) const;
    void CheckActive() const;
    void CheckInactive() const;

    std::vector<std::unique_ptr<TField>>& MutableFields() { return fields_; }
    std::vector<TFieldDef>& MutableFieldDefs() { return fieldDefs_; }
    static int FieldBinding(const TField& field) { return field.bindIndex_; }
    static void BindField(TField& field, int index) { field.bindIndex_ = index; }
    // Tells the dataset a field of the edited record changed.
    void FieldChanged(TField& field);

  private:
    void OpenCursor();
    void BeginInsertAppend(bool append);
    void RunChecked(const std::function<void()>& operation, const TDataSetErrorEvent& onError);
    void CheckRequiredFields();
    void RenumberFields();

    std::string name_;
    std::vector<std::unique_ptr<TField>> fields_;
    std::vector<TFieldDef> fieldDefs_;
    TDataSetState state_ = dsInactive;
    bool bof_ = true;
    bool eof_ = true;
    bool modified_ = false;
    bool filtered_ = false;
    int disableCount_ = 0;
};

}  // namespace spisotek
