// Form1 of the overlay program: a borderless, maximised, top-most window that
// lets the mouse through and, on every timer tick, shows the screen in gray.
#pragma once

#include <cstdint>

#include "declared_function.h"
#include "form.h"

namespace velmora::overlay {

// The Grayscale library's conversion, bound by name at its first call.
namespace grayscale_dll {
inline runtime::DeclaredFunction<std::int32_t(std::uint8_t*, std::int32_t, std::int32_t)> ConvertToGray{
    "Grayscale.dll", "ConvertToGray"};
}  // namespace grayscale_dll

// Ctrl+Alt+Q closes the overlay from anywhere: the window takes no mouse input.
inline constexpr runtime::HotKey kCloseOverlayHotKey = {MOD_CONTROL | MOD_ALT, 'Q'};

runtime::FormDescription form1Description();

class Form1 : public runtime::Form {
public:
    Form1();

    void tmrRefresh_Timer();

protected:
    void Form_Load() override;
};

}  // namespace velmora::overlay
