#include "window/linux/Form1Window.h"

#include "window/Form1Design.h"

#include <QCheckBox>
#include <QIcon>
#include <QThread>

namespace tallowby {

namespace {

QString ToQString(const char16_t *text) { return QString::fromUtf16(text); }

} // namespace

Form1Window::Form1Window(ProfileStore &store) : Form1Operations(store), check1_(new QCheckBox(ToQString(kCheck1Caption), this))
{
    setWindowTitle(ToQString(kForm1Caption));
    QIcon icon;
    for (const int size : {16, 32, 64, 128})
        icon.addFile(QStringLiteral(":/icons/tallowby-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);

    const Form1Layout layout = LayoutForDpi(logicalDpiX());
    resize(layout.clientWidth, layout.clientHeight);
    check1_->setGeometry(layout.check1.x, layout.check1.y, layout.check1.width, layout.check1.height);
    // The only tab stop, so it holds the focus from the start.
    check1_->setFocusPolicy(Qt::StrongFocus);
    check1_->setFocus();
}

void Form1Window::LastReferenceGone()
{
    // Not under Qt's feet: inside an event the widget may still be in use.
    if (thread()->loopLevel() > 0)
        deleteLater();
    else
        delete this;
}

} // namespace tallowby
