// Helpers for tests that drive real processes and real windows under wine.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vx::test {

// Folder of the running test exe, with a trailing "\".
std::string ExeDirectory();

// A fresh empty folder under the temp folder, removed by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }  // no trailing "\"
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

void RemoveTree(const std::string& path);
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// A top-level message box ("#32770") with the given caption, as seen on the
// screen right now, or nullptr.
HWND FindMessageBox(const std::string& caption, DWORD processId = 0);
// Its message text (the static control 0xFFFF).
std::string MessageBoxText(HWND box);
// Presses one of its buttons (IDOK, IDYES, ...) as a click would.
void PressButton(HWND box, int id);

struct ProcessResult {
    bool started = false;
    bool timedOut = false;
    DWORD exitCode = 0;
    std::vector<std::string> boxTexts;  // message boxes seen and answered
};

struct ProcessOptions {
    std::string workingDirectory;
    std::vector<std::pair<std::string, std::string>> environment;  // added to ours
    DWORD timeoutMs = 30000;
    std::string boxCaption;  // watch for message boxes with this caption
    int boxButton = IDOK;    // and answer them with this button
};

// Runs a command line to the end, answering message boxes as it goes.
ProcessResult RunProcess(const std::string& commandLine, const ProcessOptions& options);

// Dispatches this thread's messages for `ms` milliseconds. A message the
// filter set here takes (returns true for) is not dispatched: the tests that
// load windows pass everything through the window system's own filter.
using MessageFilter = bool (*)(MSG* message);
void SetPumpFilter(MessageFilter filter);
void Pump(int ms);

// Runs a command line under the Unix /bin/sh while pumping; true when it
// exited with 0 within the timeout.
bool RunUnix(const std::string& command, int timeoutMs = 20000);
// Runs /usr/bin/xdotool with these arguments the same way, then pumps a
// little more so that the input it sent is handled.
bool Xdotool(const std::string& args);

}  // namespace vx::test
