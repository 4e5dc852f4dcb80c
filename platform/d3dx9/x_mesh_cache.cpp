#include "platform/d3dx9/x_mesh_cache.h"

#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/d3dx9/x_file_parser.h"
#include "platform/fs/windows_path.h"

namespace XMeshCache {

namespace {

enum class State { Offered, Building, Built };

struct Entry {
    FileBytes::Identity identity;
    State state = State::Offered;
    std::shared_ptr<const std::uint8_t[]> bytes;
    std::size_t size = 0;
    std::shared_ptr<const Built> built;
};

struct Cache {
    std::mutex mutex;
    std::condition_variable built;
    bool keeping = false;
    // In the order of offers and first loads; start-up has a few dozen files.
    std::vector<std::shared_ptr<Entry>> entries;
};

// Never destroyed: a build on the extraction thread may still be finishing at exit.
Cache& TheCache() {
    static Cache* cache = new Cache;
    return *cache;
}

std::shared_ptr<const Built> BuildFrom(const std::uint8_t* data, std::size_t size) {
    auto built = std::make_shared<Built>();
    std::vector<XObject> objects;
    built->result = XFileParser::Parse(data, size, objects);
    if (SUCCEEDED(built->result)) {
        built->result = XMeshBuilder::Build(objects, built->data);
    }
    return built;
}

std::shared_ptr<const Built> ReadAndBuild(std::FILE* file) {
    const auto bytes = FileBytes::ReadOpen(file);
    return bytes ? BuildFrom(bytes->data(), bytes->size()) : std::make_shared<Built>();
}

void Finish(Cache& cache, Entry& entry, std::shared_ptr<const Built> built) {
    {
        std::lock_guard<std::mutex> lock(cache.mutex);
        entry.built = std::move(built);
        entry.state = State::Built;
        entry.bytes.reset();
    }
    cache.built.notify_all();
}

} // namespace

void Keep() {
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    cache.keeping = true;
}

void Offer(const FileBytes::Identity& identity, std::shared_ptr<const std::uint8_t[]> bytes,
           std::size_t size) {
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    if (!cache.keeping) {
        return;
    }
    auto entry = std::make_shared<Entry>();
    entry->identity = identity;
    entry->bytes = std::move(bytes);
    entry->size = size;
    cache.entries.push_back(std::move(entry));
}

bool BuildNextOffered() {
    Cache& cache = TheCache();
    std::shared_ptr<Entry> entry;
    {
        std::lock_guard<std::mutex> lock(cache.mutex);
        for (const auto& candidate : cache.entries) {
            if (candidate->state == State::Offered) {
                entry = candidate;
                break;
            }
        }
        if (entry == nullptr) {
            return false;
        }
        entry->state = State::Building;
    }
    Finish(cache, *entry, BuildFrom(entry->bytes.get(), entry->size));
    return true;
}

std::shared_ptr<const Built> Load(std::wstring_view windowsPath) {
    std::FILE* file = WindowsPath::OpenFile(windowsPath, "rb");
    if (file == nullptr) {
        return std::make_shared<Built>();
    }
    const std::optional<FileBytes::Identity> identity = FileBytes::IdentityOf(file);
    Cache& cache = TheCache();
    std::unique_lock<std::mutex> lock(cache.mutex);
    if (!cache.keeping || !identity) {
        lock.unlock();
        auto built = ReadAndBuild(file);
        std::fclose(file);
        return built;
    }
    std::shared_ptr<Entry> entry;
    for (const auto& candidate : cache.entries) {
        if (candidate->identity == *identity) {
            entry = candidate;
            break;
        }
    }
    if (entry == nullptr) {
        // The identity was taken before reading, so a file changed meanwhile is kept under
        // its old identity and found no more.
        entry = std::make_shared<Entry>();
        entry->identity = *identity;
        entry->state = State::Building;
        cache.entries.push_back(entry);
        lock.unlock();
        auto built = ReadAndBuild(file);
        std::fclose(file);
        Finish(cache, *entry, built);
        return built;
    }
    std::fclose(file);
    if (entry->state == State::Offered) {
        entry->state = State::Building;
        lock.unlock();
        auto built = BuildFrom(entry->bytes.get(), entry->size);
        Finish(cache, *entry, built);
        return built;
    }
    cache.built.wait(lock, [&] { return entry->state == State::Built; });
    return entry->built;
}

void Forget() {
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    cache.keeping = false;
    cache.entries.clear();
}

} // namespace XMeshCache
