#pragma once

#include "desktop.h"
#include "processes.h"
#include "waiting.h"
#include "x_display.h"

#include <QDBusConnection>
#include <QJsonObject>
#include <QString>
#include <QVariant>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// GNOME Shell as a desktop of the test's own: nested, with one monitor of a
// known size at scale 1, with Xwayland, on a system bus and a session bus of
// its own, out of the overview and with no notification banners. Its output
// is a window on an X server of the test's own (Xvfb), where nothing else
// runs, and the pointer is that server's (XTest), which the shell takes as
// its own pointer. Screenshots come through org.gnome.Shell.Screenshot, and
// the windows' places, titles and classes through org.gnome.Shell.Eval (both
// need --unsafe-mode).
//
// Why nested and not headless: a headless shell has only virtual input
// devices (org.gnome.Mutter.RemoteDesktop's), and GNOME Shell 48 judges a
// button release under a Wayland drop-down by the device that sent it. A
// virtual device names no pointer, so every release there ends the
// drop-down's grab: Qt's drop-downs close without acting. The X server's
// pointer is a pointer to the shell.
//
// GNOME Shell 43 hangs at some starts; a start that hangs is ended and made
// again (see the constructor).
//
// GNOME Shell runs as the test's own user, or as nobody when the test runs
// as root (it tells a root session apart with a notification over the
// screen), in a home of its own that goes when the desktop goes.
class GnomeDesktop final : public Desktop {
  public:
    // `logPrefix` names the files for the shell's, its buses' and the X
    // server's output.
    GnomeDesktop(QSize output, const std::string& logPrefix);
    ~GnomeDesktop() override;
    GnomeDesktop(const GnomeDesktop&) = delete;
    GnomeDesktop& operator=(const GnomeDesktop&) = delete;

    // Makes `options` start a program as it would start in a GNOME Wayland
    // session: its runtime directory, the Wayland and X displays, the
    // session bus and the desktop's name.
    void Prepare(ChildProcess::Options& options) const;
    const std::string& DisplayName() const { return waylandDisplay_; }

    QSize ScreenSize() const override { return output_; }
    QImage Grab(const QRect& area) override;
    void MovePointer(QPoint screen) override;
    void Click(QPoint screen) override;
    std::vector<AppWindow> AppWindows() override;
    std::string Title(unsigned long window) override;
    std::string AppId(unsigned long window) override;
    void NotePopups() override;
    std::optional<QRect> NewPopup(QPoint inside, const QRect& within) override;
    bool PopupClosed() override;

  private:
    // Starts the shell and waits until it is up and out of the overview;
    // why not, or nothing.
    std::string StartShell(const ChildProcess::Options& shell);
    // Ends the shell with all its children, and the X displays it left.
    void EndShell();
    QVariantList Call(const QString& service, const QString& path, const QString& interface,
                      const QString& method, const QVariantList& arguments = {},
                      std::chrono::milliseconds timeout = Patience);
    // Runs JavaScript in the shell; its result as text.
    QString Eval(const QString& script, std::chrono::milliseconds timeout = Patience);
    QImage GrabScreen();
    // Every application window, as the shell sees it; or, with `popups`,
    // every other window (drop-downs, menus, tooltips) of the applications.
    std::vector<QJsonObject> Windows(bool popups = false);
    QJsonObject Window(unsigned long window);
    // Waits until Xwayland, whose windows take the pointer's events after
    // the shell, has the pointer at `screen` with the left button `down`.
    void WaitForXwayland(QPoint screen, bool down);

    QSize output_;
    std::string logPrefix_;
    std::string shellLog_;
    std::string runsAs_;
    // The shell's home and runtime directory, and the runtime directory of
    // the programs shown here.
    ScratchDirectory home_;
    ScratchDirectory runtime_;
    std::string waylandDisplay_;
    std::string xDisplay_;
    // The numbers of the X displays the shell made: the public one and, on
    // GNOME 43, one for its own services.
    std::vector<std::string> xDisplayNumbers_;
    std::string xAuthority_;
    std::string sessionBus_;
    std::unique_ptr<XvfbServer> xvfb_;
    std::unique_ptr<XDisplay> screen_;
    std::unique_ptr<ChildProcess> systemBusDaemon_;
    std::unique_ptr<ChildProcess> sessionBusDaemon_;
    std::unique_ptr<ChildProcess> shell_;
    std::optional<QDBusConnection> bus_;
    // A connection to Xwayland, to see the pointer as X11 windows see it.
    struct XConnection;
    std::unique_ptr<XConnection> x_;
    QString connectionName_;
    // The drop-downs and other windows beside the applications' shown when
    // NotePopups was called, and the drop-down NewPopup found last.
    std::vector<unsigned long> notedPopups_;
    unsigned long popup_ = 0;
};
