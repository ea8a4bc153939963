#include "webupdate/web_update.h"

#include <algorithm>

#include "webupdate/profile_file.h"

namespace spisotek {

namespace {

webupdate::NullUpdateHost& DefaultHost() {
    static webupdate::NullUpdateHost host;
    return host;
}

// Held once for every engine of the process: a name assigned on any engine is
// the name all of them log into.
std::string& SharedLogFileName() {
    static std::string name = "WUPDATE.LOG";
    return name;
}

}  // namespace

TFileDescription& TFileList::Add() {
    items_.push_back(std::make_unique<TFileDescription>());
    return *items_.back();
}

void TFileList::Delete(int index) {
    items_.at(static_cast<size_t>(index));  // throws std::out_of_range on a bad index
    items_.erase(items_.begin() + index);
}

void TFileList::Clear() {
    items_.clear();
}

std::int64_t TFileList::TotalSize() const {
    std::int64_t total = 0;
    for (const auto& item : items_) {
        total += item->FileSize();
    }
    return total;
}

std::int64_t TFileList::DoneSize() const {
    std::int64_t done = 0;
    const int end = std::min(currentIndex_, Count());
    for (int i = 0; i < end; ++i) {
        done += items_[static_cast<size_t>(i)]->FileSize();
    }
    return done;
}

TWebUpdate::TWebUpdate()
    : updateHost_(&DefaultHost()), clock_(&webupdate::SystemClock::Instance()) {}

TWebUpdate::~TWebUpdate() = default;

std::string TWebUpdate::LogFileName() {
    return SharedLogFileName();
}

void TWebUpdate::SetLogFileName(std::string value) {
    SharedLogFileName() = std::move(value);
}

void TWebUpdate::SetUpdateHost(webupdate::UpdateHost* host) {
    updateHost_ = host != nullptr ? host : &DefaultHost();
}

void TWebUpdate::SetClock(const webupdate::Clock* clock) {
    clock_ = clock != nullptr ? clock : &webupdate::SystemClock::Instance();
}

bool TWebUpdate::RestartNeeded() const {
    return applicationUpdate_ && !aborted_ && componentDownloaded_;
}

webupdate::ProfileFile TWebUpdate::LoadControlFile() const {
    if (controlFileCopy_.empty()) {
        return {};
    }
    return webupdate::ProfileFile::Load(controlFileCopy_).value_or(webupdate::ProfileFile{});
}

}  // namespace spisotek
