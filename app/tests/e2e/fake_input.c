// The test's pointer in a KWin Wayland session: a client of KWin's fake-input protocol, which KWin lets any
// client use when started with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1. Commands come one a line on standard input
// and each is answered "ok" once KWin has taken it:
//
//   move X Y        the pointer to X,Y of the screen
//   click B N       button B (1 left, 2 middle, 3 right) pressed and let go N times, 120 ms apart
//   wheel N         N notches of the wheel, up where N is negative
//   key K           the key of Linux key code K pressed and let go
#include "fake-input-client-protocol.h"

#include <linux/input-event-codes.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

static struct org_kde_kwin_fake_input* fakeInput;

static void announced(void* data, struct wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    (void)data;
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
        fakeInput = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, version < 4 ? version : 4);
}

static void removed(void* data, struct wl_registry* registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener listener = { announced, removed };

static void waitMs(long ms)
{
    const struct timespec span = { ms / 1000, (ms % 1000) * 1000000L };
    nanosleep(&span, NULL);
}

int main(void)
{
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "fake_input: no Wayland display\n");
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &listener, NULL);
    wl_display_roundtrip(display);
    if (!fakeInput) {
        fprintf(stderr, "fake_input: the compositor offers no fake input\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fakeInput, "Vireo tests", "the tests' pointer");
    wl_display_roundtrip(display);
    printf("ready\n");
    fflush(stdout);

    char line[128];
    while (fgets(line, sizeof line, stdin)) {
        int x, y, button, count, notches, key;
        if (sscanf(line, "move %d %d", &x, &y) == 2) {
            org_kde_kwin_fake_input_pointer_motion_absolute(fakeInput, wl_fixed_from_int(x), wl_fixed_from_int(y));
        } else if (sscanf(line, "click %d %d", &button, &count) == 2) {
            const uint32_t code = button == 3 ? BTN_RIGHT : button == 2 ? BTN_MIDDLE : BTN_LEFT;
            for (int n = 0; n < count; ++n) {
                if (n > 0)
                    waitMs(120);
                org_kde_kwin_fake_input_button(fakeInput, code, WL_POINTER_BUTTON_STATE_PRESSED);
                wl_display_roundtrip(display);
                org_kde_kwin_fake_input_button(fakeInput, code, WL_POINTER_BUTTON_STATE_RELEASED);
                wl_display_roundtrip(display);
            }
        } else if (sscanf(line, "wheel %d", &notches) == 1) {
            // A notch is 15 degrees of the wheel, as libinput counts it.
            org_kde_kwin_fake_input_axis(fakeInput, WL_POINTER_AXIS_VERTICAL_SCROLL, wl_fixed_from_int(15 * notches));
        } else if (sscanf(line, "key %d", &key) == 1) {
            org_kde_kwin_fake_input_keyboard_key(fakeInput, (uint32_t)key, WL_KEYBOARD_KEY_STATE_PRESSED);
            wl_display_roundtrip(display);
            org_kde_kwin_fake_input_keyboard_key(fakeInput, (uint32_t)key, WL_KEYBOARD_KEY_STATE_RELEASED);
        } else {
            printf("unknown\n");
            fflush(stdout);
            continue;
        }
        wl_display_roundtrip(display);
        printf("ok\n");
        fflush(stdout);
    }
    wl_display_disconnect(display);
    return 0;
}
