#include "automation/dbus/BusNames.h"

#include "automation/core/ClassFactory.h"

std::optional<QString> BusNames::ClassToken(const std::string& classId)
{
    const auto canonical = ClassFactory::CanonicalClassId(classId);
    if (!canonical) return std::nullopt;
    // "{XXXXXXXX-...}" without the braces, '-' turned into '_'.
    QString token = QStringLiteral("C") + QString::fromStdString(canonical->substr(1, canonical->size() - 2));
    token.replace(QLatin1Char('-'), QLatin1Char('_'));
    return token;
}

std::optional<QString> BusNames::ClassBusName(const std::string& classId)
{
    const auto token = ClassToken(classId);
    if (!token) return std::nullopt;
    return QStringLiteral("org.varnix.Automation.Class.") + *token;
}

std::optional<QString> BusNames::FactoryPath(const std::string& classId)
{
    const auto token = ClassToken(classId);
    if (!token) return std::nullopt;
    return kFactoryPathPrefix + *token;
}

QString BusNames::ObjectPath(quint64 number)
{
    return kObjectPathPrefix + QString::number(number);
}
