#pragma once
#include <QString>

// Copies source to target. The bytes go to a temporary file beside the target,
// which is renamed into place only when the copy is complete and on disk, so a
// failure leaves whatever was at the target whole. With replace false an
// existing target is refused. Returns "" or the reason of the failure.
QString CopyFileSafely(const QString& source, const QString& target, bool replace);
