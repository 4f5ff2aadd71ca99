#pragma once

#include <QDialog>
#include <array>
#include <vector>

#include "geo/GeoPoint.h"

class QGridLayout;
class QLineEdit;

namespace hfp {

class Messages;

// A labelled row of `count` coordinate fields into `grid`: degrees (`degreeLength` characters),
// minutes, seconds, hundredths (two characters each), each with its mark behind it.
std::vector<QLineEdit*> AddCoordinateRow(QGridLayout* grid, int row, const char* label,
                                         int degreeLength, int count, QWidget* parent);

// "Move to latitude/longitude": degrees, minutes and seconds of a place to centre the map on.
// exec() ends Accepted with center() the place typed; out-of-range degrees keep it open.
class CDialogMoveLongitudeLatitude : public QDialog {
  public:
    CDialogMoveLongitudeLatitude(GeoPoint center, Messages* messages, QWidget* parent);

    GeoPoint center() const { return m_center; }
    void accept() override;

    // For tests: degrees, minutes or seconds (index 0-2) of the longitude or the latitude.
    QLineEdit* field(bool longitude, int index) const;

  private:
    GeoPoint m_center;
    Messages& m_messages;
    std::array<QLineEdit*, 3> m_longitude{};
    std::array<QLineEdit*, 3> m_latitude{};
};

}  // namespace hfp
