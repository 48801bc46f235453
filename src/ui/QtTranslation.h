#pragma once

class QCoreApplication;

// Qt's own texts in Japanese — the file dialog, the buttons of message
// boxes, a text box's context menu — whatever the user's locale, since the
// whole interface is Japanese. The translation is Debian's
// qt6-translations-l10n, where Qt keeps its translations. False when it is
// not installed; Qt's texts then stay English.
bool LoadQtJapanese(QCoreApplication &application);
