// SPDX-License-Identifier: MIT
// Notifications reach the desktop's notification service on the session bus; without one,
// notifying does nothing and fails nothing. Run on a private bus (dbus-run-session).

#include "platform/dbus_notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QTest>

namespace {

// A stand-in for the desktop's service, on a connection of its own.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList received;

public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap&, int)
    {
        received << app + " | " + summary + " | " + body;
        return 1;
    }
};

} // namespace

class TestDesktopNotifications : public QObject {
    Q_OBJECT

private slots:
    void reachTheServiceWhereOneRuns_data()
    {
        QTest::addColumn<bool>("serviceRuns");
        QTest::newRow("service running") << true;
        QTest::newRow("no service") << false;
    }
    void reachTheServiceWhereOneRuns()
    {
        QFETCH(bool, serviceRuns);
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus: run under dbus-run-session");
        QDBusConnection service =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-notifications");
        FakeNotifications fake;
        if (serviceRuns) {
            QVERIFY(service.registerObject("/org/freedesktop/Notifications", &fake,
                                           QDBusConnection::ExportAllSlots));
            QVERIFY(service.registerService("org.freedesktop.Notifications"));
        }
        zr::DBusNotifier notifier("ZR410A_B");
        QElapsedTimer took;
        took.start();
        notifier.notify("rule 1 (ZR410A external above 30.00): firing",
                        "2026-03-14T09:26:53.589Z alarm rule 1 firing");
        QVERIFY(took.elapsed() < 1000); // never waits for an answer
        if (serviceRuns)
            QTRY_COMPARE(fake.received,
                         QStringList{"ZR410A_B | rule 1 (ZR410A external above 30.00): firing | "
                                     "2026-03-14T09:26:53.589Z alarm rule 1 firing"});
        else
            QTest::qWait(200);
        QCOMPARE(fake.received.size(), serviceRuns ? 1 : 0);
        service.unregisterService("org.freedesktop.Notifications");
        QDBusConnection::disconnectFromBus("fake-notifications");
    }
};

QTEST_GUILESS_MAIN(TestDesktopNotifications)
#include "test_desktop_notifications.moc"
