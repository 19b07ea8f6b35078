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
//                    line: path, role ("push button"), name, description,
//                    actions (joined by ","), extents on the screen
//                    (x,y,width,height), joined by tabs. A path is the child numbers from the
//                    desktop down, "0.0.1.3"
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

#include <algorithm>
#include <atspi/atspi.h>
#include <cstdio>
#include <gio/gio.h>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T> using Ref = std::unique_ptr<T, Unref>;
using Object = Ref<AtspiAccessible>;

// The events since the last "events" command: libatspi's listener adds them,
// the command reads and clears them, and both are plain callbacks.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
std::vector<std::string> heard;

Object Child(AtspiAccessible* parent, int index) {
    return Object(atspi_accessible_get_child_at_index(parent, index, nullptr));
}
int Children(AtspiAccessible* parent) {
    return atspi_accessible_get_child_count(parent, nullptr);
}

// Text from libatspi, on one line of an answer.
std::string Field(gchar* text) {
    std::string field = text != nullptr ? text : "";
    g_free(text);
    for (char& c : field) {
        c = c == '\t' || c == '\n' ? ' ' : c;
    }
    return field;
}

// The role. libatspi's own words for roles change between releases (2.56
// says "button" where 2.46 says "push button"), so those of the game's
// window are named here, by the role itself, and the rest as libatspi says.
std::string RoleOf(AtspiAccessible* object) {
    const AtspiRole role = atspi_accessible_get_role(object, nullptr);
    switch (role) {
    case ATSPI_ROLE_APPLICATION:
        return "application";
    case ATSPI_ROLE_FRAME:
        return "frame";
    case ATSPI_ROLE_PANEL:
        return "panel";
    case ATSPI_ROLE_PUSH_BUTTON:
        return "push button";
    case ATSPI_ROLE_MENU_BAR:
        return "menu bar";
    case ATSPI_ROLE_MENU_ITEM:
        return "menu item";
    case ATSPI_ROLE_POPUP_MENU:
        return "popup menu";
    default:
        return Field(atspi_role_get_name(role));
    }
}

std::string PathOf(AtspiAccessible* object) {
    std::string path;
    Object step(ATSPI_ACCESSIBLE(g_object_ref(object)));
    while (step != nullptr) {
        int index = -1;
        Object parent;
        if (atspi_accessible_get_role(step.get(), nullptr) == ATSPI_ROLE_APPLICATION) {
            // An application does not know its own place on the desktop.
            const Object desktop(atspi_get_desktop(0));
            for (int i = 0; i < Children(desktop.get()) && index < 0; ++i) {
                index = Child(desktop.get(), i).get() == step.get() ? i : -1;
            }
        } else {
            index = atspi_accessible_get_index_in_parent(step.get(), nullptr);
            parent.reset(atspi_accessible_get_parent(step.get(), nullptr));
        }
        path = std::to_string(index) + (path.empty() ? "" : "." + path);
        step = std::move(parent);
    }
    return path;
}

std::string Describe(AtspiAccessible* object, const std::string& path) {
    std::string actions;
    if (const Ref<AtspiAction> action{atspi_accessible_get_action_iface(object)}) {
        for (int i = 0; i < atspi_action_get_n_actions(action.get(), nullptr); ++i) {
            actions +=
                (i > 0 ? "," : "") + Field(atspi_action_get_action_name(action.get(), i, nullptr));
        }
    }
    std::string extents = "0,0,0,0";
    if (const Ref<AtspiComponent> component{atspi_accessible_get_component_iface(object)}) {
        if (AtspiRect* rect =
                atspi_component_get_extents(component.get(), ATSPI_COORD_TYPE_SCREEN, nullptr)) {
            extents = std::to_string(rect->x) + "," + std::to_string(rect->y) + "," +
                      std::to_string(rect->width) + "," + std::to_string(rect->height);
            g_free(rect);
        }
    }
    return path + "\t" + RoleOf(object) + "\t" + Field(atspi_accessible_get_name(object, nullptr)) +
           "\t" + Field(atspi_accessible_get_description(object, nullptr)) + "\t" + actions + "\t" +
           extents;
}

void Walk(AtspiAccessible* object, const std::string& path, std::vector<std::string>& lines) {
    lines.push_back(Describe(object, path));
    for (int i = 0; i < Children(object); ++i) {
        if (const Object child = Child(object, i)) {
            Walk(child.get(), path + "." + std::to_string(i), lines);
        }
    }
}

// The desktop's applications, each to be read afresh.
std::vector<Object> Applications() {
    std::vector<Object> apps;
    const Object desktop(atspi_get_desktop(0));
    for (int i = 0; i < Children(desktop.get()); ++i) {
        if (Object app = Child(desktop.get(), i)) {
            atspi_accessible_clear_cache(app.get());
            apps.push_back(std::move(app));
        }
    }
    return apps;
}

std::vector<std::string> Tree() {
    std::vector<std::string> lines;
    const std::vector<Object> apps = Applications();
    for (std::size_t i = 0; i < apps.size(); ++i) {
        Walk(apps[i].get(), std::to_string(i), lines);
    }
    return lines;
}

// The innermost object at the point, as mouse review finds it: the window
// that holds the point is asked what lies there, then that object is asked
// again, until one has nothing more inside it.
std::vector<std::string> At(AtspiCoordType coordinates, int x, int y) {
    for (const Object& app : Applications()) {
        for (int i = 0; i < Children(app.get()); ++i) {
            Object found = Child(app.get(), i);
            Ref<AtspiComponent> component{
                found != nullptr ? atspi_accessible_get_component_iface(found.get()) : nullptr};
            if (component == nullptr ||
                !atspi_component_contains(component.get(), x, y, coordinates, nullptr)) {
                continue;
            }
            while (component != nullptr) {
                Object inner(atspi_component_get_accessible_at_point(component.get(), x, y,
                                                                     coordinates, nullptr));
                component.reset();
                if (inner != nullptr && inner != found) {
                    found = std::move(inner);
                    component.reset(atspi_accessible_get_component_iface(found.get()));
                }
            }
            return {Describe(found.get(), PathOf(found.get()))};
        }
    }
    return {};
}

std::string Press(const std::string& path) {
    Applications(); // read afresh
    Object object(atspi_get_desktop(0));
    for (std::size_t start = 0; object != nullptr && start < path.size();) {
        const std::size_t end = std::min(path.find('.', start), path.size());
        object = Child(object.get(), std::stoi(path.substr(start, end - start)));
        start = end + 1;
    }
    if (object == nullptr) {
        return "failed";
    }
    if (const Ref<AtspiAction> action{atspi_accessible_get_action_iface(object.get())}) {
        for (int i = 0; i < atspi_action_get_n_actions(action.get(), nullptr); ++i) {
            if (Field(atspi_action_get_action_name(action.get(), i, nullptr)) == "Press") {
                return atspi_action_do_action(action.get(), i, nullptr) ? "ok" : "failed";
            }
        }
    }
    return "failed";
}

void Heard(AtspiEvent* event, void*) {
    std::string detail;
    if (std::string(event->type).rfind("object:state-changed", 0) == 0) {
        detail = std::to_string(event->detail1);
    } else if (G_VALUE_HOLDS_STRING(&event->any_data)) {
        detail = Field(g_value_dup_string(&event->any_data));
    } else if (G_VALUE_HOLDS_OBJECT(&event->any_data)) {
        // Qt 6.4 sends the object itself with a name change; read its name.
        if (auto* object = ATSPI_ACCESSIBLE(g_value_get_object(&event->any_data))) {
            atspi_accessible_clear_cache(object);
            detail = Field(atspi_accessible_get_name(object, nullptr));
        }
    }
    heard.push_back(std::string(event->type) + "\t" + PathOf(event->source) + "\t" + detail);
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
    if (g_io_channel_read_line(input, &text, nullptr, nullptr, nullptr) != G_IO_STATUS_NORMAL) {
        g_main_loop_quit(static_cast<GMainLoop*>(loop));
        return FALSE;
    }
    std::string command = Field(text);
    while (!command.empty() && (command.back() == ' ' || command.back() == '\r')) {
        command.pop_back();
    }
    Run(command);
    return TRUE;
}

// What Orca does first: it tells the desktop that a screen reader is on.
bool TurnOnAccessibility() {
    GError* error = nullptr;
    const Ref<GDBusConnection> session{g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error)};
    for (const char* flag : {"IsEnabled", "ScreenReaderEnabled"}) {
        if (session == nullptr || error != nullptr) {
            break;
        }
        GVariant* reply = g_dbus_connection_call_sync(
            session.get(), "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties",
            "Set", g_variant_new("(ssv)", "org.a11y.Status", flag, g_variant_new_boolean(TRUE)),
            nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &error);
        if (reply != nullptr) {
            g_variant_unref(reply);
        }
    }
    if (error != nullptr) {
        std::fprintf(stderr, "cannot turn accessibility on: %s\n", error->message);
        g_error_free(error);
        return false;
    }
    return true;
}

} // namespace

int main() {
    if (!TurnOnAccessibility() || atspi_init() < 0) {
        return 1;
    }
    const Ref<AtspiEventListener> listener{atspi_event_listener_new(Heard, nullptr, nullptr)};
    for (const char* type : {"object:property-change:accessible-name", "object:children-changed",
                             "object:state-changed:showing"}) {
        if (!atspi_event_listener_register(listener.get(), type, nullptr)) {
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
    return 0;
}
