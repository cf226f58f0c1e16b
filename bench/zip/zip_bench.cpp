// Extract against the bare minizip loop (inflate and write every entry, no
// attributes, times, checks or reports): zip_bench.exe ARCHIVE SCRATCH ROUNDS.
// Prints the best time of each and a machine-readable line for run.sh.
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
