#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Velmora
# needs. Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
    cmake make g++ g++-multilib             # native build, the 32-bit Linux checks and the i386 probe
    libgtest-dev googletest libbenchmark-dev
    g++-mingw-w64-i686-win32                # the 32-bit Windows deliverables
    g++-mingw-w64-i686-posix                # the 32-bit Windows test programs (GoogleTest needs std::mutex)
    g++-mingw-w64-x86-64-posix              # the 64-bit Windows builds
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    wine64 wine32:i386 qemu-user            # running what was built (wine32 only runs where the kernel runs 32-bit code)
    xvfb openbox xdotool x11-apps x11-utils imagemagick   # a display to run on, input, screenshots
    procps file
    # The native X11 overlay, sorvel: Xlib with its extensions and pixman
    # regions; XTEST and X-Resource for its tests; xsetroot for its demo;
    # picom to compare with in its benchmark
    libx11-dev libxcomposite-dev libxdamage-dev libxfixes-dev libxext-dev
    libxrandr-dev libxrender-dev libpixman-1-dev pkg-config
    libxtst-dev libxres-dev x11-xserver-utils picom
)

sudo_cmd=()
if ((EUID != 0)); then sudo_cmd=(sudo); fi

# wine32 is an i386 package: dpkg must know the architecture before apt can see it.
architecture_added=false
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 package architecture"
    "${sudo_cmd[@]}" dpkg --add-architecture i386
    architecture_added=true
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} == 0)) && ! $architecture_added; then
    exit 0
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
