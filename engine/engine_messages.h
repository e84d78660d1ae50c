// The messages the pixel engine shows, exactly as the user reads them.
#pragma once

namespace velmora::engine {

inline constexpr wchar_t kCannotReadBitmapInfo[] = L"Bildinformationen konnten nicht gelesen werden";
inline constexpr wchar_t kCannotCreateDeviceContext[] = L"Ger\u00e4tekontext konnte nicht erzeugt werden";
inline constexpr wchar_t kCannotReadBitmapData[] = L"Bilddaten konnten nicht gelesen werden";
inline constexpr wchar_t kCannotCopyPicture[] = L"Bildkopie konnte nicht erstellt werden";
inline constexpr wchar_t kOleError[] = L"OLE Fehler";
inline constexpr wchar_t kOlePictureCreationError[] = L"OLE picture creation error";

}  // namespace velmora::engine
