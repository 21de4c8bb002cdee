// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the file-system layer on Windows: one enumeration per folder gives every entry's values.
#include "platform/FileSystem.h"
#include "platform/FileSystemCounts.h"
#include "platform/WinPath.h"

#include <windows.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <vector>

namespace dirlix::fsys {

namespace {

// Not in every SDK's headers: a cloud file whose data (or whose whole file) is fetched when opened.
constexpr DWORD kRecallOnOpen = 0x00040000;
constexpr DWORD kRecallOnDataAccess = 0x00400000;
constexpr DWORD kPlaceholder = FILE_ATTRIBUTE_OFFLINE | kRecallOnOpen | kRecallOnDataAccess;

// The bits of the attribute word that a row keeps, in their own meaning.
constexpr DWORD kRowAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                 FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_COMPRESSED;

CallCounts gCounts;

void count(std::atomic<std::uint64_t>& counter)
{
    counter.fetch_add(1, std::memory_order_relaxed);
}

// An open folder: its long path (ending in "\") for the enumeration, and a handle that keeps it
// from being swapped for another while it is walked and that tells its identity.
struct Folder {
    std::wstring path;
    HANDLE handle = INVALID_HANDLE_VALUE;
    FileId id;
    ~Folder()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

// Folder handles are slots in this table, so that the interface keeps its small integer handle.
// A slot is only read by a caller that holds the handle, and freed by the one that closes it.
class FolderTable {
public:
    FolderHandle add(std::unique_ptr<Folder> folder)
    {
        std::lock_guard lock(mMutex);
        if (!mFree.empty()) {
            const int slot = mFree.back();
            mFree.pop_back();
            mSlots[slot] = std::move(folder);
            return slot;
        }
        mSlots.push_back(std::move(folder));
        return int(mSlots.size() - 1);
    }
    Folder* get(FolderHandle handle)
    {
        std::lock_guard lock(mMutex);
        return handle >= 0 && std::size_t(handle) < mSlots.size() ? mSlots[handle].get() : nullptr;
    }
    void remove(FolderHandle handle)
    {
        std::unique_ptr<Folder> gone;
        std::lock_guard lock(mMutex);
        if (handle < 0 || std::size_t(handle) >= mSlots.size() || !mSlots[handle])
            return;
        gone = std::move(mSlots[handle]);
        mFree.push_back(handle);
    }

private:
    std::mutex mMutex;
    std::vector<std::unique_ptr<Folder>> mSlots;
    std::vector<int> mFree;
};

FolderTable& folders()
{
    static FolderTable table;
    return table;
}

std::int64_t unixSeconds(const FILETIME& time)
{
    // 100-nanosecond steps since 1601, to whole seconds since 1970, rounded down for times before it.
    const std::int64_t ticks = std::int64_t((std::uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    const std::int64_t since1970 = ticks - 116444736000000000LL;
    return since1970 >= 0 ? since1970 / 10000000 : -((-since1970 + 9999999) / 10000000);
}

void fillRecord(DWORD attributes, const FILETIME& created, const FILETIME& written, DWORD sizeHigh, DWORD sizeLow,
                FileRecord& out)
{
    out.size = std::int64_t((std::uint64_t(sizeHigh) << 32) | sizeLow);
    out.created = unixSeconds(created);
    out.modified = unixSeconds(written);
    out.attributes = std::uint16_t(attributes & kRowAttributes);
}

// A junction or symbolic link: an entry that names another place. Cloud placeholders and other
// reparse points are the files and folders they stand for.
bool namesAnotherPlace(DWORD attributes, DWORD reparseTag)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(reparseTag);
}

int lastErrno()
{
    return win::errnoOf(GetLastError());
}

HANDLE openForValues(const std::wstring& path, bool ownEntry)
{
    count(gCounts.opens);
    // No data access is asked for: reading attributes does not fetch a cloud file's content.
    return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | (ownEntry ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
}

int reparseTagOf(HANDLE handle, DWORD& tag)
{
    FILE_ATTRIBUTE_TAG_INFO info{};
    count(gCounts.queries);
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info))
        return lastErrno();
    tag = info.ReparseTag;
    return 0;
}

int open(std::wstring path, bool followLinks, FolderHandle& out)
{
    out = kNoFolder;
    if (path.empty())
        return ENOENT;
    if (path.back() != L'\\')
        path += L'\\';
    HANDLE handle = openForValues(path, !followLinks);
    if (handle == INVALID_HANDLE_VALUE)
        return lastErrno();
    auto folder = std::make_unique<Folder>();
    folder->path = std::move(path);
    folder->handle = handle;
    BY_HANDLE_FILE_INFORMATION info{};
    count(gCounts.queries);
    if (!GetFileInformationByHandle(handle, &info))
        return lastErrno();
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return ENOTDIR;
    if (!followLinks && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // Not following, a folder swapped for a junction since the listing is not entered either.
        DWORD tag = 0;
        if (reparseTagOf(handle, tag) != 0 || IsReparseTagNameSurrogate(tag))
            return ELOOP;
    }
    folder->id = {info.dwVolumeSerialNumber, (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    out = folders().add(std::move(folder));
    return 0;
}

} // namespace

const CallCounts& callCounts()
{
    return gCounts;
}

int openFolder(const std::string& path, FolderHandle& out)
{
    return open(win::longPath(path), true, out);
}

int openChildFolder(FolderHandle parent, const char* name, bool followLinks, FolderHandle& out)
{
    const Folder* folder = folders().get(parent);
    if (!folder) {
        out = kNoFolder;
        return EBADF;
    }
    return open(folder->path + win::wide(name), followLinks, out);
}

void closeFolder(FolderHandle folder)
{
    if (folder != kNoFolder)
        folders().remove(folder);
}

int folderIdentity(FolderHandle folder, FileId& id)
{
    const Folder* open = folders().get(folder);
    if (!open)
        return EBADF;
    id = open->id;
    return 0;
}

int readFolder(FolderHandle folder, FolderEntries& out)
{
    const Folder* open = folders().get(folder);
    if (!open)
        return EBADF;
    WIN32_FIND_DATAW data;
    count(gCounts.enumerations);
    // Basic information leaves out the short 8.3 name, and the large fetch asks the file system
    // for many entries per request: the listing is the only call the folder's files cost.
    HANDLE find = FindFirstFileExW((open->path + L'*').c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? 0 : win::errnoOf(error);
    }
    int result = 0;
    do {
        const wchar_t* name = data.cFileName;
        if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0)))
            continue;
        const std::string bytes = win::narrow(name);
        const DWORD attributes = data.dwFileAttributes;
        EntryKind kind = EntryKind::File;
        if (namesAnotherPlace(attributes, data.dwReserved0))
            kind = EntryKind::Link;
        else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            kind = EntryKind::Folder;
        out.entries.push_back({std::uint32_t(out.names.size()), std::uint32_t(bytes.size()), kind});
        out.names.append(bytes.c_str(), bytes.size() + 1);
        FileRecord& values = out.values.emplace_back();
        fillRecord(attributes, data.ftCreationTime, data.ftLastWriteTime, data.nFileSizeHigh, data.nFileSizeLow,
                   values);
        count(gCounts.enumerated);
    } while (FindNextFileW(find, &data));
    if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES)
        result = win::errnoOf(error);
    FindClose(find);
    return result;
}

int readProperties(FolderHandle folder, const char* name, bool followFolderLinks, FileRecord& out,
                   EntryFacts& facts)
{
    // Only entries the listing could not settle come here: junctions and symbolic links.
    const Folder* open = folders().get(folder);
    if (!open)
        return EBADF;
    count(gCounts.propertyReads);
    const std::wstring path = open->path + win::wide(name);
    const auto fill = [&](HANDLE handle, bool viaLink) {
        BY_HANDLE_FILE_INFORMATION info{};
        count(gCounts.queries);
        const bool ok = GetFileInformationByHandle(handle, &info);
        const int error = ok ? 0 : lastErrno();
        CloseHandle(handle);
        if (!ok)
            return error;
        fillRecord(info.dwFileAttributes, info.ftCreationTime, info.ftLastWriteTime, info.nFileSizeHigh,
                   info.nFileSizeLow, out);
        facts.isFolder = !viaLink && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        facts.isLink = viaLink;
        facts.links = info.nNumberOfLinks ? info.nNumberOfLinks : 1;
        facts.id = {info.dwVolumeSerialNumber, (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
        return 0;
    };
    // The entry itself first: a placeholder is never followed or opened for its data, and a
    // link to a folder that is not followed is a row with its own values.
    HANDLE own = openForValues(path, true);
    if (own == INVALID_HANDLE_VALUE)
        return lastErrno();
    BY_HANDLE_FILE_INFORMATION ownInfo{};
    DWORD tag = 0;
    count(gCounts.queries);
    const bool isLink = GetFileInformationByHandle(own, &ownInfo) &&
                        (ownInfo.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                        !(ownInfo.dwFileAttributes & kPlaceholder) && reparseTagOf(own, tag) == 0 &&
                        IsReparseTagNameSurrogate(tag);
    if (!isLink || (ownInfo.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY && !followFolderLinks))
        return fill(own, isLink);
    HANDLE target = openForValues(path, false);
    if (target == INVALID_HANDLE_VALUE)
        return fill(own, true); // a link that leads nowhere: its own values
    CloseHandle(own);
    return fill(target, false);
}

int isVirtualFileSystem(FolderHandle, bool& isVirtual)
{
    // Windows mounts no kernel state as folders.
    isVirtual = false;
    return 0;
}

std::size_t descriptorLimit()
{
    return 0;
}

std::size_t pathLimit()
{
    return 32767;
}

} // namespace dirlix::fsys
