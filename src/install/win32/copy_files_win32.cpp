// The switch's copy (GameFiles::CopyFiles): the renames on a thread of
// their own, the files on two more, each from a source held open since the
// plan and written below the root's own handle; and the sources' opening.
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

#include "common/keyed_collection.h"
#include "common/win32/unique_handle.h"
#include "common/win32/wide_text.h"
#include "install/win32/folder_handles_win32.h"
#include "install/win32/game_files_win32.h"

namespace quorin::win32 {
namespace {

// A patch file held open from the plan to the copy: read shared, nothing
// else, so that no one writes, renames or deletes it (or a folder on its
// way) meanwhile; opened on the path itself, never on what a link names.
class Source : public ISource {
  public:
    Source(std::string path, UniqueFile file, FileState state)
        : path_(std::move(path)), file_(std::move(file)), state_(state) {}
    const std::string& Path() const override { return path_; }
    FileState State() const override { return state_; }
    HANDLE Handle() const { return file_.Get(); }

  private:
    std::string path_;
    UniqueFile file_;
    FileState state_;
};

// The renames run on one thread and the copies on two others, so that the
// renames cost next to nothing beside a large file's copy and two files are
// copied at once (a copy under Wine is bound by the processor, not the
// disk); the copy of a file waits for the rename that frees its place.
constexpr int kCopiers = 2;
constexpr DWORD kCopyBuffer = 1 << 20;

struct CopyJob {
    const std::vector<CopyItem>& items;
    const std::vector<Move>& moves;
    std::vector<HANDLE> parents = {};           // each item's folder, for the files
    std::map<std::string, std::size_t> freedBy; // folded destination -> move
    std::vector<std::size_t> files = {};        // the items that are files
    std::atomic<std::size_t> next{0};           // the next file a thread takes
    std::mutex lock{};                          // over movesDone and the failures
    std::condition_variable moved{};            // told after each rename, and each failure
    std::size_t movesDone = 0;
    std::atomic<bool> stopped{false}; // a rename or a copy failed
    FileResult moveError = kFileOk;
    FileResult copyError = kFileOk;
    std::string failedPath = {};
};

// Records the first failure of the copies; the others stop at their next file.
DWORD Failed(CopyJob& job, FileResult error, const std::string& path) {
    {
        const std::lock_guard<std::mutex> held(job.lock);
        if (!job.stopped.exchange(true)) {
            job.copyError = error;
            job.failedPath = path;
        }
    }
    job.moved.notify_all(); // a copy waiting for its rename stops too
    return 0;
}

// Makes the renames in order until one fails or a copy has failed: what it
// renamed before then stays where it went, for the roll-back to put back.
DWORD WINAPI MoveThread(void* parameter) {
    auto* job = static_cast<CopyJob*>(parameter);
    for (const Move& move : job->moves) {
        if (job->stopped)
            return 0;
        const bool ok = ::MoveFileExW(Widen(move.from).c_str(), Widen(move.to).c_str(), 0);
        const FileResult error = ok ? kFileOk : FileResultOf(::GetLastError());
        {
            const std::lock_guard<std::mutex> held(job->lock);
            if (ok) {
                ++job->movesDone;
            } else {
                job->moveError = error;
                job->stopped = true; // no copy starts after it
            }
        }
        job->moved.notify_all();
        if (!ok)
            return 0;
    }
    return 0;
}

// `source`'s bytes into a new file at `to` (never over one that is there,
// nor through a link), on the disk before it returns, with the source's
// attributes and last-write time. The failure's side: the file it writes,
// or the patch file it reads.
FileResult CopyOne(const Source& source, HANDLE folder, const std::string& to,
                   std::vector<char>& buffer, std::string& failed) {
    failed = to;
    FileResult error;
    UniqueFile target =
        OpenBelow(folder, to.substr(to.rfind('\\') + 1), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, 0,
                  FILE_CREATE, FILE_NON_DIRECTORY_FILE, error);
    if (!target)
        return error;
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(source.Handle(), start, nullptr, FILE_BEGIN))
        return failed = source.Path(), FileResultOf(::GetLastError());
    for (DWORD got = 0;;) {
        if (!::ReadFile(source.Handle(), buffer.data(), kCopyBuffer, &got, nullptr))
            return failed = source.Path(), FileResultOf(::GetLastError());
        if (got == 0)
            break;
        DWORD written = 0;
        if (!::WriteFile(target.Get(), buffer.data(), got, &written, nullptr) || written != got)
            return FileResultOf(::GetLastError());
    }
    // Written out from the cache before the switch commits, so that a power
    // cut cannot leave a file only the cache held; then the source's time
    // and attributes, read-only included.
    FILE_BASIC_INFO basic{};
    if (!::FlushFileBuffers(target.Get()) ||
        !::GetFileInformationByHandleEx(source.Handle(), FileBasicInfo, &basic, sizeof basic))
        return FileResultOf(::GetLastError());
    basic.CreationTime.QuadPart = basic.LastAccessTime.QuadPart = basic.ChangeTime.QuadPart = 0;
    if (!::SetFileInformationByHandle(target.Get(), FileBasicInfo, &basic, sizeof basic))
        return FileResultOf(::GetLastError());
    return kFileOk;
}

// Copies the files the job has not yet handed out, one at a time, until
// none are left or a copy fails.
DWORD WINAPI CopyThread(void* parameter) {
    auto* job = static_cast<CopyJob*>(parameter);
    std::vector<char> buffer(kCopyBuffer);
    for (std::size_t i; !job->stopped && (i = job->next++) < job->files.size();) {
        const std::size_t at = job->files[i];
        const CopyItem& item = job->items[at];
        if (const auto freed = job->freedBy.find(FoldCase(item.to)); freed != job->freedBy.end()) {
            std::unique_lock<std::mutex> held(job->lock);
            job->moved.wait(held, [&] { return job->movesDone > freed->second || job->stopped; });
            if (job->stopped)
                return 0;
        }
        std::string failed;
        const auto* source = dynamic_cast<const Source*>(item.source);
        const FileResult error = source
                                     ? CopyOne(*source, job->parents[at], item.to, buffer, failed)
                                     : (failed = item.to, kFileNotFound);
        if (error != kFileOk)
            return Failed(*job, error, failed);
    }
    return 0;
}

// Runs `work` on `count` threads of its own, besides those in `running`,
// and waits for them all, calling `every` about four times a second; runs
// it on this thread when no thread can be made.
void RunThreads(LPTHREAD_START_ROUTINE work, CopyJob& job, int count,
                std::vector<UniqueKernelHandle> running, const std::function<void()>& every) {
    const std::size_t others = running.size();
    for (int i = 0; i < count; ++i)
        if (UniqueKernelHandle thread(::CreateThread(nullptr, 0, work, &job, 0, nullptr)); thread)
            running.push_back(std::move(thread));
    if (running.size() == others)
        work(&job);
    std::vector<HANDLE> handles;
    for (const UniqueKernelHandle& thread : running)
        handles.push_back(thread.Get());
    for (;;) {
        const DWORD woke =
            ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, 250);
        if (woke != WAIT_TIMEOUT) {
            if (woke == WAIT_FAILED) // their job is on the caller's stack
                ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE,
                                         INFINITE);
            return;
        }
        if (every)
            every();
    }
}

} // namespace

std::unique_ptr<ISource> GameFiles::OpenSource(const std::string& path, FileResult& error) {
    UniqueFile file(::CreateFileW(Widen(path).c_str(), GENERIC_READ | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS |
                                      FILE_FLAG_SEQUENTIAL_SCAN,
                                  nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !::GetFileInformationByHandle(file.Get(), &info)) {
        error = FileResultOf(::GetLastError());
        return nullptr;
    }
    error = kFileOk;
    return std::make_unique<Source>(path, std::move(file),
                                    StateOf(info.dwFileAttributes, info.nFileSizeHigh,
                                            info.nFileSizeLow, info.ftLastWriteTime));
}

CopyResult GameFiles::CopyFiles(const std::string& root, const std::vector<CopyItem>& items,
                                const std::vector<Move>& movesFirst,
                                const std::function<void()>& whileCopying) {
    // The shell's SHFileOperationA took 2.6 times as long as a copy loop for
    // the same files under Wine, and its result says nothing true.
    CopyJob job{items, movesFirst, {}, {}};
    for (std::size_t i = 0; i < movesFirst.size(); ++i)
        job.freedBy[FoldCase(movesFirst[i].from)] = i;
    const auto result = [&job] {
        return CopyResult{!job.stopped, job.movesDone, job.moveError, job.copyError,
                          job.failedPath};
    };
    // Every folder reached from the root's handle down, made in order.
    FolderTree tree;
    if (const FileResult error = tree.OpenRoot(root); error != kFileOk) {
        return {false, 0, error, error, root};
    }
    // The renames start at once; a folder never takes a moved file's place.
    std::vector<UniqueKernelHandle> mover;
    if (UniqueKernelHandle thread(::CreateThread(nullptr, 0, MoveThread, &job, 0, nullptr)); thread)
        mover.push_back(std::move(thread));
    else
        MoveThread(&job);
    FileResult error;
    job.parents.resize(items.size());
    for (std::size_t i = 0; i < items.size() && !job.stopped; ++i) {
        const std::string& to = items[i].to;
        if (!items[i].source) {
            if (!tree.Folder(to, true, error))
                Failed(job, error, to);
        } else if ((job.parents[i] = tree.Folder(to.substr(0, to.rfind('\\')), false, error))) {
            job.files.push_back(i);
        } else {
            Failed(job, error, to);
        }
    }
    RunThreads(CopyThread, job, kCopiers, std::move(mover), whileCopying);
    return result();
}

} // namespace quorin::win32
