#pragma once

#include "settings/Form1Interface.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>

namespace tallowby {

// Offers the operations of `window` to the user's other programs on the
// session bus for as long as it lives: the object and interface of
// window/linux/Form1Bus.h under the bus name, which it owns, or queues for
// while an earlier window holds it. Calls run on the thread that created it,
// from its event loop. A failed operation answers with a D-Bus error named
// after its cause. Without a session bus the window works alone, and one
// line on stderr says so. Keeps a reference on the window.
class Form1Service final : public QDBusVirtualObject {
public:
    explicit Form1Service(Form1Interface &window);
    ~Form1Service() override;

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    QDBusMessage Answer(const QDBusMessage &call);

    Ref<Form1Interface> window_;
    QDBusConnection bus_;
    bool registered_ = false;
};

} // namespace tallowby
