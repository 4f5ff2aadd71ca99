#include "write/ui/DialogWriteProperty.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace hfp {

namespace {

constexpr int kFileNameLimit = 260;
constexpr QSize kPreviewArea(240, 180);
constexpr const char* kPictureFilters =
    "Image files (*.bmp);;JPEG (*.jpg *.jpeg);;GIF (*.gif);;TIFF (*.tif);;PNG (*.png);;"
    "All files (*)";

QColor QColorOf(COLORREF c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

class ColorSampleButton : public QPushButton {
  public:
    ColorSampleButton(COLORREF* color, QWidget* parent) : QPushButton(parent), m_color(color) {
        setObjectName("color");
        setFixedSize(40, 24);
        connect(this, &QPushButton::clicked, this, [this] {
            const QColor chosen = QColorDialog::getColor(QColorOf(*m_color), this);
            if (!chosen.isValid()) return;
            *m_color = MakeColorref(chosen.red(), chosen.green(), chosen.blue());
            update();
        });
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPushButton::paintEvent(event);
        QPainter painter(this);
        painter.fillRect(rect().adjusted(4, 4, -4, -4),
                         isEnabled() ? QColorOf(*m_color) : palette().color(QPalette::Window));
    }

  private:
    COLORREF* m_color;
};

CDialogWriteString::CDialogWriteString(const WriteStringSettings& settings, const QString& note,
                                       QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setWindowTitle("Write string");
    m_text = new QPlainTextEdit(QString::fromStdString(settings.text), this);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* font = new QPushButton("Font(&F)...", this);
    font->setAutoDefault(false);
    m_face = new QLabel(QString::fromStdString(FaceNameOf(settings.lf)), this);
    m_background = new QCheckBox("Background color(&B)", this);
    m_background->setChecked(settings.background);
    m_color = new ColorSampleButton(&m_settings.backgroundColor, this);
    m_color->setEnabled(settings.background);

    auto* layout = new QVBoxLayout(this);
    if (!note.isEmpty()) layout->addWidget(new QLabel(note, this));
    layout->addWidget(m_text);
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(font);
    fontRow->addWidget(m_face, 1);
    layout->addLayout(fontRow);
    auto* backgroundRow = new QHBoxLayout;
    backgroundRow->addWidget(m_background);
    backgroundRow->addWidget(m_color);
    backgroundRow->addStretch();
    layout->addLayout(backgroundRow);
    layout->addWidget(OkCancel(this));
    resize(420, 300);

    connect(font, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, FontOfLogFont(m_settings.lf), this);
        if (ok) ChooseFont(chosen);
    });
    // Unchecking keeps the colour for when the box is checked again.
    connect(m_background, &QCheckBox::toggled, m_color, &QWidget::setEnabled);
}

QPushButton* CDialogWriteString::colorButton() const {
    return m_color;
}

void CDialogWriteString::ChooseFont(const QFont& font) {
    m_settings.lf = LogFontOfFont(font, m_settings.lf);
    m_face->setText(QString::fromStdString(FaceNameOf(m_settings.lf)));
}

void CDialogWriteString::accept() {
    m_settings.text = m_text->toPlainText().toStdString();
    m_settings.background = m_background->isChecked();
    QDialog::accept();
}

CDialogWritePicture::CDialogWritePicture(const WritePictureSettings& settings, const QString& note,
                                         QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setWindowTitle("Write picture");
    setAcceptDrops(true);
    m_preview = new QLabel(this);
    m_preview->setFixedSize(kPreviewArea);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setFrameShape(QFrame::StyledPanel);
    m_name = new QLineEdit(QString::fromStdString(settings.file), this);
    m_name->setMaxLength(kFileNameLimit);
    auto* browse = new QPushButton("Ref...", this);
    browse->setAutoDefault(false);
    m_key = new QCheckBox("Transparency color(&T)", this);
    m_key->setObjectName("Transparency");
    m_key->setChecked(settings.colorKey);
    m_color = new ColorSampleButton(&m_settings.colorKeyColor, this);
    m_color->setEnabled(settings.colorKey);

    auto* layout = new QVBoxLayout(this);
    if (!note.isEmpty()) layout->addWidget(new QLabel(note, this));
    layout->addWidget(m_preview, 0, Qt::AlignHCenter);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel("File name(&N)", this));
    fileRow->addWidget(m_name, 1);
    fileRow->addWidget(browse);
    layout->addLayout(fileRow);
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(m_key);
    keyRow->addWidget(m_color);
    keyRow->addStretch();
    layout->addLayout(keyRow);
    layout->addWidget(OkCancel(this));

    connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
    connect(m_key, &QCheckBox::toggled, m_color, &QWidget::setEnabled);
    RebuildPreview();
}

void CDialogWritePicture::Browse() {
    const QString file =
        QFileDialog::getOpenFileName(this, QString(), m_name->text(), kPictureFilters, &m_filter);
    if (!file.isEmpty()) SetFile(file);
}

void CDialogWritePicture::SetFile(const QString& file) {
    m_name->setText(file);
    RebuildPreview();
}

void CDialogWritePicture::RebuildPreview() {
    m_preview->clear();
    if (m_name->text().isEmpty()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QImageReader reader(m_name->text());
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    QApplication::restoreOverrideCursor();
    if (image.isNull()) return;  // a picture that cannot be loaded leaves the preview empty
    const QSize shown = PreviewSize(image.size(), m_preview->size());
    m_preview->setPixmap(
        QPixmap::fromImage(image.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

void CDialogWritePicture::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CDialogWritePicture::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    SetFile(urls.front().toLocalFile());  // only the first of several files
    event->acceptProposedAction();
}

void CDialogWritePicture::accept() {
    m_settings.file = m_name->text().toStdString();
    m_settings.colorKey = m_key->isChecked();
    QDialog::accept();
}

}  // namespace hfp
