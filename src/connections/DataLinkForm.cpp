#include "connections/DataLinkForm.h"

#include "db/ConnectionString.h"
#include "db/ProviderCatalogue.h"

namespace tbn::connections {

DataLinkForm DataLinkForm::ForProvider(const QString& provider) {
    DataLinkForm form;
    form.provider_ = provider;
    return form;
}

DataLinkForm DataLinkForm::FromConnectionString(const QString& text) {
    const db::ConnectionString parsed = db::ConnectionString::Parse(text.toStdString());
    DataLinkForm form;
    std::string named;
    const db::ProviderInfo* known = db::ChooseProvider(parsed, &named);
    form.provider_ = known ? QString::fromUtf8(known->name) : QString::fromStdString(named);
    for (const db::ConnectionProperty& property : parsed.Properties()) {
        const QString key = QString::fromStdString(property.Key);
        const QString value = QString::fromStdString(property.Value);
        if (key.compare(QLatin1String("Provider"), Qt::CaseInsensitive) == 0) continue;
        if (const db::ProviderKey* shown = known ? known->Find(property.Key) : nullptr)
            form.SetValue(QString::fromUtf8(shown->name), value);
        else
            form.extras_.append({key, value});
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
    if (const db::ProviderInfo* known = db::FindProvider(provider_.toStdString())) {
        for (const db::ProviderKey& key : known->keys) {
            const QString value = Value(QString::fromUtf8(key.name));
            if (!value.isEmpty()) out.Set(key.name, value.toStdString());
        }
    } else {
        for (const auto& [k, v] : values_)
            if (!v.isEmpty()) out.Set(k.toStdString(), v.toStdString());
    }
    for (const auto& [k, v] : extras_) out.Set(k.toStdString(), v.toStdString());
    return QString::fromStdString(out.ToString());
}

}  // namespace tbn::connections
