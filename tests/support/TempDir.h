#pragma once
// A fresh temporary folder per fixture, removed with its content afterwards.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace tbn::test {

class TempDir {
public:
    TempDir() { dir_.setAutoRemove(true); }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;
    bool exists(const QString& name) const;

private:
    QTemporaryDir dir_;
};

}  // namespace tbn::test
