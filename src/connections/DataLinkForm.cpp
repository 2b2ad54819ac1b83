#include "connections/DataLinkForm.h"

#include "db/ConnectionString.h"
#include "db/OdbcSources.h"

namespace tbn::platform {

QList<ProviderSpec> DataLinkProviders() {
    QList<ProviderSpec> providers;
    providers.append(ProviderSpec{
        QStringLiteral("SQLite"), QStringLiteral("SQLite database file"),
        {PropertySpec{QStringLiteral("Data Source"), {}, PropertySpec::File, {}},
         PropertySpec{QStringLiteral("Mode"), {}, PropertySpec::Choice,
                      {QString(), QStringLiteral("ReadWrite"), QStringLiteral("ReadOnly"),
                       QStringLiteral("ReadWriteCreate")}},
         PropertySpec{QStringLiteral("Busy Timeout"), {}, PropertySpec::Text, {}}}});
    providers.append(ProviderSpec{
        QStringLiteral("PostgreSQL"), QStringLiteral("PostgreSQL server"),
        {PropertySpec{QStringLiteral("Host"), {QStringLiteral("Server")}, PropertySpec::Text, {}},
         PropertySpec{QStringLiteral("Port"), {}, PropertySpec::Text, {}},
         PropertySpec{QStringLiteral("Database"), {QStringLiteral("Initial Catalog")}, PropertySpec::Text, {}},
         PropertySpec{QStringLiteral("User ID"), {QStringLiteral("Username")}, PropertySpec::Text, {}},
         PropertySpec{QStringLiteral("Password"), {}, PropertySpec::Secret, {}},
         PropertySpec{QStringLiteral("SSL Mode"), {}, PropertySpec::Choice,
                      {QString(), QStringLiteral("disable"), QStringLiteral("allow"), QStringLiteral("prefer"),
                       QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")}},
         PropertySpec{QStringLiteral("Connect Timeout"), {}, PropertySpec::Text, {}},
         PropertySpec{QStringLiteral("Application Name"), {}, PropertySpec::Text, {}}}});
    // The lists are read from the driver manager each time, so a driver installed while the
    // program runs shows up the next time the dialog opens.
    QStringList drivers{QString()}, sources{QString()};
    for (const std::string& name : db::OdbcDrivers()) drivers.append(QString::fromStdString(name));
    for (const std::string& name : db::OdbcDataSources()) sources.append(QString::fromStdString(name));
    providers.append(ProviderSpec{
        QStringLiteral("ODBC"), QStringLiteral("ODBC driver or data source"),
        {PropertySpec{QStringLiteral("Driver"), {}, PropertySpec::Choice, drivers},
         PropertySpec{QStringLiteral("DSN"), {}, PropertySpec::Choice, sources},
         PropertySpec{QStringLiteral("UID"), {}, PropertySpec::Text, {}},
         PropertySpec{QStringLiteral("PWD"), {}, PropertySpec::Secret, {}},
         PropertySpec{QStringLiteral("Database"), {}, PropertySpec::Text, {}},
         PropertySpec{QStringLiteral("Server"), {}, PropertySpec::Text, {}},
         PropertySpec{QStringLiteral("Port"), {}, PropertySpec::Text, {}}}});
    return providers;
}

namespace {

const ProviderSpec* FindProvider(const QString& name) {
    static const QList<ProviderSpec> providers = DataLinkProviders();
    for (const ProviderSpec& p : providers)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0) return &p;
    return nullptr;
}

// The canonical key of a property of the provider that key names, or an empty string.
QString CanonicalKey(const ProviderSpec* provider, const QString& key) {
    if (!provider) return {};
    for (const PropertySpec& p : provider->properties) {
        if (p.key.compare(key, Qt::CaseInsensitive) == 0) return p.key;
        for (const QString& alias : p.aliases)
            if (alias.compare(key, Qt::CaseInsensitive) == 0) return p.key;
    }
    return {};
}

} // namespace

DataLinkForm DataLinkForm::ForProvider(const QString& provider) {
    DataLinkForm form;
    form.provider_ = provider;
    return form;
}

DataLinkForm DataLinkForm::FromConnectionString(const QString& text) {
    const db::ConnectionString parsed = db::ConnectionString::Parse(text.toStdString());
    DataLinkForm form;
    QString provider = QString::fromStdString(parsed.Get({"Provider"}).value_or(""));
    if (provider.isEmpty())
        provider = parsed.Get({"Driver", "DSN"}) ? QStringLiteral("ODBC") : QStringLiteral("SQLite");
    const ProviderSpec* known = FindProvider(provider);
    form.provider_ = known ? known->name : provider;
    for (const db::ConnectionProperty& property : parsed.Properties()) {
        const QString key = QString::fromStdString(property.Key);
        const QString value = QString::fromStdString(property.Value);
        if (key.compare(QLatin1String("Provider"), Qt::CaseInsensitive) == 0) continue;
        const QString canonical = CanonicalKey(known, key);
        if (canonical.isEmpty())
            form.extras_.append({key, value});
        else
            form.SetValue(canonical, value);
    }
    return form;
}

QString DataLinkForm::Value(const QString& key) const {
    for (const auto& [k, v] : values_)
        if (k == key) return v;
    return {};
}

void DataLinkForm::SetValue(const QString& key, const QString& value) {
    for (auto& entry : values_)
        if (entry.first == key) {
            entry.second = value;
            return;
        }
    values_.append({key, value});
}

QString DataLinkForm::ToConnectionString() const {
    db::ConnectionString out;
    out.Set("Provider", provider_.toStdString());
    if (const ProviderSpec* known = FindProvider(provider_)) {
        for (const PropertySpec& p : known->properties) {
            const QString value = Value(p.key);
            if (!value.isEmpty()) out.Set(p.key.toStdString(), value.toStdString());
        }
    } else {
        for (const auto& [k, v] : values_)
            if (!v.isEmpty()) out.Set(k.toStdString(), v.toStdString());
    }
    for (const auto& [k, v] : extras_) out.Set(k.toStdString(), v.toStdString());
    return QString::fromStdString(out.ToString());
}

} // namespace tbn::platform
