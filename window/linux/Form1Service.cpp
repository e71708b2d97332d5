#include "window/linux/Form1Service.h"

#include "settings/OperationGuard.h"
#include "window/linux/Form1Bus.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>
#include <QString>

#include <cstdio>

namespace tallowby {

namespace {

using namespace Qt::Literals::StringLiterals;

// D-Bus has no optional arguments, so ProfileSettingGet comes in two forms;
// the key alone reads with an empty default. The two-argument form comes
// first, where gdbus looks up the argument types.
constexpr char kInterfaceXml[] = R"(  <interface name="%1">
    <method name="ProfileSettingSave">
      <arg name="v_strKey" type="s" direction="in"/>
      <arg name="v_strSetting" type="s" direction="in"/>
    </method>
    <method name="ProfileSettingGet">
      <arg name="v_strKey" type="s" direction="in"/>
      <arg name="v_strDefault" type="s" direction="in"/>
      <arg type="s" direction="out"/>
    </method>
    <method name="ProfileSettingGet">
      <arg name="v_strKey" type="s" direction="in"/>
      <arg type="s" direction="out"/>
    </method>
    <method name="InYourVBApp"/>
  </interface>
)";

std::u16string Argument(const QDBusMessage &call, int index)
{
    return call.arguments().at(index).toString().toStdU16String();
}

QDBusMessage Reply(const QDBusMessage &call, Status status, const QVariantList &values = {})
{
    if (status.ok())
        return call.createReply(values);
    return call.createErrorReply(QLatin1StringView(bus::kErrorPrefix) + QString::fromStdString(StatusCause(status)),
                                 QString::fromStdString(DescribeStatus(status)));
}

void SayUnreachable(const QString &why)
{
    // simplified(): the bus library's messages can span lines.
    std::fprintf(stderr, "tallowby: other programs cannot reach this window: %s\n",
                 why.simplified().toUtf8().constData());
}

} // namespace

Form1Service::Form1Service(Form1Interface &window) : window_(&window), bus_(QDBusConnection::sessionBus())
{
    if (!bus_.isConnected()) {
        SayUnreachable("no session bus ("_L1 + bus_.lastError().message() + ")"_L1);
        return;
    }
    // The object first, so that no call finds the name without it.
    if (!bus_.registerVirtualObject(QLatin1StringView(bus::kObjectPath), this)) {
        SayUnreachable("its object path is taken"_L1);
        return;
    }
    registered_ = true;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> name = bus_.interface()->registerService(
        QLatin1StringView(bus::kServiceName), QDBusConnectionInterface::QueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!name.isValid())
        SayUnreachable(name.error().message());
}

Form1Service::~Form1Service()
{
    if (!registered_)
        return;
    // Leaves the name, or its queue, to the next window at once. Should this
    // fail, the bus drops both when the process ends.
    GuardOperation([this] {
        bus_.interface()->unregisterService(QLatin1StringView(bus::kServiceName));
        bus_.unregisterObject(QLatin1StringView(bus::kObjectPath));
        return kSuccess;
    });
}

QString Form1Service::introspect(const QString &) const
{
    return QLatin1StringView(kInterfaceXml).arg(QLatin1StringView(bus::kInterfaceName));
}

bool Form1Service::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    // No exception leaves a D-Bus call: a conversion that runs out of memory
    // answers as a failed operation does.
    bool handled = false;
    const Status failure = GuardOperation([&] {
        const QDBusMessage reply = Answer(message);
        handled = reply.type() != QDBusMessage::InvalidMessage;
        if (handled && message.isReplyRequired())
            connection.send(reply);
        return kSuccess;
    });
    if (failure.failed()) {
        handled = true;
        GuardOperation([&] {
            connection.send(Reply(message, failure));
            return kSuccess;
        });
    }
    return handled;
}

// The answer to a call of the window's interface; an invalid message for
// anything else, which Qt answers (introspection, other interfaces).
QDBusMessage Form1Service::Answer(const QDBusMessage &call)
{
    const QLatin1StringView interface(bus::kInterfaceName);
    const bool named = call.interface() == interface;
    if (!named && !call.interface().isEmpty())
        return {};
    const QString member = call.member();
    const QString signature = call.signature();
    if (member == "ProfileSettingSave"_L1 && signature == "ss"_L1)
        return Reply(call, window_->ProfileSettingSave(Argument(call, 0), Argument(call, 1)));
    if (member == "ProfileSettingGet"_L1 && (signature == "ss"_L1 || signature == "s"_L1)) {
        const TextResult result =
            window_->ProfileSettingGet(Argument(call, 0), signature == "ss"_L1 ? Argument(call, 1) : std::u16string());
        return Reply(call, result.status, {QString::fromStdU16String(result.text)});
    }
    if (member == "InYourVBApp"_L1 && signature.isEmpty())
        return Reply(call, window_->InYourVBApp());
    if (!named)
        return {};
    // Qt would say the whole interface is missing.
    return call.createErrorReply(QDBusError::UnknownMethod,
                                 u"no method %1(%2) in %3"_s.arg(member, signature, interface));
}

} // namespace tallowby
