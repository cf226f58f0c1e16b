// The installer's procedures and its process-wide state.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "installer/calls.h"

namespace vx::installer {

// Plain 32-bit flags shared by the window thread and the install worker. No
// lock: each is written by one side only; atomics keep the compiler honest.
extern std::atomic<int32_t> gAgreementAccepted;
extern std::atomic<int32_t> gSilentMode;
extern std::atomic<int32_t> gInstallFinished;
extern char* gAgreementText;  // freed by the exit routine

// Exit codes beyond 0: the installation could not be completed.
enum ExitCode : int32_t {
    kExitSuccess = 0,
    kExitFolderNotCreated = 2,
    kExitExtractionFailed = 3,  // also: not begun, the earlier installation untouched
};

// Declared DLL functions of the program descriptor, by number.
enum DllCommandNumber : int32_t {
    kDllPostMessage = 0,
    kDllBrowseForFolder = 1,
    kDllPathFromIdList = 2,
    kDllGetWindowThreadProcessId = 3,
    kDllOpenProcess = 4,
    kDllWaitForSingleObject = 5,
    kDllCloseHandle = 6,
    kDllCreateFile = 7,
    kDllReadFile = 8,
    kDllGetDiskFreeSpaceEx = 9,
    kDllRegDeleteKeyEx = 10,
};

// An earlier installation as the registry knows it: RunPath in the native
// view, else in the 32-bit view (where a 32-bit installer put it).
struct Registration {
    std::string folder;  // empty: none
    bool in32BitView = false;
};
Registration FindRegistration();

// Start-up.
void OnStartWindowCreated();
void FreeGlobals();

// The install procedure (on its worker thread).
unsigned long __stdcall InstallThreadEntry(void* parameter);
void InstallFiles();
bool CreateFolderPath(const char* path);
// The same, noting each level it made, outermost first.
bool CreateFolderPath(const char* path, std::vector<std::string>* made);
// Set by the worker as its last action, after gInstallFinished.
void WaitForInstallWorker();
void ResetInstallWorkerSignal();

// Shortcuts and launch.
bool CreateShortcutFile(std::string& linkPath, const std::string& target, const char* description,
                        const char* arguments, const char* workingFolder, const char* iconFile, const char* hotKey,
                        const int32_t* windowStyle);
void RunShortcutStep(const std::string& registeredFolder);

// Window events.
void OnInstallClicked();
void OnAgreementTicked();
void OnAgreementLinkPressed();
void OnAgreementWindowCreated();
void OnAgreeClicked();
void OnEndInstallClicked();
void OnChangePathPressed();
void OnWebLinkPressed();
void OnMinimiseClicked();
void OnCloseClicked();
void OnExtractProgress(int32_t percentage);

// Constants of the program.
extern const char kAgreementTextConstant[];
extern const char kMakerWebAddress[];
extern const char kProductRunPath[];    // registry path of RunPath
extern const char kProductRunPath32[];  // the same in the 32-bit view
extern const char kProductKey[];        // registry path prefix with trailing "\"
constexpr int32_t kLocalMachine = 4;

}  // namespace vx::installer

// Byte-set constants: {1, n, bytes}.
extern "C" const unsigned char vxTickedPicture[];
extern "C" const unsigned char vxUntickedPicture[];
