#include "window/linux/Form1Window.h"
#include "window/linux/Form1Service.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    const auto form = tallowby::MakeRef<tallowby::Form1Window>();
    const tallowby::Form1Service service(*form);
    form->show();
    return application.exec();
}
