// Connection life cycle of the update engine, the control-file fetch and the registry memory.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkInformation>
#include <QSettings>
#include <cstdio>

#include "webupdate/profile_file.h"
#include "webupdate/transfer/connection.h"
#include "webupdate/transfer/transfer_session.h"
#include "webupdate/web_update.h"

namespace spisotek {

namespace {

constexpr const char* kApplication = "application";

// Whether the system counts as online. Without a reachability backend (or without an
// application object to load one) the answer is "connected", as when the query is missing.
bool SystemConnected() {
    if (QCoreApplication::instance() == nullptr) {
        return true;
    }
    if (QNetworkInformation::instance() == nullptr &&
        !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        return true;
    }
    QNetworkInformation* info = QNetworkInformation::instance();
    return info == nullptr ||
           info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

std::string Quoted(const std::string& text) {
    return text.find(' ') != std::string::npos ? "\"" + text + "\"" : text;
}

// The settings file that stands for registry key `key` in the chosen scope; the key is
// created (as an empty file) when missing, as every access of the registry key does.
std::unique_ptr<QSettings> OpenRegistryKey(const TLastURLEntry& entry) {
    QString key = QString::fromLocal8Bit(entry.Key().c_str()).replace('\\', '/');
    while (key.startsWith('/')) {
        key.remove(0, 1);
    }
    const auto scope =
        entry.RegRoot() == lurLOCALMACHINE ? QSettings::SystemScope : QSettings::UserScope;
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, scope, key);
    const QString file = settings->fileName();
    if (!QFileInfo::exists(file)) {
        QDir().mkpath(QFileInfo(file).path());
        QFile created(file);
        created.open(QIODevice::WriteOnly);
    }
    settings->beginGroup(QString::fromLocal8Bit(entry.Section().c_str()));
    return settings;
}

bool RegistryConfigured(const TLastURLEntry& entry) {
    return !entry.Key().empty() && !entry.Section().empty();
}

bool RegistryWritable(const TLastURLEntry& entry) {
    return RegistryConfigured(entry) && entry.Save();
}

// Registry dates and times use the system's short formats: the log clock's separators.
std::string RegistryDatePattern() {
    return "dd/mm/yyyy";
}

}  // namespace

int TWebUpdate::StartConnection() {
    session_.reset();
    connection_.reset();
    if (updateType_ == fileUpdate) {
        return 0;
    }
    ReportStatus(918, {}, 3, 0);
    if (updateConnect_ == wucNone) {
        return 0;
    }
    auto connectedNow = [this] {
        return url_.find("127.0.0.1") != std::string::npos || SystemConnected();
    };
    bool online = connectedNow();
    if (!online && updateConnect_ == wucNoConnect) {
        return 1;
    }
    // Dial-up does not exist here: the missing function counts as success, and since
    // nothing was dialled there is nothing to hang up later.
    if (!online &&
        (updateConnect_ == wucConnectPrompt || updateConnect_ == wucConnectPromptHangup)) {
        ReportStatus(919, {}, 3, 0);
    }
    if (!connectedNow() &&
        (updateConnect_ == wucConnectSilent || updateConnect_ == wucConnectSilentHangup)) {
        ReportStatus(920, {}, 3, 0);
    }
    ReportStatus(921, {}, 3, 0);
    auto session = webupdate::transfer::Connection::OpenSession();
    if (!session) {
        ReportStatus(922, {}, 1, 0);
        return 2;
    }
    session_ = std::make_shared<webupdate::TransferSession>(std::move(session));
    if (updateType_ == httpUpdate) {
        connection_ = session_;
    }
    connected_ = true;
    return 0;
}

int TWebUpdate::ConnectFTP() {
    ftpDirectoryEntered_ = false;
    ReportStatus(923, host_, 3, 0);
    connection_.reset();
    if (!session_) {
        return -1;
    }
    webupdate::transfer::TransferSettings settings;
    settings.agent = agent_;
    settings.proxy = proxy_;
    settings.ftpPassive = ftpPassive_;
    auto ftp =
        webupdate::transfer::Connection::ConnectFtp(settings, host_, port_, {userID_, password_});
    if (!ftp) {
        return -1;
    }
    connection_ = std::make_shared<webupdate::TransferSession>(std::move(ftp));
    return 0;
}

int TWebUpdate::StopConnection() {
    if (updateType_ != fileUpdate) {
        if (updateType_ == ftpUpdate && connection_ && connection_ != session_) {
            connection_.reset();
            ReportStatus(954, {}, 3, 0);
        }
        if (session_) {
            session_.reset();
            connection_.reset();
            ReportStatus(949, {}, 3, 0);
        }
        if (dialled_ && (updateConnect_ == wucConnectPromptHangup ||
                         updateConnect_ == wucConnectSilentHangup)) {
            ReportStatus(955, {}, 3, 0);
        }
        dialled_ = false;
        ReportStatus(949, {}, 3, 0);
    }
    if (!controlFileCopy_.empty()) {
        std::remove(controlFileCopy_.c_str());
        controlFileCopy_.clear();
    }
    connected_ = false;
    return 0;
}

std::string TWebUpdate::GetUpdateURL() {
    std::string address = ReadLastURL();
    if (address.empty()) {
        address = url_;
    }
    return ExpandPrefixes(address);
}

int TWebUpdate::ReadControlFile() {
    const std::string address = GetUpdateURL();
    std::string tempFolder = QDir::tempPath().toLocal8Bit().toStdString();
    if (tempFolder.empty() || tempFolder.back() != '/') {
        tempFolder += '/';
    }
    if (!DownloadFile(connection_.get(), address, tempFolder, false)) {
        ReportStatus(925, {}, 2, 0);
        return 4;
    }
    ReportStatus(926, {}, 3, 0);
    controlFileCopy_ = tempFolder + FileNameFromURL(address);
    const webupdate::ProfileFile control = LoadControlFile();

    int result = 0;
    if (signatureCheck_ && control.ReadString("update", "signature") != signature_) {
        ReportStatus(927, {}, 11, 4);
        result = 5;
    }
    applicationUpdate_ = control.ReadFlag(kApplication, "appupdate");
    applicationName_ = ExpandPrefixes(control.ReadString(kApplication, "appname"));
    std::string parameters = control.ReadString(kApplication, "appparam");
    if (applicationName_.empty()) {
        applicationUpdate_ = false;
    }
    const std::string quotedName = Quoted(applicationName_);
    if (OnSetAppParams) {
        OnSetAppParams(*this, parameters);
    }
    parameters = Quoted(parameters);
    if (!parameters.empty()) {
        applicationName_ = quotedName + " " + parameters;
    }
    applicationComponents_ = ExpandPrefixes(control.ReadString(kApplication, "appcomps"));
    silentRestart_ = control.ReadFlag(kApplication, "silentrestart");
    return result;
}

std::string TWebUpdate::ReadLastURL() {
    if (!RegistryWritable(lastURLEntry_)) {
        return {};
    }
    auto settings = OpenRegistryKey(lastURLEntry_);
    return settings->value("LastURL").toString().toLocal8Bit().toStdString();
}

void TWebUpdate::WriteLastURL(const std::string& url) {
    if (!RegistryWritable(lastURLEntry_)) {
        return;
    }
    auto settings = OpenRegistryKey(lastURLEntry_);
    settings->setValue("LastURL", QString::fromLocal8Bit(url.c_str()));
    settings->sync();
}

webupdate::CivilTime TWebUpdate::ReadLastUpdateDate() {
    if (!RegistryConfigured(lastURLEntry_)) {
        dateFromRegistry_ = false;
        return webupdate::FileLastWriteTime(updateLocalFile_).value_or(webupdate::FallbackDate());
    }
    auto settings = OpenRegistryKey(lastURLEntry_);
    webupdate::CivilTime date = webupdate::FallbackDate();
    const QVariant lastDate = settings->value("LastDate");
    if (lastDate.isValid()) {
        const std::string text = lastDate.toString().toLocal8Bit().toStdString();
        if (auto parsed = webupdate::ParseDateText(text, RegistryDatePattern(),
                                                   clock_->DateSeparator(), clock_->Now())) {
            date = *parsed;
        }
    }
    const QVariant lastTime = settings->value("LastTime");
    if (lastTime.isValid()) {
        const std::string text = lastTime.toString().toLocal8Bit().toStdString();
        if (auto seconds = webupdate::ParseTimeText(text, "hh:nn:ss", clock_->TimeSeparator())) {
            date.seconds += *seconds;
        }
    }
    dateFromRegistry_ = true;
    return date;
}

void TWebUpdate::WriteLastUpdateDate(webupdate::CivilTime date, bool hasTime) {
    if (!RegistryWritable(lastURLEntry_)) {
        return;
    }
    auto settings = OpenRegistryKey(lastURLEntry_);
    const char dateSep = clock_->DateSeparator();
    const char timeSep = clock_->TimeSeparator();
    settings->setValue(
        "LastDate",
        QString::fromLocal8Bit(
            webupdate::FormatCivilTime(date, RegistryDatePattern(), dateSep, timeSep).c_str()));
    if (hasTime) {
        settings->setValue(
            "LastTime",
            QString::fromLocal8Bit(
                webupdate::FormatCivilTime(date, "hh:nn:ss", dateSep, timeSep).c_str()));
    }
    settings->sync();
}

}  // namespace spisotek
