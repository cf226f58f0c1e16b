#include "runtime/zip/extraction.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "runtime/win32/handle_owner.h"
#include "runtime/base/memory.h"
#include "runtime/zip/archive_reader.h"
#include "runtime/zip/buffered_io.h"
#include "runtime/zip/folders.h"
#include "runtime/zip/inflate_ahead.h"
#include "runtime/zip/zip_rules.h"
#include "runtime/zip/zip_unit.h"

namespace vx::zip {
namespace {

std::atomic<EventRaiser> gRaiser{nullptr};

// One value for the whole process, replaced before every progress report.
std::mutex gNameMutex;
std::string gCurrentName;

void SetCurrentFileName(const std::string& name) {
    std::lock_guard<std::mutex> lock(gNameMutex);
    gCurrentName = name;
}

class ExtractionJob {
public:
    explicit ExtractionJob(const UnitRef* owner) : hasOwner_(owner != nullptr) {
        if (owner) owner_ = *owner;
    }

    bool stop = false;
    std::string currentName;
    uint32_t total = 0;
    uint32_t current = 0;

    void ReportProgress() {
        if (!hasOwner_) return;
        int32_t percentage = ProgressPercentage(current, total);
        SetCurrentFileName(currentName);
        if (!OwnerWindowExists()) return;
        EventRaiser raise = gRaiser.load();
        if (!raise) return;
        int32_t result = 0;
        bool hasResult = false;
        const bool ran = raise(owner_.windowId, owner_.unitId, kProgressEvent, &percentage, 1, &result, &hasResult);
        if (ran && hasResult && result == 0 && OwnerWindowExists()) stop = true;
    }

private:
    bool OwnerWindowExists() const { return ZipUnitExists(owner_.windowId, owner_.unitId); }

    bool hasOwner_;
    UnitRef owner_;
};

// Some tools store folder entries without the folder attribute; a file
// cannot be written under a name ending in a separator.
bool IsFolderEntry(const text::LeadBytes& lead, const ZipEntry& entry) {
    return (entry.attributes & attr::Directory) || NamesFolder(lead, entry.name);
}

bool HasZipHeader(const char* archive) {
    FileHandle file(OpenArchiveFile(archive));
    if (!file) return false;
    uint8_t header[kHeaderCheckSize];
    DWORD got = 0;
    return ReadFile(file.get(), header, sizeof header, &got, nullptr) && IsZipHeader(header, got);
}

bool ClearProtection(const char* path) {
    const DWORD a = GetFileAttributesA(path);
    if (a == INVALID_FILE_ATTRIBUTES ||
        !(a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
        return false;
    return SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) != FALSE;
}

std::string FullPath(const std::string& path) {
    char buffer[2 * MAX_PATH];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (n == 0 || n >= sizeof buffer) return {};
    return std::string(buffer, n);
}

// The resolved target must lie below the resolved destination (prefix: its
// full path with a separator): the last guard against names that the name
// rules did not foresee.
bool LiesBelow(const std::string& prefix, const std::string& target) {
    const std::string full = FullPath(target);
    return !prefix.empty() && full.size() > prefix.size() && full.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

void SetEventRaiser(EventRaiser raiser) { gRaiser.store(raiser); }

std::string CurrentFileName() {
    std::lock_guard<std::mutex> lock(gNameMutex);
    return gCurrentName;
}

int32_t Extract(const char* archive, const char* destination, const UnitRef* owner) {
    // An empty destination would put every entry at the root of the drive.
    if (!archive || !*archive || !destination || !*destination) return -1;
    const bool ownerAlive = owner && ZipUnitExists(owner->windowId, owner->unitId);
    ExtractionJob job(ownerAlive ? owner : nullptr);
    ArchiveReader reader;
    // Declared after the reader: it reads through it until it is gone.
    std::unique_ptr<InflateAhead> ahead;
    auto end = [&](int32_t result, bool report) {
        ahead.reset();
        if (report) {
            job.current = job.total;
            job.ReportProgress();
        }
        reader.Close();
        return result;
    };
    auto fail = [&](int32_t result) { return end(result, true); };

    if (!PathExists(archive)) return fail(-1);
    if (!PathExists(destination) && !CreateFolderLevels(destination)) return fail(0);
    if (!HasZipHeader(archive)) return fail(0);
    if (reader.Open(archive) != kOk) return fail(0);

    const text::LeadBytes& lead = text::SystemLeadBytes();
    const std::string fullDestination = FullPath(destination);
    const std::string below = fullDestination.empty() ? std::string() : TargetPath(lead, fullDestination, "");

    // Every record up to the first that cannot be read; from here on the
    // inflating thread alone reads the archive.
    std::vector<ZipEntry> entries;
    for (ZipEntry entry; entries.size() < size_t(reader.EntryCount()) &&
                         reader.GetEntry(static_cast<int32_t>(entries.size()), entry) == kOk;)
        entries.push_back(entry);
    job.total = static_cast<uint32_t>(entries.size());
    // A damaged entry is not the end of the archive: what follows it would
    // silently be missing.
    const bool damaged = entries.size() < size_t(reader.EntryCount());
    std::vector<bool> files(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) files[i] = !IsFolderEntry(lead, entries[i]);
    ahead = std::make_unique<InflateAhead>(reader, files);

    for (int32_t i = 0;; ++i) {
        if (size_t(i) == entries.size()) return end(damaged ? 0 : 1, true);
        const ZipEntry& entry = entries[size_t(i)];
        if (!entry.nameComplete || !IsSafeEntryName(lead, entry.name)) return fail(0);
        const std::string target = TargetPath(lead, destination, entry.name);
        if (!LiesBelow(below, target)) return fail(0);

        if (!files[size_t(i)]) {
            if (!PathExists(target.c_str()) && !CreateFolderLevels(target)) return fail(0);
        } else {
            // Written files end up normal whatever the entry said. A read-only
            // (or hidden, system) file of an earlier installation refuses to
            // be replaced until it is made normal; looking first would cost
            // every other file a directory search.
            EntryData& data = ahead->Data(i);
            uint32_t written = reader.WriteEntry(entry, target.c_str(), FILE_ATTRIBUTE_NORMAL, data);
            if (written == kCannotCreateTarget && ClearProtection(target.c_str()))
                written = reader.WriteEntry(entry, target.c_str(), FILE_ATTRIBUTE_NORMAL, data);
            if (written != kOk) return fail(0);
        }
        job.current = static_cast<uint32_t>(i);
        job.currentName = target;
        job.ReportProgress();
        if (job.stop) return end(1, false);
    }
}

void ExtractCommand(ValueRecord* result, int32_t argc, ValueRecord* args) {
    auto textArg = [&](int32_t i) -> const char* {
        return i < argc && args[i].type == type::Text ? args[i].Text() : nullptr;
    };
    UnitRef unit;
    const bool given = argc > 0 && args[0].Given();
    if (given) unit = {args[0].low, args[0].high};
    result->SetInt(Extract(textArg(1), textArg(2), given ? &unit : nullptr));
}

void CurrentFileNameCommand(ValueRecord* result, int32_t, ValueRecord*) {
    result->SetAddress(NewText(CurrentFileName()));
}

}  // namespace vx::zip
