// Extract against the bare minizip loop (inflate and write every entry, no
// attributes, times, checks or reports): zip_bench.exe ARCHIVE SCRATCH ROUNDS.
// Prints the best time of each and a machine-readable line for run.sh; with
// VX_ZIP_BREAKDOWN=1 also the parts of the work measured one by one.
#include <windows.h>

#include <minizip/unzip.h>
#include <minizip/iowin32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "runtime/zip/archive_reader.h"
#include "runtime/zip/buffered_io.h"
#include "runtime/zip/extraction.h"
#include "runtime/zip/zip_unit.h"

namespace {

constexpr uint32_t kWindowId = 0x52010001;
constexpr uint32_t kUnitId = 0x16010068;
int gEvents = 0;

bool CountingRaiser(uint32_t, uint32_t, int32_t, const int32_t*, int32_t, int32_t* result, bool* hasResult) {
    ++gEvents;
    *result = 1;
    *hasResult = true;
    return true;
}

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) * 1000.0 / double(f.QuadPart);
}

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(dir + name + "\\");
            else DeleteFileA((dir + name).c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

// The limit for this design: what any extraction over minizip must do. With
// buffered, it reads through the same buffer as Extract does.
bool BareLoop(const char* archive, const std::string& dest, bool buffered) {
    CreateDirectoryA(dest.c_str(), nullptr);
    zlib_filefunc_def io;
    if (buffered) vx::zip::FillBufferedWin32FileFunc(&io);
    else fill_win32_filefunc(&io);
    unzFile zf = unzOpen2(archive, &io);
    if (!zf) return false;
    std::vector<char> buffer(16384);
    bool ok = true;
    for (int rc = unzGoToFirstFile(zf); rc == UNZ_OK && ok; rc = unzGoToNextFile(zf)) {
        unz_file_info info;
        char name[260];
        if (unzGetCurrentFileInfo(zf, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
        std::string target = dest + name;
        std::replace(target.begin(), target.end(), '/', '\\');
        if (target.back() == '\\') {
            CreateDirectoryA(target.c_str(), nullptr);
            continue;
        }
        HANDLE h =
            CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE || unzOpenCurrentFile(zf) != UNZ_OK) ok = false;
        for (int n; ok && (n = unzReadCurrentFile(zf, buffer.data(), unsigned(buffer.size()))) != 0;) {
            DWORD done = 0;
            if (n < 0 || !WriteFile(h, buffer.data(), DWORD(n), &done, nullptr)) ok = false;
        }
        unzCloseCurrentFile(zf);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    unzClose(zf);
    return ok;
}

// What Extract spends before the first byte is written: opening the archive
// and reading every entry's record, local header and extra field.
double CountingPass(const char* archive) {
    const double t0 = Now();
    vx::zip::ArchiveReader reader;
    if (reader.Open(archive) != vx::zip::kOk) return -1;
    vx::zip::ZipEntry entry;
    for (int32_t i = 0; reader.GetEntry(i, entry) == vx::zip::kOk; ++i) {}
    return Now() - t0;
}


// Where the time of an extraction goes, each part measured alone: reading the
// packed data, inflating it, its CRC, and the file calls of the write side
// (from memory, so without any inflate).
struct PackedEntry {
    std::string name;
    int method = 0;
    uLong crc = 0;
    std::vector<unsigned char> packed;
    std::vector<unsigned char> data;
};

double Best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

bool LoadEntries(const char* archive, std::vector<PackedEntry>& out) {
    zlib_filefunc_def io;
    vx::zip::FillBufferedWin32FileFunc(&io);
    unzFile zf = unzOpen2(archive, &io);
    if (!zf) return false;
    for (int rc = unzGoToFirstFile(zf); rc == UNZ_OK; rc = unzGoToNextFile(zf)) {
        unz_file_info info;
        char name[260];
        if (unzGetCurrentFileInfo(zf, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
        if (name[0] && name[std::string(name).size() - 1] == '/') continue;
        PackedEntry e;
        e.name = name;
        std::replace(e.name.begin(), e.name.end(), '/', '_');
        e.crc = info.crc;
        e.packed.resize(info.compressed_size);
        e.data.resize(info.uncompressed_size);
        if (unzOpenCurrentFile2(zf, &e.method, nullptr, 1) != UNZ_OK) return false;
        if (!e.packed.empty() && unzReadCurrentFile(zf, e.packed.data(), unsigned(e.packed.size())) != int(e.packed.size()))
            return false;
        unzCloseCurrentFile(zf);
        if (unzOpenCurrentFile(zf) != UNZ_OK) return false;
        if (!e.data.empty() && unzReadCurrentFile(zf, e.data.data(), unsigned(e.data.size())) != int(e.data.size()))
            return false;
        if (unzCloseCurrentFile(zf) != UNZ_OK) return false;
        out.push_back(std::move(e));
    }
    unzClose(zf);
    return true;
}

// minizip's read of every entry into a piece buffer of the given size:
// reads, inflate and CRC, nothing written.
double MinizipInflate(const char* archive, size_t piece, bool raw) {
    const double t0 = Now();
    zlib_filefunc_def io;
    vx::zip::FillBufferedWin32FileFunc(&io);
    unzFile zf = unzOpen2(archive, &io);
    std::vector<char> buffer(piece);
    for (int rc = unzGoToFirstFile(zf); rc == UNZ_OK; rc = unzGoToNextFile(zf)) {
        if (unzOpenCurrentFile2(zf, nullptr, nullptr, raw ? 1 : 0) != UNZ_OK) return -1;
        while (unzReadCurrentFile(zf, buffer.data(), unsigned(buffer.size())) > 0) {}
        unzCloseCurrentFile(zf);
    }
    unzClose(zf);
    return Now() - t0;
}

// zlib alone over packed data held in memory.
double InflateOnly(std::vector<PackedEntry>& entries, std::vector<unsigned char>& out) {
    const double t0 = Now();
    for (PackedEntry& e : entries) {
        if (e.method == 0) {
            std::copy(e.packed.begin(), e.packed.end(), out.begin());
            continue;
        }
        z_stream z{};
        inflateInit2(&z, -MAX_WBITS);
        z.next_in = e.packed.data();
        z.avail_in = uInt(e.packed.size());
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        inflate(&z, Z_FINISH);
        inflateEnd(&z);
    }
    return Now() - t0;
}

double CrcOnly(const std::vector<PackedEntry>& entries, bool& same) {
    const double t0 = Now();
    same = true;
    for (const PackedEntry& e : entries)
        same = same && crc32(0, e.data.data(), uInt(e.data.size())) == e.crc;
    return Now() - t0;
}

struct WriteTimes {
    double create = 0, write = 0, times = 0, close = 0, total = 0;
};

// The write side from memory: create, write in pieces, times and attributes
// through the handle, close.
WriteTimes WriteOnly(const std::vector<PackedEntry>& entries, const std::string& dest, size_t piece) {
    WriteTimes t;
    CreateDirectoryA(dest.c_str(), nullptr);
    const double start = Now();
    for (const PackedEntry& e : entries) {
        double a = Now();
        HANDLE h = CreateFileA((dest + e.name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        double b = Now();
        t.create += b - a;
        for (size_t at = 0; at < e.data.size(); at += piece) {
            DWORD done = 0;
            WriteFile(h, e.data.data() + at, DWORD(std::min(piece, e.data.size() - at)), &done, nullptr);
        }
        a = Now();
        t.write += a - b;
        FILE_BASIC_INFO basic{};
        basic.LastWriteTime.QuadPart = 130943124000000000LL;
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic);
        b = Now();
        t.times += b - a;
        CloseHandle(h);
        t.close += Now() - b;
    }
    t.total = Now() - start;
    return t;
}

void Breakdown(const char* archive, const std::string& scratch, int rounds) {
    std::vector<PackedEntry> entries;
    if (!LoadEntries(archive, entries)) {
        std::printf("breakdown: the archive could not be loaded\n");
        return;
    }
    size_t largest = 0, unpacked = 0;
    for (const PackedEntry& e : entries) largest = std::max(largest, e.data.size()), unpacked += e.data.size();
    std::vector<unsigned char> out(largest);
    std::vector<double> raw, mz16, mz256, inflateOnly, crc;
    std::vector<WriteTimes> w16, w256;
    bool crcSame = true;
    for (int r = 0; r < rounds; ++r) {
        raw.push_back(MinizipInflate(archive, 16384, true));
        mz16.push_back(MinizipInflate(archive, 16384, false));
        mz256.push_back(MinizipInflate(archive, 262144, false));
        inflateOnly.push_back(InflateOnly(entries, out));
        crc.push_back(CrcOnly(entries, crcSame));
        const std::string d = scratch + "write\\";
        RemoveTree(d);
        w16.push_back(WriteOnly(entries, d, 16384));
        RemoveTree(d);
        w256.push_back(WriteOnly(entries, d, 262144));
        RemoveTree(d);
    }
    auto best = [](const std::vector<WriteTimes>& v) {
        return *std::min_element(v.begin(), v.end(), [](auto& a, auto& b) { return a.total < b.total; });
    };
    std::printf("breakdown (best of %d, %zu files, %zu bytes):\n", rounds, entries.size(), unpacked);
    std::printf("  reads alone (packed data, 16 KiB pieces)  %7.1f ms\n", Best(raw));
    std::printf("  minizip read, inflate, CRC, 16 KiB pieces  %7.1f ms\n", Best(mz16));
    std::printf("  minizip read, inflate, CRC, 256 KiB pieces %7.1f ms\n", Best(mz256));
    std::printf("  zlib inflate alone, from memory            %7.1f ms\n", Best(inflateOnly));
    std::printf("  CRC-32 alone                               %7.1f ms%s\n", Best(crc), crcSame ? "" : " (MISMATCH)");
    for (auto [label, v] : {std::pair{"16 KiB", &w16}, std::pair{"256 KiB", &w256}}) {
        const WriteTimes t = best(*v);
        std::printf("  write side, %-7s pieces %7.1f ms: create %.1f, write %.1f, times %.1f, close %.1f\n", label,
                    t.total, t.create, t.write, t.times, t.close);
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: zip_bench ARCHIVE SCRATCH [ROUNDS]\n");
        return 2;
    }
    const char* archive = argv[1];
    const std::string scratch = std::string(argv[2]) + "\\";
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    CreateDirectoryA(scratch.c_str(), nullptr);

    // A real unit as the owner, so the reports cost what they cost.
    HWND host = CreateWindowExA(0, "STATIC", "bench", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    vx::zip::UnitParams p;
    p.parent = host;
    p.windowId = kWindowId;
    p.unitId = kUnitId;
    p.width = p.height = 26;
    auto unit = vx::zip::ZipUnit::Create(p);
    vx::zip::SetEventRaiser(&CountingRaiser);
    const vx::zip::UnitRef owner{kWindowId, kUnitId};

    std::vector<double> extract, bare, bareBuffered, counting;
    for (int r = 0; r < rounds; ++r) {
        const std::string a = scratch + "extract\\", b = scratch + "bare\\";
        RemoveTree(a);
        RemoveTree(b);
        // Alternate which goes first so that neither always meets a warmer cache.
        int32_t result = 0;
        bool bareOk = false;
        for (int step = 0; step < 2; ++step) {
            const double t0 = Now();
            if ((step == 0) == (r % 2 == 0)) {
                result = vx::zip::Extract(archive, a.c_str(), unit ? &owner : nullptr);
                extract.push_back(Now() - t0);
            } else {
                bareOk = BareLoop(archive, b, false);
                bare.push_back(Now() - t0);
            }
        }
        RemoveTree(b);
        const double t0 = Now();
        bareOk = bareOk && BareLoop(archive, b, true);
        bareBuffered.push_back(Now() - t0);
        counting.push_back(CountingPass(archive));
        if (result != 1 || !bareOk) {
            std::fprintf(stderr, "extraction failed: Extract %d, bare loop %d\n", result, bareOk ? 1 : 0);
            return 1;
        }
    }
    const char* breakdown = std::getenv("VX_ZIP_BREAKDOWN");
    if (breakdown && *breakdown == '1') Breakdown(archive, scratch, rounds);
    RemoveTree(scratch + "extract\\");
    RemoveTree(scratch + "bare\\");
    RemoveDirectoryA(scratch.c_str());
    const double e = *std::min_element(extract.begin(), extract.end());
    const double b = *std::min_element(bare.begin(), bare.end());
    std::printf("Extract            %8.1f ms (best of %d, %d progress events per run)\n", e, rounds, gEvents / rounds);
    std::printf("  of which counting %8.1f ms (open, every record, local header and extra field)\n",
                *std::min_element(counting.begin(), counting.end()));
    std::printf("bare minizip loop  %8.1f ms (best of %d)\n", b, rounds);
    const double bb = *std::min_element(bareBuffered.begin(), bareBuffered.end());
    std::printf("bare loop, buffered %7.1f ms (best of %d; the same reads as Extract)\n", bb, rounds);
    std::printf("ratio Extract / bare loop: %.3f (target <= 1.15)\n", e / b);
    std::printf("ratio Extract / bare loop with buffered reads: %.3f\n", e / bb);
    std::printf("RESULT extract_ms=%.3f bare_ms=%.3f\n", e, b);
    unit.reset();
    DestroyWindow(host);
    return 0;
}
