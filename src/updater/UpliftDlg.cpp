#include "updater/UpliftDlg.h"

#include <QIcon>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QVBoxLayout>

#include "platform/HttpClient.h"
#include "platform/Trace.h"
#include "updater/UpdateList.h"

namespace hfp {

CupliftDlg::CupliftDlg(std::vector<std::string> lines, std::filesystem::path folder, bool silent)
    : m_lines(std::move(lines)), m_folder(std::move(folder)), m_silent(silent) {
    setWindowTitle(QString::fromUtf8("バージョンアップ"));
    setWindowIcon(QIcon::fromTheme("system-software-update"));
    m_text = new QLabel(QString::fromStdString(UpdateMessageText(m_lines[kMessageLine])), this);
    m_text->setMinimumWidth(320);
    m_text->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    auto* busy = new QProgressBar(this);  // moving, so that a long download shows life
    busy->setRange(0, 0);
    layout->addWidget(busy);

    m_worker = std::thread([this] {
        HttpClient client;
        for (std::size_t i = kFirstCommandLine; i < m_lines.size(); ++i)
            RunUpdateCommand(m_lines[i], m_folder, client);
        QMetaObject::invokeMethod(
            this, [this] { Finish(); }, Qt::QueuedConnection);
    });
}

CupliftDlg::~CupliftDlg() {
    if (m_worker.joinable()) m_worker.join();
}

void CupliftDlg::setVisible(bool visible) {
    if (visible && m_silent) return;
    QDialog::setVisible(visible);
}

void CupliftDlg::reject() {
    if (m_finished) QDialog::reject();
}

QString CupliftDlg::message() const {
    return m_text->text();
}

void CupliftDlg::Finish() {
    m_worker.join();
    m_finished = true;
    StartProgram();
    accept();
}

void CupliftDlg::StartProgram() const {
    const std::string& name = m_lines[kProgramLine];
    if (name.empty()) return;
    auto program = PathInside(m_folder, name);
    if (!program) {
        Trace("uplift: refused, leads outside %s: %s", m_folder.c_str(), name.c_str());
        return;
    }
    if (!QProcess::startDetached(QString::fromStdString(program->string()), {},
                                 QString::fromStdString(m_folder.string())))
        Trace("uplift: cannot start %s", program->c_str());
}

}  // namespace hfp
