#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

#include "common/Screenshot.h"
#include "common/TempDir.h"
#include "write/ui/DialogWriteProperty.h"

namespace hfp::test {
namespace {

TEST(DialogWriteString, BackgroundColourIsKeptWhileUncheckedAndFontComesBack) {
    WriteStringSettings given;
    given.text = "Hut";
    given.background = true;
    given.backgroundColor = MakeColorref(250, 240, 200);
    CDialogWriteString dialog(given, "Selected objects will be changed.", nullptr);
    dialog.show();
    KeepScreenshot(dialog, "write-string");
    EXPECT_TRUE(dialog.colorButton()->isEnabled());
    dialog.backgroundBox()->setChecked(false);
    EXPECT_FALSE(dialog.colorButton()->isEnabled());
    QFont chosen("DejaVu Serif");
    chosen.setPixelSize(30);
    chosen.setBold(true);
    dialog.ChooseFont(chosen);
    EXPECT_EQ(dialog.faceLabel()->text(), "DejaVu Serif");
    dialog.textBox()->setPlainText("Hut\nSpring");
    dialog.accept();
    EXPECT_EQ(dialog.settings().text, "Hut\nSpring");
    EXPECT_FALSE(dialog.settings().background);
    EXPECT_EQ(dialog.settings().backgroundColor, MakeColorref(250, 240, 200));
    EXPECT_EQ(dialog.settings().lf.lfHeight, -30);
    EXPECT_EQ(dialog.settings().lf.lfWeight, 700);
}

TEST(DialogWritePicture, DropTakesTheFirstFileAndPreviewsItUnenlarged) {
    TempDir dir;
    QImage small(60, 40, QImage::Format_RGB32);
    small.fill(Qt::darkGreen);
    ASSERT_TRUE(small.save(QString::fromStdString((dir / "a.png").string())));
    WriteFile(dir / "broken.png", "not a picture");
    CDialogWritePicture dialog(WritePictureSettings{}, QString(), nullptr);
    dialog.show();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir / "a.png").string())),
                  QUrl::fromLocalFile(QString::fromStdString((dir / "broken.png").string()))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &drop);
    EXPECT_TRUE(dialog.nameBox()->text().endsWith("a.png"));
    EXPECT_EQ(dialog.preview()->pixmap().size(), QSize(60, 40));
    KeepScreenshot(dialog, "write-picture");
    dialog.SetFile(QString::fromStdString((dir / "broken.png").string()));
    EXPECT_TRUE(dialog.preview()->pixmap().isNull());
    dialog.keyBox()->setChecked(true);
    dialog.accept();
    EXPECT_TRUE(dialog.settings().colorKey);
    EXPECT_EQ(dialog.settings().file, (dir / "broken.png").string());
}

}  // namespace
}  // namespace hfp::test
