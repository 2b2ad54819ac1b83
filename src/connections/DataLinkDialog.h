#pragma once
// The data-link dialog: pick a provider, fill in its properties, test the connection; the dialog
// composes the connection string. Opened on an existing string it starts from that string's
// properties and keeps every key it does not show.
#include "connections/DataLinkForm.h"
#include "db/ProviderCatalogue.h"

#include <QDialog>
#include <QMap>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace tbn::connections {

class DataLinkDialog : public QDialog {
    Q_OBJECT
public:
    explicit DataLinkDialog(QWidget* owner);

    // Shows the properties of text (raises tbn::Error when it cannot be parsed).
    void SetConnectionString(const QString& text);
    QString ConnectionString() const;
    // Opens and closes a connection with the composed string and tells the user how it went.
    // Returns true when the connection opened.
    bool TestConnection();

    QComboBox* providerList() const { return providerList_; }
    QLineEdit* field(const QString& key) const { return fields_.value(key); }
    QComboBox* choice(const QString& key) const { return choices_.value(key); }
    QPushButton* testButton() const { return testButton_; }
    // Every provider's page: checked writes Mode=ReadOnly; unchecked, a provider's other Mode
    // (SQLite's ReadWriteCreate) is written as chosen in the list beside it, or as it was read.
    QCheckBox* readOnlyBox() const { return readOnly_; }
    QComboBox* otherModeList() const { return otherMode_; }

private:
    void ShowProvider(const QString& provider);
    void StoreFields();
    void FitPage();
    void AddModeRow(const db::ProviderKey& key, const QString& value);

    DataLinkForm form_;
    QComboBox* providerList_ = nullptr;
    QWidget* propertyPage_ = nullptr;
    QFormLayout* propertyLayout_ = nullptr;
    QMap<QString, QLineEdit*> fields_;
    QMap<QString, QComboBox*> choices_;
    QPushButton* testButton_ = nullptr;
    QCheckBox* readOnly_ = nullptr;
    QComboBox* otherMode_ = nullptr;  // only where the provider has modes besides ReadOnly
    QString keptMode_;                // unchecked without a list: the Mode as it was read
    QDialogButtonBox* buttons_ = nullptr;
};

// The two operations the program uses, modal to owner.
std::optional<QString> PromptNew(QWidget* owner);  // nullopt when cancelled
bool PromptEdit(QWidget* owner,
                QString& connectionString);  // true and the edited string when confirmed

// Test seam: while installed, the prompts ask the responder instead of a person. It receives the
// starting string ("" for a new data source) and returns the confirmed string or nullopt.
using DataLinkResponder = std::function<std::optional<QString>(const QString& initial)>;
void SetDataLinkResponder(DataLinkResponder responder);

}  // namespace tbn::connections
