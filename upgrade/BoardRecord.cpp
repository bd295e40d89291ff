#include "upgrade/BoardRecord.h"

#include "platform/PortMap.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace

std::string BoardRecord::UtcNow()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toStdString();
}

BoardRecord::Image BoardRecord::ReadImage(const std::string& path)
{
    Image image{path, std::nullopt, {}};
    QFile file(Text(path));
    if (!file.open(QIODevice::ReadOnly)) return image;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) return image;
    image.size = static_cast<std::uint64_t>(file.size());
    image.sha256 = hash.result().toHex().toStdString();
    return image;
}

BoardRecord::PortDevice BoardRecord::ResolvePort(const std::string& port)
{
    PortDevice found;
    std::error_code error;
    const std::filesystem::path link = PortMap::LinkPath(port);
    const std::filesystem::path target = std::filesystem::read_symlink(link, error);
    if (error) return found;
    found.link = target.string();
    // A network port's link names no file.
    const std::filesystem::path device = std::filesystem::canonical(link, error);
    found.device = error ? std::string() : device.string();
    return found;
}

QByteArray BoardRecord::JsonLine() const
{
    QJsonArray stepList;
    for (const Step& step : steps) {
        QJsonObject object{{"step", Text(step.name)},
                           {"seconds", qRound64(step.seconds * 1000) / 1000.0},
                           {"result", step.ok ? "ok" : "failed"}};
        if (!step.ok) {
            object.insert("error", Text(step.error));
            object.insert("code", static_cast<qint64>(step.code));
        }
        stepList.append(object);
    }
    QJsonObject record{{"format", kFormat},
                       {"started", Text(started)},
                       {"ended", Text(ended)},
                       {"port", Text(port)},
                       {"link", Text(portDevice.link)},
                       {"device", Text(portDevice.device)},
                       {"image", Text(image.path)},
                       {"image_size", image.size ? QJsonValue(static_cast<qint64>(*image.size)) : QJsonValue()},
                       {"image_sha256", Text(image.sha256)},
                       {"steps", stepList},
                       {"result", Text(result)},
                       {"error", Text(error)},
                       {"code", static_cast<qint64>(code)}};
    return QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
}
