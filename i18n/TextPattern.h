// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace vm {

// Texts of the packs with places for values: %1 to %9 stand for the values given.

// The pattern with each %N (N from 1 to the number of values) replaced by the Nth value, in
// one pass, so that a value never stands for a marker and any other '%' stays as it is.
QString FillIn(const QString& pattern, const QStringList& values);

// The pattern holds each of %1 to %count.
bool HasMarkers(const QString& pattern, int count);

}  // namespace vm
