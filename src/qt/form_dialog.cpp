#include "qt/form_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qtui {

namespace {
QString q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

FormDialog::FormDialog(QWidget* parent, std::string_view title,
                       std::span<const platform::FormField> fields)
    : QDialog(parent) {
    using Kind = platform::FormField::Kind;
    setWindowTitle(q(title));
    setObjectName(QStringLiteral("formDialog"));
    auto* form = new QFormLayout();
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const platform::FormField& f = fields[i];
        auto* cell = new QWidget(this);
        auto* column = new QVBoxLayout(cell);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(2);
        QLineEdit* edit = nullptr;
        QCheckBox* check = nullptr;
        if (f.kind == Kind::Switch) {
            check = new QCheckBox(cell);
            check->setChecked(f.value == "1");
            check->setObjectName(QStringLiteral("field%1").arg(i));
            column->addWidget(check);
        } else {
            auto* row = new QHBoxLayout();
            edit = new QLineEdit(q(f.value), cell);
            edit->setObjectName(QStringLiteral("field%1").arg(i));
            edit->setMinimumWidth(360);
            row->addWidget(edit, 1);
            if (f.kind == Kind::File || f.kind == Kind::Folder) {
                auto* browse = new QPushButton(tr("Browse..."), cell);
                browse->setAutoDefault(false);
                const bool folder = f.kind == Kind::Folder;
                const QString caption = q(f.label);
                connect(browse, &QPushButton::clicked, this, [this, edit, folder, caption] {
                    const QString chosen =
                        folder ? QFileDialog::getExistingDirectory(this, caption, edit->text())
                               : QFileDialog::getOpenFileName(this, caption, edit->text());
                    if (!chosen.isEmpty()) edit->setText(chosen);
                });
                row->addWidget(browse);
            }
            column->addLayout(row);
        }
        if (!f.help.empty()) {
            auto* help = new QLabel(q(f.help), cell);
            help->setWordWrap(true);
            help->setEnabled(false);  // drawn quieter than the field
            column->addWidget(help);
        }
        form->addRow(q(f.label), cell);
        edits_.push_back(edit);
        checks_.push_back(check);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Cancel)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(form);
    outer->addWidget(buttons);
}

void FormDialog::values(std::span<platform::FormField> fields) const {
    for (std::size_t i = 0; i < fields.size() && i < edits_.size(); ++i) {
        if (checks_[i] != nullptr) fields[i].value.assign(1, checks_[i]->isChecked() ? '1' : '0');
        if (edits_[i] != nullptr) fields[i].value = edits_[i]->text().trimmed().toStdString();
    }
}

}  // namespace qtui
