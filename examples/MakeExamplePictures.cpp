// Draws the bundled example pictures of 運動会のアルバム: small scenes of a
// school's sports day, painted here in code (no photograph from elsewhere).
//
//   make-example-pictures TARGET_FOLDER

#include "album/core/Image.h"
#include "album/core/JpegWriter.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Colour {
    double r, g, b;
};

Colour mix(Colour a, Colour b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// How much of a pixel-sized neighbourhood lies inside a shape whose edge is
// `distance` away (negative inside): soft edges without a second pass.
double inside(double distance)
{
    return std::clamp(0.5 - distance, 0.0, 1.0);
}

// A few fixed, repeatable "random" numbers for scattered things.
double noise(int i, int salt)
{
    const double v = std::sin(i * 12.9898 + salt * 78.233) * 43758.5453;
    return v - std::floor(v);
}

using Painter = std::function<Colour(double x, double y)>;

bool paint(const fs::path& path, int width, int height, const Painter& painter)
{
    album::Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Colour c = painter(x + 0.5, y + 0.5);
            std::uint8_t* p = image.at(x, y);
            p[0] = static_cast<std::uint8_t>(std::clamp(c.r, 0.0, 255.0));
            p[1] = static_cast<std::uint8_t>(std::clamp(c.g, 0.0, 255.0));
            p[2] = static_cast<std::uint8_t>(std::clamp(c.b, 0.0, 255.0));
        }
    if (!album::JpegWriter::write(image, path.string())) {
        std::cerr << path.string() << ": cannot be written\n";
        return false;
    }
    std::cout << path.string() << '\n';
    return true;
}

// Blue sky over a school ground with white lanes and a row of flags.
Colour schoolGround(double x, double y)
{
    const double w = 640, h = 480, horizon = 200;
    Colour c = mix({70, 140, 230}, {190, 225, 250}, y / horizon);
    // Clouds.
    for (int i = 0; i < 4; ++i) {
        const double cx = 80 + i * 160 + 30 * noise(i, 1), cy = 50 + 40 * noise(i, 2);
        const double d = std::hypot((x - cx) / 1.8, y - cy) - 22;
        c = mix(c, {250, 250, 252}, inside(d) * 0.9);
    }
    // Trees along the far edge, then the ground.
    const double treeLine = horizon - 18 - 10 * std::sin(x * 0.05) - 6 * std::sin(x * 0.13);
    if (y > treeLine)
        c = mix({40, 110, 50}, {30, 80, 40}, (y - treeLine) / 20);
    if (y > horizon) {
        c = mix({200, 160, 110}, {175, 130, 85}, (y - horizon) / (h - horizon));
        // Lanes converging on the far end.
        const double t = (y - horizon) / (h - horizon);
        for (int lane = -3; lane <= 3; ++lane) {
            const double lx = w / 2 + lane * (40 + 110 * t);
            c = mix(c, {250, 250, 245}, inside(std::abs(x - lx) - (1 + 2 * t)));
        }
    }
    // A string of flags across the sky.
    const double rope = 90 + 0.00025 * (x - w / 2) * (x - w / 2);
    c = mix(c, {60, 60, 60}, inside(std::abs(y - rope) - 0.6));
    const int flag = static_cast<int>(x / 32);
    const double fx = x - flag * 32;
    if (y > rope && y < rope + 22 && fx > 4 && fx < 28 && (y - rope) < 22 - std::abs(fx - 16) * 0.9) {
        const Colour colours[] = {{220, 40, 40}, {250, 250, 250}, {40, 90, 200}, {250, 200, 30}, {40, 160, 70}};
        c = colours[flag % 5];
    }
    return c;
}

// Red and white balls flying toward a basket on a tall pole.
Colour ballToss(double x, double y)
{
    const double h = 427;
    Colour c = mix({110, 170, 240}, {210, 235, 250}, y / 260);
    if (y > 300)
        c = mix({80, 160, 70}, {60, 130, 55}, (y - 300) / (h - 300));
    // The pole and the basket.
    c = mix(c, {230, 230, 230}, inside(std::abs(x - 320) - 3) * (y > 120 ? 1 : 0));
    const double basket = std::max(std::abs(x - 320) - 45 + (y - 95) * 0.25, std::abs(y - 110) - 18);
    c = mix(c, {200, 60, 60}, inside(basket));
    for (int i = 0; i < 40; ++i) {
        const double bx = 60 + 520 * noise(i, 3), by = 60 + 230 * noise(i, 4);
        const double d = std::hypot(x - bx, y - by) - 9;
        if (d < 1) {
            Colour ball = i % 2 ? Colour {235, 35, 45} : Colour {250, 250, 250};
            // A little light from the upper left.
            ball = mix(ball, {255, 255, 255}, std::max(0.0, 0.35 - std::hypot(x - bx + 3, y - by + 3) / 12));
            c = mix(c, ball, inside(d));
        }
    }
    return c;
}

// Evening: the ground after the races, long shadows under a red sky.
Colour evening(double x, double y)
{
    const double h = 640, horizon = 380;
    Colour c = mix({250, 140, 60}, {120, 60, 130}, 1 - y / horizon);
    const double sun = std::hypot(x - 300, y - 330) - 38;
    c = mix(c, {255, 230, 150}, inside(sun));
    c = mix(c, {255, 200, 120}, std::max(0.0, 0.4 - (sun + 38) / 250));
    if (y > horizon) {
        c = mix({110, 70, 60}, {60, 40, 45}, (y - horizon) / (h - horizon));
        // The sun's glow on the ground.
        c = mix(c, {240, 150, 90}, std::max(0.0, 0.5 - std::abs(x - 300) / 120) * (1 - (y - horizon) / 260));
    }
    // The school building against the sky.
    const bool building = x > 30 && x < 200 && y > 250 && y < horizon + 2;
    if (building) {
        c = {50, 35, 55};
        const bool window = (static_cast<int>(x) % 28 > 10) && (static_cast<int>(y) % 30 > 14) && y < horizon - 10;
        if (window)
            c = {240, 200, 110};
    }
    const bool clock = std::hypot(x - 115, y - 225) < 16 && x > 30;
    if (clock)
        c = {235, 225, 210};
    if (x > 95 && x < 135 && y > 210 && y < 252 && !clock)
        c = {50, 35, 55};
    return c;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make-example-pictures TARGET_FOLDER\n";
        return 2;
    }
    const fs::path folder(argv[1]);
    std::error_code ec;
    fs::create_directories(folder, ec);
    const bool ok = paint(folder / "校庭.jpg", 640, 480, schoolGround) && paint(folder / "玉入れ.jpg", 640, 427, ballToss)
        && paint(folder / "夕方の校舎.jpg", 480, 640, evening);
    return ok ? 0 : 1;
}
