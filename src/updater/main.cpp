// uplift: updates the installation of HollowfernPlotter from an update list.
//   uplift HOST LIST-PATH [silent]

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

#include "platform/Messages.h"
#include "updater/UpliftApp.h"

namespace {

// The updater's start-up failures, in message boxes captioned "error".
class ErrorBoxes : public hfp::Messages {
  public:
    void Show(const std::string& text, hfp::MessageIcon) override {
        QMessageBox::critical(nullptr, "error", QString::fromStdString(text));
    }
    bool Ask(const std::string&, hfp::MessageIcon, bool defaultYes) override { return defaultYes; }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("uplift");
    QStringList arguments = QApplication::arguments().mid(1);
    ErrorBoxes messages;
    return hfp::CupliftApp::Run(arguments.join(' ').toStdString(),
                                QApplication::applicationDirPath().toStdString(), messages);
}
