#pragma once
// The folder a test writes results into, with the file it chooses there: what the file holds,
// an old content to keep, and every entry of the folder, hidden scratch files included.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

namespace tbn::test {

struct OutFolder {
    OutFolder(const QString& parent, const QString& fileName)
        : folder(parent + QStringLiteral("/out")), target(folder + QLatin1Char('/') + fileName) {
        QDir().mkpath(folder);
    }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
    QByteArray Read() const { return Read(target); }
    bool WriteOld() const {
        QFile file(target);
        return file.open(QIODevice::WriteOnly) && file.write(kOld) == kOld.size();
    }
    QStringList Entries() const {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    const QByteArray kOld = "old content\n";
    QString folder;
    QString target;
};

}  // namespace tbn::test
