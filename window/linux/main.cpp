#include "window/linux/Form1Window.h"
#include "window/linux/Form1Service.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    tallowby::Form1Window form;
    const tallowby::Form1Service service(form);
    form.show();
    return application.exec();
}
