#include "configurator/CConfiguratorApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dspQ47"));
    CConfiguratorApp configurator;
    return configurator.Run();
}
