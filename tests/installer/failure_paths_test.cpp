// Installations that cannot be completed end with a non-zero exit code and
// leave nothing registered, linked or started: an install folder that cannot
// be made, a damaged payload, and an archive in the temporary folder that
// someone else holds or tries to swap.
#include <gtest/gtest.h>
#include <objbase.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/installer/installer_test.h"
#include "tests/support/win32_harness.h"

namespace {

using namespace vx::test;
using namespace vx::test::installer;

constexpr DWORD kExitFolderNotCreated = 2;
constexpr DWORD kExitExtractionFailed = 3;

// What a failed run must not leave: no product key, no shortcut, no product
// running.
void ExpectNothingRegisteredOrLinked() {
    EXPECT_FALSE(ProductKeyExists());
    ShortcutPaths links = Shortcuts();
    EXPECT_FALSE(Exists(links.program));
    EXPECT_FALSE(Exists(links.uninstall));
    EXPECT_FALSE(Exists(links.desktop));
    EXPECT_FALSE(Exists(links.menuFolder));
    Sleep(1000);
    EXPECT_TRUE(WindowsTitled(kProductTitle).empty());
    EXPECT_FALSE(ProductProcessRunning());
}

// A drive letter that names no drive.
std::string MissingDrive() {
    for (char letter = 'Q'; letter <= 'Y'; ++letter) {
        std::string root = std::string(1, letter) + ":\\";
        if (GetDriveTypeA(root.c_str()) == DRIVE_NO_ROOT_DIR) return root.substr(0, 2);
    }
    return "";
}

uint32_t Read32(const std::string& b, size_t at) {
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
uint16_t Read16(const std::string& b, size_t at) {
    uint16_t v;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}
void Write32(std::string& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

uint32_t Crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The payload archive inside an installer exe: the byte set {1, n, bytes}
// whose archive starts with the local header of Kandor.exe.
struct ZipEntryAt {
    size_t localHeader = 0;  // in the exe
    size_t data = 0;         // compressed data, in the exe
    uint32_t compressed = 0;
    size_t centralHeader = 0;  // in the exe
};
struct EmbeddedPayload {
    size_t offset = 0;  // of the archive's first byte in the exe
    size_t size = 0;
    bool found = false;

    // An entry by name, through the central directory.
    std::optional<ZipEntryAt> Entry(const std::string& exe, const std::string& name) const {
        if (size < 22 || Read32(exe, offset + size - 22) != 0x06054b50) return std::nullopt;
        size_t eocd = offset + size - 22;
        size_t at = offset + Read32(exe, eocd + 16);
        for (uint16_t i = 0, n = Read16(exe, eocd + 10); i < n; ++i) {
            if (at + 46 > exe.size() || Read32(exe, at) != 0x02014b50) return std::nullopt;
            uint16_t nameLength = Read16(exe, at + 28);
            size_t next = at + 46 + nameLength + Read16(exe, at + 30) + Read16(exe, at + 32);
            if (exe.compare(at + 46, nameLength, name) == 0) {
                ZipEntryAt e;
                e.centralHeader = at;
                e.compressed = Read32(exe, at + 20);
                e.localHeader = offset + Read32(exe, at + 42);
                if (Read32(exe, e.localHeader) != 0x04034b50) return std::nullopt;
                e.data = e.localHeader + 30 + Read16(exe, e.localHeader + 26) + Read16(exe, e.localHeader + 28);
                return e;
            }
            at = next;
        }
        return std::nullopt;
    }
};

EmbeddedPayload FindPayload(const std::string& exe) {
    EmbeddedPayload p;
    static const std::string kFirst = std::string("PK\x03\x04", 4);
    for (size_t at = exe.find(kFirst); at != std::string::npos; at = exe.find(kFirst, at + 1)) {
        if (at < 8 || at + 30 + 10 > exe.size() || Read16(exe, at + 26) != 10 ||
            exe.compare(at + 30, 10, "Kandor.exe") != 0)
            continue;
        uint32_t one = Read32(exe, at - 8), length = Read32(exe, at - 4);
        if (one != 1 || length > exe.size() - at) continue;
        EXPECT_FALSE(p.found) << "two payloads in the exe";
        p = {at, length, true};
    }
    return p;
}

// Garbage in the middle of the first (and largest) entry's deflate stream.
bool DamageFirstEntryData(std::string& exe) {
    EmbeddedPayload payload = FindPayload(exe);
    auto e = payload.Entry(exe, "Kandor.exe");
    if (!e || e->compressed < 4096) return false;
    for (size_t i = 0; i < 256; ++i) exe[e->data + e->compressed / 2 + i] ^= 0x5A;
    return true;
}

// Intact data under a wrong checksum, on the last entry: everything before it
// is extracted first.
bool DamageLastEntryChecksum(std::string& exe) {
    EmbeddedPayload payload = FindPayload(exe);
    auto e = payload.Entry(exe, "Collection/8.png");
    if (!e) return false;
    Write32(exe, e->localHeader + 14, Read32(exe, e->localHeader + 14) ^ 0x00FF00FFu);
    Write32(exe, e->centralHeader + 16, Read32(exe, e->centralHeader + 16) ^ 0x00FF00FFu);
    return true;
}

// The payload archive of the installer under test.
std::string OwnArchive() {
    const std::string exe = ReadFileBytes(InstallerPath());
    const EmbeddedPayload payload = FindPayload(exe);
    EXPECT_TRUE(payload.found);
    return payload.found ? exe.substr(payload.offset, payload.size) : std::string();
}

// A small, valid archive of one stored file "planted.txt": what someone else
// would put in place of the installer's.
std::string PlantedArchive() {
    const std::string name = "planted.txt", content = "planted by another process";
    const uint32_t crc = Crc32(content), size = static_cast<uint32_t>(content.size());
    auto u16 = [](std::string& s, uint16_t v) { s.append(reinterpret_cast<const char*>(&v), 2); };
    auto u32 = [](std::string& s, uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); };
    std::string zip;
    u32(zip, 0x04034b50);
    for (uint16_t v : {10, 0, 0, 0, 0x21}) u16(zip, v);  // version, flags, stored, time, date
    u32(zip, crc);
    u32(zip, size);
    u32(zip, size);
    u16(zip, static_cast<uint16_t>(name.size()));
    u16(zip, 0);
    zip += name + content;
    const uint32_t central = static_cast<uint32_t>(zip.size());
    u32(zip, 0x02014b50);
    for (uint16_t v : {20, 10, 0, 0, 0, 0x21}) u16(zip, v);
    u32(zip, crc);
    u32(zip, size);
    u32(zip, size);
    for (uint16_t v : {static_cast<uint16_t>(name.size()), uint16_t{0}, uint16_t{0}, uint16_t{0}, uint16_t{0}})
        u16(zip, v);
    u32(zip, 0);  // external attributes
    u32(zip, 0);  // local header offset
    zip += name;
    const uint32_t centralSize = static_cast<uint32_t>(zip.size()) - central;
    u32(zip, 0x06054b50);
    for (uint16_t v : {0, 0, 1, 1}) u16(zip, v);
    u32(zip, centralSize);
    u32(zip, central);
    u16(zip, 0);
    return zip;
}

// The threads of another process, stopped until Resume.
class SuspendedProcess {
public:
    explicit SuspendedProcess(DWORD processId) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return;
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
            if (entry.th32OwnerProcessID != processId) continue;
            if (HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID)) {
                if (SuspendThread(thread) != static_cast<DWORD>(-1)) threads_.push_back(thread);
                else CloseHandle(thread);
            }
        }
        CloseHandle(snapshot);
    }
    ~SuspendedProcess() { Resume(); }
    SuspendedProcess(const SuspendedProcess&) = delete;
    SuspendedProcess& operator=(const SuspendedProcess&) = delete;

    bool Suspended() const { return !threads_.empty(); }
    void Resume() {
        for (HANDLE thread : threads_) {
            ResumeThread(thread);
            CloseHandle(thread);
        }
        threads_.clear();
    }

private:
    std::vector<HANDLE> threads_;
};

// The install button ("图形按钮4" at 467,352, 80 x 32).
HWND InstallButton(HWND window) { return ChildAt(window, 467, 352, 80, 32); }

class FailurePaths : public InstallerTest {};

TEST_F(FailurePaths, InstallFolderThatCannotBeMadeEndsWithCodeTwoAndRegistersNothing) {
    TempDir scratch;
    const std::string blocker = scratch / "blocker";
    ASSERT_TRUE(WriteFileBytes(blocker, "a file where a folder would have to be"));
    const std::string drive = MissingDrive();
    ASSERT_FALSE(drive.empty());

    // Below an existing file, and on a drive that does not exist.
    for (const std::string& base : {blocker, drive + "\\Tools"}) {
        SCOPED_TRACE(base);
        ASSERT_EQ(RunInstaller("-1 \"" + base + "\""), std::optional<DWORD>(kExitFolderNotCreated));
        ExpectNothingRegisteredOrLinked();
        EXPECT_FALSE(Exists(base + "\\Vexilo"));
    }
    EXPECT_EQ(ReadFileBytes(blocker), "a file where a folder would have to be");
    EXPECT_EQ(Listing(scratch.path()), std::vector<std::string>{"blocker"});

    // A registered folder that cannot be made again: the key keeps only what
    // it had, nothing is added to it.
    const std::string registered = drive + "\\Registered\\Vexilo";
    WriteProductValue("RunPath", registered);
    ASSERT_EQ(RunInstaller("-1 \"" + scratch.path() + "\""), std::optional<DWORD>(kExitFolderNotCreated));
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(registered));
    for (const char* value : {"UninstallString", "DisplayIcon", "DisplayName", "DisplayVersion", "Publisher"})
        EXPECT_EQ(ProductValue(value), std::nullopt) << value;
    EXPECT_FALSE(Exists(Shortcuts().program));
    EXPECT_FALSE(Exists(Shortcuts().desktop));
    EXPECT_FALSE(Exists(scratch / "Vexilo"));
}

// A fresh install that fails takes away what it added: the files it wrote,
// the folders it made, never what was there before it.
TEST_F(FailurePaths, FailedFreshInstallLeavesTheMachineAsItWas) {
    {
        // One of the payload's files cannot be written: a folder of the
        // user's stands in its place, in a Vexilo folder that was there.
        SCOPED_TRACE("a file that cannot be written");
        TempDir scratch;
        const std::string folder = scratch / "Vexilo";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((folder + "\\Uninstall.exe").c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(folder + "\\Uninstall.exe\\mine.txt", "the user's"));
        ASSERT_TRUE(WriteFileBytes(folder + "\\notes.txt", "notes"));
        EXPECT_EQ(RunInstaller("-1 \"" + scratch.path() + "\""), std::optional<DWORD>(kExitExtractionFailed));
        EXPECT_EQ(Listing(folder), (std::vector<std::string>{"Uninstall.exe", "notes.txt"}));
        EXPECT_EQ(Listing(folder + "\\Uninstall.exe"), std::vector<std::string>{"mine.txt"});
        EXPECT_EQ(ReadFileBytes(folder + "\\notes.txt"), "notes");
        ExpectNothingRegisteredOrLinked();
    }
    {
        SCOPED_TRACE("a drive too small for the payload");
        ResetMachine();
        MappedDrive small('E', 256 * 1024);
        if (!small.Ready()) GTEST_SKIP() << "a small tmpfs could not be mounted as E: (tests must run as root)";
        EXPECT_EQ(RunInstaller("-1 \"E:\\Tools\\Vexilo Setup\""), std::optional<DWORD>(kExitExtractionFailed));
        EXPECT_TRUE(small.Listing().empty()) << "left on the drive: " << small.Listing().front();
        ExpectNothingRegisteredOrLinked();
    }
}

TEST_F(FailurePaths, DamagedPayloadEndsWithCodeThreeAndRegistersNothing) {
    const std::string original = ReadFileBytes(InstallerPath());
    ASSERT_TRUE(FindPayload(original).found) << "no payload archive found in the installer";
    struct Damage {
        const char* what;
        bool (*apply)(std::string&);
    };
    for (const Damage& damage : {Damage{"Kandor.exe's compressed data", DamageFirstEntryData},
                                 Damage{"the checksum of the last entry", DamageLastEntryChecksum}}) {
        SCOPED_TRACE(damage.what);
        TempDir scratch;
        std::string exe = original;
        ASSERT_TRUE(damage.apply(exe));
        const std::string copy = scratch / "VexiloSetup.exe";
        ASSERT_TRUE(WriteFileBytes(copy, exe));
        ASSERT_TRUE(CreateDirectoryA((scratch / "base").c_str(), nullptr));

        Process installer("\"" + copy + "\" -1 \"" + scratch / "base" + "\"");
        ASSERT_TRUE(installer.started());
        EXPECT_EQ(installer.Wait(120000), std::optional<DWORD>(kExitExtractionFailed));
        ExpectNothingRegisteredOrLinked();
        ResetMachine();
    }
}

// Started without arguments and installed with the install button (pressed
// through its mouse messages): the failure is shown, and after OK the
// installer ends with the same codes as silently.
TEST_F(FailurePaths, InteractiveFailuresAreShownBeforeTheInstallerEnds) {
    const std::string drive = MissingDrive();
    ASSERT_FALSE(drive.empty());
    TempDir scratch;
    std::string damaged = ReadFileBytes(InstallerPath());
    ASSERT_TRUE(DamageFirstEntryData(damaged));
    const std::string damagedCopy = scratch / "VexiloSetup.exe";
    ASSERT_TRUE(WriteFileBytes(damagedCopy, damaged));

    struct Case {
        const char* what;
        std::string exe;
        std::string registered;  // RunPath before the start, or ""
        const char* message;
        DWORD code;
        const char* screenshot;
    };
    const Case cases[] = {
        {"registered folder on a missing drive", InstallerPath(), drive + "\\Registered\\Vexilo",
         "目录创建失败，安装终止", kExitFolderNotCreated, "failure_folder.bmp"},
        {"damaged payload", damagedCopy, "", "安装文件解压失败，安装终止", kExitExtractionFailed,
         "failure_extraction.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetMachine();
        if (!c.registered.empty()) WriteProductValue("RunPath", c.registered);
        Process installer("\"" + c.exe + "\"");
        ASSERT_TRUE(installer.started());
        HWND window = WaitForInstallerWindow(installer.id(), 30000);
        ASSERT_NE(window, nullptr);
        HWND button = InstallButton(window);
        ASSERT_NE(button, nullptr);
        PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 16));
        PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(20, 16));

        HWND box = WaitForMessageBoxOf(installer.id(), 60000);
        ASSERT_NE(box, nullptr) << "no message box";
        Sleep(200);  // let the box lay out its text before it is read and shot
        EXPECT_EQ(MessageBoxText(box), c.message);
        EXPECT_NE(SaveScreen(c.screenshot), "");
        EXPECT_TRUE(installer.Running()) << "ended before the message was answered";
        PressButton(box, IDOK);
        EXPECT_EQ(installer.Wait(30000), std::optional<DWORD>(c.code));

        // Nothing added to the key (at most the RunPath put there), no
        // shortcut, no product.
        EXPECT_EQ(ProductValue("RunPath"),
                  c.registered.empty() ? std::nullopt : std::optional<std::string>(c.registered));
        for (const char* value : {"UninstallString", "DisplayIcon", "DisplayName", "DisplayVersion", "Publisher"})
            EXPECT_EQ(ProductValue(value), std::nullopt) << value;
        ShortcutPaths links = Shortcuts();
        EXPECT_FALSE(Exists(links.program));
        EXPECT_FALSE(Exists(links.uninstall));
        EXPECT_FALSE(Exists(links.desktop));
        Sleep(1000);
        EXPECT_FALSE(ProductProcessRunning());
    }
}

// Another process holds %TEMP%\qvzip.zip (read access, sharing reads only):
// the installer cannot write its archive there and must not extract what it
// finds instead.
TEST_F(FailurePaths, ArchiveHeldOpenByAnotherProcessIsNotExtracted) {
    const std::string archive = TempArchivePath();
    const std::string planted = PlantedArchive();
    TempDir scratch;
    const std::string folder = scratch / "Vexilo";

    {
        ASSERT_TRUE(WriteFileBytes(archive, planted));
        HANDLE held = CreateFileA(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        std::optional<DWORD> heldCode = RunInstaller("-1 \"" + scratch.path() + "\"");
        CloseHandle(held);
        EXPECT_EQ(heldCode, std::optional<DWORD>(kExitExtractionFailed));
        EXPECT_TRUE(ReadFileBytes(archive) == planted);
        EXPECT_FALSE(Exists(folder + "\\planted.txt"));
        EXPECT_TRUE(Listing(folder).empty());
        ExpectNothingRegisteredOrLinked();
    }

    // A read-only file in its place: Windows refuses to rewrite it, wine
    // does not. Either way only the installer's own archive is extracted.
    ResetMachine();
    RemoveTree(folder);
    ASSERT_TRUE(WriteFileBytes(archive, planted));
    ASSERT_TRUE(SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_READONLY));
    std::optional<DWORD> code = RunInstaller("-1 \"" + scratch.path() + "\"");
    SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(Exists(folder + "\\planted.txt"));
    if (code == std::optional<DWORD>(0)) {
        EXPECT_TRUE(ReadFileBytes(folder + "\\Kandor.exe") == ReadFileBytes(ExeDirectory() + "Kandor.exe"));
        EXPECT_TRUE(ReadFileBytes(archive) == OwnArchive());
        EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(folder));
    } else {
        EXPECT_EQ(code, std::optional<DWORD>(kExitExtractionFailed));
        EXPECT_TRUE(ReadFileBytes(archive) == planted);
        ExpectNothingRegisteredOrLinked();
    }

    // Once it is free again, the installer writes and extracts its own.
    ResetMachine();
    RemoveTree(folder);
    ASSERT_TRUE(WriteFileBytes(archive, planted));
    ASSERT_EQ(RunInstaller("-1 \"" + scratch.path() + "\""), std::optional<DWORD>(0));
    EXPECT_FALSE(Exists(folder + "\\planted.txt"));
    EXPECT_TRUE(ReadFileBytes(folder + "\\Kandor.exe") == ReadFileBytes(ExeDirectory() + "Kandor.exe"));
    EXPECT_TRUE(ReadFileBytes(archive) == OwnArchive());
}

// Another program of the user links %TEMP%\qvzip.zip to a file of its
// choosing (a hard link needs no privilege): an elevated installer that
// wrote through the link would overwrite that file. The link goes; the file
// it named keeps its bytes.
TEST_F(FailurePaths, ArchivePathLinkedToAnotherFileNeverRedirectsTheWrite) {
    const std::string archive = TempArchivePath();
    TempDir scratch;
    const std::string victim = scratch / "victim.dat";
    const std::string bytes = "not the installer's to write";
    ASSERT_TRUE(WriteFileBytes(victim, bytes));
    DeleteFileA(archive.c_str());
    ASSERT_TRUE(CreateHardLinkA(archive.c_str(), victim.c_str(), nullptr)) << GetLastError();

    ASSERT_EQ(RunInstaller("-1 \"" + scratch.path() + "\""), std::optional<DWORD>(0));
    EXPECT_TRUE(ReadFileBytes(victim) == bytes);
    EXPECT_TRUE(ReadFileBytes(archive) == OwnArchive());
    EXPECT_TRUE(ReadFileBytes(scratch / "Vexilo\\Kandor.exe") == ReadFileBytes(ExeDirectory() + "Kandor.exe"));
}

// Tries what another process could do to the installer's archive: delete
// it, open it for writing, rename it, replace it with `swap`. Returns what
// succeeded.
std::vector<std::string> TamperWith(const std::string& archive, const std::string& swap, const std::string& aside) {
    std::vector<std::string> done;
    if (DeleteFileA(archive.c_str())) done.push_back("deleted");
    HANDLE writer = CreateFileA(archive.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (writer != INVALID_HANDLE_VALUE) {
        done.push_back("opened for writing");
        CloseHandle(writer);
    }
    if (MoveFileA(archive.c_str(), aside.c_str())) done.push_back("renamed");
    if (MoveFileExA(swap.c_str(), archive.c_str(), MOVEFILE_REPLACE_EXISTING)) done.push_back("replaced");
    return done;
}

// Spins until `caught` holds or the process ends; the process is then held
// still. Busy: the moments looked for are short.
void CatchWhen(const Process& installer, const std::function<bool()>& caught) {
    for (DWORD start = GetTickCount(); !caught() && installer.Running() && GetTickCount() - start < 60000;) {}
}

// From the moment the archive has been written until its extraction has
// ended, no other process can delete, rewrite, rename or replace it. Caught
// in an upgrade between writing and extracting (the user's settings set
// aside, the old top-level files still being removed; many of them make
// that moment long) and again in the middle of the extraction.
TEST_F(FailurePaths, ArchiveCannotBeSwappedFromItsWritingToTheEndOfExtraction) {
    const std::string archive = TempArchivePath();
    const std::string own = OwnArchive();
    ASSERT_FALSE(own.empty());
    TempDir scratch;
    const std::string folder = scratch / "Vexilo";
    const std::string lastEntry = folder + "\\Collection\\8.png";
    const std::string swap = scratch / "swap.zip";
    const std::string aside = scratch / "moved.zip";
    constexpr int kOldFiles = 3000;
    auto oldFile = [&](int i) { return folder + "\\old" + std::to_string(i) + ".dat"; };

    int caughtBeforeExtraction = 0, caughtExtracting = 0;
    for (int round = 0; round < 10 && (caughtBeforeExtraction < 1 || caughtExtracting < 1); ++round) {
        SCOPED_TRACE(round);
        ResetMachine();
        RemoveTree(folder);
        ASSERT_TRUE(WriteFileBytes(swap, PlantedArchive()));
        // Both moments in turn until each has been caught once.
        const bool upgrade = caughtBeforeExtraction < 1 && (caughtExtracting >= 1 || round % 2 == 0);
        if (upgrade) {
            // An earlier installation with many top-level files of its own.
            ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
            ASSERT_TRUE(CopyFileA((ExeDirectory() + "Kandor.exe").c_str(), (folder + "\\Kandor.exe").c_str(), FALSE));
            ASSERT_TRUE(WriteFileBytes(folder + "\\boot.ini", "[配置]\r\n"));
            for (int i = 0; i < kOldFiles; ++i) ASSERT_TRUE(WriteFileBytes(oldFile(i), "old"));
            WriteProductValue("RunPath", folder);
        }
        Process installer("\"" + InstallerPath() + "\" -1 \"" + scratch.path() + "\"");
        ASSERT_TRUE(installer.started());
        // Upgrade: archive written and held, settings set aside, old files
        // not all removed yet, so extraction has not begun. Fresh: folder made
        // (after the archive), last entry not extracted yet.
        auto beforeExtraction = [&] {
            return Exists(folder + "\\boots.ini") && (Exists(oldFile(0)) || Exists(oldFile(kOldFiles - 1)));
        };
        auto extracting = [&] { return Exists(folder) && !Exists(lastEntry); };
        auto moment = [&] { return upgrade ? beforeExtraction() : extracting(); };
        CatchWhen(installer, moment);
        std::vector<std::string> tampered;
        bool conclusive = false;
        {
            SuspendedProcess held(installer.id());
            ASSERT_TRUE(held.Suspended());
            Sleep(300);  // suspension reaches a thread at its next chance
            if (moment() && installer.Running()) {
                tampered = TamperWith(archive, swap, aside);
                // Still the same moment: the attempts met what was meant.
                conclusive = moment() && installer.Running();
            }
        }
        if (conclusive) {
            ++(upgrade ? caughtBeforeExtraction : caughtExtracting);
            EXPECT_TRUE(tampered.empty()) << "the archive was " << ::testing::PrintToString(tampered)
                                          << (upgrade ? " before extraction" : " during extraction");
        }
        ASSERT_EQ(installer.Wait(120000), std::optional<DWORD>(0));
        EXPECT_FALSE(Exists(folder + "\\planted.txt"));
        EXPECT_TRUE(ReadFileBytes(folder + "\\Kandor.exe") == ReadFileBytes(ExeDirectory() + "Kandor.exe"));
        EXPECT_TRUE(Exists(lastEntry));
        EXPECT_FALSE(Exists(oldFile(0)));
        EXPECT_TRUE(ReadFileBytes(archive) == own);
        EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(folder));
    }
    std::printf("caught before extraction %d time(s), while extracting %d time(s)\n", caughtBeforeExtraction,
                caughtExtracting);
    EXPECT_GE(caughtBeforeExtraction, 1) << "the installer was never caught between writing and extracting";
    EXPECT_GE(caughtExtracting, 1) << "the installer was never caught while extracting";
}

}  // namespace
