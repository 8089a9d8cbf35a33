#include "shell/connection_text.h"

#include <QStringList>

namespace zr {

QString chipsFoundText(const ScanResult& found, const DeviceState& state)
{
    QStringList chips;
    if (found.foundA)
        chips << QStringLiteral("%1 at %2").arg(chipName(Chip::A)).arg(state.AddressA);
    if (found.foundB)
        chips << QStringLiteral("%1 at %2").arg(chipName(Chip::B)).arg(state.AddressB);
    if (chips.isEmpty())
        return QStringLiteral("No chip answered at %1\u2013%2")
            .arg(kFirstScanAddress)
            .arg(kLastScanAddress);
    return chips.join(QStringLiteral(", "));
}

QString connectionText(const QString& boardDescription, const ScanResult& found,
                       const DeviceState& state)
{
    return boardDescription + QStringLiteral(": ") + chipsFoundText(found, state);
}

} // namespace zr
