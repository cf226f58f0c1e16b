// The command library: every command is a CommandFn called through
// CallCommand (core library) or CallLibraryCommand (support libraries) with
// value records. Ordinary failures come back as false, 0, -1 or the empty
// text; commands never raise run-time errors for bad paths or denied access.
#pragma once

#include "runtime/base/value.h"

namespace vx::commands {

// Texts (portable).
void TextLength(ValueRecord* result, int32_t argc, ValueRecord* args);
void LeftText(ValueRecord* result, int32_t argc, ValueRecord* args);
void RightText(ValueRecord* result, int32_t argc, ValueRecord* args);
void FindText(ValueRecord* result, int32_t argc, ValueRecord* args);
void ToLowerCase(ValueRecord* result, int32_t argc, ValueRecord* args);

// Conversions (portable).
void ToInteger(ValueRecord* result, int32_t argc, ValueRecord* args);
void ToText(ValueRecord* result, int32_t argc, ValueRecord* args);
void ToByteSet(ValueRecord* result, int32_t argc, ValueRecord* args);
void BlankByteSet(ValueRecord* result, int32_t argc, ValueRecord* args);

#ifdef _WIN32
// Processes, message boxes, events.
void RunProgram(ValueRecord* result, int32_t argc, ValueRecord* args);
// ShowMessageBox: argument 1 takes the system's MB_ flags (the box is
// task-modal unless they ask for system-modal); the result is the button
// pressed, counted from 0 (IDOK - 1 ...), or kAnswerNone.
enum MessageBoxAnswer : int32_t {
    kAnswerNone = -1,
    kAnswerOk = 0,
    kAnswerCancel = 1,
    kAnswerAbort = 2,
    kAnswerRetry = 3,
    kAnswerIgnore = 4,
    kAnswerYes = 5,
    kAnswerNo = 6,
};
void ShowMessageBox(ValueRecord* result, int32_t argc, ValueRecord* args);
void SoundBeep(ValueRecord* result, int32_t argc, ValueRecord* args);
void ProcessEvents(ValueRecord* result, int32_t argc, ValueRecord* args);
void ReadCommandLine(ValueRecord* result, int32_t argc, ValueRecord* args);

// Files and folders.
void DirectoryCreate(ValueRecord* result, int32_t argc, ValueRecord* args);
void FileCopy(ValueRecord* result, int32_t argc, ValueRecord* args);
void FileMove(ValueRecord* result, int32_t argc, ValueRecord* args);
void FileDelete(ValueRecord* result, int32_t argc, ValueRecord* args);
void FileExists(ValueRecord* result, int32_t argc, ValueRecord* args);
void FileWrite(ValueRecord* result, int32_t argc, ValueRecord* args);

// Registry.
void RegistryReadText(ValueRecord* result, int32_t argc, ValueRecord* args);
void RegistryWrite(ValueRecord* result, int32_t argc, ValueRecord* args);

// Settings files.
void IniRead(ValueRecord* result, int32_t argc, ValueRecord* args);
void IniWrite(ValueRecord* result, int32_t argc, ValueRecord* args);

// Windows of the window system (through its host requests).
void GetWindowHandle(ValueRecord* result, int32_t argc, ValueRecord* args);
void LoadWindow(ValueRecord* result, int32_t argc, ValueRecord* args);
void WindowClose(ValueRecord* result, int32_t argc, ValueRecord* args);
void WindowSetZOrder(ValueRecord* result, int32_t argc, ValueRecord* args);

// "system interface library".
// SpecialFolderPath's kinds (argument 0).
enum SpecialFolder : int32_t {
    kFolderDocuments = 1,
    kFolderFavorites = 2,
    kFolderDesktop = 3,
    kFolderFonts = 4,
    kFolderStartMenu = 5,
    kFolderPrograms = 6,
    kFolderStartup = 7,
    kFolderAppData = 8,
    kFolderWindows = 9,
    kFolderSystem = 10,
    kFolderTemporary = 11,
};
void SpecialFolderPath(ValueRecord* result, int32_t argc, ValueRecord* args);
// "application interface library".
void OpenWebAddress(ValueRecord* result, int32_t argc, ValueRecord* args);
void GetWindowTextByHandle(ValueRecord* result, int32_t argc, ValueRecord* args);
// "visual style library".
void SetXpStyle(ValueRecord* result, int32_t argc, ValueRecord* args);

// "multithreading library" and "special functions library": runtime/threads.
void ThreadStart(ValueRecord* result, int32_t argc, ValueRecord* args);
void Delay(ValueRecord* result, int32_t argc, ValueRecord* args);
#endif

}  // namespace vx::commands
