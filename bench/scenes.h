// Test images for the conversion benchmarks: padded 24-bit buffers the size
// of a full-HD screen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace velmora::bench {

struct Scene {
    std::string name;
    int width;
    int height;
    std::vector<std::uint8_t> pixels;
};

inline std::size_t scenePitch(int width) { return (3 * static_cast<std::size_t>(width) + 3) & ~std::size_t{3}; }

inline Scene randomScene(int width, int height) {
    Scene scene{"random", width, height, std::vector<std::uint8_t>(scenePitch(width) * height)};
    std::mt19937 random(1);
    for (std::size_t i = 0; i < scene.pixels.size(); i += 4) {
        const std::uint32_t bits = random();
        for (std::size_t k = 0; k < 4 && i + k < scene.pixels.size(); ++k) {
            scene.pixels[i + k] = static_cast<std::uint8_t>(bits >> (8 * k));
        }
    }
    return scene;
}

// What a desktop mostly shows: a white document with rows of dark text-like
// strokes, gray panels and title bars, and a smoothly shaded picture.
inline Scene screenLikeScene(int width, int height) {
    Scene scene{"screen-like", width, height, std::vector<std::uint8_t>(scenePitch(width) * height)};
    std::mt19937 random(2);
    const auto put = [&](int x, int y, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
        std::uint8_t* p = &scene.pixels[y * scenePitch(width) + 3 * static_cast<std::size_t>(x)];
        p[0] = b, p[1] = g, p[2] = r;
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool panel = x < width / 6 || y < 40 || y >= height - 48;
            if (panel) {
                put(x, y, 240, 240, 240);
            } else if (x >= 2 * width / 3 && y >= height / 2) {
                put(x, y, static_cast<std::uint8_t>(x * 255 / width),
                    static_cast<std::uint8_t>(y * 255 / height),
                    static_cast<std::uint8_t>((x + y) * 255 / (width + height)));
            } else {
                put(x, y, 255, 255, 255);
            }
        }
    }
    // Lines of text in the document area: black strokes with gray smoothed edges.
    for (int line = 60; line + 14 < height / 2 + 300 && line + 14 < height - 48; line += 22) {
        for (int x = width / 6 + 20; x < 2 * width / 3 - 20; x += 1 + random() % 4) {
            if (random() % 5 == 0) continue;
            const int top = line + static_cast<int>(random() % 4);
            for (int y = top; y < line + 14; ++y) {
                const std::uint8_t ink = static_cast<std::uint8_t>(random() % 3 == 0 ? 128 : 0);
                put(x, y, ink, ink, ink);
            }
        }
    }
    return scene;
}

}  // namespace velmora::bench
