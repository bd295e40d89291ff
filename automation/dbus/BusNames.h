#pragma once

#include <QString>

#include <optional>
#include <string>

// The names under which automation classes and objects appear on the session
// bus. docs/automation-over-dbus.md describes them for clients in any language.
class BusNames {
public:
    static inline const QString kFactoryInterface = QStringLiteral("org.varnix.Automation.ClassFactory");
    static inline const QString kDispatchInterface = QStringLiteral("org.varnix.Automation.Dispatch");
    static inline const QString kRootPath = QStringLiteral("/org/varnix/Automation");
    static inline const QString kFactoryPathPrefix = QStringLiteral("/org/varnix/Automation/Factory/");
    static inline const QString kObjectPathPrefix = QStringLiteral("/org/varnix/Automation/Object/");

    // "{0e6c1b2a-3f4d-4c5b-9a8e-112233445566}" -> "C0E6C1B2A_3F4D_4C5B_9A8E_112233445566"
    // (braces optional, any case); nullopt when the text is not a class id.
    static std::optional<QString> ClassToken(const std::string& classId);

    // "org.varnix.Automation.Class.<token>": the bus name that the server of a
    // class owns while its factory is registered as running.
    static std::optional<QString> ClassBusName(const std::string& classId);

    // "/org/varnix/Automation/Factory/<token>".
    static std::optional<QString> FactoryPath(const std::string& classId);

    // "/org/varnix/Automation/Object/<number>".
    static QString ObjectPath(quint64 number);
};
