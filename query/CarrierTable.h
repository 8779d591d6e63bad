#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// The couriers the tool can query: each option button of the courier group, the code the tracking
// service knows it by, and the name the History list shows.
struct Carrier
{
    QString buttonName;
    QString apiCode;
    QString displayName;
};

namespace CarrierTable {

// In table order, which is the order the forward lookup tests the buttons in.
const QList<Carrier> &rows();

// The first row, in table order, whose button is selected; none when no row's button is.
std::optional<Carrier> forwardLookup(const std::function<bool(const QString &buttonName)> &isSelected);

// The row whose display name equals `displayName` as a whole, case-sensitively.
std::optional<Carrier> reverseLookup(const QString &displayName);

} // namespace CarrierTable
