#include "window/linux/Form1.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    const auto form = tallowby::MakeRef<tallowby::Form1>();
    form->show();
    return application.exec();
}
