// SPDX-License-Identifier: MIT
#include "shell/connection_text.h"

#include "board/chips.h"

#include <QStringList>

namespace zr {

QString chipsFoundText(const ScanResult& found, const DeviceState& state)
{
    QStringList chips;
    for (const ChipDescriptor& chip : kChips)
        if (found.found(chip.chip))
            chips << QStringLiteral("%1 at %2").arg(chip.name).arg(state.*chip.address);
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

QString lostBoardText(const QString& boardDescription, bool notResponding, const QString& time,
                      const QString& reason)
{
    QString text =
        boardDescription +
        (notResponding ? QStringLiteral(": not responding since ") : QStringLiteral(": lost at ")) +
        time;
    if (!reason.isEmpty())
        text += QStringLiteral(" (") + reason + QLatin1Char(')');
    return text;
}

} // namespace zr
