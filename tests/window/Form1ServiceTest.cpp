// The window's operations across the session bus: what the window answers
// and what tallowby-settings' client makes of it. Runs on a private session
// bus (dbus-run-session); every call comes from a thread and a connection of
// its own, as from another program, while this thread serves the window.

#include "tools/WindowClient.h"
#include "window/linux/Form1Bus.h"
#include "window/linux/Form1Service.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tallowby {
// Failures show the status in words.
void PrintTo(Status status, std::ostream *out) { *out << DescribeStatus(status); }
} // namespace tallowby

namespace tallowby::test {
namespace {

using namespace Qt::Literals::StringLiterals;

// Records what reaches the window and answers as told.
class FakeWindow final : public Form1Interface {
public:
    Status ProfileSettingSave(std::u16string v_strKey, std::u16string v_strSetting) override
    {
        calls.push_back(u"save " + v_strKey + u"=" + v_strSetting);
        return failure;
    }
    TextResult ProfileSettingGet(std::u16string v_strKey, std::u16string v_strDefault) override
    {
        calls.push_back(u"get " + v_strKey + u"|" + v_strDefault);
        return failure.failed() ? TextResult{failure, {}} : TextResult{kSuccess, value};
    }
    Status InYourVBApp() override
    {
        calls.push_back(u"sample");
        return failure;
    }

    Status failure;
    std::u16string value;
    std::vector<std::u16string> calls;
};

// Another implementation of the window on the bus, answering every call
// with one error.
class ErrorWindow final : public QDBusVirtualObject {
public:
    ErrorWindow(QString name, QString message) : name_(std::move(name)), message_(std::move(message))
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.registerVirtualObject(QLatin1StringView(bus::kObjectPath), this);
        bus.registerService(QLatin1StringView(bus::kServiceName));
    }
    ~ErrorWindow() override
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(QLatin1StringView(bus::kServiceName));
        bus.unregisterObject(QLatin1StringView(bus::kObjectPath));
    }
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        connection.send(message.createErrorReply(name_, message_));
        return true;
    }

private:
    QString name_, message_;
};

// Runs `call` on a thread of its own while this thread's event loop serves
// the window.
template <typename Call>
auto Elsewhere(Call call)
{
    auto result = std::async(std::launch::async, std::move(call));
    const bool done =
        QTest::qWaitFor([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 30000);
    EXPECT_TRUE(done) << "the call never came back";
    return result.get();
}

// One call to the window as any program makes it, on a connection of its own.
QDBusMessage RawCall(const QString &member, const QVariantList &arguments = {})
{
    return Elsewhere([=] {
        QDBusMessage reply;
        {
            QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"raw"_s);
            QDBusMessage call = QDBusMessage::createMethodCall(QLatin1StringView(bus::kServiceName),
                                                              QLatin1StringView(bus::kObjectPath),
                                                              QLatin1StringView(bus::kInterfaceName), member);
            call.setArguments(arguments);
            reply = bus.call(call);
        }
        QDBusConnection::disconnectFromBus(u"raw"_s);
        return reply;
    });
}

Ref<Form1Interface> Connect()
{
    WindowConnection connection = Elsewhere(ConnectToRunningWindow);
    EXPECT_EQ(connection.error, "");
    return connection.window;
}

class Form1ServiceTest : public testing::Test {
protected:
    Ref<FakeWindow> fake_ = MakeRef<FakeWindow>();
    std::optional<Form1Service> service_{std::in_place, *fake_};
};

TEST_F(Form1ServiceTest, FailuresTravelAsNamedErrorsAndComeBackAsTheirStatus)
{
    const Ref<Form1Interface> window = Connect();
    ASSERT_TRUE(window);
    // Known causes, and codes whose cause alone could not bring them back.
    for (const Status status : {Status::FromWin32(platform::win32_error::AccessDenied), Status::FromWin32(platform::win32_error::DiskFull),
                                kInvalidArgument, kOutOfMemory, Status::FromWin32(1234), Status(0x80041234u)}) {
        SCOPED_TRACE(DescribeStatus(status));
        fake_->failure = status;
        const QDBusMessage reply = RawCall(u"ProfileSettingSave"_s, {u"k"_s, u"v"_s});
        EXPECT_EQ(reply.errorName().toStdString(), bus::kErrorPrefix + StatusCause(status));
        EXPECT_EQ(reply.errorMessage().toStdString(), DescribeStatus(status));

        EXPECT_EQ(Elsewhere([&] { return window->ProfileSettingSave(u"k", u"v"); }), status);
        const TextResult got = Elsewhere([&] { return window->ProfileSettingGet(u"k", u"d"); });
        EXPECT_EQ(got.status, status);
        EXPECT_EQ(got.text, u"");
        EXPECT_EQ(Elsewhere([&] { return window->InYourVBApp(); }), status);
    }
}

TEST_F(Form1ServiceTest, TextArrivesWholeAndTheKeyAloneReadsWithAnEmptyDefault)
{
    const Ref<Form1Interface> window = Connect();
    ASSERT_TRUE(window);
    fake_->value = u"värde ✓ 😀";
    EXPECT_EQ(Elsewhere([&] { return window->ProfileSettingSave(u"clé ✓ 😀", u""); }), kSuccess);
    const TextResult got = Elsewhere([&] { return window->ProfileSettingGet(u"k", u"défaut"); });
    EXPECT_EQ(got.status, kSuccess);
    EXPECT_EQ(got.text, u"värde ✓ 😀");
    const QDBusMessage alone = RawCall(u"ProfileSettingGet"_s, {u"k"_s});
    ASSERT_EQ(alone.type(), QDBusMessage::ReplyMessage) << alone.errorMessage().toStdString();
    EXPECT_EQ(alone.arguments().value(0).toString(), u"värde ✓ 😀"_s);
    EXPECT_EQ(Elsewhere([&] { return window->InYourVBApp(); }), kSuccess);
    EXPECT_EQ(fake_->calls, (std::vector<std::u16string>{u"save clé ✓ 😀=", u"get k|défaut", u"get k|", u"sample"}));
}

TEST_F(Form1ServiceTest, CallsOutsideTheInterfaceReachNoOperation)
{
    EXPECT_EQ(RawCall(u"ProfileSettingSave"_s, {u"k"_s}).errorName(), "org.freedesktop.DBus.Error.UnknownMethod"_L1);
    EXPECT_EQ(RawCall(u"InYourVBApp"_s, {u"x"_s}).errorName(), "org.freedesktop.DBus.Error.UnknownMethod"_L1);
    EXPECT_EQ(RawCall(u"Form_Load"_s).errorName(), "org.freedesktop.DBus.Error.UnknownMethod"_L1);
    EXPECT_EQ(fake_->calls, std::vector<std::u16string>{});
}

TEST_F(Form1ServiceTest, WindowGoneAfterConnectingIsNoWindowRunning)
{
    const Ref<Form1Interface> window = Connect();
    ASSERT_TRUE(window);
    service_.reset();
    const Status status = Elsewhere([&] { return window->InYourVBApp(); });
    EXPECT_EQ(DescribeStatus(status), "no Tallowby window is running (0x800706BA)");
    EXPECT_EQ(Elsewhere(ConnectToRunningWindow).error, kNoWindowRunning);
    EXPECT_EQ(fake_->RefCount(), 1u) << "the service gave back its reference";
}

TEST(WindowClientTest, ErrorsOfOtherWindowsAndOfTheBusBecomeStatuses)
{
    struct Case {
        QString name, message;
        Status status;
    };
    const Case cases[] = {
        // Another implementation's error without our code: read by its cause.
        {u"org.tallowby.Tallowby.Error.DiskFull"_s, u"the disk is full"_s, Status::FromWin32(platform::win32_error::DiskFull)},
        {u"org.tallowby.Tallowby.Error.NoSuchCause"_s, u"what"_s, kUnexpected},
        {u"org.freedesktop.DBus.Error.NoReply"_s, u"no reply"_s, Status::FromWin32(platform::win32_error::Timeout)},
        {u"org.freedesktop.DBus.Error.ServiceUnknown"_s, u"gone"_s,
         Status::FromWin32(platform::win32_error::RpcServerUnavailable)},
        {u"org.freedesktop.DBus.Error.AccessDenied"_s, u"policy"_s, Status::FromWin32(platform::win32_error::AccessDenied)},
        {u"com.example.Error.Odd"_s, u"odd (0x80070005)"_s, kUnexpected},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const ErrorWindow other(c.name, c.message);
        const Ref<Form1Interface> window = Connect();
        ASSERT_TRUE(window);
        EXPECT_EQ(Elsewhere([&] { return window->ProfileSettingSave(u"k", u"v"); }), c.status);
    }
}

TEST(WindowClientTest, NoWindowOnTheBusIsSaidSo)
{
    const WindowConnection connection = Elsewhere(ConnectToRunningWindow);
    EXPECT_FALSE(connection.window);
    EXPECT_EQ(connection.error, kNoWindowRunning);
}

} // namespace
} // namespace tallowby::test
