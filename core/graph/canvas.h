#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx470 {

// The 576 x 192 pixel surface a channel's response curve is drawn on, over a fixed
// background grid. Lines follow the classic MoveTo/LineTo pair: one pixel wide, the end pixel
// left unpainted, everything outside the surface clipped.
class Canvas {
  public:
    static constexpr int Width = 576, Height = 192;

    struct Rgb {
        std::uint8_t r, g, b;
        bool operator==(const Rgb&) const = default;
    };

    // Colours of the background grid; none comes near the red or blue of a curve.
    static constexpr Rgb Paper{255, 255, 255};
    static constexpr Rgb MinorGridLine{236, 236, 236};
    static constexpr Rgb GridLine{200, 200, 200};
    static constexpr Rgb ZeroDbLine{150, 150, 150};

    // One line of the background grid: a whole column or row of the surface.
    struct GridRule {
        bool vertical;  // a column at `at`, else a row
        int at;
        Rgb color;
    };
    // The grid in the order it is drawn (rows over columns), for a view that draws it itself.
    static const std::vector<GridRule>& Grid();

    Canvas();

    // Erases everything drawn: the background grid comes back.
    void Clear();
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void SetPenColor(Rgb color) { pen_ = pack(color); }
    Rgb PenColor() const { return unpack(pen_); }

    // Paper for a point outside the surface.
    Rgb Pixel(int x, int y) const;
    // Width x Height pixels, row by row from the top, each 0xFFRRGGBB.
    const std::uint32_t* Bits() const { return pixels().data(); }
    // Changes whenever the pixels may have changed, so a view knows when to repaint.
    std::uint64_t Revision() const { return revision_; }

  private:
    static constexpr std::uint32_t pack(Rgb c) {
        return 0xFF000000u | std::uint32_t{c.r} << 16 | std::uint32_t{c.g} << 8 | c.b;
    }
    static constexpr Rgb unpack(std::uint32_t p) {
        return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                static_cast<std::uint8_t>(p)};
    }
    static const std::vector<std::uint32_t>& background();
    const std::vector<std::uint32_t>& pixels() const {
        return pixels_.empty() ? background() : pixels_;
    }

    // Empty until the first line: a canvas nothing was drawn on shares the background.
    std::vector<std::uint32_t> pixels_;
    std::uint32_t pen_ = pack({0, 0, 0});
    int x_ = 0, y_ = 0;
    // What was painted since the last Clear, so that Clear puts back only that: each pixel
    // while a curve's worth, beyond that the rows.
    static constexpr std::size_t kPaintedLimit = 8192;
    std::vector<std::uint32_t> painted_;
    int dirtyTop_ = Height, dirtyBottom_ = -1;
    std::uint64_t revision_ = 0;
};

}  // namespace vx470
