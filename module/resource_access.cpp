// Resource access: everything comes from grell.dll by numeric id.
#include "module/module_state.h"

#include "framework/Dialog.h"
#include "pelmo.h"

#include <cstring>

namespace {

constexpr int kStringTableType = PELMO_RES_STRING;
constexpr int kDialogType = PELMO_RES_DIALOG;
constexpr int kStringBufferSize = 255;

}  // namespace

extern "C" {

int PELMO_API getGlobalStr(unsigned int id, char* buffer, int size)
{
    if (!buffer || size <= 0)
        return 0;
    return ::LoadStringA(module::ResourceLibrary(), id, buffer, size);
}

HICON PELMO_API getGlobalIcon(WORD id)
{
    return ::LoadIconA(module::ResourceLibrary(), MAKEINTRESOURCEA(id));
}

HBITMAP PELMO_API getGlobalBitmap(WORD id)
{
    return ::LoadBitmapA(module::ResourceLibrary(), MAKEINTRESOURCEA(id));
}

HMENU PELMO_API getGlobalMenu(WORD id)
{
    return ::LoadMenuA(module::ResourceLibrary(), MAKEINTRESOURCEA(id));
}

void* PELMO_API getGlobalRes(unsigned int id, int type)
{
    HMODULE library = module::ResourceLibrary();
    HRSRC found = ::FindResourceA(library, MAKEINTRESOURCEA(LOWORD(id)), MAKEINTRESOURCEA(type));
    if (!found)
        return nullptr;
    if (type == kStringTableType) {
        // The caller owns this buffer; the process heap lets the host free it.
        auto* text = static_cast<char*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, kStringBufferSize));
        if (text)
            ::LoadStringA(library, id, text, kStringBufferSize);
        return text;
    }
    HGLOBAL loaded = ::LoadResource(library, found);
    return loaded ? ::LockResource(loaded) : nullptr;
}

void PELMO_API releaseGlobalRes(void)
{
    // Loaded resources live as long as grell.dll; nothing to release.
}

int PELMO_API initModelDialog(void* dialog, int templateId, HWND parent)
{
    if (!dialog)
        return 0;
    static_cast<CDialog*>(dialog)->InitModalIndirect(getGlobalRes(templateId, kDialogType), parent);
    releaseGlobalRes();
    return 1;
}

int PELMO_API initModelessDialog(void* dialog, int templateId, HWND parent)
{
    if (!dialog)
        return 0;
    static_cast<CDialog*>(dialog)->CreateIndirect(getGlobalRes(templateId, kDialogType), parent);
    return 1;
}

}  // extern "C"
