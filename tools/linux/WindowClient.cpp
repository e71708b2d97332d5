#include "tools/WindowClient.h"

#include "settings/OperationGuard.h"
#include "window/linux/Form1Bus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>
#include <QMetaObject>
#include <QString>
#include <QThread>

namespace tallowby {

namespace {

using namespace Qt::Literals::StringLiterals;

// The status a failed call comes back with. Our window names its failures
// after their cause and describes them with their code; other errors are
// the bus's own.
Status StatusOfError(const QDBusMessage &reply)
{
    const QString name = reply.errorName();
    const QLatin1StringView prefix(bus::kErrorPrefix);
    if (name.startsWith(prefix)) {
        if (const auto status = ParseStatusDescription(reply.errorMessage().toStdString()))
            return *status;
        if (const auto status = StatusFromCause(name.sliced(prefix.size()).toStdString()))
            return *status;
        return kUnexpected;
    }
    switch (QDBusError(reply).type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::UnknownObject:
    case QDBusError::Disconnected:
        return Status::FromWin32(platform::win32_error::RpcServerUnavailable);
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return Status::FromWin32(platform::win32_error::Timeout);
    case QDBusError::AccessDenied:
        return Status::FromWin32(platform::win32_error::AccessDenied);
    case QDBusError::NoMemory:
        return kOutOfMemory;
    default:
        if (name == "org.freedesktop.DBus.Error.NameHasNoOwner"_L1)
            return Status::FromWin32(platform::win32_error::RpcServerUnavailable);
        return kUnexpected;
    }
}

QString ToQString(const std::u16string &text) { return QString::fromStdU16String(text); }

// The window that owns the bus name, over a connection of this object's own,
// so that a process that also offers the window calls it through the bus.
// Calls block until the answer comes; no event loop is needed.
class BusWindow final : public Form1Interface {
public:
    BusWindow()
        : connectionName_(u"tallowby-window-client-%1"_s.arg(reinterpret_cast<quintptr>(this))),
          bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_))
    {
    }
    ~BusWindow() override
    {
        GuardOperation([this] {
            // Qt's bus thread reports a failed call after it has woken the
            // caller; let it finish, or at exit the report can outlive Qt's
            // type registry and print a warning.
            QObject *onBusThread = bus_.interface();
            if (onBusThread != nullptr && onBusThread->thread() != QThread::currentThread())
                QMetaObject::invokeMethod(onBusThread, [] {}, Qt::BlockingQueuedConnection);
            QDBusConnection::disconnectFromBus(connectionName_);
            return kSuccess;
        });
    }

    // Why the window cannot be reached, or empty when it can.
    std::string Unreachable() const
    {
        if (!bus_.isConnected())
            return "no session bus (" + bus_.lastError().message().simplified().toStdString() + ")";
        const QDBusReply<bool> owned = bus_.interface()->isServiceRegistered(QLatin1StringView(bus::kServiceName));
        if (!owned.isValid())
            return "the session bus does not answer (" + owned.error().message().simplified().toStdString() + ")";
        return owned.value() ? std::string() : kNoWindowRunning;
    }

    Status ProfileSettingSave(std::u16string v_strKey, std::u16string v_strSetting) override
    {
        const Ref<BusWindow> self(this);
        return GuardOperation([&] {
            return StatusOf(Call("ProfileSettingSave"_L1, {ToQString(v_strKey), ToQString(v_strSetting)}));
        });
    }

    TextResult ProfileSettingGet(std::u16string v_strKey, std::u16string v_strDefault) override
    {
        const Ref<BusWindow> self(this);
        TextResult result;
        result.status = GuardOperation([&] {
            const QDBusMessage reply = Call("ProfileSettingGet"_L1, {ToQString(v_strKey), ToQString(v_strDefault)});
            const Status status = StatusOf(reply);
            if (status.failed())
                return status;
            if (reply.signature() != "s"_L1)
                return kUnexpected;
            result.text = reply.arguments().value(0).toString().toStdU16String();
            return kSuccess;
        });
        if (result.status.failed())
            result.text.clear();
        return result;
    }

    Status InYourVBApp() override
    {
        const Ref<BusWindow> self(this);
        return GuardOperation([&] { return StatusOf(Call("InYourVBApp"_L1, {})); });
    }

private:
    QDBusMessage Call(QLatin1StringView method, const QVariantList &arguments) const
    {
        QDBusMessage call =
            QDBusMessage::createMethodCall(QLatin1StringView(bus::kServiceName), QLatin1StringView(bus::kObjectPath),
                                           QLatin1StringView(bus::kInterfaceName), method);
        call.setArguments(arguments);
        return bus_.call(call, QDBus::Block);
    }

    static Status StatusOf(const QDBusMessage &reply)
    {
        if (reply.type() == QDBusMessage::ErrorMessage)
            return StatusOfError(reply);
        return reply.type() == QDBusMessage::ReplyMessage ? kSuccess : kUnexpected;
    }

    QString connectionName_;
    QDBusConnection bus_;
};

} // namespace

WindowConnection ConnectToRunningWindow()
{
    WindowConnection connection;
    const Status status = GuardOperation([&] {
        const auto window = MakeRef<BusWindow>();
        connection.error = window->Unreachable();
        if (connection.error.empty())
            connection.window = Ref<Form1Interface>(window.get());
        return kSuccess;
    });
    if (status.failed())
        connection.error = DescribeStatus(status);
    return connection;
}

} // namespace tallowby
