#include "monitor/app/CVarnixDoc.h"

#include "monitor/app/VarnixResources.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

const DispatchMap& CVarnixDoc::Map()
{
    static const DispatchMap map = DispatchMap::Builder<CVarnixDoc>().Build();
    return map;
}

void CVarnixDoc::OnNewDocument()
{
    pathName_.clear();
}

bool CVarnixDoc::OnOpenDocument(const QString& path, QString& error)
{
    // Only a regular file is opened: a FIFO or a device would hold the window until it answered.
    const int fd = RegularFile::OpenForReading(QFile::encodeName(path).toStdString());
    if (fd < 0) {
        const int cause = errno;
        error = cause == EISDIR   ? QStringLiteral("It is a folder.")
                : cause == EINVAL ? QStringLiteral("It is not a regular file.")
                                  : QString::fromLocal8Bit(std::strerror(cause));
        return false;
    }
    ::close(fd);
    pathName_ = QFileInfo(path).absoluteFilePath();
    return true;
}

bool CVarnixDoc::OnSaveDocument(const QString& path, QString& error)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        error = QStringLiteral("It is not a file.");
        return false;
    }
    if (!info.exists()) {
        QFile file(path);
        // NewOnly: a file made meanwhile by someone else is not truncated either.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !QFileInfo(path).isFile()) {
            error = file.errorString();
            return false;
        }
    }
    pathName_ = QFileInfo(path).absoluteFilePath();
    return true;
}

QString CVarnixDoc::Title() const
{
    return pathName_.isEmpty() ? QString::fromLatin1(VarnixResources::kUntitled) : QFileInfo(pathName_).fileName();
}
