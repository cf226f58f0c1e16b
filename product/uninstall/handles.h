// Move-only owners of the kernel and registry handles the uninstaller holds.
#pragma once

#include <windows.h>

#include <utility>

namespace vx::uninstall {

class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) { reset(); h_ = std::exchange(o.h_, nullptr); }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void reset() {
        if (h_) CloseHandle(h_);
        h_ = nullptr;
    }

private:
    HANDLE h_ = nullptr;
};

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() { reset(); }
    RegistryKey(RegistryKey&& o) noexcept : k_(std::exchange(o.k_, nullptr)) {}
    RegistryKey& operator=(RegistryKey&& o) noexcept {
        if (this != &o) { reset(); k_ = std::exchange(o.k_, nullptr); }
        return *this;
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    // Opens an existing key; false (and no key) when it is missing.
    bool Open(HKEY root, const char* path, REGSAM access) {
        reset();
        return RegOpenKeyExA(root, path, 0, access, &k_) == ERROR_SUCCESS || (k_ = nullptr, false);
    }
    HKEY get() const { return k_; }
    void reset() {
        if (k_) RegCloseKey(k_);
        k_ = nullptr;
    }

private:
    HKEY k_ = nullptr;
};

}  // namespace vx::uninstall
