#include "announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>
#include <QtGlobal>

Announcer::Announcer(QWidget* window) : window_(window) {
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    notice_ = new QWidget(window);
    notice_->setObjectName(QStringLiteral("Извещение"));
    notice_->setGeometry(0, 0, 0, 0);
    notice_->setAttribute(Qt::WA_TransparentForMouseEvents);
    notice_->hide();
    // Before anything asks for it: Qt keeps the first interface it made.
    QAccessible::registerAccessibleInterface(
        new QAccessibleWidget(notice_, QAccessible::Notification));
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
    notice_->setAccessibleName(message);
    notice_->show();
#endif
}
