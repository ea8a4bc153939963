// TMemBlobStream: a blob field of a memory table read and written as a
// stream of bytes.
//
// The stream is bound to one blob field of the table's active record and
// does not own it. Opened for writing (bmWrite, bmReadWrite) it needs a
// field that is not read-only ("Field '%s' cannot be modified") and a table
// in edit or insert ("Dataset not in edit or insert mode"); bmWrite starts
// from an empty value. Every write goes straight into the record being
// edited. Reads see the value of the active record. Seeking past the end is
// allowed; a write there fills the gap with zero bytes. Single-threaded; the
// stream must not outlive the table's current record.
#pragma once

#include <cstdint>
#include <string>

#include "memtable/field.h"

namespace spisotek {

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };
enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TMemBlobStream {
  public:
    TMemBlobStream(TField& field, TBlobStreamMode mode);
    TMemBlobStream(const TMemBlobStream&) = delete;
    TMemBlobStream& operator=(const TMemBlobStream&) = delete;

    // Copies at most count bytes from the position on; returns how many.
    int64_t Read(void* buffer, int64_t count);
    // Raises EDatabaseError on a stream opened for reading only.
    int64_t Write(const void* buffer, int64_t count);
    // The new position; a position before the start raises EDataError.
    int64_t Seek(int64_t offset, TSeekOrigin origin);
    int64_t Position() const { return position_; }
    int64_t Size() const;
    bool Modified() const { return modified_; }

    std::string ReadAll();

  private:
    std::string Value() const;

    TField* field_;
    TBlobStreamMode mode_;
    int64_t position_ = 0;
    bool modified_ = false;
};

}  // namespace spisotek
