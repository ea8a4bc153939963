// The engine's single transfers: thin wrappers over webupdate/transfer with the engine as
// their host (status reports, log lines, progress and cancel events, the login dialog).

#include <QDir>

#include "webupdate/inout_error.h"
#include "webupdate/profile_file.h"
#include "webupdate/transfer/expand.h"
#include "webupdate/transfer/file_transfer.h"
#include "webupdate/transfer/names.h"
#include "webupdate/transfer/transfer_session.h"
#include "webupdate/web_update.h"

namespace spisotek {

namespace {

namespace transfer = webupdate::transfer;

// Routes what a transfer tells its host to the engine's reports, events and UpdateHost.
class EngineTransferHost final : public transfer::TransferHost {
  public:
    explicit EngineTransferHost(TWebUpdate& engine) : engine_(engine) {}

    void ReportStatus(int code, const std::string& text, int statusCode, int errCode) override {
        engine_.ReportStatus(code, text, statusCode, errCode);
    }
    void WriteLogLine(const std::string& line) override { engine_.WriteLogLine(line); }
    void FileProgress(const std::string& fileName, std::int64_t pos, std::int64_t size) override {
        if (engine_.OnFileProgress) {
            engine_.OnFileProgress(engine_, fileName, pos, size);
        }
    }
    bool ProgressCancel() override { return engine_.DoProgressCancel(); }
    void ProcessPendingEvents() override { engine_.UpdateHostRef().ProcessPendingEvents(); }
    bool ShowLoginDialog(const std::string& caption, std::string& userName,
                         std::string& password) override {
        return engine_.UpdateHostRef().LoginDialog(caption, userName, password);
    }
    void FileDownloaded(const std::string& path) override { engine_.DoFileDownloaded(path); }
    std::string FileNameFromURL(const std::string& url) override {
        return engine_.FileNameFromURL(url);
    }

  private:
    TWebUpdate& engine_;
};

transfer::Transport TransportOf(TWebUpdateType type) {
    switch (type) {
        case ftpUpdate:
            return transfer::Transport::kFtp;
        case fileUpdate:
            return transfer::Transport::kFile;
        case httpUpdate:
            break;
    }
    return transfer::Transport::kHttp;
}

transfer::Authentication AuthenticationOf(TWebUpdateAuthentication value) {
    switch (value) {
        case waAlways:
            return transfer::Authentication::kAlways;
        case waAuto:
            return transfer::Authentication::kAuto;
        case waNever:
            break;
    }
    return transfer::Authentication::kNever;
}

// Runs one transfer with the engine's settings; the login dialog's answers stay in the
// engine, the cancel outcome becomes Aborted, and temp-file failures leave as InOutError.
template <typename Operation>
auto RunTransfer(TWebUpdate& engine, std::optional<bool>& aborted, Operation operation) {
    transfer::TransferSettings settings;
    settings.transport = TransportOf(engine.UpdateType());
    settings.agent = engine.Agent();
    settings.proxy = engine.Proxy();
    settings.proxyUserId = engine.ProxyUserID();
    settings.proxyPassword = engine.ProxyPassword();
    settings.authenticate = AuthenticationOf(engine.Authenticate());
    settings.keepAliveAuthentication = engine.HTTPKeepAliveAuthentication();
    settings.existingConnection = engine.ExistingConnection();
    settings.ftpPassive = engine.FTPPassive();
    settings.tempDirectory = webupdate::ToSlashes(engine.TempDirectory());
    settings.keepIntermediateFiles = engine.KeepIntermediateFiles();
    transfer::Credentials credentials{engine.UserID(), engine.Password()};
    EngineTransferHost host(engine);
    transfer::FileTransfer fileTransfer(settings, credentials, host);
    auto keepOutcome = [&] {
        engine.SetUserID(credentials.userId);
        engine.SetPassword(credentials.password);
    };
    try {
        auto result = operation(fileTransfer);
        keepOutcome();
        aborted = fileTransfer.Aborted();
        return result;
    } catch (const transfer::TransferIoError& error) {
        keepOutcome();
        throw webupdate::InOutError(error.Code(), error.Path());
    }
}

}  // namespace

bool TWebUpdate::DownloadFile(webupdate::TransferSession* connection, const std::string& address,
                              const std::string& targetDir, bool compressed) {
    std::string ftpDirectory;
    if (updateType_ == ftpUpdate && !ftpDirectory_.empty()) {
        // libcurl names the directory in every request of the connection; entering it
        // counts once, whatever the outcome.
        ftpDirectory = ExpandPath(ftpDirectory_);
        ftpDirectoryEntered_ = true;
    }
    transfer::Connection* handle = connection != nullptr ? connection->Connection() : nullptr;
    std::optional<bool> aborted;
    const bool ok = RunTransfer(*this, aborted, [&](transfer::FileTransfer& t) {
        return t.DownloadFile(handle, address, webupdate::ToSlashes(targetDir), compressed,
                              ftpDirectory);
    });
    aborted_ = aborted.value_or(aborted_);
    return ok;
}

std::optional<std::vector<std::string>> TWebUpdate::DownloadText(const std::string& address) {
    std::string ftpDirectory;
    if (updateType_ == ftpUpdate && !ftpDirectory_.empty()) {
        ftpDirectory = ExpandPath(ftpDirectory_);
        ftpDirectoryEntered_ = true;
    }
    transfer::Connection* handle = connection_ ? connection_->Connection() : nullptr;
    const std::string folder = QDir::tempPath().toLocal8Bit().toStdString();
    std::optional<bool> aborted;
    auto lines = RunTransfer(*this, aborted, [&](transfer::FileTransfer& t) {
        return t.DownloadText(handle, address, folder, ftpDirectory);
    });
    aborted_ = aborted.value_or(aborted_);
    return lines;
}

bool TWebUpdate::CopyLocalFile(const std::string& source, const std::string& target) {
    std::optional<bool> aborted;
    const bool ok = RunTransfer(*this, aborted, [&](transfer::FileTransfer& t) {
        return t.CopyLocalFile(webupdate::ToSlashes(source), webupdate::ToSlashes(target));
    });
    aborted_ = aborted.value_or(aborted_);
    return ok;
}

void TWebUpdate::ExpandCompressedFile(const std::string& path) {
    transfer::ExpandCompressedFile(webupdate::ToSlashes(path));
}

int TWebUpdate::ExtractCabinet(const std::string& cabinetPath, const std::string& targetDir) {
    return transfer::ExtractCabinet(webupdate::ToSlashes(cabinetPath),
                                    webupdate::ToSlashes(targetDir));
}

std::string TWebUpdate::FileNameFromURL(const std::string& url) {
    std::string name = transfer::DefaultFileNameFromURL(url);
    if (OnFileNameFromURL) {
        const std::string given = name;
        OnFileNameFromURL(*this, given, name);
    }
    return name;
}

bool TWebUpdate::Authenticate(const std::string& address) {
    std::string user;
    std::string password;
    if (!updateHost_->LoginDialog("Connect to " + transfer::HostOfAddress(address), user,
                                  password)) {
        ReportStatus(956, "Authentication cancelled", 0, 0);
        return false;
    }
    userID_ = user;
    password_ = password;
    return true;
}

bool TWebUpdate::DoProgressCancel() {
    bool cancel = false;
    if (OnProgressCancel) {
        OnProgressCancel(*this, cancel);
    }
    if (cancel) {
        ReportStatus(964, {}, 0, 0);
    }
    return cancel;
}

void TWebUpdate::DoFileDownloaded(const std::string& fileName) {
    if (OnFileDownloaded) {
        OnFileDownloaded(*this, fileName);
    }
}

void TWebUpdate::SetAborted() {
    aborted_ = true;
}

}  // namespace spisotek
