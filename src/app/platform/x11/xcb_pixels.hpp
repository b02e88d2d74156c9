#pragma once
// Reads an area of a window or pixmap into an opaque RGBA picture, through
// shared memory (MIT-SHM) when the server offers it, else plain GetImage.

#include <cstdint>
#include <optional>
#include <string>

#include <xcb/xcb.h>

#include "app/platform/x11/xcb_connection.hpp"
#include "core/foundation/result.hpp"
#include "core/picture/image.hpp"

namespace kestrove {

// The X server's 32-bit pixels (B, G, R, unused in memory: TrueColor, least
// significant byte first) as opaque RGBA, a word at a time (the compiler
// turns the loop into vector instructions). `out` holds `count` * 4 bytes.
void bgrxToRgba(const std::uint8_t* in, std::uint8_t* out, std::size_t count);

class XcbPixelReader {
public:
    XcbPixelReader(XcbConnection& x, bool allowSharedMemory = true);
    ~XcbPixelReader();
    XcbPixelReader(const XcbPixelReader&) = delete;
    XcbPixelReader& operator=(const XcbPixelReader&) = delete;

    // The area must lie inside the drawable. What happened instead when the
    // server refuses (the area reaches outside, a window is not viewable, an
    // odd pixel format).
    Result<Image, std::string> read(xcb_drawable_t drawable, int x, int y, int w, int h);

    bool usesSharedMemory() const { return shm_; }
    std::uint64_t reads() const { return reads_; }

private:
    bool reserve(std::size_t bytes);
    void release();
    Result<Image, std::string> convert(const std::uint8_t* data, std::size_t length, int depth, int w, int h) const;

    XcbConnection& x_;
    bool shm_ = false;
    std::uint32_t segment_ = 0;
    std::uint8_t* memory_ = nullptr;
    std::size_t capacity_ = 0;
    std::uint64_t reads_ = 0;
};

}  // namespace kestrove
