// Kandor.exe: the Vexilo panel. The argument "-1000" marks the first start
// after an installation.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "product/common/product_files.h"
#include "product/kandor/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    vx::product::LoadDllsFromSystemFolderOnly();
    bool firstStart = false;
    for (int i = 1; i < __argc; ++i)
        if (std::strcmp(__argv[i], "-1000") == 0) firstStart = true;
    vx::kandor::MainWindow window(vx::product::ModuleFolder(), firstStart);
    if (!window.Create(instance, show)) return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
