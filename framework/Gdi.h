// RAII holders for GDI objects, device contexts and the other handles a
// window releases by hand otherwise (menus, icons, image lists).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

// Owns a handle that `Free{}(handle)` releases when it goes.
template <typename Handle, typename Free>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : m_h(h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_h, nullptr));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    void Reset(Handle h = nullptr)
    {
        if (m_h)
            Free{}(m_h);
        m_h = h;
    }
    Handle Release() { return std::exchange(m_h, nullptr); }
    Handle Get() const { return m_h; }
    operator Handle() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

private:
    Handle m_h = nullptr;
};

struct GdiObjectFree {
    template <typename Handle>
    void operator()(Handle h) const
    {
        ::DeleteObject(h);
    }
};
// Owns one GDI object and deletes it when it goes.
template <typename Handle>
using GdiObject = UniqueHandle<Handle, GdiObjectFree>;

struct MenuFree {
    void operator()(HMENU h) const { ::DestroyMenu(h); }
};
struct IconFree {
    void operator()(HICON h) const { ::DestroyIcon(h); }
};
struct ImageListFree {
    void operator()(HIMAGELIST h) const { ::ImageList_Destroy(h); }
};

using Menu = UniqueHandle<HMENU, MenuFree>;
using Icon = UniqueHandle<HICON, IconFree>;
using ImageList = UniqueHandle<HIMAGELIST, ImageListFree>;

using Brush = GdiObject<HBRUSH>;
using Bitmap = GdiObject<HBITMAP>;
using Font = GdiObject<HFONT>;
using Pen = GdiObject<HPEN>;
using Region = GdiObject<HRGN>;

// Selects an object into a DC for the scope.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(object ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectScope()
    {
        if (m_old)
            ::SelectObject(m_dc, m_old);
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

class PaintDC {
public:
    explicit PaintDC(HWND hwnd) : m_hwnd(hwnd) { m_dc = ::BeginPaint(hwnd, &m_ps); }
    ~PaintDC() { ::EndPaint(m_hwnd, &m_ps); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    operator HDC() const { return m_dc; }
    const PAINTSTRUCT& Info() const { return m_ps; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc;
};

class ClientDC {
public:
    explicit ClientDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
    ~ClientDC() { ::ReleaseDC(m_hwnd, m_dc); }
    ClientDC(const ClientDC&) = delete;
    ClientDC& operator=(const ClientDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// The DC of the whole window, non-client area included.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::GetWindowDC(hwnd)) {}
    ~WindowDC() { ::ReleaseDC(m_hwnd, m_dc); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// Saves a DC's state (selected objects, colours, modes, clipping) for the scope.
class DcState {
public:
    explicit DcState(HDC dc) : m_dc(dc), m_saved(::SaveDC(dc)) {}
    ~DcState()
    {
        if (m_saved)
            ::RestoreDC(m_dc, m_saved);
    }
    DcState(const DcState&) = delete;
    DcState& operator=(const DcState&) = delete;

private:
    HDC m_dc;
    int m_saved;
};

// A memory DC compatible with `reference` (the screen when null).
class MemoryDC {
public:
    explicit MemoryDC(HDC reference = nullptr) : m_dc(::CreateCompatibleDC(reference)) {}
    ~MemoryDC() { ::DeleteDC(m_dc); }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};

// Draws `bitmap` at its own size with its top left at (x, y).
inline void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y)
{
    BITMAP info{};
    if (!bitmap || !::GetObjectA(bitmap, sizeof info, &info))
        return;
    MemoryDC source(dc);
    SelectScope select(source, bitmap);
    ::BitBlt(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
}

// Paints off screen: a memory DC with a bitmap the size of `area` (in the
// target's coordinates, which it keeps), copied to the target in one piece.
class BackBuffer {
public:
    BackBuffer(HDC target, const RECT& area)
        : m_target(target),
          m_area(area),
          m_dc(target),
          m_bitmap(::CreateCompatibleBitmap(target, Width(), Height())),
          m_select(m_dc, m_bitmap)
    {
        ::SetWindowOrgEx(m_dc, area.left, area.top, nullptr);
    }
    BackBuffer(const BackBuffer&) = delete;
    BackBuffer& operator=(const BackBuffer&) = delete;
    operator HDC() const { return m_dc; }
    bool Valid() const { return m_bitmap.Get() != nullptr; }

    void CopyOut() const
    {
        ::BitBlt(m_target, m_area.left, m_area.top, Width(), Height(), m_dc, m_area.left, m_area.top, SRCCOPY);
    }

private:
    int Width() const { return m_area.right - m_area.left; }
    int Height() const { return m_area.bottom - m_area.top; }

    HDC m_target;
    RECT m_area;
    MemoryDC m_dc;
    Bitmap m_bitmap;
    SelectScope m_select;
};
