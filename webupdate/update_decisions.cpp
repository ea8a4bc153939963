// The two decisions drawn from the control file: whether an update is offered
// (CheckVersion) and which file entries are fetched (BuildFileList,
// CheckFileList), with the tests they share (IsNewer) and the expansion of
// directory markers in paths (ExpandPrefixes, GetPrefixPath).
#include <unistd.h>

#include <QDir>

#include "platform/cp1250.h"
#include "webupdate/file_checks.h"
#include "webupdate/profile_file.h"
#include "webupdate/version_text.h"
#include "webupdate/web_update.h"

namespace spisotek {

namespace {

constexpr const char* kUpdate = "update";

// A directory as markers insert it: with a trailing separator, then the
// separator dropped again after a drive ("C:\WINDOWS") or a dot added
// otherwise ("/opt/." ; a root "C:\" becomes "C:\.").
std::string NormaliseDirectory(std::string dir) {
    if (dir.empty() || dir.back() != '/') {
        dir += '/';
    }
    if (dir.size() > 3 && dir[1] == ':') {
        dir.pop_back();
    } else {
        dir += '.';
    }
    return dir;
}

std::string CurrentDirectory() {
    std::string buffer(4096, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

}  // namespace

std::string TWebUpdate::GetPrefixPath(const std::string& name) {
    std::string dir;
    if (name == "APP") {
        dir = CurrentDirectory();
    } else if (name == "TMP") {
        dir = QDir::tempPath().toStdString();
    } else if (name == "PF") {
        dir = "/opt";
    } else {
        // WIN, SYS and anything else have no directory here.
        return {};
    }
    if (dir.empty()) {
        return {};
    }
    return NormaliseDirectory(std::move(dir));
}

std::string TWebUpdate::ExpandPrefixes(std::string value) {
    if (OnConvertPrefix) {
        OnConvertPrefix(*this, value);
    }
    std::size_t open = std::string::npos;
    std::size_t i = 0;
    while (i < value.size()) {
        if (value[i] == '{' && open == std::string::npos) {
            open = i;
        } else if (value[i] == '}' && open != std::string::npos) {
            const std::string name =
                platform::ToUpperCp1250(std::string_view(value).substr(open + 1, i - open - 1));
            const std::string dir = GetPrefixPath(name);
            const std::size_t start = open;
            open = std::string::npos;
            if (!dir.empty()) {
                value.replace(start, i - start + 1, dir);
                // Scanning resumes after the inserted directory: a folder
                // whose name holds braces must not be expanded again, or a
                // current directory named "{APP}" would never end.
                i = start + dir.size();
                continue;
            }
        }
        ++i;
    }
    return value;
}

webupdate::CivilTime TWebUpdate::ParseDateTime(const std::string& date,
                                               const std::string& time) const {
    webupdate::CivilTime when =
        webupdate::ParseDateText(date, dateFormat_, dateSeparator_, clock_->Now())
            .value_or(webupdate::FallbackDate());
    if (const auto seconds = webupdate::ParseTimeText(time, timeFormat_, timeSeparator_)) {
        when.seconds += *seconds;
    }
    return when;
}

std::string TWebUpdate::ExpandPath(const std::string& value) {
    return webupdate::ToSlashes(ExpandPrefixes(value));
}

bool TWebUpdate::IsNewer(std::string& newVersion, std::string& localFile, int newSize,
                         int newCheckSum) {
    if (newVersion.empty() && newSize == 0 && newCheckSum == -1) {
        return true;
    }
    if (localFile.empty() && versionCheck_ == vcUpdateOnly) {
        return true;
    }
    const std::string existing = webupdate::ExistingPath(localFile);
    if (newCheckSum != -1) {
        ReportStatus(933, {}, 3, 0);
        const std::int32_t local =
            useCRC32_ ? webupdate::FileCRC(existing) : webupdate::FileByteSum(existing);
        return local != newCheckSum;
    }
    if (newSize > 0) {
        const std::int64_t size = webupdate::LocalFileSize(existing);
        if (size == newSize) {
            return false;
        }
        return !(size <= 0 && versionCheck_ != vcAlways);
    }
    const webupdate::VersionPair local = webupdate::ReadFileVersion(existing);
    const webupdate::VersionPair fresh = webupdate::ParseVersion(newVersion);
    if (!webupdate::IsValidVersion(fresh)) {
        return false;
    }
    if (!webupdate::IsValidVersion(local) && versionCheck_ == vcUpdateOnly) {
        return false;
    }
    // An unreadable local version stays -1/-1, written 65535.65535.65535.65535.
    localFile = webupdate::VersionToText(local);
    newVersion = webupdate::VersionToText(fresh);
    return webupdate::VersionGreater(fresh, local);
}

int TWebUpdate::CheckVersion() {
    const webupdate::ProfileFile control = LoadControlFile();
    int result = 7;
    updateDescription_ = control.ReadString(kUpdate, "descr");
    newDateTime_ = webupdate::FallbackDate();
    localDateTime_ = webupdate::FallbackDate();

    const std::string date = control.ReadString(kUpdate, "date");
    if (!date.empty()) {
        ReportStatus(928, {}, 3, 0);
        newDateTime_ = ParseDateTime(date, control.ReadString(kUpdate, "time"));
        updateLocalFile_ =
            webupdate::ExistingPath(ExpandPath(control.ReadString(kUpdate, "localversion")));
        localDateTime_ = ReadLastUpdateDate();
        if (localDateTime_ < newDateTime_) {
            result = 6;
            ReportStatus(929,
                         webupdate::FormatCivilTime(newDateTime_, dateFormat_, dateSeparator_,
                                                    timeSeparator_),
                         5, 0);
        } else {
            ReportStatus(930, {}, 4, 0);
        }
    }

    if (result == 7 && !control.ReadString(kUpdate, "unconditional").empty()) {
        result = 8;
    }

    newVersionText_ = control.ReadString(kUpdate, "newversion");
    localVersionText_ = ExpandPath(control.ReadString(kUpdate, "localversion"));
    if (result == 7) {
        const int newSize = control.ReadInteger(kUpdate, "newsize", 0);
        const int newCheckSum = control.ReadInteger(kUpdate, "newchecksum", -1);
        updateLocalFile_ = webupdate::ExistingPath(localVersionText_);
        const bool described = !newVersionText_.empty() || newSize > 0 || newCheckSum != -1;
        if (described && !localVersionText_.empty()) {
            if (newCheckSum != -1) {
                result = 10;
                ReportStatus(931, {}, 3, 0);
            } else if (newSize > 0) {
                result = 9;
                ReportStatus(932, {}, 3, 0);
            } else {
                result = 11;
                ReportStatus(933, {}, 3, 0);
            }
            std::string newText = newVersionText_;
            std::string localText = localVersionText_;
            const bool newer = IsNewer(newText, localText, newSize, newCheckSum);
            if (newer) {
                ReportStatus(929, newText, 5, 0);
            } else {
                ReportStatus(930, {}, 4, 0);
            }
            if (result == 11) {
                newVersionText_ = newText;
                localVersionText_ = localText;
            }
            if (!newer) {
                result = 7;
            }
        }
    }

    if (OnCustomValidate) {
        bool allow = result != 7;
        OnCustomValidate(*this, control.ReadString("custom", "validatemsg"),
                         control.ReadString("custom", "validateparam"), allow);
        result = allow ? 12 : 7;
    }
    return result;
}

bool TWebUpdate::IsApplicationComponent(const std::string& fileName) const {
    if (fileName.empty()) {
        return false;
    }
    return platform::ToUpperCp1250(applicationComponents_)
               .find(platform::ToUpperCp1250(fileName)) != std::string::npos;
}

int TWebUpdate::BuildFileList() {
    const webupdate::ProfileFile control = LoadControlFile();
    fileList_.Clear();
    const int count = control.ReadInteger("files", "count", 0);
    if (count > 0) {
        ReportStatus(943, {}, 3, 0);
    }
    // The count comes from the server; entries are read only while their
    // sections exist, so a count of two billion cannot run away and a gap does
    // not invent an entry with no address.
    for (int i = 1; i <= count; ++i) {
        const std::string section = "file" + std::to_string(i);
        if (!control.HasSection(section)) {
            break;
        }
        TFileDescription& entry = fileList_.Add();
        entry.SetURL(ExpandPrefixes(control.ReadString(section, "url")));
        entry.SetLocalVersion(ExpandPath(control.ReadString(section, "localversion")));
        entry.SetNewVersion(control.ReadString(section, "newversion"));
        entry.SetNewSize(control.ReadInteger(section, "newsize", 0));
        entry.SetNewCheckSum(control.ReadInteger(section, "newchecksum", -1));
        entry.SetNewCustomVer(control.ReadString(section, "customversion"));
        entry.SetNewDate(control.ReadString(section, "date"));
        entry.SetNewTime(control.ReadString(section, "time"));
        entry.SetDescription(control.ReadString(section, "descr"));
        std::string targetDir = ExpandPath(control.ReadString(section, "targetdir"));
        if (!targetDir.empty() && targetDir.back() != '/') {
            targetDir += '/';
        }
        entry.SetTargetDir(std::move(targetDir));
        entry.SetCompressed(control.ReadFlag(section, "compressed"));
        entry.SetFileSize(control.ReadInteger(section, "filesize", 0));
        entry.SetMandatory(control.ReadFlag(section, "mandatory"));
        entry.SetHidden(control.ReadFlag(section, "hidden"));
    }
    return fileList_.Count();
}

int TWebUpdate::CheckFileList() {
    for (int i = 0; i < fileList_.Count();) {
        const TFileDescription& entry = fileList_.Items(i);
        bool keep = true;
        if (!entry.LocalVersion().empty() && !entry.NewDate().empty()) {
            const webupdate::CivilTime fresh = ParseDateTime(entry.NewDate(), entry.NewTime());
            const auto local =
                webupdate::FileLastWriteTime(webupdate::ExistingPath(entry.LocalVersion()));
            keep = !(local && !(*local < fresh));
        } else {
            std::string newVersion = entry.NewVersion();
            std::string localVersion = entry.LocalVersion();
            keep = IsNewer(newVersion, localVersion, entry.NewSize(), entry.NewCheckSum());
            if (keep && OnFileVersionCheck && !entry.NewCustomVer().empty()) {
                bool isNew = true;
                OnFileVersionCheck(*this, entry.NewCustomVer(), entry.LocalVersion(), isNew);
                keep = isNew;
            }
        }
        if (keep) {
            ++i;
        } else {
            fileList_.Delete(i);
        }
    }

    if (OnGetFileList) {
        std::vector<std::string> list;
        for (int i = 0; i < fileList_.Count(); ++i) {
            list.push_back(fileList_.Items(i).Description());
        }
        OnGetFileList(*this, list);
        // Lines and entries pair up by position; an entry whose line the host
        // emptied goes. Entries past the end of a shortened list stay.
        for (int i = std::min(fileList_.Count(), static_cast<int>(list.size())) - 1; i >= 0; --i) {
            if (list[static_cast<size_t>(i)].empty()) {
                fileList_.Delete(i);
            }
        }
    }
    return fileList_.Count() == 0 ? -1 : 0;
}

}  // namespace spisotek
