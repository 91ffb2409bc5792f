// The application title: the caption of every message box that has no title
// of its own.
#pragma once

#include <QString>

namespace brindlemoor::app {

inline const QString kProductName = QStringLiteral("Brindlemoor");

// The product name cut at its last space, and again while longer than 40
// characters. A name without a space is the title as it is.
QString shortTitle(const QString& productName);

// Sets the application title from the product name.
void setShortTitle(const QString& productName = kProductName);
const QString& applicationTitle();

}  // namespace brindlemoor::app
