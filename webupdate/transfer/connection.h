#pragma once

#include <memory>
#include <string>

#include "webupdate/transfer/transfer_host.h"

typedef void CURL;

namespace spisotek::webupdate::transfer {

// An open session or FTP connection: one libcurl handle whose connection cache carries
// keep-alive HTTP connections and the FTP login between transfers. Used on one thread only.
class Connection {
  public:
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // An HTTP session; nothing when the client library cannot be set up.
    static std::unique_ptr<Connection> OpenSession();

    // Logs in to an FTP server (anonymously unless both user and password are given);
    // nothing when the server cannot be reached or refuses the login.
    static std::unique_ptr<Connection> ConnectFtp(const TransferSettings& settings,
                                                  const std::string& host, int port,
                                                  const Credentials& credentials);

    CURL* Handle() const { return handle_; }
    bool IsFtp() const { return ftp_; }
    // "ftp://host:port/" for FTP connections.
    const std::string& FtpBase() const { return ftpBase_; }
    const Credentials& FtpCredentials() const { return ftpCredentials_; }
    bool FtpDirectoryEntered() const { return ftpDirectoryEntered_; }
    void SetFtpDirectoryEntered(bool entered) { ftpDirectoryEntered_ = entered; }

  private:
    explicit Connection(CURL* handle) : handle_(handle) {}

    CURL* handle_;
    bool ftp_ = false;
    std::string ftpBase_;
    Credentials ftpCredentials_;
    bool ftpDirectoryEntered_ = false;
};

// Options every transfer on the handle shares: agent, proxy, timeouts, redirects, protocols.
void ApplyCommonOptions(CURL* handle, const TransferSettings& settings);

}  // namespace spisotek::webupdate::transfer
