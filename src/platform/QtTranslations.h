#pragma once

class QCoreApplication;

namespace platform {

// Installs Qt's own Russian texts (dialog buttons, file dialogs) into `app`,
// whatever the user's locale; false when Qt's translations are not installed.
bool InstallQtTranslations(QCoreApplication& app);

} // namespace platform
