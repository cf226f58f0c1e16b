// What the installer pays per extracted file on its worker thread: the
// status line's caption and the bar's position written while the window
// thread dispatches, against the bare Win32 minimum for a static control.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "runtime/controls/superbar/superbar.h"
#include "runtime/controls/translabel/translabel.h"
#include "runtime/process/window_thread.h"

namespace {

constexpr int kFiles = 400;

LRESULT CALLBACK Background(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) {
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wp), &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        return 1;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// Runs `work` on a worker while this thread pumps; the time per file in microseconds.
template <class Work>
double PerFile(Work work) {
    std::atomic<bool> done{false};
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    std::thread worker([&] {
        for (int i = 0; i < kFiles; ++i) work(i);
        done = true;
    });
    while (!done) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    worker.join();
    QueryPerformanceCounter(&end);
    return double(end.QuadPart - start.QuadPart) * 1e6 / double(frequency.QuadPart) / kFiles;
}

std::string FileLine(int i) {
    char line[160];
    // 正在复制文件：
    std::snprintf(line, sizeof line, "正在复制文件：C:\\Program Files\\TolvanePC\\Vexilo\\image\\icons\\file%04d.png",
                  i);
    return line;
}

}  // namespace

int main() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Background;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VxBenchWindow";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "VxBenchWindow", "bench", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 50, 50, 560,
                                  400, nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) {
        std::printf("status write: no window (is a display there?)\n");
        return 1;
    }

    vx::controls::TransLabelForm labelForm;
    labelForm.caption = "";
    labelForm.textColour = RGB(255, 255, 255);
    auto label = vx::controls::TransLabel::Create({{window, 16, 304, 536, 28, WS_VISIBLE, 100}}, labelForm);
    vx::controls::SuperBarForm barForm;
    barForm.barType = 2;
    barForm.showArrows = barForm.showThumb = 0;
    barForm.interactive = 0;
    barForm.position = 0;
    auto bar = vx::controls::SuperBar::Create({{window, 72, 344, 472, 20, WS_VISIBLE, 110}, GetSysColor(COLOR_BTNFACE)},
                                              barForm, nullptr);
    HWND plain = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 16, 260, 536, 28, window, nullptr,
                                 wc.hInstance, nullptr);
    if (!label || !bar || !plain) {
        std::printf("status write: controls not created\n");
        return 1;
    }

    // Warm up fonts and caches once.
    PerFile([&](int i) { label->SetCaption(FileLine(i)); });

    double labelOnly = PerFile([&](int i) { label->SetCaption(FileLine(i)); });
    double barOnly = PerFile([&](int i) { bar->SetProperty(17, vx::controls::BarValue{i * 100 / kFiles, {}}); });
    double controls = PerFile([&](int i) {
        label->SetCaption(FileLine(i));
        bar->SetProperty(17, vx::controls::BarValue{(kFiles - i) * 100 / kFiles, {}});
    });
    double bare = PerFile([&](int i) {
        SetWindowTextA(plain, FileLine(i).c_str());
        InvalidateRect(plain, nullptr, TRUE);
    });
    // The floor of every synchronous write: the hand-over to the window's
    // thread and back, with nothing done there.
    double handOver = PerFile([&](int) { vx::WindowThreadCalls::Run(label->Handle(), [] {}); });
    std::printf(
        "status label + bar position per file: %.1f us (label %.1f, bar %.1f)   "
        "bare SetWindowText + InvalidateRect: %.1f us   ratio %.2f   (hand-over alone %.1f us)\n",
        controls, labelOnly, barOnly, bare, controls / bare, handOver);
    DestroyWindow(window);
    return 0;
}
