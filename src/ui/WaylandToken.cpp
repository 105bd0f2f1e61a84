#include "ui/WaylandToken.h"

#include "xdg-activation-v1-client-protocol.h"

#include <wayland-client.h>

#include <chrono>
#include <cstring>
#include <poll.h>

namespace mvx::ui {

namespace {

using Clock = std::chrono::steady_clock;

struct Session {
    xdg_activation_v1 *activation = nullptr;
    std::string token;
    bool tokenDone = false;
    bool synced = false;
};

void OnGlobal(void *data, wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t)
{
    auto *session = static_cast<Session *>(data);
    if (std::strcmp(interface, xdg_activation_v1_interface.name) == 0 && session->activation == nullptr)
        session->activation = static_cast<xdg_activation_v1 *>(
            wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1));
}

void OnGlobalRemove(void *, wl_registry *, std::uint32_t) {}

constexpr wl_registry_listener kRegistryListener{OnGlobal, OnGlobalRemove};

void OnToken(void *data, xdg_activation_token_v1 *, const char *token)
{
    auto *session = static_cast<Session *>(data);
    session->token = token;
    session->tokenDone = true;
}

constexpr xdg_activation_token_v1_listener kTokenListener{OnToken};

void OnSynced(void *data, wl_callback *, std::uint32_t)
{
    static_cast<Session *>(data)->synced = true;
}

constexpr wl_callback_listener kSyncListener{OnSynced};

// Handles events until done says so, or the deadline passes: a compositor
// that does not answer must not keep the window waiting.
template <typename Done> bool DispatchUntil(wl_display *display, Clock::time_point deadline, Done done)
{
    while (!done()) {
        while (wl_display_prepare_read(display) != 0)
            if (wl_display_dispatch_pending(display) < 0)
                return false;
        if (done()) {
            wl_display_cancel_read(display);
            return true;
        }
        wl_display_flush(display);
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd wait{wl_display_get_fd(display), POLLIN, 0};
        if (left <= 0 || ::poll(&wait, 1, int(left)) <= 0) {
            wl_display_cancel_read(display);
            return false;
        }
        if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0)
            return false;
    }
    return true;
}

} // namespace

std::string RequestWaylandToken(int timeoutMs)
{
    wl_display *display = wl_display_connect(nullptr);
    if (display == nullptr)
        return {};
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Session session;
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &session);
    wl_callback *sync = wl_display_sync(display);
    wl_callback_add_listener(sync, &kSyncListener, &session);
    const bool listed = DispatchUntil(display, deadline, [&session] { return session.synced; });
    wl_callback_destroy(sync);
    if (listed && session.activation != nullptr) {
        xdg_activation_token_v1 *token = xdg_activation_v1_get_activation_token(session.activation);
        xdg_activation_token_v1_add_listener(token, &kTokenListener, &session);
        xdg_activation_token_v1_commit(token);
        DispatchUntil(display, deadline, [&session] { return session.tokenDone; });
        xdg_activation_token_v1_destroy(token);
    }
    if (session.activation != nullptr)
        xdg_activation_v1_destroy(session.activation);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return session.token;
}

} // namespace mvx::ui
