#include "widgets/tests/QtTestEnvironment.h"

QtTestEnvironment::QtTestEnvironment(const QString& applicationName)
    : applicationName_(applicationName)
{
}

void QtTestEnvironment::SetUp()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    application_ = std::make_unique<QApplication>(argc_, argv_);
    if (!applicationName_.isEmpty())
        QApplication::setApplicationName(applicationName_);
    QApplication::setQuitOnLastWindowClosed(false);
}

void QtTestEnvironment::TearDown()
{
    application_.reset();
}
