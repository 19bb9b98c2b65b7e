#pragma once

class QCoreApplication;

namespace pardovane {

// Qt's own texts (the report box's editing menu, the buttons of the file and
// search dialogs) in Japanese like the rest of the window, whatever the
// system's language. False when Qt's Japanese translations are not installed
// (Debian's qt6-translations-l10n); the texts then stay English.
bool InstallQtJapanese(QCoreApplication& app);

}  // namespace pardovane
