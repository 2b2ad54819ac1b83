#include "support/TempDir.h"

#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace tbn::test {

void TempDir::write(const QString& name, const QByteArray& bytes) const {
    QFile f(file(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file " + file(name).toStdString());
}

QByteArray TempDir::read(const QString& name) const {
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read test file " + file(name).toStdString());
    return f.readAll();
}

bool TempDir::exists(const QString& name) const { return QFileInfo::exists(file(name)); }

}  // namespace tbn::test
