#include "runtime/zip/archive_reader.h"

#include <minizip/unzip.h>

#include <limits>
#include <string_view>
#include <vector>

#include "runtime/win32/handle_owner.h"
#include "runtime/base/text.h"
#include "runtime/zip/buffered_io.h"
#include "runtime/zip/folders.h"
#include "runtime/zip/zip_rules.h"

namespace vx::zip {
namespace {

constexpr unsigned kPieceSize = 16384;

FILETIME ToFileTime(uint64_t ticks) { return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}; }

uint64_t FromFileTime(const FILETIME& ft) { return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

// DOS times are the wall clock of the machine that made the archive.
uint64_t LocalToUtc(uint64_t local) {
    if (!local) return 0;
    FILETIME l = ToFileTime(local), u;
    return LocalFileTimeToFileTime(&l, &u) ? FromFileTime(u) : 0;
}

unzFile Zip(void* f) { return static_cast<unzFile>(f); }

}  // namespace

ArchiveReader::ArchiveReader() : buffer_(new uint8_t[kPieceSize]) {}

ArchiveReader::~ArchiveReader() { Close(); }

uint32_t ArchiveReader::Open(const char* fileName) {
    if (file_) return kAlreadyOpen;
    zlib_filefunc_def io;
    FillBufferedWin32FileFunc(&io);
    unzFile f = unzOpen2(fileName, &io);
    if (!f) return kReadWriteFailed;
    unz_global_info info;
    if (unzGetGlobalInfo(f, &info) != UNZ_OK) {
        unzClose(f);
        return kReadWriteFailed;
    }
    file_ = f;
    count_ = info.number_entry > uLong(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                                            : static_cast<int32_t>(info.number_entry);
    position_ = count_ > 0 ? 0 : -1;
    records_.assign(static_cast<size_t>(count_), ZipEntry{});
    known_.assign(static_cast<size_t>(count_), false);
    // A current folder that does not fit (its ANSI form may be longer than
    // its wide one) leaves no base: never the drive root that "" + "\" names.
    char current[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryA(sizeof current, current);
    baseFolder_ = n > 0 && n < sizeof current ? TargetPath(text::SystemLeadBytes(), std::string_view(current, n), "")
                                              : std::string();
    return kOk;
}

void ArchiveReader::Close() {
    CloseOpenEntry();
    if (file_) unzClose(Zip(file_));
    file_ = nullptr;
    count_ = 0;
    position_ = -1;
    records_.clear();
    known_.clear();
}

void ArchiveReader::CloseOpenEntry() {
    if (entryOpen_) unzCloseCurrentFile(Zip(file_));
    entryOpen_ = false;
}

uint32_t ArchiveReader::Check(int32_t index) const {
    if (!file_) return kWrongAccess;
    if (index < -1 || index >= count_) return kNoSuchEntry;
    return kOk;
}

bool ArchiveReader::MoveTo(int32_t index) {
    if (position_ < 0 || index < position_) {
        if (unzGoToFirstFile(Zip(file_)) != UNZ_OK) {
            position_ = -1;
            return false;
        }
        position_ = 0;
    }
    while (position_ < index) {
        if (unzGoToNextFile(Zip(file_)) != UNZ_OK) {
            position_ = -1;
            return false;
        }
        ++position_;
    }
    return true;
}

uint32_t ArchiveReader::GetEntry(int32_t index, ZipEntry& entry) {
    if (uint32_t rc = Check(index)) return rc;
    CloseOpenEntry();
    if (index >= 0 && known_[size_t(index)]) {
        entry = records_[size_t(index)];
        return kOk;
    }
    if (index == -1) {
        entry = ZipEntry{};
        entry.index = count_;
        return kOk;
    }
    ZipEntry e;
    if (uint32_t rc = ReadRecord(index, e)) return rc;
    records_[size_t(index)] = e;
    known_[size_t(index)] = true;
    entry = e;
    return kOk;
}

uint32_t ArchiveReader::ReadRecord(int32_t index, ZipEntry& e) {
    unzFile f = Zip(file_);
    if (!MoveTo(index)) return kBadLocalHeader;
    unz_file_info info;
    if (unzGetCurrentFileInfo(f, &info, e.name, sizeof e.name, nullptr, 0, nullptr, 0) != UNZ_OK)
        return kBadLocalHeader;
    // minizip cuts a long name without terminating it; an embedded NUL would
    // make a different, shorter name. Both are kept but marked.
    e.name[sizeof e.name - 1] = '\0';
    e.nameComplete = info.size_filename < sizeof e.name && std::string_view(e.name).size() == info.size_filename;

    // Opening raw checks the local header against the central record without
    // starting inflate.
    int method = 0, level = 0;
    if (unzOpenCurrentFile2(f, &method, &level, 1) != UNZ_OK) return kBadLocalHeader;
    entryOpen_ = true;
    const int extraSize = unzGetLocalExtrafield(f, nullptr, 0);
    std::vector<uint8_t> extra(extraSize > 0 ? static_cast<size_t>(extraSize) : 0);
    if (extraSize < 0 ||
        (extraSize > 0 && unzGetLocalExtrafield(f, extra.data(), static_cast<unsigned>(extraSize)) != extraSize)) {
        CloseOpenEntry();
        return kBadExtraField;
    }
    CloseOpenEntry();

    e.index = index;
    e.attributes = AttributesFromExternal(static_cast<uint32_t>(info.external_fa));
    const uint64_t dos = LocalToUtc(DosToFileTime(static_cast<uint32_t>(info.dosDate)));
    e.accessTime = e.creationTime = e.modificationTime = dos;
    if (extra.size() > 4) {
        const ExtendedTimes t = ScanExtendedTimestamp(extra.data(), extra.size());
        if (t.hasModified) e.modificationTime = t.modified;
        if (t.hasAccessed) e.accessTime = t.accessed;
        if (t.hasCreated) e.creationTime = t.created;
    }
    e.compressedSize = static_cast<uint32_t>(info.compressed_size);
    e.uncompressedSize = static_cast<uint32_t>(info.uncompressed_size);
    e.method = static_cast<uint16_t>(info.compression_method);
    e.flags = static_cast<uint16_t>(info.flag);
    return kOk;
}

bool ArchiveReader::CreateBelowBase(const std::string& folder) const {
    if (baseFolder_.empty()) return false;
    for (const std::string& level : FolderLevels(text::SystemLeadBytes(), baseFolder_ + folder))
        if (GetFileAttributesA(level.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryA(level.c_str(), nullptr);
    return true;
}

uint32_t ArchiveReader::OpenData(int32_t index) {
    CloseOpenEntry();
    if (uint32_t rc = Check(index)) return rc;
    if (index < 0) return kNoSuchEntry;
    if (!MoveTo(index)) return kBadLocalHeader;
    if (unzOpenCurrentFile(Zip(file_)) != UNZ_OK) return kReadWriteFailed;
    entryOpen_ = true;
    return kOk;
}

int ArchiveReader::ReadData(void* buffer, unsigned size, bool* complete) {
    *complete = false;
    if (!entryOpen_) return -1;
    unzFile f = Zip(file_);
    const int n = unzReadCurrentFile(f, buffer, size);
    if (n < 0) return -1;
    // The CRC is known once the last byte is out: checked here, before the
    // writer gives the file the entry's times.
    if (n == 0 || unzeof(f) == 1) {
        const int closed = unzCloseCurrentFile(f);
        entryOpen_ = false;
        if (closed == UNZ_CRCERROR) return -1;
        *complete = true;
    }
    return n;
}

namespace {

// The reader's own data in its 16 KiB buffer, opened when first asked.
class ReaderData final : public EntryData {
public:
    ReaderData(ArchiveReader& reader, int32_t index, uint8_t* buffer) : reader_(reader), index_(index), buffer_(buffer) {}

    int Next(const uint8_t** data) override {
        if (complete_) return 0;
        if (!opened_) {
            opened_ = true;
            if (reader_.OpenData(index_) != kOk) return -1;
        }
        *data = buffer_;
        return reader_.ReadData(buffer_, kPieceSize, &complete_);
    }

private:
    ArchiveReader& reader_;
    int32_t index_;
    uint8_t* buffer_;
    bool opened_ = false;
    bool complete_ = false;
};

}  // namespace

uint32_t ArchiveReader::ExtractEntry(int32_t index, const char* target, uint32_t finalAttributes) {
    CloseOpenEntry();
    if (uint32_t rc = Check(index)) return rc;
    if (index < 0) return kNoSuchEntry;
    ZipEntry e;
    if (uint32_t rc = GetEntry(index, e)) return rc;
    if (!MoveTo(index)) return kBadLocalHeader;
    ReaderData data(*this, index, buffer_.get());
    return WriteEntry(e, target, finalAttributes, data);
}

uint32_t ArchiveReader::WriteEntry(const ZipEntry& e, const char* target, uint32_t finalAttributes,
                                   EntryData& data) const {
    const std::string_view t = text::View(target);
    const text::LeadBytes& lead = text::SystemLeadBytes();

    if (e.attributes & attr::Directory) {
        if (!IsRelativeFolder(lead, t)) CreateFolderLevels(t);
        else if (!CreateBelowBase(std::string(t))) return kCannotCreateTarget;
        return kOk;
    }
    // Relative targets get their folders below the base folder; an absolute
    // target relies on the folders that already exist.
    const FolderPart folder = FolderOfTarget(lead, t);
    if (folder.found && IsRelativeFolder(lead, folder.folder) && !CreateBelowBase(std::string(folder.folder)))
        return kCannotCreateTarget;

    // Only stored and deflated data can be written; anything else (bzip2,
    // encrypted) would come out as raw bytes.
    if ((e.method != 0 && e.method != Z_DEFLATED) || (e.flags & 1)) return kReadWriteFailed;

    FileHandle file(
        CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, e.attributes & ~attr::Directory, nullptr));
    if (!file) return kCannotCreateTarget;

    bool error = false;
    uint64_t written = 0;
    for (;;) {
        const uint8_t* piece = nullptr;
        const int n = data.Next(&piece);
        if (n < 0) {
            error = true;
            break;
        }
        if (n == 0) break;
        DWORD done = 0;
        if (!WriteFile(file.get(), piece, static_cast<DWORD>(n), &done, nullptr) || done != static_cast<DWORD>(n)) {
            error = true;
            break;
        }
        written += done;
    }
    // A deflate stream that ends early leaves minizip's CRC unchecked.
    if (written != e.uncompressedSize) error = true;
    // A file whose data failed (its CRC included) keeps the time it was
    // written at, not the entry's.
    if (!error && GetFileType(file.get()) == FILE_TYPE_DISK) {
        // One call for the three times (0 leaves one unchanged) and the
        // final attributes; a file left read-only or with the wrong times
        // is a failed entry.
        FILE_BASIC_INFO basic{};
        basic.CreationTime.QuadPart = static_cast<LONGLONG>(e.creationTime);
        basic.LastAccessTime.QuadPart = static_cast<LONGLONG>(e.accessTime);
        basic.LastWriteTime.QuadPart = static_cast<LONGLONG>(e.modificationTime);
        basic.FileAttributes = finalAttributes;
        if (!SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof basic)) error = true;
    }
    return error ? kReadWriteFailed : kOk;
}

}  // namespace vx::zip
