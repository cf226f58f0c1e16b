// The product's main window: a greeting line, the web shortcut buttons of the
// panel and the brightness hot keys. Its handle goes into the lock file, so
// that an installer or uninstaller can ask it to close.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "product/kandor/collection.h"

namespace vx::kandor {

inline constexpr int kGreetingId = 100;
inline constexpr int kHotKeysId = 101;
inline constexpr int kFirstShortcutId = 200;

class MainWindow {
public:
    MainWindow(std::string folder, bool firstStart);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates and shows the window and publishes its handle; false when the
    // window cannot be created.
    bool Create(HINSTANCE instance, int show);
    HWND handle() const { return window_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT message, WPARAM wp, LPARAM lp);
    void CreateChildren();
    HWND AddChild(const char* cls, const std::string& text, DWORD style, int id, int x, int y, int w, int h);
    void WriteLock(HWND value) const;
    std::string HotKeysText() const;

    std::string folder_;
    bool firstStart_;
    std::vector<WebShortcut> shortcuts_;
    HWND window_ = nullptr;
};

}  // namespace vx::kandor
