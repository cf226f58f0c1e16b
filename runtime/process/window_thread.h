// Calls carried over to a window's own thread: a caller on another thread
// hands the call over with a sent message and waits until it has run.
// The message number is registered and carries only a token; the call
// itself stays in this process's table, so the same number sent from
// anywhere else finds nothing to run.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

namespace vx {

class WindowThreadCalls {
public:
    static UINT Message() {
        static const UINT message = RegisterWindowMessageA("VxRunOnWindowThread");
        return message;
    }

    static bool OnWindowThread(HWND hwnd) { return GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId(); }

    // Runs `work` at once on the window's thread (or without a window),
    // otherwise on the window's thread while the caller waits. false: the
    // window went before it could run it.
    static bool Run(HWND hwnd, const std::function<void()>& work) {
        if (!hwnd || OnWindowThread(hwnd)) {
            work();
            return true;
        }
        Table& t = Calls();
        uint64_t token;
        {
            std::lock_guard lock(t.mutex);
            token = ++t.last;
            t.pending[token] = &work;
        }
        SendMessageA(hwnd, Message(), static_cast<WPARAM>(token), 0);
        std::lock_guard lock(t.mutex);
        return t.pending.erase(token) == 0;  // still there: it never ran
    }

    // For the window procedure: true when `msg` is the hand-over message
    // (the call it names, if this process has one waiting, has then run).
    static bool Handle(UINT msg, WPARAM wp) {
        if (msg != Message()) return false;
        Table& t = Calls();
        const std::function<void()>* work = nullptr;
        {
            std::lock_guard lock(t.mutex);
            auto it = t.pending.find(static_cast<uint64_t>(wp));
            if (it == t.pending.end()) return true;
            work = it->second;
            t.pending.erase(it);
        }
        (*work)();
        return true;
    }

private:
    struct Table {
        std::mutex mutex;
        uint64_t last = 0;
        std::map<uint64_t, const std::function<void()>*> pending;
    };
    static Table& Calls() {
        static Table table;
        return table;
    }
};

}  // namespace vx
