// Built and run by bench/x11_startup.sh on a private Xvfb with a window manager: starts a program
// and prints the milliseconds from its start to its first large window mapped, and to the first
// drawing in that window (the first Damage the X server reports for it), then ends the program.
// Windows are followed from their creation on the root window, so reparenting by the window
// manager changes nothing; "large" is at least 300 × 300, which leaves out the small windows a
// program keeps unmapped or maps for a tray icon.
//
// Usage: x11_startup_probe <program> [arguments…]; prints "<mapped ms> <drawn ms>".

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>

extern char** environ;

static double nowMs(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec * 1e3 + (double)ts.tv_nsec * 1e-6;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: x11_startup_probe <program> [arguments...]\n");
        return 2;
    }
    xcb_connection_t* c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "no X server\n");
        return 1;
    }
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(c, &xcb_damage_id);
    if (!damage || !damage->present) {
        fprintf(stderr, "the X server has no DAMAGE extension\n");
        return 1;
    }
    free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), NULL));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &rootMask);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), NULL));

    pid_t pid = 0;
    const double start = nowMs();
    if (posix_spawn(&pid, argv[1], NULL, NULL, argv + 1, environ) != 0) {
        fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }
    xcb_window_t shown = XCB_WINDOW_NONE;
    double mapped = -1, drawn = -1;
    while (drawn < 0 && nowMs() - start < 30000) {
        xcb_generic_event_t* e = xcb_poll_for_event(c);
        if (!e) {
            struct pollfd fd = {xcb_get_file_descriptor(c), POLLIN, 0};
            poll(&fd, 1, 100);
            continue;
        }
        const double at = nowMs();
        const uint8_t type = e->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const xcb_create_notify_event_t* created = (const xcb_create_notify_event_t*)e;
            if (created->parent == root) {
                const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
                xcb_change_window_attributes(c, created->window, XCB_CW_EVENT_MASK, &mask);
                xcb_damage_create(c, xcb_generate_id(c), created->window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                xcb_flush(c);
            }
        } else if (type == XCB_MAP_NOTIFY && shown == XCB_WINDOW_NONE) {
            const xcb_map_notify_event_t* map = (const xcb_map_notify_event_t*)e;
            xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, map->window), NULL);
            if (g && g->width >= 300 && g->height >= 300) {
                shown = map->window;
                mapped = at - start;
            }
            free(g);
        } else if (type == damage->first_event + XCB_DAMAGE_NOTIFY && shown != XCB_WINDOW_NONE) {
            const xcb_damage_notify_event_t* d = (const xcb_damage_notify_event_t*)e;
            if (d->drawable == shown)
                drawn = at - start;
        }
        free(e);
    }
    kill(pid, SIGTERM);
    waitpid(pid, NULL, 0);
    xcb_disconnect(c);
    if (drawn < 0) {
        fprintf(stderr, "%s showed no window within 30 s\n", argv[1]);
        return 1;
    }
    printf("%.2f %.2f\n", mapped, drawn);
    return 0;
}
