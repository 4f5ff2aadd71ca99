#include "updater/UpliftApp.h"

#include <QEventLoop>

#include "platform/HttpClient.h"
#include "platform/Messages.h"
#include "platform/NamedMutex.h"
#include "platform/Trace.h"
#include "updater/UpdateList.h"
#include "updater/UpliftDlg.h"

namespace hfp {

int CupliftApp::Run(const std::string& commandLine, const std::filesystem::path& folder,
                    Messages& messages) {
    NamedMutex instance(kInstanceMutexName);
    if (!instance.TryLock() && instance.fileOpen()) return 0;  // another updater runs

    UpliftCommandLine command = ParseUpliftCommandLine(commandLine);
    if (command.host.empty()) {
        messages.Show("upliftファイルのURLが指定されていません", MessageIcon::Error);
        return 1;
    }
    if (command.listPath.empty()) {
        messages.Show("upliftファイル名が指定されていません", MessageIcon::Error);
        return 1;
    }
    std::string list;
    {
        HttpClient client;
        if (!DownloadUpdateFile(client, command.host, command.listPath, &list)) {
            messages.Show("upliftファイルをダウンロードできません", MessageIcon::Error);
            return 1;
        }
    }
    std::vector<std::string> lines = SplitUpdateList(list);
    if (lines.size() <= kMessageLine) return 0;

    // Wait until the program being updated has ended: it holds this mutex while it runs.
    const std::string& mutexName = lines[kMutexLine];
    if (!IsPlainMutexName(mutexName)) {
        Trace("uplift: refused the mutex name %s: it is a path", mutexName.c_str());
        return 1;
    }
    if (!mutexName.empty()) {
        NamedMutex program(mutexName);
        if (!program.Lock()) Trace("uplift: cannot open %s", program.path().c_str());
    }

    // The dialog's own modal loop would never end while the dialog stays hidden, as in
    // silent mode: wait for it to finish instead.
    CupliftDlg dialog(std::move(lines), folder, command.silent);
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    dialog.open();
    loop.exec();
    return 0;
}

}  // namespace hfp
