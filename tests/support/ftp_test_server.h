#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace spisotek::testing {

// A real FTP server (pyftpdlib, run by ftp_server.py as a child process) serving a folder
// read-only on 127.0.0.1 to one user and to anonymous logins. Start reports why it failed,
// so a test can skip only when the server truly cannot run here.
class FtpTestServer {
  public:
    FtpTestServer() = default;
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    bool Start(const std::string& folder, const std::string& user, const std::string& password,
               std::string& whyNot);
    void Stop();
    std::uint16_t Port() const { return port_; }

  private:
    pid_t pid_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace spisotek::testing
