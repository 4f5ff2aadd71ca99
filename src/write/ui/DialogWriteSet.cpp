#include "write/ui/DialogWriteSet.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/Messages.h"
#include "print/ui/DialogProgress.h"
#include "write/WriteExchange.h"
#include "write/WriteGpx.h"
#include "write/ui/GuiThreadMessages.h"
#include "write/ui/ListDialogParts.h"

namespace hfp {

namespace {

constexpr int kVisibleColumnWidth = 38;
constexpr int kNameColumnWidth = 300;
constexpr int kNameBoxLimit = 255;
constexpr const char* kCsvFilter = "CSV files (*.csv);;All files (*)";
constexpr const char* kGpxFilter = "GPX files (*.gpx);;All files (*)";

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

CDialogWriteSet::CDialogWriteSet(CWrite* write, Messages* messages,
                                 std::filesystem::path dataFolder, QWidget* parent)
    : QDialog(parent),
      m_write(*write),
      m_messages(*messages),
      m_dataFolder(std::move(dataFolder)),
      m_model(*write, *messages) {
    setWindowTitle("Write set");
    m_list = MakeRowList(this, {"Visible", "Name"}, {kVisibleColumnWidth, kNameColumnWidth});
    m_name = new QLineEdit(this);
    m_name->setMaxLength(kNameBoxLimit);

    auto* up = MakeButton(this, "\u2191", "up", [this] {
        m_model.Move(true);
        Rebuild();
    });
    auto* down = MakeButton(this, "\u2193", "down", [this] {
        m_model.Move(false);
        Rebuild();
    });
    auto* remove = MakeButton(this, "Delete...", "delete", [this] {
        if (m_model.Delete()) Rebuild();
    });
    auto* add = MakeButton(this, "Add(&A)", "add", [this] {
        if (m_model.Add(m_name->text().toStdString())) Rebuild();
    });
    auto* rename = MakeButton(this, "Change name(&N)", "rename", [this] {
        if (m_model.Rename(m_name->text().toStdString())) Rebuild();
    });
    auto* exportButton = MakeButton(this, "Export(&E)...", "export", [this] { OnExport(false); });
    auto* importButton = MakeButton(this, "Inport(&I)...", "import", [this] { OnImport(); });
    auto* exportGpx =
        MakeButton(this, "Export GPX(&X)...", "exportGpx", [this] { OnExport(true); });
    auto* importGpx = MakeButton(this, "Import GPX(&G)...", "importGpx", [this] { OnImportGpx(); });
    auto* ok = MakeButton(this, "Move to selected write set(&M)", "ok", [this] { accept(); });
    auto* cancel = MakeButton(this, "Cancel", "cancel", [this] { reject(); });

    auto* edit = new QGroupBox("Edit", this);
    auto* editLayout = new QHBoxLayout(edit);
    editLayout->addWidget(m_name, 1);
    editLayout->addWidget(add);
    editLayout->addWidget(rename);
    // The exchange file's buttons above GPX's, export on the left.
    auto* exchange = new QGridLayout;
    exchange->addWidget(exportButton, 0, 0);
    exchange->addWidget(importButton, 0, 1);
    exchange->addWidget(exportGpx, 1, 0);
    exchange->addWidget(importGpx, 1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(exchange);
    bottom->addStretch();
    bottom->addWidget(ok, 0, Qt::AlignBottom);
    bottom->addWidget(cancel, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(ListWithArrows(m_list, up, down, remove));
    layout->addWidget(edit);
    layout->addLayout(bottom);
    resize(460, 360);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CDialogWriteSet::OnSelectionChanged);
    connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column == 0)
            m_model.SetChecked(m_list->indexOfTopLevelItem(item),
                               item->checkState(0) == Qt::Checked);
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        const int row = m_list->indexOfTopLevelItem(item);
        if (!m_model.DoubleClickAccepts(row)) return;
        m_model.Select(row);
        accept();
    });
    Rebuild();
}

QPushButton* CDialogWriteSet::button(const char* objectName) const {
    return FindButton(this, objectName);
}

void CDialogWriteSet::Rebuild() {
    const QSignalBlocker block(m_list);
    m_list->clear();
    for (const WriteSetModel::Row& row : m_model.Rows()) {
        auto* item = new QTreeWidgetItem(m_list, {QString(), Text(row.name)});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, row.visible ? Qt::Checked : Qt::Unchecked);
    }
    if (m_model.selected() >= 0) {
        m_list->setCurrentItem(m_list->topLevelItem(m_model.selected()));
        m_name->setText(Text(m_model.Select(m_model.selected())));
    }
    UpdateButtons();
}

void CDialogWriteSet::OnSelectionChanged() {
    const QList<QTreeWidgetItem*> chosen = m_list->selectedItems();
    const int row = chosen.isEmpty() ? -1 : m_list->indexOfTopLevelItem(chosen.front());
    const std::string name = m_model.Select(row);
    if (row >= 0) m_name->setText(Text(name));
    UpdateButtons();
}

void CDialogWriteSet::UpdateButtons() {
    const WriteSetModel::Enabled e = m_model.State();
    button("up")->setEnabled(e.up);
    button("down")->setEnabled(e.down);
    button("delete")->setEnabled(e.remove);
    button("rename")->setEnabled(e.rename);
    button("export")->setEnabled(e.exportSet);
    button("exportGpx")->setEnabled(e.exportSet);
    button("ok")->setEnabled(e.ok);
}

void CDialogWriteSet::accept() {
    Finish(true);
}

void CDialogWriteSet::reject() {
    Finish(false);
}

void CDialogWriteSet::Finish(bool ok) {
    const std::optional<int> chosen = m_model.Finish(ok);
    if (!chosen) return;
    m_chosen = *chosen;
    QDialog::done(ok ? Accepted : Rejected);
}

void CDialogWriteSet::OnExport(bool gpx) {
    const int index = m_model.ExportSet();
    if (index < 0) return;
    const QString file = QFileDialog::getSaveFileName(
        this, QString(), Text(m_write.Set(index).szName) + (gpx ? ".gpx" : ".csv"),
        gpx ? kGpxFilter : kCsvFilter);
    if (!file.isEmpty()) ExportTo(file.toStdString(), gpx);
}

void CDialogWriteSet::ExportTo(const std::filesystem::path& file, bool gpx) {
    const int index = m_model.selected();
    if (index < 0) return;
    const WRITE_SET& set = m_write.Set(index);
    GuiThreadMessages workerMessages(this, m_messages);
    std::string error;
    int leftOut = 0;
    // The set stays as it is while the modal progress dialog runs: nothing else edits it.
    CDialogProgress progress(this, "Exporting " + Text(set.szName), [&](ProgressControl& p) {
        error = gpx ? ExportGpxFile(set.szName, set.aObjects, file, p, &leftOut)
                    : ExportWriteSet(set.szName, set.aObjects, file, p, workerMessages);
    });
    progress.exec();
    if (error.empty())
        m_messages.Show(ExportedText(set.szName, leftOut), MessageIcon::Information);
    else
        m_messages.Show("Export failure.\n" + error, MessageIcon::Error);
}

void CDialogWriteSet::OnImport() {
    const QString file = QFileDialog::getOpenFileName(this, QString(), QString(), kCsvFilter);
    if (!file.isEmpty()) ImportFrom(file.toStdString());
}

void CDialogWriteSet::ImportFrom(const std::filesystem::path& file) {
    const int target = m_model.ImportTarget(file);
    if (target < 0) {
        Rebuild();
        return;
    }
    const std::string name = m_write.Set(target).szName;
    GuiThreadMessages workerMessages(this, m_messages);
    std::vector<std::unique_ptr<CWriteObject>> objects;
    std::string error;
    CDialogProgress progress(this, "Inporting to " + Text(name), [&](ProgressControl& p) {
        error = ImportWriteSet(file, m_dataFolder, p, workerMessages, &objects);
    });
    progress.exec();
    // What was read before an error stays in the set, as the message says.
    AddImportedObjects(m_write, target, std::move(objects));
    if (error.empty())
        m_messages.Show("Inported to " + name, MessageIcon::Information);
    else
        m_messages.Show(error, MessageIcon::Warning);
    m_model.Select(target);
    Rebuild();
}

void CDialogWriteSet::OnImportGpx() {
    const QString file = QFileDialog::getOpenFileName(this, QString(), QString(), kGpxFilter);
    if (!file.isEmpty()) ImportGpxFrom(file.toStdString());
}

void CDialogWriteSet::ImportGpxFrom(const std::filesystem::path& file) {
    int target = m_model.SelectedImportTarget();
    const QString text = target >= 0 ? "Inporting to " + Text(m_write.Set(target).szName)
                                     : "Inporting " + Text(file.filename().string());
    GpxImport read;
    std::string error;
    CDialogProgress progress(this, text,
                             [&](ProgressControl& p) { error = ReadGpxFile(file, p, &read); });
    progress.exec();
    // A file is taken whole or not at all, and a new set is made only for one that was read.
    if (!error.empty()) {
        m_messages.Show(error, MessageIcon::Warning);
        return;
    }
    if (target < 0)
        target = m_model.NewImportSet(UniqueImportSetName(GpxSetName(read, file), m_write));
    if (target >= 0) {
        const std::string done = GpxImportedText(m_write.Set(target).szName, read);
        AddImportedObjects(m_write, target, std::move(read.objects));
        m_messages.Show(done, MessageIcon::Information);
        m_model.Select(target);
    }
    Rebuild();
}

}  // namespace hfp
