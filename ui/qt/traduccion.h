#pragma once
// Qt's own texts (standard buttons, file dialogs, context menus) in Spanish, from the Qt
// translations the system carries.

class QCoreApplication;

// Installs the Spanish translation of Qt's texts once; false when the system has none (the texts
// stay in English).
bool InstalarTraduccionQt(QCoreApplication& aplicacion);
