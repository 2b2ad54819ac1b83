#pragma once
// What the data-link dialog edits, without the widgets: a provider, its known properties and
// every other key of the string, kept in order so that nothing the user wrote is dropped. Which
// providers and keys are known, and under which spellings, comes from db/ProviderCatalogue.h.
#include <QList>
#include <QPair>
#include <QString>

namespace tbn::connections {

class DataLinkForm {
public:
    // Reads a connection string; raises tbn::Error when it cannot be parsed.
    static DataLinkForm FromConnectionString(const QString& text);
    static DataLinkForm ForProvider(const QString& provider);

    const QString& provider() const { return provider_; }
    void SetProvider(const QString& provider) { provider_ = provider; }
    QString Value(const QString& key) const;
    void SetValue(const QString& key, const QString& value);
    const QList<QPair<QString, QString>>& Extras() const { return extras_; }

    // Provider first, then the provider's properties that have a value, then the other keys.
    QString ToConnectionString() const;

private:
    QString provider_;
    QList<QPair<QString, QString>> values_;  // canonical key -> value
    QList<QPair<QString, QString>> extras_;  // keys the provider does not know, as written
};

}  // namespace tbn::connections
