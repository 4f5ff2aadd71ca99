#pragma once

#include <QDialog>
#include <QString>

#include "write/PropertySettings.h"

class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace hfp {

// A button showing a colour sample that opens the colour dialog on it.
class ColorSampleButton;

// "Write string": the text, the font (through the font dialog, kept as the strings' font
// record) and the background colour of new strings or of the selected one. `note` is shown
// at the top ("Selected objects will be changed." when a selected string is edited).
class CDialogWriteString : public QDialog {
  public:
    CDialogWriteString(const WriteStringSettings& settings, const QString& note, QWidget* parent);
    // What OK leaves; the settings given while the dialog has not been accepted.
    const WriteStringSettings& settings() const { return m_settings; }
    void accept() override;

    // For tests: the font the font dialog would hand back.
    void ChooseFont(const QFont& font);
    QPlainTextEdit* textBox() const { return m_text; }
    QCheckBox* backgroundBox() const { return m_background; }
    QPushButton* colorButton() const;
    QLabel* faceLabel() const { return m_face; }

  private:
    WriteStringSettings m_settings;
    QPlainTextEdit* m_text;
    QLabel* m_face;
    QCheckBox* m_background;
    ColorSampleButton* m_color;
};

// "Write picture": the picture file (typed, chosen or dropped) with its preview, and its
// transparent colour.
class CDialogWritePicture : public QDialog {
  public:
    CDialogWritePicture(const WritePictureSettings& settings, const QString& note, QWidget* parent);
    const WritePictureSettings& settings() const { return m_settings; }
    void accept() override;

    // The file in the name box, with the preview rebuilt (Ref... and dropping end here).
    void SetFile(const QString& file);
    QLineEdit* nameBox() const { return m_name; }
    QLabel* preview() const { return m_preview; }
    QCheckBox* keyBox() const { return m_key; }

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void Browse();
    void RebuildPreview();

    WritePictureSettings m_settings;
    QString m_filter;  // the file dialog's filter, kept while the dialog is open
    QLabel* m_preview;
    QLineEdit* m_name;
    QCheckBox* m_key;
    ColorSampleButton* m_color;
};

}  // namespace hfp
