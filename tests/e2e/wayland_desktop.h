#pragma once

#include "desktop.h"
#include "processes.h"

#include <QJsonObject>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A Wayland desktop of the test's own: sway on a headless output of a known
// size at scale 1, nothing drawn around the windows, no bar, no X server. The
// pointer is a virtual pointer device of the compositor's (the program
// dvigushki_virtual_pointer), so the compositor picks the window and delivers
// the events; screenshots come through the compositor too (grim), and the
// windows' titles, app ids and places from its tree (swaymsg).
//
// Every program shown on it (the game, the pointer, grim, swaymsg) runs as
// the test itself, with a runtime directory of its own under /tmp. sway
// refuses to run as root, so a test running as root gives it a user namespace
// of its own, where its uid is not 0 while the kernel still sees the test's:
// it reaches the same files and holds no privilege, and no account is made.
// Where no user namespace can be made (in a chroot(2), in many containers),
// sway runs as the existing user nobody instead, in a directory it owns; the
// programs shown on it reach its socket by path. Both directories go when the
// desktop goes.
class SwayDesktop : public Desktop {
  public:
    // `logPrefix` names the files for the compositor's and its tools' output.
    SwayDesktop(QSize output, const std::string& logPrefix);
    SwayDesktop(const SwayDesktop&) = delete;
    SwayDesktop& operator=(const SwayDesktop&) = delete;

    // Makes `options` start a program that shows itself here, as it would
    // start in a Wayland session: its runtime directory and display.
    void Prepare(ChildProcess::Options& options) const;
    // The path of the compositor's Wayland socket.
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
    // Runs a tool of the compositor's to its end; what it wrote on stdout.
    std::string RunTool(const std::vector<std::string>& argv);
    QImage GrabOutput();
    // The windows in the compositor's tree, and the one that is `window`
    // (or an empty object).
    std::vector<QJsonObject> Views();
    QJsonObject View(unsigned long window);
    void Point(const std::string& command);

    struct Descriptor {
        int fd = -1;
        ~Descriptor();
    };

    QSize output_;
    std::string logPrefix_;
    // How sway runs, for failure messages.
    std::string swayRunsAs_;
    // sway's home and runtime directory, with its configuration and sockets.
    ScratchDirectory swayHome_;
    // The runtime directory of the programs shown here.
    ScratchDirectory runtime_;
    std::string waylandDisplay_;
    std::string swaySocket_;
    std::unique_ptr<ChildProcess> sway_;
    std::unique_ptr<ChildProcess> pointer_;
    Descriptor toPointer_;
    Descriptor fromPointer_;
    QImage beforePopup_;
    QRect popup_;
    QImage popupSeen_;
};
