#pragma once

// A small system tray for tests on a display of their own: it owns the tray
// selection with a window of one colour, may name the colours its icons
// should take, and embeds the icons that ask it to dock (XEmbed). It serves
// its connection when asked, from the test's own waits.

#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace corv::test {

struct Rgb {
    int r = 0, g = 0, b = 0;
};

// The relative luminance and contrast ratio of two colours, as for text.
inline double luminance(const Rgb& c) {
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b);
}
inline double contrast(const Rgb& a, const Rgb& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class XembedTray {
public:
    // A tray 120 x 40 at the top left, in the colour `background`.
    explicit XembedTray(Rgb background) : background_(background) {
        c_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c_)) return;
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        tray_ = xcb_generate_id(c_);
        const std::uint32_t pixel = pixelOf(background);
        const std::uint32_t values[] = {pixel, 1, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, tray_, screen_->root, 0, 0, 120, 40, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        xcb_map_window(c_, tray_);
        xcb_flush(c_);
    }
    ~XembedTray() {
        if (c_) xcb_disconnect(c_);
    }
    XembedTray(const XembedTray&) = delete;
    XembedTray& operator=(const XembedTray&) = delete;

    bool ok() const { return c_ && !xcb_connection_has_error(c_) && tray_; }

    // `_NET_SYSTEM_TRAY_COLORS`: foreground, error, warning, success.
    void nameColors(Rgb foreground, Rgb error) {
        const auto wide = [](int v) { return static_cast<std::uint32_t>(v * 257); };
        const std::uint32_t values[12] = {wide(foreground.r), wide(foreground.g), wide(foreground.b),
                                          wide(error.r),      wide(error.g),      wide(error.b),
                                          wide(foreground.r), wide(foreground.g), wide(foreground.b),
                                          wide(foreground.r), wide(foreground.g), wide(foreground.b)};
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, tray_, atom("_NET_SYSTEM_TRAY_COLORS"), XCB_ATOM_CARDINAL, 32, 12,
                            values);
        xcb_flush(c_);
    }

    // Takes the tray selection and tells the clients.
    void own() {
        const xcb_atom_t selection = atom("_NET_SYSTEM_TRAY_S0");
        xcb_set_selection_owner(c_, tray_, selection, XCB_CURRENT_TIME);
        sendMessage(screen_->root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, screen_->root, "MANAGER",
                    {XCB_CURRENT_TIME, selection, tray_});
    }

    // Handles what has arrived: dock requests embed their icon, 24 x 24, 8 px in.
    void serve() {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
            if ((e->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
                const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(e);
                if (m->type == atom("_NET_SYSTEM_TRAY_OPCODE") && m->data.data32[1] == 0) dock(m->data.data32[2]);
            }
            std::free(e);
        }
    }

    std::optional<xcb_window_t> icon() const { return icon_; }

    // The pixels of the icon's place in the tray, as the screen shows them.
    std::vector<Rgb> iconPixels() {
        std::vector<Rgb> out;
        if (!icon_) return out;
        auto* image = xcb_get_image_reply(
            c_, xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, tray_, kInset, kInset, kSide, kSide, ~0u), nullptr);
        if (!image) return out;
        const auto* data = xcb_get_image_data(image);
        const int length = xcb_get_image_data_length(image);
        // 32 bits a pixel, blue first, on a 24-bit screen.
        for (int i = 0; i + 3 < length; i += 4) out.push_back({data[i + 2], data[i + 1], data[i]});
        std::free(image);
        return out;
    }

    // The share of the icon's pixels that stand out from the tray at the ratio.
    double shareStandingOut(double ratio) {
        return share([&](const Rgb& p) { return contrast(p, background_) >= ratio; });
    }
    // The share of the icon's pixels within `tolerance` of the colour in each channel.
    double shareNear(Rgb colour, int tolerance) {
        return share([&](const Rgb& p) {
            return std::abs(p.r - colour.r) <= tolerance && std::abs(p.g - colour.g) <= tolerance &&
                   std::abs(p.b - colour.b) <= tolerance;
        });
    }

private:
    static constexpr int kInset = 8, kSide = 24;

    template <class Pred> double share(Pred pred) {
        const auto pixels = iconPixels();
        if (pixels.empty()) return 0;
        return double(std::count_if(pixels.begin(), pixels.end(), pred)) / double(pixels.size());
    }
    // A 32-bit client message of `type` about `about`, sent to `to`.
    void sendMessage(xcb_window_t to, std::uint32_t mask, xcb_window_t about, const char* type,
                     std::initializer_list<std::uint32_t> data) {
        xcb_client_message_event_t m{};
        m.response_type = XCB_CLIENT_MESSAGE;
        m.format = 32;
        m.window = about;
        m.type = atom(type);
        std::copy(data.begin(), data.end(), m.data.data32);
        xcb_send_event(c_, 0, to, mask, reinterpret_cast<const char*>(&m));
        xcb_flush(c_);
    }
    std::uint32_t pixelOf(Rgb c) const {
        return static_cast<std::uint32_t>((c.r << 16) | (c.g << 8) | c.b);
    }
    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
                                            nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return a;
    }
    void dock(xcb_window_t window) {
        icon_ = window;
        xcb_reparent_window(c_, window, tray_, kInset, kInset);
        const std::uint32_t geometry[] = {kInset, kInset, kSide, kSide};
        xcb_configure_window(c_, window,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                             geometry);
        xcb_map_window(c_, window);
        // XEMBED_EMBEDDED_NOTIFY, protocol version 0.
        sendMessage(window, XCB_EVENT_MASK_NO_EVENT, window, "_XEMBED", {XCB_CURRENT_TIME, 0, 0, tray_});
    }

    xcb_connection_t* c_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    xcb_window_t tray_ = 0;
    std::optional<xcb_window_t> icon_;
    Rgb background_;
};

} // namespace corv::test
