#!/usr/bin/env bash
# Makes each fault of the list below in a copy of the sources, builds the
# suite that must notice it, runs that suite and reports whether it failed
# (the fault was caught) or passed (the fault survived). Exits non-zero when
# any fault survives or cannot be made. Not part of scripts/test.sh: it rebuilds once per fault
# and takes about half an hour.
#
#   scripts/mutants.sh            every fault
#   scripts/mutants.sh 3 7        faults 3 and 7 only
set -euo pipefail
source "$(dirname "$0")/session.sh"
cd "$VELMORA_ROOT"

# One fault per entry: what it is, the file, the text it replaces (every
# occurrence), the text put in its place, the preset and the test that must
# catch it.
names=() files=() searches=() replacements=() presets=() suites=()
fault() {
    names+=("$1") files+=("$2") searches+=("$3") replacements+=("$4") presets+=("$5") suites+=("$6")
}

fault "Grayscale.dll writes 0x80 everywhere" library/grayscale_export.cpp \
    'velmora::gray::rowConverterDispatch().chosen()' \
    '[](std::uint8_t* row, std::size_t n) { for (std::size_t i = 0; i < 3 * n; ++i) row[i] = 0x80; }' \
    win64 overlay_live_tests
fault "CaptureScreen gives up at the first failed step" snapshot/snapshot_form.cpp \
    $'    resumeNext([] { Clipboard::Clear(); },\n               [] { user32::keybd_event(VK_SNAPSHOT, 0, 0, 0); },\n               [] { doEvents(); },\n               [this] { pictureBox(L"Picture1").setPicture(Clipboard::GetData(CF_BITMAP)); });' \
    $'    try {\n        Clipboard::Clear();\n        user32::keybd_event(VK_SNAPSHOT, 0, 0, 0);\n        doEvents();\n        pictureBox(L"Picture1").setPicture(Clipboard::GetData(CF_BITMAP));\n    } catch (const RuntimeError&) {\n    }' \
    win64 snapshot_form_tests
fault "the cycle reads with showErrors true" snapshot/snapshot_form.cpp \
    'dibBuffer, kFalse, kFalse)' 'dibBuffer, kFalse, kTrue)' win64 snapshot_form_tests
fault "the cycle reads with useOwnBits true" snapshot/snapshot_form.cpp \
    'dibBuffer, kFalse, kFalse)' 'dibBuffer, kTrue, kFalse)' win64 snapshot_form_tests
fault "Clipboard.GetData leaks one bitmap copy per fetch" runtime/clipboard.cpp \
    '    if (!copy) throw RuntimeError::outOfMemory();' \
    $'    if (!copy) throw RuntimeError::outOfMemory();\n    CopyImage(copy, IMAGE_BITMAP, 0, 0, 0);' \
    win64 runtime_tests
fault "the writer's in-place path without its Refresh" engine/picture_pixel_writer.cpp \
    $'    if (target.bmBits == shape.bmBits) {\n        pictureBox.Refresh();' \
    $'    if (target.bmBits == shape.bmBits) {' \
    win64 picture_pixels_tests
fault "the writer's copy path without its Refresh" engine/picture_pixel_writer.cpp \
    $'static_cast<SIZE_T>(bytes));\n        pictureBox.Refresh();' \
    'static_cast<SIZE_T>(bytes));' \
    win64 picture_pixels_tests
fault "the reader's direct path without its overflow check" engine/picture_pixel_reader.cpp \
    $'    const ImageSize size = checkedImageSize(bitmap);\n    bitmap.bmWidthBytes' \
    $'    const ImageSize size{4 * bitmap.bmWidth, 4 * bitmap.bmWidth * bitmap.bmHeight};\n    bitmap.bmWidthBytes' \
    win64 picture_pixels_tests
fault "the kernel counts the pixels of SourceBitmap" engine/hsl_kernel.cpp \
    'pixelCountOf(info->TargetBitmap)' 'pixelCountOf(info->SourceBitmap)' native hsl_kernel_tests
fault "the conversion reads the byte after each pixel" library/gray_conversion.cpp \
    '        const std::uint8_t gray = grayLevel(row[0], row[1], row[2]);' \
    '        const std::uint8_t gray = grayLevel(row[0], row[1], row[2]) + (*static_cast<volatile std::uint8_t*>(row + 3) & 0);' \
    native gray_conversion_tests
fault "options 10 and 25 do not pause (live pace)" snapshot/snapshot_form.cpp \
    'kernel32::Sleep(loopPause_);' 'kernel32::Sleep(loopPause_ > 25 ? loopPause_ : 1);' \
    win64 snapshot_live_tests
fault "the loops' Sleep bound to an entry that does not wait" runtime/platform.h \
    'Sleep{"kernel32", "Sleep"}' 'Sleep{"kernel32", "SetLastError"}' win64 snapshot_form_tests
fault "plain letters reach the dialog manager as access keys" runtime/navigation.cpp \
    "    if (message.message == WM_CHAR) return message.wParam == L'\\t';" \
    "    if (message.message == WM_CHAR && message.wParam == L'\\t') return true;" \
    win64 runtime_tests
fault "Tab clicks an option button that reports a click on focus" runtime/form.cpp \
    'if (!movingFocus_) optionClicked(*control);' 'optionClicked(*control);' win64 runtime_tests
fault "no full-path loading where the search flags are refused" runtime/declared_function.cpp \
    'if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;' 'return module;' \
    win64 runtime_tests
fault "the close key only with MOD_NOREPEAT" runtime/form.cpp \
    '    if (GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED) return;' '    return;' win64 runtime_tests
fault "runtime errors from objects without the runtime's texts" runtime/runtime_error.cpp \
    'if (HRESULT_FACILITY(code) == FACILITY_CONTROL) return numbered(HRESULT_CODE(code));' \
    'if (HRESULT_FACILITY(code) == FACILITY_CONTROL) return {HRESULT_CODE(code), L""};' \
    win64 runtime_tests
fault "the writer copies a record it cannot copy" engine/picture_pixel_writer.cpp \
    'return target.bmWidth > 0 &&' 'return true || target.bmWidth > 0 &&' win64 picture_pixels_tests
fault "a clipboard DIB shorter than its header says is read beyond its end" runtime/clipboard.cpp \
    'size < bytesOfPackedDib(info->bmiHeader)' 'size < offsetOfPixels(info->bmiHeader)' win64 runtime_tests
fault "ConvertToGray writes through a null buffer" library/gray_conversion.cpp \
    'if (pixels == nullptr || width <= 0' 'if (width <= 0' native gray_conversion_tests

selected=("$@")
if ((${#selected[@]} == 0)); then selected=($(seq 1 ${#names[@]})); fi

# A copy of the sources with build trees of its own, so that the faults never
# touch the working tree.
copy="$VELMORA_ROOT/build/mutants/src"
mkdir -p "$copy"
git ls-files -z | xargs -0 cp --parents -t "$copy"
git ls-files -z --others --exclude-standard | xargs -0 -r cp --parents -t "$copy"

scripts/setup.sh
trap stop_session EXIT
probe_32bit_programs
start_display
start_wine

build_suite() {  # preset, test
    (cd "$copy" && cmake --preset "$1" >/dev/null && cmake --build --preset "$1" --target "$2" >/dev/null)
}
run_suite() {  # preset, test
    (cd "$copy" && ctest --preset "$1" -R "^$2\$" --timeout 600 >/dev/null 2>&1)
}

survivors=0
for number in "${selected[@]}"; do
    i=$((number - 1))
    file="$copy/${files[$i]}"
    original=$(mktemp)
    cp "$file" "$original"
    if ! SEARCH="${searches[$i]}" REPLACE="${replacements[$i]}" perl -0777 -i -pe \
        '$n += s/\Q$ENV{SEARCH}\E/$ENV{REPLACE}/g; END { exit($n ? 0 : 1) }' "$file"; then
        echo "$number. ${names[$i]}: NOT APPLIED (the code it changes has moved)"
        survivors=$((survivors + 1))
    elif ! build_suite "${presets[$i]}" "${suites[$i]}"; then
        echo "$number. ${names[$i]}: DOES NOT BUILD (the fault needs mending)"
        survivors=$((survivors + 1))
    elif run_suite "${presets[$i]}" "${suites[$i]}"; then
        echo "$number. ${names[$i]}: SURVIVED ${presets[$i]} ${suites[$i]}"
        survivors=$((survivors + 1))
    else
        echo "$number. ${names[$i]}: caught by ${presets[$i]} ${suites[$i]}"
    fi
    cp "$original" "$file"
    rm -f "$original"
done
echo "$survivors of ${#selected[@]} faults survived or could not be made"
exit $((survivors > 0))
