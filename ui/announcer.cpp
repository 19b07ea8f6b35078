#include "announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>
#include <QtGlobal>

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
namespace {

// The notification: its name is the message, which a reader asks for as it
// appears, so a new message sends no name change of its own.
class Notice : public QWidget {
  public:
    using QWidget::QWidget;
    QString message;
};

class AccessibleNotice : public QAccessibleWidget {
  public:
    explicit AccessibleNotice(Notice* notice)
        : QAccessibleWidget(notice, QAccessible::Notification) {}

    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Name ? static_cast<Notice*>(widget())->message
                                         : QAccessibleWidget::text(kind);
    }
};

} // namespace
#endif

Announcer::Announcer(QWidget* window) : window_(window) {
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    auto* notice = new Notice(window);
    notice_ = notice;
    notice_->setObjectName(QStringLiteral("Извещение"));
    notice_->setGeometry(0, 0, 0, 0);
    notice_->setAttribute(Qt::WA_TransparentForMouseEvents);
    notice_->hide();
    // Before anything asks for it: Qt keeps the first interface it made.
    QAccessible::registerAccessibleInterface(new AccessibleNotice(notice));
#endif
}

void Announcer::Say(const QString& message) {
    if (!QAccessible::isActive()) {
        return;
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent announcement(window_, message);
    QAccessible::updateAccessibility(&announcement);
#else
    // A reader speaks a notification as it comes into sight, so each message
    // is a notification that appears anew.
    notice_->hide();
    static_cast<Notice*>(notice_)->message = message;
    notice_->show();
#endif
}
