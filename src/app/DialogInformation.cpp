#include "app/DialogInformation.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <cmath>
#include <limits>
#include <set>

namespace hfp {

namespace {

// The report's lines put one to three tabs between a label and its ":", chosen for the tab
// stops and font of another platform. Of the tab distances that could serve, this finds the
// one that lines up the most colons in this font: the fewest different colon positions.
qreal AligningTabDistance(const QFontMetricsF& metrics, const QString& report) {
    qreal best = 0;
    int fewest = std::numeric_limits<int>::max();
    for (int spaces = 4; spaces <= 24; ++spaces) {
        const qreal distance = metrics.horizontalAdvance(' ') * spaces;
        std::set<int> colons;
        for (const QString& line : report.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon < 0) continue;
            const QStringList pieces = line.left(colon).split('\t');
            qreal x = 0;
            for (qsizetype i = 0; i < pieces.size(); ++i) {
                x += metrics.horizontalAdvance(pieces[i]);
                if (i + 1 < pieces.size()) x = (std::floor(x / distance) + 1) * distance;
            }
            colons.insert(static_cast<int>(x));
        }
        if (static_cast<int>(colons.size()) < fewest) {
            fewest = static_cast<int>(colons.size());
            best = distance;
        }
    }
    return best;
}

}  // namespace

CDialogInformation::CDialogInformation(const PrinterCapabilities& printer,
                                       std::filesystem::path dataFolder, QWidget* parent)
    : QDialog(parent), m_text(new QPlainTextEdit(this)) {
    setWindowTitle("Information");
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    resize(600, 700);

    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_worker = std::jthread([this, printer, folder = std::move(dataFolder)](std::stop_token stop) {
        const std::string report = BuildSystemInformation(printer, folder, stop);
        if (stop.stop_requested()) return;
        // The destructor joins this thread before the dialog goes, and a call queued for a
        // dialog that has gone is dropped.
        QMetaObject::invokeMethod(
            this, [this, text = QString::fromStdString(report)] { ShowReport(text); },
            Qt::QueuedConnection);
    });
}

CDialogInformation::~CDialogInformation() {
    m_worker.request_stop();
    m_worker.join();
    if (m_waiting) QApplication::restoreOverrideCursor();
}

QString CDialogInformation::text() const {
    return m_text->toPlainText();
}

void CDialogInformation::ShowReport(const QString& report) {
    m_text->setTabStopDistance(AligningTabDistance(QFontMetricsF(m_text->font()), report));
    m_text->setPlainText(report);
    if (m_waiting) QApplication::restoreOverrideCursor();
    m_waiting = false;
}

}  // namespace hfp
