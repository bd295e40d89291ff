#include "upgrade/tests/FakeBoardControl.h"

#include "automation/core/DispatchException.h"
#include "platform/ConfigHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QThread>

#include <filesystem>
#include <fstream>
#include <unistd.h>

std::string FakeBoardControl::Folder()
{
    return ConfigHome::Path() + "/fake-ez2181";
}

std::string FakeBoardControl::LogPath()
{
    return Folder() + "/calls.log";
}

std::string FakeBoardControl::ControlPath()
{
    return Folder() + "/control.ini";
}

void FakeBoardControl::Called(const std::string& member, const std::string& call)
{
    std::filesystem::create_directories(Folder());
    {
        std::ofstream log(LogPath(), std::ios::app);
        log << call << '\n';
    }
    Act(member);
}

void FakeBoardControl::Act(const std::string& member)
{
    const QSettings control(QString::fromStdString(ControlPath()), QSettings::IniFormat);
    const QString group = QString::fromStdString(member) + QLatin1Char('/');
    if (control.value(group + QStringLiteral("hang")).toBool())
        for (;;) QThread::sleep(1);
    const QString waitFor = control.value(group + QStringLiteral("waitFor")).toString();
    // A held call also ends once its test is over and has removed its folders:
    // a server started late, on a busy machine, must not wait for ever for a
    // file that will not come, keeping the test's output open.
    while (!waitFor.isEmpty() && !QFile::exists(waitFor) && QFileInfo(waitFor).dir().exists()) QThread::msleep(10);
    const QString error = control.value(group + QStringLiteral("error")).toString();
    if (!error.isEmpty()) throw DispatchException(0, error.toStdString());
}

void FakeBoardControl::WriteServerPid()
{
    std::filesystem::create_directories(Folder());
    std::ofstream(Folder() + "/server.pid") << ::getpid() << '\n';
}

int FakeBoardControl::ServerPid()
{
    int pid = 0;
    std::ifstream(Folder() + "/server.pid") >> pid;
    return pid;
}

std::vector<std::string> FakeBoardControl::Calls()
{
    std::vector<std::string> calls;
    std::ifstream log(LogPath());
    for (std::string line; std::getline(log, line);) calls.push_back(line);
    return calls;
}

void FakeBoardControl::Set(const std::string& member, const std::string& key, const std::string& value)
{
    std::filesystem::create_directories(Folder());
    QSettings control(QString::fromStdString(ControlPath()), QSettings::IniFormat);
    control.setValue(QString::fromStdString(member + "/" + key), QString::fromStdString(value));
    control.sync();
}
