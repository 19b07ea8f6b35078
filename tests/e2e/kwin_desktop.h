#pragma once

#include "desktop.h"
#include "processes.h"
#include "x_display.h"

#include <QDBusConnection>
#include <QJsonObject>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// KWin as a Wayland desktop of the test's own: kwin_wayland with one output
// of a known size at scale 1, drawing its own bars (Breeze) around the
// windows, on a session bus of its own. Its output is a window on an X
// server of the test's own (Xvfb), where nothing else runs: the screen's
// pictures are that server's, and the pointer is that server's (XTest),
// which KWin takes as its own pointer and passes on to the Wayland windows
// under it. So neither KWin's screenshot interface, which KWin 6 does not
// offer when it composites without OpenGL (as without a GPU), nor a client of
// its fake-input protocol is needed. What KWin knows of its windows (places,
// titles, app ids, frames, whether they may be resized) comes from scripts
// run through its scripting interface, which print their findings to
// KWin's log.
class KwinDesktop final : public Desktop {
  public:
    // `logPrefix` names the files for KWin's, its bus's and the X server's output.
    KwinDesktop(QSize output, const std::string& logPrefix);
    KwinDesktop(const KwinDesktop&) = delete;
    KwinDesktop& operator=(const KwinDesktop&) = delete;

    // Makes `options` start a program as it would start in a Plasma Wayland
    // session: its runtime directory, the Wayland display and the desktop's name.
    void Prepare(ChildProcess::Options& options) const;
    const std::string& DisplayName() const { return waylandDisplay_; }

    // A window as KWin has it.
    struct Facts {
        QRect frame;  // with KWin's bar and borders
        QRect client; // what the program draws
        bool noBorder = true;
        bool maximizable = true;
        bool resizeable = true;
        std::string desktopFileName; // the desktop entry KWin ties it to
    };
    Facts WindowFacts(unsigned long window);

    QSize ScreenSize() const override { return output_; }
    QImage Grab(const QRect& area) override { return x_->Grab(area); }
    void MovePointer(QPoint screen) override;
    void Click(QPoint screen) override;
    std::vector<AppWindow> AppWindows() override;
    std::string Title(unsigned long window) override;
    std::string AppId(unsigned long window) override;
    void NotePopups() override;
    std::optional<QRect> NewPopup(QPoint inside, const QRect& within) override;
    bool PopupClosed() override;

  private:
    // Every window KWin lists, drop-downs included, and where its pointer is.
    QJsonObject Look();
    std::vector<QJsonObject> Windows(bool popups);
    QJsonObject Window(unsigned long window);
    unsigned long IdOf(const QJsonObject& window);

    QSize output_;
    std::string logPrefix_;
    // KWin's home and runtime directory, and the runtime directory of the
    // programs shown here.
    ScratchDirectory home_;
    ScratchDirectory runtime_;
    std::string waylandDisplay_;
    std::string sessionBus_;
    std::unique_ptr<XvfbServer> xvfb_;
    std::unique_ptr<XDisplay> x_;
    std::unique_ptr<ChildProcess> busDaemon_;
    std::unique_ptr<ChildProcess> kwin_;
    // The test's connection to KWin's bus, closed even when KWin does not
    // come up (libdbus aborts the test over a connection left open).
    struct Bus {
        QString name;
        std::optional<QDBusConnection> connection;
        ~Bus();
    } bus_;
    // KWin 6 puts a loaded script at /Scripting/ScriptN, KWin 5 at /N.
    QString scriptPathPrefix_;
    int scripts_ = 0;
    // How much of KWin's log the scripts' findings have been read from.
    std::size_t logRead_ = 0;
    // KWin names its windows by UUIDs; the test by their place here, from 1.
    std::vector<QString> uuids_;
    std::vector<unsigned long> notedPopups_;
    unsigned long popup_ = 0;
};
