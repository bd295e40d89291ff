// The two forms of the report, byte for byte.
#include "doctor/JsonPrinter.h"
#include "doctor/TextPrinter.h"
#include "platform/ProgramInfo.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

Report Sample()
{
    Report report;
    report.Add("session-bus", "session bus", "reachable at unix:path=/run/bus").AddFact("address", "unix:path=/run/bus");
    Finding& port = report.Add("port", "com1", "com1 -> /dev/ttyUSB0: character device");
    port.AddFact("by-id", "/dev/serial/by-id/a");
    port.AddFact("by-id", "/dev/serial/by-id/b");
    port.AddFact("serial number", "");
    port.Warn("the latency timer is 16 ms", "echo 1 > latency_timer");
    port.Fail("no access", "log in again");
    return report;
}

TEST(TextPrinter, PrintsOneLinePerFindingWithFactsCausesAndFixes)
{
    EXPECT_EQ(TextPrinter::Print(Sample()),
              "ok       session bus: reachable at unix:path=/run/bus\n"
              "           address: unix:path=/run/bus\n"
              "problem  com1: com1 -> /dev/ttyUSB0: character device\n"
              "           by-id: /dev/serial/by-id/a\n"
              "           by-id: /dev/serial/by-id/b\n"
              "         warning: the latency timer is 16 ms\n"
              "         fix: echo 1 > latency_timer\n"
              "         problem: no access\n"
              "         fix: log in again\n"
              "1 problem(s), 0 warning(s).\n");
    EXPECT_EQ(TextPrinter::Print(Report()), "No problems found.\n");
}

TEST(JsonPrinter, PrintsTheFindingsAsOneDocument)
{
    const QJsonDocument printed = QJsonDocument::fromJson(QByteArray::fromStdString(JsonPrinter::Print(Sample())));
    const QByteArray expected = QByteArray(R"({"version": 1, "release": ")") + ProgramInfo::Version() + R"(",
        "problems": 1, "warnings": 0, "checks": [
        {"check": "session-bus", "subject": "session bus", "status": "ok",
         "summary": "reachable at unix:path=/run/bus", "facts": {"address": "unix:path=/run/bus"}, "notes": []},
        {"check": "port", "subject": "com1", "status": "problem", "summary": "com1 -> /dev/ttyUSB0: character device",
         "facts": {"by-id": ["/dev/serial/by-id/a", "/dev/serial/by-id/b"], "serial number": ""},
         "notes": [{"status": "warning", "cause": "the latency timer is 16 ms", "fix": "echo 1 > latency_timer"},
                   {"status": "problem", "cause": "no access", "fix": "log in again"}]}]})";
    EXPECT_EQ(printed, QJsonDocument::fromJson(expected)) << printed.toJson().toStdString();
}

}  // namespace
