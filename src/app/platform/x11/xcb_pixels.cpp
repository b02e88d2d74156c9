#include "app/platform/x11/xcb_pixels.hpp"

#include <bit>
#include <cstring>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>

namespace kestrove {

namespace {

std::string errorText(const char* what, const xcb_generic_error_t* e) {
    return std::string(what) + " (X error " + std::to_string(e ? e->error_code : 0) + ")";
}

}  // namespace

void bgrxToRgba(const std::uint8_t* in, std::uint8_t* out, std::size_t count) {
    if constexpr (std::endian::native != std::endian::little) {
        for (std::size_t i = 0; i < count * 4; i += 4) {
            out[i] = in[i + 2], out[i + 1] = in[i + 1], out[i + 2] = in[i], out[i + 3] = 255;
        }
        return;
    }
    // Words through memcpy: no alignment or aliasing assumed, and the loop
    // stays a plain one the vectoriser takes.
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t v;
        std::memcpy(&v, in + i * 4, 4);
        const std::uint32_t rgba = ((v >> 16) & 0xffu) | (v & 0xff00u) | ((v & 0xffu) << 16) | 0xff000000u;
        std::memcpy(out + i * 4, &rgba, 4);
    }
}

XcbPixelReader::XcbPixelReader(XcbConnection& x, bool allowSharedMemory) : x_(x) {
    if (!allowSharedMemory || !x_.ok() || !x_.hasExtension(&xcb_shm_id)) return;
    auto version = adopt(xcb_shm_query_version_reply(x_.get(), xcb_shm_query_version(x_.get()), nullptr));
    shm_ = version != nullptr;
}

XcbPixelReader::~XcbPixelReader() { release(); }

void XcbPixelReader::release() {
    if (!memory_) return;
    xcb_shm_detach(x_.get(), segment_);
    xcb_flush(x_.get());
    shmdt(memory_);
    memory_ = nullptr;
    capacity_ = 0;
}

bool XcbPixelReader::reserve(std::size_t bytes) {
    if (memory_ && capacity_ >= bytes) return true;
    release();
    const std::size_t size = std::max<std::size_t>(bytes, 1 << 20);
    const int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (id < 0) return false;
    void* at = shmat(id, nullptr, 0);
    if (at == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return false;
    }
    segment_ = xcb_generate_id(x_.get());
    xcb_generic_error_t* e = xcb_request_check(x_.get(), xcb_shm_attach_checked(x_.get(), segment_, id, 0));
    // Marked for removal now: it goes away with the last detach, even if we crash.
    shmctl(id, IPC_RMID, nullptr);
    if (e) {
        std::free(e);
        shmdt(at);
        return false;
    }
    memory_ = static_cast<std::uint8_t*>(at);
    capacity_ = size;
    return true;
}

Result<Image, std::string> XcbPixelReader::read(xcb_drawable_t drawable, int x, int y, int w, int h) {
    if (w <= 0 || h <= 0) return std::string("empty area");
    ++reads_;
    const std::size_t bytes = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4;
    xcb_connection_t* c = x_.get();
    // A server that cannot share our memory (another IPC namespace) is read
    // with plain GetImage from then on.
    if (shm_ && !reserve(bytes)) shm_ = false;
    if (shm_) {
        xcb_generic_error_t* e = nullptr;
        auto reply = adopt(xcb_shm_get_image_reply(
            c,
            xcb_shm_get_image(c, drawable, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                              static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h), ~0u,
                              XCB_IMAGE_FORMAT_Z_PIXMAP, segment_, 0),
            &e));
        if (reply) return convert(memory_, reply->size, reply->depth, w, h);
        std::string why = errorText("MIT-SHM GetImage failed", e);
        std::free(e);
        return why;
    }
    xcb_generic_error_t* e = nullptr;
    auto reply = adopt(xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y), static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h), ~0u),
        &e));
    if (!reply) {
        std::string why = errorText("GetImage failed", e);
        std::free(e);
        return why;
    }
    return convert(xcb_get_image_data(reply.get()), static_cast<std::size_t>(xcb_get_image_data_length(reply.get())),
                   reply->depth, w, h);
}

Result<Image, std::string> XcbPixelReader::convert(const std::uint8_t* data, std::size_t length, int depth, int w,
                                                   int h) const {
    // 24- and 32-bit TrueColor at 32 bits a pixel, least significant byte
    // first, is what every X server we meet sends: B, G, R, X in memory.
    const xcb_setup_t* setup = xcb_get_setup(x_.get());
    int bpp = 0;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth) bpp = it.data->bits_per_pixel;
    if ((depth != 24 && depth != 32) || bpp != 32 || setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return "unsupported pixel format (depth " + std::to_string(depth) + ")";
    const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    if (length < count * 4) return std::string("short image");
    Image out(w, h);
    // A translucent window's pixels are premultiplied: taken as they are,
    // they are the window laid over black.
    bgrxToRgba(data, out.rgba.data(), count);
    return out;
}

}  // namespace kestrove
