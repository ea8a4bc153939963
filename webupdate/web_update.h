// The update engine.
//
// TWebUpdate performs one update for a driver (the update wizard) that calls
// its operations one after the other: StartConnection, ReadControlFile,
// CheckVersion, ProcessActions, GetWhatsNew, GetEULA, BuildFileList,
// CheckFileList, DownloadFiles, FinishUpdate, StopConnection, then
// RestartNeeded and RestartApplication. Each operation returns an integer code
// (0 success, small positive values for distinct outcomes, -1 failure) and
// announces its steps as numbered status reports (ReportStatus), which reach
// the update log when Logging is on and the OnStatus event when assigned.
//
// The control file fetched by ReadControlFile is read with the profile-file
// rules of ProfileFile; the decisions drawn from it (is an update offered,
// which file entries are kept) live in update_decisions.cpp; status reports
// and the log in status_report.cpp; connections and transfers in
// web_update_connection.cpp and web_update_transfer.cpp.
//
// Everything runs on the caller's thread; transfers let the host process its
// pending events once per block through UpdateHost. The engine never touches a
// widget: whatever it shows or asks goes through UpdateHost.
//
// Texts are Windows-1250 bytes throughout.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "webupdate/civil_time.h"
#include "webupdate/clock.h"
#include "webupdate/update_host.h"

namespace spisotek {

namespace webupdate {
class ProfileFile;
// Open session or FTP connection; defined with the transfers.
class TransferSession;
}  // namespace webupdate

class TWebUpdate;

enum TWebUpdateAuthentication { waAlways, waAuto, waNever };
enum TWebUpdateType { ftpUpdate, httpUpdate, fileUpdate };
enum TWebUpdateConnect {
    wucNone,
    wucNoConnect,
    wucConnectPrompt,
    wucConnectPromptHangup,
    wucConnectSilent,
    wucConnectSilentHangup
};
enum TWebUpdateUpdate { wuuPromptOnce, wuuPromptAll, wuuSilent };
enum TWebUpdateVersionCheck { vcUpdateOnly, vcAlways };
enum TLastURLReg { lurLOCALUSER, lurLOCALMACHINE };

// Registry memory of the last control-file address and update date. Held by
// the engine; configured when Key and Section are both set.
class TLastURLEntry {
  public:
    bool Save() const { return save_; }
    void SetSave(bool value) { save_ = value; }
    const std::string& Key() const { return key_; }
    void SetKey(std::string value) { key_ = std::move(value); }
    const std::string& Section() const { return section_; }
    void SetSection(std::string value) { section_ = std::move(value); }
    TLastURLReg RegRoot() const { return regRoot_; }
    void SetRegRoot(TLastURLReg value) { regRoot_ = value; }

  private:
    bool save_ = false;
    std::string key_;
    std::string section_;
    TLastURLReg regRoot_ = lurLOCALUSER;
};

// The optional HTTP POST after an update. Held by the engine.
class TPostUpdateInfo {
  public:
    const std::string& Server() const { return server_; }
    void SetServer(std::string value) { server_ = std::move(value); }
    const std::string& Action() const { return action_; }
    void SetAction(std::string value) { action_ = std::move(value); }
    const std::string& Data() const { return data_; }
    void SetData(std::string value) { data_ = std::move(value); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }
    // The answer of the last POST.
    const std::string& ResponseText() const { return responseText_; }
    void SetResponseText(std::string value) { responseText_ = std::move(value); }

  private:
    std::string server_;
    std::string action_;
    std::string data_;
    bool enabled_ = false;
    std::string responseText_;
};

// Companion component for the patch tool. Not owned by the engine: whoever
// links it with SetUtility must unlink it (SetUtility(nullptr)) before
// destroying it.
class TWebUpdateUtility {
  public:
    bool ShowWindow() const { return showWindow_; }
    void SetShowWindow(bool value) { showWindow_ = value; }
    bool ShowAnimation() const { return showAnimation_; }
    void SetShowAnimation(bool value) { showAnimation_ = value; }
    const std::string& StatusMessage() const { return statusMessage_; }
    void SetStatusMessage(std::string value) { statusMessage_ = std::move(value); }
    const std::string& StatusCaption() const { return statusCaption_; }
    void SetStatusCaption(std::string value) { statusCaption_ = std::move(value); }

  private:
    bool showWindow_ = false;
    bool showAnimation_ = false;
    std::string statusMessage_;
    std::string statusCaption_;
};

// One file entry of the control file (section fileN). Values are as read:
// URL, LocalVersion and TargetDir with prefixes expanded, TargetDir ending in
// "\" when not empty. Selected belongs to the driver.
class TFileDescription {
  public:
    const std::string& URL() const { return url_; }
    void SetURL(std::string value) { url_ = std::move(value); }
    const std::string& NewVersion() const { return newVersion_; }
    void SetNewVersion(std::string value) { newVersion_ = std::move(value); }
    int NewSize() const { return newSize_; }
    void SetNewSize(int value) { newSize_ = value; }
    int NewCheckSum() const { return newCheckSum_; }
    void SetNewCheckSum(int value) { newCheckSum_ = value; }
    const std::string& NewCustomVer() const { return newCustomVer_; }
    void SetNewCustomVer(std::string value) { newCustomVer_ = std::move(value); }
    const std::string& NewDate() const { return newDate_; }
    void SetNewDate(std::string value) { newDate_ = std::move(value); }
    const std::string& NewTime() const { return newTime_; }
    void SetNewTime(std::string value) { newTime_ = std::move(value); }
    const std::string& LocalVersion() const { return localVersion_; }
    void SetLocalVersion(std::string value) { localVersion_ = std::move(value); }
    const std::string& Description() const { return description_; }
    void SetDescription(std::string value) { description_ = std::move(value); }
    const std::string& TargetDir() const { return targetDir_; }
    void SetTargetDir(std::string value) { targetDir_ = std::move(value); }
    bool Compressed() const { return compressed_; }
    void SetCompressed(bool value) { compressed_ = value; }
    int FileSize() const { return fileSize_; }
    void SetFileSize(int value) { fileSize_ = value; }
    bool Mandatory() const { return mandatory_; }
    void SetMandatory(bool value) { mandatory_ = value; }
    bool Hidden() const { return hidden_; }
    void SetHidden(bool value) { hidden_ = value; }
    bool Selected() const { return selected_; }
    void SetSelected(bool value) { selected_ = value; }

  private:
    std::string url_;
    std::string newVersion_;
    int newSize_ = 0;
    int newCheckSum_ = -1;
    std::string newCustomVer_;
    std::string newDate_;
    std::string newTime_;
    std::string localVersion_;
    std::string description_;
    std::string targetDir_;
    bool compressed_ = false;
    int fileSize_ = 0;
    bool mandatory_ = false;
    bool hidden_ = false;
    bool selected_ = false;
};

// The engine's list of file entries. Owns its entries; removing one frees it.
// Indices count from 0.
class TFileList {
  public:
    TFileDescription& Add();
    int Count() const { return static_cast<int>(items_.size()); }
    // REQUIRES: 0 <= index < Count().
    TFileDescription& Items(int index) { return *items_.at(static_cast<size_t>(index)); }
    const TFileDescription& Items(int index) const {
        return *items_.at(static_cast<size_t>(index));
    }
    // REQUIRES: 0 <= index < Count().
    void Delete(int index);
    void Clear();

    // Index of the entry being downloaded.
    int CurrentIndex() const { return currentIndex_; }
    void SetCurrentIndex(int value) { currentIndex_ = value; }
    // Sum of FileSize over all entries.
    std::int64_t TotalSize() const;
    // Sum of FileSize over the entries before CurrentIndex.
    std::int64_t DoneSize() const;

  private:
    std::vector<std::unique_ptr<TFileDescription>> items_;
    int currentIndex_ = 0;
};

// Event types. Every event takes the sending engine first and answers
// through its by-reference arguments.
using TWebUpdateFileProgress = std::function<void(TWebUpdate& sender, const std::string& fileName,
                                                  std::int64_t pos, std::int64_t size)>;
using TWebUpdateFileDownloaded =
    std::function<void(TWebUpdate& sender, const std::string& fileName)>;
using TWebUpdateFileVersionCheck =
    std::function<void(TWebUpdate& sender, const std::string& newVersion,
                       const std::string& localVersion, bool& isNew)>;
using TWebUpdateProcessPostResult = std::function<void(TWebUpdate& sender, bool& allowPostResult)>;
using TWebUpdateBeforePost = std::function<void(TWebUpdate& sender, bool& allowPost)>;
using TWebUpdateProgress = std::function<void(TWebUpdate& sender, int action)>;
using TWebUpdateProgressCancel = std::function<void(TWebUpdate& sender, bool& cancel)>;
using TWebUpdateStatus = std::function<void(TWebUpdate& sender, const std::string& statusStr,
                                            int statusCode, int errCode)>;
using TWebUpdateThreadDone = std::function<void(TWebUpdate& sender)>;
using TWebUpdateRestart = std::function<void(TWebUpdate& sender, bool& allow)>;
using TWebUpdateEvent = std::function<void(TWebUpdate& sender)>;
using TWebUpdateBeforeDownload = std::function<void(
    TWebUpdate& sender, int fileIdx, TFileDescription& fileDescription, std::string& url)>;
using TWebUpdateCustomValidate = std::function<void(TWebUpdate& sender, const std::string& msg,
                                                    const std::string& param, bool& allow)>;
using TWebUpdateCustomProcess =
    std::function<void(TWebUpdate& sender, const std::string& msg, const std::string& param)>;
using TWebUpdateFileList = std::function<void(TWebUpdate& sender, std::vector<std::string>& list)>;
using TWebUpdateConvertPrefix = std::function<void(TWebUpdate& sender, std::string& path)>;
using TWebUpdateSetParams = std::function<void(TWebUpdate& sender, std::string& appParams)>;
using TWebUpdateTextDownloaded =
    std::function<void(TWebUpdate& sender, const std::vector<std::string>& text, int& res)>;
using TWebUpdateFileNameFromURL =
    std::function<void(TWebUpdate& sender, const std::string& url, std::string& fName)>;
using TNotifyEvent = std::function<void(TWebUpdate& sender)>;

// The update engine. Owns its LastURLEntry, PostUpdateInfo and FileList; the
// host, clock and Utility are borrowed and must outlive the engine (or be
// replaced first). Not copyable. Single-threaded: no operation may start
// while another runs.
class TWebUpdate {
  public:
    TWebUpdate();
    virtual ~TWebUpdate();
    TWebUpdate(const TWebUpdate&) = delete;
    TWebUpdate& operator=(const TWebUpdate&) = delete;

    // ---- Published properties -------------------------------------------
    const std::string& Agent() const { return agent_; }
    void SetAgent(std::string value) { agent_ = std::move(value); }
    bool ApplyPatch() const { return applyPatch_; }
    void SetApplyPatch(bool value) { applyPatch_ = value; }
    TWebUpdateAuthentication Authenticate() const { return authenticate_; }
    void SetAuthenticate(TWebUpdateAuthentication value) { authenticate_ = value; }
    const std::string& DateFormat() const { return dateFormat_; }
    void SetDateFormat(std::string value) { dateFormat_ = std::move(value); }
    char DateSeparator() const { return dateSeparator_; }
    void SetDateSeparator(char value) { dateSeparator_ = value; }
    bool ExtractCAB() const { return extractCAB_; }
    void SetExtractCAB(bool value) { extractCAB_ = value; }
    bool ExistingConnection() const { return existingConnection_; }
    void SetExistingConnection(bool value) { existingConnection_ = value; }
    const std::string& FTPDirectory() const { return ftpDirectory_; }
    void SetFTPDirectory(std::string value) { ftpDirectory_ = std::move(value); }
    bool FTPPassive() const { return ftpPassive_; }
    void SetFTPPassive(bool value) { ftpPassive_ = value; }
    const std::string& Host() const { return host_; }
    void SetHost(std::string value) { host_ = std::move(value); }
    bool HTTPKeepAliveAuthentication() const { return httpKeepAliveAuthentication_; }
    void SetHTTPKeepAliveAuthentication(bool value) { httpKeepAliveAuthentication_ = value; }
    bool KeepIntermediateFiles() const { return keepIntermediateFiles_; }
    void SetKeepIntermediateFiles(bool value) { keepIntermediateFiles_ = value; }
    const std::string& LanguageID() const { return languageID_; }
    void SetLanguageID(std::string value) { languageID_ = std::move(value); }
    bool Logging() const { return logging_; }
    void SetLogging(bool value) { logging_ = value; }
    // One name for every engine in the process: assigning it on any engine
    // sets the name all of them log into.
    static std::string LogFileName();
    static void SetLogFileName(std::string value);
    TLastURLEntry& LastURLEntry() { return lastURLEntry_; }
    const TLastURLEntry& LastURLEntry() const { return lastURLEntry_; }
    const std::string& Password() const { return password_; }
    void SetPassword(std::string value) { password_ = std::move(value); }
    int Port() const { return port_; }
    void SetPort(int value) { port_ = value; }
    TPostUpdateInfo& PostUpdateInfo() { return postUpdateInfo_; }
    const TPostUpdateInfo& PostUpdateInfo() const { return postUpdateInfo_; }
    const std::string& Proxy() const { return proxy_; }
    void SetProxy(std::string value) { proxy_ = std::move(value); }
    const std::string& ProxyUserID() const { return proxyUserID_; }
    void SetProxyUserID(std::string value) { proxyUserID_ = std::move(value); }
    const std::string& ProxyPassword() const { return proxyPassword_; }
    void SetProxyPassword(std::string value) { proxyPassword_ = std::move(value); }
    const std::string& Signature() const { return signature_; }
    void SetSignature(std::string value) { signature_ = std::move(value); }
    bool SignatureCheck() const { return signatureCheck_; }
    void SetSignatureCheck(bool value) { signatureCheck_ = value; }
    const std::string& TempDirectory() const { return tempDirectory_; }
    void SetTempDirectory(std::string value) { tempDirectory_ = std::move(value); }
    const std::string& TimeFormat() const { return timeFormat_; }
    void SetTimeFormat(std::string value) { timeFormat_ = std::move(value); }
    char TimeSeparator() const { return timeSeparator_; }
    void SetTimeSeparator(char value) { timeSeparator_ = value; }
    TWebUpdateType UpdateType() const { return updateType_; }
    void SetUpdateType(TWebUpdateType value) { updateType_ = value; }
    TWebUpdateConnect UpdateConnect() const { return updateConnect_; }
    void SetUpdateConnect(TWebUpdateConnect value) { updateConnect_ = value; }
    TWebUpdateUpdate UpdateUpdate() const { return updateUpdate_; }
    void SetUpdateUpdate(TWebUpdateUpdate value) { updateUpdate_ = value; }
    const std::string& URL() const { return url_; }
    void SetURL(std::string value) { url_ = std::move(value); }
    const std::string& UserID() const { return userID_; }
    void SetUserID(std::string value) { userID_ = std::move(value); }
    bool UseCRC32() const { return useCRC32_; }
    void SetUseCRC32(bool value) { useCRC32_ = value; }
    TWebUpdateUtility* Utility() const { return utility_; }
    void SetUtility(TWebUpdateUtility* value) { utility_ = value; }
    TWebUpdateVersionCheck VersionCheck() const { return versionCheck_; }
    void SetVersionCheck(TWebUpdateVersionCheck value) { versionCheck_ = value; }
    // The engine's own version; assigning is ignored.
    std::string Version() const { return "1.7.0.1"; }
    void SetVersion(const std::string&) {}

    // ---- Events (all optional) ------------------------------------------
    TWebUpdateFileProgress OnFileProgress;
    TWebUpdateFileDownloaded OnFileDownloaded;
    TWebUpdateFileVersionCheck OnFileVersionCheck;
    TWebUpdateProcessPostResult OnProcessPostResult;
    TWebUpdateBeforePost OnBeforePost;
    TWebUpdateProgress OnProgress;  // never raised
    TWebUpdateProgressCancel OnProgressCancel;
    TWebUpdateStatus OnStatus;
    TWebUpdateThreadDone OnThreadUpdateDone;  // never raised
    TWebUpdateRestart OnAppRestart;
    TWebUpdateEvent OnAppDoClose;
    TWebUpdateBeforeDownload OnBeforeFileDownload;
    TWebUpdateCustomValidate OnCustomValidate;
    TWebUpdateCustomProcess OnCustomProcess;
    TWebUpdateFileList OnGetFileList;
    TWebUpdateConvertPrefix OnConvertPrefix;
    TWebUpdateSetParams OnSetAppParams;
    TWebUpdateTextDownloaded OnDownloadedWhatsNew;
    TWebUpdateTextDownloaded OnDownloadedEULA;
    TWebUpdateFileNameFromURL OnFileNameFromURL;
    TNotifyEvent OnSuccess;  // raised by the driver, never by the engine

    // ---- Collaborators ---------------------------------------------------
    // What the engine shows or asks; NullUpdateHost until set. Borrowed.
    webupdate::UpdateHost& UpdateHostRef() const { return *updateHost_; }
    void SetUpdateHost(webupdate::UpdateHost* host);
    // The clock that stamps log lines and supplies the current year; the
    // system clock until set. Borrowed.
    const webupdate::Clock& ClockRef() const { return *clock_; }
    void SetClock(const webupdate::Clock* clock);

    // ---- State the driver reads -----------------------------------------
    const std::string& UpdateDescription() const { return updateDescription_; }
    webupdate::CivilTime NewDateTime() const { return newDateTime_; }
    webupdate::CivilTime LocalDateTime() const { return localDateTime_; }
    const std::string& NewVersionText() const { return newVersionText_; }
    const std::string& LocalVersionText() const { return localVersionText_; }
    bool Aborted() const { return aborted_; }
    TFileList& FileList() { return fileList_; }
    const TFileList& FileList() const { return fileList_; }
    bool Connected() const { return connected_; }
    // The handle transfers use: the HTTP session or the FTP connection; none when closed.
    webupdate::TransferSession* ConnectionHandle() const { return connection_.get(); }
    const std::string& ControlFileCopy() const { return controlFileCopy_; }
    // For a driver that fetched the control file itself (the check-control
    // command): the local copy the decisions read. The engine deletes the copy
    // in StopConnection.
    void SetControlFileCopy(std::string path) { controlFileCopy_ = std::move(path); }
    bool ApplicationUpdate() const { return applicationUpdate_; }
    const std::string& ApplicationName() const { return applicationName_; }
    const std::string& ApplicationComponents() const { return applicationComponents_; }
    bool SilentRestart() const { return silentRestart_; }
    bool ComponentDownloaded() const { return componentDownloaded_; }
    bool DateFromRegistry() const { return dateFromRegistry_; }
    const std::string& UpdateLocalFile() const { return updateLocalFile_; }

    // ---- Operations (connections and transfers) --------------------------
    // 0 ready; 1 no connection and no dialling; 2 no session; 3 dialling failed.
    int StartConnection();
    // 0 connected; -1 failed.
    int ConnectFTP();
    int StopConnection();
    std::string GetUpdateURL();
    // 0 fetched; 4 not found; 5 invalid signature.
    int ReadControlFile();
    bool DownloadFile(webupdate::TransferSession* connection, const std::string& address,
                      const std::string& targetDir, bool compressed);
    // The lines of the text at `address`, or nothing when it cannot be fetched.
    std::optional<std::vector<std::string>> DownloadText(const std::string& address);
    void ExpandCompressedFile(const std::string& path);
    // 0 on success, -1 on failure.
    int ExtractCabinet(const std::string& cabinetPath, const std::string& targetDir);
    std::string FileNameFromURL(const std::string& url);
    bool CopyLocalFile(const std::string& source, const std::string& target);
    // Asks the user for a user name and password for `address` (caption
    // "Connect to " + host). False when cancelled (status 956).
    bool Authenticate(const std::string& address);
    std::string ReadLastURL();
    void WriteLastURL(const std::string& url);
    webupdate::CivilTime ReadLastUpdateDate();
    void WriteLastUpdateDate(webupdate::CivilTime date, bool hasTime);
    // Raises OnProgressCancel; true (and status 964) when it asked to cancel.
    bool DoProgressCancel();
    void DoFileDownloaded(const std::string& fileName);
    void SetAborted();

    // ---- Operations (decisions) -------------------------------------------
    // 6 to 12; see update_decisions.cpp.
    virtual int CheckVersion();
    // Reads the file entries of the control file; gives their number.
    virtual int BuildFileList();
    // 0, or -1 when no entry remains.
    virtual int CheckFileList();
    // Whether the new file described by the arguments is newer than the local
    // file. On the version path both texts are rewritten as four numbers.
    virtual bool IsNewer(std::string& newVersion, std::string& localFile, int newSize,
                         int newCheckSum);
    bool RestartNeeded() const;
    // Whether a downloaded file belongs to the running application: its name
    // occurs anywhere in the application components text, compared without
    // regard to case (so in.exe is a component of "main.exe"). An empty name
    // never is.
    bool IsApplicationComponent(const std::string& fileName) const;
    std::string ExpandPrefixes(std::string value);
    // Directory for a prefix name (upper case), normalised; empty when unknown.
    virtual std::string GetPrefixPath(const std::string& name);

    // ---- Status reports and log ---------------------------------------------
    // `number` selects the message; `text` goes in at its "%s".
    virtual void ReportStatus(int number, const std::string& text, int statusCode, int errCode);
    // Appends one line to the log file, creating it when missing. Throws
    // webupdate::InOutError when the file can be neither opened nor created.
    void WriteLogLine(const std::string& line);
    // The two log lines transfers write whether or not Logging is on:
    // "Unable to delete file " + path, and
    // "Unable to rename file " + from + " to " + to.
    void LogUnableToDelete(const std::string& path);
    void LogUnableToRename(const std::string& from, const std::string& to);

  protected:
    // The control file copy read under the profile-file rules; empty when
    // there is no copy or it cannot be read.
    webupdate::ProfileFile LoadControlFile() const;
    // A control-file date plus time under DateFormat/DateSeparator and
    // TimeFormat/TimeSeparator: 1 January 1980 for a date that does not read,
    // nothing added for a time that does not read.
    webupdate::CivilTime ParseDateTime(const std::string& date, const std::string& time) const;
    // A path value: prefixes expanded, "\" read as "/".
    std::string ExpandPath(const std::string& value);

  private:
    // Published property storage.
    std::string agent_ = "TWebUpdate";
    bool applyPatch_ = false;
    TWebUpdateAuthentication authenticate_ = waNever;
    std::string dateFormat_ = "dd/mm/yyyy";
    char dateSeparator_ = '/';
    bool extractCAB_ = false;
    bool existingConnection_ = false;
    std::string ftpDirectory_;
    bool ftpPassive_ = false;
    std::string host_;
    bool httpKeepAliveAuthentication_ = false;
    bool keepIntermediateFiles_ = false;
    std::string languageID_;
    bool logging_ = false;
    TLastURLEntry lastURLEntry_;
    std::string password_;
    int port_ = 21;
    TPostUpdateInfo postUpdateInfo_;
    std::string proxy_;
    std::string proxyUserID_;
    std::string proxyPassword_;
    std::string signature_ = "WebUpdate";
    bool signatureCheck_ = false;
    std::string tempDirectory_ = ".";
    std::string timeFormat_ = "hh:nn";
    char timeSeparator_ = ':';
    TWebUpdateType updateType_ = ftpUpdate;
    TWebUpdateConnect updateConnect_ = wucNoConnect;
    TWebUpdateUpdate updateUpdate_ = wuuPromptOnce;
    std::string url_;
    std::string userID_;
    bool useCRC32_ = false;
    TWebUpdateUtility* utility_ = nullptr;
    TWebUpdateVersionCheck versionCheck_ = vcUpdateOnly;

    // Collaborators.
    webupdate::UpdateHost* updateHost_;
    const webupdate::Clock* clock_;

    // Connection state.
    std::shared_ptr<webupdate::TransferSession> session_;
    std::shared_ptr<webupdate::TransferSession> connection_;
    bool dialled_ = false;
    bool connected_ = false;
    bool ftpDirectoryEntered_ = false;

    // What the operations leave for each other and for the driver.
    std::string controlFileCopy_;
    bool applicationUpdate_ = false;
    std::string applicationName_;
    std::string applicationComponents_;
    bool silentRestart_ = false;
    bool componentDownloaded_ = false;  // never cleared
    std::string updateDescription_;
    webupdate::CivilTime newDateTime_;
    webupdate::CivilTime localDateTime_;
    bool dateFromRegistry_ = false;
    std::string updateLocalFile_;
    std::string newVersionText_;
    std::string localVersionText_;
    bool aborted_ = false;
    TFileList fileList_;
};

}  // namespace spisotek
