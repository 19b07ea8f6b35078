// dvigushki_atspi_client: what a screen reader sees of the desktop, for the
// end-to-end tests. It talks to the programs there the way Orca does, through
// AT-SPI's own client library, libatspi, on the AT-SPI bus of the D-Bus
// session bus it is started on (DBUS_SESSION_BUS_ADDRESS).
//
// On start it turns the desktop's accessibility flags on, as a screen reader
// does when it starts, starts listening for changes of name, of children and
// of being shown, and says "ready". Then it reads one command a line on its
// standard input and answers on its standard output, every answer ended by a
// line holding a single ".":
//
//   tree             every object of every application, depth first, one a
//                    line: path, role, name, description, actions (joined by
//                    ","), extents on the screen (x,y,width,height), joined
//                    by tabs. A path is the child numbers from the desktop
//                    down, "0.0.1.3"
//   at screen X Y    the object at that point, asked of each application's
//   at window X Y    windows as mouse review asks, in screen coordinates or
//                    relative to the window; one line as above, or none
//   press PATH       runs the object's "Press" action; "ok" or "failed"
//   events           the events heard since the last time, one a line: the
//                    event's type, its source's path and the new name (for a
//                    name change), the name of the child that came or went,
//                    or 1 or 0 for shown or not
//
// Every read asks the application again instead of trusting what libatspi
// kept from before, so an answer is what the application says now. It ends
// at the end of its input.

#include <atspi/atspi.h>
#include <cstdio>
#include <gio/gio.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> heard;

std::string Take(gchar* text) {
    std::string taken = text != nullptr ? text : "";
    g_free(text);
    return taken;
}

// Tabs and line ends would break a line of the answer.
std::string OneField(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\n') {
            c = ' ';
        }
    }
    return text;
}

std::string PathOf(AtspiAccessible* object) {
    std::string path;
    g_object_ref(object);
    while (object != nullptr) {
        int index = -1;
        AtspiAccessible* parent = nullptr;
        if (atspi_accessible_get_role(object, nullptr) == ATSPI_ROLE_APPLICATION) {
            // An application does not know its own place on the desktop.
            AtspiAccessible* desktop = atspi_get_desktop(0);
            const int apps = atspi_accessible_get_child_count(desktop, nullptr);
            for (int i = 0; i < apps && index < 0; ++i) {
                AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, nullptr);
                index = app == object ? i : -1;
                if (app != nullptr) {
                    g_object_unref(app);
                }
            }
            g_object_unref(desktop);
        } else {
            index = atspi_accessible_get_index_in_parent(object, nullptr);
            parent = atspi_accessible_get_parent(object, nullptr);
        }
        path = std::to_string(index) + (path.empty() ? "" : "." + path);
        g_object_unref(object);
        object = parent;
    }
    return path;
}

std::string Describe(AtspiAccessible* object, const std::string& path) {
    std::string actions;
    if (AtspiAction* action = atspi_accessible_get_action_iface(object)) {
        const int count = atspi_action_get_n_actions(action, nullptr);
        for (int i = 0; i < count; ++i) {
            actions += (i > 0 ? "," : "") + Take(atspi_action_get_action_name(action, i, nullptr));
        }
        g_object_unref(action);
    }
    std::string extents = "0,0,0,0";
    if (AtspiComponent* component = atspi_accessible_get_component_iface(object)) {
        if (AtspiRect* rect =
                atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, nullptr)) {
            extents = std::to_string(rect->x) + "," + std::to_string(rect->y) + "," +
                      std::to_string(rect->width) + "," + std::to_string(rect->height);
            g_free(rect);
        }
        g_object_unref(component);
    }
    return path + "\t" + OneField(Take(atspi_accessible_get_role_name(object, nullptr))) + "\t" +
           OneField(Take(atspi_accessible_get_name(object, nullptr))) + "\t" +
           OneField(Take(atspi_accessible_get_description(object, nullptr))) + "\t" + actions +
           "\t" + extents;
}

void Walk(AtspiAccessible* object, const std::string& path, std::vector<std::string>& lines) {
    lines.push_back(Describe(object, path));
    const int children = atspi_accessible_get_child_count(object, nullptr);
    for (int i = 0; i < children; ++i) {
        if (AtspiAccessible* child = atspi_accessible_get_child_at_index(object, i, nullptr)) {
            Walk(child, path + "." + std::to_string(i), lines);
            g_object_unref(child);
        }
    }
}

// The desktop's applications, each read afresh.
std::vector<AtspiAccessible*> Applications() {
    std::vector<AtspiAccessible*> apps;
    AtspiAccessible* desktop = atspi_get_desktop(0);
    const int count = atspi_accessible_get_child_count(desktop, nullptr);
    for (int i = 0; i < count; ++i) {
        if (AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, nullptr)) {
            atspi_accessible_clear_cache(app);
            apps.push_back(app);
        }
    }
    g_object_unref(desktop);
    return apps;
}

void Release(const std::vector<AtspiAccessible*>& objects) {
    for (AtspiAccessible* object : objects) {
        g_object_unref(object);
    }
}

std::vector<std::string> Tree() {
    std::vector<std::string> lines;
    const std::vector<AtspiAccessible*> apps = Applications();
    for (std::size_t i = 0; i < apps.size(); ++i) {
        Walk(apps[i], std::to_string(i), lines);
    }
    Release(apps);
    return lines;
}

// The innermost object at the point, as mouse review finds it: the window
// that holds the point is asked what lies there, then that object is asked
// again, until one has nothing more inside it.
std::vector<std::string> At(AtspiCoordType coordinates, int x, int y) {
    std::vector<std::string> lines;
    const std::vector<AtspiAccessible*> apps = Applications();
    for (AtspiAccessible* app : apps) {
        const int windows = atspi_accessible_get_child_count(app, nullptr);
        for (int i = 0; i < windows && lines.empty(); ++i) {
            AtspiAccessible* found = atspi_accessible_get_child_at_index(app, i, nullptr);
            AtspiComponent* component =
                found != nullptr ? atspi_accessible_get_component_iface(found) : nullptr;
            if (component == nullptr ||
                !atspi_component_contains(component, x, y, coordinates, nullptr)) {
                if (component != nullptr) {
                    g_object_unref(component);
                }
                if (found != nullptr) {
                    g_object_unref(found);
                }
                continue;
            }
            while (component != nullptr) {
                AtspiAccessible* inner =
                    atspi_component_get_accessible_at_point(component, x, y, coordinates, nullptr);
                g_object_unref(component);
                component = nullptr;
                if (inner != nullptr && inner != found) {
                    g_object_unref(found);
                    found = inner;
                    component = atspi_accessible_get_component_iface(found);
                } else if (inner != nullptr) {
                    g_object_unref(inner);
                }
            }
            lines.push_back(Describe(found, PathOf(found)));
            g_object_unref(found);
        }
    }
    Release(apps);
    return lines;
}

AtspiAccessible* Resolve(const std::string& path) {
    AtspiAccessible* object = atspi_get_desktop(0);
    std::size_t start = 0;
    while (object != nullptr && start <= path.size()) {
        const std::size_t end = path.find('.', start);
        const int index = std::stoi(path.substr(start, end - start));
        AtspiAccessible* child = atspi_accessible_get_child_at_index(object, index, nullptr);
        g_object_unref(object);
        object = child;
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return object;
}

std::string Press(const std::string& path) {
    Release(Applications());
    AtspiAccessible* object = Resolve(path);
    if (object == nullptr) {
        return "failed";
    }
    bool done = false;
    if (AtspiAction* action = atspi_accessible_get_action_iface(object)) {
        const int count = atspi_action_get_n_actions(action, nullptr);
        for (int i = 0; i < count && !done; ++i) {
            if (Take(atspi_action_get_action_name(action, i, nullptr)) == "Press") {
                done = atspi_action_do_action(action, i, nullptr);
            }
        }
        g_object_unref(action);
    }
    g_object_unref(object);
    return done ? "ok" : "failed";
}

void Heard(AtspiEvent* event, void*) {
    std::string detail;
    if (std::string(event->type).rfind("object:state-changed", 0) == 0) {
        detail = std::to_string(event->detail1);
    } else if (G_VALUE_HOLDS_STRING(&event->any_data)) {
        detail = g_value_get_string(&event->any_data);
    } else if (G_VALUE_HOLDS_OBJECT(&event->any_data)) {
        if (auto* child = ATSPI_ACCESSIBLE(g_value_get_object(&event->any_data))) {
            atspi_accessible_clear_cache(child);
            detail = Take(atspi_accessible_get_name(child, nullptr));
        }
    }
    heard.push_back(std::string(event->type) + "\t" + PathOf(event->source) + "\t" +
                    OneField(detail));
    // Each listener is handed a copy of its own.
    g_boxed_free(ATSPI_TYPE_EVENT, event);
}

void Answer(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        std::fputs((line + "\n").c_str(), stdout);
    }
    std::fputs(".\n", stdout);
    std::fflush(stdout);
}

void Run(const std::string& command) {
    int x = 0, y = 0;
    char kind[16] = "";
    if (command == "tree") {
        Answer(Tree());
    } else if (std::sscanf(command.c_str(), "at %15s %d %d", kind, &x, &y) == 3) {
        Answer(At(std::string(kind) == "window" ? ATSPI_COORD_TYPE_WINDOW : ATSPI_COORD_TYPE_SCREEN,
                  x, y));
    } else if (command.rfind("press ", 0) == 0) {
        Answer({Press(command.substr(6))});
    } else if (command == "events") {
        Answer(heard);
        heard.clear();
    } else {
        Answer({"unknown command: " + command});
    }
}

gboolean OnInput(GIOChannel* input, GIOCondition, gpointer loop) {
    gchar* text = nullptr;
    gsize length = 0;
    if (g_io_channel_read_line(input, &text, &length, nullptr, nullptr) != G_IO_STATUS_NORMAL) {
        g_main_loop_quit(static_cast<GMainLoop*>(loop));
        return FALSE;
    }
    std::string command = Take(text);
    while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) {
        command.pop_back();
    }
    Run(command);
    return TRUE;
}

// What Orca does first: it tells the desktop that a screen reader is on.
bool TurnOnAccessibility() {
    GError* error = nullptr;
    GDBusConnection* session = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    for (const char* flag : {"IsEnabled", "ScreenReaderEnabled"}) {
        if (session == nullptr) {
            break;
        }
        GVariant* reply = g_dbus_connection_call_sync(
            session, "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
            g_variant_new("(ssv)", "org.a11y.Status", flag, g_variant_new_boolean(TRUE)), nullptr,
            G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &error);
        if (reply != nullptr) {
            g_variant_unref(reply);
        }
    }
    if (error != nullptr) {
        std::fprintf(stderr, "cannot turn accessibility on: %s\n", error->message);
        g_error_free(error);
    }
    if (session != nullptr) {
        g_object_unref(session);
    }
    return error == nullptr;
}

} // namespace

int main() {
    if (!TurnOnAccessibility() || atspi_init() < 0) {
        return 1;
    }
    AtspiEventListener* listener = atspi_event_listener_new(Heard, nullptr, nullptr);
    for (const char* type : {"object:property-change:accessible-name", "object:children-changed",
                             "object:state-changed:showing"}) {
        if (!atspi_event_listener_register(listener, type, nullptr)) {
            std::fprintf(stderr, "cannot listen for %s\n", type);
            return 1;
        }
    }
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    GIOChannel* input = g_io_channel_unix_new(0);
    g_io_add_watch(input, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP), OnInput, loop);
    Answer({"ready"});
    g_main_loop_run(loop);
    g_io_channel_unref(input);
    g_main_loop_unref(loop);
    g_object_unref(listener);
    return 0;
}
