#include "app/DialogSet.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <array>

#include "platform/Messages.h"
#include "settings/SetData.h"
#include "settings/SettingOptions.h"

namespace hfp {

CDialogSet::CDialogSet(CSetData* settings, bool mayChangeStartupDownload, Messages* messages,
                       QWidget* parent)
    : QDialog(parent),
      m_settings(settings),
      m_mayChangeStartupDownload(mayChangeStartupDownload),
      m_messages(messages),
      m_memoryMapMax(new QLineEdit(this)) {
    setWindowTitle("設定");
    const SettingOptions options = SettingOptions::Of(*settings);
    auto* layout = new QVBoxLayout(this);
    std::array<QVBoxLayout*, kSettingGroupCount> groups{};
    for (int g = 0; g < kSettingGroupCount; ++g) {
        auto* box = new QGroupBox(kSettingGroupTitles[g], this);
        groups[g] = new QVBoxLayout(box);
        layout->addWidget(box);
    }

    m_memoryMapMax->setObjectName("memoryMapMax");
    m_memoryMapMax->setMaxLength(kMemoryMapMaxLength);
    m_memoryMapMax->setFixedWidth(m_memoryMapMax->fontMetrics().horizontalAdvance("00000000") + 16);
    m_memoryMapMax->setText(QString::fromStdString(options.memoryMapMax));
    auto* label = new QLabel(kMemoryMapMaxLabel, this);
    label->setBuddy(m_memoryMapMax);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_memoryMapMax);
    row->addWidget(new QLabel(kMemoryMapMaxUnit, this));
    row->addStretch(1);
    groups[kSystemGroup]->addLayout(row);

    const std::span<const SettingCheck> checks = SettingChecks();
    for (std::size_t i = 0; i < checks.size(); ++i) {
        auto* box = new QCheckBox(checks[i].label, this);
        box->setChecked(options.checks[i]);
        groups[checks[i].group]->addWidget(box);
        m_checks.push_back(box);
    }

    layout->addWidget(new QLabel(kRestartNote, this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CDialogSet::accept() {
    SettingOptions options;
    for (const QCheckBox* box : m_checks)
        options.checks.push_back(box->isChecked());
    options.memoryMapMax = m_memoryMapMax->text().toStdString();
    const std::string refused = options.StoreInto(m_settings, m_mayChangeStartupDownload);
    if (!refused.empty()) {
        m_messages->Show(refused, MessageIcon::Information);
        return;
    }
    QDialog::accept();
}

}  // namespace hfp
