// TdxDBTreePrintData: the memory table that can fill itself with a tree-shaped
// copy of another dataset. With no source it is exactly a TdxMemData, which
// is how the directory tables use it.
#pragma once

#include <string>

#include "memtable/mem_data.h"

namespace spisotek {

class TdxDBTreePrintData : public TdxMemData {
  public:
    explicit TdxDBTreePrintData(std::string name) : TdxMemData(std::move(name)) {}
};

}  // namespace spisotek
