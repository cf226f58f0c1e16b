// The "ZIP压缩" unit: a small child window that gives an extraction an owner
// to raise its progress event from. It stores no properties of its own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "runtime/windows/template/event_numbers.h"

namespace vx::zip {

// Type id: archive library (position 5, number 6), type 1.
constexpr uint32_t kZipUnitType = 0x00060001;
// Chinese and English type names ("ZIP压缩").
extern const char kZipUnitTypeName[];
constexpr const char* kZipUnitEnglishName = "ZIP";
// Event 1: after each entry, one integer argument (the percentage); a
// handler returning false asks the extraction to stop.
constexpr int32_t kProgressEvent = wt::event::kExtractProgress;

struct UnitParams {
    DWORD style = 0;  // the runtime's style; child, clip-siblings and border are added
    HWND parent = nullptr;
    int controlId = 0;
    int left = 0, top = 0, width = 0, height = 0;
    uint32_t windowId = 0;
    uint32_t unitId = 0;
};

class ZipUnit {
public:
    // null when the window cannot be created.
    static std::unique_ptr<ZipUnit> Create(const UnitParams& params);
    ~ZipUnit();  // destroys the window if it is still there
    ZipUnit(const ZipUnit&) = delete;
    ZipUnit& operator=(const ZipUnit&) = delete;

    HWND Handle() const { return hwnd_; }
    uint32_t WindowId() const { return windowId_; }
    uint32_t UnitId() const { return unitId_; }

private:
    ZipUnit(HWND hwnd, uint32_t windowId, uint32_t unitId) : hwnd_(hwnd), windowId_(windowId), unitId_(unitId) {}
    HWND hwnd_;
    uint32_t windowId_;
    uint32_t unitId_;
};

// Whether a ZIP unit with these ids has a live window right now. Safe from
// any thread (an extraction runs on the installer's worker thread while the
// window lives on the window thread).
bool ZipUnitExists(uint32_t windowId, uint32_t unitId);

}  // namespace vx::zip
