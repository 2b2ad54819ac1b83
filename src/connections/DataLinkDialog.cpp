#include "connections/DataLinkDialog.h"

#include "core/Error.h"
#include "db/Connection.h"
#include "db/ConnectionString.h"
#include "db/ProviderCatalogue.h"
#include "db/ReadOnlyMode.h"
#include "ui/MousePointer.h"
#include "ui/MsgBox.h"
#include "ui/Responder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tbn::connections {

void SetDataLinkResponder(DataLinkResponder r) {
    ui::InstalledResponder<DataLinkResponder>() = std::move(r);
}

DataLinkDialog::DataLinkDialog(QWidget* owner)
    : QDialog(owner), form_(DataLinkForm::ForProvider(QStringLiteral("SQLite"))) {
    setWindowTitle(QStringLiteral("Data link properties"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QFormLayout;
    providerList_ = new QComboBox(this);
    for (const db::ProviderInfo& p : db::Providers())
        providerList_->addItem(QString::fromUtf8(p.caption), QString::fromUtf8(p.name));
    top->addRow(QStringLiteral("Provider:"), providerList_);
    layout->addLayout(top);
    propertyPage_ = new QWidget(this);
    propertyLayout_ = new QFormLayout(propertyPage_);
    layout->addWidget(propertyPage_);
    testButton_ = new QPushButton(QStringLiteral("Test connection"), this);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->addButton(testButton_, QDialogButtonBox::ActionRole);
    layout->addWidget(buttons_);
    resize(480, sizeHint().height());

    connect(providerList_, &QComboBox::currentIndexChanged, this, [this](int index) {
        StoreFields();
        form_.SetProvider(providerList_->itemData(index).toString());
        ShowProvider(form_.provider());
    });
    connect(testButton_, &QPushButton::clicked, this, [this] { TestConnection(); });
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ShowProvider(form_.provider());
}

void DataLinkDialog::ShowProvider(const QString& provider) {
    while (propertyLayout_->rowCount() > 0) propertyLayout_->removeRow(0);
    fields_.clear();
    choices_.clear();
    readOnly_ = nullptr;
    otherMode_ = nullptr;
    keptMode_.clear();
    if (const db::ProviderInfo* known = db::FindProvider(provider.toStdString())) {
        for (const db::ProviderKey& p : known->keys) {
            const QString key = QString::fromUtf8(p.name);
            const QString value = form_.Value(key);
            if (p.name == "Mode") {
                AddModeRow(p, value);
                continue;
            }
            if (p.kind == db::KeyKind::Choice) {
                auto* combo = new QComboBox(propertyPage_);
                combo->setEditable(true);
                for (const std::string& choice : db::ChoicesOf(p))
                    combo->addItem(QString::fromStdString(choice));
                combo->setCurrentText(value);
                choices_.insert(key, combo);
                propertyLayout_->addRow(key + QLatin1Char(':'), combo);
                continue;
            }
            auto* edit = new QLineEdit(value, propertyPage_);
            edit->setObjectName(key);
            if (p.kind == db::KeyKind::Secret) edit->setEchoMode(QLineEdit::Password);
            fields_.insert(key, edit);
            if (p.kind == db::KeyKind::File) {
                auto* row = new QWidget(propertyPage_);
                auto* h = new QHBoxLayout(row);
                h->setContentsMargins(0, 0, 0, 0);
                edit->setParent(row);
                h->addWidget(edit);
                auto* browse = new QPushButton(QStringLiteral("Browse..."), row);
                h->addWidget(browse);
                connect(browse, &QPushButton::clicked, this, [this, edit] {
                    const QString chosen = QFileDialog::getOpenFileName(
                        this, QStringLiteral("Database file"), edit->text(),
                        QStringLiteral("SQLite databases (*.db *.sqlite *.sqlite3);;All files (*)"),
                        nullptr, QFileDialog::DontConfirmOverwrite);
                    if (!chosen.isEmpty()) edit->setText(chosen);
                });
                propertyLayout_->addRow(key + QLatin1Char(':'), row);
            } else {
                propertyLayout_->addRow(key + QLatin1Char(':'), edit);
            }
        }
    }
    FitPage();
}

void DataLinkDialog::AddModeRow(const db::ProviderKey& key, const QString& value) {
    const auto readOnly = [](const QString& mode) {
        return db::IsReadOnlyMode(mode.toStdString());
    };
    readOnly_ = new QCheckBox(QStringLiteral("Read only"), propertyPage_);
    readOnly_->setObjectName(QStringLiteral("ReadOnly"));
    readOnly_->setChecked(readOnly(value));
    QStringList others;
    for (const std::string& choice : db::ChoicesOf(key))
        if (!readOnly(QString::fromStdString(choice))) others << QString::fromStdString(choice);
    // A Mode this provider does not have (carried over from another provider's page) goes.
    QString other;
    for (const QString& choice : others)
        if (choice.compare(value, Qt::CaseInsensitive) == 0) other = choice;
    // Not set and ReadWrite mean the same; a list is worth showing only for more than that.
    const bool moreModes = std::any_of(others.begin(), others.end(), [](const QString& mode) {
        return !mode.isEmpty() && mode != QLatin1String("ReadWrite");
    });
    if (!moreModes) {
        keptMode_ = other;
        propertyLayout_->addRow(QStringLiteral("Mode:"), readOnly_);
        return;
    }
    auto* row = new QWidget(propertyPage_);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    otherMode_ = new QComboBox(row);
    otherMode_->addItems(others);
    otherMode_->setCurrentText(other);
    otherMode_->setEnabled(!readOnly_->isChecked());
    h->addWidget(otherMode_, 1);
    readOnly_->setParent(row);
    h->addWidget(readOnly_);
    connect(readOnly_, &QCheckBox::toggled, otherMode_,
            [list = otherMode_](bool checked) { list->setEnabled(!checked); });
    propertyLayout_->addRow(QStringLiteral("Mode:"), row);
}

void DataLinkDialog::FitPage() {
    // A page's fields are made after the buttons, so by creation order Tab would visit the
    // buttons first; the order is the provider, the fields from the top down, then the buttons as
    // they stand in their row.
    QWidget* previous = providerList_;
    auto follow = [&previous](QWidget* next) {
        setTabOrder(previous, next);
        previous = next;
    };
    for (int row = 0; row < propertyLayout_->rowCount(); ++row) {
        const QLayoutItem* item = propertyLayout_->itemAt(row, QFormLayout::FieldRole);
        QWidget* field = item ? item->widget() : nullptr;
        if (!field) continue;
        if (QLayout* parts = field->layout()) {  // a file name and its Browse button
            for (int i = 0; i < parts->count(); ++i)
                if (QWidget* part = parts->itemAt(i)->widget()) follow(part);
        } else {
            follow(field);
        }
    }
    for (int i = 0; i < buttons_->layout()->count(); ++i)
        if (QWidget* button = buttons_->layout()->itemAt(i)->widget()) follow(button);

    // Without this the dialog would keep the tallest page's height and the fields would float
    // in a blank band. Rows added to a shown dialog would become visible only later, counting for
    // nothing in its size yet, so they are shown first.
    for (QWidget* part : propertyPage_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        part->show();
    layout()->activate();
    resize(width(), sizeHint().height());
}

void DataLinkDialog::StoreFields() {
    for (auto it = fields_.cbegin(); it != fields_.cend(); ++it)
        form_.SetValue(it.key(), it.value()->text());
    for (auto it = choices_.cbegin(); it != choices_.cend(); ++it)
        form_.SetValue(it.key(), it.value()->currentText());
    if (readOnly_)
        form_.SetValue(QStringLiteral("Mode"), readOnly_->isChecked() ? QStringLiteral("ReadOnly")
                                               : otherMode_           ? otherMode_->currentText()
                                                                      : keptMode_);
}

void DataLinkDialog::SetConnectionString(const QString& text) {
    form_ = DataLinkForm::FromConnectionString(text);
    int index = providerList_->findData(form_.provider(), Qt::UserRole, Qt::MatchFixedString);
    if (index < 0) {
        providerList_->addItem(form_.provider(), form_.provider());
        index = providerList_->count() - 1;
    }
    const QSignalBlocker block(providerList_);
    providerList_->setCurrentIndex(index);
    ShowProvider(form_.provider());
}

QString DataLinkDialog::ConnectionString() const {
    const_cast<DataLinkDialog*>(this)->StoreFields();
    return form_.ToConnectionString();
}

bool DataLinkDialog::TestConnection() {
    const QString text = ConnectionString();
    try {
        ui::HourglassScope hourglass;
        db::Connection connection;
        connection.Open(text.toStdString());
        connection.Close();
    } catch (const Error& e) {
        ui::MsgBox(QStringLiteral("Test connection failed:\r\n") +
                       QString::fromStdString(e.Description()),
                   ui::vbOKOnly + ui::vbCritical, QString());
        return false;
    }
    ui::MsgBox(QStringLiteral("Test connection succeeded."), ui::vbOKOnly + ui::vbInformation,
               QString());
    return true;
}

std::optional<QString> PromptNew(QWidget* owner) {
    if (const DataLinkResponder& responder = ui::InstalledResponder<DataLinkResponder>())
        return responder(QString());
    DataLinkDialog dialog(owner);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.ConnectionString();
}

bool PromptEdit(QWidget* owner, QString& connectionString) {
    if (const DataLinkResponder& responder = ui::InstalledResponder<DataLinkResponder>()) {
        const std::optional<QString> edited = responder(connectionString);
        if (!edited) return false;
        connectionString = *edited;
        return true;
    }
    DataLinkDialog dialog(owner);
    dialog.SetConnectionString(connectionString);
    if (dialog.exec() != QDialog::Accepted) return false;
    connectionString = dialog.ConnectionString();
    return true;
}

}  // namespace tbn::connections
