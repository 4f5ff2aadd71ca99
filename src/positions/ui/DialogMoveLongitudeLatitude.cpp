#include "positions/ui/DialogMoveLongitudeLatitude.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "positions/MoveLongitudeLatitude.h"
#include "print/ui/DialogFields.h"
#include "write/ui/ListDialogParts.h"

namespace hfp {

std::vector<QLineEdit*> AddCoordinateRow(QGridLayout* grid, int row, const char* label,
                                         int degreeLength, int count, QWidget* parent) {
    static const char* const kMarks[] = {"\u00B0", "\u2032", "\u2033", ""};
    auto* caption = new QLabel(label, parent);
    grid->addWidget(caption, row, 0);
    std::vector<QLineEdit*> fields;
    for (int i = 0; i < count; ++i) {
        QLineEdit* field = NumberField(i == 0 ? degreeLength : 2, FieldRule::None, parent);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance('0') * 4 + 12);
        grid->addWidget(field, row, 2 * i + 1);
        grid->addWidget(new QLabel(kMarks[i], parent), row, 2 * i + 2);
        fields.push_back(field);
    }
    caption->setBuddy(fields.front());
    return fields;
}

CDialogMoveLongitudeLatitude::CDialogMoveLongitudeLatitude(GeoPoint center, Messages* messages,
                                                           QWidget* parent)
    : QDialog(parent), m_center(center), m_messages(*messages) {
    setWindowTitle("Move to latitude/longitude");
    const MoveFields shown = MoveFieldsAt(center);
    auto* grid = new QGridLayout;
    const auto lon = AddCoordinateRow(grid, 0, "Longitude   E(T)", 3, 3, this);
    const auto lat = AddCoordinateRow(grid, 1, "Latitude     N(&H)", 2, 3, this);
    for (std::size_t i = 0; i < m_longitude.size(); ++i) {
        m_longitude[i] = lon[i];
        m_latitude[i] = lat[i];
        m_longitude[i]->setText(Text(shown.longitude[i]));
        m_latitude[i]->setText(Text(shown.latitude[i]));
    }
    auto* move = MakeButton(this, "Move", "move", [this] { accept(); });
    move->setDefault(true);
    auto* cancel = MakeButton(this, "Cancel", "cancel", [this] { reject(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(move);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

QLineEdit* CDialogMoveLongitudeLatitude::field(bool longitude, int index) const {
    return (longitude ? m_longitude : m_latitude)[static_cast<std::size_t>(index)];
}

void CDialogMoveLongitudeLatitude::accept() {
    MoveFields typed;
    for (std::size_t i = 0; i < typed.longitude.size(); ++i) {
        typed.longitude[i] = Text(m_longitude[i]->text());
        typed.latitude[i] = Text(m_latitude[i]->text());
    }
    const std::optional<GeoPoint> target = MoveTarget(typed, m_messages);
    if (!target) return;
    m_center = *target;
    QDialog::accept();
}

}  // namespace hfp
