#include "assets/extraction_worker.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "platform/d3dx9/x_mesh_cache.h"
#include "platform/fs/windows_path.h"
#include "platform/threads/worker_threads.h"
#include "rar/rar_reader.h"

namespace {

bool IsMesh(std::string_view path) {
    return path.size() > 2 && path[path.size() - 2] == '.' && (path.back() == 'x' || path.back() == 'X');
}

} // namespace

ExtractionWorker::ExtractionWorker(std::span<const char* const> list, const char* archiveName)
    : list_(list), archiveName_(archiveName), members_(list.size()) {
    if constexpr (kWorkerThreadsAvailable) {
        thread_ = std::thread([this] { Run(); });
    }
}

ExtractionWorker::~ExtractionWorker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
    for (Member& member : members_) {
        std::free(member.data);
    }
}

void ExtractionWorker::WriteFiles() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        writing_ = true;
    }
    changed_.notify_all();
    // Without a second thread, decoding and writing happen here, before the first result is asked for.
    if (!thread_.joinable()) {
        Run();
    }
}

bool ExtractionWorker::WaitWritten(std::size_t index) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return members_[index].written || stopping_; });
    return members_[index].ok;
}

bool ExtractionWorker::WriteMember(const char* path, bool extracted, const std::uint8_t* data,
                                   std::uint32_t size, std::optional<FileBytes::Identity>* identity) {
    // The output file is named by the list entry only, never by a name found in the archive.
    std::FILE* file = WindowsPath::OpenFile(std::string_view(path), "wb");
    if (file == nullptr || !extracted) {
        if (file != nullptr) {
            std::fclose(file);
        }
        return false;
    }
    std::fwrite(data, 1, size, file);
    if (identity != nullptr) {
        std::fflush(file);
        *identity = FileBytes::IdentityOf(file);
    }
    std::fclose(file);
    return true;
}

bool ExtractionWorker::Stopping() {
    std::lock_guard<std::mutex> lock(mutex_);
    return stopping_;
}

void ExtractionWorker::Run() {
    for (std::size_t i = 0; i < list_.size(); ++i) {
        if (Stopping()) {
            return;
        }
        // The archive name follows the same path rules as every other file ("DATA.RAR" finds it).
        const std::optional<std::string> archive = WindowsPath::ResolveForReading(archiveName_);
        Member decoded;
        decoded.extracted = RarReader::Extract(list_[i], archive ? archive->c_str() : archiveName_, nullptr,
                                               &decoded.data, &decoded.size);
        std::lock_guard<std::mutex> lock(mutex_);
        members_[i] = decoded;
    }
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return writing_ || stopping_; });
    }
    for (std::size_t i = 0; i < list_.size(); ++i) {
        if (Stopping()) {
            return;
        }
        Member& member = members_[i]; // the calling thread reads only `written` and `ok`
        std::optional<FileBytes::Identity> identity;
        const bool ok = WriteMember(list_[i], member.extracted, member.data, member.size, &identity);
        if (ok && identity && IsMesh(list_[i])) {
            XMeshCache::Offer(*identity, std::shared_ptr<const std::uint8_t[]>(member.data, std::free),
                              member.size);
        } else {
            std::free(member.data);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            member.data = nullptr;
            member.written = true;
            member.ok = ok;
        }
        changed_.notify_all();
    }
    while (!Stopping() && XMeshCache::BuildNextOffered()) {
    }
}
