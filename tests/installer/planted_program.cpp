// Planted by the tests where an unquoted command line would find a program
// (C:\Program.exe, D:\My.exe): it notes in "<its path>.ran" that it was
// started, with its command line, and ends.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char marker[MAX_PATH + 8] = {};
    DWORD n = GetModuleFileNameA(nullptr, marker, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    std::strcat(marker, ".ran");
    HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const char* commandLine = GetCommandLineA();
    DWORD written = 0;
    WriteFile(file, commandLine, static_cast<DWORD>(std::strlen(commandLine)), &written, nullptr);
    CloseHandle(file);
    return 0;
}
