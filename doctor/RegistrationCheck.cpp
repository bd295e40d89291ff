#include "doctor/RegistrationCheck.h"

#include "automation/dbus/BusNames.h"
#include "automation/dbus/ClassesRoot.h"
#include "automation/dbus/ServiceFile.h"
#include "doctor/SessionBusCheck.h"
#include "monitor/app/VarnixClassTable.h"
#include "platform/ConfigHome.h"
#include "platform/ProgramInfo.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <set>

namespace {

const char* kRegisterFix = "varnix -Register";

// The Exec line of a service file, empty when there is none.
std::string ExecLineOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QStringLiteral("Exec="))) return line.mid(5).toStdString();
    }
    return {};
}

// What `program --version` prints, empty when it does not answer in time.
std::string VersionOf(const std::string& program)
{
    QProcess process;
    process.start(QString::fromStdString(program), {QStringLiteral("--version")});
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return process.readAllStandardOutput().toStdString();
}

std::string Joined(const QStringList& list)
{
    return list.join(QStringLiteral(", ")).toStdString();
}

}  // namespace

QStringList RegistrationCheck::ServiceFolders()
{
    QStringList folders{ServiceFile::Folder()};
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty()) dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& folder : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders.append(folder + QStringLiteral("/dbus-1/services"));
    return folders;
}

std::string RegistrationCheck::ProgramOfExecLine(const std::string& exec)
{
    if (!exec.empty() && (exec[0] == '\'' || exec[0] == '"')) {
        const std::size_t end = exec.find(exec[0], 1);
        return end == std::string::npos ? std::string() : exec.substr(1, end - 1);
    }
    return exec.substr(0, exec.find(' '));
}

void RegistrationCheck::Run(const CheckContext&, Report& report)
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    QStringList activatable;
    if (bus.isConnected()) activatable = bus.interface()->activatableServiceNames().value();

    const QStringList folders = ServiceFolders();
    const ClassesRoot classes;
    std::set<std::string> programs;
    std::vector<Finding::Note> notes;
    for (const VarnixClassTable::Row& row : VarnixClassTable::Rows()) {
        const std::string& progId = row.factory.progId();
        if (classes.ClassIdOfProgId(progId).value_or("") != row.factory.classId()) {
            notes.push_back({Finding::Status::Problem, progId + " is not in the classes root", kRegisterFix});
            continue;
        }
        const QString busName = *BusNames::ClassBusName(row.factory.classId());
        QString serviceFile;
        for (const QString& folder : folders)
            if (QFileInfo::exists(folder + QLatin1Char('/') + busName + QStringLiteral(".service"))) {
                serviceFile = folder + QLatin1Char('/') + busName + QStringLiteral(".service");
                break;
            }
        if (serviceFile.isEmpty()) {
            notes.push_back({Finding::Status::Problem,
                             progId + " has no service file where the bus looks (" + Joined(folders) + ")",
                             kRegisterFix});
            continue;
        }
        if (bus.isConnected() && !activatable.contains(busName))
            notes.push_back({Finding::Status::Problem,
                             "the session bus does not know " + serviceFile.toStdString() +
                                 ": it reads its service folders when it starts, and this one is not among them",
                             std::string("start the session bus with that folder in XDG_DATA_DIRS, or ") +
                                 SessionBusCheck::StartBusFix()});
        const std::string program = ProgramOfExecLine(ExecLineOf(serviceFile));
        if (!QFileInfo(QString::fromStdString(program)).isExecutable()) {
            notes.push_back({Finding::Status::Problem,
                             serviceFile.toStdString() + " starts " + program + ", which is not a program (moved or removed)",
                             std::string(kRegisterFix) + " (with the varnix that is to serve)"});
            continue;
        }
        programs.insert(program);
    }

    const std::string thisRelease = ProgramInfo::VersionText("varnix");
    for (const std::string& program : programs) {
        const std::string version = VersionOf(program);
        if (version != thisRelease)
            notes.push_back({Finding::Status::Warning,
                             program + " is not this release: it says \"" + QString::fromStdString(version).trimmed().toStdString() +
                                 "\", this is " + ProgramInfo::Version(),
                             std::string(kRegisterFix) + " (with this release's varnix)"});
    }

    const std::size_t missing = static_cast<std::size_t>(std::count_if(notes.begin(), notes.end(), [](const Finding::Note& note) {
        return note.cause.ends_with(" is not in the classes root");
    }));
    if (missing == VarnixClassTable::Rows().size())
        notes = {{Finding::Status::Problem,
                  "varnix is not registered: none of its " + std::to_string(missing) + " classes is in the classes root",
                  kRegisterFix}};

    std::string summary = std::to_string(VarnixClassTable::Rows().size()) + " classes";
    for (const std::string& program : programs) summary += ", started as " + program;
    Finding& finding = report.Add("registration", "registration", summary);
    finding.AddFact("classes root", ConfigHome::Path() + "/" + ClassesRoot::kDefaultFile);
    finding.AddFact("service folders", Joined(folders));
    for (const std::string& program : programs) finding.AddFact("server", program);
    finding.notes = std::move(notes);
}
