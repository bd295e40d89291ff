#include "doctor/JsonPrinter.h"

#include "platform/ProgramInfo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QJsonObject FactsOf(const Finding& finding)
{
    QJsonObject facts;
    for (const auto& [name, value] : finding.facts) {
        const QString key = Text(name);
        if (!facts.contains(key)) {
            facts.insert(key, Text(value));
            continue;
        }
        QJsonArray values = facts.value(key).isArray() ? facts.value(key).toArray() : QJsonArray{facts.value(key)};
        values.append(Text(value));
        facts.insert(key, values);
    }
    return facts;
}

}  // namespace

std::string JsonPrinter::Print(const Report& report)
{
    QJsonArray checks;
    for (const Finding& finding : report.Findings()) {
        QJsonArray notes;
        for (const Finding::Note& note : finding.notes)
            notes.append(QJsonObject{{QStringLiteral("status"), QString::fromLatin1(Finding::StatusName(note.status))},
                                     {QStringLiteral("cause"), Text(note.cause)},
                                     {QStringLiteral("fix"), Text(note.fix)}});
        checks.append(QJsonObject{{QStringLiteral("check"), Text(finding.check)},
                                  {QStringLiteral("subject"), Text(finding.subject)},
                                  {QStringLiteral("status"), QString::fromLatin1(Finding::StatusName(finding.status()))},
                                  {QStringLiteral("summary"), Text(finding.summary)},
                                  {QStringLiteral("facts"), FactsOf(finding)},
                                  {QStringLiteral("notes"), notes}});
    }
    const QJsonObject document{{QStringLiteral("version"), kFormatVersion},
                               {QStringLiteral("release"), QString::fromLatin1(ProgramInfo::Version())},
                               {QStringLiteral("problems"), report.Count(Finding::Status::Problem)},
                               {QStringLiteral("warnings"), report.Count(Finding::Status::Warning)},
                               {QStringLiteral("checks"), checks}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented).toStdString();
}
