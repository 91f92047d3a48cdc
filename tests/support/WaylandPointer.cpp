// A mouse for the Wayland tests: width height. A virtual pointer (wlroots'
// protocol) that takes lines "move X Y" on a layout of that size, "press B 0"
// and "release B 0" (Linux button codes); "ok" once the compositor has each.
// "token 0 0" asks the compositor for an activation token, as a tray does for
// the program it shows, and prints what the compositor gives.

#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

// The interfaces as far as used, written from the protocols.
const wl_interface* noTypes[5] = {};
const wl_message pointerRequests[] = {{"motion", "uff", noTypes}, {"motion_absolute", "uuuuu", noTypes},
                                      {"button", "uuu", noTypes}, {"axis", "uuf", noTypes}, {"frame", "", noTypes}};
const wl_interface pointerInterface = {"zwlr_virtual_pointer_v1", 1, 5, pointerRequests, 0, nullptr};
const wl_interface* createTypes[] = {&wl_seat_interface, &pointerInterface};
const wl_message managerRequests[] = {{"create_virtual_pointer", "?on", createTypes}};
const wl_interface managerInterface = {"zwlr_virtual_pointer_manager_v1", 1, 1, managerRequests, 0, nullptr};
const wl_message tokenRequests[] = {{"set_serial", "uo", noTypes}, {"set_app_id", "s", noTypes}, {"set_surface", "o", noTypes},
                                    {"commit", "", noTypes}, {"destroy", "", noTypes}};
const wl_message tokenEvents[] = {{"done", "s", noTypes}};
const wl_interface tokenInterface = {"xdg_activation_token_v1", 1, 5, tokenRequests, 1, tokenEvents};
const wl_interface* getTokenTypes[] = {&tokenInterface};
const wl_message activationRequests[] = {{"destroy", "", noTypes}, {"get_activation_token", "n", getTokenTypes}};
const wl_interface activationInterface = {"xdg_activation_v1", 1, 2, activationRequests, 0, nullptr};

wl_proxy *manager = nullptr, *activation = nullptr;
void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, managerInterface.name) == 0)
        manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &managerInterface, 1));
    if (std::strcmp(interface, activationInterface.name) == 0)
        activation = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &activationInterface, 1));
}
const wl_registry_listener registryListener = {global, [](void*, wl_registry*, uint32_t) {}};

// Asks for a token without a surface or serial: one the compositor grants
// while no window has the focus.
bool printToken(wl_display* display) {
    static char token[256];
    static bool given = false;
    given = false;
    void (*done)(void*, wl_proxy*, const char*) = [](void*, wl_proxy*, const char* t) {
        std::snprintf(token, sizeof token, "%s", t);
        given = true;
    };
    auto* request = wl_proxy_marshal_constructor(activation, 1, &tokenInterface, nullptr);
    wl_proxy_add_listener(request, reinterpret_cast<void (**)(void)>(&done), nullptr);
    wl_proxy_marshal(request, 3);
    while (!given)
        if (wl_display_dispatch(display) < 0) return false;
    wl_proxy_marshal(request, 4);
    wl_proxy_destroy(request);
    return std::printf("%s\n", token) >= 0;
}

} // namespace

int main(int argc, char** argv) {
    wl_display* display = argc < 3 ? nullptr : wl_display_connect(nullptr);
    if (!display) return 1;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, nullptr);
    if (wl_display_roundtrip(display) < 0 || (!manager && !activation)) return 1;
    auto* pointer = manager ? wl_proxy_marshal_constructor(manager, 0, &pointerInterface, nullptr, nullptr) : nullptr;
    char verb[16];
    unsigned a = 0, b = 0;
    for (timespec now{}; std::scanf("%15s %u %u", verb, &a, &b) == 3 && clock_gettime(CLOCK_MONOTONIC, &now) == 0;) {
        const auto ms = uint32_t(now.tv_sec * 1000 + now.tv_nsec / 1000000);
        if (std::strcmp(verb, "token") == 0) {
            if (!activation || !printToken(display) || std::fflush(stdout) != 0) return 1;
            continue;
        }
        if (!pointer) return 1;
        if (std::strcmp(verb, "move") == 0) wl_proxy_marshal(pointer, 1, ms, a, b, std::atoi(argv[1]), std::atoi(argv[2]));
        else wl_proxy_marshal(pointer, 2, ms, a, std::strcmp(verb, "press") == 0 ? 1u : 0u);
        wl_proxy_marshal(pointer, 4);
        if (wl_display_roundtrip(display) < 0 || std::printf("ok\n") < 0 || std::fflush(stdout) != 0) return 1;
    }
}
