// The platform functions the programs declare, each bound by library name
// and entry name on its first call (see declared_function.h). Code and tests
// refer to the same objects, so a test's substitute sees every call.
#pragma once

#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include "declared_function.h"

// winnt.h makes RtlMoveMemory a macro for memmove; here it is the declared
// kernel32 entry.
#undef RtlMoveMemory

namespace velmora::runtime {

namespace user32 {
inline DeclaredFunction<LONG(HWND, int)> GetWindowLongA{"user32", "GetWindowLongA"};
inline DeclaredFunction<LONG(HWND, int, LONG)> SetWindowLongA{"user32", "SetWindowLongA"};
inline DeclaredFunction<BOOL(HWND, HWND, int, int, int, int, UINT)> SetWindowPos{"user32", "SetWindowPos"};
inline DeclaredFunction<BOOL(HWND, COLORREF, BYTE, DWORD)> SetLayeredWindowAttributes{
    "user32", "SetLayeredWindowAttributes"};
inline DeclaredFunction<HDC(HWND)> GetDC{"user32", "GetDC"};
inline DeclaredFunction<int(HWND, HDC)> ReleaseDC{"user32", "ReleaseDC"};
inline DeclaredFunction<void(BYTE, BYTE, DWORD, ULONG_PTR)> keybd_event{"user32", "keybd_event"};
inline DeclaredFunction<int(HWND, LPCWSTR, LPCWSTR, UINT)> MessageBoxW{"user32", "MessageBoxW"};
inline DeclaredFunction<int(int)> GetSystemMetrics{"user32", "GetSystemMetrics"};
inline DeclaredFunction<BOOL(HWND, int, UINT, UINT)> RegisterHotKey{"user32", "RegisterHotKey"};
}  // namespace user32

// The overlay declares SetWindowPos with the library's full file name.
namespace user32_dll {
inline DeclaredFunction<BOOL(HWND, HWND, int, int, int, int, UINT)> SetWindowPos{"user32.dll",
                                                                                "SetWindowPos"};
}  // namespace user32_dll

namespace gdi32 {
inline DeclaredFunction<int(HANDLE, int, LPVOID)> GetObjectA{"gdi32", "GetObjectA"};
inline DeclaredFunction<int(HDC, HBITMAP, UINT, UINT, LPVOID, LPBITMAPINFO, UINT)> GetDIBits{
    "gdi32", "GetDIBits"};
inline DeclaredFunction<HBITMAP(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD)> CreateDIBSection{
    "gdi32", "CreateDIBSection"};
inline DeclaredFunction<BOOL(HGDIOBJ)> DeleteObject{"gdi32", "DeleteObject"};
inline DeclaredFunction<HDC(HDC)> CreateCompatibleDC{"gdi32", "CreateCompatibleDC"};
inline DeclaredFunction<HGDIOBJ(HDC, HGDIOBJ)> SelectObject{"gdi32", "SelectObject"};
inline DeclaredFunction<BOOL(HDC, int, int, int, int, HDC, int, int, DWORD)> BitBlt{"gdi32", "BitBlt"};
inline DeclaredFunction<BOOL(HDC)> DeleteDC{"gdi32", "DeleteDC"};
}  // namespace gdi32

namespace kernel32 {
inline DeclaredFunction<void(void*, const void*, SIZE_T)> RtlMoveMemory{"kernel32", "RtlMoveMemory"};
inline DeclaredFunction<void(DWORD)> Sleep{"kernel32", "Sleep"};
inline DeclaredFunction<void(UINT)> ExitProcess{"kernel32", "ExitProcess"};
}  // namespace kernel32

namespace ole32 {
inline DeclaredFunction<HRESULT(LPCOLESTR, LPCLSID)> CLSIDFromString{"ole32", "CLSIDFromString"};
}  // namespace ole32

namespace olepro32 {
inline DeclaredFunction<HRESULT(LPPICTDESC, REFIID, BOOL, LPVOID*)> OleCreatePictureIndirect{
    "olepro32", "OleCreatePictureIndirect"};
}  // namespace olepro32

}  // namespace velmora::runtime
