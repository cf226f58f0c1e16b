// Stands in for a DLL someone dropped beside the program: loading it at all
// leaves a trace, so a test can prove it was never loaded.
#include <windows.h>

#include <cstdio>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH];
        DWORD n = GetEnvironmentVariableA("VX_PROBE_MARKER", path, MAX_PATH);
        if (n && n < MAX_PATH)
            if (FILE* f = std::fopen(path, "ab")) {
                std::fputs(PLANTED_NAME " loaded\n", f);
                std::fclose(f);
            }
    }
    return TRUE;
}

extern "C" int WINAPI VxPluginAnswer() { return 42; }
extern "C" BOOL WINAPI PlantedPostMessage(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
