#pragma once

#include <memory>
#include <utility>

#include "webupdate/transfer/connection.h"

namespace spisotek::webupdate {

// The engine's session or FTP connection handle. For HTTP the engine's session and connection
// are the same object.
class TransferSession {
  public:
    explicit TransferSession(std::unique_ptr<transfer::Connection> connection)
        : connection_(std::move(connection)) {}

    transfer::Connection* Connection() const { return connection_.get(); }

  private:
    std::unique_ptr<transfer::Connection> connection_;
};

}  // namespace spisotek::webupdate
