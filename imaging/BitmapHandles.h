// Owners of the GDI handles a bitmap object holds. Each one gives its handle back exactly once,
// in its destructor or in Reset, so a failure half-way through building a picture never leaks.
// Swap exchanges what two owners hold, so a picture built aside can replace the held one whole.
#pragma once
#include <windows.h>

#include <utility>

// A device context from GetDC(NULL), given back with ReleaseDC.
class ScreenDcHandle {
public:
    ScreenDcHandle() = default;
    ~ScreenDcHandle() { Reset(); }
    ScreenDcHandle(const ScreenDcHandle&) = delete;
    ScreenDcHandle& operator=(const ScreenDcHandle&) = delete;

    void Acquire() {
        Reset();
        dc_ = GetDC(nullptr);
    }
    void Reset() {
        if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
        dc_ = nullptr;
    }
    HDC Get() const { return dc_; }

private:
    HDC dc_ = nullptr;
};

// A device context from CreateCompatibleDC, deleted with DeleteDC.
class MemoryDcHandle {
public:
    MemoryDcHandle() = default;
    explicit MemoryDcHandle(HDC dc) : dc_(dc) {}
    ~MemoryDcHandle() { Reset(); }
    MemoryDcHandle(const MemoryDcHandle&) = delete;
    MemoryDcHandle& operator=(const MemoryDcHandle&) = delete;

    void Reset(HDC dc = nullptr) {
        if (dc_ != nullptr) DeleteDC(dc_);
        dc_ = dc;
    }
    HDC Get() const { return dc_; }
    void Swap(MemoryDcHandle& other) { std::swap(dc_, other.dc_); }

private:
    HDC dc_ = nullptr;
};

// A bitmap or other GDI object, deleted with DeleteObject. It must not be selected anywhere by then.
class GdiObjectHandle {
public:
    GdiObjectHandle() = default;
    explicit GdiObjectHandle(HGDIOBJ object) : object_(object) {}
    ~GdiObjectHandle() { Reset(); }
    GdiObjectHandle(const GdiObjectHandle&) = delete;
    GdiObjectHandle& operator=(const GdiObjectHandle&) = delete;

    void Reset(HGDIOBJ object = nullptr) {
        if (object_ != nullptr) DeleteObject(object_);
        object_ = object;
    }
    HGDIOBJ Get() const { return object_; }
    // For an object that now belongs to someone else (the clipboard, say).
    HGDIOBJ Release() { return std::exchange(object_, nullptr); }
    void Swap(GdiObjectHandle& other) { std::swap(object_, other.object_); }

private:
    HGDIOBJ object_ = nullptr;
};

// An object selected into a device context; Restore puts back what the selection replaced. The
// context must outlive the selection, so declare this after the handles it refers to.
class SelectionHandle {
public:
    SelectionHandle() = default;
    SelectionHandle(HDC dc, HGDIOBJ object) { Select(dc, object); }
    ~SelectionHandle() { Restore(); }
    SelectionHandle(const SelectionHandle&) = delete;
    SelectionHandle& operator=(const SelectionHandle&) = delete;

    bool Select(HDC dc, HGDIOBJ object) {
        Restore();
        HGDIOBJ previous = SelectObject(dc, object);
        if (previous == nullptr || previous == HGDI_ERROR) return false;
        dc_ = dc;
        previous_ = previous;
        return true;
    }
    void Restore() {
        if (dc_ != nullptr) SelectObject(dc_, previous_);
        dc_ = nullptr;
        previous_ = nullptr;
    }
    void Swap(SelectionHandle& other) {
        std::swap(dc_, other.dc_);
        std::swap(previous_, other.previous_);
    }

private:
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};
